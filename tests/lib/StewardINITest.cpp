#include "lib/StewardINI.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/System.h"
#include "platform/rtl/TStringList.h"
#include "platform/rtl/Variant.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using vcl::Variant;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> ListOf(const vcl::TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

struct Host {
  std::string name;
  int port;
  bool operator==(const Host&) const = default;
};

std::vector<Host> Hosts(const Variant& list) {
  std::vector<Host> out;
  EXPECT_EQ(vcl::VarArrayDimCount(list), 2);
  EXPECT_EQ(vcl::VarArrayLowBound(list, 1), 0);
  EXPECT_EQ(vcl::VarArrayHighBound(list, 1), 1);
  EXPECT_EQ(vcl::VarArrayLowBound(list, 2), 0);
  for (int i = 0; i <= vcl::VarArrayHighBound(list, 2); ++i) {
    EXPECT_EQ(vcl::VarType(list.At({1, i})), vcl::varInteger);
    out.push_back({list.At({0, i}).AsString(), list.At({1, i}).AsInteger()});
  }
  return out;
}

// A temporary installation: client and server folders named by the registry file's
// installation key, the machine's ANSI code page in the same file.
class StewardIni : public ::testing::Test {
 protected:
  StewardIni()
      : client_(dir_.File("Client")),
        server_(dir_.File("Server")),
        registry_("STEWARD_REGISTRY", dir_.File("machine.reg")),
        clock_(vcl::EncodeDate(2024, 3, 3) + vcl::EncodeTime(14, 5, 9, 7)) {
    fs::create_directories(client_);
    fs::create_directories(server_);
    SetRegistry();
  }
  ~StewardIni() override { vcl::ResetACPCache(); }

  struct Registry {
    std::optional<std::string> client;
    std::optional<std::string> server;
    std::optional<std::string> profileType;
    int acp = 936;
    bool withKey = true;
    std::string extra;
  };

  void SetRegistry() { SetRegistry(Registry{client_, server_, std::nullopt, 936, true, ""}); }
  void SetRegistry(const Registry& r) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
        "\"ACP\"=\"" +
        std::to_string(r.acp) + "\"\r\n\r\n";
    if (r.withKey) {
      text += "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n";
      if (r.client) text += "\"ClientPath\"=\"" + Escape(*r.client) + "\"\r\n";
      if (r.server) text += "\"ServerPath\"=\"" + Escape(*r.server) + "\"\r\n";
      if (r.profileType) text += "\"ProfileType\"=\"" + *r.profileType + "\"\r\n";
      text += r.extra;
    }
    dir_.Write("machine.reg", text);
    vcl::ResetACPCache();
  }
  void SetAcp(int acp) { SetRegistry(Registry{client_, server_, std::nullopt, acp, true, ""}); }

  static std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  void WriteClient(const std::string& text) const { dir_.Write("Client/StewardC.ini", text); }
  void WriteServer(const std::string& text) const { dir_.Write("Server/StewardS.ini", text); }

  std::string ClientPath() const { return client_ + "\\"; }
  std::string ServerPath() const { return server_ + "\\"; }

  testsupport::TempDir dir_;
  std::string client_;
  std::string server_;
  testsupport::ScopedEnv registry_;
  testsupport::FixedClock clock_;
};

// ---------------------------------------------------------------------------------------------
// Client reader

TEST_F(StewardIni, ClientMissingFileGivesEveryDefault) {
  kv::TStewardIniC ini;
  EXPECT_EQ(ini.ErrorMsgId, "");
  EXPECT_EQ(ini.ClientPath, ClientPath());
  EXPECT_EQ(ini.ProfileDir, ClientPath());
  EXPECT_EQ(ini.ProfileType, "");
  EXPECT_EQ(ini.ProfileUser, "Default");
  EXPECT_EQ(ini.IniFileName, ClientPath() + "StewardC.ini");
  EXPECT_EQ(ini.SystemCodePage, "936");
  EXPECT_EQ(ini.UICodePage, "936");
  EXPECT_EQ(ini.DBCodePage, "936");
  EXPECT_EQ(ini.UIConvertKind, 0);
  EXPECT_EQ(ini.DBConvertKind, 0);
  EXPECT_FALSE(ini.SupportCallBack);
  EXPECT_EQ(ini.LangType, "ENG");
  EXPECT_EQ(ini.Version, "");
  EXPECT_EQ(ini.CreateGifBeforeSendEF, "Y");
  EXPECT_EQ(ini.AutoCheckNewMsg, "1");
  EXPECT_EQ(ini.CheckInterval, "1");
  EXPECT_EQ(ini.PopupMsg, "1");
  EXPECT_EQ(ini.LoginCheck, "0");
  EXPECT_EQ(Hosts(ini.ServerList), (std::vector<Host>{{"127.0.0.1", 211}}));
  EXPECT_EQ(ListOf(*ini.WorkDLLPaths), std::vector<std::string>{ClientPath() + "C_PKG\\"});
}

TEST_F(StewardIni, ClientReadsEveryKey) {
  WriteClient(
      "[Client Components]\r\nLangType=CHS\r\n"
      "[ProductVersion]\r\nVersion=9.0.1\r\n"
      "[UserDefine]\r\nCreateGifBeforeSendEF=N\r\n"
      "[CodePage]\r\nUICodePage=950\r\nDBCodePage=936\r\n"
      "[Server Information]\r\nSupportCallBack=yes\r\nComputerName=hostA;hostB;\r\n"
      "ServerPort=212\r\n"
      "[TaskMessageCenter Setting]\r\nAutoCheckNewMsg=0\r\nCheckInterval=15\r\nPopupMsg=0\r\n"
      "LoginCheck=1\r\n"
      "[WorkDLLPath]\r\nPath1=C:\\Mods\r\nPath2=\\Mods\\X\\\r\nPath3=Mods\r\n");
  kv::TStewardIniC ini;
  EXPECT_EQ(ini.ErrorMsgId, "");
  EXPECT_EQ(ini.LangType, "CHS");
  EXPECT_EQ(ini.Version, "9.0.1");
  EXPECT_EQ(ini.CreateGifBeforeSendEF, "N");
  EXPECT_EQ(ini.UICodePage, "950");
  EXPECT_EQ(ini.DBCodePage, "936");
  EXPECT_EQ(ini.UIConvertKind, 2);
  EXPECT_EQ(ini.DBConvertKind, 2);
  EXPECT_TRUE(ini.SupportCallBack);
  // The trailing ";" adds no third column; both hosts share the port.
  EXPECT_EQ(Hosts(ini.ServerList), (std::vector<Host>{{"hostA", 212}, {"hostB", 212}}));
  EXPECT_EQ(ini.AutoCheckNewMsg, "0");
  EXPECT_EQ(ini.CheckInterval, "15");
  EXPECT_EQ(ini.PopupMsg, "0");
  EXPECT_EQ(ini.LoginCheck, "1");
  EXPECT_EQ(ListOf(*ini.WorkDLLPaths),
            (std::vector<std::string>{"C:\\Mods\\", ClientPath() + "Mods\\X\\",
                                      ClientPath() + "Mods\\"}));
}

TEST_F(StewardIni, ClientServerListFromComputerName) {
  struct Case {
    std::string lines;  // lines of [Server Information]
    std::vector<Host> hosts;
  };
  const std::vector<Case> cases = {
      {"", {{"127.0.0.1", 211}}},
      {"ServerPort=300\r\n", {{"127.0.0.1", 300}}},
      {"ComputerName=  one  \r\n", {{"one", 211}}},
      {"ComputerName=one;\r\n", {{"one", 211}}},
      {"ComputerName=a; b\r\nServerPort=9\r\n", {{"a", 9}, {" b", 9}}},
      {"ComputerName=a;;b\r\n", {{"a", 211}, {"", 211}, {"b", 211}}},
      {"ComputerName=a;b;;\r\n", {{"a", 211}, {"b", 211}, {"", 211}}},
      {"ComputerName=a\r\nServerPort=port\r\n", {{"a", 211}}},
      {"ComputerName=a\r\nServerPort=0x10\r\n", {{"a", 16}}},
  };
  for (const Case& c : cases) {
    WriteClient("[Server Information]\r\n" + c.lines);
    kv::TStewardIniC ini;
    EXPECT_EQ(ini.ErrorMsgId, "") << c.lines;
    EXPECT_EQ(Hosts(ini.ServerList), c.hosts) << c.lines;
  }
}

TEST_F(StewardIni, ClientBlankComputerNameStopsWithE000016) {
  for (std::string value : {"", "   ", ";", " ; "}) {
    WriteClient(
        "[CodePage]\r\nUICodePage=950\r\n[Client Components]\r\nLangType=CHT\r\n"
        "[Server Information]\r\nComputerName=" +
        value + "\r\n[WorkDLLPath]\r\nA=Mods\r\nB=C:\\X\r\n");
    kv::TStewardIniC ini;
    EXPECT_EQ(ini.ErrorMsgId, "E;000016") << value;
    EXPECT_TRUE(vcl::VarIsEmpty(ini.ServerList)) << value;
    // What was read before the host list stays read; the work paths stay unresolved.
    EXPECT_EQ(ini.UICodePage, "950");
    EXPECT_EQ(ini.UIConvertKind, 2);
    EXPECT_EQ(ini.LangType, "CHT");
    EXPECT_EQ(ListOf(*ini.WorkDLLPaths), (std::vector<std::string>{"A=Mods", "B=C:\\X"}));
    EXPECT_FALSE(ini.LoadConfiguration());
  }
}

TEST_F(StewardIni, RegistryFailuresLeaveOnlyTheDefaults) {
  struct Case {
    const char* what;
    Registry registry;
    std::string errorMsgId;
  };
  const std::vector<Case> cases = {
      {"no key", {std::nullopt, std::nullopt, std::nullopt, 950, false, ""}, "E;000015"},
      {"empty paths", {"", "", "1", 950, true, ""}, ""},
      {"absent paths", {std::nullopt, std::nullopt, std::nullopt, 950, true, ""}, ""},
  };
  WriteClient("[CodePage]\r\nUICodePage=936\r\n[Server Information]\r\nComputerName=h\r\n");
  WriteServer("[CodePage]\r\nUICodePage=936\r\n[WorkDLLPath]\r\nA=Mods\r\n");
  for (const Case& c : cases) {
    SetRegistry(c.registry);
    kv::TStewardIniC client;
    EXPECT_FALSE(client.LoadConfiguration()) << c.what;
    EXPECT_EQ(client.ErrorMsgId, c.errorMsgId) << c.what;
    EXPECT_EQ(client.ClientPath, "") << c.what;
    EXPECT_EQ(client.ProfileDir, "") << c.what;
    EXPECT_EQ(client.ProfileUser, "Default") << c.what;
    EXPECT_EQ(client.IniFileName, "") << c.what;
    // Step-2 defaults: the system code page, and the kinds computed from it.
    EXPECT_EQ(client.SystemCodePage, "950") << c.what;
    EXPECT_EQ(client.UICodePage, "950") << c.what;
    EXPECT_EQ(client.DBCodePage, "936") << c.what;
    EXPECT_EQ(client.UIConvertKind, 2) << c.what;
    EXPECT_EQ(client.DBConvertKind, 2) << c.what;
    EXPECT_TRUE(vcl::VarIsEmpty(client.ServerList)) << c.what;
    EXPECT_EQ(client.WorkDLLPaths->Count(), 0) << c.what;

    kv::TStewardIniS server;
    EXPECT_FALSE(server.LoadConfiguration()) << c.what;
    EXPECT_EQ(server.ErrorMsgId, c.errorMsgId) << c.what;
    EXPECT_EQ(server.ServerPath, "") << c.what;
    EXPECT_EQ(server.UICodePage, "950") << c.what;
    EXPECT_TRUE(vcl::VarIsEmpty(server.DBSettings)) << c.what;
    EXPECT_EQ(server.WorkDLLPaths->Count(), 0) << c.what;
  }
  SetRegistry(Registry{std::nullopt, std::nullopt, std::nullopt, 936, false, ""});
  EXPECT_EQ(kv::TStewardIniC().ProfileType, "0");
}

TEST_F(StewardIni, RegistryValueOfWrongTypeRaises) {
  const std::string cases[] = {
      "\"ClientPath\"=dword:00000001\r\n\"ServerPath\"=dword:00000001\r\n",
      "\"ClientPath\"=\"x\"\r\n\"ServerPath\"=\"x\"\r\n\"ProfileType\"=dword:00000001\r\n",
      "\"ClientPath\"=hex:41,42\r\n\"ServerPath\"=hex(7):61,00,00,00,00,00\r\n",
  };
  for (const std::string& extra : cases) {
    SetRegistry(Registry{std::nullopt, std::nullopt, std::nullopt, 936, true, extra});
    EXPECT_THROW(kv::TStewardIniC(), vcl::ERegistryException) << extra;
    EXPECT_THROW(kv::TStewardIniS(), vcl::ERegistryException) << extra;
  }
}

TEST_F(StewardIni, SupportCallBackTruthRule) {
  struct Case {
    std::optional<std::string> value;
    bool expected;
  };
  const std::vector<Case> cases = {
      {std::nullopt, false}, {"1", true},    {"y", true},    {"Y", true},     {"yes", true},
      {"Yes", true},         {"TRUE", true}, {"true", true}, {"on", false},   {"0", false},
      {"2", false},          {"", false},    {"no", false},  {"yes!", false}, {"T", false},
  };
  for (const Case& c : cases) {
    const std::string line = c.value ? "SupportCallBack=" + *c.value + "\r\n" : "";
    WriteClient("[Server Information]\r\n" + line);
    WriteServer("[DBPasswordCtrl]\r\n" + line);
    EXPECT_EQ(kv::TStewardIniC().SupportCallBack, c.expected) << line;
    EXPECT_EQ(kv::TStewardIniS().SupportCallBack, c.expected) << line;
  }
  // The server reader takes it from its own section only.
  WriteServer("[Server Information]\r\nSupportCallBack=1\r\n");
  EXPECT_FALSE(kv::TStewardIniS().SupportCallBack);
}

TEST_F(StewardIni, CodePageKinds) {
  struct Case {
    int acp;
    std::optional<std::string> ui, db;
    std::string system, uiRead, dbRead;
    int uiKind, dbKind;
  };
  const std::vector<Case> cases = {
      {1252, std::nullopt, std::nullopt, "437", "437", "936", 0, 0},
      {932, std::nullopt, std::nullopt, "437", "437", "936", 0, 0},
      {936, std::nullopt, std::nullopt, "936", "936", "936", 0, 0},
      {950, std::nullopt, std::nullopt, "950", "950", "936", 2, 2},
      {936, "950", "936", "936", "950", "936", 2, 2},
      {950, "936", "950", "950", "936", "950", 4, 1},
      {950, "936", "936", "950", "936", "936", 4, 0},
      {936, "936", "950", "936", "936", "950", 0, 1},
      {936, "950", "950", "936", "950", "950", 2, 0},
      {936, "437", "950", "936", "437", "950", 0, 0},
      {1252, "936", "950", "437", "936", "950", 0, 1},
      // Compared as exact strings: "0950" is not "950".
      {936, "0950", "936", "936", "0950", "936", 0, 0},
  };
  for (const Case& c : cases) {
    SetAcp(c.acp);
    std::string text = "[CodePage]\r\n";
    if (c.ui) text += "UICodePage=" + *c.ui + "\r\n";
    if (c.db) text += "DBCodePage=" + *c.db + "\r\n";
    WriteClient(text);
    WriteServer(text);
    const std::string what =
        std::to_string(c.acp) + " " + c.ui.value_or("-") + " " + c.db.value_or("-");
    kv::TStewardIniC client;
    kv::TStewardIniS server;
    EXPECT_EQ(client.SystemCodePage, c.system) << what;
    EXPECT_EQ(client.UICodePage, c.uiRead) << what;
    EXPECT_EQ(client.DBCodePage, c.dbRead) << what;
    EXPECT_EQ(client.UIConvertKind, c.uiKind) << what;
    EXPECT_EQ(client.DBConvertKind, c.dbKind) << what;
    EXPECT_EQ(server.SystemCodePage, c.system) << what;
    EXPECT_EQ(server.UICodePage, c.uiRead) << what;
    EXPECT_EQ(server.DBCodePage, c.dbRead) << what;
    EXPECT_EQ(server.UIConvertKind, c.uiKind) << what;
    EXPECT_EQ(server.DBConvertKind, c.dbKind) << what;
  }
}

TEST_F(StewardIni, PerUserProfileWithFallbackToMachineFile) {
  const std::string user = vcl::GetUserName();
  ASSERT_FALSE(user.empty());
  ASSERT_LT(user.size(), 32u);
  const std::string profileDir = ClientPath() + "Profile\\" + user + "\\";
  struct Case {
    std::optional<std::string> profileType;
    bool userFile;
    std::string langType, profileDir, profileUser;
  };
  const std::vector<Case> cases = {
      {"1", true, "USR", profileDir, user},
      {"1", false, "MCH", ClientPath(), user},
      {"yes", true, "USR", profileDir, user},
      {"0", true, "MCH", ClientPath(), "Default"},
      {"", true, "MCH", ClientPath(), "Default"},
      {std::nullopt, true, "MCH", ClientPath(), "Default"},
  };
  WriteClient("[Client Components]\r\nLangType=MCH\r\n");
  for (const Case& c : cases) {
    const std::string what = c.profileType.value_or("absent") + (c.userFile ? " user" : "");
    SetRegistry(Registry{client_, server_, c.profileType, 936, true, ""});
    fs::remove_all(dir_.path() / "Client" / "Profile");
    if (c.userFile)
      dir_.Write("Client/Profile/" + user + "/StewardC.ini",
                 "[Client Components]\r\nLangType=USR\r\n");
    kv::TStewardIniC ini;
    EXPECT_EQ(ini.ProfileType, c.profileType.value_or("")) << what;
    EXPECT_EQ(ini.LangType, c.langType) << what;
    EXPECT_EQ(ini.ProfileDir, c.profileDir) << what;
    EXPECT_EQ(ini.ProfileUser, c.profileUser) << what;
    EXPECT_EQ(ini.IniFileName, c.profileDir + "StewardC.ini") << what;
  }
  // The server reader looks for its own file name in the same places.
  SetRegistry(Registry{client_, server_, "1", 936, true, ""});
  dir_.Write("Server/Profile/" + user + "/StewardS.ini", "[ProductVersion]\r\nVersion=U\r\n");
  WriteServer("[ProductVersion]\r\nVersion=M\r\n");
  kv::TStewardIniS server;
  EXPECT_EQ(server.Version, "U");
  EXPECT_EQ(server.ProfileDir, ServerPath() + "Profile\\" + user + "\\");
}

TEST_F(StewardIni, InstallationPathEndingInBackslashIsKept) {
  // A path that already ends in "\" gets none added; one whose last byte is the second half of
  // a double-byte character does. In Big5 the character U+8A31 is 0xB3 0x5C.
  const std::string big5 = "\xB3\x5C";
  ASSERT_EQ(vcl::WideToCodePage(u"\u8A31", 950), big5);
  struct Case {
    int acp;
    std::string registryPath;  // UTF-8, as the registry file holds it
    std::string expected;      // in the ANSI code page
  };
  const std::vector<Case> cases = {
      {936, client_ + "\\", client_ + "\\"},
      {950, client_ + "\\", client_ + "\\"},
      {950, client_ + "/\xE8\xA8\xB1", client_ + "/" + big5 + "\\"},
      {950, client_ + "/\xE8\xA8\xB1\\", client_ + "/" + big5 + "\\"},
  };
  for (const Case& c : cases) {
    SetRegistry(Registry{c.registryPath, server_, std::nullopt, c.acp, true, ""});
    kv::TStewardIniC ini;
    EXPECT_EQ(ini.ClientPath, c.expected);
    EXPECT_EQ(ini.IniFileName, c.expected + "StewardC.ini");
  }
}

// ---------------------------------------------------------------------------------------------
// Work paths

TEST(StewardIniPaths, ResolveModulePath) {
  struct Case {
    std::string value, expected;
  };
  const std::vector<Case> cases = {
      {"C:\\Mods\\", "C:\\Mods\\"},
      {"c:\\Mods\\", "c:\\Mods\\"},
      {"z:", "z:"},
      {"\\\\srv\\share\\", "\\\\srv\\share\\"},
      {"\\Mods\\X\\", "D:\\App\\Mods\\X\\"},
      {"Mods\\", "D:\\App\\Mods\\"},
      {"\\", "D:\\App\\"},
      {"", "D:\\App\\"},
      {"1:\\x\\", "D:\\App\\1:\\x\\"},
      {"/Mods/", "D:\\App\\Mods/"},
      {"//srv/share/", "//srv/share/"},
  };
  for (const Case& c : cases) EXPECT_EQ(kv::ResolveModulePath("D:\\App\\", c.value), c.expected);
}

TEST_F(StewardIni, WorkPathsResolvedInFileOrder) {
  struct Case {
    int acp;
    std::string section;
    std::vector<std::string> expected;  // "@" stands for the installation path
  };
  const std::string big5 = "\xA4\x5C";
  const std::vector<Case> cases = {
      {936, "", {"@X_PKG\\"}},
      {936, "Z=C:\\Mods\r\nA=\\Mods\\X\\\r\nM=Mods\r\n", {"C:\\Mods\\", "@Mods\\X\\", "@Mods\\"}},
      {936, "A=\\\\srv\\mods\r\nB=\r\nA=Dup\r\n", {"\\\\srv\\mods\\", "@"}},
      {936, "K=a=b\r\n", {"@a=b\\"}},
      {950, "K=" + big5 + "\r\n", {"@" + big5 + "\\"}},
  };
  for (const Case& c : cases) {
    SetAcp(c.acp);
    WriteClient("[WorkDLLPath]\r\n" + c.section);
    WriteServer("[WorkDLLPath]\r\n" + c.section);
    kv::TStewardIniC client;
    kv::TStewardIniS server;
    std::vector<std::string> expectClient, expectServer;
    for (std::string e : c.expected) {
      if (e == "@X_PKG\\") {
        expectClient.push_back(ClientPath() + "C_PKG\\");
        expectServer.push_back(ServerPath() + "S_PKG\\");
      } else if (e[0] == '@') {
        expectClient.push_back(ClientPath() + e.substr(1));
        expectServer.push_back(ServerPath() + e.substr(1));
      } else {
        expectClient.push_back(e);
        expectServer.push_back(e);
      }
    }
    EXPECT_EQ(ListOf(*client.WorkDLLPaths), expectClient) << c.section;
    EXPECT_EQ(ListOf(*server.WorkDLLPaths), expectServer) << c.section;

    vcl::TStringList copy;
    copy.Add("stale entry");
    server.GetWorkDLLPaths(copy);
    EXPECT_EQ(ListOf(copy), expectServer);
  }
}

// ---------------------------------------------------------------------------------------------
// Server reader

TEST_F(StewardIni, ServerMissingFileGivesEveryDefault) {
  kv::TStewardIniS ini;
  EXPECT_EQ(ini.ErrorMsgId, "");
  EXPECT_EQ(ini.ServerPath, ServerPath());
  EXPECT_EQ(ini.IniFileName, ServerPath() + "StewardS.ini");
  EXPECT_EQ(ini.Version, "");
  EXPECT_EQ(ini.UICodePage, "936");
  EXPECT_EQ(ini.DBCodePage, "936");
  EXPECT_FALSE(ini.SupportCallBack);
  EXPECT_EQ(ini.DBKind, 0);
  EXPECT_EQ(ini.SystemControlAddress, "");
  EXPECT_EQ(ini.OtherSystemControlAddress, "");
  const Variant& s = ini.DBSettings;
  ASSERT_EQ(vcl::VarArrayDimCount(s), 2);
  EXPECT_EQ(vcl::VarArrayLowBound(s, 1), 0);
  EXPECT_EQ(vcl::VarArrayHighBound(s, 1), 3);
  EXPECT_EQ(vcl::VarArrayLowBound(s, 2), 0);
  EXPECT_EQ(vcl::VarArrayHighBound(s, 2), 7);
  const std::vector<std::vector<Variant>> expected = {
      {"Primus", "sa", "", "MSSQL", "", "", 300, 3000},
      {"PrimusTemp", "sa", "", "PARADOX", "", "PostgreSQL", 300, 3000},
      {"", 211, 1024, "Chinese_Taiwan_Stroke_BIN", Variant(), Variant(), Variant(), Variant()},
      {"EDIDATA", "sa", "", Variant(), Variant(), Variant(), Variant(), Variant()},
  };
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 8; ++col) {
      const Variant& want = expected[row][col];
      const Variant& got = s.At({row, col});
      EXPECT_EQ(vcl::VarType(got), vcl::VarIsEmpty(want) ? vcl::varEmpty : vcl::VarType(want))
          << row << "," << col;
      EXPECT_TRUE(got == want) << row << "," << col << ": " << vcl::VarToStr(got);
    }
  EXPECT_EQ(ListOf(*ini.WorkDLLPaths), std::vector<std::string>{ServerPath() + "S_PKG\\"});
}

TEST_F(StewardIni, ServerReadsEveryKey) {
  WriteServer(
      "[ProductVersion]\r\nVersion=9.0\r\n"
      "[CodePage]\r\nUICodePage=936\r\nDBCodePage=950\r\n"
      "[DBE Setting]\r\nMainUserName=kv\r\nXXXXXX=" +
      kv::EncodePassword("secret") +
      "\r\nMainAlias=Main\r\nMainDBType=oracle\r\nMainDBName=erp\r\n"
      "MainServerName=db1\r\nSystemControlAddress=\"  sys:80  \"\r\n"
      "OtherSystemControlAddress=\"   \"\r\nMainConnectionTimeOut=30\r\n"
      "MainCommandTimeOut=abc\r\nTempAlias=T\r\nTempUserName=tu\r\nTempPassword=" +
      kv::EncodePassword("temp pw") +
      "\r\nTempDBType=SQLITE\r\nTempDBName=tmp\r\nTempDriverName=drv\r\n"
      "TempConnectionTimeOut=31\r\nTempCommandTimeOut=32\r\n"
      "DataBaseCodeOrder=Chinese_PRC_BIN\r\nEctAlias=E\r\nEctUserName=eu\r\n"
      "EctPassword=" +
      kv::EncodePassword("edi") +
      "\r\n"
      "[DBPasswordCtrl]\r\nComputerName=\"  srv  \"\r\nServerPort=x\r\n"
      "ClientSocketPort=2048\r\nSupportCallBack=TRUE\r\n");
  kv::TStewardIniS ini;
  EXPECT_EQ(ini.ErrorMsgId, "");
  EXPECT_EQ(ini.Version, "9.0");
  EXPECT_EQ(ini.UIConvertKind, 0);
  EXPECT_EQ(ini.DBConvertKind, 1);
  EXPECT_TRUE(ini.SupportCallBack);
  EXPECT_EQ(ini.DBKind, 1);
  // A non-blank address keeps its blanks; a blank one takes the main server name.
  EXPECT_EQ(ini.SystemControlAddress, "  sys:80  ");
  EXPECT_EQ(ini.OtherSystemControlAddress, "db1");
  const std::vector<std::vector<Variant>> expected = {
      {"Main", "kv", "secret", "oracle", "erp", "db1", 30, 3000},
      {"T", "tu", "temp pw", "SQLITE", "tmp", "drv", 31, 32},
      {"srv", 211, 2048, "Chinese_PRC_BIN", Variant(), Variant(), Variant(), Variant()},
      {"E", "eu", kv::EncodePassword("edi"), Variant(), Variant(), Variant(), Variant(), Variant()},
  };
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 8; ++col) {
      const Variant& want = expected[row][col];
      const Variant& got = ini.DBSettings.At({row, col});
      EXPECT_EQ(vcl::VarType(got), vcl::VarIsEmpty(want) ? vcl::varEmpty : vcl::VarType(want))
          << row << "," << col;
      EXPECT_TRUE(got == want) << row << "," << col << ": " << vcl::VarToStr(got);
    }
}

TEST_F(StewardIni, ServerDBKindIgnoresCase) {
  struct Case {
    std::string line;
    int kind;
  };
  const std::vector<Case> cases = {
      {"", 0},
      {"MainDBType=ORACLE", 1},
      {"MainDBType=oracle", 1},
      {"MainDBType=Db2", 2},
      {"MainDBType=DB2", 2},
      {"MainDBType=MSSQL", 0},
      {"MainDBType=ORACLE9", 0},
      {"TempDBType=ORACLE", 0},
  };
  for (const Case& c : cases) {
    WriteServer("[DBE Setting]\r\n" + c.line + "\r\n");
    EXPECT_EQ(kv::TStewardIniS().DBKind, c.kind) << c.line;
  }
}

TEST_F(StewardIni, ServerBadPasswordIsReportedAndReadingGoesOn) {
  WriteServer("[DBE Setting]\r\nXXXXXX=A0ZZ\r\nMainAlias=Main\r\nTempPassword=" +
              kv::EncodePassword("ok") + "\r\n");
  kv::TStewardIniS ini;
  EXPECT_EQ(ini.ErrorMsgId, "");
  EXPECT_EQ(ini.DBSettings.At({0, 2}).AsString(), "KV_Say_Password_Error");
  EXPECT_EQ(ini.DBSettings.At({0, 0}).AsString(), "Main");
  EXPECT_EQ(ini.DBSettings.At({1, 2}).AsString(), "ok");
  // The log root is the installation directory: ClientPath first.
  const std::string log = ReadAll(fs::path(client_) / "Log" / "Alert_ORVEXGenerator_20240303.log");
  const std::string p = "[2024/03/03 14:05:09] ";
  const std::string dashes(34, '-');
  EXPECT_EQ(log, p + dashes + " on " + kv::EncodePassword("DecodeSQLSa") + " " + dashes + "\r\n" +
                     p + vcl::DesignText(u8"讯息信息:") + "\r\n" + p +
                     "Exception is EConvertError\r\nMessage 01: '$ZZ' is not a valid integer "
                     "value\r\n" +
                     p + "ErrorMessage Count: 1\r\n" + p +
                     "Programer Message: " + vcl::DesignText(u8"解析 Sa 时发生错误!") + "\r\n");
}

// ---------------------------------------------------------------------------------------------
// Nothing is cached; hostile files

TEST_F(StewardIni, EveryReaderReadsRegistryAndFileAgain) {
  WriteClient("[Client Components]\r\nLangType=ONE\r\n");
  EXPECT_EQ(kv::TStewardIniC().LangType, "ONE");
  WriteClient("[Client Components]\r\nLangType=TWO\r\n");
  EXPECT_EQ(kv::TStewardIniC().LangType, "TWO");

  const std::string other = dir_.File("Other");
  dir_.Write("Other/StewardC.ini", "[Client Components]\r\nLangType=OTHER\r\n");
  SetRegistry(Registry{other, server_, std::nullopt, 936, true, ""});
  kv::TStewardIniC moved;
  EXPECT_EQ(moved.ClientPath, other + "\\");
  EXPECT_EQ(moved.LangType, "OTHER");

  // A second LoadConfiguration on the same reader starts again from the defaults.
  SetRegistry(Registry{std::nullopt, std::nullopt, std::nullopt, 936, false, ""});
  EXPECT_FALSE(moved.LoadConfiguration());
  EXPECT_EQ(moved.ErrorMsgId, "E;000015");
  EXPECT_EQ(moved.ClientPath, "");
  EXPECT_TRUE(vcl::VarIsEmpty(moved.ServerList));
  EXPECT_EQ(moved.WorkDLLPaths->Count(), 0);
}

TEST_F(StewardIni, HostileFilesReadWithoutHarm) {
  struct Case {
    const char* what;
    std::string text;
    std::string langType;
    std::vector<Host> hosts;
  };
  const std::string longValue(1 << 20, 'h');
  const std::vector<Case> cases = {
      {"binary junk",
       std::string("\x80\x00\xff\xfe[\x01]\x00=\x00\n\x81\r\r\n", 15) +
           "[Client Components]\nLangType=BIN\n",
       "BIN",
       {{"127.0.0.1", 211}}},
      {"duplicate sections",
       "[Client Components]\r\nLangType=FIRST\r\n[Server Information]\r\nComputerName=a\r\n"
       "[client components]\r\nLangType=SECOND\r\n[Server Information]\r\nComputerName=b\r\n",
       "FIRST",
       {{"a", 211}}},
      {"missing values",
       "[Client Components]\r\nLangType\r\n=x\r\n[Server Information]\r\n"
       "ServerPort=\r\nComputerName=h\r\n",
       "ENG",
       {{"h", 211}}},
      {"long line",
       "[Server Information]\r\nComputerName=" + longValue + ";b\r\n" + std::string(1 << 20, '[') +
           "\r\n[Client Components]\r\nLangType=L\r\n",
       "L",
       {{longValue, 211}, {"b", 211}}},
      {"no line breaks", "[Client Components] LangType=X", "ENG", {{"127.0.0.1", 211}}},
  };
  for (const Case& c : cases) {
    WriteClient(c.text);
    WriteServer(c.text);
    kv::TStewardIniC client;
    EXPECT_EQ(client.ErrorMsgId, "") << c.what;
    EXPECT_EQ(client.LangType, c.langType) << c.what;
    EXPECT_EQ(Hosts(client.ServerList), c.hosts) << c.what;
    kv::TStewardIniS server;
    EXPECT_EQ(server.ErrorMsgId, "") << c.what;
    EXPECT_EQ(vcl::VarArrayHighBound(server.DBSettings, 2), 7) << c.what;
  }
}

// ---------------------------------------------------------------------------------------------
// Stored-password codec

TEST(StewardIniPassword, KnownEncodings) {
  struct Case {
    std::string plain, encoded;
  };
  const std::vector<Case> cases = {
      {"A", "A0"},
      {"AB", "A090"},
      // Rotation by position mod 8: the eighth byte is not rotated, the ninth by one again.
      {std::string(9, '\x01'), "804020100804020180"},
      {std::string("\x00\xff", 2), "00FF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kv::EncodePassword(c.plain), c.encoded);
    EXPECT_EQ(kv::DecodePassword(c.encoded), c.plain);
  }
}

TEST(StewardIniPassword, EncodeDecodeAreInversesForRandomBytes) {
  std::mt19937 random(20240303);
  std::uniform_int_distribution<int> length(0, 255), byte(0, 255);
  for (int n = 0; n < 3000; ++n) {
    std::string plain(static_cast<size_t>(length(random)), '\0');
    for (char& c : plain) c = static_cast<char>(byte(random));
    const std::string encoded = kv::EncodePassword(plain);
    ASSERT_EQ(encoded.size(), plain.empty() ? 72u : plain.size() * 2);
    ASSERT_EQ(encoded.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    ASSERT_EQ(kv::DecodePassword(encoded), plain) << n;
  }
}

class StewardIniPasswordLog : public StewardIni {};

TEST_F(StewardIniPasswordLog, DecodeEdgeCases) {
  const std::string marker = "KV_Say_NoPassWord_ThePassWordIsEmpty";
  const fs::path log = fs::path(client_) / "Log" / "Alert_ORVEXGenerator_20240303.log";
  struct Case {
    std::string encoded, plain;
    bool reported;
  };
  const std::vector<Case> cases = {
      {"", "", false},
      {"A", "", false},
      {"A090F", "AB", false},
      {"a090", "AB", false},
      {kv::EncodePassword(""), "", false},
      {kv::EncodePassword(marker), "", false},
      {kv::EncodePassword(marker + "A"), marker + "A", false},
      {"ZZ", "KV_Say_Password_Error", true},
      {"A0G0", "KV_Say_Password_Error", true},
      {"A0 0", "KV_Say_Password_Error", true},
      {"A0-1", "KV_Say_Password_Error", true},
      {"A0$1", "KV_Say_Password_Error", true},
      // Decoding stops at the first bad pair: one report.
      {"ZZZZ", "KV_Say_Password_Error", true},
  };
  EXPECT_EQ(kv::EncodePassword(""), kv::EncodePassword(marker));
  for (const Case& c : cases) {
    fs::remove(log);
    EXPECT_EQ(kv::DecodePassword(c.encoded), c.plain) << c.encoded;
    const std::string text = fs::exists(log) ? ReadAll(log) : "";
    size_t headers = 0;
    for (size_t at = text.find("---- on "); at != std::string::npos;
         at = text.find("---- on ", at + 1))
      ++headers;
    EXPECT_EQ(headers, c.reported ? 1u : 0u) << c.encoded;
    if (c.reported) {
      EXPECT_NE(text.find("Message 01: '$" + c.encoded.substr(c.encoded.size() == 2 ? 0 : 2, 2) +
                          "' is not a valid integer value"),
                std::string::npos)
          << c.encoded << "\n"
          << text;
    }
  }
}

}  // namespace
