// String helpers with the platform's semantics: 1-based positions, double-byte aware
// case mapping and comparison, number conversions.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

// 1-based position of `sub` in `s`, 0 when absent or `sub` is empty.
int Pos(std::string_view sub, std::string_view s);
// Like Pos, but never matches starting on the trail byte of a double-byte character
// of the ANSI code page.
int AnsiPos(std::string_view sub, std::string_view s);
// `count` bytes from 1-based `index`; out-of-range parts are clipped.
AnsiString Copy(std::string_view s, int index, int count);
// Removes bytes from 1-based `index` on, `count` of them; out-of-range parts are clipped.
void Delete(AnsiString& s, int index, int count);
// Inserts `sub` before 1-based `index` (clipped to the string).
void Insert(std::string_view sub, AnsiString& s, int index);
AnsiString LeftStr(std::string_view s, int count);
AnsiString RightStr(std::string_view s, int count);
AnsiString StringOfChar(char c, int count);

// Trim removes spaces and control characters (bytes <= ' ') at the ends.
AnsiString Trim(std::string_view s);
AnsiString TrimLeft(std::string_view s);
AnsiString TrimRight(std::string_view s);

// ASCII-only case mapping and comparison.
AnsiString UpperCase(std::string_view s);
AnsiString LowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Case mapping and comparison that step over double-byte characters of `codePage`
// (CP_ACP by default) and so never change a trail byte.
AnsiString AnsiUpperCase(std::string_view s, UINT codePage = 0);
AnsiString AnsiLowerCase(std::string_view s, UINT codePage = 0);
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b, UINT codePage = 0);
bool AnsiSameText(std::string_view a, std::string_view b, UINT codePage = 0);
bool AnsiSameStr(std::string_view a, std::string_view b);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
// Replaces the first (or every, with rfReplaceAll) occurrence of `oldPattern`.
AnsiString StringReplace(std::string_view s, std::string_view oldPattern,
                         std::string_view newPattern, unsigned flags);
// 'text' with inner quotes doubled.
AnsiString QuotedStr(std::string_view s);
// `quote` text `quote` with inner quotes doubled.
AnsiString AnsiQuotedStr(std::string_view s, char quote);
// Reverses AnsiQuotedStr from the start of `s`; returns `s` unchanged when it is not quoted.
AnsiString AnsiDequotedStr(std::string_view s, char quote);

AnsiString IntToStr(std::int64_t value);
// Upper-case hexadecimal, zero-padded to at least `digits`.
AnsiString IntToHex(std::int64_t value, int digits);
// Decimal or "$"/"0x" hexadecimal, surrounding blanks allowed; anything else raises
// EConvertError "'<s>' is not a valid integer value".
int StrToInt(std::string_view s);
std::int64_t StrToInt64(std::string_view s);
int StrToIntDef(std::string_view s, int defaultValue);
bool TryStrToInt(std::string_view s, int& value);
bool TryStrToInt64(std::string_view s, std::int64_t& value);
// Decimal notation with an optional exponent, DecimalSeparator as the point; anything else
// raises EConvertError "'<s>' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloatDef(std::string_view s, double defaultValue);
bool TryStrToFloat(std::string_view s, double& value);
// Up to 15 significant digits; exponent written as in "1.5E-7".
AnsiString FloatToStr(double value);

// The decimal point used by number conversions and Format.
extern char DecimalSeparator;

}  // namespace vcl
