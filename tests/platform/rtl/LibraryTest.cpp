#include "platform/rtl/Library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

using AddFn = int (*)(int, int);
using NameFn = const char* (*)();
using CountFn = int (*)();

// The test library is built beside the test program.
std::string TestLibraryPath() {
  return ExtractFilePath(GetHostProgramPath()) + "RtlTestLib.so";
}

TEST(LibraryLoad, FindsTheLibraryBesideTheCallerWhateverTheNameCase) {
  for (const char* name :
       {"RtlTestLib.dll", "rtltestlib.DLL", "RTLTESTLIB", "RtlTestLib.so", "RtlTestLib.Dll"}) {
    SCOPED_TRACE(name);
    HMODULE module = LoadLibrary(name);
    ASSERT_NE(module, nullptr) << LastLibraryError();
    EXPECT_EQ(GetModuleFileName(module), TestLibraryPath());

    auto add = reinterpret_cast<AddFn>(GetProcAddress(module, "RtlTestAdd"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    auto libName = reinterpret_cast<NameFn>(GetProcAddress(module, "RtlTestName"));
    ASSERT_NE(libName, nullptr);
    EXPECT_STREQ(libName(), "RtlTestLib");
    EXPECT_EQ(GetModuleFileNameOf(reinterpret_cast<const void*>(add)), TestLibraryPath());

    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST(LibraryLoad, SearchesTheFolderOfTheCallingModuleFirst) {
  testsupport::TempDir dir;
  const auto folder = dir.path() / "plugins";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(TestLibraryPath(), folder / "Plug.so");
  std::filesystem::copy_file(TestLibraryPath(), folder / "Sibling.so");

  // A name with a folder ("\" separators, other case) loads from that folder.
  HMODULE plug = LoadLibrary(dir.path().string() + "\\plugins\\PLUG.dll");
  ASSERT_NE(plug, nullptr) << LastLibraryError();
  EXPECT_EQ(GetModuleFileName(plug), std::filesystem::canonical(folder / "Plug.so").string());
  const void* insidePlug = GetProcAddress(plug, "RtlTestAdd");
  ASSERT_NE(insidePlug, nullptr);

  // A bare name asked for by code inside the plug-in is found beside the plug-in ...
  HMODULE sibling = LoadLibraryFrom("sibling.dll", insidePlug);
  ASSERT_NE(sibling, nullptr) << LastLibraryError();
  EXPECT_EQ(GetModuleFileName(sibling), std::filesystem::canonical(folder / "Sibling.so").string());
  // ... as its own copy, with its own state.
  auto plugCount = reinterpret_cast<CountFn>(GetProcAddress(plug, "RtlTestNextCount"));
  auto siblingCount = reinterpret_cast<CountFn>(GetProcAddress(sibling, "RtlTestNextCount"));
  ASSERT_TRUE(plugCount && siblingCount);
  EXPECT_EQ(plugCount(), 1);
  EXPECT_EQ(plugCount(), 2);
  EXPECT_EQ(siblingCount(), 1);

  // ... but not by code of the test program, whose folder does not hold it.
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(LoadLibrary("Sibling.dll"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);

  // The host program's folder comes next.
  HMODULE fromHost = LoadLibraryFrom("RtlTestLib.dll", insidePlug);
  ASSERT_NE(fromHost, nullptr) << LastLibraryError();
  EXPECT_EQ(GetModuleFileName(fromHost), TestLibraryPath());

  EXPECT_TRUE(FreeLibrary(fromHost));
  EXPECT_TRUE(FreeLibrary(sibling));
  EXPECT_TRUE(FreeLibrary(plug));
}

TEST(LibraryLoad, FallsBackToTheSystemLibraryPath) {
  HMODULE libm = LoadLibrary("libm.so.6");
  ASSERT_NE(libm, nullptr) << LastLibraryError();
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(libm, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(GetModuleFileName(libm).front(), '/');
  EXPECT_TRUE(FreeLibrary(libm));
}

TEST(LibraryLoad, FailuresReturnNullAndSetTheLastError) {
  testsupport::TempDir dir;
  const std::string junk = dir.Write("Junk.so", "this is not a shared library");
  struct Case {
    std::string name;
    std::string inError;
  };
  const Case cases[] = {
      {"NoSuchLibrary.dll", "NoSuchLibrary.so"},
      {dir.File("Missing.dll"), "Missing.so"},
      {junk, "Junk.so"},
      {dir.File("junk.DLL"), "Junk.so"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadLibrary(c.name), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_FALSE(LastLibraryError().empty());
    EXPECT_NE(LastLibraryError().find(c.inError), std::string::npos) << LastLibraryError();
  }

  HMODULE module = LoadLibrary("RtlTestLib.dll");
  ASSERT_NE(module, nullptr) << LastLibraryError();
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  EXPECT_NE(LastLibraryError().find("NoSuchExport"), std::string::npos) << LastLibraryError();
  EXPECT_TRUE(FreeLibrary(module));

  EXPECT_EQ(GetProcAddress(nullptr, "RtlTestAdd"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
  EXPECT_EQ(GetModuleFileName(nullptr), GetHostProgramPath());
}

}  // namespace
