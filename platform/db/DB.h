// Fields, data sets, data sources and data links.
//
// A data set holds records in an in-memory store (rows of Variants, one column per field
// definition) and shows them through a cursor: navigation, editing with an edit buffer,
// filtering and ordering all work on that store. Subclasses supply the records
// (InternalOpen) and may order them (OrderRecords). Data sources connect a data set to
// data links, which the data-aware controls use to follow the data set.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/db/DBTypes.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"

namespace vcl {

class TDataSet;
class TDataSource;
class TDataLink;
class TField;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsFilter };

// What a data set tells its data sources (and they their data links).
enum class TDataEvent {
  deFieldChange,      // a field of the current record changed (the field is passed)
  deRecordChange,     // the current record was reloaded (edit started, cancelled)
  deDataSetChange,    // the records changed (post, delete, refresh, order, filter)
  deDataSetScroll,    // the cursor moved
  deLayoutChange,     // the fields changed
  deUpdateRecord,     // controls should write their pending values into the fields
  deUpdateState,      // the state changed
  deCheckBrowseMode,  // the data set is about to leave edit mode
};

enum TLocateOption : std::uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = std::uint8_t;

using TDataSetNotifyEvent = TEvent<TDataSet*>;
using TFilterRecordEvent = TEvent<TDataSet*, bool&>;
using TFieldNotifyEvent = TEvent<TField*>;
// Supplies the text of a field: `displayText` is true for display, false for editing. The
// text starts empty; the handler gives the whole text.
using TFieldGetTextEvent = TEvent<TField*, AnsiString&, bool>;
using TFieldSetTextEvent = TEvent<TField*, const AnsiString&>;
using TDataChangeEvent = TEvent<TObject*, TField*>;

// A bookmark: identifies a record of a data set while the data set stays open.
using TBookmark = int;

// ---------------------------------------------------------------------------------------
// Fields

// One column of a data set as code and controls see it. A field reads and writes the
// current record of its data set (the edit buffer while editing). Writing needs the data
// set in edit or insert mode (EDatabaseError "Dataset not in edit or insert mode"); a
// read-only field refuses (EDatabaseError "Field '<name>' cannot be modified"); a value that
// does not convert raises EDatabaseError "'<text>' is not a valid <kind> value for field
// '<name>'". Empty text and null or empty Variants make the field null.
class TField : public TComponent {
  VCL_DECLARE_COMPONENT(TField)
 public:
  explicit TField(TComponent* owner);
  // Leaves the data set's field list.
  ~TField() override;

  const AnsiString& FieldName() const { return fieldName_; }
  void SetFieldName(const AnsiString& name);
  // The label shown in grids and messages; the field name unless set.
  AnsiString DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const AnsiString& label) { displayLabel_ = label; }
  AnsiString DisplayName() const { return DisplayLabel(); }
  // Width in characters; the type's default (strings: their size) unless set.
  int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : DefaultWidth(); }
  void SetDisplayWidth(int width) { displayWidth_ = width < 0 ? 0 : width; }
  int Size() const { return size_; }
  virtual void SetSize(int size);
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { alignment_ = value; }
  TFieldType DataType() const { return dataType_; }
  // The field's column in the data set's field definitions (1-based); 0 when not bound.
  int FieldNo() const { return fieldNo_; }
  // Position in the data set's Fields (-1 without a data set); setting moves it.
  int Index() const;
  void SetIndex(int index);
  TDataSet* DataSet() const { return dataSet_; }
  // Adds the field to the data set's Fields (removing it from its former one). Raises
  // EDatabaseError when the data set is open or already has a field of that name.
  void SetDataSet(TDataSet* dataSet);
  // Not read-only, bound to a data set that can be modified.
  bool CanModify() const;

  bool IsNull() const;
  // The stored value (Null when null).
  Variant Value() const;
  void SetValue(const Variant& value);
  Variant AsVariant() const { return Value(); }
  void SetAsVariant(const Variant& value) { SetValue(value); }
  AnsiString AsString() const { return IsNull() ? AnsiString() : GetAsString(); }
  void SetAsString(const AnsiString& text);
  int AsInteger() const;
  void SetAsInteger(int value) { SetValue(Variant(value)); }
  std::int64_t AsLargeInt() const;
  void SetAsLargeInt(std::int64_t value) { SetValue(Variant(static_cast<long long>(value))); }
  double AsFloat() const;
  void SetAsFloat(double value) { SetValue(Variant(value)); }
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value) { SetValue(Variant::FromDate(value)); }
  bool AsBoolean() const;
  void SetAsBoolean(bool value) { SetValue(Variant(value)); }
  // The text for editing and for display (OnGetText supplies them when assigned).
  AnsiString Text() const { return GetTextOf(false); }
  AnsiString DisplayText() const { return GetTextOf(true); }
  // Sets the field from text (OnSetText takes it when assigned).
  void SetText(const AnsiString& text);
  // Makes the field null.
  void Clear() { SetValue(Null); }
  // Raises EDatabaseError "Field '<label>' must have a value" when required and null.
  void CheckRequired() const;

  // OnValidate runs before a new value is stored (raise to refuse it), OnChange after.
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

 protected:
  void SetDataType(TFieldType type) { dataType_ = type; }
  virtual int DefaultWidth() const { return 10; }
  // The value as it is stored for this type; raises the conversion errors.
  virtual Variant ConvertValue(const Variant& value) const;
  // Text of a value that is not null.
  virtual AnsiString GetAsString() const;
  // Default texts when no OnGetText handler is assigned.
  virtual AnsiString GetText(bool displayText) const { return AsString(); }
  // Raises EDatabaseError "'<text>' is not a valid <kind> value for field '<name>'".
  [[noreturn]] void ConversionError(std::string_view text, std::string_view kind) const;
  // The stored value as a reference (Null when there is no current record).
  const Variant& Data() const;

 private:
  friend class TDataSet;
  friend class TFields;
  AnsiString GetTextOf(bool displayText) const;
  AnsiString fieldName_;
  AnsiString displayLabel_;
  int displayWidth_ = 0;
  int size_ = 0;
  bool visible_ = true;
  bool readOnly_ = false;
  bool required_ = false;
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TFieldType dataType_ = TFieldType::ftUnknown;
  int fieldNo_ = 0;
  TDataSet* dataSet_ = nullptr;
};

// Text of up to Size bytes (default 20); a longer value is cut at Size bytes, never inside a
// double-byte character of the ANSI code page.
class TStringField : public TField {
  VCL_DECLARE_COMPONENT(TStringField)
 public:
  explicit TStringField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return Size(); }
  Variant ConvertValue(const Variant& value) const override;
};

class TWideStringField : public TStringField {
  VCL_DECLARE_COMPONENT(TWideStringField)
 public:
  explicit TWideStringField(TComponent* owner);
};

// Whole numbers in a range: TIntegerField 32-bit, TSmallintField 16-bit, TWordField 0..65535,
// TLargeintField 64-bit. A value outside raises EDatabaseError "<value> is not a valid value
// for field '<name>'. The allowed range is <min> to <max>".
class TIntegerField : public TField {
  VCL_DECLARE_COMPONENT(TIntegerField)
 public:
  explicit TIntegerField(TComponent* owner);
  std::int64_t MinValue() const { return min_; }
  std::int64_t MaxValue() const { return max_; }

 protected:
  int DefaultWidth() const override { return 11; }
  Variant ConvertValue(const Variant& value) const override;
  AnsiString GetAsString() const override;
  void SetRange(std::int64_t min, std::int64_t max) {
    min_ = min;
    max_ = max;
  }

 private:
  std::int64_t min_;
  std::int64_t max_;
};

class TSmallintField : public TIntegerField {
  VCL_DECLARE_COMPONENT(TSmallintField)
 public:
  explicit TSmallintField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
  VCL_DECLARE_COMPONENT(TWordField)
 public:
  explicit TWordField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return 6; }
};

class TLargeintField : public TIntegerField {
  VCL_DECLARE_COMPONENT(TLargeintField)
 public:
  explicit TLargeintField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return 15; }
};

// Floating-point numbers. DisplayFormat (optional) formats the display text: '0' a digit
// always shown, '#' a digit shown when significant, '.' the decimal point, ',' thousands
// separators; other characters are copied ("#,##0.00", "0.0 kg").
class TFloatField : public TField {
  VCL_DECLARE_COMPONENT(TFloatField)
 public:
  explicit TFloatField(TComponent* owner);
  const AnsiString& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const AnsiString& format) { displayFormat_ = format; }

 protected:
  Variant ConvertValue(const Variant& value) const override;
  AnsiString GetAsString() const override;
  AnsiString GetText(bool displayText) const override;

 private:
  AnsiString displayFormat_;
};

class TCurrencyField : public TFloatField {
  VCL_DECLARE_COMPONENT(TCurrencyField)
 public:
  explicit TCurrencyField(TComponent* owner);
};

// Date-times: AsString is DateTimeToStr; DisplayFormat (FormatDateTime patterns, optional)
// formats the display text.
class TDateTimeField : public TField {
  VCL_DECLARE_COMPONENT(TDateTimeField)
 public:
  explicit TDateTimeField(TComponent* owner);
  const AnsiString& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const AnsiString& format) { displayFormat_ = format; }

 protected:
  int DefaultWidth() const override { return 18; }
  Variant ConvertValue(const Variant& value) const override;
  AnsiString GetAsString() const override;
  AnsiString GetText(bool displayText) const override;
  // Text of a date-time without a display format.
  virtual AnsiString FormatValue(TDateTime value) const;

 private:
  AnsiString displayFormat_;
};

// Dates without a time of day (a time part is dropped): AsString is DateToStr.
class TDateField : public TDateTimeField {
  VCL_DECLARE_COMPONENT(TDateField)
 public:
  explicit TDateField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return 10; }
  Variant ConvertValue(const Variant& value) const override;
  AnsiString FormatValue(TDateTime value) const override;
};

// Times of day: AsString is TimeToStr.
class TTimeField : public TDateTimeField {
  VCL_DECLARE_COMPONENT(TTimeField)
 public:
  explicit TTimeField(TComponent* owner);

 protected:
  int DefaultWidth() const override { return 10; }
  AnsiString FormatValue(TDateTime value) const override;
};

// Booleans shown and read as DisplayValues "<true text>;<false text>" (default
// "True;False"); setting the text compares with those texts ignoring case.
class TBooleanField : public TField {
  VCL_DECLARE_COMPONENT(TBooleanField)
 public:
  explicit TBooleanField(TComponent* owner);
  const AnsiString& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const AnsiString& values);

 protected:
  int DefaultWidth() const override { return 5; }
  Variant ConvertValue(const Variant& value) const override;
  AnsiString GetAsString() const override;

 private:
  AnsiString displayValues_ = "True;False";
  AnsiString trueText_ = "True";
  AnsiString falseText_ = "False";
};

// Text of any length.
class TMemoField : public TField {
  VCL_DECLARE_COMPONENT(TMemoField)
 public:
  explicit TMemoField(TComponent* owner);

 protected:
  Variant ConvertValue(const Variant& value) const override;
};

// The field class a data set creates for a field type (TStringField for ftString ...);
// nullptr for ftUnknown.
const TClass* DefaultFieldClass(TFieldType type);

// The fields of a data set, in order.
class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  int Count() const { return static_cast<int>(list_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TField* Fields(int index) const;
  TField* operator[](int index) const { return Fields(index); }
  // By field name, ignoring case; nullptr when absent.
  TField* FindField(std::string_view name) const;
  // Raises EDatabaseError "Field '<name>' not found".
  TField* FieldByName(std::string_view name) const;
  int IndexOf(const TField* field) const;
  TDataSet* DataSet() const { return dataSet_; }

 private:
  friend class TField;
  friend class TDataSet;
  TDataSet* dataSet_;
  std::vector<TField*> list_;
};

// A column of the record store: what a data set creates its fields from.
struct TFieldDef {
  AnsiString Name;
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;
  bool Required = false;
  AnsiString DisplayLabel;  // "" means the name
  int DisplayWidth = 0;     // 0 means the type's default
  bool Visible = true;
};

class TFieldDefs {
 public:
  int Count() const { return static_cast<int>(defs_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  const TFieldDef& Items(int index) const;
  TFieldDef& Items(int index);
  const TFieldDef& operator[](int index) const { return Items(index); }
  // Adds a definition; a name already present raises EDatabaseError "Duplicate field name
  // '<name>'".
  TFieldDef& Add(const AnsiString& name, TFieldType type, int size = 0, bool required = false);
  void Add(const TFieldDef& def);
  // Index by name ignoring case, or -1.
  int IndexOf(std::string_view name) const;
  const TFieldDef* Find(std::string_view name) const;
  void Clear() { defs_.clear(); }

 private:
  std::vector<TFieldDef> defs_;
};

// Indexes order the records of a data set by fields ("A;B;C").
enum TIndexOption : std::uint8_t {
  ixPrimary = 1,
  ixUnique = 2,
  ixDescending = 4,
  ixCaseInsensitive = 8,
};
using TIndexOptions = std::uint8_t;

struct TIndexDef {
  AnsiString Name;
  AnsiString Fields;
  TIndexOptions Options = 0;
};

class TIndexDefs {
 public:
  int Count() const { return static_cast<int>(defs_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  const TIndexDef& Items(int index) const;
  const TIndexDef& operator[](int index) const { return Items(index); }
  // Adds (or replaces, by name ignoring case) an index.
  void Add(const AnsiString& name, const AnsiString& fields, TIndexOptions options = 0);
  int IndexOf(std::string_view name) const;
  const TIndexDef* Find(std::string_view name) const;
  void Clear() { defs_.clear(); }

 private:
  std::vector<TIndexDef> defs_;
};

// Splits "A;B;C" into its names (blanks around names ignored, empty names dropped).
std::vector<AnsiString> SplitFieldNames(std::string_view names);

// ---------------------------------------------------------------------------------------
// Data sets

// Records with a cursor. Bof is true after First (or a move before the first record), Eof
// after Last (or a move past the last record); both are true for an empty data set.
// Operations on a closed data set raise EDatabaseError "Cannot perform this operation on a
// closed dataset"; on one without records where a record is needed, "Cannot perform this
// operation on an empty dataset".
class TDataSet : public TComponent {
  VCL_DECLARE_COMPONENT(TDataSet)
 public:
  explicit TDataSet(TComponent* owner);
  // Closes the data set; data sources forget it and persistent fields leave it.
  ~TDataSet() override;

  TFields* Fields() const { return fields_; }
  TFieldDefs* FieldDefs() const { return fieldDefs_; }
  int FieldCount() const { return fields_->Count(); }
  TField* FindField(std::string_view name) const { return fields_->FindField(name); }
  TField* FieldByName(std::string_view name) const { return fields_->FieldByName(name); }
  // Field names in order.
  void GetFieldNames(TStrings* list) const;

  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  // True when a field of the record being edited or inserted was set.
  bool Modified() const { return modified_; }

  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by `distance` records (clamped to the records); returns the distance moved.
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // Records visible through the filter.
  int RecordCount() const;
  // Position of the current record (1-based; 0 without records). Setting it moves there
  // (clamped to the records).
  int RecNo() const;
  void SetRecNo(int recNo);
  bool IsEmpty() const;

  // Moves to the first visible record whose fields `keyFields` ("A;B") equal `keyValues`
  // (a single value, or an array with one value per field). loCaseInsensitive compares
  // texts ignoring case; loPartialKey lets a text match a prefix. False (without moving)
  // when none does. Unknown fields raise EDatabaseError "Field '<name>' not found".
  bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options = 0);
  // The values of `resultFields` (one value, or an array for several) of the first
  // record matching like Locate with no options, without moving; Null when none matches.
  Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                 std::string_view resultFields);

  // Edit on a data set without records inserts. A data set that cannot be modified
  // raises EDatabaseError "Cannot modify a read-only dataset".
  void Edit();
  // Starts a new record before the current one (Insert) or after the last (Append).
  void Insert();
  void Append();
  // Writes the record being edited or inserted; required fields that are null raise
  // EDatabaseError "Field '<label>' must have a value" and the data set stays in its state.
  void Post();
  void Cancel();
  void Delete();
  // Appends or inserts a record with `values` in field order (an empty Variant leaves the
  // field null) and posts it.
  void AppendRecord(const std::vector<Variant>& values);
  void InsertRecord(const std::vector<Variant>& values);
  // Sets the fields of the current record in order (an empty Variant leaves a field alone).
  void SetFields(const std::vector<Variant>& values);
  // Writes pending control values into the fields (data links' UpdateData).
  void UpdateRecord();
  // Posts a modified record being edited or inserted, cancels an unmodified one.
  void CheckBrowseMode();
  // Reloads the records; the cursor stays at the same position (clamped).
  virtual void Refresh();

  // Filtered records (OnFilterRecord sets accept to false) are invisible to navigation,
  // RecordCount, Locate and Lookup. Setting Filtered (or calling Refilter) reapplies the
  // filter and moves to the first visible record.
  bool Filtered() const { return filtered_; }
  void SetFiltered(bool value);
  void Refilter();

  // While disabled (calls nest), data sources hear nothing; the last EnableControls tells
  // them once that the data changed (and the state, when it changed).
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // Field values by name ("A;B" reads an array); setting needs edit or insert mode.
  Variant FieldValues(std::string_view fieldNames) const;
  void SetFieldValues(std::string_view fieldName, const Variant& value);

  virtual bool CanModify() const { return true; }
  // Raises EDatabaseError "Cannot perform this operation on a closed dataset".
  void CheckActive() const;
  // Raises EDatabaseError "Cannot perform this operation on an open dataset".
  void CheckInactive() const;

  // Bookmarks of the current record; going to one that was deleted or filtered out raises
  // EDatabaseError "Record not found".
  TBookmark GetBookmark() const;
  bool BookmarkValid(TBookmark bookmark) const;
  void GotoBookmark(TBookmark bookmark);

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord;
  TFilterRecordEvent OnFilterRecord;

 protected:
  // Supplies the field definitions (FieldDefs) and the records (LoadRecords); raising leaves
  // the data set closed.
  virtual void InternalOpen() = 0;
  virtual void InternalClose() {}
  // Reloads the records for Refresh (default: nothing).
  virtual void InternalRefresh() {}
  // Orders the record slots of the view (natural order on entry); the default keeps them.
  virtual void OrderRecords(std::vector<int>& slots) const {}
  // An existing record is about to be overwritten by Post (its old values are still there).
  virtual void RecordModifying(int slot) {}
  // A record was posted (inserted: a new slot), or deleted (its values stay in the store).
  virtual void RecordPosted(int slot, bool inserted) {}
  virtual void RecordDeleted(int slot) {}
  virtual void DoAfterOpen() { AfterOpen(this); }
  // A data set made active while its form loads opens once loading ends.
  void Loaded() override;

  // The record store: slot s holds columns [s * ColumnCount(), (s + 1) * ColumnCount()) of
  // StoreData(); StoreRows() lists the live slots in natural order. Columns follow
  // FieldDefs.
  int ColumnCount() const { return columns_; }
  std::vector<Variant>& StoreData() { return data_; }
  const std::vector<Variant>& StoreData() const { return data_; }
  std::vector<int>& StoreRows() { return rows_; }
  const std::vector<int>& StoreRows() const { return rows_; }
  const Variant& StoreValue(int slot, int column) const {
    return data_[static_cast<size_t>(slot) * static_cast<size_t>(columns_) +
                 static_cast<size_t>(column)];
  }
  // Replaces the store with `rowCount` rows of `values` (row-major, FieldDefs order).
  void LoadRecords(std::vector<Variant>&& values, int rowCount);
  // Rebuilds the view (order and filter) after the store changed and puts the cursor on
  // `slot` when it is visible, otherwise at the same position (clamped). Tells the data
  // sources that the data changed.
  void Resync(int slot);
  // The slot of the current record, or -1.
  int CurrentSlot() const;
  // The visible slots in view order.
  const std::vector<int>& ViewSlots() const { return view_; }
  // True when `slot` passes the filter (runs OnFilterRecord with the fields on that slot).
  bool RecordVisible(int slot);
  // Moves the cursor to view position `index` with the scroll events.
  void MoveToIndex(int index);

  void SetState(TDataSetState state);
  void DataEvent(TDataEvent event, TField* field = nullptr);
  // The field value store of the current record for `field` (Null when none).
  const Variant& FieldData(const TField* field) const;
  void SetFieldData(TField* field, const Variant& value);

 private:
  friend class TField;
  friend class TDataSource;
  void OpenCursor();
  void CloseCursor();
  void BindFields();
  // Binds the fields again after the definitions were reloaded (Refresh).
  void RebindFields();
  void DestroyDefaultFields();
  void CheckEditMode(const TField* field) const;
  void CheckCanModify() const;
  void CheckNotEmpty() const;
  void BeginInsert(bool append);
  void RebuildView();
  std::vector<TField*> FieldList(std::string_view names) const;
  // The first visible view index matching, or -1.
  int FindRecord(const std::vector<TField*>& fields, const Variant& values, TLocateOptions options);
  bool MatchSlot(int slot, const std::vector<TField*>& fields, const Variant& values,
                 TLocateOptions options) const;
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);

  TFields* fields_;
  TFieldDefs* fieldDefs_;
  TDataSetState state_ = TDataSetState::dsInactive;
  bool defaultFields_ = false;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool filtered_ = false;
  bool streamedActive_ = false;
  int disableCount_ = 0;
  bool stateChangedWhileDisabled_ = false;
  TDataSetState stateBeforeDisable_ = TDataSetState::dsInactive;

  int columns_ = 0;
  std::vector<Variant> data_;    // slots * columns_
  std::vector<int> rows_;        // live slots, natural order
  std::vector<int> view_;        // visible slots, view order
  int cursor_ = -1;              // index into view_
  std::vector<Variant> buffer_;  // the record being edited or inserted
  int editSlot_ = -1;            // the slot being edited
  int insertBefore_ = -1;        // slot an inserted record goes before; -1 appends
  int filterSlot_ = -1;          // the slot the filter handler reads
  std::vector<TDataSource*> dataSources_;
};

// ---------------------------------------------------------------------------------------
// Data sources and data links

// Connects a data set to data links (data-aware controls) and runs OnDataChange when the
// data or the current record changes (with the field for a field change, else nullptr),
// OnStateChange when the state changes, OnUpdateData before a record is posted.
class TDataSource : public TComponent {
  VCL_DECLARE_COMPONENT(TDataSource)
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  // A disabled data source tells its links that the data set is inactive.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Controls may put the data set into edit mode when the user types.
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool value) { autoEdit_ = value; }
  // The data set's state (dsInactive without an enabled, active data set).
  TDataSetState State() const;
  // Puts the data set into edit mode when AutoEdit is on and it is browsing.
  void Edit();
  int DataLinkCount() const { return static_cast<int>(links_.size()); }

  TDataChangeEvent OnDataChange;
  TNotifyEvent OnStateChange;
  TNotifyEvent OnUpdateData;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, TField* field);
  // Tells every link to look at the data set's activity and state again.
  void NotifyLinksOfState();
  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  bool autoEdit_ = true;
  TDataSetState lastState_ = TDataSetState::dsInactive;
  std::vector<TDataLink*> links_;
};

// Follows a data source: subclasses override the notifications they need.
class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  // Leaves the data source.
  virtual ~TDataLink();

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The data source is enabled and its data set is open.
  bool Active() const { return active_; }
  // The data set is in edit or insert mode (and the link is active and not read-only).
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // Puts the data set into edit mode when the data source allows it; true when editing.
  bool Edit();
  // Asks the link to write its pending value (UpdateData), once.
  void UpdateRecord();

 protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  // The current record changed: `field` for one field, nullptr for the whole record.
  virtual void RecordChanged(TField* field) {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) { DataSetChanged(); }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void UpdateData() {}
  virtual void CheckBrowseMode() {}

 private:
  friend class TDataSource;
  void DataEvent(TDataEvent event, TField* field);
  void UpdateState();
  TDataSource* source_ = nullptr;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
};

// A data link for one field of the data set, used by controls that show a field.
class TFieldDataLink : public TDataLink {
 public:
  const AnsiString& FieldName() const { return fieldName_; }
  void SetFieldName(const AnsiString& name);
  // The field, when the data set is active and has it.
  TField* Field() const { return field_; }
  // The field exists and both it and the data set can be modified.
  bool CanModify() const;
  // The control changed its value: it is written to the field on UpdateRecord.
  void Modified() { modified_ = true; }
  bool IsModified() const { return modified_; }
  // Forgets the control's change and shows the field again.
  void Reset();

  // The control that owns the link (for messages).
  TComponent* Control = nullptr;
  // Show the field's value (the record or field changed).
  TNotifyEvent OnDataChange;
  // Editing started or ended.
  TNotifyEvent OnEditingChange;
  // Write the control's value into the field.
  TNotifyEvent OnUpdateData;
  // The data set opened or closed (the field was looked up again).
  TNotifyEvent OnActiveChange;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void RecordChanged(TField* field) override;
  void LayoutChanged() override;
  void UpdateData() override;

 private:
  void UpdateField();
  AnsiString fieldName_;
  TField* field_ = nullptr;
  bool modified_ = false;
};

}  // namespace vcl
