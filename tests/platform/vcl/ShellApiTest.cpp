#include "platform/vcl/ShellApi.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Dialogs.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits up to five seconds for a file to appear.
bool WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A stand-in for the desktop's opener: records its argument count and each argument
// (NUL-terminated) into `record`, renaming into place so that the file appears complete.
class ShellOpen : public ::testing::Test {
 protected:
  ShellOpen()
      : record(dir.File("record")),
        script(dir.Write("opener.sh",
                         "#!/bin/sh\n"
                         "out='" +
                             record +
                             "'\n"
                             "{ echo \"$#\"; for a in \"$@\"; do printf '%s\\0' \"$a\"; done; }"
                             " > \"$out.tmp\"\n"
                             "mv \"$out.tmp\" \"$out\"\n")),
        opener("STEWARD_OPEN_COMMAND", script) {
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  }
  // The arguments the opener received, or "(not run)".
  std::string Received() {
    if (!WaitForFile(record)) return "(not run)";
    return ReadAll(record);
  }
  testsupport::TempDir dir;
  std::string record;
  std::string script;
  testsupport::ScopedEnv opener;
};

TEST_F(ShellOpen, PathArrivesAsOneLiteralArgument) {
  const std::string name = "a b 'q' \"dq\"; rm -rf x; $(touch pwned) `touch pwned2` &.txt";
  const std::string path = dir.Write(name, "content");
  ASSERT_TRUE(std::filesystem::exists(path));
  const int rc = ShellExecute(0, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_GT(rc, 32);
  EXPECT_EQ(Received(), "1\n" + path + std::string(1, '\0'));
  EXPECT_FALSE(std::filesystem::exists(dir.File("pwned")));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
  EXPECT_FALSE(std::filesystem::exists("pwned2"));
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(ShellOpen, VerbsFilesAndFoldersAndAddresses) {
  struct Case {
    const char* name;
    const char* verb;
    std::string file;
    const char* directory;
    int result;            // 42 or an error code
    std::string argument;  // what the opener receives when it runs
  };
  dir.Write("docs/readme.txt", "x");
  const std::string readme = dir.File("docs/readme.txt");
  const std::string docs = dir.File("docs");
  const Case cases[] = {
      {"open a file", "open", readme, nullptr, kShellExecuteOk, readme},
      {"default verb", nullptr, readme, nullptr, kShellExecuteOk, readme},
      {"verb case", "OPEN", readme, nullptr, kShellExecuteOk, readme},
      {"a folder", "explore", docs, nullptr, kShellExecuteOk, docs},
      {"relative to a directory", "open", "readme.txt", docs.c_str(), kShellExecuteOk, readme},
      {"an address", "open", "https://example.org/a?b=1&c=$(x)", nullptr, kShellExecuteOk,
       "https://example.org/a?b=1&c=$(x)"},
      {"mail", "open", "mailto:someone@example.org", nullptr, kShellExecuteOk,
       "mailto:someone@example.org"},
      {"missing file", "open", dir.File("nope.txt"), nullptr, SE_ERR_FNF, ""},
      {"no file", "open", "", nullptr, SE_ERR_FNF, ""},
      {"unknown verb", "print", readme, nullptr, SE_ERR_NOASSOC, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(record);
    const int rc = ShellExecute(0, c.verb, c.file.c_str(), nullptr, c.directory, SW_SHOW);
    EXPECT_EQ(rc, c.result) << c.name;
    if (rc == kShellExecuteOk) {
      EXPECT_EQ(Received(), "1\n" + c.argument + std::string(1, '\0')) << c.name;
    } else {
      EXPECT_FALSE(std::filesystem::exists(record)) << c.name;
    }
  }
}

TEST_F(ShellOpen, AnOpenerThatCannotStartIsNoAssociation) {
  const std::string readme = dir.Write("readme.txt", "x");
  testsupport::ScopedEnv missing("STEWARD_OPEN_COMMAND", dir.File("no-such-opener"));
  EXPECT_EQ(ShellExecute(0, "open", readme.c_str(), nullptr, nullptr, SW_SHOW), SE_ERR_NOASSOC);
}

TEST(ShellProperties, ShowsNameSizeDateAndVersionInAMessageDialog) {
  testsupport::TempDir dir;
  const std::string path = dir.Write("report 2021.txt", "hello world");
  // 2021-03-04 05:06:07 local time.
  std::tm when{};
  when.tm_year = 121;
  when.tm_mon = 2;
  when.tm_mday = 4;
  when.tm_hour = 5;
  when.tm_min = 6;
  when.tm_sec = 7;
  when.tm_isdst = -1;
  const std::time_t stamp = std::mktime(&when);
  const utimbuf times{stamp, stamp};
  ASSERT_EQ(::utime(path.c_str(), &times), 0);

  TScriptedUser user;
  user.Reply(mrOk);
  EXPECT_EQ(ShellExecute(0, "properties", path.c_str(), nullptr, nullptr, SW_SHOW),
            kShellExecuteOk);
  ASSERT_EQ(user.Shown().size(), 1u);
  EXPECT_EQ(user.Shown()[0].Caption, "Information");
  EXPECT_EQ(user.Shown()[0].Message,
            "Name: report 2021.txt\r\nSize: 11 bytes\r\nModified: 2021/03/04 05:06:07\r\n"
            "Version: ");
  EXPECT_EQ(user.UnansweredCount(), 0);

  // A missing file shows nothing.
  EXPECT_EQ(ShellExecute(0, "properties", dir.File("gone.txt").c_str(), nullptr, nullptr, SW_SHOW),
            SE_ERR_FNF);
  EXPECT_EQ(user.Shown().size(), 1u);
}

}  // namespace
