// Standard controls: labels, edits and memos, buttons, check boxes and radio buttons, combo
// boxes, list boxes and group boxes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/TStringList.h"
#include "platform/vcl/Controls.h"

namespace vcl {

enum class TBorderStyle { bsNone, bsSingle };
const TTypeInfo* TypeBorderStyle();
enum class TTextLayout { tlTop, tlCenter, tlBottom };
const TTypeInfo* TypeTextLayout();
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
const TTypeInfo* TypeEditCharCase();
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
const TTypeInfo* TypeScrollStyle();
enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
const TTypeInfo* TypeCheckBoxState();
enum class TComboBoxStyle {
  csDropDown,
  csSimple,
  csDropDownList,
  csOwnerDrawFixed,
  csOwnerDrawVariable
};
const TTypeInfo* TypeComboBoxStyle();
enum class TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
const TTypeInfo* TypeListBoxStyle();

// State of an owner-drawn item (a bit mask).
enum TOwnerDrawStateFlag : std::uint16_t {
  odSelected = 1,
  odGrayed = 2,
  odDisabled = 4,
  odChecked = 8,
  odFocused = 16,
  odDefault = 32,
  odComboBoxEdit = 64,
};
using TOwnerDrawState = std::uint16_t;
using TDrawItemEvent = TEvent<TWinControl*, int, const TRect&, TOwnerDrawState>;
using TMeasureItemEvent = TEvent<TWinControl*, int, int&>;

// The look of group boxes and radio groups: `bounds` filled with `color`, an etched frame
// whose top runs through the middle of the caption's line, and the caption at the left over
// the frame with `color` behind it.
void PaintGroupFrame(TCanvas* canvas, const TRect& bounds, const AnsiString& caption, TColor color,
                     bool enabled);

// Single-line text editing shared by edits and combo boxes: the caret and the selection in
// bytes, a byte limit, case conversion, and double-byte characters (ANSI code page) that are
// never split by typing, deleting or moving the caret.
class TTextEditor {
 public:
  const AnsiString& Text() const { return text_; }
  // Replaces the whole text (case conversion applies, the byte limit does not); the caret goes
  // to the start.
  void SetText(std::string_view text);
  // Replaces the text as it is and puts the caret at `caret`. True when the text changed.
  bool Replace(std::string_view text, int caret);

  int SelStart() const { return anchor_ < caret_ ? anchor_ : caret_; }
  int SelLength() const { return anchor_ < caret_ ? caret_ - anchor_ : anchor_ - caret_; }
  int Caret() const { return caret_; }
  // Where the selection started (the caret is at its other end).
  int Anchor() const { return anchor_; }
  // Places the caret (clamped to the text) and drops the selection.
  void SetSelStart(int pos);
  // Selects from SelStart on (clamped to the text); the caret ends the selection.
  void SetSelLength(int length);
  // Selects [anchor, caret) with the caret at `caret`.
  void Select(int anchor, int caret);
  void SelectAll() { Select(0, static_cast<int>(text_.size())); }
  AnsiString SelText() const;
  // Replaces the selection with `s` (case converted, no limit); the caret follows it.
  // True when the text changed.
  bool ReplaceSelection(std::string_view s);

  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int bytes) { maxLength_ = bytes < 0 ? 0 : bytes; }
  TEditCharCase CharCase() const { return charCase_; }
  // Converts the current text as well.
  void SetCharCase(TEditCharCase value);

  // A typed byte: printable characters replace the selection within the byte limit; a lead
  // byte waits for its trail byte, and is refused (with its trail) when both would not fit.
  // True when the text changed.
  bool TypeChar(char c);
  // Inserts `s` as typed text in place of the selection (case converted) when the result
  // stays within the byte limit. True when the text changed.
  bool Insert(std::string_view s);
  // True when `bytes` more bytes fit in place of the selection.
  bool Fits(int bytes) const;
  // Backspace: the selection, or the character before the caret.
  bool Backspace();
  // Delete: the selection, or the character after the caret.
  bool DeleteForward();
  // Moves the caret for VK_LEFT, VK_RIGHT, VK_HOME, VK_END (Shift extends the selection).
  // True when the key is one of those.
  bool MoveCaret(std::uint16_t key, bool extend);
  // Moves the caret to `pos` keeping the anchor when extending.
  void MoveTo(int pos, bool extend);
  // Forgets a pending lead byte.
  void ResetTyping() {
    pendingLead_ = 0;
    dropTrail_ = false;
  }

  // Character boundaries around `pos` (double-byte aware).
  int PrevCharPos(int pos) const;
  int NextCharPos(int pos) const;

  // Converts the letters of `s` (never the bytes of double-byte characters).
  static AnsiString ConvertCase(std::string_view s, TEditCharCase charCase);

 private:
  int Clamp(int pos) const;
  AnsiString text_;
  int anchor_ = 0;
  int caret_ = 0;
  int maxLength_ = 0;
  TEditCharCase charCase_ = TEditCharCase::ecNormal;
  char pendingLead_ = 0;
  bool dropTrail_ = false;
};

// A text caption with an optional accelerator character ("&Name") that moves the focus to
// FocusControl.
class TLabel : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TLabel)
 public:
  explicit TLabel(TComponent* owner);
  ~TLabel() override;

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* control);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  // The caption as shown: accelerator ampersands removed ("&&" shows one ampersand).
  AnsiString DisplayText() const;
  // True when the caption marks `key` (ignoring case) as its accelerator.
  bool IsAccel(char key) const;
  // Alt+key: focuses FocusControl when `key` is this label's accelerator and the control can
  // take the focus. True when used.
  bool DialogChar(char key);

 protected:
  void FontChanged() override;
  void TextChanged() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Sizes the label to its text when AutoSize is on (6 pixels a byte, 13 a line).
  void AdjustBounds();
  void Paint() override;

 private:
  bool autoSize_ = true;
  TWinControl* focusControl_ = nullptr;
  bool showAccelChar_ = true;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TTextLayout layout_ = TTextLayout::tlTop;
  bool wordWrap_ = false;
  bool transparent_ = false;
};

// The common base of edits, masked edits, memos and spin edits: text typed at the caret,
// selection, byte limit, read-only state, modified flag and the change event.
class TCustomEdit : public TWinControl {
  VCL_DECLARE_COMPONENT(TCustomEdit)
 public:
  explicit TCustomEdit(TComponent* owner);

  // Bytes the user may type (0: no limit). Setting Text is not limited.
  int MaxLength() const { return editor_.MaxLength(); }
  void SetMaxLength(int bytes) { editor_.SetMaxLength(bytes); }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  int SelStart() const { return editor_.SelStart(); }
  void SetSelStart(int pos) { editor_.SetSelStart(pos); }
  int SelLength() const { return editor_.SelLength(); }
  void SetSelLength(int length) { editor_.SetSelLength(length); }
  AnsiString SelText() const { return editor_.SelText(); }
  // Replaces the selection (OnChange runs when the text changes).
  void SetSelText(const AnsiString& text);
  void SelectAll() { editor_.SelectAll(); }
  // Deletes the selected text.
  void ClearSelection();
  // Empties the text.
  void Clear() { SetText(""); }
  char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char c);
  TEditCharCase CharCase() const { return editor_.CharCase(); }
  void SetCharCase(TEditCharCase value);
  // Select the whole text when the edit receives the focus.
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool value) { autoSelect_ = value; }
  // Set when the user changes the text; cleared when Text is set.
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  // The text as shown: PasswordChar repeated once per character when set.
  AnsiString DisplayText() const;
  // bsSingle draws the sunken border.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  // The selection is shown only while the control has the focus.
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool value);

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  void DoEnter() override;
  // True for multi-line edits (memos).
  virtual bool MultiLine() const { return false; }

  // Runs when the text changes, by typing or by setting it.
  TNotifyEvent OnChange;

 protected:
  AnsiString GetTextValue() const override { return editor_.Text(); }
  void SetTextValue(const AnsiString& text) override;
  void TextChanged() override;
  bool FocusOnClick() const override { return true; }
  virtual void Change();
  // The editor text that assigning `text` to Text gives (masked edits format it).
  virtual AnsiString EditTextFor(const AnsiString& text) const { return text; }
  // Acting on a key or a character the events left alone; true when it changed the text.
  virtual bool EditKeyDown(std::uint16_t key, TShiftState shift);
  virtual bool EditChar(char c);
  // Called after the user changed the text: sets Modified and runs Change.
  void UserChanged();

  void Paint() override;
  // Paints the background, the border and the line of text with its selection and caret,
  // leaving `reserve` pixels at the right inside the border (spin buttons go there). Returns
  // the rectangle inside the border.
  TRect PaintEdit(int reserve);
  // The selection shows: the control has the focus, or HideSelection is off.
  bool ShowsSelection() const;

  TTextEditor editor_;
  int scrollX_ = 0;  // pixels the text is scrolled to the left to keep the caret in view

 private:
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
  bool hideSelection_ = true;
  bool readOnly_ = false;
  char passwordChar_ = 0;
  bool autoSelect_ = true;
  bool modified_ = false;
  bool textChangedPending_ = false;
};

class TEdit : public TCustomEdit {
  VCL_DECLARE_COMPONENT(TEdit)
 public:
  explicit TEdit(TComponent* owner);
};

class TMemoStrings;

// A multi-line edit. Lines are separated by CR LF in Text; Lines shows the text as a list
// (adding a line ends it with CR LF).
class TMemo : public TCustomEdit {
  VCL_DECLARE_COMPONENT(TMemo)
 public:
  explicit TMemo(TComponent* owner);
  ~TMemo() override;

  TStrings* Lines() const;
  void SetLines(TStrings* lines);  // copies the lines
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value) { wordWrap_ = value; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value) { scrollBars_ = value; }
  // Enter inserts a line break.
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool value) { wantReturns_ = value; }
  // Tab inserts a tab character.
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool value) { wantTabs_ = value; }
  // The caret's line (Y) and byte column (X), from 0.
  TPoint CaretPos() const;
  void SetCaretPos(TPoint pos);

  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  bool MultiLine() const override { return true; }

 protected:
  bool EditKeyDown(std::uint16_t key, TShiftState shift) override;
  bool EditChar(char c) override;
  void Paint() override;

 private:
  friend class TMemoStrings;
  // Byte offset of the start of line `line` (the text length past the last line).
  int LineStart(int line) const;
  void SetMemoText(const AnsiString& text);
  TMemoStrings* lines_;
  bool wordWrap_ = true;
  TScrollStyle scrollBars_ = TScrollStyle::ssNone;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  int topLine_ = 0;  // first line shown, moved to keep the caret in view
};

// A push button. Clicking it sets the form's ModalResult (when not mrNone) and runs OnClick.
// The form clicks the Default button on Enter and the Cancel button on Escape.
class TButton : public TWinControl {
  VCL_DECLARE_COMPONENT(TButton)
 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int value) { modalResult_ = value; }

  // Sets the form's ModalResult (when this button's is not mrNone), then runs OnClick.
  void Click() override;
  // Space clicks the button when released.
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;

 protected:
  bool FocusOnClick() const override { return true; }
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  // The button looks pressed: the mouse is held on it, or Space is.
  bool ShowsPressed() const;
  // The black frame of the button Enter clicks: the focused button, or the Default button
  // while no other button has the focus.
  bool ShowsDefaultFrame() const;

 private:
  bool mouseInside_ = false;
  bool default_ = false;
  bool cancel_ = false;
  int modalResult_ = 0;
  bool spaceDown_ = false;
};

// A check box; a click (mouse or Space) moves it to its next state, setting the state runs
// OnClick.
class TCheckBox : public TWinControl {
  VCL_DECLARE_COMPONENT(TCheckBox)
 public:
  explicit TCheckBox(TComponent* owner);

  bool Checked() const { return state_ == TCheckBoxState::cbChecked; }
  void SetChecked(bool value);
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool value) { allowGrayed_ = value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  // The next state: unchecked, grayed (when allowed), checked, unchecked.
  void Toggle();
  // A user's click: toggles (the state change runs OnClick).
  void Click() override;

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;

 protected:
  bool FocusOnClick() const override { return true; }
  void Paint() override;

 private:
  TCheckBoxState state_ = TCheckBoxState::cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = TAlignment::taRightJustify;
  bool spaceDown_ = false;
};

// A radio button: checking it unchecks the other radio buttons of its parent. Becoming
// checked runs OnClick.
class TRadioButton : public TWinControl {
  VCL_DECLARE_COMPONENT(TRadioButton)
 public:
  explicit TRadioButton(TComponent* owner);

  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }

  // A user's click: checks the button.
  void Click() override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyUp(std::uint16_t& key, TShiftState shift) override;

 protected:
  bool FocusOnClick() const override { return true; }
  void Paint() override;

 private:
  bool checked_ = false;
  bool spaceDown_ = false;
  TAlignment alignment_ = TAlignment::taRightJustify;
};

class TItemStrings;

// Hooks through which an item list tells its control about inserted and deleted items.
class TItemListOwner {
 public:
  virtual ~TItemListOwner() = default;
  virtual void ItemInserted(int index) = 0;
  virtual void ItemDeleted(int index) = 0;
  virtual void ItemsCleared() = 0;
  virtual void ItemsChanged() {}
};

// A combo box: an edit (or a fixed text for the list styles) with a drop-down list.
class TComboBox : public TWinControl, private TItemListOwner {
  VCL_DECLARE_COMPONENT(TComboBox)
 public:
  explicit TComboBox(TComponent* owner);
  ~TComboBox() override;

  TStrings* Items() const;
  void SetItems(TStrings* items);  // copies the items
  // -1 for none; an index outside the items selects none. For the list styles the text
  // follows the selected item; for the edit styles setting it sets the text.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int value) { dropDownCount_ = value; }
  bool Sorted() const;
  void SetSorted(bool value);
  int MaxLength() const { return editor_.MaxLength(); }
  void SetMaxLength(int bytes) { editor_.SetMaxLength(bytes); }
  TEditCharCase CharCase() const { return editor_.CharCase(); }
  void SetCharCase(TEditCharCase value);
  bool DroppedDown() const { return droppedDown_; }
  // Opening runs OnDropDown, closing OnCloseUp.
  void SetDroppedDown(bool value);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int value) { itemHeight_ = value; }
  int SelStart() const { return editor_.SelStart(); }
  void SetSelStart(int pos) { editor_.SetSelStart(pos); }
  int SelLength() const { return editor_.SelLength(); }
  void SetSelLength(int length) { editor_.SetSelLength(length); }
  AnsiString SelText() const { return editor_.SelText(); }
  void SelectAll() { editor_.SelectAll(); }
  void Clear();
  // True for csDropDownList and the owner-draw styles: the text is always an item's.
  bool IsListStyle() const;
  // Height of item `index`: ItemHeight, or what OnMeasureItem says for csOwnerDrawVariable.
  int MeasureItem(int index);
  // Runs OnDrawItem for the owner-draw styles.
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state);

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  bool WantsKey(std::uint16_t key, TShiftState shift) const override;

  // OnChange runs when the user changes the text or the selection (not when code does);
  // OnSelect when the user selects an item.
  TNotifyEvent OnChange;
  TNotifyEvent OnSelect;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  AnsiString GetTextValue() const override;
  void SetTextValue(const AnsiString& text) override;
  bool FocusOnClick() const override { return true; }
  virtual void Change();
  virtual void Select();
  void Paint() override;
  // The open list below (or, without room, above) the box.
  bool PaintPopup() override;

 private:
  void ItemInserted(int index) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;
  // The user selects `index`: the text follows, OnChange and OnSelect run.
  void UserSelect(int index);
  // The item after the selected one starting with `c`, wrapping; -1 when none.
  int FindItemByChar(char c) const;
  TItemStrings* items_;
  int itemIndex_ = -1;
  TTextEditor editor_;
  TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
  int dropDownCount_ = 8;
  bool droppedDown_ = false;
  int itemHeight_ = 13;
};

// A list of items with one (or with MultiSelect several) selected.
class TListBox : public TWinControl, private TItemListOwner {
  VCL_DECLARE_COMPONENT(TListBox)
 public:
  explicit TListBox(TComponent* owner);
  ~TListBox() override;

  TStrings* Items() const;
  void SetItems(TStrings* items);  // copies the items
  int Count() const;
  // The selected item (with MultiSelect, the item with the focus rectangle); -1 for none.
  // An index outside the items selects none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool value);
  // With MultiSelect: a click selects only the clicked item, Ctrl+click toggles one and
  // Shift+click selects a range. Without it, a click toggles the clicked item.
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool value) { extendedSelect_ = value; }
  // Raises EListError "List index out of bounds (<index>)" for an index outside the items.
  bool Selected(int index) const;
  void SetSelected(int index, bool value);
  // Selected items with MultiSelect; -1 without it, as the platform's list reports.
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  bool Sorted() const;
  void SetSorted(bool value);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle value) { style_ = value; }
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int value) { itemHeight_ = value > 0 ? value : 1; }
  // First visible item.
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int index);
  // The item at a client point, or -1.
  int ItemAtPos(TPoint p, bool existing);
  // The client rectangle of item `index`.
  TRect ItemRect(int index);
  // bsSingle draws the sunken border; ItemRect and ItemAtPos count from its inner corner.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  int MeasureItem(int index);
  void DrawItem(int index, const TRect& rect, TOwnerDrawState state);
  void Clear();

  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  // Reads the Shift and Ctrl flags (MK_SHIFT 4, MK_CONTROL 8) of mouse presses.
  void WndProc(TMessage& message) override;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

 protected:
  bool FocusOnClick() const override { return true; }
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Paint() override;

 private:
  // Width of the border.
  int BorderSize() const { return borderStyle_ == TBorderStyle::bsSingle ? 2 : 0; }
  void ItemInserted(int index) override;
  void ItemDeleted(int index) override;
  void ItemsCleared() override;
  void CheckIndex(int index) const;
  // Keeps the item `index` in view.
  void MakeVisible(int index);
  // The user moves the selection to `index` (Shift extends from the anchor).
  void UserMoveTo(int index, bool extend);
  TItemStrings* items_;
  std::vector<bool> selected_;
  int itemIndex_ = -1;
  int anchor_ = -1;
  int topIndex_ = 0;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  TListBoxStyle style_ = TListBoxStyle::lbStandard;
  int itemHeight_ = 13;
  TShiftState mouseShift_ = 0;
  TBorderStyle borderStyle_ = TBorderStyle::bsSingle;
};

// A framed container with a caption.
class TGroupBox : public TCustomControl {
  VCL_DECLARE_COMPONENT(TGroupBox)
 public:
  explicit TGroupBox(TComponent* owner);

 protected:
  void Paint() override;
};

}  // namespace vcl
