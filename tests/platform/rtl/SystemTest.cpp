#include "platform/rtl/System.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Files.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

void FunctionInTheTestProgram() {}

TEST(SystemFacts, DescribeTheMachineAndTheProgram) {
  EXPECT_TRUE(std::regex_match(GetOSVersionText(), std::regex(R"(\d+\.\d+\.\d+)")))
      << GetOSVersionText();

  const AnsiString program = GetHostProgramPath();
  EXPECT_EQ(program.front(), '/');
  EXPECT_EQ(ExtractFileName(program), "rtl_tests");
  EXPECT_TRUE(FileExists(program));

  EXPECT_EQ(GetModuleFileNameOf(reinterpret_cast<const void*>(&FunctionInTheTestProgram)), program);
  const AnsiString runtime = GetModuleFileNameOf(reinterpret_cast<const void*>(&GetTempPath));
  EXPECT_EQ(ExtractFileName(runtime), "libvclrtl.so") << runtime;
  EXPECT_TRUE(FileExists(runtime));
  EXPECT_EQ(GetModuleFileNameOf(nullptr), "");

  char host[256] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(GetComputerName(), host);

  const struct passwd* user = ::getpwuid(::geteuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(GetUserName(), user->pw_name);
}

TEST(SystemFacts, TempPathComesFromTmpdirWithATrailingDelimiter) {
  struct Case {
    std::optional<std::string> tmpdir;
    const char* expected;
  };
  const Case cases[] = {
      {"/var/tmp/x", "/var/tmp/x/"},
      {"/var/tmp/x/", "/var/tmp/x/"},
      {"", "/tmp/"},
      {std::nullopt, "/tmp/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tmpdir.value_or("(unset)"));
    testsupport::ScopedEnv env("TMPDIR", c.tmpdir);
    EXPECT_EQ(GetTempPath(), c.expected);
  }
}

TEST(SystemFacts, ParamStrReadsTheProcessArgumentsUntilReplaced) {
  // The process's own arguments, as the kernel holds them.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  for (size_t start = 0; start < all.size();) {
    size_t end = all.find('\0', start);
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  ASSERT_FALSE(args.empty());
  ASSERT_EQ(ParamCount(), static_cast<int>(args.size()) - 1);
  EXPECT_EQ(ParamStr(0), GetHostProgramPath());
  for (size_t i = 1; i < args.size(); ++i) EXPECT_EQ(ParamStr(static_cast<int>(i)), args[i]);

  const char* replaced[] = {"C:\\Steward\\host.exe", "-a", "b c", ""};
  SetCommandLine(4, replaced);
  EXPECT_EQ(ParamCount(), 3);
  struct Case {
    int index;
    const char* expected;
  };
  const Case cases[] = {
      {0, "C:\\Steward\\host.exe"}, {1, "-a"}, {2, "b c"}, {3, ""}, {4, ""}, {-1, ""}};
  for (const auto& c : cases) EXPECT_EQ(ParamStr(c.index), c.expected) << c.index;

  SetCommandLine(0, nullptr);
  EXPECT_EQ(ParamCount(), 0);
  EXPECT_EQ(ParamStr(0), "");

  // Put the process's arguments back for later tests.
  std::vector<const char*> original;
  for (const auto& arg : args) original.push_back(arg.c_str());
  SetCommandLine(static_cast<int>(original.size()), original.data());
  EXPECT_EQ(ParamCount(), static_cast<int>(args.size()) - 1);
}

TEST(SystemErrors, LastErrorBelongsToTheThread) {
  SetLastError(ERROR_ACCESS_DENIED);
  DWORD seenByOther = 99, afterSet = 0;
  std::thread other([&] {
    seenByOther = GetLastError();
    SetLastError(ERROR_MOD_NOT_FOUND);
    afterSet = GetLastError();
  });
  other.join();
  EXPECT_EQ(seenByOther, ERROR_SUCCESS);
  EXPECT_EQ(afterSet, ERROR_MOD_NOT_FOUND);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  SetLastError(ERROR_SUCCESS);
}

TEST(SystemErrors, MessagesAreReadable) {
  struct Case {
    DWORD code;
    std::string expected;
  };
  const Case cases[] = {
      {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
      {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {EACCES, std::strerror(EACCES)},
      {ENOSPC, std::strerror(ENOSPC)},
  };
  for (const auto& c : cases) EXPECT_EQ(SysErrorMessage(c.code), c.expected) << c.code;
  EXPECT_FALSE(SysErrorMessage(0xFFFFFFF0u).empty());
}

}  // namespace
