#include "lib/LibStrs.h"

#include <climits>
#include <exception>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/System.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/TypInfo.h"

namespace kv {

using vcl::TObject;
using vcl::TPropInfo;
using vcl::TTypeKind;

namespace {

constexpr char16_t kListMark = u'\x03';

// The separator as the date layouts use it: its first character, or nothing.
std::string_view DateSeparatorChar(std::string_view separator) {
  return separator.substr(0, separator.empty() ? 0 : 1);
}

// A date part: optional sign and decimal digits; `fallback` for anything else or a value
// beyond the integer range.
int ReadNumber(std::string_view text, int fallback) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return fallback;
  long long value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return fallback;
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) return fallback;
  }
  return static_cast<int>(negative ? -value : value);
}

struct YMD {
  int year, month, day;
};

// The calendar parts of a date; years of layouts 4 and 5 count from 1911.
YMD Parts(TDateTime date, int dateType) {
  YMD d{};
  vcl::DecodeDate(date, d.year, d.month, d.day);
  if (dateType == dt_YYMMDD || dateType == dt_YYYMMDD) d.year -= 1911;
  return d;
}

const TPropInfo* FindProp(TObject* object, std::string_view name) {
  if (!object || name.empty()) return nullptr;
  return vcl::GetPropInfo(object, name);
}

bool IsOrdinalKind(TTypeKind kind) {
  return kind == TTypeKind::tkInteger || kind == TTypeKind::tkChar ||
         kind == TTypeKind::tkEnumeration || kind == TTypeKind::tkSet;
}

bool IsIntegerVariant(const Variant& v) {
  switch (v.VarType() & vcl::varTypeMask) {
    case vcl::varSmallint:
    case vcl::varInteger:
    case vcl::varByte:
      return true;
    default:
      return false;
  }
}

// An element of a counted list as wide text; null and values without a text form are empty.
WideString ElementText(const Variant& v) {
  const Variant& value = v.Deref();
  if (value.IsNull() || value.IsEmpty() || value.IsArray()) return WideString();
  try {
    return value.AsWideString();
  } catch (const std::exception&) {
    return WideString();
  }
}

}  // namespace

// ---- delimited texts ---------------------------------------------------------------------

AnsiString GetField(std::string_view text, std::string_view separator, int n) {
  if (n < 1) return AnsiString();
  if (separator.empty()) return n == 1 ? AnsiString(text) : AnsiString();
  size_t start = 0;
  for (int field = 1;; ++field) {
    size_t found = text.find(separator, start);
    if (field == n)
      return AnsiString(text.substr(
          start, found == std::string_view::npos ? std::string_view::npos : found - start));
    if (found == std::string_view::npos) return AnsiString();
    start = found + separator.size();
  }
}

int CountFields(std::string_view text, std::string_view separator) {
  if (text.empty()) return 0;
  int count = 1;
  if (separator.empty()) return count;
  for (size_t found = text.find(separator); found != std::string_view::npos;
       found = text.find(separator, found + separator.size()))
    ++count;
  return count;
}

AnsiString SplitFirst(AnsiString& text, std::string_view separator) {
  size_t found = separator.empty() ? AnsiString::npos : text.find(separator);
  AnsiString head;
  if (found == AnsiString::npos) {
    head.swap(text);
    text.clear();
    return head;
  }
  head = text.substr(0, found);
  text.erase(0, found + separator.size());
  return head;
}

AnsiString ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement,
                      bool trim) {
  AnsiString result(text);
  if (!search.empty() && !vcl::SameText(search, replacement)) {
    if (replacement.size() < search.size()) {
      // Each replacement shortens the text, so searching again ends. The text before the
      // replaced place had no occurrence, so the next search may start where an occurrence
      // could overlap the new text.
      size_t found = result.find(search);
      while (found != AnsiString::npos) {
        result.replace(found, search.size(), replacement);
        size_t from = found >= search.size() - 1 ? found - (search.size() - 1) : 0;
        found = result.find(search, from);
      }
    } else {
      AnsiString out;
      size_t start = 0;
      for (size_t found = result.find(search); found != AnsiString::npos;
           found = result.find(search, start)) {
        out.append(result, start, found - start);
        out.append(replacement);
        start = found + search.size();
      }
      out.append(result, start, AnsiString::npos);
      result.swap(out);
    }
  }
  return trim ? vcl::Trim(result) : result;
}

WideString JoinCountedList(std::string_view prefix, const Variant& list) {
  const Variant& array = list.Deref();
  if (vcl::VarArrayDimCount(array) != 1) return WideString();
  const int low = vcl::VarArrayLowBound(array, 1);
  const int high = vcl::VarArrayHighBound(array, 1);
  if (low > 0 || high < 0) return WideString();

  WideString result = vcl::AnsiToWide(prefix);
  result += kListMark;
  result += ElementText(array[0]);
  result += kListMark;
  int count = 0;
  const Variant& head = array[0].Deref();
  if (!head.IsNull() && !head.IsEmpty() && !head.IsArray()) {
    try {
      count = head.AsInteger();
    } catch (const std::exception&) {
      count = 0;  // element 0 holds no count
    }
  }
  // Never read beyond the array, whatever count it claims.
  if (count > high) count = high;
  for (int i = 1; i <= count; ++i) {
    result += ElementText(array[i]);
    result += kListMark;
  }
  return result;
}

// ---- dates -------------------------------------------------------------------------------

AnsiString FormatDateByType(int dateType, std::string_view separator, TDateTime date) {
  if (date == 0 || dateType < dt_YYYYMMDD || dateType > dt_YYYMMDD) return AnsiString();
  const std::string_view sep = DateSeparatorChar(separator);
  const YMD d = Parts(date, dateType);
  switch (dateType) {
    case dt_YYYYMMDD:
      return vcl::Format("%.4d%s%.2d%s%.2d", {d.year, sep, d.month, sep, d.day});
    case dt_MMDDYYYY:
      return vcl::Format("%.2d%s%.2d%s%.4d", {d.month, sep, d.day, sep, d.year});
    case dt_DDMMYYYY:
      return vcl::Format("%.2d%s%.2d%s%.4d", {d.day, sep, d.month, sep, d.year});
    case dt_YYMMDD:
      return vcl::Format("%.2d%s%.2d%s%.2d", {d.year, sep, d.month, sep, d.day});
    default:
      return vcl::Format("%.3d%s%.2d%s%.2d", {d.year, sep, d.month, sep, d.day});
  }
}

AnsiString FormatYearMonthByType(int dateType, std::string_view separator, TDateTime date) {
  if (date == 0 || dateType < dt_YYYYMMDD || dateType > dt_YYYMMDD) return AnsiString();
  const std::string_view sep = DateSeparatorChar(separator);
  const YMD d = Parts(date, dateType);
  switch (dateType) {
    case dt_YYYYMMDD:
      return vcl::Format("%.4d%s%.2d", {d.year, sep, d.month});
    case dt_MMDDYYYY:
    case dt_DDMMYYYY:
      return vcl::Format("%.2d%s%.4d", {d.month, sep, d.year});
    case dt_YYMMDD:
      return vcl::Format("%.2d%s%.2d", {d.year, sep, d.month});
    default:
      return vcl::Format("%.3d%s%.2d", {d.year, sep, d.month});
  }
}

TDateTime ParseDateByType(std::string_view text, int dateType, std::string_view separator) {
  AnsiString rest = vcl::Trim(text);
  if (rest.empty()) return 0;
  const std::string_view sep = DateSeparatorChar(separator);
  const int p1 = ReadNumber(vcl::Trim(SplitFirst(rest, sep)), -1);
  const int p2 = ReadNumber(vcl::Trim(SplitFirst(rest, sep)), -1);
  const int p3 = ReadNumber(vcl::Trim(rest), -1);
  if (p1 <= 0 || p2 <= 0 || p3 <= 0) return 0;

  int year, month, day;
  switch (dateType) {
    case dt_YYYYMMDD:
      year = p1, month = p2, day = p3;
      break;
    case dt_MMDDYYYY:
      year = p3, month = p1, day = p2;
      break;
    case dt_DDMMYYYY:
      year = p3, month = p2, day = p1;
      break;
    case dt_YYMMDD:
    case dt_YYYMMDD:
      if (p1 > INT_MAX - 1911) return 0;
      year = p1 + 1911, month = p2, day = p3;
      break;
    default:
      return 0;
  }
  TDateTime first;
  if (!vcl::TryEncodeDate(year, month, 1, first)) return 0;
  // A day beyond the month's end rolls over; the result must stay inside the calendar.
  const TDateTime result = first + (day - 1);
  if (result > vcl::EncodeDate(9999, 12, 31)) return 0;
  return result;
}

TDateTime YYYYMMDDToDate(std::string_view text) {
  if (text.size() != 8) return 0;
  const int year = ReadNumber(text.substr(0, 4), 0);
  const int month = ReadNumber(text.substr(4, 2), 0);
  const int day = ReadNumber(text.substr(6, 2), 0);
  if (year <= 0 || month <= 0 || day <= 0) return 0;
  TDateTime date;
  return vcl::TryEncodeDate(year, month, day, date) ? date : 0;
}

bool IsValidDateText(std::string_view text) {
  if (text.empty()) return true;
  if (YYYYMMDDToDate(text.substr(0, 8)) == 0) return false;
  return text >= std::string_view("17530101") && text <= std::string_view("99991231");
}

// ---- variants and numbers ----------------------------------------------------------------

Variant IIf(bool condition, const Variant& ifTrue, const Variant& ifFalse) {
  return condition ? ifTrue : ifFalse;
}

bool VarIsEmptyOrNull(const Variant& value) {
  const Variant& v = value.Deref();
  return v.IsEmpty() || v.IsNull();
}

double StrToFloatDef(std::string_view text, double defaultValue) {
  return vcl::StrToFloatDef(text, defaultValue);
}

// ---- system ------------------------------------------------------------------------------

AnsiString GetLongTempPath() {
  return vcl::GetTempPath();
}

bool IsLocalHost(std::string_view host) {
  return host == "127.0.0.1";
}

void SimulateClick(vcl::TControl* control, vcl::WPARAM wParam, vcl::LPARAM lParam) {
  if (!control) return;
  control->Perform(vcl::WM_LBUTTONDOWN, wParam, lParam);
  control->Perform(vcl::WM_LBUTTONUP, wParam, lParam);
}

// ---- published properties by name -------------------------------------------------------

bool HasProperty(TObject* object, std::string_view name) {
  return FindProp(object, name) != nullptr;
}

AnsiString GetStrPropByName(TObject* object, std::string_view name) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || p->Kind() != TTypeKind::tkString || !p->GetStr) return AnsiString();
  return vcl::GetStrProp(object, name);
}

void SetStrPropByName(TObject* object, std::string_view name, std::string_view value) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || p->Kind() != TTypeKind::tkString || !p->SetStr) return;
  vcl::SetStrProp(object, name, value);
}

std::int64_t GetOrdPropByName(TObject* object, std::string_view name) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || !IsOrdinalKind(p->Kind()) || !p->GetOrd) return 0;
  return vcl::GetOrdProp(object, name);
}

void SetOrdPropByName(TObject* object, std::string_view name, std::int64_t value) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || !IsOrdinalKind(p->Kind()) || !p->SetOrd) return;
  vcl::SetOrdProp(object, name, value);
}

vcl::TMethod GetMethodPropByName(TObject* object, std::string_view name) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || p->Kind() != TTypeKind::tkMethod || !p->GetMethod) return vcl::TMethod();
  return vcl::GetMethodProp(object, name);
}

void SetMethodPropByName(TObject* object, std::string_view name, const vcl::TMethod& value) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || p->Kind() != TTypeKind::tkMethod || !p->SetMethod) return;
  vcl::SetMethodProp(object, name, value);
}

TObject* GetClassProp(TObject* object, std::string_view name) {
  const TPropInfo* p = FindProp(object, name);
  if (!p || p->Kind() != TTypeKind::tkClass || !p->GetObj) return nullptr;
  return vcl::GetObjectProp(object, name);
}

bool HasPropertyOfType(TObject* object, std::string_view name, std::string_view typeName) {
  if (!object || name.empty()) return false;
  return vcl::PropIsTypeName(object, name, typeName);
}

void SetPropertyByPath(TObject* object, std::string_view path, const Variant& value) {
  if (!object || path.empty()) return;
  TObject* holder = nullptr;
  const TPropInfo* p = vcl::FindPropPath(object, path, holder);
  if (!p) throw vcl::EPropertyError("Unknown property: '" + AnsiString(path) + "'");
  const Variant& v = value.Deref();
  switch (p->Kind()) {
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      if (IsIntegerVariant(v)) {
        vcl::SetOrdProp(object, path, v.AsInt64());
      } else {
        AnsiString text;
        try {
          text = vcl::VarToStr(v);
        } catch (const vcl::Exception&) {
          throw vcl::EPropertyConvertError("Invalid property value");
        }
        vcl::SetPropAsString(object, path, vcl::Trim(text));
      }
      return;
    default:
      // Integers with named values read a known name as its value and any other text as a
      // number; every other kind takes the value as it is.
      vcl::SetPropValue(object, path, v);
      return;
  }
}

bool TrySetPropertyByPath(TObject* object, std::string_view path, const Variant& value) {
  if (!object || path.empty()) return false;
  try {
    SetPropertyByPath(object, path, value);
    return true;
  } catch (const std::exception&) {
    // Unknown property, a value that does not fit, or a setter that refused the value.
    return false;
  }
}

// ---- message-dialog buttons --------------------------------------------------------------

AnsiString TranslateButtonCaption(std::string_view buttonName) {
  struct Caption {
    std::string_view name;
    const char8_t* caption;
  };
  static const Caption kCaptions[] = {
      {"Yes", u8"是(&Y)"},        {"No", u8"否(&N)"},      {"OK", u8"确定"},
      {"Cancel", u8"取消"},       {"Abort", u8"中断(&A)"}, {"Retry", u8"重试(&R)"},
      {"Ignore", u8"忽略(&I)"},   {"All", u8"全部(&A)"},   {"NoToAll", u8"全否(&o)"},
      {"YesToAll", u8"全是(&A)"}, {"Help", u8"帮助(&H)"},
  };
  for (const Caption& c : kCaptions)
    if (c.name == buttonName) return vcl::DesignText(std::u8string_view(c.caption));
  return AnsiString(buttonName);
}

}  // namespace kv
