// The shared helper functions: delimited texts, date texts in the company layouts, variant
// helpers, published properties by name on real controls, and dialog button captions.
#include "lib/LibStrs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "tests/support/TestSupport.h"

using namespace kv;
using vcl::EncodeDate;

namespace {

// ---- delimited texts ---------------------------------------------------------------------

struct FieldCase {
  const char* text;
  const char* separator;
  int n;
  const char* expected;
};

TEST(LibStrsFields, GetFieldPicksTheNthField) {
  const FieldCase cases[] = {
      {"a;b;c", ";", 1, "a"},
      {"a;b;c", ";", 2, "b"},
      {"a;b;c", ";", 3, "c"},
      {"a;b;c", ";", 4, ""},
      {"a;b;", ";", 3, ""},
      {"a;b;", ";", 2, "b"},
      {";x", ";", 1, ""},
      {";x", ";", 2, "x"},
      {"a;b;c", ";", 0, ""},
      {"a;b;c", ";", -1, ""},
      {"abc", ";", 1, "abc"},
      {"abc", ";", 2, ""},
      {"", ";", 1, ""},
      // Multi-character separators split without overlap.
      {"k1<>v1<>k2", "<>", 2, "v1"},
      {"k1<>v1<>k2", "<>", 3, "k2"},
      {";;;", ";;", 2, ";"},
      // An empty separator never splits.
      {"a;b", "", 1, "a;b"},
      {"a;b", "", 2, ""},
  };
  for (const FieldCase& c : cases)
    EXPECT_EQ(GetField(c.text, c.separator, c.n), c.expected)
        << "'" << c.text << "' by '" << c.separator << "' field " << c.n;
}

struct CountCase {
  const char* text;
  const char* separator;
  int expected;
};

TEST(LibStrsFields, CountFieldsMatchesTheFieldsGetFieldReturns) {
  const CountCase cases[] = {
      {"a,b,c", ",", 3},
      {"abc", ",", 1},
      {"", ",", 0},
      {"a;b;", ";", 3},
      {",", ",", 2},
      {"x##y", "#", 3},
      {"1#2", "#", 2},
      // Separators that start with "#" and overlapping separators are counted as GetField
      // splits them, and counting ends.
      {"#a#a", "#a", 3},
      {"##a##a", "##a", 3},
      {";;;", ";;", 2},
      {"aaaa", "aa", 3},
      {"abc", "", 1},
  };
  for (const CountCase& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "' by '" + c.separator + "'");
    const int count = CountFields(c.text, c.separator);
    EXPECT_EQ(count, c.expected);
    // Joining the counted fields gives the text back: no field is lost or invented.
    std::string joined;
    for (int i = 1; i <= count; ++i)
      joined += (i > 1 ? c.separator : "") + GetField(c.text, c.separator, i);
    EXPECT_EQ(joined, c.text);
  }
}

struct SplitCase {
  const char* text;
  const char* separator;
  const char* head;
  const char* rest;
};

TEST(LibStrsFields, SplitFirstTakesTheHeadAndLeavesTheRest) {
  const SplitCase cases[] = {
      {"a;b;c", ";", "a", "b;c"}, {"abc", ";", "abc", ""}, {"", ";", "", ""},
      {";x", ";", "", "x"},       {"x;", ";", "x", ""},    {"a<>b<>c", "<>", "a", "b<>c"},
      {"a;b", "", "a;b", ""},
  };
  for (const SplitCase& c : cases) {
    AnsiString text = c.text;
    EXPECT_EQ(SplitFirst(text, c.separator), c.head) << c.text;
    EXPECT_EQ(text, c.rest) << c.text;
  }
}

struct ReplaceCase {
  const char* text;
  const char* search;
  const char* replacement;
  bool trim;
  const char* expected;
};

TEST(LibStrsFields, ReplaceAllRepeatsUntilNoneIsLeft) {
  const ReplaceCase cases[] = {
      {"a,b,,c", ",", "", false, "abc"},
      // Searching again from the start removes occurrences that a deletion brings together.
      {"aabb", "ab", "", false, ""},
      {"xaabbx", "ab", "", false, "xx"},
      {"a--b---c", "--", "-", false, "a-b-c"},
      // Case-sensitive search.
      {"ABab", "ab", "", false, "AB"},
      // Search and replacement equal ignoring case: nothing is replaced, trimming still runs.
      {"abcABC", "abc", "ABC", false, "abcABC"},
      {"  abc  ", "b", "B", true, "abc"},
      {"  x-y  ", "-", "", true, "xy"},
      {"  x-y  ", "-", "", false, "  xy  "},
      {"no match", "z", "", false, "no match"},
      {"abc", "", "x", false, "abc"},
      {"", "a", "", false, ""},
      // Replacements that are not shorter would never end under repeated searching; every
      // occurrence is replaced once.
      {"aXa", "a", "aa", false, "aaXaa"},
      {"ab", "ab", "ba", false, "ba"},
      {"a.b.c", ".", "::", false, "a::b::c"},
  };
  for (const ReplaceCase& c : cases)
    EXPECT_EQ(ReplaceAll(c.text, c.search, c.replacement, c.trim), c.expected)
        << "'" << c.text << "' '" << c.search << "' -> '" << c.replacement << "'";
}

TEST(LibStrsFields, JoinCountedListWritesTheCountedElements) {
  const WideString mark(1, u'\x03');
  EXPECT_EQ(JoinCountedList("P", vcl::VarArrayOf({2, "x", "y", "z"})),
            u"P" + mark + u"2" + mark + u"x" + mark + u"y" + mark);
  EXPECT_EQ(JoinCountedList("", vcl::VarArrayOf({0})), mark + u"0" + mark);
  // The count is read from element 0, also from text; null elements are empty.
  EXPECT_EQ(JoinCountedList("Q", vcl::VarArrayOf({"2", vcl::Null, WideString(u"w")})),
            u"Q" + mark + u"2" + mark + mark + u"w" + mark);
  // A count beyond the array never reads past its end; a negative or unreadable count
  // gives no elements.
  EXPECT_EQ(JoinCountedList("P", vcl::VarArrayOf({5, "x"})),
            u"P" + mark + u"5" + mark + u"x" + mark);
  EXPECT_EQ(JoinCountedList("P", vcl::VarArrayOf({-1, "x"})), u"P" + mark + u"-1" + mark);
  EXPECT_EQ(JoinCountedList("P", vcl::VarArrayOf({"many", "x"})), u"P" + mark + u"many" + mark);
  // The prefix is read in the ANSI code page.
  {
    testsupport::ScopedCodePage gb(936);
    EXPECT_EQ(JoinCountedList(vcl::DesignText(u8"部门"), vcl::VarArrayOf({0})),
              u"部门" + mark + u"0" + mark);
  }
}

TEST(LibStrsFields, JoinCountedListOfNoListIsEmpty) {
  Variant fromOne = vcl::VarArrayCreate({1, 3}, vcl::varVariant);
  const Variant values[] = {vcl::Unassigned, vcl::Null,
                            Variant("a;b"),  Variant(3),
                            fromOne,         vcl::VarArrayCreate({0, 1, 0, 1}, vcl::varVariant)};
  for (const Variant& v : values)
    EXPECT_TRUE(JoinCountedList("P", v).empty()) << vcl::VarTypeAsText(v.VarType());
}

// ---- dates -------------------------------------------------------------------------------

struct FormatCase {
  int type;
  const char* separator;
  int year, month, day;
  const char* full;
  const char* yearMonth;
};

TEST(LibStrsDates, FormatByTypeUsesTheLayoutOfTheType) {
  const FormatCase cases[] = {
      {dt_YYYYMMDD, "/", 2011, 3, 5, "2011/03/05", "2011/03"},
      {dt_YYYYMMDD, "", 2011, 3, 5, "20110305", "201103"},
      // Only the first character of the separator text is used.
      {dt_YYYYMMDD, "/-", 2011, 3, 5, "2011/03/05", "2011/03"},
      {dt_YYYYMMDD, "-", 987, 1, 2, "0987-01-02", "0987-01"},
      {dt_MMDDYYYY, "-", 2011, 3, 5, "03-05-2011", "03-2011"},
      {dt_DDMMYYYY, ".", 2011, 3, 5, "05.03.2011", "03.2011"},
      // Republic-of-China years: minimum widths, a three-digit year is never cut.
      {dt_YYMMDD, "/", 2011, 3, 5, "100/03/05", "100/03"},
      {dt_YYMMDD, "/", 1995, 1, 2, "84/01/02", "84/01"},
      {dt_YYMMDD, "/", 1915, 12, 31, "04/12/31", "04/12"},
      {dt_YYYMMDD, "/", 2011, 3, 5, "100/03/05", "100/03"},
      {dt_YYYMMDD, "/", 1995, 1, 2, "084/01/02", "084/01"},
      {dt_YYYMMDD, "", 1995, 1, 2, "0840102", "08401"},
      {dt_NoneCare, "/", 2011, 3, 5, "", ""},
      {6, "/", 2011, 3, 5, "", ""},
      {-1, "/", 2011, 3, 5, "", ""},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + " '" + c.separator + "'");
    const vcl::TDateTime date = EncodeDate(c.year, c.month, c.day);
    EXPECT_EQ(FormatDateByType(c.type, c.separator, date), c.full);
    EXPECT_EQ(FormatYearMonthByType(c.type, c.separator, date), c.yearMonth);
    // The time of day does not show (after 1899-12-30, where adding a time keeps the day).
    if (date > 0) {
      EXPECT_EQ(FormatDateByType(c.type, c.separator, date + 0.75), c.full);
    }
  }
  for (int type = dt_NoneCare; type <= dt_YYYMMDD; ++type) {
    EXPECT_EQ(FormatDateByType(type, "/", 0), "") << type;
    EXPECT_EQ(FormatYearMonthByType(type, "/", 0), "") << type;
  }
}

struct ParseCase {
  const char* text;
  int type;
  const char* separator;
  int year, month, day;  // 0 for no date
};

TEST(LibStrsDates, ParseByTypeReadsTheLayoutAndRollsDaysOver) {
  const ParseCase cases[] = {
      {"2011/03/05", dt_YYYYMMDD, "/", 2011, 3, 5},
      {"03/05/2011", dt_MMDDYYYY, "/", 2011, 3, 5},
      {"05/03/2011", dt_DDMMYYYY, "/", 2011, 3, 5},
      {"100/03/05", dt_YYMMDD, "/", 2011, 3, 5},
      {"100/03/05", dt_YYYMMDD, "/", 2011, 3, 5},
      {"84-1-2", dt_YYMMDD, "-", 1995, 1, 2},
      {" 2011 / 3 / 5 ", dt_YYYYMMDD, "/", 2011, 3, 5},
      {"2011/03/05", dt_YYYYMMDD, "/-", 2011, 3, 5},
      // A day beyond the month's end rolls over into the following months.
      {"2011/02/30", dt_YYYYMMDD, "/", 2011, 3, 2},
      {"2012/02/30", dt_YYYYMMDD, "/", 2012, 3, 1},
      {"2011/04/31", dt_YYYYMMDD, "/", 2011, 5, 1},
      {"2011/12/32", dt_YYYYMMDD, "/", 2012, 1, 1},
      {"2011/01/400", dt_YYYYMMDD, "/", 2012, 2, 4},
      {"31/02/2011", dt_DDMMYYYY, "/", 2011, 3, 3},
      // Unreadable texts.
      {"2011/13/01", dt_YYYYMMDD, "/", 0, 0, 0},
      {"13/01/2011", dt_MMDDYYYY, "/", 0, 0, 0},
      {"2011/0/05", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/03/0", dt_YYYYMMDD, "/", 0, 0, 0},
      {"0/03/05", dt_YYMMDD, "/", 0, 0, 0},
      {"2011/-3/05", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/03/xx", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/03", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/03/05/07", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011-03-05", dt_YYYYMMDD, "/", 0, 0, 0},
      {"20110305", dt_YYYYMMDD, "", 0, 0, 0},
      {"", dt_YYYYMMDD, "/", 0, 0, 0},
      {"   ", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/03/05", dt_NoneCare, "/", 0, 0, 0},
      {"2011/03/05", 6, "/", 0, 0, 0},
      // Outside the calendar, also through roll-over or huge numbers.
      {"10000/01/01", dt_YYYYMMDD, "/", 0, 0, 0},
      {"9999/12/32", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2011/01/99999999999", dt_YYYYMMDD, "/", 0, 0, 0},
      {"2147483647/01/01", dt_YYMMDD, "/", 0, 0, 0},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "' type " + std::to_string(c.type));
    const vcl::TDateTime expected = c.year ? EncodeDate(c.year, c.month, c.day) : 0;
    EXPECT_EQ(ParseDateByType(c.text, c.type, c.separator), expected);
  }
}

TEST(LibStrsDates, FormattedDatesParseBack) {
  const vcl::TDateTime dates[] = {EncodeDate(2011, 3, 5), EncodeDate(1912, 1, 1),
                                  EncodeDate(2024, 2, 29), EncodeDate(9999, 12, 31)};
  for (int type = dt_YYYYMMDD; type <= dt_YYYMMDD; ++type)
    for (vcl::TDateTime date : dates)
      for (const char* separator : {"/", ".", "-"}) {
        const AnsiString text = FormatDateByType(type, separator, date);
        EXPECT_EQ(ParseDateByType(text, type, separator), date) << text << " type " << type;
      }
}

TEST(LibStrsDates, YYYYMMDDToDateReadsOnlyRealDates) {
  const ParseCase cases[] = {
      {"20110305", 0, "", 2011, 3, 5},
      {"00010101", 0, "", 1, 1, 1},
      {"20240229", 0, "", 2024, 2, 29},
      {"20230229", 0, "", 0, 0, 0},
      {"20110230", 0, "", 0, 0, 0},
      {"20111301", 0, "", 0, 0, 0},
      {"20110300", 0, "", 0, 0, 0},
      {"00000101", 0, "", 0, 0, 0},
      {"2011x305", 0, "", 0, 0, 0},
      {"2011 3 5", 0, "", 0, 0, 0},
      {"2011035", 0, "", 0, 0, 0},
      {"201103051", 0, "", 0, 0, 0},
      {"", 0, "", 0, 0, 0},
  };
  for (const ParseCase& c : cases) {
    const vcl::TDateTime expected = c.year ? EncodeDate(c.year, c.month, c.day) : 0;
    EXPECT_EQ(YYYYMMDDToDate(c.text), expected) << c.text;
  }
}

TEST(LibStrsDates, IsValidDateTextKeepsTheBounds) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"", true},
      {"20110305", true},
      {"17530101", true},
      {"99991231", true},
      {"17521231", false},
      {"00010101", false},
      {"20110230", false},
      {"20110229", false},
      {"20120229", true},
      {"2011030", false},
      {"abcdefgh", false},
      // Text after the date is compared with the bounds as a whole.
      {"20110305x", true},
      {"99991231x", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidDateText(c.text), c.valid) << c.text;
}

// ---- variants and numbers ----------------------------------------------------------------

TEST(LibStrsVariants, IIfAndEmptyOrNull) {
  EXPECT_EQ(IIf(true, Variant("yes"), Variant(2)), Variant("yes"));
  EXPECT_EQ(IIf(false, Variant("yes"), Variant(2)), Variant(2));
  EXPECT_TRUE(IIf(false, Variant(1), vcl::Null).IsNull());

  Variant null = vcl::Null;
  Variant text = "x";
  const struct {
    Variant value;
    bool expected;
  } cases[] = {
      {vcl::Unassigned, true},   {vcl::Null, true},
      {vcl::VarRef(null), true}, {Variant(0), false},
      {Variant(""), false},      {vcl::VarRef(text), false},
      {Variant(false), false},   {vcl::VarArrayOf({}), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(VarIsEmptyOrNull(c.value), c.expected) << vcl::VarTypeAsText(c.value.VarType());
}

TEST(LibStrsVariants, StrToFloatDefNeedsTheWholeText) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"1.5", 1.5}, {" 2 ", 2},  {"-0.25", -0.25}, {"1e3", 1000}, {"1.5x", -7},
      {"", -7},     {"abc", -7}, {"1,5", -7},      {"1e999", -7}, {"--1", -7},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToFloatDef(c.text, -7), c.expected) << c.text;
}

// ---- system ------------------------------------------------------------------------------

TEST(LibStrsSystem, IsLocalHostOnlyForTheExactAddress) {
  EXPECT_TRUE(IsLocalHost("127.0.0.1"));
  for (const char* host : {"localhost", " 127.0.0.1", "127.0.0.1 ", "127.0.0.10", "127.0.0.2", ""})
    EXPECT_FALSE(IsLocalHost(host)) << "'" << host << "'";
}

TEST(LibStrsSystem, GetLongTempPathNamesTheTemporaryFolder) {
  testsupport::TempDir dir;
  testsupport::ScopedEnv tmp("TMPDIR", dir.path().string());
  EXPECT_EQ(GetLongTempPath(), dir.path().string() + "/");
}

TEST(LibStrsSystem, SimulateClickPressesAndReleasesTheLeftButton) {
  vcl::TForm form(nullptr);
  auto* button = new vcl::TButton(&form);
  button->SetParent(&form);
  button->SetBounds(10, 10, 80, 25);
  std::vector<std::string> events;
  button->OnMouseDown = vcl::TMouseEvent::Lambda(
      [&](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState, int x, int y) {
        events.push_back("down " + std::to_string(int(b)) + " " + std::to_string(x) + "," +
                         std::to_string(y));
      });
  button->OnMouseUp = vcl::TMouseEvent::Lambda(
      [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int x, int y) {
        events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
      });
  button->OnClick = vcl::TNotifyEvent::Lambda([&](vcl::TObject*) { events.push_back("click"); });

  SimulateClick(button, 0, vcl::MakeMousePos(5, 7));
  EXPECT_EQ(events, (std::vector<std::string>{"down 0 5,7", "up 5,7", "click"}));

  events.clear();
  SimulateClick(nullptr, 0, 0);
  EXPECT_TRUE(events.empty());
}

// ---- published properties ----------------------------------------------------------------

class LibStrsProps : public ::testing::Test {
 public:
  void Exit1(vcl::TObject*) { log.push_back("exit1"); }
  void Exit2(vcl::TObject*) { log.push_back("exit2"); }

 protected:
  void SetUp() override {
    edit = new vcl::TEdit(&form);
    edit->SetName("ed01");
    edit->SetParent(&form);
    edit->SetText("C001");
  }

  vcl::TForm form{nullptr};
  vcl::TEdit* edit = nullptr;
  std::vector<std::string> log;
};

TEST_F(LibStrsProps, ReadsByNameWithNeutralResults) {
  EXPECT_TRUE(HasProperty(edit, "Text"));
  EXPECT_TRUE(HasProperty(edit, "text"));
  EXPECT_TRUE(HasProperty(edit, "Font.Charset"));
  EXPECT_FALSE(HasProperty(edit, "ImeName"));
  EXPECT_FALSE(HasProperty(edit, "Font.Nothing"));
  EXPECT_FALSE(HasProperty(edit, ""));
  EXPECT_FALSE(HasProperty(nullptr, "Text"));

  EXPECT_EQ(GetStrPropByName(edit, "Text"), "C001");
  EXPECT_EQ(GetStrPropByName(edit, "TEXT"), "C001");
  EXPECT_EQ(GetStrPropByName(edit, "Font.Name"), edit->Font()->GetName());
  for (const char* name : {"ImeName", "", "MaxLength", "Font", "OnExit"})
    EXPECT_EQ(GetStrPropByName(edit, name), "") << name;
  EXPECT_EQ(GetStrPropByName(nullptr, "Text"), "");

  edit->SetMaxLength(10);
  edit->SetCharCase(vcl::TEditCharCase::ecLowerCase);
  EXPECT_EQ(GetOrdPropByName(edit, "MaxLength"), 10);
  EXPECT_EQ(GetOrdPropByName(edit, "CharCase"), 2);
  EXPECT_EQ(GetOrdPropByName(edit, "Font.Charset"), edit->Font()->GetCharset());
  for (const char* name : {"ImeName", "", "Text", "Font", "OnExit"})
    EXPECT_EQ(GetOrdPropByName(edit, name), 0) << name;
  EXPECT_EQ(GetOrdPropByName(nullptr, "MaxLength"), 0);

  EXPECT_EQ(GetClassProp(edit, "Font"), edit->Font());
  for (const char* name : {"Text", "MaxLength", "ImeName", ""})
    EXPECT_EQ(GetClassProp(edit, name), nullptr) << name;
  EXPECT_EQ(GetClassProp(nullptr, "Font"), nullptr);

  EXPECT_TRUE(HasPropertyOfType(edit, "Font", "TFont"));
  EXPECT_TRUE(HasPropertyOfType(edit, "font", "tfont"));
  EXPECT_TRUE(HasPropertyOfType(edit, "Font.Charset", "TFontCharset"));
  EXPECT_FALSE(HasPropertyOfType(edit, "Font", "TStrings"));
  EXPECT_FALSE(HasPropertyOfType(edit, "Items", "TStrings"));
  EXPECT_FALSE(HasPropertyOfType(edit, "", "TFont"));
  EXPECT_FALSE(HasPropertyOfType(nullptr, "Font", "TFont"));
}

TEST_F(LibStrsProps, WritesByNameAndIgnoresWhatIsNotThere) {
  SetStrPropByName(edit, "text", "C002");
  EXPECT_EQ(edit->GetText(), "C002");
  SetOrdPropByName(edit, "Font.Charset", 134);
  EXPECT_EQ(edit->Font()->GetCharset(), 134);
  SetOrdPropByName(edit, "MaxLength", 8);
  EXPECT_EQ(edit->MaxLength(), 8);

  // Missing properties, properties of another kind, null objects and empty names are left
  // alone without an error.
  SetStrPropByName(edit, "ImeName", "");
  SetStrPropByName(edit, "MaxLength", "3");
  SetStrPropByName(edit, "", "x");
  SetStrPropByName(nullptr, "Text", "x");
  SetOrdPropByName(edit, "Text", 5);
  SetOrdPropByName(edit, "Font.Nothing", 5);
  SetOrdPropByName(nullptr, "MaxLength", 5);
  EXPECT_EQ(edit->GetText(), "C002");
  EXPECT_EQ(edit->MaxLength(), 8);
  EXPECT_EQ(edit->Font()->GetCharset(), 134);

  // A value outside an enumeration is refused, not stored.
  EXPECT_THROW(SetOrdPropByName(edit, "CharCase", 7), vcl::EPropertyConvertError);
  EXPECT_EQ(edit->CharCase(), vcl::TEditCharCase::ecNormal);
}

TEST_F(LibStrsProps, EventHandlerIsReadReplacedAndRestored) {
  edit->OnExit = vcl::MethodOf<&LibStrsProps::Exit1>(this);
  const vcl::TMethod saved = GetMethodPropByName(edit, "OnExit");
  EXPECT_TRUE(saved == vcl::MethodOf<&LibStrsProps::Exit1>(this).Method());

  SetMethodPropByName(edit, "onexit", vcl::MethodOf<&LibStrsProps::Exit2>(this).Method());
  edit->OnExit(edit);
  SetMethodPropByName(edit, "OnExit", saved);
  edit->OnExit(edit);
  EXPECT_EQ(log, (std::vector<std::string>{"exit2", "exit1"}));

  // Missing or non-event properties give a null handler and are not written.
  for (const char* name : {"OnNothing", "Text", ""}) {
    const vcl::TMethod none = GetMethodPropByName(edit, name);
    EXPECT_EQ(none.Code, nullptr) << name;
    EXPECT_EQ(none.Data, nullptr) << name;
    SetMethodPropByName(edit, name, vcl::MethodOf<&LibStrsProps::Exit2>(this).Method());
  }
  EXPECT_EQ(GetMethodPropByName(nullptr, "OnExit").Code, nullptr);
  SetMethodPropByName(nullptr, "OnExit", saved);
  EXPECT_TRUE(GetMethodPropByName(edit, "OnExit") == saved);

  // A null handler clears the event; a handler of another event type is refused.
  SetMethodPropByName(edit, "OnExit", vcl::TMethod());
  EXPECT_FALSE(edit->OnExit);
  const vcl::TKeyPressEvent keyPress = vcl::TKeyPressEvent::Lambda([](vcl::TObject*, char&) {});
  EXPECT_THROW(SetMethodPropByName(edit, "OnExit", keyPress.Method()), vcl::EPropertyConvertError);
  EXPECT_FALSE(edit->OnExit);
}

struct PathCase {
  const char* path;
  Variant value;
  const char* expected;  // the property as text afterwards
};

TEST_F(LibStrsProps, SetPropertyByPathConvertsByPropertyKind) {
  const PathCase cases[] = {
      // Integers with named values: a known name or the raw number.
      {"Font.Charset", Variant("GB2312_CHARSET"), "GB2312_CHARSET"},
      {"Font.Charset", Variant("136"), "CHINESEBIG5_CHARSET"},
      {"Font.Charset", Variant(0), "ANSI_CHARSET"},
      {"Color", Variant("clRed"), "clRed"},
      {"Color", Variant(" clBlue "), "clBlue"},
      {"Color", Variant("$0000FF00"), "clLime"},
      // Enumerations and sets: trimmed text, or an integer as it is.
      {"CharCase", Variant(" ecUpperCase "), "ecUpperCase"},
      {"CharCase", Variant(2), "ecLowerCase"},
      {"CharCase", Variant("1"), "ecUpperCase"},
      {"ReadOnly", Variant(true), "True"},
      {"ReadOnly", Variant(" False "), "False"},
      {"Font.Style", Variant("[fsBold, fsItalic]"), "[fsBold,fsItalic]"},
      {"Font.Style", Variant(0), "[]"},
      {"CharCase", Variant("ecNormal"), "ecNormal"},
      // Other kinds take the value as it is.
      {"MaxLength", Variant("10"), "10"},
      {"MaxLength", Variant(12), "12"},
      {"Text", Variant(" padded "), " padded "},
      {"Text", Variant(42), "42"},
      {"font.name", Variant("Tahoma"), "Tahoma"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    SetPropertyByPath(edit, c.path, c.value);
    EXPECT_EQ(vcl::GetPropAsString(edit, c.path), c.expected);
    EXPECT_TRUE(TrySetPropertyByPath(edit, c.path, c.value));
    EXPECT_EQ(vcl::GetPropAsString(edit, c.path), c.expected);
  }
}

TEST_F(LibStrsProps, SetPropertyByPathFailures) {
  edit->SetMaxLength(4);
  const struct {
    const char* path;
    Variant value;
  } cases[] = {
      {"ImeName", Variant("")},
      {"Font.Nothing", Variant(1)},
      {"Nothing.Charset", Variant(1)},
      {"CharCase", Variant("ecSideways")},
      {"CharCase", Variant(9)},
      {"MaxLength", Variant("ten")},
      {"Color", Variant("clNoSuchColour")},
      {"Font.Style", Variant("[fsWavy]")},
      {"Font", Variant("TFont")},
      {"OnExit", Variant("Exit1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_THROW(SetPropertyByPath(edit, c.path, c.value), vcl::Exception);
    EXPECT_FALSE(TrySetPropertyByPath(edit, c.path, c.value));
  }
  EXPECT_EQ(edit->MaxLength(), 4);
  EXPECT_EQ(edit->CharCase(), vcl::TEditCharCase::ecNormal);

  // Nothing to set on: no error, and no success either.
  EXPECT_NO_THROW(SetPropertyByPath(nullptr, "Text", Variant("x")));
  EXPECT_NO_THROW(SetPropertyByPath(edit, "", Variant("x")));
  EXPECT_FALSE(TrySetPropertyByPath(nullptr, "Text", Variant("x")));
  EXPECT_FALSE(TrySetPropertyByPath(edit, "", Variant("x")));
  EXPECT_EQ(edit->GetText(), "C001");
}

// ---- dialog buttons ----------------------------------------------------------------------

TEST(LibStrsButtons, TranslateButtonCaptionTable) {
  const struct {
    const char* name;
    const char8_t* caption;
  } table[] = {
      {"Yes", u8"是(&Y)"},        {"No", u8"否(&N)"},      {"OK", u8"确定"},
      {"Cancel", u8"取消"},       {"Abort", u8"中断(&A)"}, {"Retry", u8"重试(&R)"},
      {"Ignore", u8"忽略(&I)"},   {"All", u8"全部(&A)"},   {"NoToAll", u8"全否(&o)"},
      {"YesToAll", u8"全是(&A)"}, {"Help", u8"帮助(&H)"},
  };
  for (const auto& row : table) {
    const AnsiString caption = TranslateButtonCaption(row.name);
    EXPECT_EQ(caption, vcl::DesignText(std::u8string_view(row.caption))) << row.name;
    // The caption is GB2312 text.
    EXPECT_EQ(vcl::CodePageToWide(caption, vcl::CP_GB2312),
              vcl::Utf8ToWide(reinterpret_cast<const char*>(row.caption)))
        << row.name;
  }
  // Exact, case-sensitive names only.
  for (const char* name :
       {"cancel", "CANCEL", "ok", "Ok", "yes", "OK ", " Yes", "Close", "mbYes", "notoall", ""})
    EXPECT_EQ(TranslateButtonCaption(name), name) << "'" << name << "'";
}

}  // namespace
