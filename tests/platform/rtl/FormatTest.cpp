#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

using namespace vcl;

namespace {

// Format with arguments held in a table row.
AnsiString FormatRow(std::string_view format, const std::vector<FormatArg>& a) {
  switch (a.size()) {
    case 0:
      return Format(format, {});
    case 1:
      return Format(format, {a[0]});
    case 2:
      return Format(format, {a[0], a[1]});
    case 3:
      return Format(format, {a[0], a[1], a[2]});
    case 4:
      return Format(format, {a[0], a[1], a[2], a[3]});
    case 5:
      return Format(format, {a[0], a[1], a[2], a[3], a[4]});
    default:
      throw std::logic_error("too many arguments for FormatRow");
  }
}

struct Case {
  const char* format;
  std::vector<FormatArg> args;
  std::string expected;
};

void CheckCases(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    try {
      EXPECT_EQ(FormatRow(c.format, c.args), c.expected) << "format \"" << c.format << "\"";
    } catch (const Exception& e) {
      ADD_FAILURE() << "format \"" << c.format << "\" raised " << e.ClassName() << ": "
                    << e.Message();
    }
  }
}

// Sets DecimalSeparator for one test.
class ScopedDecimalSeparator {
 public:
  explicit ScopedDecimalSeparator(char c) : old_(DecimalSeparator) { DecimalSeparator = c; }
  ~ScopedDecimalSeparator() { DecimalSeparator = old_; }

 private:
  char old_;
};

}  // namespace

TEST(FormatIntegers, DecimalUnsignedHexAndPointer) {
  const long long int64Min = std::numeric_limits<long long>::min();
  CheckCases({
      {"%d", {5}, "5"},
      {"%d", {-42}, "-42"},
      {"%.2d:%.2d", {5, 7}, "05:07"},
      {"%.2d", {123}, "123"},
      {"%.3d", {-5}, "-005"},
      {"%6.3d|", {-5}, "  -005|"},
      {"%-6.3d|", {-5}, "-005  |"},
      {"%.0d", {0}, "0"},
      {"%05d", {42}, "   42"},
      {"%d", {int64Min}, "-9223372036854775808"},
      {"%d", {1234567890123LL}, "1234567890123"},
      {"%.4d%s%.2d%s%.2d", {2024, "-", 3, "-", 7}, "2024-03-07"},
      {"%u", {42u}, "42"},
      {"%u", {-1}, "4294967295"},
      {"%.5u", {42}, "00042"},
      {"%x", {255}, "FF"},
      {"%X", {0xabcdef}, "ABCDEF"},
      {"%.4x", {255}, "00FF"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%x", {0x1234567890LL}, "1234567890"},
      {"%x", {-0x100000000LL}, "FFFFFFFF00000000"},
      {"%p", {0x1234}, "00001234"},
      {"%10p|", {0xBEEF}, "  0000BEEF|"},
      {"%D|%U", {7, 8}, "7|8"},
  });
}

TEST(FormatFloats, FixedScientificGeneralNumberMoney) {
  CheckCases({
      {"%f", {1.0}, "1.00"},
      {"%f", {-2.5}, "-2.50"},
      // Width is a minimum. Rounding works on the binary value as printf does: 12.345 is
      // 12.34500000000000064 and 2.675 is 2.67499999999999982; exact halves go to even.
      {"%3.2f%%", {12.345}, "12.35%"},
      {"%.2f", {2.675}, "2.67"},
      {"%.2f", {0.125}, "0.12"},
      {"%.2f", {0.375}, "0.38"},
      {"%.0f", {2.5}, "2"},
      {"%.0f", {3.5}, "4"},
      {"%.1f", {0.05}, "0.1"},
      {"%8.3f|", {3.14159}, "   3.142|"},
      {"%-8.1f|", {3.14159}, "3.1     |"},
      {"%.2f", {-0.001}, "0.00"},
      {"%.3f", {1e20}, "100000000000000000000.000"},
      {"%F", {0.5}, "0.50"},
      {"%e", {1000.0}, "1.00000000000000E+003"},
      {"%e", {-1.5e-10}, "-1.50000000000000E-010"},
      {"%.3e", {12345.678}, "1.23E+004"},
      {"%.2e", {-0.00012}, "-1.2E-004"},
      {"%.1e", {9.96}, "1E+001"},
      {"%.4e", {1e300}, "1.000E+300"},
      {"%e", {0.0}, "0.00000000000000E+000"},
      {"%g", {1.5}, "1.5"},
      {"%g", {100.0}, "100"},
      {"%g", {-2.5}, "-2.5"},
      {"%g", {0.0}, "0"},
      {"%g", {1.0 / 3.0}, "0.333333333333333"},
      {"%g", {123456789012345.0}, "123456789012345"},
      {"%g", {1e15}, "1E15"},
      {"%g", {0.00001}, "0.00001"},
      {"%g", {0.000001}, "1E-6"},
      {"%g", {1.5e-7}, "1.5E-7"},
      {"%.3g", {1234.5}, "1.23E3"},
      {"%.3g", {99.96}, "100"},
      {"%6g|", {2.5}, "   2.5|"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%n", {-1234.5}, "-1,234.50"},
      {"%n", {123.0}, "123.00"},
      {"%.0n", {999.5}, "1,000"},
      {"%.1n", {-999999.96}, "-1,000,000.0"},
      {"%15n|", {1234567.891}, "   1,234,567.89|"},
      {"%m", {1234.5}, "1,234.50"},
      {"%m", {-0.004}, "0.00"},
      {"%f|%e|%g",
       {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        std::numeric_limits<double>::quiet_NaN()},
       "INF|-INF|NAN"},
  });
}

TEST(FormatFloats, DecimalSeparatorIsThePoint) {
  ScopedDecimalSeparator comma(',');
  CheckCases({
      {"%.2f", {1.5}, "1,50"},
      {"%.3e", {1500.0}, "1,50E+003"},
      {"%g", {0.25}, "0,25"},
      {"%d", {1000}, "1000"},
  });
}

TEST(FormatText, StringsCharsWidthPrecisionAndIndexes) {
  CheckCases({
      {"", {}, ""},
      {"plain text", {}, "plain text"},
      {"%%", {}, "%"},
      {"100%% %d%%", {50}, "100% 50%"},
      {"%s", {"abc"}, "abc"},
      {"%s", {std::string_view("a\0b", 3)}, std::string("a\0b", 3)},
      {"[%s]", {""}, "[]"},
      {"%-5s|", {"ab"}, "ab   |"},
      {"%5s|", {"ab"}, "   ab|"},
      {"%3s|", {"abcdef"}, "abcdef|"},
      {"%.3s", {"abcdef"}, "abc"},
      {"%.10s", {"abc"}, "abc"},
      {"%.0s|", {"abc"}, "|"},
      {"%5.2s|", {"abc"}, "   ab|"},
      {"%s%s", {'x', AnsiString("yz")}, "xyz"},
      {"%3s", {'c'}, "  c"},
      {"%S", {"up"}, "up"},
      {"%*d", {5, 42}, "   42"},
      {"%-*d|", {4, 7}, "7   |"},
      {"%*d|", {-4, 7}, "7   |"},
      {"%.*f", {3, 1.5}, "1.500"},
      {"%*.*f", {8, 2, 3.14159}, "    3.14"},
      {"%.*s", {2, "abc"}, "ab"},
      {"%1:s %0:s", {"a", "b"}, "b a"},
      {"%1:s %s", {"a", "b", "c"}, "b c"},
      {"%0:s%0:s%s", {"x", "y"}, "xxy"},
      {"%1:-4d|", {1, 2}, "2   |"},
      // Double-byte text (GB2312 "考勤") passes through untouched.
      {"\xBF\xBC%s", {"\xC7\xDA"}, "\xBF\xBC\xC7\xDA"},
  });
}

TEST(FormatErrors, MismatchMissingAndMalformed) {
  struct ErrorCase {
    const char* format;
    std::vector<FormatArg> args;
    const char* message;
  };
  const std::vector<ErrorCase> cases = {
      {"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
      {"%x", {"10"}, "Format '%x' invalid or incompatible with argument"},
      {"%u", {'c'}, "Format '%u' invalid or incompatible with argument"},
      {"Total %f", {1}, "Format 'Total %f' invalid or incompatible with argument"},
      {"%e", {"1.5"}, "Format '%e' invalid or incompatible with argument"},
      {"%n", {5}, "Format '%n' invalid or incompatible with argument"},
      {"%s", {5}, "Format '%s' invalid or incompatible with argument"},
      {"%s", {2.5}, "Format '%s' invalid or incompatible with argument"},
      {"%*d", {"5", 1}, "Format '%*d' invalid or incompatible with argument"},
      {"%d %d", {1}, "No argument for format '%d'"},
      {"%s", {}, "No argument for format '%s'"},
      {"%-5.2f", {}, "No argument for format '%-5.2f'"},
      {"%*d", {5}, "No argument for format '%*d'"},
      {"%2:s", {"a", "b"}, "No argument for format '%2:s'"},
      {"abc%", {1}, "Format 'abc%' invalid or incompatible with argument"},
      {"%5", {1}, "Format '%5' invalid or incompatible with argument"},
      {"%.2", {1.0}, "Format '%.2' invalid or incompatible with argument"},
      {"%1:", {1, 2}, "Format '%1:' invalid or incompatible with argument"},
      {"%k", {1}, "Format '%k' invalid or incompatible with argument"},
      {"%5y", {1}, "Format '%5y' invalid or incompatible with argument"},
      {"%5%", {1}, "Format '%5%' invalid or incompatible with argument"},
      {"%99999999999d", {1}, "Format '%99999999999d' invalid or incompatible with argument"},
  };
  for (const auto& c : cases) {
    try {
      AnsiString result = FormatRow(c.format, c.args);
      ADD_FAILURE() << "format \"" << c.format << "\" gave \"" << result << "\"";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

// Variant arguments come last: they need the Variant implementation.
TEST(FormatZVariants, ConvertedBySpecifier) {
  const Variant i(42), d(2.5), s("abc"), n("12");
  CheckCases({
      {"%d|%.4d|%x|%u", {i, i, i, i}, "42|0042|2A|42"},
      {"%d", {n}, "12"},
      {"%.2f|%e", {d, d}, "2.50|2.50000000000000E+000"},
      {"%g", {i}, "42"},
      {"%s|%s|%5s", {s, i, s}, "abc|42|  abc"},
      {"%*d", {Variant(4), i}, "  42"},
  });
  EXPECT_THROW(Format("%d", {s}), EConvertError);
  EXPECT_THROW(Format("%f", {s}), EConvertError);
}
