// Shell verbs: opening a file or address with the desktop's default handler, and showing a
// file's properties.
#pragma once

#include "platform/rtl/Types.h"

namespace vcl {

// Show commands (accepted and ignored: the desktop decides how handlers show).
inline constexpr int SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_NORMAL = 1, SW_SHOWMINIMIZED = 2,
                     SW_SHOWMAXIMIZED = 3, SW_MAXIMIZE = 3, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5,
                     SW_MINIMIZE = 6, SW_SHOWMINNOACTIVE = 7, SW_SHOWNA = 8, SW_RESTORE = 9,
                     SW_SHOWDEFAULT = 10;

// Results of ShellExecute at or below 32 are errors.
inline constexpr int SE_ERR_FNF = 2, SE_ERR_PNF = 3, SE_ERR_ACCESSDENIED = 5, SE_ERR_OOM = 8,
                     SE_ERR_NOASSOC = 31;
// What ShellExecute returns on success (any value above 32 means success).
inline constexpr int kShellExecuteOk = 42;

// Runs a shell verb on `file` (relative paths are taken inside `directory` when one is given):
//  - "open" (also a null or empty verb) and "explore": hands the path, or an address such as
//    "https://..." or "mailto:...", to the desktop's default handler: the program named by the
//    environment variable STEWARD_OPEN_COMMAND, or xdg-open, started directly (no shell, the
//    path is its one argument) and not waited for. A path that does not exist gives
//    SE_ERR_FNF; a handler that cannot be started gives SE_ERR_NOASSOC.
//  - "properties": shows the file's name, size, modification time and version in an
//    information message dialog. A missing file gives SE_ERR_FNF.
// Other verbs give SE_ERR_NOASSOC; `parameters` and `showCmd` are not used by these verbs.
int ShellExecute(HWND hwnd, const char* verb, const char* file, const char* parameters,
                 const char* directory, int showCmd);

}  // namespace vcl
