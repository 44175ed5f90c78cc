// Data-aware controls: an edit and a combo box that show and edit one field of the current
// record, and a navigator with buttons that move through and edit a data set.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "platform/db/DB.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

// Shows the field's text for the current record and follows record moves. Typing puts the
// data set into edit mode (when the data source's AutoEdit is on); the text is written to
// the field when the control loses the focus or the record is posted. Keys that would change
// the text are refused while the field or the data set cannot be modified (or the control
// is ReadOnly). A string field limits the bytes that can be typed to its size.
class TDBEdit : public TCustomEdit {
  VCL_DECLARE_COMPONENT(TDBEdit)
 public:
  explicit TDBEdit(TComponent* owner);
  ~TDBEdit() override;

  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source);
  const AnsiString& DataField() const { return link_.FieldName(); }
  void SetDataField(const AnsiString& name) { link_.SetFieldName(name); }
  TField* Field() const { return link_.Field(); }
  // The control's own read-only setting; the control is also read-only while the field
  // cannot be modified (see CanModify).
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // The user may change the field through this control now.
  bool CanModify() const { return !readOnly_ && link_.CanModify(); }
  // Writes a changed text into the field.
  void UpdateRecord() { link_.UpdateRecord(); }

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;

 protected:
  void Change() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void DataChange(TObject* sender);
  void EditingChange(TObject* sender);
  void UpdateData(TObject* sender);
  void ActiveChange(TObject* sender);
  // Puts the data set into edit mode for a key that changes the text; false to refuse it.
  bool BeginChange();
  void UpdateReadOnly();
  TFieldDataLink link_;
  bool readOnly_ = false;
  bool loading_ = false;
  bool maxLengthFromField_ = false;
};

// A combo box on a field: the same behaviour as TDBEdit, choosing an item (or typing, for
// the edit styles) changes the field.
class TDBComboBox : public TComboBox {
  VCL_DECLARE_COMPONENT(TDBComboBox)
 public:
  explicit TDBComboBox(TComponent* owner);
  ~TDBComboBox() override;

  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source);
  const AnsiString& DataField() const { return link_.FieldName(); }
  void SetDataField(const AnsiString& name) { link_.SetFieldName(name); }
  TField* Field() const { return link_.Field(); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool CanModify() const { return !readOnly_ && link_.CanModify(); }
  void UpdateRecord() { link_.UpdateRecord(); }

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void DoExit() override;

 protected:
  void Change() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void DataChange(TObject* sender);
  void UpdateData(TObject* sender);
  bool BeginChange();
  TFieldDataLink link_;
  bool readOnly_ = false;
  bool loading_ = false;
};

enum TNavigateBtn : std::uint8_t {
  nbFirst,
  nbPrior,
  nbNext,
  nbLast,
  nbInsert,
  nbDelete,
  nbEdit,
  nbPost,
  nbCancel,
  nbRefresh,
};
inline constexpr int kNavButtonCount = 10;
// A set of navigator buttons: bit (1 << button).
using TButtonSet = std::uint16_t;
constexpr TButtonSet NavButtons(std::initializer_list<TNavigateBtn> buttons) {
  TButtonSet set = 0;
  for (TNavigateBtn b : buttons) set = static_cast<TButtonSet>(set | (1u << b));
  return set;
}
inline constexpr TButtonSet kAllNavButtons = 0x03FF;
const TTypeInfo* TypeNavigateBtn();
const TTypeInfo* TypeButtonSet();

using TNavClickEvent = TEvent<TObject*, TNavigateBtn>;

class TDBNavigator;

// The navigator's view of its data source.
class TNavDataLink : public TDataLink {
 public:
  explicit TNavDataLink(TDBNavigator* navigator) : navigator_(navigator) {}

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void DataSetChanged() override;

 private:
  TDBNavigator* navigator_;
};

// Buttons for the data set of DataSource: first, prior, next, last, insert, delete, edit,
// post, cancel and refresh. Each visible button takes an equal share of the width, in that
// order. Buttons are enabled by the data set's state (first and prior not at Bof, next and
// last not at Eof, edit when browsing, post and cancel when editing, the modifying buttons
// only when the data set can be modified). Hints: the lines of Hints, in button order; a
// missing or empty line keeps the default hint.
class TDBNavigator : public TCustomControl {
  VCL_DECLARE_COMPONENT(TDBNavigator)
 public:
  explicit TDBNavigator(TComponent* owner);
  ~TDBNavigator() override;

  TDataSource* DataSource() const { return link_.DataSource(); }
  void SetDataSource(TDataSource* source);
  TButtonSet VisibleButtons() const { return visibleButtons_; }
  void SetVisibleButtons(TButtonSet buttons);
  TStrings* Hints() const { return hints_; }
  void SetHints(TStrings* hints);  // copies the lines
  // Delete asks "Delete record?" first (OK deletes).
  bool ConfirmDelete() const { return confirmDelete_; }
  void SetConfirmDelete(bool value) { confirmDelete_ = value; }

  bool ButtonVisible(TNavigateBtn button) const { return (visibleButtons_ >> button) & 1u; }
  bool ButtonEnabled(TNavigateBtn button) const;
  AnsiString ButtonHint(TNavigateBtn button) const;
  static AnsiString DefaultHint(TNavigateBtn button);
  // Where a visible button is, in client coordinates (empty for a hidden one).
  TRect ButtonRect(TNavigateBtn button) const;
  // The visible button at a client point; false when there is none.
  bool ButtonAt(int x, int y, TNavigateBtn& button) const;

  // Performs the button's action on the data set (when the data source is active):
  // BeforeAction runs first, OnClick after.
  virtual void BtnClick(TNavigateBtn button);

  TNavClickEvent BeforeAction;
  TNavClickEvent OnClick;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Raised buttons with their symbols; disabled ones embossed grey.
  void Paint() override;

 private:
  friend class TNavDataLink;
  void ButtonsChanged() { Invalidate(); }
  TNavDataLink link_;
  TButtonSet visibleButtons_ = kAllNavButtons;
  TStringList* hints_;
  bool confirmDelete_ = true;
  int pressed_ = -1;
};

}  // namespace vcl
