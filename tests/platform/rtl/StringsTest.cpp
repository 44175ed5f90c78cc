#include "platform/rtl/Strings.h"

#include <gtest/gtest.h>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

TEST(StringsPositions, OneBasedPositionsClipOutOfRange) {
  EXPECT_EQ(Pos("c", "abcabc"), 3);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  AnsiString s = "abcdef";
  Delete(s, 2, 2);
  EXPECT_EQ(s, "adef");
  Delete(s, 10, 2);
  EXPECT_EQ(s, "adef");
  Insert("XY", s, 2);
  EXPECT_EQ(s, "aXYdef");
  Insert("!", s, 100);
  EXPECT_EQ(s, "aXYdef!");
  EXPECT_EQ(LeftStr("abc", 5), "abc");
  EXPECT_EQ(RightStr("abc", 2), "bc");
  EXPECT_EQ(StringOfChar('-', 3), "---");
}

TEST(StringsTrim, RemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \x01"), "  a");
  EXPECT_EQ(Trim("   "), "");
}

TEST(StringsCase, DoubleByteTrailBytesAreNeverChanged) {
  // 0x81 0x61 is a GB2312/GBK character whose trail byte is a lower-case 'a' in ASCII.
  const AnsiString gbk = "a\x81\x61z";
  EXPECT_EQ(AnsiUpperCase(gbk, CP_GB2312), "A\x81\x61Z");
  EXPECT_EQ(AnsiLowerCase("A\x81\x41Z", CP_GB2312), "a\x81\x41z");
  // In a single-byte code page the same bytes are two characters.
  EXPECT_EQ(AnsiUpperCase(gbk, CP_OEM_US), "A\x81\x41Z");
  // Western accented letters change case in 1252.
  EXPECT_EQ(AnsiUpperCase("\xE9t\xE9", CP_WESTERN), "\xC9T\xC9");
  EXPECT_EQ(UpperCase("\xE9t"), "\xE9T");
  EXPECT_EQ(AnsiCompareText("\x81\x61", "\x81\x41", CP_GB2312), 1);
  EXPECT_TRUE(AnsiSameText("Abc\xB1\xED", "aBC\xB1\xED", CP_GB2312));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_TRUE(SameText("Key", "kEY"));
  EXPECT_FALSE(SameText("Key", "Keys"));
  EXPECT_LT(CompareStr("B", "a"), 0);
}

TEST(StringsReplace, FirstAllAndIgnoringCase) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
  EXPECT_EQ(StringReplace("xAbyaBz", "ab", "_", rfReplaceAll | rfIgnoreCase), "x_y_z");
  EXPECT_EQ(StringReplace("xAby", "ab", "_", rfReplaceAll), "xAby");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
}

TEST(StringsQuotes, QuoteAndDequote) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s' rest", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "'open");
}

TEST(StringsNumbers, IntegerParsingAndErrors) {
  struct Case {
    const char* text;
    bool ok;
    std::int64_t value;
  };
  const Case cases[] = {
      {"42", true, 42},
      {" -17 ", true, -17},
      {"+5", true, 5},
      {"$FF", true, 255},
      {"0x1f", true, 31},
      {"", false, 0},
      {"12abc", false, 0},
      {"1.5", false, 0},
      {"-", false, 0},
      {"2147483647", true, 2147483647LL},
      {"9223372036854775807", true, INT64_MAX},
      {"9223372036854775808", false, 0},
      {"-9223372036854775808", true, INT64_MIN},
  };
  for (const Case& c : cases) {
    std::int64_t v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  int i = 0;
  EXPECT_FALSE(TryStrToInt("2147483648", i));
  EXPECT_EQ(StrToIntDef("x", -1), -1);
  EXPECT_EQ(StrToInt(" 7"), 7);
  try {
    StrToInt("abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
    EXPECT_STREQ(e.ClassName(), "EConvertError");
    EXPECT_TRUE(e.InheritsFrom("exception"));
  }
  EXPECT_EQ(IntToStr(-12), "-12");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
}

TEST(StringsNumbers, FloatParsingAndText) {
  EXPECT_DOUBLE_EQ(StrToFloat(" 3.25 "), 3.25);
  EXPECT_DOUBLE_EQ(StrToFloat("-1e3"), -1000);
  EXPECT_DOUBLE_EQ(StrToFloat(".5"), 0.5);
  EXPECT_DOUBLE_EQ(StrToFloatDef("1,5", 9), 9);
  EXPECT_DOUBLE_EQ(StrToFloatDef("1e", 9), 9);
  EXPECT_DOUBLE_EQ(StrToFloatDef("nan", 9), 9);
  EXPECT_DOUBLE_EQ(StrToFloatDef("1e999", 9), 9);
  EXPECT_THROW(StrToFloat("x1"), EConvertError);

  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatToStr(-2.25), "-2.25");

  DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_DOUBLE_EQ(StrToFloatDef("2,5", 0), 2.5);
  DecimalSeparator = '.';
}

TEST(StringsPositions, AnsiPosNeverMatchesOnATrailByte) {
  // Big5 "許" is 0xB3 0x5C: its trail byte is a backslash.
  const AnsiString path = "a\xB3\x5C\\b";
  {
    testsupport::ScopedCodePage big5(950);
    EXPECT_EQ(AnsiPos("\\", path), 4);
    EXPECT_EQ(AnsiUpperCase("\xB3\x5C"
                            "b"),
              "\xB3\x5C"
              "B");
  }
  {
    testsupport::ScopedCodePage western(1252);
    EXPECT_EQ(AnsiPos("\\", path), 3);
  }
  EXPECT_EQ(AnsiPos("", "abc"), 0);
}
