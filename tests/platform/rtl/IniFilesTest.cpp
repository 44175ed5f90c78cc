#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/TStringList.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using namespace std::string_literals;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

class IniFileTest : public ::testing::Test {
 protected:
  // Makes `codePage` the ANSI code page for the rest of the test.
  void UseCodePage(int codePage) {
    codePage_.reset();
    codePage_.emplace(codePage);
    ASSERT_EQ(GetACP(), static_cast<UINT>(codePage));
  }

  testsupport::TempDir dir_;
  std::optional<testsupport::ScopedCodePage> codePage_;
};

const char kSample[] =
    "; leading comment\r\n"
    "orphan=before any section\r\n"
    "[Main]\r\n"
    "Name = Steward  \r\n"
    "Quoted=\"  padded  \"\r\n"
    "Single='x'\r\n"
    "Mismatch=\"x'\r\n"
    "OnlyOne=\"\r\n"
    "Inner=a \"b\" c\r\n"
    "Empty=\r\n"
    "Count=42\r\n"
    "Hex=0x1F\r\n"
    "AllBits=0xFFFFFFFF\r\n"
    "NegHex=-0x10\r\n"
    "Neg=-7\r\n"
    "Plus=+8\r\n"
    "Min=-2147483648\r\n"
    "Bad=12abc\r\n"
    "Spaces=1 2\r\n"
    "Big=99999999999\r\n"
    "TooBigHex=0x100000000\r\n"
    "Flag=0\r\n"
    "Flag2=5\r\n"
    "FlagBad=yes\r\n"
    "NAME=the first of duplicate keys wins\r\n"
    "a line without an equals sign\r\n"
    "   ; indented comment=not a key\r\n"
    "=value without a key\r\n"
    "# hash=value\r\n"
    "Eq=a=b\r\n"
    "[ main ]\r\n"
    "Extra=from the repeated section\r\n"
    "Count=1\r\n"
    "[Other]  trailing text\r\n"
    "a=1\r\n"
    "[Empty]\r\n";

TEST_F(IniFileTest, ReadStringFollowsTheLookupRules) {
  TIniFile ini(dir_.Write("sample.ini", kSample));
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {"Main", "Name", "Steward"},
      {"MAIN", "name", "Steward"},
      {" Main", "Name", "def"},  // names are not trimmed on lookup
      {"Main", "Quoted", "  padded  "},
      {"Main", "Single", "x"},
      {"Main", "Mismatch", "\"x'"},
      {"Main", "OnlyOne", "\""},
      {"Main", "Inner", "a \"b\" c"},
      {"Main", "Empty", ""},
      {"Main", "Eq", "a=b"},
      {"Main", "# hash", "value"},
      {"Main", "Count", "42"},
      {"Main", "Extra", "from the repeated section"},
      {"main", "extra", "from the repeated section"},
      {"Main", "Missing", "def"},
      {"Main", "", "def"},
      {"Main", "; indented comment", "def"},
      {"Missing", "Name", "def"},
      {"", "orphan", "def"},
      {"Other", "a", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.expected);
  }
}

TEST_F(IniFileTest, ReadIntegerAndReadBoolTakeWholeNumbersOnly) {
  TIniFile ini(dir_.Write("sample.ini", kSample));
  struct Case {
    const char* key;
    int expected;  // with default -99
  };
  const Case cases[] = {
      {"Count", 42},  {"Hex", 31},     {"AllBits", -1},    {"NegHex", -16},
      {"Neg", -7},    {"Plus", 8},     {"Min", INT32_MIN}, {"Flag", 0},
      {"Bad", -99},   {"Spaces", -99}, {"Big", -99},       {"TooBigHex", -99},
      {"Empty", -99}, {"Name", -99},   {"Missing", -99},   {"FlagBad", -99},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.ReadInteger("main", c.key, -99), c.expected);
  }

  struct BoolCase {
    const char* key;
    bool ifDefaultFalse;
    bool ifDefaultTrue;
  };
  const BoolCase bools[] = {
      {"Flag", false, false},   {"Flag2", true, true},    {"Neg", true, true},
      {"FlagBad", false, true}, {"Missing", false, true}, {"Empty", false, true},
  };
  for (const auto& c : bools) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(ini.ReadBool("Main", c.key, false), c.ifDefaultFalse);
    EXPECT_EQ(ini.ReadBool("Main", c.key, true), c.ifDefaultTrue);
  }
}

TEST_F(IniFileTest, ListsSectionsKeysAndValuesOnceInFileOrder) {
  TIniFile ini(dir_.Write("sample.ini", kSample));
  TStringList list;
  list.Add("stale line");

  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"Main", "Other", "Empty"}));

  ini.ReadSection("MAIN", list);
  EXPECT_EQ(Lines(list),
            (std::vector<std::string>{
                "Name", "Quoted",    "Single", "Mismatch", "OnlyOne", "Inner",  "Empty", "Count",
                "Hex",  "AllBits",   "NegHex", "Neg",      "Plus",    "Min",    "Bad",   "Spaces",
                "Big",  "TooBigHex", "Flag",   "Flag2",    "FlagBad", "# hash", "Eq",    "Extra"}));

  ini.ReadSectionValues("other", list);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a=1"}));
  ini.ReadSectionValues("Main", list);
  ASSERT_GE(list.Count(), 3);
  EXPECT_EQ(list[0], "Name=Steward");
  EXPECT_EQ(list[1], "Quoted=  padded  ");
  EXPECT_EQ(list[list.Count() - 1], "Extra=from the repeated section");

  ini.ReadSection("Missing", list);
  EXPECT_EQ(list.Count(), 0);
  ini.ReadSection("Empty", list);
  EXPECT_EQ(list.Count(), 0);

  struct Exists {
    const char* section;
    const char* key;  // nullptr: SectionExists
    bool expected;
  };
  const Exists exists[] = {
      {"Main", nullptr, true},   {"main", nullptr, true},     {"Other", nullptr, true},
      {"Empty", nullptr, false}, {"Missing", nullptr, false}, {"", nullptr, false},
      {"Main", "Empty", true},   {"main", "NAME", true},      {"Main", "Missing", false},
      {"Other", "Name", false},  {"Missing", "a", false},
  };
  for (const auto& c : exists) {
    SCOPED_TRACE(std::string(c.section) + "/" + (c.key ? c.key : "-"));
    if (c.key)
      EXPECT_EQ(ini.ValueExists(c.section, c.key), c.expected);
    else
      EXPECT_EQ(ini.SectionExists(c.section), c.expected);
  }
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty) {
  for (const std::string& name : {dir_.File("none.ini"), dir_.path().string(), ""s}) {
    SCOPED_TRACE(name);
    TIniFile ini(name);
    EXPECT_EQ(ini.FileName(), name);
    EXPECT_EQ(ini.ReadString("Main", "Name", "def"), "def");
    EXPECT_EQ(ini.ReadInteger("Main", "Count", 7), 7);
    EXPECT_FALSE(ini.SectionExists("Main"));
    TStringList list;
    list.Add("stale");
    ini.ReadSections(list);
    EXPECT_EQ(list.Count(), 0);
  }
}

TEST_F(IniFileTest, ReadsTheFileAgainAfterItChanges) {
  std::string path = dir_.Write("live.ini", "[S]\nk=old\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("S", "k", ""), "old");

  dir_.Write("live.ini", "[S]\nk=new\n");  // same size
  EXPECT_EQ(ini.ReadString("S", "k", ""), "new");

  dir_.Write("live.ini", "[T]\nk=moved\n");
  EXPECT_FALSE(ini.SectionExists("S"));
  EXPECT_EQ(ini.ReadString("T", "k", ""), "moved");

  std::filesystem::remove(path);
  EXPECT_EQ(ini.ReadString("T", "k", "gone"), "gone");

  dir_.Write("live.ini", "[T]\nk=back\n");
  EXPECT_EQ(ini.ReadString("T", "k", ""), "back");
}

TEST_F(IniFileTest, JunkAndOverlongLinesAreSkipped) {
  const std::string longValue(100000, 'v');
  const std::string file =
      "[S]\n"
      "\x01\x02\xff\xfe junk \x00 with a NUL\n"s +
      std::string(100000, '\xAA') + "\n" + "Long=" + longValue + "\n" + std::string(100000, 'k') +
      "=v\n" + "[" + std::string(100000, 's') + "\n" + "Lost=inside a broken header\n" + "[S]\n" +
      "After=ok\n" +
      "Bin=a\x00"
      "b\n"s +
      "Last=no line end";
  TIniFile ini(dir_.Write("junk.ini", file));
  EXPECT_EQ(ini.ReadString("S", "Long", ""), longValue);
  EXPECT_EQ(ini.ReadString("S", std::string(100000, 'K'), ""), "v");
  EXPECT_EQ(ini.ReadString("S", "Lost", "def"), "def");
  EXPECT_EQ(ini.ReadString("S", "After", ""), "ok");
  EXPECT_EQ(ini.ReadString("S", "Bin", ""), "a\0b"s);
  EXPECT_EQ(ini.ReadString("S", "Last", ""), "no line end");
  TStringList list;
  ini.ReadSections(list);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"S"}));
}

TEST_F(IniFileTest, NamesCompareByCharactersOfTheAnsiCodePage) {
  // Section "\xB0\x61" is one double-byte character in code page 936 and two characters in
  // 1252; only in 1252 may its second byte be matched ignoring case.
  const std::string file =
      "[\xB0\x61]\n"
      "key=dbcs\n"
      "[Ab\xC4\xE3]\n"
      "\xC4\xE3x=value\n";
  struct Case {
    int codePage;
    const char* section;
    const char* key;
    const char* expected;
  };
  const Case cases[] = {
      {936, "\xB0\x61", "KEY", "dbcs"},
      {936, "\xB0\x41", "key", "def"},
      {1252, "\xB0\x41", "key", "dbcs"},
      {936, "aB\xC4\xE3", "\xC4\xE3X", "value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.codePage) + " " + c.section);
    UseCodePage(c.codePage);
    ASSERT_EQ(GetACP(), static_cast<UINT>(c.codePage));
    TIniFile ini(dir_.Write("dbcs.ini", file));
    EXPECT_EQ(ini.ReadString(c.section, c.key, "def"), c.expected);
  }
}

}  // namespace
