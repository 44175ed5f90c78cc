// Helpers for tests: a temporary folder, an environment variable guard, a fixed clock and
// small file helpers.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"

namespace testsupport {

// A fresh folder below the system's temporary folder, removed with its contents at the end.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "steward-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Full path of `name` inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes `bytes` to `name` (creating folders) and returns the full path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    auto full = path_ / name;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    out << bytes;
    return full.string();
  }

 private:
  std::filesystem::path path_;
};

// Sets (or unsets, with std::nullopt) an environment variable and restores it at the end.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) old_ = old;
    if (value)
      ::setenv(name_.c_str(), value->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_.c_str(), old_->c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Fixes the process clock for the lifetime of the guard.
class FixedClock {
 public:
  explicit FixedClock(vcl::TDateTime moment) { vcl::FixClock(moment); }
  ~FixedClock() { vcl::ResetClock(); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

// Makes `codePage` the machine's ANSI code page, through a registry file of its own, for the
// lifetime of the guard.
class ScopedCodePage {
 public:
  explicit ScopedCodePage(int codePage)
      : registry_("STEWARD_REGISTRY",
                  dir_.Write("acp.reg",
                             "Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\"
                             "CodePage]\r\n\"ACP\"=\"" +
                                 std::to_string(codePage) + "\"\r\n")) {
    vcl::ResetACPCache();
  }
  ~ScopedCodePage() { vcl::ResetACPCache(); }
  ScopedCodePage(const ScopedCodePage&) = delete;
  ScopedCodePage& operator=(const ScopedCodePage&) = delete;

 private:
  TempDir dir_;
  ScopedEnv registry_;
};

}  // namespace testsupport
