#include "platform/rtl/System.h"

#include <dlfcn.h>
#include <link.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/Files.h"

namespace vcl {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved)) return resolved;
  return path;
}

std::string HostProgramSysPath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  return std::string(buffer, static_cast<size_t>(n));
}

// Arguments set with SetCommandLine, or read once from the process.
struct CommandLine {
  std::mutex mutex;
  bool set = false;
  bool loaded = false;
  std::vector<std::string> args;
};

CommandLine& TheCommandLine() {
  static CommandLine* commandLine = new CommandLine;  // never destroyed: usable during exit
  return *commandLine;
}

std::vector<std::string> ReadProcessArguments() {
  std::vector<std::string> args;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  std::string all = buffer.str();
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(FromSysPath(std::string_view(all).substr(start, end - start)));
    start = end + 1;
  }
  // ParamStr(0) is the full path of the program, not what it was started as.
  AnsiString program = GetHostProgramPath();
  if (args.empty())
    args.push_back(program);
  else if (!program.empty())
    args[0] = program;
  return args;
}

// A copy of the arguments (the process's own unless SetCommandLine replaced them).
std::vector<std::string> Arguments() {
  CommandLine& cl = TheCommandLine();
  std::lock_guard<std::mutex> lock(cl.mutex);
  if (!cl.set && !cl.loaded) {
    cl.args = ReadProcessArguments();
    cl.loaded = true;
  }
  return cl.args;
}

}  // namespace

AnsiString GetTempPath() {
  const char* env = std::getenv("TMPDIR");
  std::string path = (env && *env) ? env : "/tmp";
  if (path.back() != '/') path += '/';
  return FromSysPath(path);
}

AnsiString GetComputerName() {
  char buffer[HOST_NAME_MAX + 1] = {};
  if (::gethostname(buffer, sizeof buffer - 1) != 0) return "";
  return FromSysPath(buffer);
}

AnsiString GetUserName() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_name && *found->pw_name)
    return FromSysPath(found->pw_name);
  if (const char* user = std::getenv("USER"); user && *user) return FromSysPath(user);
  return "";
}

AnsiString GetOSVersionText() {
  struct utsname names;
  std::string release;
  if (::uname(&names) == 0) release = names.release;
  // "6.1.0-18-amd64": up to three leading numbers; missing ones are 0.
  long parts[3] = {0, 0, 0};
  size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (pos >= release.size() || release[pos] < '0' || release[pos] > '9') break;
    long n = 0;
    while (pos < release.size() && release[pos] >= '0' && release[pos] <= '9') {
      if (n < 100000000) n = n * 10 + (release[pos] - '0');
      ++pos;
    }
    parts[i] = n;
    if (pos >= release.size() || release[pos] != '.') break;
    ++pos;
  }
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]);
}

AnsiString GetHostProgramPath() {
  return FromSysPath(HostProgramSysPath());
}

AnsiString GetModuleFileNameOf(const void* address) {
  Dl_info info;
  struct link_map* map = nullptr;
  if (!address || ::dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0)
    return "";
  // The main program has an empty name in the loader's list.
  if (map && (!map->l_name || !*map->l_name)) return GetHostProgramPath();
  const char* name = map && map->l_name ? map->l_name : info.dli_fname;
  if (!name || !*name) return "";
  return FromSysPath(RealPath(name));
}

int ParamCount() {
  auto args = Arguments();
  return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

AnsiString ParamStr(int index) {
  auto args = Arguments();
  if (index < 0 || static_cast<size_t>(index) >= args.size()) return "";
  return args[static_cast<size_t>(index)];
}

void SetCommandLine(int argc, const char* const* argv) {
  CommandLine& cl = TheCommandLine();
  std::lock_guard<std::mutex> lock(cl.mutex);
  cl.args.clear();
  for (int i = 0; i < argc && argv; ++i) cl.args.emplace_back(argv[i] ? argv[i] : "");
  cl.set = true;
}

DWORD GetLastError() {
  return lastError;
}

void SetLastError(DWORD code) {
  lastError = code;
}

AnsiString SysErrorMessage(DWORD code) {
  // The codes this runtime reports with their Windows meaning; other codes are errno values.
  switch (code) {
    case ERROR_SUCCESS:
      return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
      return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
      return "The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
      return "Access is denied.";
    case ERROR_INVALID_HANDLE:
      return "The handle is invalid.";
    case ERROR_MOD_NOT_FOUND:
      return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
      return "The specified procedure could not be found.";
    default:
      break;
  }
  if (code > static_cast<DWORD>(INT_MAX)) return "Unknown error " + std::to_string(code);
  char buffer[256];
  // GNU strerror_r returns the text (possibly not in `buffer`).
  return ::strerror_r(static_cast<int>(code), buffer, sizeof buffer);
}

}  // namespace vcl
