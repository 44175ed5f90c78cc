// Dynamic libraries.
#pragma once

#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

// Loads a shared library. A ".dll" ending (any case) is replaced by ".so", and a name with
// no ending gets ".so". A name with a folder is loaded from there; a bare name is looked
// for, with the exact name first and then ignoring case, in the folder of the module that
// calls LoadLibrary, then the host program's folder, then the system's library path.
// Returns nullptr and sets GetLastError (ERROR_MOD_NOT_FOUND) when it cannot be loaded.
HMODULE LoadLibrary(std::string_view name);
// Like LoadLibrary, searching the folder of the module that contains `callerAddress` first.
HMODULE LoadLibraryFrom(std::string_view name, const void* callerAddress);
// The address of an export; nullptr and ERROR_PROC_NOT_FOUND when there is none.
void* GetProcAddress(HMODULE module, std::string_view name);
bool FreeLibrary(HMODULE module);
// The file a loaded library came from.
AnsiString GetModuleFileName(HMODULE module);
// Text of the last loader failure of this thread ("" when none).
AnsiString LastLibraryError();

}  // namespace vcl
