// steward-host run as a child process on a temporary installation with the test plug-in
// TESTPGC.so, its output read line by line.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "suite/host/Launcher.h"
#include "tests/support/TestSupport.h"

namespace suite {
namespace {

namespace fs = std::filesystem;

struct TRunResult {
  int exitCode = -1;
  std::string output;  // standard output and error together
  std::vector<std::string> lines;

  bool Has(const std::string& line) const {
    for (const std::string& l : lines)
      if (l == line) return true;
    return false;
  }
  bool Mentions(const std::string& text) const { return output.find(text) != std::string::npos; }
  // True when `expected` appear in this order (other lines may come between).
  bool InOrder(const std::vector<std::string>& expected) const {
    size_t next = 0;
    for (const std::string& l : lines)
      if (next < expected.size() && l == expected[next]) ++next;
    return next == expected.size();
  }
};

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

TRunResult RunHost(const std::vector<std::string>& args, const std::string& env = "",
                   const std::string& exe = STEWARD_HOST_EXE) {
  std::string command = env + " timeout 60 " + Quote(exe);
  for (const std::string& a : args) command += " " + Quote(a);
  command += " 2>&1";
  TRunResult r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
  const int status = ::pclose(pipe);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::istringstream in(r.output);
  for (std::string line; std::getline(in, line);) r.lines.push_back(line);
  return r;
}

// A temporary installation whose client module folder holds the test plug-in.
class Launcher : public ::testing::Test {
 protected:
  Launcher() : install_(dir_.File("inst")) {
    fs::create_directories(install_ + "/Client/C_PKG");
    fs::create_symlink(TEST_PLUGIN_FILE, install_ + "/Client/C_PKG/TESTPGC.so");
  }

  TRunResult RunScript(const std::string& script, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"TESTPG", "--install", install_, "--script",
                                  dir_.Write("script.txt", script)};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunHost(args);
  }

  testsupport::TempDir dir_;
  std::string install_;
};

TEST_F(Launcher, DrivesThePlugInFromLoadToResult) {
  const TRunResult r = RunScript(
      "# type a job number, ask for help, answer a question, submit\n"
      "focus edJob\n"
      "type J00001\n"
      "key F1\n"
      "answer Yes\n"
      "click btnAsk\n"
      "click btnOk\n");
  EXPECT_EQ(r.exitCode, kExitOk) << r.output;
  EXPECT_TRUE(
      r.InOrder({"plug-in: " + install_ + "/Client/C_PKG/TESTPGC.so", "event 256", "initialize: 0",
                 "event 272", "help TST 12340000", "dialog \"Confirmation\": 要继续吗？",
                 "  answer: Yes", "event 288", "event 304", "result: code=1 data=J00001"}))
      << r.output;
  EXPECT_FALSE(r.Mentions("script line")) << r.output;
  EXPECT_FALSE(r.Mentions("closing the form")) << "the script's OK closed the form";

  // The installation was completed around the plug-in: registry file and both configurations.
  std::ifstream reg(install_ + "/steward.reg");
  std::stringstream text;
  text << reg.rdbuf();
  EXPECT_NE(text.str().find("[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]"), std::string::npos);
  EXPECT_NE(text.str().find("\"ClientPath\"="), std::string::npos);
  EXPECT_TRUE(fs::exists(install_ + "/Client/StewardC.ini"));
  EXPECT_TRUE(fs::exists(install_ + "/Server/StewardS.ini"));
  EXPECT_TRUE(fs::is_directory(install_ + "/Server/S_PKG"));
}

TEST_F(Launcher, AnswersDialogsFromTheScriptOrByDefault) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<std::string> expected;
    int exitCode = kExitOk;
  };
  const std::vector<Case> cases = {
      {"unanswered error box gets its only button",
       "click btnOk\nkey Esc\n",
       {"dialog \"Error\": 请输入工作编号", "  answer: OK (unanswered)", "event 304",
        "result: code=0 data="}},
      {"unanswered question gets its cancel button",
       "click btnAsk\nfocus edNote\nclick btnCancel\n",
       {"dialog \"Confirmation\": 要继续吗？", "  answer: No (unanswered)",
        "result: code=2 data="}},
      {"scripted No",
       "answer No\nclick btnAsk\nclick btnCancel\n",
       {"dialog \"Confirmation\": 要继续吗？", "  answer: No", "result: code=2 data="}},
      {"a button the dialog lacks falls back to the default answer",
       "answer Maybe\nclick btnAsk\nclick btnCancel\n",
       {"dialog \"Confirmation\": 要继续吗？", "  the dialog has no button \"Maybe\"",
        "  answer: No", "result: code=2 data="}},
      {"answers queued in order",
       "answer OK\nanswer Yes\nclick btnOk\nclick btnAsk\nclick btnCancel\n",
       {"dialog \"Error\": 请输入工作编号", "  answer: OK", "dialog \"Confirmation\": 要继续吗？",
        "  answer: Yes", "result: code=2 data="}},
      {"an unused answer is a script problem",
       "answer Yes\nclick btnCancel\n",
       {"script: 1 answer(s) not used", "result: code=2 data="},
       kExitScript},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TRunResult r = RunScript(c.script);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_TRUE(r.InOrder(c.expected)) << r.output;
  }
}

TEST_F(Launcher, HostCommandsReachTheForm) {
  struct Case {
    std::string script;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      // Mode 1 with values: the form takes the job number and submits.
      {"execute 1 0 J777\n", {"execute: 0", "event 304", "result: code=1 data=J777"}},
      // Mode 0 fills in without submitting; the user submits.
      {"execute 0 0 J5\nclick btnOk\n", {"execute: 0", "result: code=1 data=J5"}},
      {"message 9 2 no J9\n", {"message 9: 0", "result: code=1 data=J9"}},
      {"message 5 0 no J8\nclick btnOk\n", {"message 5: 0", "result: code=1 data=J8"}},
      // Other message types are refused and change nothing.
      {"message 6 1 0 J6\nclick btnCancel\n", {"message 6: -1", "result: code=2 data="}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const TRunResult r = RunScript(c.script);
    EXPECT_EQ(r.exitCode, kExitOk) << r.output;
    EXPECT_TRUE(r.InOrder(c.expected)) << r.output;
  }
}

TEST_F(Launcher, BadScriptLinesAreReportedWithTheirNumbersAndTheRunGoesOn) {
  const TRunResult r = RunScript(
      "focus edJob\n"
      "jump\n"
      "# comment\n"
      "key Ctrl+Nothing\n"
      "click btnMissing\n"
      "focus edMissing\n"
      "type J42\n"
      "click btnOk\n"
      "click btnOk\n");
  EXPECT_EQ(r.exitCode, kExitScript) << r.output;
  EXPECT_TRUE(r.Has("script line 2: unknown action \"jump\"")) << r.output;
  EXPECT_TRUE(r.Has("script line 4: unknown key \"Ctrl+Nothing\"")) << r.output;
  EXPECT_TRUE(r.Has("script line 5: no control \"btnMissing\" on the form \"frmTestPg\""))
      << r.output;
  EXPECT_TRUE(r.Has("script line 6: no control \"edMissing\" on the form \"frmTestPg\""))
      << r.output;
  // Line 9 runs after the form has gone.
  EXPECT_TRUE(r.Has("script line 9: no form is showing")) << r.output;
  EXPECT_TRUE(r.Has("result: code=1 data=J42")) << "the good lines still ran\n" << r.output;
}

bool IsPng(const std::string& path, unsigned& width, unsigned& height) {
  std::ifstream in(path, std::ios::binary);
  std::string head(24, '\0');
  if (!in.read(head.data(), 24)) return false;
  if (head.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || head.compare(12, 4, "IHDR") != 0)
    return false;
  auto be32 = [&](int at) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(head[at + i]);
    return v;
  };
  width = be32(16);
  height = be32(20);
  return true;
}

TEST_F(Launcher, ScreenshotsAreWrittenAsPng) {
  const std::string first = dir_.File("first.png"), later = dir_.File("later.png");
  const TRunResult r =
      RunScript("type J1\nscreenshot " + later + "\nclick btnOk\n", {"--screenshot", first});
  EXPECT_EQ(r.exitCode, kExitOk) << r.output;
  EXPECT_TRUE(r.InOrder(
      {"event 272", "screenshot: " + first, "screenshot: " + later, "result: code=1 data=J1"}))
      << r.output;
  for (const std::string& file : {first, later}) {
    unsigned w = 0, h = 0;
    ASSERT_TRUE(IsPng(file, w, h)) << file;
    EXPECT_EQ(w, 1024u);
    EXPECT_EQ(h, 768u);
  }
  // The typed text changed the picture between the two shots.
  std::ifstream a(first, std::ios::binary), b(later, std::ios::binary);
  std::stringstream sa, sb;
  sa << a.rdbuf();
  sb << b.rdbuf();
  EXPECT_NE(sa.str(), sb.str());
}

TEST_F(Launcher, WithNobodyLeftToActTheLauncherClosesTheForm) {
  const TRunResult r = RunHost({"TESTPG", "--install", install_, "--user", "U1"});
  EXPECT_EQ(r.exitCode, kExitOk) << r.output;
  EXPECT_TRUE(r.InOrder({"initialize: 0", "event 272", "closing the form", "event 288", "event 304",
                         "result: code=0 data="}))
      << r.output;
}

TEST_F(Launcher, FailedInitializeClosesTheFormWithoutShowingIt) {
  const TRunResult r = RunScript("click btnOk\n", {"--company", "99"});
  EXPECT_EQ(r.exitCode, kExitInitialize) << r.output;
  EXPECT_TRUE(
      r.InOrder({"event 256", "dialog \"Error\": Unknown company", "  answer: OK (unanswered)",
                 "initialize: -1", "event 304", "result: code=0 data="}))
      << r.output;
  EXPECT_FALSE(r.Has("event 272")) << r.output;
  EXPECT_FALSE(r.Mentions("closing the form")) << "the posted close ended it\n" << r.output;
}

TEST_F(Launcher, BadInputEndsWithAMessageAndAnExitCode) {
  const std::string file = dir_.Write("plain-file", "x");
  dir_.Write("inst/Client/C_PKG/JUNKC.so", "this is not a shared library");
  fs::create_symlink(FOREIGN_LIBRARY_FILE, install_ + "/Client/C_PKG/FOREIGNC.so");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, kExitUsage, "the program id is missing"},
      {{"TESTPG", "--frobnicate"}, kExitUsage, "unknown option --frobnicate"},
      {{"TESTPG", "--install"}, kExitUsage, "--install needs a value"},
      {{"TESTPG", "OTHER"}, kExitUsage, "more than one program"},
      {{"../TESTPG"}, kExitUsage, "not a path"},
      {{"TESTPG", "--install", install_, "--script", dir_.File("none.txt")},
       kExitUsage,
       "cannot read the script"},
      {{"TESTPG", "--install", file + "/inst"}, kExitInstall, "cannot create the installation"},
      {{"NOPG", "--install", install_}, kExitPlugin, "plug-in NOPGC.so not found"},
      {{"JUNK", "--install", install_}, kExitPlugin, "cannot load the plug-in"},
      {{"FOREIGN", "--install", install_}, kExitPlugin, "exports no GetController"},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    SCOPED_TRACE(shown);
    const TRunResult r = RunHost(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_TRUE(r.Mentions(c.message)) << r.output;
    EXPECT_FALSE(r.Mentions("event 256")) << r.output;
  }
}

// The default installation under $STEWARD_HOME gets a link to the plug-in built beside the
// launcher: here a copy of the launcher in a build-like tree with the plug-in in a module
// folder.
TEST(LauncherInstallation, DefaultInstallationLinksTheBuiltPlugIn) {
  testsupport::TempDir dir;
  const fs::path tree = dir.path() / "build";
  fs::create_directories(tree / "suite/host");
  fs::create_directories(tree / "modules/testpg");
  const fs::path exe = tree / "suite/host/steward-host";
  fs::copy_file(STEWARD_HOST_EXE, exe);
  fs::copy_file(TEST_PLUGIN_FILE, tree / "modules/testpg/TESTPGC.so");
  const std::string env =
      "STEWARD_HOME=" + Quote((dir.path() / "home").string()) +
      " LD_LIBRARY_PATH=" + Quote(fs::path(FOREIGN_LIBRARY_FILE).parent_path().string());
  const fs::path install = dir.path() / "home/demo";
  const fs::path link = install / "Client/C_PKG/TESTPGC.so";

  const std::string script = dir.Write("s.txt", "type J3\nclick btnOk\n");
  TRunResult first = RunHost({"TESTPG", "--script", script}, env, exe.string());
  EXPECT_EQ(first.exitCode, kExitOk) << first.output;
  EXPECT_TRUE(first.Has("installation: " + install.string())) << first.output;
  EXPECT_TRUE(first.Mentions("linked: " + link.string())) << first.output;
  EXPECT_TRUE(first.Has("result: code=1 data=J3")) << first.output;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::exists(install / "steward.reg"));

  // The second run finds the link in place.
  TRunResult second = RunHost({"testpg", "--script", script}, env, exe.string());
  EXPECT_EQ(second.exitCode, kExitOk) << second.output;
  EXPECT_FALSE(second.Mentions("linked:")) << second.output;
  EXPECT_TRUE(second.Has("result: code=1 data=J3")) << second.output;

  // Without a built plug-in the search rule's folders are named.
  TRunResult missing = RunHost({"NOPG"}, env, exe.string());
  EXPECT_EQ(missing.exitCode, kExitPlugin) << missing.output;
  EXPECT_TRUE(missing.Mentions("NOPGC.so not found")) << missing.output;
}

TEST(LauncherInstallation, ArgumentsAndDefaults) {
  TLaunchOptions o;
  std::string error;
  ASSERT_TRUE(ParseLaunchArguments(
      {"ZKPR42", "--user", "U", "--database", "db2", "--company", "02", "--screenshot", "s.png"}, o,
      error))
      << error;
  EXPECT_EQ(o.program, "ZKPR42");
  EXPECT_EQ(o.user, "U");
  EXPECT_EQ(o.company, "02");
  EXPECT_EQ(o.database, "db2");
  EXPECT_EQ(o.screenshot, "s.png");
  TLaunchOptions d;
  ASSERT_TRUE(ParseLaunchArguments({"ZKPR42"}, d, error));
  EXPECT_EQ(d.company, "01");
  EXPECT_EQ(d.database, "demo");

  testsupport::ScopedEnv home("STEWARD_HOME", "/srv/steward");
  EXPECT_EQ(DefaultInstallFolder(), "/srv/steward/demo");
  testsupport::ScopedEnv noHome("STEWARD_HOME", std::nullopt);
  testsupport::ScopedEnv user("HOME", "/home/u");
  EXPECT_EQ(DefaultInstallFolder(), "/home/u/.steward/demo");
}

}  // namespace
}  // namespace suite
