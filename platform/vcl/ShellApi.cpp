#include "platform/vcl/ShellApi.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Dialogs.h"

extern char** environ;

namespace vcl {

namespace {

// "scheme://..." or "mailto:...": handed on without looking for a file.
bool IsAddress(std::string_view s) {
  if (s.size() > 7 && SameText(s.substr(0, 7), "mailto:")) return true;
  const size_t colon = s.find("://");
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = s[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

bool IsAbsolute(std::string_view path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && path[1] == ':';
}

AnsiString ResolvePath(std::string_view file, const char* directory) {
  if (directory && *directory && !IsAbsolute(file))
    return IncludeTrailingPathDelimiter(directory) + AnsiString(file);
  return AnsiString(file);
}

// Starts `program` with `argument` as its only argument, without a shell, and reaps it in
// the background. False when it could not be started.
bool StartDetached(const std::string& program, const std::string& argument) {
  std::string prog = program, arg = argument;
  char* argv[] = {prog.data(), arg.data(), nullptr};
  posix_spawnattr_t attr;
  if (posix_spawnattr_init(&attr) != 0) return false;
  // The handler starts with no blocked signals, whatever this thread blocks.
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, prog.c_str(), nullptr, &attr, argv, environ);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return false;
  // Reaped when it ends so that it never lingers as a zombie; nobody waits for it here.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

int Open(const char* file, const char* directory) {
  if (!file || !*file) return SE_ERR_FNF;
  std::string target;
  if (IsAddress(file)) {
    target = file;
  } else {
    const AnsiString path = ResolvePath(file, directory);
    if (!FileExists(path) && !DirectoryExists(path)) return SE_ERR_FNF;
    target = SysPath(path);
  }
  const char* custom = std::getenv("STEWARD_OPEN_COMMAND");
  const std::string program = custom && *custom ? custom : "xdg-open";
  return StartDetached(program, target) ? kShellExecuteOk : SE_ERR_NOASSOC;
}

int Properties(const char* file, const char* directory) {
  if (!file || !*file) return SE_ERR_FNF;
  const AnsiString path = ResolvePath(file, directory);
  const bool isFile = FileExists(path);
  if (!isFile && !DirectoryExists(path)) return SE_ERR_FNF;
  const std::int64_t size = isFile ? FileSize(path) : 0;
  const AnsiString text =
      "Name: " + ExtractFileName(ExcludeTrailingPathDelimiter(path)) + "\r\n" +
      "Size: " + IntToStr(size < 0 ? 0 : size) + " bytes\r\n" +
      "Modified: " + FormatDateTime("yyyy'/'mm'/'dd hh':'nn':'ss", FileDateTime(path)) + "\r\n" +
      "Version: ";
  MessageDlg(text, TMsgDlgType::mtInformation, mbOK);
  return kShellExecuteOk;
}

}  // namespace

int ShellExecute(HWND, const char* verb, const char* file, const char*, const char* directory,
                 int) {
  const std::string_view v = verb ? verb : "";
  if (v.empty() || SameText(v, "open") || SameText(v, "explore")) return Open(file, directory);
  if (SameText(v, "properties")) return Properties(file, directory);
  return SE_ERR_NOASSOC;
}

}  // namespace vcl
