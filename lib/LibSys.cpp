#include "lib/LibSys.h"

#include <cxxabi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/System.h"

namespace kv {

namespace {

constexpr const char* kStewardKey = "Software\\KVL\\Steward";
// Last resort for the log root: the system's fixed temporary folder.
constexpr const char* kFallbackLogRoot = "/tmp";
// The temporary folder is read into a buffer of this many characters, terminator included;
// a longer path does not fit and counts as none.
constexpr size_t kTempPathBuffer = 255;

AnsiString HostProgramDir() {
  return vcl::ExtractFilePath(vcl::GetHostProgramPath());
}

// Appends `line` and a line break to `fileName`, creating the file when needed.
bool AppendLine(const AnsiString& fileName, const AnsiString& line) {
  std::FILE* file = std::fopen(vcl::SysPath(fileName).c_str(), "ab");
  if (!file) return false;
  const AnsiString text = line + "\r\n";
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

// Makes sure <base>\Log exists and returns it; "" when it cannot be created.
AnsiString LogFolder(const AnsiString& base) {
  // The base is used as it is: one ending in "\" gives a doubled separator, which is harmless.
  AnsiString folder = base + "\\Log";
  if (!vcl::DirectoryExists(folder) && !vcl::ForceDirectories(folder)) return "";
  return folder;
}

AnsiString PeriodStamp(std::string_view period, vcl::TDateTime now) {
  if (period == "M") return vcl::FormatDateTime("yyyymm", now);
  if (period == "Y") return vcl::FormatDateTime("yyyy", now);
  return vcl::FormatDateTime("yyyymmdd", now);
}

// A literal of the report, held as UTF-8 in the source, in the machine's ANSI code page.
AnsiString ReportText(std::string_view utf8) {
  return vcl::Utf8ToAnsi(utf8);
}

AnsiString ClassNameOf(const std::exception& error) {
  if (auto* e = dynamic_cast<const vcl::Exception*>(&error)) return e->ClassName();
  const char* mangled = typeid(error).name();
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
  return status == 0 && demangled ? AnsiString(demangled.get()) : AnsiString(mangled);
}

AnsiString MessageOf(const std::exception& error) {
  if (auto* e = dynamic_cast<const vcl::Exception*>(&error)) return e->Message();
  return error.what();
}

}  // namespace

AnsiString GetInstallDir() {
  vcl::TRegistry registry;
  registry.RootKey = vcl::HKEY_LOCAL_MACHINE;
  if (!registry.OpenKeyReadOnly(kStewardKey)) return "";
  AnsiString dir = registry.ReadString("ClientPath");
  if (dir.empty()) dir = registry.ReadString("ServerPath");
  return dir;
}

AnsiString GetLogRootDir() {
  AnsiString dir;
  try {
    dir = GetInstallDir();
    if (dir.empty()) {
      dir = vcl::GetTempPath();
      if (dir.size() >= kTempPathBuffer) dir.clear();
    }
  } catch (...) {
    dir.clear();
  }
  return dir.empty() ? AnsiString(kFallbackLogRoot) : dir;
}

bool WriteAlertLog(std::string_view name, std::string_view message, std::string_view period,
                   TAlertLogBase base) {
  try {
    AnsiString baseDir;
    if (base == TAlertLogBase::lbInstallDir) {
      // A registry that cannot be read is the same as no installation directory: the line
      // still goes below the host program.
      try {
        baseDir = GetInstallDir();
      } catch (...) {
        baseDir.clear();
      }
    }
    if (baseDir.empty()) baseDir = HostProgramDir();
    const AnsiString folder = LogFolder(baseDir);
    if (folder.empty()) return false;
    const vcl::TDateTime now = vcl::Now();
    AnsiString fileName = folder + "\\Alert_" + AnsiString(name) + "_" + PeriodStamp(period, now);
    if (name.find('.') == std::string_view::npos) fileName += ".log";
    return AppendLine(fileName, "[" + vcl::FormatDateTime("yyyy/mm/dd hh:nn:ss:zzz", now) + "] " +
                                    AnsiString(message));
  } catch (...) {
    return false;
  }
}

bool WriteGeneratorLog(std::string_view message) {
  try {
    AnsiString baseDir = GetLogRootDir();
    if (baseDir.empty()) baseDir = HostProgramDir();
    const AnsiString folder = LogFolder(baseDir);
    if (folder.empty()) return false;
    const vcl::TDateTime now = vcl::Now();
    const AnsiString fileName =
        folder + "\\Alert_ORVEXGenerator_" + vcl::FormatDateTime("yyyymmdd", now) + ".log";
    const AnsiString stamp =
        vcl::FormatDateTime(vcl::ShortDateFormat + " " + vcl::LongTimeFormat, now);
    return AppendLine(fileName, "[" + stamp + "] " + AnsiString(message));
  } catch (...) {
    return false;
  }
}

void ReportException(const std::exception* error, std::string_view place, std::string_view note) {
  try {
    const AnsiString dashes = vcl::StringOfChar('-', 34);
    AnsiString header = dashes;
    if (!vcl::Trim(place).empty()) header += " on " + AnsiString(place) + " ";
    WriteGeneratorLog(header + dashes);

    if (error) {
      WriteGeneratorLog(ReportText("讯息信息:"));
      int count = 1;
      // Messages are passed as arguments, never as patterns, so a "%" in them stays as it is.
      if (auto* db = dynamic_cast<const EDBEngineError*>(error)) {
        count = db->ErrorCount();
        for (int i = 0; i < count; ++i) {
          const TDBError& entry = db->Errors(i);
          WriteGeneratorLog(vcl::Format("EDBEngineError Error %.2d: Code: %d, Message: %s",
                                        {i + 1, static_cast<int>(entry.ErrorCode), entry.Message}));
        }
      } else if (auto* os = dynamic_cast<const vcl::EOSError*>(error)) {
        WriteGeneratorLog(vcl::Format("EWin32Error Error %.2d: Code: %d, Message: %s",
                                      {1, static_cast<long long>(os->ErrorCode()), os->Message()}));
      } else if (auto* io = dynamic_cast<const vcl::EInOutError*>(error)) {
        WriteGeneratorLog(vcl::Format("EInOutError Error %.2d: Code: %d, Message: %s",
                                      {1, io->ErrorCode(), io->Message()}));
      } else {
        WriteGeneratorLog(
            vcl::Format("Exception is %s\r\nMessage %.2d: ", {ClassNameOf(*error), 1}) +
            MessageOf(*error));
      }
      WriteGeneratorLog(vcl::Format("ErrorMessage Count: %d", {count}));
    }

    if (!vcl::Trim(note).empty()) WriteGeneratorLog("Programer Message: " + AnsiString(note));
  } catch (...) {
    // The report is best effort: nothing leaves it.
  }
}

}  // namespace kv
