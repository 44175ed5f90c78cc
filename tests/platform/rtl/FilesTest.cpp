#include "platform/rtl/Files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/System.h"
#include "tests/support/TestSupport.h"

using namespace vcl;
using namespace std::string_literals;

namespace {

class FilesTest : public ::testing::Test {
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

TEST_F(FilesTest, ExtractsPathParts) {
  UseCodePage(1252);
  struct Case {
    const char* path;
    const char* name;
    const char* filePath;
    const char* dir;
    const char* ext;
  };
  const Case cases[] = {
      {"C:\\dir\\file.txt", "file.txt", "C:\\dir\\", "C:\\dir", ".txt"},
      {"/a/b/c.tar.gz", "c.tar.gz", "/a/b/", "/a/b", ".gz"},
      {"dir/sub\\name", "name", "dir/sub\\", "dir/sub", ""},
      {"C:file.ext", "file.ext", "C:", "C:", ".ext"},
      {"C:\\", "", "C:\\", "C:\\", ""},
      {"/file", "file", "/", "/", ""},
      {"noext", "noext", "", "", ""},
      {"dir.d/file", "file", "dir.d/", "dir.d", ""},
      {"dir\\", "", "dir\\", "dir", ""},
      {"a//b", "b", "a//", "a//", ""},
      {"file.", "file.", "", "", "."},
      {".profile", ".profile", "", "", ".profile"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFilePath(c.path), c.filePath);
    EXPECT_EQ(ExtractFileDir(c.path), c.dir);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
  }
}

TEST_F(FilesTest, ChangesExtensionsAndTrailingDelimiters) {
  UseCodePage(1252);
  struct ExtCase {
    const char* path;
    const char* ext;
    const char* expected;
  };
  const ExtCase exts[] = {
      {"a/b.txt", ".ini", "a/b.ini"}, {"a.b/c", ".x", "a.b/c.x"},
      {"a.b\\c", ".x", "a.b\\c.x"},   {"c.tar.gz", "", "c.tar"},
      {"name", ".so", "name.so"},     {"C:\\x.y\\z", ".dll", "C:\\x.y\\z.dll"},
      {"C:z.old", ".new", "C:z.new"}, {"", ".x", ".x"},
  };
  for (const auto& c : exts) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ChangeFileExt(c.path, c.ext), c.expected);
  }

  struct DelimCase {
    const char* path;
    const char* included;
    const char* excluded;
  };
  const DelimCase delims[] = {
      {"a", "a/", "a"}, {"a/", "a/", "a"},    {"a\\", "a\\", "a"}, {"", "/", ""},
      {"/", "/", ""},   {"a//", "a//", "a/"}, {"C:", "C:/", "C:"},
  };
  for (const auto& c : delims) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(IncludeTrailingPathDelimiter(c.path), c.included);
    EXPECT_EQ(ExcludeTrailingPathDelimiter(c.path), c.excluded);
  }

  EXPECT_TRUE(IsPathDelimiter("a/b", 2));
  EXPECT_TRUE(IsPathDelimiter("a\\b", 2));
  for (int index : {-1, 0, 1, 3, 4}) EXPECT_FALSE(IsPathDelimiter("a/b", index)) << index;
}

TEST_F(FilesTest, SysPathMapsDrivesUncAndCodePage) {
  UseCodePage(936);
  struct Case {
    const char* path;
    const char* sys;
  };
  const Case cases[] = {
      {"C:\\x\\y", "/x/y"},
      {"c:/x", "/x"},
      {"D:", "/"},
      {"C:rel", "/rel"},
      {"\\\\srv\\share\\x", "/srv/share/x"},
      {"//srv/share", "/srv/share"},
      {"rel\\dir\\", "rel/dir/"},
      {"/abs", "/abs"},
      {"", ""},
      {"C:\\\xD6\xD0\xCE\xC4\\a.txt", "/中文/a.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(SysPath(c.path), c.sys);
  }
  EXPECT_EQ(FromSysPath("/中文/a.txt"), "/\xD6\xD0\xCE\xC4/a.txt");
}

// Big5 "許" is 0xB3 0x5C: its trail byte is a backslash that must not split the path.
TEST_F(FilesTest, TrailBytesEqualToBackslashAreNoDelimiters) {
  const std::string name = "dir\\\xB3\x5C.txt";
  const std::string folder = "dir\\\xB3\x5C";
  struct Case {
    int codePage;
    const char* fileName;
    const char* filePath;
    bool trailIsDelimiter;
    const char* changedExt;  // of "a.b\xB3\x5C"
    const char* expanded;    // of "/a/\xB3\x5C..\b"
  };
  const Case cases[] = {
      {950, "\xB3\x5C.txt", "dir\\", false, "a.x", "/a/\xB3\x5C../b"},
      {1252, ".txt", "dir\\\xB3\\", true, "a.b\xB3\x5C.x", "/a/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.codePage);
    UseCodePage(c.codePage);
    EXPECT_EQ(ExtractFileName(name), c.fileName);
    EXPECT_EQ(ExtractFilePath(name), c.filePath);
    EXPECT_EQ(ExtractFileExt(name), ".txt");
    EXPECT_EQ(ChangeFileExt("a.b\xB3\x5C", ".x"), c.changedExt);
    EXPECT_EQ(ExpandFileName("/a/\xB3\x5C..\\b"), c.expanded);
    EXPECT_EQ(IsPathDelimiter(folder, 6), c.trailIsDelimiter);
    EXPECT_EQ(IncludeTrailingPathDelimiter(folder), c.trailIsDelimiter ? folder : folder + "/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter(folder), c.trailIsDelimiter ? "dir\\\xB3"s : folder);
  }
  UseCodePage(950);
  EXPECT_EQ(SysPath(name), "dir/許.txt");
  EXPECT_EQ(ExtractFileDir(folder + "\\x"), folder);
}

TEST_F(FilesTest, ExpandsFileNames) {
  UseCodePage(1252);
  const std::string cwd = FromSysPath(std::filesystem::current_path().string());
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {"/a/./b/../c", "/a/c"},
      {"C:\\a\\..\\..\\b", "/b"},
      {"\\\\srv\\share\\..\\x", "/srv/x"},
      {"/a/b/", "/a/b/"},
      {"/..", "/"},
      {"/", "/"},
      {"x/../y", cwd == "/" ? "/y" : cwd + "/y"},
      {".", cwd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExpandFileName(c.path), c.expected);
  }
}

TEST_F(FilesTest, CreatesFindsCopiesRenamesAndDeletesFiles) {
  const std::string base = dir_.path().string();
  // Folders, with both separators.
  const std::string deep = base + "\\a\\b/c";
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(DirectoryExists(base + "/a/b"));
  EXPECT_TRUE(ForceDirectories(deep + "/"));  // existing
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_FALSE(FileExists(deep));

  const std::string file = base + "/a/data.bin";
  const std::string bytes = "one\0two\r\n\xff"s;
  WriteFileBytes(file, bytes);
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(base + "\\a\\data.bin"));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_EQ(ReadFileBytes(file), bytes);
  EXPECT_EQ(FileSize(file), static_cast<std::int64_t>(bytes.size()));
  EXPECT_FALSE(ForceDirectories(file + "/sub"));  // a file is in the way

  // Copy: with failIfExists an existing target stays.
  const std::string copy = base + "/a/b/copy.bin";
  EXPECT_TRUE(CopyFile(file, copy, true));
  EXPECT_EQ(ReadFileBytes(copy), bytes);
  WriteFileBytes(copy, "changed");
  EXPECT_FALSE(CopyFile(file, copy, true));
  EXPECT_EQ(ReadFileBytes(copy), "changed");
  EXPECT_TRUE(CopyFile(file, copy, false));
  EXPECT_EQ(ReadFileBytes(copy), bytes);
  EXPECT_FALSE(CopyFile(base + "/missing", base + "/x", false));
  EXPECT_FALSE(FileExists(base + "/x"));

  // Rename never replaces an existing file.
  EXPECT_FALSE(RenameFile(file, copy));
  EXPECT_TRUE(FileExists(file));
  const std::string moved = base + "/moved.bin";
  EXPECT_TRUE(RenameFile(file, moved));
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(ReadFileBytes(moved), bytes);

  EXPECT_TRUE(DeleteFile(moved));
  EXPECT_FALSE(FileExists(moved));
  EXPECT_FALSE(DeleteFile(moved));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFile(deep));  // a folder is no file
  EXPECT_TRUE(DirectoryExists(deep));

  EXPECT_EQ(FileSize(moved), -1);
  EXPECT_EQ(FileSize(deep), -1);
  EXPECT_EQ(FileDateTime(moved), -1);
}

TEST_F(FilesTest, FileDateTimeIsLocalTime) {
  const std::string file = dir_.Write("stamp.txt", "x");
  const struct timespec times[2] = {{1700000000, 0}, {1700000000, 0}};  // 2023-11-14 22:13:20 UTC
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

  struct Case {
    const char* tz;
    int hour;
  };
  const Case cases[] = {{"UTC0", 22}, {"CST-8", 6}, {"EST5", 17}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tz);
    TDateTime expected = c.hour == 6 ? EncodeDate(2023, 11, 15) + EncodeTime(6, 13, 20, 0)
                                     : EncodeDate(2023, 11, 14) + EncodeTime(c.hour, 13, 20, 0);
    {
      testsupport::ScopedEnv tz("TZ", c.tz);
      ::tzset();
      EXPECT_NEAR(FileDateTime(file), expected, 0.5 / 86400);
    }
    ::tzset();
  }
}

TEST_F(FilesTest, ReadAndWriteFailuresRaiseInOutErrorWithTheSystemCode) {
  const std::string missing = dir_.File("missing.txt");
  struct Case {
    const char* what;
    std::function<void()> action;
    int code;
    std::string nameInMessage;
  };
  const Case cases[] = {
      {"read missing", [&] { ReadFileBytes(missing); }, ENOENT, missing},
      {"read folder", [&] { ReadFileBytes(dir_.path().string()); }, EISDIR, dir_.path().string()},
      {"write into missing folder", [&] { WriteFileBytes(dir_.File("no/x.txt"), "x"); }, ENOENT,
       dir_.File("no/x.txt")},
      {"write onto folder", [&] { WriteFileBytes(dir_.path().string(), "x"); }, EISDIR,
       dir_.path().string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.action();
      ADD_FAILURE() << "no exception";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_NE(e.Message().find(c.nameInMessage), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find(std::strerror(c.code)), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
