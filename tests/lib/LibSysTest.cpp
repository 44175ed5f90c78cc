#include "lib/LibSys.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/System.h"
#include "tests/support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Lines of a log file, split at CR LF.
std::vector<std::string> Lines(const fs::path& file) {
  std::vector<std::string> lines;
  std::string text = ReadAll(file);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A temporary machine: a registry file (installation key and ANSI code page), a fixed clock at
// 3 March 2024 14:05:09.007 and a temporary folder of its own.
class LibSysLog : public ::testing::Test {
 protected:
  LibSysLog()
      : registry_("STEWARD_REGISTRY", dir_.File("machine.reg")),
        tmp_("TMPDIR", dir_.File("tmp")),
        clock_(vcl::EncodeDate(2024, 3, 3) + vcl::EncodeTime(14, 5, 9, 7)) {
    fs::create_directories(dir_.File("tmp"));
    SetRegistry(std::nullopt, std::nullopt);
  }
  ~LibSysLog() override { vcl::ResetACPCache(); }

  // Writes the registry: the installation key with the values given (an absent key when both
  // are nullopt and `withKey` is false), `extra` lines appended to the key.
  void SetRegistry(std::optional<std::string> client, std::optional<std::string> server,
                   bool withKey = true, int acp = 936, const std::string& extra = "") {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
        "\"ACP\"=\"" +
        std::to_string(acp) + "\"\r\n\r\n";
    if (withKey) {
      text += "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n";
      if (client) text += "\"ClientPath\"=\"" + Escape(*client) + "\"\r\n";
      if (server) text += "\"ServerPath\"=\"" + Escape(*server) + "\"\r\n";
      text += extra;
    }
    dir_.Write("machine.reg", text);
    vcl::ResetACPCache();
  }

  static std::string Escape(const std::string& s) {
    std::string out;
    for (char c : s) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out;
  }

  std::string Dir(const std::string& name) const {
    fs::create_directories(dir_.File(name));
    return dir_.File(name);
  }

  fs::path GeneratorLog(const std::string& base) const {
    return fs::path(base) / "Log" / "Alert_ORVEXGenerator_20240303.log";
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv registry_;
  testsupport::ScopedEnv tmp_;
  testsupport::FixedClock clock_;
};

// ---------------------------------------------------------------------------------------------
// Installation and log root folders

TEST_F(LibSysLog, InstallDirPrefersClientPathThenServerPath) {
  struct Case {
    std::optional<std::string> client, server;
    bool withKey;
    std::string install;
  };
  const Case cases[] = {
      {"C:\\Steward\\Client\\", "C:\\Steward\\Server\\", true, "C:\\Steward\\Client\\"},
      {"", "C:\\Steward\\Server\\", true, "C:\\Steward\\Server\\"},
      {std::nullopt, "C:\\Steward\\Server", true, "C:\\Steward\\Server"},
      {std::nullopt, std::nullopt, true, ""},
      {std::nullopt, std::nullopt, false, ""},
  };
  for (const Case& c : cases) {
    SetRegistry(c.client, c.server, c.withKey);
    EXPECT_EQ(kv::GetInstallDir(), c.install) << c.install;
  }
}

TEST_F(LibSysLog, LogRootFallsBackToTempThenFixedFolder) {
  SetRegistry("C:\\Steward\\Client\\", std::nullopt);
  EXPECT_EQ(kv::GetLogRootDir(), "C:\\Steward\\Client\\");

  SetRegistry(std::nullopt, std::nullopt);
  EXPECT_EQ(kv::GetLogRootDir(), dir_.File("tmp") + "/");

  SetRegistry(std::nullopt, std::nullopt, false);
  EXPECT_EQ(kv::GetLogRootDir(), dir_.File("tmp") + "/");

  {
    // A temporary folder that does not fit its 255-character buffer counts as none.
    testsupport::ScopedEnv longTmp("TMPDIR", "/" + std::string(300, 'x'));
    EXPECT_EQ(kv::GetLogRootDir(), "/tmp");
  }

  // A registry value of the wrong type is a failure on the way: the fixed folder, no raise.
  SetRegistry(std::nullopt, std::nullopt, true, 936, "\"ClientPath\"=dword:00000001\r\n");
  EXPECT_THROW(kv::GetInstallDir(), vcl::ERegistryException);
  EXPECT_EQ(kv::GetLogRootDir(), "/tmp");
}

// ---------------------------------------------------------------------------------------------
// Alert logs

TEST_F(LibSysLog, AlertLogFileNameFollowsPeriodAndDottedName) {
  const std::string install = Dir("Client");
  SetRegistry(install, std::nullopt);
  struct Case {
    std::string name, period, file;
  };
  const Case cases[] = {
      {"libstrs", "D", "Alert_libstrs_20240303.log"},
      {"libstrs", "M", "Alert_libstrs_202403.log"},
      {"libstrs", "Y", "Alert_libstrs_2024.log"},
      {"libstrs2", "d", "Alert_libstrs2_20240303.log"},
      {"libstrs3", "", "Alert_libstrs3_20240303.log"},
      {"libstrs5", "m", "Alert_libstrs5_20240303.log"},
      {"libstrs6", "y", "Alert_libstrs6_20240303.log"},
      {"libstrs7", "D ", "Alert_libstrs7_20240303.log"},
      {"libstrs4", "Month", "Alert_libstrs4_20240303.log"},
      {"my.module", "D", "Alert_my.module_20240303"},
      {"year.", "Y", "Alert_year._2024"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(kv::WriteAlertLog(c.name, "hello " + c.period, c.period)) << c.file;
    const fs::path file = fs::path(install) / "Log" / c.file;
    ASSERT_TRUE(fs::exists(file)) << c.file;
    EXPECT_EQ(ReadAll(file), "[2024/03/03 14:05:09:007] hello " + c.period + "\r\n") << c.file;
  }
  // Every file written is one of the expected ones: nothing else appears in the folder.
  EXPECT_EQ(
      std::distance(fs::directory_iterator(fs::path(install) / "Log"), fs::directory_iterator()),
      static_cast<long>(std::size(cases)));
}

TEST_F(LibSysLog, AlertLogAppendsOneLinePerCallWithMessageUnchanged) {
  const std::string install = Dir("Client");
  SetRegistry(install, std::nullopt);
  const std::string gb = vcl::DesignText(u8"错误 100% %s %d");
  ASSERT_TRUE(kv::WriteAlertLog("libstrs", "LINE[2735] first", "D"));
  {
    testsupport::FixedClock later(vcl::EncodeDate(2024, 3, 3) + vcl::EncodeTime(23, 59, 59, 999));
    ASSERT_TRUE(kv::WriteAlertLog("libstrs", gb, "D"));
  }
  {
    // The next day starts a new file.
    testsupport::FixedClock nextDay(vcl::EncodeDate(2024, 3, 4) + vcl::EncodeTime(0, 0, 0, 0));
    ASSERT_TRUE(kv::WriteAlertLog("libstrs", "next day", "D"));
  }
  EXPECT_EQ(
      ReadAll(fs::path(install) / "Log" / "Alert_libstrs_20240303.log"),
      "[2024/03/03 14:05:09:007] LINE[2735] first\r\n[2024/03/03 23:59:59:999] " + gb + "\r\n");
  EXPECT_EQ(ReadAll(fs::path(install) / "Log" / "Alert_libstrs_20240304.log"),
            "[2024/03/04 00:00:00:000] next day\r\n");
}

TEST_F(LibSysLog, AlertLogUsesRegionalSeparators) {
  const std::string install = Dir("Client");
  SetRegistry(install, std::nullopt);
  const char date = vcl::DateSeparator, time = vcl::TimeSeparator;
  vcl::DateSeparator = '-';
  vcl::TimeSeparator = '.';
  const bool written = kv::WriteAlertLog("sep", "x", "D");
  vcl::DateSeparator = date;
  vcl::TimeSeparator = time;
  ASSERT_TRUE(written);
  EXPECT_EQ(ReadAll(fs::path(install) / "Log" / "Alert_sep_20240303.log"),
            "[2024-03-03 14.05.09.007] x\r\n");
}

TEST_F(LibSysLog, AlertLogBaseDirectoryByForm) {
  const std::string client = Dir("Client");
  const std::string server = Dir("Server");
  const fs::path hostLog =
      fs::path(vcl::SysPath(vcl::ExtractFilePath(vcl::GetHostProgramPath()))) / "Log";
  const bool hostLogExisted = fs::exists(hostLog);
  // A name of this test's own, so the file below the host program is ours alone.
  const std::string name = "LibSysTest" + std::to_string(::getpid());
  const fs::path hostFile = hostLog / ("Alert_" + name + "_20240303.log");

  struct Case {
    std::optional<std::string> client, server;
    kv::TAlertLogBase form;
    std::string expectedBase;  // "" for the host program's folder
    std::string extra;
  };
  const Case cases[] = {
      {client, server, kv::TAlertLogBase::lbInstallDir, client, ""},
      {"", server, kv::TAlertLogBase::lbInstallDir, server, ""},
      // A base ending in "\" gives a doubled separator, which the file system accepts.
      {client + "\\", std::nullopt, kv::TAlertLogBase::lbInstallDir, client, ""},
      {std::nullopt, std::nullopt, kv::TAlertLogBase::lbInstallDir, "", ""},
      {client, server, kv::TAlertLogBase::lbHostProgram, "", ""},
      // An unreadable installation value still leaves the line below the host program.
      {std::nullopt, std::nullopt, kv::TAlertLogBase::lbInstallDir, "",
       "\"ClientPath\"=hex:01,02\r\n"},
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(i++);
    SetRegistry(c.client, c.server, true, 936, c.extra);
    fs::remove_all(fs::path(client) / "Log");
    fs::remove_all(fs::path(server) / "Log");
    fs::remove(hostFile);
    ASSERT_TRUE(kv::WriteAlertLog(name, "where", "D", c.form));
    const fs::path expected = c.expectedBase.empty() ? hostFile
                                                     : fs::path(c.expectedBase) / "Log" /
                                                           ("Alert_" + name + "_20240303.log");
    EXPECT_EQ(ReadAll(expected), "[2024/03/03 14:05:09:007] where\r\n");
    // Only that one file was written.
    EXPECT_EQ(fs::exists(fs::path(client) / "Log"), c.expectedBase == client);
    EXPECT_EQ(fs::exists(fs::path(server) / "Log"), c.expectedBase == server);
    EXPECT_EQ(fs::exists(hostFile), c.expectedBase.empty());
  }
  fs::remove(hostFile);
  if (!hostLogExisted) fs::remove(hostLog);
}

TEST_F(LibSysLog, WritersReturnFalseWhenTheLogFolderCannotBeMade) {
  // The installation path is a regular file, so no folder can be made below it.
  const std::string blocker = dir_.Write("blocker", "not a folder");
  SetRegistry(blocker + "/Client", std::nullopt);
  bool alert = true, generator = true;
  EXPECT_NO_THROW(alert = kv::WriteAlertLog("libstrs", "lost", "D"));
  EXPECT_NO_THROW(generator = kv::WriteGeneratorLog("lost"));
  EXPECT_FALSE(alert);
  EXPECT_FALSE(generator);
  EXPECT_NO_THROW(kv::ReportException(nullptr, "place", "note"));

  // A folder where the log file should be: the file cannot be opened.
  const std::string install = Dir("Client");
  SetRegistry(install, std::nullopt);
  fs::create_directories(fs::path(install) / "Log" / "Alert_busy_20240303.log");
  fs::create_directories(GeneratorLog(install));
  EXPECT_FALSE(kv::WriteAlertLog("busy", "lost", "D"));
  EXPECT_FALSE(kv::WriteGeneratorLog("lost"));
}

// ---------------------------------------------------------------------------------------------
// Generator log and exception report

TEST_F(LibSysLog, GeneratorLogUsesShortDateLongTimeBelowLogRoot) {
  const std::string install = Dir("Client");
  SetRegistry(install, std::nullopt);
  ASSERT_TRUE(kv::WriteGeneratorLog("generated 5%"));
  EXPECT_EQ(ReadAll(GeneratorLog(install)), "[2024/03/03 14:05:09] generated 5%\r\n");

  // Without an installation directory the temporary folder is the root.
  SetRegistry(std::nullopt, std::nullopt);
  ASSERT_TRUE(kv::WriteGeneratorLog("in temp"));
  EXPECT_EQ(ReadAll(GeneratorLog(dir_.File("tmp"))), "[2024/03/03 14:05:09] in temp\r\n");
}

class LibSysReport : public LibSysLog {
 protected:
  LibSysReport() : install_(Dir("Client")) { SetRegistry(install_, std::nullopt); }

  // The report lines written, without their time prefixes.
  std::vector<std::string> Report() const {
    std::vector<std::string> lines = Lines(GeneratorLog(install_));
    const std::string prefix = "[2024/03/03 14:05:09] ";
    for (auto& line : lines)
      if (line.rfind(prefix, 0) == 0) line.erase(0, prefix.size());
    return lines;
  }

  std::string install_;
};

TEST_F(LibSysReport, ReportHeaderAndNote) {
  const std::string dashes(34, '-');
  struct Case {
    std::string place, note;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", "", {dashes + dashes}},
      {"  \t", "   ", {dashes + dashes}},
      {"DecodeSQLSa", "", {dashes + " on DecodeSQLSa " + dashes}},
      {" p ", " why? ", {dashes + " on  p  " + dashes, "Programer Message:  why? "}},
  };
  for (const Case& c : cases) {
    fs::remove(GeneratorLog(install_));
    kv::ReportException(nullptr, c.place, c.note);
    EXPECT_EQ(Report(), c.lines) << c.place;
  }
  EXPECT_EQ(std::string(68, '-'), dashes + dashes);
}

TEST_F(LibSysReport, ReportByKindOfError) {
  const std::string dashes(34, '-');
  const std::string info = vcl::DesignText(u8"讯息信息:");
  const kv::EDBEngineError db("engine failed", {{-1, "first 50%"}, {13059, "second %s"}, {7, ""}});
  const kv::EDBEngineError dbEmpty("no entries", {});
  const vcl::EOSError os("Access is denied", 5);
  const vcl::EInOutError io("File not found %d", 2);
  const vcl::EConvertError convert("'x%' is not a valid integer value");
  const std::runtime_error plain("plain failure");
  struct Case {
    const std::exception* error;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {&db,
       {info, "EDBEngineError Error 01: Code: -1, Message: first 50%",
        "EDBEngineError Error 02: Code: 13059, Message: second %s",
        "EDBEngineError Error 03: Code: 7, Message: ", "ErrorMessage Count: 3"}},
      {&dbEmpty, {info, "ErrorMessage Count: 0"}},
      {&os,
       {info, "EWin32Error Error 01: Code: 5, Message: Access is denied", "ErrorMessage Count: 1"}},
      {&io,
       {info, "EInOutError Error 01: Code: 2, Message: File not found %d",
        "ErrorMessage Count: 1"}},
      // The class-name line ends in CR LF, so the message starts a line of its own without a
      // time prefix.
      {&convert,
       {info, "Exception is EConvertError", "Message 01: 'x%' is not a valid integer value",
        "ErrorMessage Count: 1"}},
      {&plain,
       {info, "Exception is std::runtime_error", "Message 01: plain failure",
        "ErrorMessage Count: 1"}},
  };
  for (const Case& c : cases) {
    fs::remove(GeneratorLog(install_));
    kv::ReportException(c.error, "Place", "note");
    std::vector<std::string> expected = {dashes + " on Place " + dashes};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    expected.push_back("Programer Message: note");
    EXPECT_EQ(Report(), expected) << c.lines[1 % c.lines.size()];
  }
  // Only the continuation line lacks a time prefix.
  fs::remove(GeneratorLog(install_));
  kv::ReportException(&convert, "", "");
  const auto raw = Lines(GeneratorLog(install_));
  ASSERT_EQ(raw.size(), 5u);
  EXPECT_EQ(raw[2], "[2024/03/03 14:05:09] Exception is EConvertError");
  EXPECT_EQ(raw[3], "Message 01: 'x%' is not a valid integer value");
}

TEST_F(LibSysReport, ReportLiteralsInTheAnsiCodePage) {
  const vcl::EConvertError error("bad");
  struct Case {
    int acp;
    std::string info;
  };
  const Case cases[] = {
      {936, vcl::DesignText(u8"讯息信息:")},
      {950, vcl::CodePageToCodePage(vcl::DesignText(u8"讯息信息:"), 936, 950)},
      {1252, "????:"},
  };
  for (const Case& c : cases) {
    SetRegistry(install_, std::nullopt, true, c.acp);
    fs::remove(GeneratorLog(install_));
    kv::ReportException(&error, "", "");
    const auto lines = Report();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], c.info) << c.acp;
  }
}

}  // namespace
