#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/Exception.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// Restores the formatting globals that a test changes.
class DateSettingsGuard {
 public:
  DateSettingsGuard()
      : shortDate_(ShortDateFormat),
        longTime_(LongTimeFormat),
        dateSep_(DateSeparator),
        timeSep_(TimeSeparator) {}
  ~DateSettingsGuard() {
    ShortDateFormat = shortDate_;
    LongTimeFormat = longTime_;
    DateSeparator = dateSep_;
    TimeSeparator = timeSep_;
  }

 private:
  AnsiString shortDate_, longTime_;
  char dateSep_, timeSep_;
};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  const TDateTime date = EncodeDate(y, mo, d);
  const TDateTime time = EncodeTime(h, mi, s, ms);
  return date < 0 ? date - time : date + time;
}

struct Ymd {
  int year, month, day;
};

}  // namespace

TEST(DateTimeEncode, LeapYearsAndMonthLengths) {
  struct Case {
    int year;
    bool leap;
  } cases[] = {{1900, false}, {2000, true}, {2024, true}, {2023, false},
               {2100, false}, {1600, true}, {4, true},    {1, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(DaysInAMonth(c.year, 2), c.leap ? 29 : 28) << c.year;
  }
  EXPECT_EQ(DaysInAMonth(2023, 4), 30);
  EXPECT_EQ(DaysInAMonth(2023, 12), 31);
  EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

TEST(DateTimeEncode, KnownSerialNumbers) {
  struct Case {
    Ymd date;
    double serial;
  } cases[] = {
      {{1899, 12, 30}, 0.0},    {{1899, 12, 31}, 1.0},       {{1900, 1, 1}, 2.0},
      {{1900, 3, 1}, 61.0},     {{2000, 1, 1}, 36526.0},     {{1899, 12, 29}, -1.0},
      {{1, 1, 1}, -693593.0},   {{9999, 12, 31}, 2958465.0}, {{1970, 1, 1}, 25569.0},
      {{2024, 2, 29}, 45351.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeDate(c.date.year, c.date.month, c.date.day), c.serial)
        << c.date.year << "-" << c.date.month << "-" << c.date.day;
  }
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / 86400000.0);
}

TEST(DateTimeEncode, InvalidArgumentsRaise) {
  const Ymd badDates[] = {{2023, 2, 29}, {1900, 2, 29}, {2024, 2, 30}, {2024, 0, 1},  {2024, 13, 1},
                          {2024, 4, 31}, {2024, 1, 0},  {0, 1, 1},     {10000, 1, 1}, {-5, 1, 1}};
  for (const auto& d : badDates) {
    TDateTime out = 123;
    EXPECT_FALSE(TryEncodeDate(d.year, d.month, d.day, out)) << d.year << "-" << d.month;
    EXPECT_EQ(out, 123);
    EXPECT_FALSE(IsValidDate(d.year, d.month, d.day));
    try {
      EncodeDate(d.year, d.month, d.day);
      ADD_FAILURE() << "no exception for " << d.year << "-" << d.month << "-" << d.day;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
  }
  struct BadTime {
    int h, m, s, ms;
  } badTimes[] = {{24, 0, 0, 0}, {-1, 0, 0, 0},   {0, 60, 0, 0},
                  {0, 0, 60, 0}, {0, 0, 0, 1000}, {0, 0, 0, -1}};
  for (const auto& t : badTimes) {
    try {
      EncodeTime(t.h, t.m, t.s, t.ms);
      ADD_FAILURE() << "no exception for " << t.h << ":" << t.m << ":" << t.s << "." << t.ms;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
  }
}

TEST(DateTimeDecode, DateRoundTrip) {
  const Ymd dates[] = {{1, 1, 1},      {1, 12, 31},    {100, 2, 28},   {1600, 2, 29},
                       {1899, 12, 29}, {1899, 12, 30}, {1899, 12, 31}, {1900, 2, 28},
                       {1900, 3, 1},   {1970, 1, 1},   {2000, 2, 29},  {2000, 12, 31},
                       {2024, 2, 29},  {2024, 3, 1},   {9999, 12, 31}};
  for (const auto& d : dates) {
    const TDateTime serial = EncodeDate(d.year, d.month, d.day);
    // With a time of day too: the date part must not move.
    for (double time : {0.0, 0.25, 0.999}) {
      const TDateTime value = serial < 0 ? serial - time : serial + time;
      int y = 0, m = 0, day = 0;
      DecodeDate(value, y, m, day);
      EXPECT_EQ(y, d.year) << value;
      EXPECT_EQ(m, d.month) << value;
      EXPECT_EQ(day, d.day) << value;
    }
  }
}

TEST(DateTimeDecode, NegativeDatesKeepTimeForward) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  DecodeDate(-1.25, y, mo, d);
  DecodeTime(-1.25, h, mi, s, ms);
  EXPECT_EQ(y, 1899);
  EXPECT_EQ(mo, 12);
  EXPECT_EQ(d, 29);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(mi, 0);
  EXPECT_DOUBLE_EQ(At(1899, 12, 29, 6), -1.25);
}

TEST(DateTimeDecode, TimeRoundsToNearestMillisecond) {
  struct Case {
    double value;
    Ymd date;
    int h, m, s, ms;
  } cases[] = {
      // Just below midnight: rounds up into the next day, not 23:59:59.999.
      {0.99999999999, {1899, 12, 31}, 0, 0, 0, 0},
      {36526.99999999999, {2000, 1, 2}, 0, 0, 0, 0},
      {36526.0 + EncodeTime(13, 45, 10, 500), {2000, 1, 1}, 13, 45, 10, 500},
      {36526.0 + EncodeTime(23, 59, 59, 999), {2000, 1, 1}, 23, 59, 59, 999},
      // A value a hair below an exact second.
      {EncodeTime(10, 0, 1, 0) - 1e-12, {1899, 12, 30}, 10, 0, 1, 0},
      {-1.99999999999, {1899, 12, 28}, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(c.value, y, mo, d);
    DecodeTime(c.value, h, mi, s, ms);
    EXPECT_EQ(y, c.date.year) << c.value;
    EXPECT_EQ(mo, c.date.month) << c.value;
    EXPECT_EQ(d, c.date.day) << c.value;
    EXPECT_EQ(h, c.h) << c.value;
    EXPECT_EQ(mi, c.m) << c.value;
    EXPECT_EQ(s, c.s) << c.value;
    EXPECT_EQ(ms, c.ms) << c.value;
  }
  // Every millisecond value of a second survives a round trip.
  for (int msec = 0; msec < 1000; msec += 7) {
    int h = 0, mi = 0, s = 0, ms = 0;
    DecodeTime(45000.0 + EncodeTime(17, 3, 9, msec), h, mi, s, ms);
    EXPECT_EQ(ms, msec);
    EXPECT_EQ(s, 9);
  }
}

TEST(DateTimeCalendar, DayOfWeekOfKnownDates) {
  struct Case {
    Ymd date;
    int dow;
  } cases[] = {
      {{1899, 12, 30}, 7},  // Saturday
      {{1899, 12, 31}, 1},  // Sunday
      {{1899, 12, 29}, 6},  // Friday
      {{2000, 1, 1}, 7},    // Saturday
      {{2024, 2, 29}, 5},   // Thursday
      {{1969, 7, 20}, 1},   // Sunday
      {{1, 1, 1}, 2},       // Monday
  };
  for (const auto& c : cases) {
    const TDateTime d = EncodeDate(c.date.year, c.date.month, c.date.day);
    EXPECT_EQ(DayOfWeek(d), c.dow) << c.date.year << "-" << c.date.month << "-" << c.date.day;
    EXPECT_EQ(DayOfWeek(d < 0 ? d - 0.75 : d + 0.75), c.dow) << "with a time";
  }
}

TEST(DateTimeCalendar, IncMonthClampsAndKeepsTime) {
  struct Case {
    Ymd from;
    int months;
    Ymd to;
  } cases[] = {
      {{2024, 1, 31}, 1, {2024, 2, 29}},    {{2023, 1, 31}, 1, {2023, 2, 28}},
      {{2023, 3, 31}, -1, {2023, 2, 28}},   {{2024, 3, 31}, -1, {2024, 2, 29}},
      {{2023, 12, 31}, 2, {2024, 2, 29}},   {{2024, 2, 29}, 12, {2025, 2, 28}},
      {{2024, 2, 29}, -12, {2023, 2, 28}},  {{2024, 1, 15}, -13, {2022, 12, 15}},
      {{2024, 5, 31}, 0, {2024, 5, 31}},    {{2024, 10, 31}, 25, {2026, 11, 30}},
      {{1899, 12, 29}, -1, {1899, 11, 29}},
  };
  for (const auto& c : cases) {
    const TDateTime from = At(c.from.year, c.from.month, c.from.day, 13, 45, 10, 500);
    const TDateTime got = IncMonth(from, c.months);
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDate(got, y, m, d);
    DecodeTime(got, h, mi, s, ms);
    EXPECT_EQ(y, c.to.year) << c.from.year << "-" << c.from.month << " + " << c.months;
    EXPECT_EQ(m, c.to.month) << c.from.year << "-" << c.from.month << " + " << c.months;
    EXPECT_EQ(d, c.to.day) << c.from.year << "-" << c.from.month << " + " << c.months;
    EXPECT_EQ(h, 13);
    EXPECT_EQ(mi, 45);
    EXPECT_EQ(s, 10);
    EXPECT_EQ(ms, 500);
  }
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
}

TEST(DateTimeClock, FixedClockDrivesNowDateAndTime) {
  const TDateTime moment = At(2024, 3, 15, 9, 30, 15, 250);
  {
    testsupport::FixedClock fixed(moment);
    EXPECT_EQ(Now(), moment);
    EXPECT_EQ(Date(), EncodeDate(2024, 3, 15));
    EXPECT_DOUBLE_EQ(Time(), EncodeTime(9, 30, 15, 250));
  }
  int calls = 0;
  SetClock([&calls] {
    ++calls;
    return 1000.5;
  });
  EXPECT_EQ(Now(), 1000.5);
  EXPECT_EQ(Date(), 1000.0);
  EXPECT_EQ(calls, 2);
  ResetClock();
  // Back on the system clock: today, somewhere after 2020.
  const TDateTime now = Now();
  EXPECT_GT(now, EncodeDate(2020, 1, 1));
  EXPECT_LT(now, EncodeDate(2200, 1, 1));
  EXPECT_EQ(calls, 2);
  SetClock(nullptr);
  EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}

TEST(DateTimeFormat, Patterns) {
  DateSettingsGuard guard;
  const TDateTime morning = At(2024, 3, 5, 9, 7, 4, 45);
  const TDateTime evening = At(2023, 11, 26, 21, 30, 0, 0);
  struct Case {
    const char* format;
    TDateTime value;
    const char* expected;
  } cases[] = {
      {"yyyy/mm/dd hh:nn:ss", morning, "2024/03/05 09:07:04"},
      {"yy-m-d h:n:s", morning, "24-3-5 9:7:4"},
      {"yyyy", EncodeDate(5, 1, 1), "0005"},
      {"z zzz", morning, "45 045"},
      // m and mm right after an hour are minutes, also across separators and literals.
      {"hh:mm", morning, "09:07"},
      {"h'h'mm", morning, "9h07"},
      {"mm/dd hh", morning, "03/05 09"},
      {"hh:mm dd/mm", morning, "09:07 05/03"},
      {"ddd dddd", morning, "Tue Tuesday"},
      {"mmm mmmm", evening, "Nov November"},
      {"DD/MM/YYYY", morning, "05/03/2024"},
      {"ddddd", morning, "2024/03/05"},
      {"dddddd", morning, "2024/03/05"},
      {"c", morning, "2024/03/05 09:07:04"},
      {"c", EncodeDate(2024, 3, 5), "2024/03/05"},
      {"t", evening, "21:30"},
      {"tt", evening, "21:30:00"},
      {"h:nn am/pm", evening, "9:30 pm"},
      {"h:nn AM/PM", morning, "9:07 AM"},
      {"hh a/p", At(2024, 1, 1, 0), "12 a"},
      {"hh A/P", At(2024, 1, 1, 12), "12 P"},
      {"'yyyy' \"hh\" yyyy", morning, "yyyy hh 2024"},
      {"'unterminated", morning, "unterminated"},
      {"[x]", morning, "[x]"},
      {"", morning, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, c.value), c.expected) << c.format;

  DateSeparator = '-';
  TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss:zzz", morning), "2024-03-05 09.07.04.045");
  EXPECT_EQ(FormatDateTime("yyyy'/'mm", morning), "2024/03");
}

TEST(DateTimeFormat, DateAndTimeStringsFollowGlobals) {
  DateSettingsGuard guard;
  const TDateTime value = At(2024, 3, 5, 9, 7, 4);
  EXPECT_EQ(DateToStr(value), "2024/03/05");
  EXPECT_EQ(TimeToStr(value), "09:07:04");
  EXPECT_EQ(DateTimeToStr(value), "2024/03/05 09:07:04");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "2024/03/05");

  ShortDateFormat = "d/m/yyyy";
  LongTimeFormat = "h:nn";
  DateSeparator = '.';
  EXPECT_EQ(DateToStr(value), "5.3.2024");
  EXPECT_EQ(TimeToStr(value), "9:07");
  EXPECT_EQ(DateTimeToStr(value), "5.3.2024 9:07");
  // A format that names itself does not recurse forever.
  ShortDateFormat = "ddddd";
  EXPECT_EQ(DateToStr(value), "");
}

TEST(DateTimeParse, ReadsFieldsInShortDateOrder) {
  DateSettingsGuard guard;
  struct Case {
    const char* shortFormat;
    char separator;
    const char* text;
    Ymd expected;
  } cases[] = {
      {"yyyy/mm/dd", '/', "2024/03/05", {2024, 3, 5}},
      {"yyyy/mm/dd", '/', " 2024 / 3 / 5 ", {2024, 3, 5}},
      {"yyyy/mm/dd", '/', "24/3/5", {2024, 3, 5}},
      {"yyyy/mm/dd", '/', "49/1/1", {2049, 1, 1}},
      {"yyyy/mm/dd", '/', "50/1/1", {1950, 1, 1}},
      {"yyyy/mm/dd", '/', "0012/1/1", {12, 1, 1}},
      {"d/m/yyyy", '.', "5.3.2024", {2024, 3, 5}},
      {"mm/dd/yy", '-', "03-05-99", {1999, 3, 5}},
      {"'Day' dd, mm yyyy", '/', "05/03/2024", {2024, 3, 5}},
  };
  for (const auto& c : cases) {
    ShortDateFormat = c.shortFormat;
    DateSeparator = c.separator;
    EXPECT_EQ(StrToDate(c.text), EncodeDate(c.expected.year, c.expected.month, c.expected.day))
        << c.shortFormat << " " << c.text;
  }
  // Month and day alone are in the current year.
  testsupport::FixedClock fixed(At(2031, 6, 1, 12));
  ShortDateFormat = "yyyy/mm/dd";
  DateSeparator = '/';
  EXPECT_EQ(StrToDate("7/4"), EncodeDate(2031, 7, 4));
}

TEST(DateTimeParse, RoundTripsFormattedDates) {
  DateSettingsGuard guard;
  const char* formats[] = {"yyyy/mm/dd", "dd/mm/yyyy", "m/d/yyyy", "dd/mm/yy"};
  const TDateTime dates[] = {EncodeDate(2000, 2, 29), EncodeDate(2024, 12, 31),
                             EncodeDate(1999, 1, 1)};
  for (const char* f : formats) {
    ShortDateFormat = f;
    for (char sep : {'/', '-'}) {
      DateSeparator = sep;
      for (TDateTime d : dates) EXPECT_EQ(StrToDate(DateToStr(d)), d) << f << " " << DateToStr(d);
    }
  }
  ShortDateFormat = "yyyy/mm/dd";
  DateSeparator = '/';
  LongTimeFormat = "hh:nn:ss";
  const TDateTime values[] = {At(2024, 3, 5, 9, 7, 4), At(1899, 12, 29, 6), EncodeDate(2024, 3, 5)};
  for (TDateTime v : values) EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v) << DateTimeToStr(v);
}

TEST(DateTimeParse, DateAndTime) {
  DateSettingsGuard guard;
  struct Case {
    const char* text;
    TDateTime expected;
  } cases[] = {
      {"2024/03/05 09:07", At(2024, 3, 5, 9, 7)},
      {"2024/03/05  9:07:04 ", At(2024, 3, 5, 9, 7, 4)},
      {"2024/03/05 09:07:04.045", At(2024, 3, 5, 9, 7, 4, 45)},
      {"2024/03/05 09:07:04.5", At(2024, 3, 5, 9, 7, 4, 500)},
      {"2024/03/05 9:07 pm", At(2024, 3, 5, 21, 7)},
      {"2024/03/05 12:00 AM", EncodeDate(2024, 3, 5)},
      {"2024/03/05", EncodeDate(2024, 3, 5)},
      {"1899/12/29 06:00", -1.25},
      {"13:30", EncodeTime(13, 30, 0, 0)},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(StrToDateTime(c.text), c.expected) << c.text;
  TimeSeparator = '.';
  EXPECT_DOUBLE_EQ(StrToDateTime("2024/03/05 09.07.04"), At(2024, 3, 5, 9, 7, 4));
}

TEST(DateTimeParse, InvalidTextRaises) {
  DateSettingsGuard guard;
  const char* badDates[] = {"",
                            "2024",
                            "2024/13/01",
                            "2023/02/29",
                            "2024/3/5/1",
                            "2024-03-05",
                            "2024/03/5x",
                            "abc",
                            "2024//05",
                            "/3/5",
                            "2024/03/",
                            "99999999999/1/1",
                            "2024/03/05 10:00"};
  for (const char* s : badDates) {
    TDateTime out = 7;
    EXPECT_FALSE(TryStrToDate(s, out)) << s;
    EXPECT_EQ(out, 7);
    try {
      StrToDate(s);
      ADD_FAILURE() << "no exception for '" << s << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid date");
    }
  }
  const char* badDateTimes[] = {"2024/03/05 25:00",  "2024/03/05 10",   "2024/03/05 10:61",
                                "2024/03/05 10:00x", "2024/03/0510:00", "2024/03/05 13:00 pm",
                                "2024/02/30 10:00",  "10:00:00.1234",   ""};
  for (const char* s : badDateTimes) {
    try {
      StrToDateTime(s);
      ADD_FAILURE() << "no exception for '" << s << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(s) + "' is not a valid date and time");
    }
  }
}
