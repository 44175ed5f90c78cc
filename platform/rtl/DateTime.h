// Dates and times as TDateTime (days since 1899-12-30, fraction = time of day), the
// process clock and date formatting.
#pragma once

#include <functional>
#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

// Process-wide formatting settings that code may change. In format patterns "/" stands for
// DateSeparator and ":" for TimeSeparator.
extern AnsiString ShortDateFormat;  // default "yyyy/mm/dd"
extern AnsiString LongTimeFormat;   // default "hh:nn:ss"
extern char DateSeparator;          // default '/'
extern char TimeSeparator;          // default ':'

// Raises EConvertError "Invalid argument to date encode" for an invalid date.
TDateTime EncodeDate(int year, int month, int day);
// Raises EConvertError "Invalid argument to time encode" for an invalid time.
TDateTime EncodeTime(int hour, int minute, int second, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec);
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
bool IsValidDate(int year, int month, int day);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime date);
// Adds months, clamping the day to the length of the resulting month; keeps the time.
TDateTime IncMonth(TDateTime date, int months = 1);

// The current date-time, date and time of the process clock.
TDateTime Now();
TDateTime Date();
TDateTime Time();
// Replaces the process clock (tests fix it); an empty function restores the system clock.
void SetClock(std::function<TDateTime()> clock);
// Fixes the process clock at `moment`.
void FixClock(TDateTime moment);
void ResetClock();

// Patterns: d dd ddd dddd ddddd (short date) dddddd, m mm mmm mmmm (months; after h or hh
// they mean minutes), yy yyyy, h hh, n nn, s ss, z zzz, am/pm and a/p, c (short date and
// long time), t tt, "/" and ":" for the separators, and literal text in '...' or "...".
AnsiString FormatDateTime(std::string_view format, TDateTime dateTime);
AnsiString DateToStr(TDateTime date);
AnsiString TimeToStr(TDateTime time);
// Date only when the time is midnight, otherwise date and long time.
AnsiString DateTimeToStr(TDateTime dateTime);
// Reads a date in the order of ShortDateFormat (year, month and day fields separated by
// DateSeparator), optionally followed by a time; raises EConvertError
// "'<s>' is not a valid date" (or "... date and time").
TDateTime StrToDate(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTime& result);
bool TryStrToDateTime(std::string_view s, TDateTime& result);

}  // namespace vcl
