// Facts about the process and the machine, and the calling thread's last error.
#pragma once

#include "platform/rtl/Types.h"

namespace vcl {

// The temporary folder ($TMPDIR or /tmp), long form, with a trailing delimiter.
AnsiString GetTempPath();
AnsiString GetComputerName();
// The user the process runs as.
AnsiString GetUserName();
// "major.minor.build" of the operating system (from the kernel release, e.g. "6.1.0").
AnsiString GetOSVersionText();
// Full path of the running program.
AnsiString GetHostProgramPath();
// Full path of the executable or shared library that contains `address` (for a library's own
// file name pass the address of one of its functions); "" when unknown.
AnsiString GetModuleFileNameOf(const void* address);

// Command-line arguments: ParamStr(0) is the program path; beyond ParamCount gives "".
int ParamCount();
AnsiString ParamStr(int index);
// Replaces the arguments seen by ParamStr (the launcher and tests set them); the first
// element is the program path.
void SetCommandLine(int argc, const char* const* argv);

inline constexpr DWORD ERROR_SUCCESS = 0;
inline constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

DWORD GetLastError();
void SetLastError(DWORD code);
// A readable text for a system error code: the ERROR_ codes above give their platform texts,
// other codes are taken as errno values.
AnsiString SysErrorMessage(DWORD code);

}  // namespace vcl
