#include "platform/rtl/DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <mutex>

#include "platform/rtl/Exception.h"

namespace vcl {

AnsiString ShortDateFormat = "yyyy/mm/dd";
AnsiString LongTimeFormat = "hh:nn:ss";
char DateSeparator = '/';
char TimeSeparator = ':';

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 1899-12-30 (day 0 of TDateTime) to 1970-01-01.
constexpr std::int64_t kUnixEpochDays = 25569;
// The smallest and largest day numbers of years 1..9999 (0001-01-01 and 9999-12-31).
constexpr std::int64_t kMinDay = -693593;
constexpr std::int64_t kMaxDay = 2958465;

const char* const kShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
const char* const kShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};

// Days since 1970-01-01 of a proleptic Gregorian date (the usual era-based algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

// Splits a date-time into its day number and the milliseconds of its time, rounding the
// whole value to the millisecond. Before day 0 the time still counts forward from the
// start of the (negative) day: -1.25 is day -1 at 06:00.
void SplitDateTime(TDateTime value, std::int64_t& day, std::int64_t& msOfDay) {
  if (!std::isfinite(value)) {
    day = 0;
    msOfDay = 0;
    return;
  }
  // Clamp far outside the supported range so the conversion to integers stays defined.
  const double limit = 1e8;
  if (value > limit) value = limit;
  if (value < -limit) value = -limit;
  const std::int64_t total = std::llround(std::fabs(value) * static_cast<double>(kMsPerDay));
  day = total / kMsPerDay;
  msOfDay = total % kMsPerDay;
  if (value < 0) day = -day;
}

TDateTime JoinDateTime(std::int64_t day, std::int64_t msOfDay) {
  const double time = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
  return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

TDateTime SystemNow() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  int msec = static_cast<int>(ms % 1000);
  if (msec < 0) {
    msec += 1000;
    --seconds;
  }
  std::tm local{};
  localtime_r(&seconds, &local);
  const std::int64_t day =
      DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday)) +
      kUnixEpochDays;
  // A leap second (tm_sec 60) is folded into the last second of the minute.
  const int sec = local.tm_sec > 59 ? 59 : local.tm_sec;
  const std::int64_t msOfDay = ((local.tm_hour * 60LL + local.tm_min) * 60 + sec) * 1000 + msec;
  return JoinDateTime(day, msOfDay);
}

std::mutex& ClockMutex() {
  static std::mutex m;
  return m;
}

std::function<TDateTime()>& ClockFunction() {
  static std::function<TDateTime()> clock;
  return clock;
}

// ---- Formatting ----

bool IsLetter(char c, char lower) {
  return c == lower || c == lower - 'a' + 'A';
}

// Number of consecutive occurrences of letter `lower` (either case) from `pos`.
size_t RunLength(std::string_view f, size_t pos, char lower) {
  size_t n = 0;
  while (pos + n < f.size() && IsLetter(f[pos + n], lower)) ++n;
  return n;
}

bool StartsWithNoCase(std::string_view f, size_t pos, std::string_view word) {
  if (f.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char c = f[pos + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  return true;
}

// True when the pattern holds "am/pm" or "a/p" outside quoted text, which makes hours
// 12-hour based.
bool UsesTwelveHours(std::string_view f) {
  for (size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c == '\'' || c == '"') {
      const size_t close = f.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p")) {
      return true;
    }
  }
  return false;
}

void AppendNumber(AnsiString& out, std::int64_t value, int width) {
  AnsiString digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width)
    out.append(static_cast<size_t>(width) - digits.size(), '0');
  out += digits;
}

struct Parts {
  int year, month, day, hour, minute, second, msec, dayOfWeek;
  bool hasTime;
};

void FormatInto(AnsiString& out, std::string_view f, const Parts& p, int depth) {
  // Nested patterns (ShortDateFormat inside "c" and so on) may refer to each other; a
  // small depth limit keeps a pattern that names itself from recursing forever.
  if (depth > 3) return;
  const bool twelve = UsesTwelveHours(f);
  bool afterHour = false;
  size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    switch (lower) {
      case '\'':
      case '"': {
        size_t close = f.find(c, i + 1);
        if (close == std::string_view::npos) close = f.size();
        out.append(f.substr(i + 1, close - i - 1));
        i = close + 1;
        continue;
      }
      case '/':
        out += DateSeparator;
        ++i;
        continue;
      case ':':
        out += TimeSeparator;
        ++i;
        continue;
      case 'c':
        FormatInto(out, ShortDateFormat, p, depth + 1);
        if (p.hasTime) {
          out += ' ';
          FormatInto(out, LongTimeFormat, p, depth + 1);
        }
        afterHour = false;
        ++i;
        continue;
      case 'y': {
        const size_t n = RunLength(f, i, 'y');
        if (n <= 2)
          AppendNumber(out, p.year % 100, 2);
        else
          AppendNumber(out, p.year, 4);
        i += n;
        afterHour = false;
        continue;
      }
      case 'm': {
        size_t n = RunLength(f, i, 'm');
        if (n > 4) n = 4;
        if (n <= 2 && afterHour)
          AppendNumber(out, p.minute, static_cast<int>(n));
        else if (n <= 2)
          AppendNumber(out, p.month, static_cast<int>(n));
        else if (n == 3)
          out += kShortMonthNames[p.month - 1];
        else
          out += kLongMonthNames[p.month - 1];
        i += n;
        afterHour = false;
        continue;
      }
      case 'd': {
        size_t n = RunLength(f, i, 'd');
        if (n > 6) n = 6;
        if (n <= 2)
          AppendNumber(out, p.day, static_cast<int>(n));
        else if (n == 3)
          out += kShortDayNames[p.dayOfWeek - 1];
        else if (n == 4)
          out += kLongDayNames[p.dayOfWeek - 1];
        else
          FormatInto(out, ShortDateFormat, p, depth + 1);
        i += n;
        afterHour = false;
        continue;
      }
      case 'h': {
        size_t n = RunLength(f, i, 'h');
        if (n > 2) n = 2;
        int hour = p.hour;
        if (twelve) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendNumber(out, hour, static_cast<int>(n));
        i += n;
        afterHour = true;
        continue;
      }
      case 'n':
      case 's': {
        size_t n = RunLength(f, i, lower);
        if (n > 2) n = 2;
        AppendNumber(out, lower == 'n' ? p.minute : p.second, static_cast<int>(n));
        i += n;
        afterHour = false;
        continue;
      }
      case 'z': {
        size_t n = RunLength(f, i, 'z');
        if (n > 3) n = 3;
        AppendNumber(out, p.msec, n >= 3 ? 3 : 0);
        i += n;
        afterHour = false;
        continue;
      }
      case 't': {
        const size_t n = RunLength(f, i, 't') >= 2 ? 2 : 1;
        FormatInto(out, n == 1 ? std::string_view("hh:nn") : std::string_view(LongTimeFormat), p,
                   depth + 1);
        i += n;
        afterHour = false;
        continue;
      }
      case 'a':
        // The pattern's own letters are written, so "AM/PM" gives "AM" and "a/p" gives "a".
        if (StartsWithNoCase(f, i, "am/pm")) {
          out.append(p.hour < 12 ? f.substr(i, 2) : f.substr(i + 3, 2));
          i += 5;
          afterHour = false;
          continue;
        }
        if (StartsWithNoCase(f, i, "a/p")) {
          out += p.hour < 12 ? f[i] : f[i + 2];
          i += 3;
          afterHour = false;
          continue;
        }
        out += c;
        ++i;
        continue;
      default:
        out += c;
        ++i;
        continue;
    }
  }
}

// ---- Reading ----

struct Scanner {
  std::string_view s;
  size_t pos = 0;

  bool AtEnd() const { return pos >= s.size(); }
  void SkipBlanks() {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
  }
  // Reads 1..maxDigits decimal digits; `digits` gets how many were read.
  bool Number(int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
      if (digits == maxDigits) return false;
      value = value * 10 + (s[pos] - '0');
      ++digits;
      ++pos;
    }
    return digits > 0;
  }
  bool Char(char c) {
    if (pos < s.size() && s[pos] == c) {
      ++pos;
      return true;
    }
    return false;
  }
};

// The order of the year, month and day fields in ShortDateFormat, as a string of 'y', 'm'
// and 'd' (for example "ymd"); falls back to year-month-day when the format lacks one.
std::string DateFieldOrder() {
  std::string order;
  const std::string_view f = ShortDateFormat;
  for (size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (c == '\'' || c == '"') {
      const size_t close = f.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if ((lower == 'y' || lower == 'm' || lower == 'd') && order.find(lower) == std::string::npos)
      order += lower;
  }
  if (order.size() != 3) order = "ymd";
  return order;
}

// Reads a date at the scanner's position: three fields (or two, month and day, in the
// current year) separated by DateSeparator with optional blanks around it.
bool ScanDate(Scanner& sc, TDateTime& result) {
  int values[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int count = 0;
  sc.SkipBlanks();
  while (count < 3) {
    if (!sc.Number(9, values[count], digits[count])) return false;
    ++count;
    const size_t save = sc.pos;
    sc.SkipBlanks();
    if (count < 3 && sc.Char(DateSeparator)) {
      sc.SkipBlanks();
      continue;
    }
    sc.pos = save;
    break;
  }
  if (count < 2) return false;

  std::string order = DateFieldOrder();
  int year = 0, month = 0, day = 0, yearDigits = 4;
  if (count == 2) {
    order.erase(order.find('y'), 1);
    int m = 0, d = 0;
    DecodeDate(Date(), year, m, d);
  }
  for (int i = 0; i < count; ++i) {
    switch (order[static_cast<size_t>(i)]) {
      case 'y':
        year = values[i];
        yearDigits = digits[i];
        break;
      case 'm':
        month = values[i];
        break;
      default:
        day = values[i];
        break;
    }
  }
  if (yearDigits <= 2) year += year < 50 ? 2000 : 1900;
  return TryEncodeDate(year, month, day, result);
}

// Reads "h:nn[:ss[.zzz]]" with TimeSeparator, optionally followed by AM or PM.
bool ScanTime(Scanner& sc, TDateTime& result) {
  int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
  sc.SkipBlanks();
  if (!sc.Number(2, hour, digits)) return false;
  if (!sc.Char(TimeSeparator) || !sc.Number(2, minute, digits)) return false;
  if (sc.Char(TimeSeparator)) {
    if (!sc.Number(2, second, digits)) return false;
    if (sc.Char('.')) {
      if (!sc.Number(3, msec, digits)) return false;
      // ".5" is half a second.
      for (; digits < 3; ++digits) msec *= 10;
    }
  }
  sc.SkipBlanks();
  const std::string_view rest = sc.s.substr(sc.pos);
  if (StartsWithNoCase(rest, 0, "am") || StartsWithNoCase(rest, 0, "pm")) {
    if (hour < 1 || hour > 12) return false;
    const bool pm = rest[0] == 'p' || rest[0] == 'P';
    hour %= 12;
    if (pm) hour += 12;
    sc.pos += 2;
  }
  return TryEncodeTime(hour, minute, second, msec, result);
}

bool AtEndAfterBlanks(Scanner& sc) {
  sc.SkipBlanks();
  return sc.AtEnd();
}

}  // namespace

// ---- Encoding and decoding ----

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInAMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!IsValidDate(year, month, day)) return false;
  result = static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kUnixEpochDays);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return false;
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
  result = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, msec, result))
    throw EConvertError("Invalid argument to time encode");
  return result;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(date, d, ms);
  // Outside years 1..9999 the result is clamped to the nearest supported day.
  if (d < kMinDay) d = kMinDay;
  if (d > kMaxDay) d = kMaxDay;
  CivilFromDays(d - kUnixEpochDays, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& minute, int& second, int& msec) {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(time, d, ms);
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

int DayOfWeek(TDateTime date) {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(date, d, ms);
  // Day 0 (1899-12-30) was a Saturday.
  return static_cast<int>(((d - 1) % 7 + 7) % 7) + 1;
}

TDateTime IncMonth(TDateTime date, int months) {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(date, d, ms);
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  const std::int64_t total = static_cast<std::int64_t>(year) * 12 + (month - 1) + months;
  std::int64_t newYear = total >= 0 ? total / 12 : (total - 11) / 12;
  const int newMonth = static_cast<int>(total - newYear * 12) + 1;
  if (newYear < 1 || newYear > 9999) throw EConvertError("Invalid argument to date encode");
  const int y = static_cast<int>(newYear);
  const int maxDay = DaysInAMonth(y, newMonth);
  const TDateTime newDate = EncodeDate(y, newMonth, day > maxDay ? maxDay : day);
  return JoinDateTime(static_cast<std::int64_t>(newDate), ms);
}

// ---- Clock ----

TDateTime Now() {
  std::function<TDateTime()> clock;
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    clock = ClockFunction();
  }
  return clock ? clock() : SystemNow();
}

TDateTime Date() {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(Now(), d, ms);
  return static_cast<double>(d);
}

TDateTime Time() {
  std::int64_t d = 0, ms = 0;
  SplitDateTime(Now(), d, ms);
  return JoinDateTime(0, ms);
}

void SetClock(std::function<TDateTime()> clock) {
  {
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockFunction().swap(clock);
  }
  // `clock` now holds the previous clock, destroyed outside the lock.
}

void FixClock(TDateTime moment) {
  SetClock([moment] { return moment; });
}

void ResetClock() {
  SetClock(nullptr);
}

// ---- Formatting ----

AnsiString FormatDateTime(std::string_view format, TDateTime dateTime) {
  Parts p{};
  std::int64_t d = 0, ms = 0;
  SplitDateTime(dateTime, d, ms);
  DecodeDate(dateTime, p.year, p.month, p.day);
  DecodeTime(dateTime, p.hour, p.minute, p.second, p.msec);
  p.dayOfWeek = DayOfWeek(dateTime);
  p.hasTime = ms != 0;
  AnsiString out;
  FormatInto(out, format, p, 0);
  return out;
}

AnsiString DateToStr(TDateTime date) {
  return FormatDateTime("ddddd", date);
}
AnsiString TimeToStr(TDateTime time) {
  return FormatDateTime("tt", time);
}
AnsiString DateTimeToStr(TDateTime dateTime) {
  return FormatDateTime("c", dateTime);
}

// ---- Reading ----

bool TryStrToDate(std::string_view s, TDateTime& result) {
  Scanner sc{s};
  TDateTime date = 0;
  if (!ScanDate(sc, date) || !AtEndAfterBlanks(sc)) return false;
  result = date;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& result) {
  Scanner sc{s};
  TDateTime date = 0, time = 0;
  if (ScanDate(sc, date)) {
    if (!AtEndAfterBlanks(sc)) {
      // A time must be set off from the date by a blank.
      if (sc.pos == 0 || (s[sc.pos - 1] != ' ' && s[sc.pos - 1] != '\t')) return false;
      if (!ScanTime(sc, time) || !AtEndAfterBlanks(sc)) return false;
    }
  } else {
    // A time alone is a time on day 0.
    sc.pos = 0;
    date = 0;
    if (!ScanTime(sc, time) || !AtEndAfterBlanks(sc)) return false;
  }
  result = date < 0 ? date - time : date + time;
  return true;
}

TDateTime StrToDate(std::string_view s) {
  TDateTime result = 0;
  if (!TryStrToDate(s, result)) throw EConvertError("'" + AnsiString(s) + "' is not a valid date");
  return result;
}

TDateTime StrToDateTime(std::string_view s) {
  TDateTime result = 0;
  if (!TryStrToDateTime(s, result))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid date and time");
  return result;
}

}  // namespace vcl
