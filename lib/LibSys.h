// Logging: installation and log folders, alert logs appended one line at a time, the
// generator log and the exception report written to it. The writers are best effort: they
// never raise and report failure only through their result.
#pragma once

#include <cstdint>
#include <exception>
#include <string_view>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Types.h"

namespace kv {

using vcl::AnsiString;

// One entry of a database-engine error: the engine's 16-bit code and its message.
struct TDBError {
  std::int16_t ErrorCode = 0;
  AnsiString Message;
};

// A database-engine failure carrying the engine's list of error entries.
class EDBEngineError : public vcl::Exception {
 public:
  EDBEngineError(AnsiString message, std::vector<TDBError> errors)
      : vcl::Exception(std::move(message)), errors_(std::move(errors)) {}
  int ErrorCount() const { return static_cast<int>(errors_.size()); }
  // Entry `index`, 0-based; the caller keeps it within ErrorCount.
  const TDBError& Errors(int index) const { return errors_.at(static_cast<size_t>(index)); }
  VCL_EXCEPTION_CLASS_BODY(EDBEngineError, vcl::Exception)
 private:
  std::vector<TDBError> errors_;
};

// The installation directory: "ClientPath" of HKEY_LOCAL_MACHINE\Software\KVL\Steward, or
// "ServerPath" when that is empty; "" when neither gives anything. A value that is not a
// string raises the registry's ERegistryException.
AnsiString GetInstallDir();
// The installation directory, else the temporary folder, else (and whenever reading fails)
// the system's fixed fallback folder. Never empty and never raises.
AnsiString GetLogRootDir();

// Where an alert log goes: below the installation directory (the host program's directory
// when there is none), or always below the host program's directory.
enum class TAlertLogBase { lbInstallDir, lbHostProgram };

// Appends "[yyyy/mm/dd hh:nn:ss:zzz] " + message to <base>\Log\Alert_<name>_<stamp>[.log],
// where the stamp follows `period` ("D" day, "M" month, "Y" year, anything else day) and a
// name containing "." gets no extension. False when the line could not be written.
bool WriteAlertLog(std::string_view name, std::string_view message, std::string_view period,
                   TAlertLogBase base = TAlertLogBase::lbInstallDir);
// Appends "[" + now as short date and long time + "] " + message to
// <log root>\Log\Alert_ORVEXGenerator_<yyyymmdd>.log.
bool WriteGeneratorLog(std::string_view message);

// Writes an exception report to the generator log: a header naming `place`, the error's
// entries (by kind of error) and their count when `error` is given, and `note` when it is
// not blank. Never raises.
void ReportException(const std::exception* error, std::string_view place, std::string_view note);

}  // namespace kv
