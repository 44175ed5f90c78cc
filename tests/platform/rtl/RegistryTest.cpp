#include "platform/rtl/Registry.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using namespace std::string_literals;

namespace {

// A registry file of the test's own, named by STEWARD_REGISTRY while the fixture lives.
class RegistryFile : public ::testing::Test {
 protected:
  RegistryFile() : path_(dir_.File("test.reg")), env_("STEWARD_REGISTRY", path_) {}
  ~RegistryFile() override { ResetACPCache(); }

  void Write(const std::string& bytes) { dir_.Write("test.reg", bytes); }

  testsupport::TempDir dir_;
  std::string path_;
  testsupport::ScopedEnv env_;
};

std::string Utf16File(const std::string& utf8) {
  std::u16string units = Utf8ToWide(utf8);
  std::string bytes = "\xFF\xFE";
  for (char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

const char kTypes[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n"
    "@=\"default text\"\r\n"
    "\"ClientPath\"=\"C:\\\\Steward\\\\Client\\\\\"\r\n"
    "\"Quote\"=\"say \\\"hi\\\"\"\r\n"
    "\"Empty\"=\"\"\r\n"
    "\"Count\"=dword:0000001f\r\n"
    "\"Negative\"=dword:ffffffff\r\n"
    "\"Zero\"=dword:00000000\r\n"
    "\"Data\"=hex:01,02,ff\r\n"
    "\"Long\"=hex:00,01,02,03,\\\r\n"
    "  04,05,\\\r\n"
    "  06\r\n"
    "\"NoBytes\"=hex:\r\n"
    "\"Expand\"=hex(2):25,00,54,00,4d,00,50,00,25,00,5c,00,78,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\r\n"
    "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"LittleDword\"=hex(4):10,01,00,00\r\n";

TEST_F(RegistryFile, ReadsEveryValueType) {
  Write(kTypes);
  TRegistry reg;
  reg.RootKey = HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\KVL\\Steward"));

  struct StringCase {
    const char* name;
    TRegDataType type;
    const char* text;
  };
  const StringCase strings[] = {
      {"", TRegDataType::rdString, "default text"},
      {"ClientPath", TRegDataType::rdString, "C:\\Steward\\Client\\"},
      {"Quote", TRegDataType::rdString, "say \"hi\""},
      {"Empty", TRegDataType::rdString, ""},
      {"Expand", TRegDataType::rdExpandString, "%TMP%\\x"},
  };
  for (const auto& c : strings) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(reg.ValueExists(c.name));
    EXPECT_EQ(reg.GetDataType(c.name), c.type);
    EXPECT_EQ(reg.ReadString(c.name), c.text);
    EXPECT_EQ(reg.ReadUtf8String(c.name), c.text);
  }

  struct IntCase {
    const char* name;
    int value;
  };
  const IntCase ints[] = {{"Count", 31}, {"Negative", -1}, {"Zero", 0}, {"LittleDword", 0x110}};
  for (const auto& c : ints) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(reg.GetDataType(c.name), TRegDataType::rdInteger);
    EXPECT_EQ(reg.ReadInteger(c.name), c.value);
    EXPECT_EQ(reg.ReadBool(c.name), c.value != 0);
  }

  struct BinaryCase {
    const char* name;
    TRegDataType type;
    std::vector<std::uint8_t> bytes;
  };
  const BinaryCase binaries[] = {
      {"Data", TRegDataType::rdBinary, {1, 2, 0xff}},
      {"Long", TRegDataType::rdBinary, {0, 1, 2, 3, 4, 5, 6}},
      {"NoBytes", TRegDataType::rdBinary, {}},
      {"Qword", TRegDataType::rdUnknown, {1, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : binaries) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(reg.ValueExists(c.name));
    EXPECT_EQ(reg.GetDataType(c.name), c.type);
    EXPECT_EQ(reg.ReadBinaryData(c.name), c.bytes);
  }

  EXPECT_EQ(reg.GetDataType("Multi"), TRegDataType::rdMultiString);

  const std::vector<AnsiString> names = {"",         "ClientPath", "Quote", "Empty",      "Count",
                                         "Negative", "Zero",       "Data",  "Long",       "NoBytes",
                                         "Expand",   "Multi",      "Qword", "LittleDword"};
  EXPECT_EQ(reg.GetValueNames(), names);
}

TEST_F(RegistryFile, WrongTypeOrMissingValueFollowsTheReadRules) {
  Write(kTypes);
  TRegistry reg;
  reg.RootKey = HKEY_LOCAL_MACHINE;
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\KVL\\Steward"));

  struct RaiseCase {
    const char* what;
    std::function<void()> read;
    const char* message;
  };
  const RaiseCase raising[] = {
      {"string of dword", [&] { reg.ReadString("Count"); }, "Invalid data type for 'Count'"},
      {"utf8 of binary", [&] { reg.ReadUtf8String("Data"); }, "Invalid data type for 'Data'"},
      {"string of multi", [&] { reg.ReadString("Multi"); }, "Invalid data type for 'Multi'"},
      {"integer of string", [&] { reg.ReadInteger("Quote"); }, "Invalid data type for 'Quote'"},
      {"integer of missing", [&] { reg.ReadInteger("Nope"); }, "Invalid data type for 'Nope'"},
      {"bool of missing", [&] { reg.ReadBool("Nope"); }, "Invalid data type for 'Nope'"},
      {"binary of string", [&] { reg.ReadBinaryData("Quote"); }, "Invalid data type for 'Quote'"},
      {"binary of dword", [&] { reg.ReadBinaryData("Count"); }, "Invalid data type for 'Count'"},
  };
  for (const auto& c : raising) {
    SCOPED_TRACE(c.what);
    try {
      c.read();
      ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }

  EXPECT_EQ(reg.ReadString("Nope"), "");
  EXPECT_EQ(reg.ReadUtf8String("Nope"), "");
  EXPECT_TRUE(reg.ReadBinaryData("Nope").empty());
  EXPECT_FALSE(reg.ValueExists("Nope"));
  EXPECT_EQ(reg.GetDataType("Nope"), TRegDataType::rdUnknown);
}

TEST_F(RegistryFile, KeysIgnoreCaseAndImplyTheirParents) {
  Write(
      "Windows Registry Editor Version 5.00\n"
      "[HKLM\\Software\\KVL\\Steward]\n"
      "\"Name\"=\"steward\"\n"
      "[hkey_local_machine\\SOFTWARE\\kvl\\Other\\Deep]\n"
      "[HKEY_LOCAL_MACHINE\\Software\\KVL\\STEWARD]\n"
      "\"name\"=\"replaced\"\n"
      "\"Second\"=dword:00000002\n"
      "[HKEY_CURRENT_USER]\n"
      "\"AtRoot\"=\"root value\"\n"
      "[HKEY_CLASSES_ROOT\\Steward.Application\\CLSID]\n"
      "@=\"{1234}\"\n");
  TRegistry reg;
  reg.RootKey = HKEY_LOCAL_MACHINE;

  for (const char* key : {"Software", "software\\kvl", "SOFTWARE\\KVL\\STEWARD",
                          "\\Software\\KVL\\", "Software\\\\KVL\\Other\\deep"}) {
    EXPECT_TRUE(reg.KeyExists(key)) << key;
  }
  for (const char* key : {"Software\\KVL\\Stew", "Software\\KVL\\Steward\\Name", "Steward"}) {
    EXPECT_FALSE(reg.KeyExists(key)) << key;
  }

  ASSERT_TRUE(reg.OpenKeyReadOnly("software\\kvl"));
  EXPECT_EQ(reg.CurrentPath(), "software\\kvl");
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"Steward", "Other"}));
  EXPECT_TRUE(reg.GetValueNames().empty());

  // Relative to the open key; a failed open keeps the key that was open.
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "software\\kvl");
  ASSERT_TRUE(reg.OpenKey("steward", false));
  EXPECT_EQ(reg.CurrentPath(), "software\\kvl\\steward");
  // A repeated key merges; a repeated value replaces the earlier one in place.
  EXPECT_EQ(reg.ReadString("NAME"), "replaced");
  EXPECT_EQ(reg.ReadInteger("second"), 2);
  EXPECT_EQ(reg.GetValueNames(), (std::vector<AnsiString>{"Name", "Second"}));

  // A leading "\" starts again from the root.
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\KVL\\Other"));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"Deep"}));

  // With no key open the values are those of the root key.
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentPath(), "");
  reg.RootKey = HKEY_CURRENT_USER;
  EXPECT_EQ(reg.ReadString("AtRoot"), "root value");

  TRegistry classes;
  classes.RootKey = HKEY_CLASSES_ROOT;
  ASSERT_TRUE(classes.OpenKeyReadOnly("steward.application\\clsid"));
  EXPECT_EQ(classes.ReadString(""), "{1234}");
  classes.RootKey = HKEY_USERS;  // the open key keeps the root it was opened with
  EXPECT_EQ(classes.ReadString(""), "{1234}");
  EXPECT_FALSE(classes.KeyExists("\\Steward.Application"));
}

TEST_F(RegistryFile, DeletesKeysWithSubkeysAndValues) {
  Write(
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\A\\B\\C]\n"
      "\"x\"=\"1\"\n"
      "[HKEY_CURRENT_USER\\A\\B-x]\n"
      "[HKEY_CURRENT_USER\\A\\Bee]\n"
      "[HKEY_CURRENT_USER\\A\\D]\n"
      "\"gone\"=\"1\"\n"
      "\"kept\"=\"2\"\n"
      "[-HKEY_CURRENT_USER\\a\\b]\n"
      "\"orphan\"=\"values after a deletion belong to no key\"\n"
      "[HKEY_CURRENT_USER\\A\\D]\n"
      "\"GONE\"=-\n"
      "\"never\"=-\n"
      "[HKEY_CURRENT_USER\\Z\\Y]\n"
      "[-HKEY_CURRENT_USER\\Z\\Y]\n"
      "[HKEY_CURRENT_USER\\Z\\Y]\n"
      "\"back\"=dword:00000001\n");
  TRegistry reg;
  for (const char* key : {"A\\B", "A\\B\\C"}) EXPECT_FALSE(reg.KeyExists(key)) << key;
  for (const char* key : {"A", "A\\B-x", "A\\Bee", "A\\D", "Z\\Y"})
    EXPECT_TRUE(reg.KeyExists(key)) << key;

  ASSERT_TRUE(reg.OpenKeyReadOnly("A"));
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"B-x", "Bee", "D"}));
  ASSERT_TRUE(reg.OpenKeyReadOnly("D"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<AnsiString>{"kept"}));
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Z\\Y"));
  EXPECT_EQ(reg.ReadInteger("back"), 1);
}

TEST_F(RegistryFile, ReadsUtf16FileAndConvertsStringsToTheAnsiCodePage) {
  Write(
      Utf16File("Windows Registry Editor Version 5.00\r\n"
                "\r\n"
                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
                "\"ACP\"=\"936\"\r\n"
                "\r\n"
                "[HKEY_CURRENT_USER\\Software\\中文]\r\n"
                "\"名称\"=\"中文\"\r\n"
                "\"Expand\"=hex(2):2d,4e,87,65,00,00\r\n"));
  ResetACPCache();
  ASSERT_EQ(GetACP(), 936u);

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Software\\\xD6\xD0\xCE\xC4"));  // "中文" in GB2312
  EXPECT_EQ(reg.CurrentPath(), "Software\\\xD6\xD0\xCE\xC4");
  EXPECT_EQ(reg.GetValueNames(), (std::vector<AnsiString>{"\xC3\xFB\xB3\xC6", "Expand"}));
  EXPECT_EQ(reg.ReadUtf8String("\xC3\xFB\xB3\xC6"), "中文");
  EXPECT_EQ(reg.ReadString("\xC3\xFB\xB3\xC6"), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(reg.ReadUtf8String("Expand"), "中文");

  reg.CloseKey();
  reg.RootKey = HKEY_CURRENT_USER;
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"Software"}));
}

TEST_F(RegistryFile, Utf8FileWithByteOrderMarkAndOldHeader) {
  struct Case {
    const char* what;
    std::string file;
  };
  const Case cases[] = {
      {"utf-8 bom",
       "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_USERS\\K]\n\"v\"=\"é\"\n"},
      {"no header", "[HKEY_USERS\\K]\n\"v\"=\"é\"\n"},
      {"odd header", "Some Other Editor 9\n[HKEY_USERS\\K]\n\"v\"=\"é\"\n"},
      // Old-style files hold expand strings as 8-bit bytes.
      {"regedit4", "REGEDIT4\n[HKEY_USERS\\K]\n\"v\"=hex(2):c3,a9,00\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(c.file);
    TRegistry reg;
    reg.RootKey = HKEY_USERS;
    ASSERT_TRUE(reg.OpenKeyReadOnly("k"));
    EXPECT_EQ(reg.ReadUtf8String("V"), "é");
  }
}

TEST_F(RegistryFile, SkipsMalformedLinesAndKeepsReading) {
  std::string file =
      "Windows Registry Editor Version 5.00\n"
      "[HKEY_CURRENT_USER\\Good]\n"
      "\"Before\"=\"1\"\n"
      "; a comment \"Comment\"=\"no\"\n"
      "garbage line without meaning\n"
      "\"NoEquals\" \"x\"\n"
      "\"Unterminated=\"x\n"
      "\"OpenString\"=\"abc\n"
      "\"Trailing\"=\"abc\" junk\n"
      "\"BadDword\"=dword:xyz\n"
      "\"LongDword\"=dword:123456789\n"
      "\"EmptyDword\"=dword:\n"
      "\"BadHex\"=hex:1,2,zz\n"
      "\"WideHex\"=hex:123\n"
      "\"BadKind\"=hex(zz):00\n"
      "\"ShortDword\"=hex(4):01,02\n"
      "\"Unknown\"=qword:1\n"
      "@ \"nothing\"\n"
      "\x01\x02\xff\xfe\x80 binary junk \x00 with a NUL\n"s
      "\"Overlong\"=\"" +
      std::string(100000, 'x') +
      "\n"
      "[" +
      std::string(100000, 'k') +
      "\n"
      "\"AfterLongKey\"=\"lost\"\n"
      "[HKEY_CURRENT_USER\\Good]\n"
      "\"After\"=dword:00000002\n"
      "[HKEY_CURRENT_USER\\Broken\n"
      "\"InBroken\"=\"not in Good\"\n"
      "[HKEY_NOWHERE\\Key]\n"
      "\"Nowhere\"=\"x\"\n"
      "[]\n"
      "[HKEY_CURRENT_USER\\Good]\n"
      "\"Last\"=hex:0a,\\\n"
      "  0b\n"
      "\"Final\"=\"end\"";  // no line end at the end of the file
  Write(file);

  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("Good"));
  EXPECT_EQ(reg.GetValueNames(), (std::vector<AnsiString>{"Before", "After", "Last", "Final"}));
  EXPECT_EQ(reg.ReadString("Before"), "1");
  EXPECT_EQ(reg.ReadInteger("After"), 2);
  EXPECT_EQ(reg.ReadBinaryData("Last"), (std::vector<std::uint8_t>{0x0a, 0x0b}));
  EXPECT_EQ(reg.ReadString("Final"), "end");
  reg.CloseKey();
  EXPECT_EQ(reg.GetKeyNames(), (std::vector<AnsiString>{"Good"}));
}

TEST_F(RegistryFile, MissingOrUnreadableFileIsAnEmptyRegistry) {
  struct Case {
    const char* what;
    std::optional<std::string> env;
  };
  const Case cases[] = {
      {"missing file", dir_.File("none.reg")},
      {"a folder", dir_.path().string()},
      {"empty name", std::string()},
      {"unset", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::ScopedEnv env("STEWARD_REGISTRY", c.env);
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKeyReadOnly("Software"));
    EXPECT_FALSE(reg.KeyExists("Software"));
    EXPECT_TRUE(reg.GetKeyNames().empty());
    EXPECT_TRUE(reg.GetValueNames().empty());
    EXPECT_EQ(reg.ReadString("x"), "");
    EXPECT_THROW(reg.ReadInteger("x"), ERegistryException);
  }
}

TEST_F(RegistryFile, ReadsTheFileAgainWhenItChanges) {
  Write("[HKEY_CURRENT_USER\\K]\n\"v\"=\"first\"\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly("K"));
  EXPECT_EQ(reg.ReadString("v"), "first");

  Write("[HKEY_CURRENT_USER\\K]\n\"v\"=\"other\"\n");  // same size
  EXPECT_EQ(reg.ReadString("v"), "other");
  Write("[HKEY_CURRENT_USER\\K2]\n");
  EXPECT_FALSE(reg.ValueExists("v"));
  EXPECT_TRUE(TRegistry().KeyExists("K2"));
}

}  // namespace
