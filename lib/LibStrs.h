// Free helper functions shared by the forms and the framework: delimited texts, date texts
// in the company's date layouts, small variant and number helpers, published properties by
// name, and the captions of message-dialog buttons. They hold no state and give neutral
// results (empty text, 0, false, null) for missing input.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"
#include "platform/vcl/Events.h"

namespace vcl {
class TObject;
class TControl;
}  // namespace vcl

namespace kv {

using vcl::AnsiString;
using vcl::TDateTime;
using vcl::Variant;
using vcl::WideString;

// Order of year, month and day in a date text; the values are the company's date types 0-5.
// Types 4 and 5 count years of the Republic of China (Gregorian year - 1911).
enum TDateType {
  dt_NoneCare = 0,
  dt_YYYYMMDD = 1,
  dt_MMDDYYYY = 2,
  dt_DDMMYYYY = 3,
  dt_YYMMDD = 4,
  dt_YYYMMDD = 5,
};

// ---- delimited texts ---------------------------------------------------------------------

// The n-th field (from 1) of `text` split at `separator`; the last field runs to the end of
// the text. Empty when the text has fewer than n fields or n < 1. An empty separator never
// splits: the whole text is field 1.
AnsiString GetField(std::string_view text, std::string_view separator, int n);
// Number of separators found plus 1 (occurrences counted without overlap, as GetField splits);
// 0 for an empty text.
int CountFields(std::string_view text, std::string_view separator);
// Returns the text before the first separator and leaves the rest after it in `text`; without
// a separator returns the whole text and leaves `text` empty.
AnsiString SplitFirst(AnsiString& text, std::string_view separator);
// Replaces `search` (case-sensitive) by `replacement`, searching again from the start after
// each replacement until none is left, then trims when `trim` is set. Nothing is replaced
// when both are equal ignoring case or `search` is empty. A replacement that is not shorter
// than the search text could grow the text for ever under repeated searching, so then every
// occurrence is replaced in one left-to-right pass instead.
AnsiString ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement,
                      bool trim);
// prefix, #3, element 0 as text, #3, then element i and #3 for i = 1 to the count held in
// element 0 (limited to the elements the array has). Empty for a variant that is not a
// one-dimensional array holding element 0.
WideString JoinCountedList(std::string_view prefix, const Variant& list);

// ---- dates -------------------------------------------------------------------------------

// The date in the full-date layout of `dateType`, the first character of `separator` (or
// nothing) between the parts. Empty when the date is 0 or the type is not 1-5.
AnsiString FormatDateByType(int dateType, std::string_view separator, TDateTime date);
// The year and month of the date in the layout of `dateType`; same rules.
AnsiString FormatYearMonthByType(int dateType, std::string_view separator, TDateTime date);
// Reads a date text of layout `dateType` whose parts are separated by the first character of
// `separator`. A day beyond the month's end rolls over into the following months. 0 when the
// text cannot be read, a part is not a positive number, or the date lies outside the years
// 1-9999.
TDateTime ParseDateByType(std::string_view text, int dateType, std::string_view separator);
// "YYYYMMDD" (exactly 8 characters) to a date; 0 when a part is not numeric, is 0, or the
// date does not exist.
TDateTime YYYYMMDDToDate(std::string_view text);
// True for an empty text, or when the first eight characters form a real date and the whole
// text lies between "17530101" and "99991231" in string order.
bool IsValidDateText(std::string_view text);

// ---- variants and numbers ----------------------------------------------------------------

Variant IIf(bool condition, const Variant& ifTrue, const Variant& ifFalse);
// True for the empty and the null variant (also behind a reference).
bool VarIsEmptyOrNull(const Variant& value);
// The number when the whole text (blanks around allowed) reads as one, else `defaultValue`.
double StrToFloatDef(std::string_view text, double defaultValue);

// ---- system ------------------------------------------------------------------------------

// The temporary folder in its long-name form, with a trailing delimiter.
AnsiString GetLongTempPath();
// True only for the exact text "127.0.0.1".
bool IsLocalHost(std::string_view host);
// Sends a left-button press and then a left-button release to the control, with the given
// parameters. A null control does nothing.
void SimulateClick(vcl::TControl* control, vcl::WPARAM wParam, vcl::LPARAM lParam);

// ---- published properties by name -------------------------------------------------------
// Names may be dotted paths through object properties ("Font.Charset") and are matched
// ignoring case. A null object, an empty name, a property the object does not publish or a
// property of another kind is ignored: getters give the neutral result, setters do nothing.
// A read-only property is not written.

bool HasProperty(vcl::TObject* object, std::string_view name);
AnsiString GetStrPropByName(vcl::TObject* object, std::string_view name);
void SetStrPropByName(vcl::TObject* object, std::string_view name, std::string_view value);
// Integer, character, enumeration and set properties.
std::int64_t GetOrdPropByName(vcl::TObject* object, std::string_view name);
// A value outside the property type's range raises vcl::EPropertyConvertError.
void SetOrdPropByName(vcl::TObject* object, std::string_view name, std::int64_t value);
// An event handler; a null handler (code and data null) when there is none.
vcl::TMethod GetMethodPropByName(vcl::TObject* object, std::string_view name);
// A null handler clears the event; a handler of another event type raises
// vcl::EPropertyConvertError.
void SetMethodPropByName(vcl::TObject* object, std::string_view name, const vcl::TMethod& value);
// The object held by an object-type property; null for any other property.
vcl::TObject* GetClassProp(vcl::TObject* object, std::string_view name);
// True when the property exists and its type has the name `typeName` (ignoring case).
bool HasPropertyOfType(vcl::TObject* object, std::string_view name, std::string_view typeName);

// Sets the property at a dotted path. An integer property with named values (colours,
// cursors) takes the named value when the text is a known name and the raw value otherwise;
// an enumeration or set property takes the trimmed text unless the value is an integer;
// other properties take the value as it is. An unknown property or a value that does not fit
// raises vcl::EPropertyError or vcl::EPropertyConvertError; a null object or an empty path
// does nothing.
void SetPropertyByPath(vcl::TObject* object, std::string_view path, const Variant& value);
// Like SetPropertyByPath, but false instead of raising (and for a null object or empty path).
bool TrySetPropertyByPath(vcl::TObject* object, std::string_view path, const Variant& value);

// ---- message-dialog buttons --------------------------------------------------------------

// The Chinese caption of a dialog button by its name ("Yes", "OK", "NoToAll" ...; exact and
// case-sensitive), in code page 936; any other name is returned unchanged.
AnsiString TranslateButtonCaption(std::string_view buttonName);

}  // namespace kv
