#include "platform/db/DB.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

[[noreturn]] void DatabaseError(const AnsiString& message) {
  throw EDatabaseError(message);
}

bool IsNullish(const Variant& v) {
  const Variant& d = v.Deref();
  return d.IsNull() || d.IsEmpty();
}

bool IsTextType(TFieldType type) {
  return type == TFieldType::ftString || type == TFieldType::ftWideString ||
         type == TFieldType::ftMemo;
}

[[noreturn]] void ListIndexError(int index) {
  throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

// Formats `value` with a pattern of '0', '#', '.', ',' placeholders and literal text around
// them (one section).
AnsiString FormatNumber(std::string_view format, double value) {
  const auto isPlaceholder = [](char c) { return c == '0' || c == '#' || c == '.' || c == ','; };
  size_t first = 0;
  while (first < format.size() && !isPlaceholder(format[first])) ++first;
  if (first == format.size()) return AnsiString(format);
  size_t last = first;
  while (last < format.size() && isPlaceholder(format[last])) ++last;
  const std::string_view prefix = format.substr(0, first);
  const std::string_view body = format.substr(first, last - first);
  const std::string_view suffix = format.substr(last);

  const size_t point = body.find('.');
  const std::string_view intPart = body.substr(0, point);
  const std::string_view fracPart =
      point == std::string_view::npos ? std::string_view() : body.substr(point + 1);
  const bool thousands = intPart.find(',') != std::string_view::npos;
  const int minInt = static_cast<int>(std::count(intPart.begin(), intPart.end(), '0'));
  const int minFrac = static_cast<int>(std::count(fracPart.begin(), fracPart.end(), '0'));
  const int maxFrac = minFrac + static_cast<int>(std::count(fracPart.begin(), fracPart.end(), '#'));

  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", maxFrac, std::fabs(value));
  std::string digits = buffer;
  const size_t dot = digits.find('.');
  std::string intDigits = digits.substr(0, dot);
  std::string fracDigits = dot == std::string::npos ? std::string() : digits.substr(dot + 1);
  while (static_cast<int>(fracDigits.size()) > minFrac && fracDigits.back() == '0')
    fracDigits.pop_back();
  const bool negative = value < 0 && (intDigits.find_first_not_of('0') != std::string::npos ||
                                      fracDigits.find_first_not_of('0') != std::string::npos);
  size_t lead = 0;
  while (lead < intDigits.size() && intDigits[lead] == '0') ++lead;
  intDigits.erase(0, lead);
  while (static_cast<int>(intDigits.size()) < minInt) intDigits.insert(intDigits.begin(), '0');
  if (thousands) {
    for (int i = static_cast<int>(intDigits.size()) - 3; i > 0; i -= 3)
      intDigits.insert(static_cast<size_t>(i), 1, ',');
  }
  AnsiString result(prefix);
  if (negative) result += '-';
  result += intDigits;
  if (!fracDigits.empty()) {
    result += DecimalSeparator;
    result += fracDigits;
  }
  result += suffix;
  return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TField

VCL_IMPLEMENT_ABSTRACT_COMPONENT(TField, TComponent)

void TField::Publish(TPublisher& p) {
  p.String("FieldName", &TField::FieldName, &TField::SetFieldName);
  p.String("DisplayLabel", &TField::DisplayLabel, &TField::SetDisplayLabel);
  p.Integer("DisplayWidth", &TField::DisplayWidth, &TField::SetDisplayWidth);
  p.Integer("Size", &TField::Size, &TField::SetSize);
  p.Bool("Visible", &TField::Visible, &TField::SetVisible);
  p.Bool("ReadOnly", &TField::ReadOnly, &TField::SetReadOnly);
  p.Bool("Required", &TField::Required, &TField::SetRequired);
  p.Enum("Alignment", TypeAlignment(), &TField::Alignment, &TField::SetAlignment);
  p.Integer("Index", &TField::Index, &TField::SetIndex);
  p.Event("OnChange", "TFieldNotifyEvent", &TField::OnChange);
  p.Event("OnValidate", "TFieldNotifyEvent", &TField::OnValidate);
  p.Event("OnGetText", "TFieldGetTextEvent", &TField::OnGetText);
  p.Event("OnSetText", "TFieldSetTextEvent", &TField::OnSetText);
}

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  if (dataSet_) {
    TDataSet* dataSet = dataSet_;
    auto& list = dataSet->fields_->list_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    dataSet_ = nullptr;
    // Links that show this field look their field up again.
    if (dataSet->Active()) dataSet->DataEvent(TDataEvent::deLayoutChange);
  }
}

void TField::SetFieldName(const AnsiString& name) {
  if (name == fieldName_) return;
  if (dataSet_) {
    dataSet_->CheckInactive();
    TField* other = dataSet_->FindField(name);
    if (other && other != this) DatabaseError("Duplicate field name '" + name + "'");
  }
  fieldName_ = name;
}

void TField::SetSize(int size) {
  size_ = size < 0 ? 0 : size;
}

int TField::Index() const {
  return dataSet_ ? dataSet_->fields_->IndexOf(this) : -1;
}

void TField::SetIndex(int index) {
  if (!dataSet_) return;
  auto& list = dataSet_->fields_->list_;
  const int count = static_cast<int>(list.size());
  index = std::clamp(index, 0, count - 1);
  const int current = Index();
  if (current == index) return;
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
  if (dataSet_->Active()) dataSet_->DataEvent(TDataEvent::deLayoutChange);
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) dataSet_->CheckInactive();
  if (dataSet) {
    dataSet->CheckInactive();
    if (!fieldName_.empty() && dataSet->FindField(fieldName_))
      DatabaseError("Duplicate field name '" + fieldName_ + "'");
  }
  if (dataSet_) {
    auto& list = dataSet_->fields_->list_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  dataSet_ = dataSet;
  fieldNo_ = 0;
  if (dataSet_) dataSet_->fields_->list_.push_back(this);
}

bool TField::CanModify() const {
  return !readOnly_ && dataSet_ && dataSet_->CanModify();
}

const Variant& TField::Data() const {
  return dataSet_ ? dataSet_->FieldData(this) : Null;
}

bool TField::IsNull() const {
  return IsNullish(Data());
}

Variant TField::Value() const {
  const Variant& v = Data();
  return IsNullish(v) ? Null : v.Deref();
}

void TField::SetValue(const Variant& value) {
  if (!dataSet_) DatabaseError("Field '" + fieldName_ + "' has no dataset");
  dataSet_->SetFieldData(this, value);
}

void TField::SetAsString(const AnsiString& text) {
  if (text.empty())
    SetValue(Null);
  else
    SetValue(Variant(text));
}

void TField::ConversionError(std::string_view text, std::string_view kind) const {
  DatabaseError("'" + AnsiString(text) + "' is not a valid " + AnsiString(kind) +
                " value for field '" + fieldName_ + "'");
}

Variant TField::ConvertValue(const Variant& value) const {
  return value.Deref();
}

AnsiString TField::GetAsString() const {
  return VarToStr(Data().Deref());
}

std::int64_t TField::AsLargeInt() const {
  const Variant& v = Data().Deref();
  if (IsNullish(v)) return 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    std::int64_t result = 0;
    if (!TryStrToInt64(Trim(text), result)) ConversionError(text, "integer");
    return result;
  }
  try {
    return v.AsInt64();
  } catch (const EVariantError&) {
    ConversionError(VarToStr(v), "integer");
  }
}

int TField::AsInteger() const {
  const std::int64_t value = AsLargeInt();
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
    ConversionError(IntToStr(value), "integer");
  return static_cast<int>(value);
}

double TField::AsFloat() const {
  const Variant& v = Data().Deref();
  if (IsNullish(v)) return 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    double result = 0;
    if (!TryStrToFloat(Trim(text), result)) ConversionError(text, "floating point");
    return result;
  }
  try {
    return v.AsDouble();
  } catch (const EVariantError&) {
    ConversionError(VarToStr(v), "floating point");
  }
}

TDateTime TField::AsDateTime() const {
  const Variant& v = Data().Deref();
  if (IsNullish(v)) return 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    TDateTime result = 0;
    if (!TryStrToDateTime(Trim(text), result)) ConversionError(text, "date and time");
    return result;
  }
  try {
    return v.AsDateTime();
  } catch (const EVariantError&) {
    ConversionError(VarToStr(v), "date and time");
  }
}

bool TField::AsBoolean() const {
  const Variant& v = Data().Deref();
  if (IsNullish(v)) return false;
  try {
    return v.AsBoolean();
  } catch (const EVariantError&) {
    ConversionError(VarToStr(v), "boolean");
  }
}

AnsiString TField::GetTextOf(bool displayText) const {
  if (OnGetText) {
    AnsiString text;
    OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
  }
  return GetText(displayText);
}

void TField::SetText(const AnsiString& text) {
  if (OnSetText)
    OnSetText(this, text);
  else
    SetAsString(text);
}

void TField::CheckRequired() const {
  if (required_ && IsNull()) DatabaseError("Field '" + DisplayLabel() + "' must have a value");
}

// ---- TStringField ---------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TStringField, TField)
void TStringField::Publish(TPublisher&) {}

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(TFieldType::ftString);
  SetSize(20);
}

Variant TStringField::ConvertValue(const Variant& value) const {
  AnsiString text = VarToStr(value.Deref());
  const size_t limit = static_cast<size_t>(Size());
  if (limit > 0 && text.size() > limit) {
    // Cut at a character boundary: a double-byte character is kept whole or dropped.
    size_t end = 0;
    while (end < text.size()) {
      const size_t step =
          IsDBCSLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2 : 1;
      if (end + step > limit) break;
      end += step;
    }
    text.resize(end);
  }
  if (text.empty()) return Null;
  return Variant(std::move(text));
}

VCL_IMPLEMENT_COMPONENT(TWideStringField, TStringField)
void TWideStringField::Publish(TPublisher&) {}

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner) {
  SetDataType(TFieldType::ftWideString);
}

// ---- Integer fields -------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TIntegerField, TField)
void TIntegerField::Publish(TPublisher&) {}

TIntegerField::TIntegerField(TComponent* owner)
    : TField(owner), min_(std::numeric_limits<int>::min()), max_(std::numeric_limits<int>::max()) {
  SetDataType(TFieldType::ftInteger);
  SetAlignment(TAlignment::taRightJustify);
}

Variant TIntegerField::ConvertValue(const Variant& value) const {
  const Variant& v = value.Deref();
  std::int64_t result = 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    if (!TryStrToInt64(Trim(text), result)) ConversionError(text, "integer");
  } else {
    try {
      result = v.AsInt64();
    } catch (const EVariantError&) {
      ConversionError(VarToStr(v), "integer");
    }
  }
  if (result < min_ || result > max_)
    DatabaseError(IntToStr(result) + " is not a valid value for field '" + FieldName() +
                  "'. The allowed range is " + IntToStr(min_) + " to " + IntToStr(max_));
  return Variant(static_cast<long long>(result));
}

AnsiString TIntegerField::GetAsString() const {
  return IntToStr(AsLargeInt());
}

VCL_IMPLEMENT_COMPONENT(TSmallintField, TIntegerField)
void TSmallintField::Publish(TPublisher&) {}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(TFieldType::ftSmallint);
  SetRange(-32768, 32767);
}

VCL_IMPLEMENT_COMPONENT(TWordField, TIntegerField)
void TWordField::Publish(TPublisher&) {}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(TFieldType::ftWord);
  SetRange(0, 65535);
}

VCL_IMPLEMENT_COMPONENT(TLargeintField, TIntegerField)
void TLargeintField::Publish(TPublisher&) {}

TLargeintField::TLargeintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(TFieldType::ftLargeint);
  SetRange(std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
}

// ---- TFloatField ----------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TFloatField, TField)

void TFloatField::Publish(TPublisher& p) {
  p.String("DisplayFormat", &TFloatField::DisplayFormat, &TFloatField::SetDisplayFormat);
}

TFloatField::TFloatField(TComponent* owner) : TField(owner) {
  SetDataType(TFieldType::ftFloat);
  SetAlignment(TAlignment::taRightJustify);
}

Variant TFloatField::ConvertValue(const Variant& value) const {
  const Variant& v = value.Deref();
  double result = 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    if (!TryStrToFloat(Trim(text), result)) ConversionError(text, "floating point");
  } else {
    try {
      result = v.AsDouble();
    } catch (const EVariantError&) {
      ConversionError(VarToStr(v), "floating point");
    }
  }
  return Variant(result);
}

AnsiString TFloatField::GetAsString() const {
  return FloatToStr(AsFloat());
}

AnsiString TFloatField::GetText(bool displayText) const {
  if (IsNull()) return AnsiString();
  if (displayText && !displayFormat_.empty()) return FormatNumber(displayFormat_, AsFloat());
  return AsString();
}

VCL_IMPLEMENT_COMPONENT(TCurrencyField, TFloatField)
void TCurrencyField::Publish(TPublisher&) {}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(TFieldType::ftCurrency);
}

// ---- Date-time fields -----------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TDateTimeField, TField)

void TDateTimeField::Publish(TPublisher& p) {
  p.String("DisplayFormat", &TDateTimeField::DisplayFormat, &TDateTimeField::SetDisplayFormat);
}

TDateTimeField::TDateTimeField(TComponent* owner) : TField(owner) {
  SetDataType(TFieldType::ftDateTime);
}

Variant TDateTimeField::ConvertValue(const Variant& value) const {
  const Variant& v = value.Deref();
  TDateTime result = 0;
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    if (!TryStrToDateTime(Trim(text), result))
      ConversionError(text, DataType() == TFieldType::ftTime ? "time" : "date and time");
  } else {
    try {
      result = v.AsDateTime();
    } catch (const EVariantError&) {
      ConversionError(VarToStr(v), "date and time");
    }
  }
  return Variant::FromDate(result);
}

AnsiString TDateTimeField::GetAsString() const {
  return FormatValue(AsDateTime());
}

AnsiString TDateTimeField::GetText(bool displayText) const {
  if (IsNull()) return AnsiString();
  if (displayText && !displayFormat_.empty()) return FormatDateTime(displayFormat_, AsDateTime());
  return AsString();
}

AnsiString TDateTimeField::FormatValue(TDateTime value) const {
  return DateTimeToStr(value);
}

VCL_IMPLEMENT_COMPONENT(TDateField, TDateTimeField)
void TDateField::Publish(TPublisher&) {}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner) {
  SetDataType(TFieldType::ftDate);
}

Variant TDateField::ConvertValue(const Variant& value) const {
  const Variant& v = value.Deref();
  if (VarIsStr(v)) {
    const AnsiString text = v.AsString();
    TDateTime result = 0;
    if (!TryStrToDate(Trim(text), result) && !TryStrToDateTime(Trim(text), result))
      ConversionError(text, "date");
    return Variant::FromDate(std::trunc(result));
  }
  return Variant::FromDate(std::trunc(TDateTimeField::ConvertValue(v).AsDateTime()));
}

AnsiString TDateField::FormatValue(TDateTime value) const {
  return DateToStr(value);
}

VCL_IMPLEMENT_COMPONENT(TTimeField, TDateTimeField)
void TTimeField::Publish(TPublisher&) {}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner) {
  SetDataType(TFieldType::ftTime);
}

AnsiString TTimeField::FormatValue(TDateTime value) const {
  return TimeToStr(value);
}

// ---- TBooleanField --------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TBooleanField, TField)

void TBooleanField::Publish(TPublisher& p) {
  p.String("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
  SetDataType(TFieldType::ftBoolean);
}

void TBooleanField::SetDisplayValues(const AnsiString& values) {
  const size_t semi = values.find(';');
  if (semi == AnsiString::npos) {
    trueText_ = values;
    falseText_.clear();
  } else {
    trueText_ = values.substr(0, semi);
    falseText_ = values.substr(semi + 1);
  }
  displayValues_ = values;
}

Variant TBooleanField::ConvertValue(const Variant& value) const {
  const Variant& v = value.Deref();
  if (VarIsStr(v)) {
    const AnsiString text = Trim(v.AsString());
    if (!trueText_.empty() && AnsiSameText(text, trueText_)) return Variant(true);
    if (!falseText_.empty() && AnsiSameText(text, falseText_)) return Variant(false);
    if (SameText(text, "True")) return Variant(true);
    if (SameText(text, "False")) return Variant(false);
    ConversionError(v.AsString(), "boolean");
  }
  try {
    return Variant(v.AsBoolean());
  } catch (const EVariantError&) {
    ConversionError(VarToStr(v), "boolean");
  }
}

AnsiString TBooleanField::GetAsString() const {
  return AsBoolean() ? trueText_ : falseText_;
}

// ---- TMemoField -----------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TMemoField, TField)
void TMemoField::Publish(TPublisher&) {}

TMemoField::TMemoField(TComponent* owner) : TField(owner) {
  SetDataType(TFieldType::ftMemo);
}

Variant TMemoField::ConvertValue(const Variant& value) const {
  AnsiString text = VarToStr(value.Deref());
  if (text.empty()) return Null;
  return Variant(std::move(text));
}

const TClass* DefaultFieldClass(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
      return TStringField::StaticClass();
    case TFieldType::ftWideString:
      return TWideStringField::StaticClass();
    case TFieldType::ftSmallint:
      return TSmallintField::StaticClass();
    case TFieldType::ftInteger:
      return TIntegerField::StaticClass();
    case TFieldType::ftWord:
      return TWordField::StaticClass();
    case TFieldType::ftLargeint:
      return TLargeintField::StaticClass();
    case TFieldType::ftBoolean:
      return TBooleanField::StaticClass();
    case TFieldType::ftFloat:
      return TFloatField::StaticClass();
    case TFieldType::ftCurrency:
      return TCurrencyField::StaticClass();
    case TFieldType::ftDate:
      return TDateField::StaticClass();
    case TFieldType::ftTime:
      return TTimeField::StaticClass();
    case TFieldType::ftDateTime:
      return TDateTimeField::StaticClass();
    case TFieldType::ftMemo:
      return TMemoField::StaticClass();
    case TFieldType::ftUnknown:
      break;
  }
  return nullptr;
}

namespace {

// Field and data classes can be found by class name (forms create them that way).
const bool registered = [] {
  for (const TClass* cls :
       {TStringField::StaticClass(), TWideStringField::StaticClass(), TIntegerField::StaticClass(),
        TSmallintField::StaticClass(), TWordField::StaticClass(), TLargeintField::StaticClass(),
        TFloatField::StaticClass(), TCurrencyField::StaticClass(), TDateTimeField::StaticClass(),
        TDateField::StaticClass(), TTimeField::StaticClass(), TBooleanField::StaticClass(),
        TMemoField::StaticClass(), TDataSource::StaticClass()})
    RegisterClass(cls);
  return true;
}();

}  // namespace

// ---------------------------------------------------------------------------------------
// Field, field definition and index lists

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return list_[static_cast<size_t>(index)];
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* f : list_)
    if (SameText(f->FieldName(), name)) return f;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* f = FindField(name);
  if (!f) DatabaseError("Field '" + AnsiString(name) + "' not found");
  return f;
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(list_.begin(), list_.end(), field);
  return it == list_.end() ? -1 : static_cast<int>(it - list_.begin());
}

const TFieldDef& TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return defs_[static_cast<size_t>(index)];
}

TFieldDef& TFieldDefs::Items(int index) {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return defs_[static_cast<size_t>(index)];
}

TFieldDef& TFieldDefs::Add(const AnsiString& name, TFieldType type, int size, bool required) {
  TFieldDef def;
  def.Name = name;
  def.DataType = type;
  def.Size = size;
  def.Required = required;
  Add(def);
  return defs_.back();
}

void TFieldDefs::Add(const TFieldDef& def) {
  if (IndexOf(def.Name) >= 0) DatabaseError("Duplicate field name '" + def.Name + "'");
  defs_.push_back(def);
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (SameText(defs_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &defs_[static_cast<size_t>(i)];
}

const TIndexDef& TIndexDefs::Items(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
  return defs_[static_cast<size_t>(index)];
}

void TIndexDefs::Add(const AnsiString& name, const AnsiString& fields, TIndexOptions options) {
  TIndexDef def{name, fields, options};
  const int i = IndexOf(name);
  if (i >= 0)
    defs_[static_cast<size_t>(i)] = std::move(def);
  else
    defs_.push_back(std::move(def));
}

int TIndexDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (SameText(defs_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

const TIndexDef* TIndexDefs::Find(std::string_view name) const {
  const int i = IndexOf(name);
  return i < 0 ? nullptr : &defs_[static_cast<size_t>(i)];
}

std::vector<AnsiString> SplitFieldNames(std::string_view names) {
  std::vector<AnsiString> result;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    AnsiString name = Trim(names.substr(start, end - start));
    if (!name.empty()) result.push_back(std::move(name));
    start = end + 1;
  }
  return result;
}

// ---------------------------------------------------------------------------------------
// TDataSet

VCL_IMPLEMENT_ABSTRACT_COMPONENT(TDataSet, TComponent)

void TDataSet::Publish(TPublisher& p) {
  p.Bool("Active", &TDataSet::Active, &TDataSet::SetActive);
  p.Bool("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered);
  p.Event("BeforeOpen", "TDataSetNotifyEvent", &TDataSet::BeforeOpen);
  p.Event("AfterOpen", "TDataSetNotifyEvent", &TDataSet::AfterOpen);
  p.Event("BeforeClose", "TDataSetNotifyEvent", &TDataSet::BeforeClose);
  p.Event("AfterClose", "TDataSetNotifyEvent", &TDataSet::AfterClose);
  p.Event("BeforePost", "TDataSetNotifyEvent", &TDataSet::BeforePost);
  p.Event("AfterPost", "TDataSetNotifyEvent", &TDataSet::AfterPost);
  p.Event("BeforeCancel", "TDataSetNotifyEvent", &TDataSet::BeforeCancel);
  p.Event("AfterCancel", "TDataSetNotifyEvent", &TDataSet::AfterCancel);
  p.Event("BeforeInsert", "TDataSetNotifyEvent", &TDataSet::BeforeInsert);
  p.Event("AfterInsert", "TDataSetNotifyEvent", &TDataSet::AfterInsert);
  p.Event("BeforeEdit", "TDataSetNotifyEvent", &TDataSet::BeforeEdit);
  p.Event("AfterEdit", "TDataSetNotifyEvent", &TDataSet::AfterEdit);
  p.Event("BeforeDelete", "TDataSetNotifyEvent", &TDataSet::BeforeDelete);
  p.Event("AfterDelete", "TDataSetNotifyEvent", &TDataSet::AfterDelete);
  p.Event("BeforeScroll", "TDataSetNotifyEvent", &TDataSet::BeforeScroll);
  p.Event("AfterScroll", "TDataSetNotifyEvent", &TDataSet::AfterScroll);
  p.Event("BeforeRefresh", "TDataSetNotifyEvent", &TDataSet::BeforeRefresh);
  p.Event("AfterRefresh", "TDataSetNotifyEvent", &TDataSet::AfterRefresh);
  p.Event("OnNewRecord", "TDataSetNotifyEvent", &TDataSet::OnNewRecord);
  p.Event("OnFilterRecord", "TFilterRecordEvent", &TDataSet::OnFilterRecord);
}

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), fields_(new TFields(this)), fieldDefs_(new TFieldDefs) {}

TDataSet::~TDataSet() {
  // Data sources forget this data set first, so that nothing calls back into it.
  const std::vector<TDataSource*> sources = dataSources_;
  dataSources_.clear();
  for (TDataSource* source : sources) {
    source->dataSet_ = nullptr;
    RemoveFreeNotification(source);
    source->NotifyLinksOfState();
  }
  if (Active()) {
    state_ = TDataSetState::dsInactive;
    CloseCursor();
  }
  // Persistent fields stay with their owners, without a data set.
  for (TField* f : fields_->list_) {
    f->dataSet_ = nullptr;
    f->fieldNo_ = 0;
  }
  fields_->list_.clear();
  delete fields_;
  fields_ = nullptr;
  delete fieldDefs_;
  fieldDefs_ = nullptr;
}

void TDataSet::GetFieldNames(TStrings* list) const {
  if (!list) return;
  list->Clear();
  for (TField* f : fields_->list_) list->Add(f->FieldName());
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset");
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::CheckNotEmpty() const {
  if (view_.empty() || cursor_ < 0)
    DatabaseError("Cannot perform this operation on an empty dataset");
}

void TDataSet::SetActive(bool value) {
  if (ComponentState() & csLoading) {
    streamedActive_ = value;
    return;
  }
  if (value == Active()) return;
  if (value) {
    BeforeOpen(this);
    try {
      OpenCursor();
    } catch (...) {
      CloseCursor();
      throw;
    }
    SetState(TDataSetState::dsBrowse);
    DoAfterOpen();
    if (!view_.empty()) AfterScroll(this);
  } else {
    BeforeClose(this);
    modified_ = false;
    SetState(TDataSetState::dsInactive);
    CloseCursor();
    AfterClose(this);
  }
}

void TDataSet::Loaded() {
  TComponent::Loaded();
  if (streamedActive_) {
    streamedActive_ = false;
    Open();
  }
}

void TDataSet::OpenCursor() {
  InternalOpen();
  BindFields();
  RebuildView();
  cursor_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
}

void TDataSet::CloseCursor() {
  InternalClose();
  data_.clear();
  data_.shrink_to_fit();
  rows_.clear();
  view_.clear();
  buffer_.clear();
  cursor_ = -1;
  editSlot_ = -1;
  insertBefore_ = -1;
  bof_ = eof_ = true;
  if (defaultFields_) DestroyDefaultFields();
  for (TField* f : fields_->list_) f->fieldNo_ = 0;
}

void TDataSet::BindFields() {
  if (fields_->list_.empty()) {
    // Default fields, created from the definitions and owned by this data set (marked first,
    // so that a failure part way frees the ones made).
    defaultFields_ = true;
    for (int i = 0; i < fieldDefs_->Count(); ++i) {
      const TFieldDef& def = fieldDefs_->Items(i);
      const TClass* cls = DefaultFieldClass(def.DataType);
      if (!cls) DatabaseError("Field '" + def.Name + "' is of an unknown type");
      auto* field = dynamic_cast<TField*>(cls->GetCreator()(this));
      field->fieldName_ = def.Name;
      if (def.Size > 0 || def.DataType == TFieldType::ftString ||
          def.DataType == TFieldType::ftWideString)
        field->SetSize(def.Size > 0 ? def.Size : field->Size());
      field->required_ = def.Required;
      field->displayLabel_ = def.DisplayLabel;
      field->displayWidth_ = def.DisplayWidth > 0 ? def.DisplayWidth : 0;
      field->visible_ = def.Visible;
      field->dataSet_ = this;
      field->fieldNo_ = i + 1;
      fields_->list_.push_back(field);
    }
    return;
  }
  for (TField* f : fields_->list_) {
    const int index = fieldDefs_->IndexOf(f->FieldName());
    if (index < 0) DatabaseError("Field '" + f->FieldName() + "' not found");
    f->fieldNo_ = index + 1;
  }
}

void TDataSet::RebindFields() {
  if (defaultFields_) {
    bool same = fields_->Count() == fieldDefs_->Count();
    for (int i = 0; same && i < fieldDefs_->Count(); ++i) {
      const TField* f = fields_->list_[static_cast<size_t>(i)];
      same = SameText(f->FieldName(), fieldDefs_->Items(i).Name) &&
             f->DataType() == fieldDefs_->Items(i).DataType;
    }
    if (same) {
      for (int i = 0; i < fieldDefs_->Count(); ++i)
        fields_->list_[static_cast<size_t>(i)]->fieldNo_ = i + 1;
      return;
    }
    DestroyDefaultFields();
    BindFields();
    DataEvent(TDataEvent::deLayoutChange);
    return;
  }
  BindFields();
}

void TDataSet::DestroyDefaultFields() {
  std::vector<TField*> fields;
  fields.swap(fields_->list_);
  defaultFields_ = false;
  for (TField* f : fields) {
    f->dataSet_ = nullptr;
    f->Free();
  }
}

void TDataSet::LoadRecords(std::vector<Variant>&& values, int rowCount) {
  const int columns = fieldDefs_->Count();
  if (rowCount < 0 || values.size() != static_cast<size_t>(rowCount) * static_cast<size_t>(columns))
    DatabaseError("Invalid data packet");
  columns_ = columns;
  data_ = std::move(values);
  rows_.resize(static_cast<size_t>(rowCount));
  for (int i = 0; i < rowCount; ++i) rows_[static_cast<size_t>(i)] = i;
  view_.clear();
  cursor_ = -1;
  editSlot_ = -1;
}

void TDataSet::RebuildView() {
  if (filtered_ && OnFilterRecord) {
    view_.clear();
    view_.reserve(rows_.size());
    for (int slot : rows_)
      if (RecordVisible(slot)) view_.push_back(slot);
  } else {
    view_ = rows_;
  }
  OrderRecords(view_);
}

bool TDataSet::RecordVisible(int slot) {
  if (!filtered_ || !OnFilterRecord) return true;
  // The handler reads the fields of `slot` through the filter state.
  const TDataSetState saved = state_;
  const int savedSlot = filterSlot_;
  state_ = TDataSetState::dsFilter;
  filterSlot_ = slot;
  bool accept = true;
  try {
    OnFilterRecord(this, accept);
  } catch (...) {
    state_ = saved;
    filterSlot_ = savedSlot;
    throw;
  }
  state_ = saved;
  filterSlot_ = savedSlot;
  return accept;
}

void TDataSet::Resync(int slot) {
  const int old = cursor_;
  RebuildView();
  const int count = static_cast<int>(view_.size());
  cursor_ = -1;
  if (slot >= 0) {
    auto it = std::find(view_.begin(), view_.end(), slot);
    if (it != view_.end()) cursor_ = static_cast<int>(it - view_.begin());
  }
  if (cursor_ < 0 && count > 0) cursor_ = std::clamp(old, 0, count - 1);
  bof_ = eof_ = count == 0;
  DataEvent(TDataEvent::deDataSetChange);
}

int TDataSet::CurrentSlot() const {
  if (cursor_ < 0 || cursor_ >= static_cast<int>(view_.size())) return -1;
  return view_[static_cast<size_t>(cursor_)];
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  DataEvent(TDataEvent::deUpdateState);
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  if (disableCount_ > 0) {
    // Controls hear of the batch at the end; opening, closing and field list changes still
    // reach them at once, so that no link keeps a field that is gone.
    const bool activity = event == TDataEvent::deLayoutChange ||
                          (event == TDataEvent::deUpdateState &&
                           (state_ == TDataSetState::dsInactive) !=
                               (stateBeforeDisable_ == TDataSetState::dsInactive));
    if (!activity) {
      if (event == TDataEvent::deUpdateState) stateChangedWhileDisabled_ = true;
      return;
    }
    if (event == TDataEvent::deUpdateState) stateBeforeDisable_ = state_;
  }
  const std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* source : sources) {
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) continue;
    source->DataEvent(event, field);
  }
}

void TDataSet::DisableControls() {
  if (disableCount_++ == 0) {
    stateChangedWhileDisabled_ = false;
    stateBeforeDisable_ = state_;
  }
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (stateChangedWhileDisabled_ || stateBeforeDisable_ != state_) {
    stateChangedWhileDisabled_ = false;
    DataEvent(TDataEvent::deUpdateState);
  }
  DataEvent(TDataEvent::deDataSetChange);
}

const Variant& TDataSet::FieldData(const TField* field) const {
  const int column = field->fieldNo_ - 1;
  if (column < 0 || column >= columns_) return Null;
  switch (state_) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      return buffer_[static_cast<size_t>(column)];
    case TDataSetState::dsFilter:
      return StoreValue(filterSlot_, column);
    case TDataSetState::dsInactive:
      return Null;
    default: {
      const int slot = CurrentSlot();
      return slot < 0 ? Null : StoreValue(slot, column);
    }
  }
}

void TDataSet::CheckEditMode(const TField* field) const {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert)
    DatabaseError("Dataset not in edit or insert mode");
}

void TDataSet::SetFieldData(TField* field, const Variant& value) {
  if (field->ReadOnly()) DatabaseError("Field '" + field->FieldName() + "' cannot be modified");
  CheckEditMode(field);
  const int column = field->fieldNo_ - 1;
  if (column < 0 || column >= columns_)
    DatabaseError("Field '" + field->FieldName() + "' not found");
  // Null, empty and empty text all make the field null.
  const bool empty = IsNullish(value) || (VarIsStr(value) && value.Deref().AsString().empty());
  Variant converted = empty ? Null : field->ConvertValue(value);
  Variant& slot = buffer_[static_cast<size_t>(column)];
  Variant old = std::move(slot);
  slot = std::move(converted);
  // OnValidate sees the new value and may refuse it by raising.
  try {
    field->OnValidate(field);
  } catch (...) {
    if (static_cast<size_t>(column) < buffer_.size())
      buffer_[static_cast<size_t>(column)] = std::move(old);
    throw;
  }
  modified_ = true;
  DataEvent(TDataEvent::deFieldChange, field);
  field->OnChange(field);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  BeforeScroll(this);
  const int old = cursor_;
  cursor_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  if (cursor_ != old) DataEvent(TDataEvent::deDataSetScroll);
  AfterScroll(this);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  BeforeScroll(this);
  const int old = cursor_;
  cursor_ = static_cast<int>(view_.size()) - 1;
  eof_ = true;
  bof_ = view_.empty();
  if (cursor_ != old) DataEvent(TDataEvent::deDataSetScroll);
  AfterScroll(this);
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
  const int count = static_cast<int>(view_.size());
  BeforeScroll(this);
  bof_ = eof_ = false;
  if (count == 0) {
    bof_ = eof_ = true;
    AfterScroll(this);
    return 0;
  }
  const long long wanted = static_cast<long long>(cursor_) + distance;
  int target = static_cast<int>(std::clamp<long long>(wanted, 0, count - 1));
  if (wanted >= count) eof_ = true;
  if (wanted < 0) bof_ = true;
  const int moved = target - cursor_;
  cursor_ = target;
  if (moved != 0) DataEvent(TDataEvent::deDataSetScroll);
  AfterScroll(this);
  return moved;
}

void TDataSet::MoveToIndex(int index) {
  bof_ = eof_ = false;
  if (index == cursor_) return;
  BeforeScroll(this);
  cursor_ = index;
  DataEvent(TDataEvent::deDataSetScroll);
  AfterScroll(this);
}

int TDataSet::RecordCount() const {
  CheckActive();
  return static_cast<int>(view_.size());
}

int TDataSet::RecNo() const {
  CheckActive();
  return cursor_ < 0 ? 0 : cursor_ + 1;
}

void TDataSet::SetRecNo(int recNo) {
  CheckActive();
  CheckBrowseMode();
  if (view_.empty()) return;
  MoveToIndex(std::clamp(recNo, 1, static_cast<int>(view_.size())) - 1);
}

bool TDataSet::IsEmpty() const {
  return state_ != TDataSetState::dsInsert && view_.empty();
}

std::vector<TField*> TDataSet::FieldList(std::string_view names) const {
  std::vector<TField*> result;
  for (const AnsiString& name : SplitFieldNames(names)) result.push_back(FieldByName(name));
  if (result.empty()) DatabaseError("Field '" + AnsiString(names) + "' not found");
  return result;
}

bool TDataSet::MatchSlot(int slot, const std::vector<TField*>& fields, const Variant& values,
                         TLocateOptions options) const {
  const Variant& keys = values.Deref();
  const bool array = keys.IsArray();
  const int low = array ? VarArrayLowBound(keys, 1) : 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    const TField* field = fields[i];
    const Variant& key = array ? keys[low + static_cast<int>(i)].Deref() : keys;
    const int column = field->fieldNo_ - 1;
    if (column < 0) return false;
    const Variant& stored = StoreValue(slot, column).Deref();
    if (IsNullish(key) || IsNullish(stored)) {
      if (IsNullish(key) != IsNullish(stored)) return false;
      continue;
    }
    if (IsTextType(field->DataType())) {
      const AnsiString a = VarToStr(stored);
      const AnsiString b = VarToStr(key);
      if (options & loPartialKey) {
        if (b.size() > a.size()) return false;
        const std::string_view prefix(a.data(), b.size());
        if (options & loCaseInsensitive ? !AnsiSameText(prefix, b) : prefix != b) return false;
      } else if (options & loCaseInsensitive ? !AnsiSameText(a, b) : a != b) {
        return false;
      }
      continue;
    }
    try {
      if (VarCompareValue(stored, field->ConvertValue(key)) != TVariantRelationship::vrEqual)
        return false;
    } catch (const Exception&) {
      return false;  // a key that is no value of this field's type matches nothing
    }
  }
  return true;
}

int TDataSet::FindRecord(const std::vector<TField*>& fields, const Variant& values,
                         TLocateOptions options) {
  const Variant& keys = values.Deref();
  if (keys.IsArray()) {
    const int count = VarArrayHighBound(keys, 1) - VarArrayLowBound(keys, 1) + 1;
    if (count != static_cast<int>(fields.size()))
      DatabaseError("Field count and key value count do not match");
  } else if (fields.size() != 1) {
    DatabaseError("Field count and key value count do not match");
  }
  for (size_t i = 0; i < view_.size(); ++i)
    if (MatchSlot(view_[i], fields, keys, options)) return static_cast<int>(i);
  return -1;
}

bool TDataSet::Locate(std::string_view keyFields, const Variant& keyValues,
                      TLocateOptions options) {
  CheckActive();
  CheckBrowseMode();
  const int index = FindRecord(FieldList(keyFields), keyValues, options);
  if (index < 0) return false;
  MoveToIndex(index);
  return true;
}

Variant TDataSet::Lookup(std::string_view keyFields, const Variant& keyValues,
                         std::string_view resultFields) {
  CheckActive();
  const std::vector<TField*> results = FieldList(resultFields);
  const int index = FindRecord(FieldList(keyFields), keyValues, 0);
  if (index < 0) return Null;
  const int slot = view_[static_cast<size_t>(index)];
  const auto valueOf = [&](const TField* f) -> Variant {
    const int column = f->fieldNo_ - 1;
    if (column < 0) return Null;
    const Variant& v = StoreValue(slot, column);
    return IsNullish(v) ? Null : v;
  };
  if (results.size() == 1) return valueOf(results[0]);
  std::vector<Variant> values;
  for (const TField* f : results) values.push_back(valueOf(f));
  return VarArrayOf(values);
}

void TDataSet::Edit() {
  CheckActive();
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  if (view_.empty()) {
    Insert();
    return;
  }
  CheckCanModify();
  BeforeEdit(this);
  editSlot_ = CurrentSlot();
  const size_t begin = static_cast<size_t>(editSlot_) * static_cast<size_t>(columns_);
  buffer_.assign(
      data_.begin() + static_cast<std::ptrdiff_t>(begin),
      data_.begin() + static_cast<std::ptrdiff_t>(begin + static_cast<size_t>(columns_)));
  modified_ = false;
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  AfterEdit(this);
}

void TDataSet::Insert() {
  BeginInsert(false);
}

void TDataSet::Append() {
  BeginInsert(true);
}

void TDataSet::BeginInsert(bool append) {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  BeforeInsert(this);
  BeforeScroll(this);
  insertBefore_ = append ? -1 : CurrentSlot();
  buffer_.assign(static_cast<size_t>(columns_), Null);
  editSlot_ = -1;
  SetState(TDataSetState::dsInsert);
  try {
    OnNewRecord(this);
  } catch (...) {
    buffer_.clear();
    SetState(TDataSetState::dsBrowse);
    DataEvent(TDataEvent::deDataSetChange);
    throw;
  }
  modified_ = false;
  if (append) eof_ = true;
  DataEvent(TDataEvent::deDataSetChange);
  AfterInsert(this);
  AfterScroll(this);
}

void TDataSet::Post() {
  CheckActive();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  UpdateRecord();
  BeforePost(this);
  for (TField* f : fields_->list_) f->CheckRequired();
  int slot = -1;
  if (state_ == TDataSetState::dsInsert) {
    slot = columns_ == 0 ? static_cast<int>(rows_.size())
                         : static_cast<int>(data_.size() / static_cast<size_t>(columns_));
    for (Variant& v : buffer_) data_.push_back(std::move(v));
    auto at =
        insertBefore_ < 0 ? rows_.end() : std::find(rows_.begin(), rows_.end(), insertBefore_);
    rows_.insert(at, slot);
    RecordPosted(slot, true);
  } else {
    slot = editSlot_;
    RecordModifying(slot);
    const size_t begin = static_cast<size_t>(slot) * static_cast<size_t>(columns_);
    for (size_t c = 0; c < static_cast<size_t>(columns_); ++c)
      data_[begin + c] = std::move(buffer_[c]);
    RecordPosted(slot, false);
  }
  buffer_.clear();
  editSlot_ = -1;
  insertBefore_ = -1;
  modified_ = false;
  SetState(TDataSetState::dsBrowse);
  Resync(slot);
  AfterPost(this);
}

void TDataSet::Cancel() {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  BeforeCancel(this);
  buffer_.clear();
  editSlot_ = -1;
  insertBefore_ = -1;
  modified_ = false;
  SetState(TDataSetState::dsBrowse);
  Resync(CurrentSlot());
  AfterCancel(this);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  CheckNotEmpty();
  CheckCanModify();
  DataEvent(TDataEvent::deCheckBrowseMode);
  BeforeDelete(this);
  BeforeScroll(this);
  const int slot = CurrentSlot();
  rows_.erase(std::find(rows_.begin(), rows_.end(), slot));
  RecordDeleted(slot);
  buffer_.clear();
  editSlot_ = -1;
  modified_ = false;
  SetState(TDataSetState::dsBrowse);
  Resync(-1);
  AfterDelete(this);
  AfterScroll(this);
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  CheckActive();
  if (values.size() > fields_->list_.size())
    DatabaseError("Too many values: " + IntToStr(values.size()) + " for " +
                  IntToStr(fields_->list_.size()) + " fields");
  for (size_t i = 0; i < values.size(); ++i)
    if (!values[i].Deref().IsEmpty()) fields_->list_[i]->SetValue(values[i]);
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  SetFields(values);
  Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  Insert();
  SetFields(values);
  Post();
}

void TDataSet::UpdateRecord() {
  CheckEditMode(nullptr);
  DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
    UpdateRecord();
    if (modified_)
      Post();
    else
      Cancel();
  }
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  BeforeRefresh(this);
  const int old = cursor_;
  InternalRefresh();
  RebindFields();
  RebuildView();
  const int count = static_cast<int>(view_.size());
  cursor_ = count == 0 ? -1 : std::clamp(old, 0, count - 1);
  bof_ = eof_ = count == 0;
  DataEvent(TDataEvent::deDataSetChange);
  AfterRefresh(this);
}

void TDataSet::SetFiltered(bool value) {
  filtered_ = value;
  if (Active()) Refilter();
}

void TDataSet::Refilter() {
  if (!Active()) return;
  CheckBrowseMode();
  RebuildView();
  // The records seen change: start again from the first.
  cursor_ = view_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = view_.empty();
  DataEvent(TDataEvent::deDataSetChange);
}

Variant TDataSet::FieldValues(std::string_view fieldNames) const {
  const std::vector<TField*> fields = FieldList(fieldNames);
  if (fields.size() == 1) return fields[0]->Value();
  std::vector<Variant> values;
  for (const TField* f : fields) values.push_back(f->Value());
  return VarArrayOf(values);
}

void TDataSet::SetFieldValues(std::string_view fieldName, const Variant& value) {
  const std::vector<TField*> fields = FieldList(fieldName);
  if (fields.size() == 1) {
    fields[0]->SetValue(value);
    return;
  }
  const Variant& values = value.Deref();
  if (!values.IsArray() || VarArrayHighBound(values, 1) - VarArrayLowBound(values, 1) + 1 !=
                               static_cast<int>(fields.size()))
    DatabaseError("Field count and value count do not match");
  const int low = VarArrayLowBound(values, 1);
  for (size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(values[low + static_cast<int>(i)]);
}

TBookmark TDataSet::GetBookmark() const {
  return CurrentSlot();
}

bool TDataSet::BookmarkValid(TBookmark bookmark) const {
  return bookmark >= 0 && std::find(view_.begin(), view_.end(), bookmark) != view_.end();
}

void TDataSet::GotoBookmark(TBookmark bookmark) {
  CheckActive();
  CheckBrowseMode();
  auto it = std::find(view_.begin(), view_.end(), bookmark);
  if (bookmark < 0 || it == view_.end()) DatabaseError("Record not found");
  MoveToIndex(static_cast<int>(it - view_.begin()));
}

void TDataSet::AddDataSource(TDataSource* source) {
  if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end())
    dataSources_.push_back(source);
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source),
                     dataSources_.end());
}

// ---------------------------------------------------------------------------------------
// TDataSource

VCL_IMPLEMENT_COMPONENT(TDataSource, TComponent)

void TDataSource::Publish(TPublisher& p) {
  p.Object("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
  p.Bool("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled);
  p.Bool("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit);
  p.Event("OnDataChange", "TDataChangeEvent", &TDataSource::OnDataChange);
  p.Event("OnStateChange", "TNotifyEvent", &TDataSource::OnStateChange);
  p.Event("OnUpdateData", "TNotifyEvent", &TDataSource::OnUpdateData);
}

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  if (dataSet_) {
    dataSet_->RemoveDataSource(this);
    RemoveFreeNotification(dataSet_);
    dataSet_ = nullptr;
  }
  // The links (of controls that outlive this source) become inactive.
  const std::vector<TDataLink*> links = links_;
  links_.clear();
  for (TDataLink* link : links) {
    link->source_ = nullptr;
    link->UpdateState();
  }
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) {
    dataSet_->RemoveDataSource(this);
    RemoveFreeNotification(dataSet_);
  }
  dataSet_ = dataSet;
  if (dataSet_) {
    dataSet_->AddDataSource(this);
    FreeNotification(dataSet_);
  }
  NotifyLinksOfState();
  if (State() != TDataSetState::dsInactive) DataEvent(TDataEvent::deLayoutChange, nullptr);
}

void TDataSource::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  NotifyLinksOfState();
}

TDataSetState TDataSource::State() const {
  return enabled_ && dataSet_ ? dataSet_->State() : TDataSetState::dsInactive;
}

void TDataSource::Edit() {
  if (autoEdit_ && State() == TDataSetState::dsBrowse) dataSet_->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == dataSet_) {
    dataSet_ = nullptr;
    NotifyLinksOfState();
  }
}

void TDataSource::NotifyLinksOfState() {
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->UpdateState();
  const TDataSetState state = State();
  if (state != lastState_) {
    lastState_ = state;
    OnStateChange(this);
  }
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  if (!enabled_) return;
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links)
    if (std::find(links_.begin(), links_.end(), link) != links_.end())
      link->DataEvent(event, field);
  switch (event) {
    case TDataEvent::deFieldChange:
      OnDataChange(this, field);
      break;
    case TDataEvent::deRecordChange:
    case TDataEvent::deDataSetChange:
    case TDataEvent::deDataSetScroll:
    case TDataEvent::deLayoutChange:
      OnDataChange(this, nullptr);
      break;
    case TDataEvent::deUpdateState: {
      const TDataSetState state = State();
      if (state != lastState_) {
        lastState_ = state;
        OnStateChange(this);
      }
      break;
    }
    case TDataEvent::deUpdateRecord:
      OnUpdateData(this);
      break;
    case TDataEvent::deCheckBrowseMode:
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Data links

TDataLink::~TDataLink() {
  if (source_) {
    auto& links = source_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
    source_ = nullptr;
  }
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == source_) return;
  if (source_) {
    auto& links = source_->links_;
    links.erase(std::remove(links.begin(), links.end(), this), links.end());
  }
  source_ = source;
  if (source_) source_->links_.push_back(this);
  const bool wasActive = active_;
  UpdateState();
  // Moving between two active data sets: the record and fields are new.
  if (wasActive && active_) LayoutChanged();
}

TDataSet* TDataLink::DataSet() const {
  return source_ ? source_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
  if (readOnly_ == value) return;
  readOnly_ = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  const TDataSetState state = source_ ? source_->State() : TDataSetState::dsInactive;
  const bool active = state != TDataSetState::dsInactive;
  if (active != active_) {
    active_ = active;
    ActiveChanged();
  }
  const bool editing =
      active_ && !readOnly_ && (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert);
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

bool TDataLink::Edit() {
  if (!readOnly_ && source_) source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, TField* field) {
  if (event == TDataEvent::deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case TDataEvent::deFieldChange:
    case TDataEvent::deRecordChange:
      if (!updating_) RecordChanged(field);
      break;
    case TDataEvent::deDataSetChange:
      DataSetChanged();
      break;
    case TDataEvent::deDataSetScroll:
      DataSetScrolled(0);
      break;
    case TDataEvent::deLayoutChange:
      LayoutChanged();
      break;
    case TDataEvent::deUpdateRecord:
      UpdateRecord();
      break;
    case TDataEvent::deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case TDataEvent::deUpdateState:
      break;
  }
}

void TFieldDataLink::SetFieldName(const AnsiString& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  UpdateField();
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && field_ && field_->CanModify();
}

void TFieldDataLink::Reset() {
  RecordChanged(nullptr);
}

void TFieldDataLink::UpdateField() {
  TDataSet* dataSet = DataSet();
  field_ = Active() && dataSet && !fieldName_.empty() ? dataSet->FindField(fieldName_) : nullptr;
  modified_ = false;
  OnDataChange(Control);
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  OnActiveChange(Control);
}

void TFieldDataLink::LayoutChanged() {
  UpdateField();
}

void TFieldDataLink::EditingChanged() {
  OnEditingChange(Control);
}

void TFieldDataLink::RecordChanged(TField* field) {
  if (field && field != field_) return;
  modified_ = false;
  OnDataChange(Control);
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_) OnUpdateData(Control);
  modified_ = false;
}

}  // namespace vcl
