#include "platform/rtl/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/System.h"

namespace vcl {
namespace {

bool IsDelimChar(char c) {
  return c == '/' || c == '\\';
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Byte-by-byte walk over ANSI text that steps over double-byte characters of the ANSI code
// page, so that a trail byte equal to "\" (Big5 has them) is never taken for a delimiter.
// Returns the 0-based index of the last byte that is one of `delims` and starts a
// character, or npos.
size_t LastDelimiter(std::string_view s, std::string_view delims) {
  const UINT cp = GetACP();
  const bool dbcs = IsDBCSCodePage(cp);
  size_t last = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (dbcs && IsDBCSLeadByteEx(cp, b) && i + 1 < s.size()) {
      ++i;
      continue;
    }
    if (delims.find(static_cast<char>(b)) != std::string_view::npos) last = i;
  }
  return last;
}

// True when s[index] (0-based) starts a character, i.e. is not the trail byte of a
// double-byte character.
bool StartsCharacter(std::string_view s, size_t index) {
  const UINT cp = GetACP();
  if (!IsDBCSCodePage(cp)) return true;
  // The walk lands exactly on `index` when it starts a character, one past it otherwise.
  size_t i = 0;
  while (i < index) i += IsDBCSLeadByteEx(cp, static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i == index;
}

// The path split into its parts, with an absolute prefix noted: a leading delimiter, a drive
// ("C:") or a UNC prefix ("\\server") all stand for the root.
struct PathParts {
  bool absolute = false;
  bool trailingDelimiter = false;
  std::vector<std::string> parts;
};

PathParts SplitPath(std::string_view path) {
  PathParts out;
  std::string_view rest = path;
  if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == ':') {
    out.absolute = true;
    rest.remove_prefix(2);
  }
  if (!rest.empty() && IsDelimChar(rest[0])) out.absolute = true;

  const UINT cp = GetACP();
  const bool dbcs = IsDBCSCodePage(cp);
  std::string current;
  for (size_t i = 0; i < rest.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(rest[i]);
    if (dbcs && IsDBCSLeadByteEx(cp, b) && i + 1 < rest.size()) {
      current += rest[i];
      current += rest[++i];
      continue;
    }
    if (IsDelimChar(static_cast<char>(b))) {
      if (!current.empty()) out.parts.push_back(std::move(current));
      current.clear();
    } else {
      current += static_cast<char>(b);
    }
  }
  if (!current.empty()) out.parts.push_back(std::move(current));
  out.trailingDelimiter = !rest.empty() && !out.parts.empty() && IsDelimChar(rest.back()) &&
                          StartsCharacter(rest, rest.size() - 1);
  return out;
}

std::string ErrnoText(int code) {
  char buffer[256];
  // GNU strerror_r returns the text (possibly not in `buffer`).
  return ::strerror_r(code, buffer, sizeof buffer);
}

// The Windows-style code for a failed file operation, kept for GetLastError.
DWORD LastErrorFromErrno(int code) {
  switch (code) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    default:
      return static_cast<DWORD>(code);
  }
}

bool Fail(int code) {
  SetLastError(LastErrorFromErrno(code));
  return false;
}

bool StatPath(std::string_view path, struct stat& st) {
  if (path.empty()) return false;
  return ::stat(SysPath(path).c_str(), &st) == 0;
}

[[noreturn]] void RaiseIo(const char* action, std::string_view fileName, int code) {
  throw EInOutError(std::string(action) + " \"" + std::string(fileName) + "\": " + ErrnoText(code),
                    code);
}

}  // namespace

std::string SysPath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  std::string_view rest = path;
  if (rest.size() >= 2 && IsDelimChar(rest[0]) && IsDelimChar(rest[1])) {
    // "\\server\share\x": the server is the first folder below the root.
    rest.remove_prefix(2);
    out += '/';
  } else if (rest.size() >= 2 && IsAsciiLetter(rest[0]) && rest[1] == ':') {
    rest.remove_prefix(2);
    if (rest.empty() || !IsDelimChar(rest[0])) out += '/';
  }
  const UINT cp = GetACP();
  const bool dbcs = IsDBCSCodePage(cp);
  for (size_t i = 0; i < rest.size(); ++i) {
    char c = rest[i];
    if (dbcs && IsDBCSLeadByteEx(cp, static_cast<unsigned char>(c)) && i + 1 < rest.size()) {
      out += c;
      out += rest[++i];
      continue;
    }
    out += c == '\\' ? '/' : c;
  }
  return AnsiToUtf8(out);
}

AnsiString FromSysPath(std::string_view sysPath) {
  return Utf8ToAnsi(sysPath);
}

bool FileExists(std::string_view fileName) {
  struct stat st;
  return StatPath(fileName, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view dir) {
  struct stat st;
  return StatPath(dir, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(std::string_view dir) {
  if (dir.empty()) return false;
  std::error_code ec;
  std::filesystem::path path(SysPath(dir));
  std::filesystem::create_directories(path, ec);
  if (ec) return Fail(ec.value());
  return DirectoryExists(dir);
}

bool DeleteFile(std::string_view fileName) {
  if (fileName.empty()) return Fail(ENOENT);
  struct stat st;
  std::string sys = SysPath(fileName);
  if (::lstat(sys.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(EACCES);
  if (::unlink(sys.c_str()) != 0) return Fail(errno);
  return true;
}

bool RenameFile(std::string_view oldName, std::string_view newName) {
  if (oldName.empty() || newName.empty()) return Fail(ENOENT);
  std::string from = SysPath(oldName), to = SysPath(newName);
  struct stat st;
  // Renaming never replaces an existing file.
  if (::lstat(to.c_str(), &st) == 0) return Fail(EEXIST);
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(errno);
  return true;
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists) {
  if (from.empty() || to.empty()) return Fail(ENOENT);
  std::error_code ec;
  auto options = failIfExists ? std::filesystem::copy_options::none
                              : std::filesystem::copy_options::overwrite_existing;
  std::string source = SysPath(from);
  if (!FileExists(from)) return Fail(ENOENT);
  bool copied = std::filesystem::copy_file(source, SysPath(to), options, ec);
  if (ec) return Fail(ec.value());
  return copied;
}

std::int64_t FileSize(std::string_view fileName) {
  struct stat st;
  if (!StatPath(fileName, st) || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

TDateTime FileDateTime(std::string_view fileName) {
  struct stat st;
  if (!StatPath(fileName, st)) return -1;
  time_t seconds = st.st_mtim.tv_sec;
  struct tm local;
  if (!::localtime_r(&seconds, &local)) return -1;
  // Local seconds since 1970-01-01, whole seconds as the platform's file times have.
  std::int64_t localSeconds = static_cast<std::int64_t>(seconds) + local.tm_gmtoff;
  std::int64_t days = localSeconds / 86400;
  std::int64_t rest = localSeconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  constexpr double kUnixEpoch = 25569.0;  // 1970-01-01 as a TDateTime
  return static_cast<double>(days) + kUnixEpoch + static_cast<double>(rest) / 86400.0;
}

AnsiString ExtractFileName(std::string_view fileName) {
  size_t i = LastDelimiter(fileName, "/\\:");
  return std::string(i == std::string_view::npos ? fileName : fileName.substr(i + 1));
}

AnsiString ExtractFilePath(std::string_view fileName) {
  size_t i = LastDelimiter(fileName, "/\\:");
  return i == std::string_view::npos ? std::string() : std::string(fileName.substr(0, i + 1));
}

AnsiString ExtractFileDir(std::string_view fileName) {
  size_t i = LastDelimiter(fileName, "/\\:");
  if (i == std::string_view::npos) return "";
  // Keep the delimiter of a root ("/", "C:\") and of a drive ("C:"); drop it otherwise.
  if (i > 0 && IsDelimChar(fileName[i]) && fileName[i - 1] != ':' &&
      !(IsDelimChar(fileName[i - 1]) && StartsCharacter(fileName, i - 1)))
    return std::string(fileName.substr(0, i));
  return std::string(fileName.substr(0, i + 1));
}

AnsiString ExtractFileExt(std::string_view fileName) {
  size_t i = LastDelimiter(fileName, "./\\:");
  if (i == std::string_view::npos || fileName[i] != '.') return "";
  return std::string(fileName.substr(i));
}

AnsiString ChangeFileExt(std::string_view fileName, std::string_view extension) {
  size_t i = LastDelimiter(fileName, "./\\:");
  if (i == std::string_view::npos || fileName[i] != '.') i = fileName.size();
  return std::string(fileName.substr(0, i)) + std::string(extension);
}

bool IsPathDelimiter(std::string_view s, int index) {
  if (index < 1 || static_cast<size_t>(index) > s.size()) return false;
  size_t i = static_cast<size_t>(index - 1);
  return IsDelimChar(s[i]) && StartsCharacter(s, i);
}

AnsiString IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (!IsPathDelimiter(path, static_cast<int>(path.size()))) out += PathDelim;
  return out;
}

AnsiString ExcludeTrailingPathDelimiter(std::string_view path) {
  if (IsPathDelimiter(path, static_cast<int>(path.size())))
    return std::string(path.substr(0, path.size() - 1));
  return std::string(path);
}

AnsiString ExpandFileName(std::string_view fileName) {
  if (fileName.empty()) return "";
  PathParts path = SplitPath(fileName);
  std::vector<std::string> parts;
  if (!path.absolute) {
    std::error_code ec;
    std::string cwd = std::filesystem::current_path(ec).string();
    parts = SplitPath(FromSysPath(cwd)).parts;
  }
  for (auto& part : path.parts) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(std::move(part));
  }
  std::string out;
  for (const auto& part : parts) out += PathDelim + part;
  if (out.empty() || path.trailingDelimiter) out += PathDelim;
  return out;
}

std::string ReadFileBytes(std::string_view fileName) {
  int fd = ::open(SysPath(fileName).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseIo("Cannot open file", fileName, errno);
  std::string out;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      RaiseIo("Cannot read file", fileName, code);
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

void WriteFileBytes(std::string_view fileName, std::string_view bytes) {
  int fd = ::open(SysPath(fileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) RaiseIo("Cannot create file", fileName, errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      RaiseIo("Cannot write file", fileName, code);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) RaiseIo("Cannot write file", fileName, errno);
}

}  // namespace vcl
