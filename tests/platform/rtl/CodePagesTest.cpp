#include "platform/rtl/CodePages.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/rtl/Exception.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// Readable form of bytes for failure messages.
std::string Hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string HexWide(std::u16string_view text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char16_t c : text) {
    if (!out.empty()) out += ' ';
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(c >> shift) & 15];
  }
  return out;
}

struct RoundTripCase {
  UINT codePage;
  std::u16string wide;
  std::string bytes;
};

}  // namespace

TEST(CodePagesConvert, KnownBytesBothWays) {
  const RoundTripCase cases[] = {
      // GB2312 "考勤报表" and the traditional "考勤報表" in Big5.
      {CP_GB2312, u"考勤报表", "\xBF\xBC\xC7\xDA\xB1\xA8\xB1\xED"},
      {CP_BIG5, u"考勤報表", "\xA6\xD2\xB6\xD4\xB3\xF8\xAA\xED"},
      // ASCII passes through unchanged around double-byte characters.
      {CP_GB2312, u"ID=中文; ok", "ID=\xD6\xD0\xCE\xC4; ok"},
      {CP_BIG5, u"(中文)", "(\xA4\xA4\xA4\xE5)"},
      // 0x80 is the euro sign in 1252; block graphics in the OEM page.
      {CP_WESTERN, u"€ café", "\x80 caf\xE9"},
      {CP_OEM_US, u"░█é", "\xB0\xDB\x82"},
      {CP_UTF8, u"中文 €", "\xE4\xB8\xAD\xE6\x96\x87 \xE2\x82\xAC"},
      {CP_UTF8, u"\U0001F600", "\xF0\x9F\x98\x80"},
      {CP_GB2312, u"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("code page " + std::to_string(c.codePage) + ": " + Hex(c.bytes));
    EXPECT_EQ(Hex(WideToCodePage(c.wide, c.codePage)), Hex(c.bytes));
    EXPECT_EQ(HexWide(CodePageToWide(c.bytes, c.codePage)), HexWide(c.wide));
  }
}

TEST(CodePagesConvert, WholeDoubleByteRangesRoundTrip) {
  // Every GB2312 hanzi (rows 0xB0-0xF7) and the frequent Big5 hanzi (0xA440-0xC67E): each
  // two bytes decode to one character, and encoding gives the same bytes back.
  struct Range {
    UINT codePage;
    unsigned char leadFirst, leadLast;
    bool (*trailOk)(unsigned char);
  };
  const Range ranges[] = {
      {CP_GB2312, 0xB0, 0xF7, [](unsigned char t) { return t >= 0xA1 && t <= 0xFE; }},
      {CP_BIG5, 0xA4, 0xC5,
       [](unsigned char t) { return (t >= 0x40 && t <= 0x7E) || (t >= 0xA1 && t <= 0xFE); }},
  };
  for (const auto& r : ranges) {
    SCOPED_TRACE("code page " + std::to_string(r.codePage));
    std::string bytes;
    std::size_t characters = 0;
    for (unsigned lead = r.leadFirst; lead <= r.leadLast; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        // GB2312 leaves the last five cells of row 0xD7 empty.
        if (!r.trailOk(static_cast<unsigned char>(trail)) ||
            (lead == 0xD7 && trail > 0xF9 && r.codePage == CP_GB2312))
          continue;
        bytes += static_cast<char>(lead);
        bytes += static_cast<char>(trail);
        ++characters;
      }
    }
    WideString wide = CodePageToWide(bytes, r.codePage);
    EXPECT_EQ(wide.size(), characters);
    EXPECT_EQ(wide.find(kWideReplacement), WideString::npos);
    EXPECT_TRUE(WideToCodePage(wide, r.codePage) == bytes);
  }
}

TEST(CodePagesConvert, CodePageToCodePageThroughUnicode) {
  // "考勤報表" exists in both: GBK bytes to Big5 bytes and back.
  const std::string gbk = "\xBF\xBC\xC7\xDA\x88\xF3\xB1\xED";
  const std::string big5 = "\xA6\xD2\xB6\xD4\xB3\xF8\xAA\xED";
  EXPECT_EQ(Hex(CodePageToCodePage(gbk, CP_GB2312, CP_BIG5)), Hex(big5));
  EXPECT_EQ(Hex(CodePageToCodePage(big5, CP_BIG5, CP_GB2312)), Hex(gbk));
  // The simplified 报 has no Big5 form: one '?' in its place, the rest intact.
  EXPECT_EQ(Hex(CodePageToCodePage("\xBF\xBC\xC7\xDA\xB1\xA8\xB1\xED", CP_GB2312, CP_BIG5)),
            Hex("\xA6\xD2\xB6\xD4?\xAA\xED"));
  EXPECT_EQ(CodePageToCodePage("caf\xE9", CP_WESTERN, CP_UTF8), "caf\xC3\xA9");
}

TEST(CodePagesConvert, UnrepresentableCharactersBecomeQuestionMarks) {
  const RoundTripCase cases[] = {
      // Hangul is not in GBK; an emoji (a surrogate pair) is one character, one '?'.
      {CP_GB2312, u"A한B\U0001F600C中", "A?B?C\xD6\xD0"},
      {CP_BIG5, u"报表", "?\xAA\xED"},
      {CP_WESTERN, u"x中y€", "x?y\x80"},
      {CP_OEM_US, u"€", "?"},
      // Lone surrogates: in the middle, reversed, and a high surrogate at the very end.
      {CP_GB2312, u"x\xD800y", "x?y"},
      {CP_GB2312, u"x\xDC00\xD800y", "x??y"},
      {CP_UTF8, u"x\xD83D", "x?"},
      {CP_WESTERN, u"\xD83D\xDE00\xD83D\xDE00", "??"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("code page " + std::to_string(c.codePage) + ": " + HexWide(c.wide));
    EXPECT_EQ(Hex(WideToCodePage(c.wide, c.codePage)), Hex(c.bytes));
  }
}

TEST(CodePagesConvert, InvalidBytesBecomeReplacementCharacters) {
  const RoundTripCase cases[] = {
      // A lone lead byte at the end, after text and on its own.
      {CP_GB2312, u"A\uFFFD", "A\x81"},
      {CP_GB2312, u"考\uFFFD", "\xBF\xBC\xB1"},
      {CP_BIG5, u"中\uFFFD", "\xA4\xA4\xA4"},
      // A lead byte followed by a byte that cannot trail: one replacement, then the byte.
      {CP_GB2312, u"\uFFFD B", "\x81 B"},
      {CP_GB2312, u"a\uFFFDb",
       "a\xFF"
       "b"},
      {CP_WESTERN, u"a\uFFFDb",
       "a\x81"
       "b"},
      // UTF-8: a stray byte, a cut-off sequence at the end, an overlong form, and a broken
      // sequence in the middle (each byte that cannot start a character is replaced).
      {CP_UTF8, u"a\uFFFDb",
       "a\xFF"
       "b"},
      {CP_UTF8, u"a\uFFFD", "a\xE4\xB8"},
      {CP_UTF8, u"\uFFFD\uFFFD/", "\xC0\xAF/"},
      {CP_UTF8, u"\uFFFD\uFFFDX", "\xE4\xB8X"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("code page " + std::to_string(c.codePage) + ": " + Hex(c.bytes));
    EXPECT_EQ(HexWide(CodePageToWide(c.bytes, c.codePage)), HexWide(c.wide));
  }
}

TEST(CodePagesConvert, LongTextsAreNeverTruncated) {
  // Output sizes at the extremes of each direction: every byte invalid, every character
  // replaced, and the largest UTF-8 growth per UTF-16 unit.
  const std::size_t n = 10000;
  EXPECT_EQ(CodePageToWide(std::string(n, '\xFF'), CP_GB2312), WideString(n, kWideReplacement));
  EXPECT_EQ(WideToCodePage(WideString(n, u'한'), CP_GB2312), std::string(n, '?'));
  std::u16string cjk(n, u'中');
  std::string utf8 = WideToUtf8(cjk);
  EXPECT_EQ(utf8.size(), 3 * n);
  EXPECT_EQ(Utf8ToWide(utf8), cjk);
  std::u16string emoji;
  for (std::size_t i = 0; i < n; ++i) emoji += u"\U0001F600";
  EXPECT_EQ(WideToUtf8(emoji).size(), 4 * n);
  EXPECT_EQ(WideToCodePage(emoji, CP_GB2312), std::string(n, '?'));
  std::string mixed;
  for (std::size_t i = 0; i < n; ++i) mixed += "a\xD6\xD0";
  WideString decoded = CodePageToWide(mixed, CP_GB2312);
  ASSERT_EQ(decoded.size(), 2 * n);
  EXPECT_EQ(decoded.substr(2 * n - 2), u"a中");
  EXPECT_TRUE(WideToCodePage(decoded, CP_GB2312) == mixed);
}

TEST(CodePagesConvert, UnknownCodePagesRaise) {
  for (UINT cp : {1u, 1234u, 20127u, 65000u}) {
    SCOPED_TRACE(cp);
    EXPECT_FALSE(IsValidCodePage(cp));
    const std::string number = std::to_string(cp);
    try {
      CodePageToWide("abc", cp);
      ADD_FAILURE() << "CodePageToWide accepted an unknown code page";
    } catch (const EConvertError& e) {
      EXPECT_NE(e.Message().find(number), std::string::npos) << e.Message();
    }
    EXPECT_THROW(WideToCodePage(u"abc", cp), EConvertError);
    EXPECT_THROW(CodePageToCodePage("abc", CP_GB2312, cp), EConvertError);
    EXPECT_THROW(CodePageToCodePage("abc", cp, CP_GB2312), EConvertError);
  }
  for (UINT cp : {932u, 936u, 949u, 950u, 437u, 1252u, 65001u})
    EXPECT_TRUE(IsValidCodePage(cp)) << cp;
}

TEST(CodePagesConvert, DesignTextIsGb2312) {
  EXPECT_EQ(Hex(DesignText("考勤报表")), Hex("\xBF\xBC\xC7\xDA\xB1\xA8\xB1\xED"));
  EXPECT_EQ(DesignText("OK (&O)"), "OK (&O)");
  EXPECT_EQ(Hex(DesignText("名称:한")), Hex("\xC3\xFB\xB3\xC6:?"));
  EXPECT_EQ(DesignText(""), "");
}

TEST(CodePagesLeadBytes, DocumentedRanges) {
  struct Case {
    UINT codePage;
    unsigned char byte;
    bool lead;
  };
  const Case cases[] = {
      {936, 0x80, false},   {936, 0x81, true},  {936, 0xB0, true},   {936, 0xFE, true},
      {936, 0xFF, false},   {936, 0x41, false}, {950, 0x81, true},   {950, 0xA4, true},
      {950, 0xFF, false},   {949, 0xB0, true},  {949, 0x7F, false},  {932, 0x81, true},
      {932, 0x9F, true},    {932, 0xA0, false}, {932, 0xDF, false},  {932, 0xE0, true},
      {932, 0xFC, true},    {932, 0xFD, false}, {1252, 0xB0, false}, {437, 0x81, false},
      {65001, 0xE4, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsDBCSLeadByteEx(c.codePage, c.byte), c.lead)
        << "code page " << c.codePage << " byte " << int(c.byte);
  for (UINT cp : {932u, 936u, 949u, 950u}) EXPECT_TRUE(IsDBCSCodePage(cp)) << cp;
  for (UINT cp : {437u, 1252u, 65001u, 1234u}) EXPECT_FALSE(IsDBCSCodePage(cp)) << cp;
}

// The ANSI code page tests come last: they need the registry reader.
namespace {

// Points the registry at a file (or at none) and the locale variables at the given values,
// forgetting the cached ANSI code page before and after.
class ScopedMachine {
 public:
  ScopedMachine(std::optional<std::string> registryText, std::optional<std::string> lcAll,
                std::optional<std::string> lcCtype, std::optional<std::string> lang)
      : registry_("STEWARD_REGISTRY",
                  registryText ? dir_.Write("machine.reg", *registryText) : dir_.File("none.reg")),
        lcAll_("LC_ALL", std::move(lcAll)),
        lcCtype_("LC_CTYPE", std::move(lcCtype)),
        lang_("LANG", std::move(lang)) {
    ResetACPCache();
  }
  ~ScopedMachine() { ResetACPCache(); }

 private:
  testsupport::TempDir dir_;
  testsupport::ScopedEnv registry_, lcAll_, lcCtype_, lang_;
};

std::string RegistryWithACP(const std::string& valueLine) {
  return "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
         "\"OEMCP\"=\"437\"\r\n" +
         valueLine + "\r\n";
}

}  // namespace

TEST(CodePagesZAnsiCodePage, FromRegistryThenLocale) {
  struct Case {
    const char* what;
    std::optional<std::string> registry;
    std::optional<std::string> lcAll, lcCtype, lang;
    UINT expected;
  };
  const std::optional<std::string> none;
  const Case cases[] = {
      {"registry 936", RegistryWithACP("\"ACP\"=\"936\""), none, none, "en_US.UTF-8", 936},
      {"registry 950 beats locale", RegistryWithACP("\"ACP\"=\"950\""), "zh_CN.UTF-8", none, none,
       950},
      {"registry 1252", RegistryWithACP("\"ACP\"=\"1252\""), none, none, "zh_CN", 1252},
      {"registry 932", RegistryWithACP("\"ACP\"=\"932\""), none, none, none, 932},
      {"registry dword", RegistryWithACP("\"ACP\"=dword:000003b6"), none, none, none, 950},
      {"registry unknown page", RegistryWithACP("\"ACP\"=\"12345\""), none, none, "zh_TW", 950},
      {"registry not a number", RegistryWithACP("\"ACP\"=\"abc\""), none, none, "zh_CN", 936},
      {"registry zero", RegistryWithACP("\"ACP\"=\"0\""), none, none, "ko_KR", 949},
      {"no ACP value", RegistryWithACP("\"OEMCP2\"=\"1\""), none, none, "zh_SG.GBK", 936},
      {"LANG zh_CN", none, none, none, "zh_CN.UTF-8", 936},
      {"LANG zh_SG", none, none, none, "zh_SG", 936},
      {"LANG zh_TW", none, none, none, "zh_TW.Big5", 950},
      {"LANG zh_HK", none, none, none, "zh_HK.UTF-8", 950},
      {"LANG ja", none, none, none, "ja_JP.UTF-8", 932},
      {"LANG ko", none, none, none, "ko_KR.EUC-KR", 949},
      {"LANG en", none, none, none, "en_US.UTF-8", 1252},
      {"LANG C", none, none, none, "C", 1252},
      {"nothing set", none, none, none, none, 1252},
      {"zh alone is not a territory", none, none, none, "zh", 1252},
      {"LC_ALL first", none, "zh_HK.UTF-8", "zh_CN.UTF-8", "ja_JP", 950},
      {"LC_CTYPE before LANG", none, none, "zh_CN.UTF-8", "en_US", 936},
      {"empty LC_ALL skipped", none, "", "ko_KR", "en_US", 949},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedMachine machine(c.registry, c.lcAll, c.lcCtype, c.lang);
    EXPECT_EQ(GetACP(), c.expected);
    EXPECT_TRUE(IsValidCodePage(CP_ACP));
  }
}

TEST(CodePagesZAnsiCodePage, CachedUntilReset) {
  ScopedMachine machine(std::nullopt, std::nullopt, std::nullopt, "zh_CN.UTF-8");
  EXPECT_EQ(GetACP(), 936u);
  testsupport::ScopedEnv lang("LANG", "zh_TW.UTF-8");
  EXPECT_EQ(GetACP(), 936u);
  ResetACPCache();
  EXPECT_EQ(GetACP(), 950u);
}

TEST(CodePagesZAnsiCodePage, AnsiHelpersFollowTheAnsiCodePage) {
  {
    ScopedMachine machine(RegistryWithACP("\"ACP\"=\"950\""), std::nullopt, std::nullopt,
                          std::nullopt);
    EXPECT_EQ(AnsiToWide("\xA4\xA4\xA4\xE5"), u"中文");
    EXPECT_EQ(Hex(WideToAnsi(u"報表")), Hex("\xB3\xF8\xAA\xED"));
    EXPECT_EQ(AnsiToUtf8("\xA4\xA4"), "中");
    EXPECT_EQ(Hex(Utf8ToAnsi("中")), Hex("\xA4\xA4"));
    EXPECT_TRUE(IsDBCSCodePage(CP_ACP));
    EXPECT_TRUE(IsDBCSLeadByte(0xA4));
    EXPECT_EQ(Hex(CodePageToCodePage("\xA4\xA4", CP_ACP, CP_GB2312)), Hex("\xD6\xD0"));
  }
  {
    ScopedMachine machine(std::nullopt, std::nullopt, std::nullopt, "en_US.UTF-8");
    EXPECT_EQ(AnsiToWide("\x80"), u"€");
    EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Utf8ToAnsi("中"), "?");
    EXPECT_FALSE(IsDBCSCodePage(CP_ACP));
    EXPECT_FALSE(IsDBCSLeadByte(0xA4));
  }
  {
    // A UTF-8 machine passes ANSI text through as it is.
    ScopedMachine machine(RegistryWithACP("\"ACP\"=\"65001\""), std::nullopt, std::nullopt,
                          std::nullopt);
    EXPECT_EQ(AnsiToUtf8("a\xFF"), "a\xFF");
    EXPECT_EQ(Utf8ToAnsi("中"), "中");
    EXPECT_EQ(AnsiToWide("中"), u"中");
  }
}
