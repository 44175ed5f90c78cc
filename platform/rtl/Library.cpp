#include "platform/rtl/Library.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/rtl/Files.h"
#include "platform/rtl/System.h"

namespace vcl {
namespace {

thread_local std::string lastLibraryError;

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

// "X.dll" (any case) becomes "X.so"; a name without an ending gets ".so".
std::string LibraryFileName(std::string_view name) {
  std::string out(name);
  if (out.size() >= 4 && SameAscii(std::string_view(out).substr(out.size() - 4), ".dll")) {
    out.replace(out.size() - 4, 4, ".so");
  } else if (ExtractFileExt(out).empty()) {
    out += ".so";
  }
  return out;
}

std::string ParentFolder(const std::string& sysPath) {
  size_t slash = sysPath.rfind('/');
  if (slash == std::string::npos) return "";
  return sysPath.substr(0, slash == 0 ? 1 : slash);
}

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The file `name` in `folder`: the exact name first, otherwise the first entry whose name
// matches ignoring case. "" when there is none.
std::string FindInFolder(const std::string& folder, const std::string& name) {
  std::string exact = folder == "/" ? "/" + name : folder + "/" + name;
  if (IsRegularFile(exact)) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return "";
  std::string found;
  while (struct dirent* entry = ::readdir(dir)) {
    if (!SameAscii(entry->d_name, name)) continue;
    std::string candidate =
        folder == "/" ? "/" + std::string(entry->d_name) : folder + "/" + entry->d_name;
    if (IsRegularFile(candidate)) {
      found = candidate;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

HMODULE Open(const std::string& sysPath) {
  ::dlerror();
  void* handle = ::dlopen(sysPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* text = ::dlerror();
    lastLibraryError = text ? text : "cannot load " + sysPath;
  }
  return handle;
}

HMODULE NotFound(std::string text) {
  if (!text.empty()) lastLibraryError = std::move(text);
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

}  // namespace

__attribute__((noinline)) HMODULE LoadLibrary(std::string_view name) {
  return LoadLibraryFrom(name, __builtin_return_address(0));
}

HMODULE LoadLibraryFrom(std::string_view name, const void* callerAddress) {
  if (name.empty()) return NotFound("empty library name");
  std::string sysName = SysPath(LibraryFileName(name));

  // A name with a folder is looked for in that folder only.
  size_t slash = sysName.rfind('/');
  if (slash != std::string::npos) {
    std::string folder = slash == 0 ? "/" : sysName.substr(0, slash);
    std::string path = FindInFolder(folder, sysName.substr(slash + 1));
    if (path.empty()) return NotFound(sysName + ": cannot open shared object file: No such file");
    HMODULE module = Open(path);
    return module ? module : NotFound("");
  }

  std::vector<std::string> folders;
  for (const std::string& file :
       {SysPath(GetModuleFileNameOf(callerAddress)), SysPath(GetHostProgramPath())}) {
    std::string folder = file.empty() ? "" : ParentFolder(file);
    if (folder.empty()) continue;
    bool seen = false;
    for (const auto& f : folders) seen = seen || f == folder;
    if (!seen) folders.push_back(folder);
  }
  for (const auto& folder : folders) {
    std::string path = FindInFolder(folder, sysName);
    if (path.empty()) continue;
    HMODULE module = Open(path);
    return module ? module : NotFound("");
  }
  // Finally the system's library path.
  HMODULE module = Open(sysName);
  return module ? module : NotFound("");
}

void* GetProcAddress(HMODULE module, std::string_view name) {
  if (!module) {
    lastLibraryError = "invalid module handle";
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ::dlerror();
  void* address = ::dlsym(module, std::string(name).c_str());
  if (!address) {
    const char* text = ::dlerror();
    lastLibraryError = text ? text : "undefined symbol: " + std::string(name);
    SetLastError(ERROR_PROC_NOT_FOUND);
  }
  return address;
}

bool FreeLibrary(HMODULE module) {
  if (!module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  if (::dlclose(module) != 0) {
    const char* text = ::dlerror();
    lastLibraryError = text ? text : "cannot unload library";
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return true;
}

AnsiString GetModuleFileName(HMODULE module) {
  if (!module) return GetHostProgramPath();
  struct link_map* map = nullptr;
  if (::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map) return "";
  if (!map->l_name || !*map->l_name) return GetHostProgramPath();
  char resolved[PATH_MAX];
  return FromSysPath(::realpath(map->l_name, resolved) ? resolved : map->l_name);
}

AnsiString LastLibraryError() {
  return lastLibraryError;
}

}  // namespace vcl
