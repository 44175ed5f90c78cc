// Creation of automation objects by ProgID.
#pragma once

#include <functional>
#include <string_view>

#include "platform/com/Dispatch.h"

namespace vcl {

using TOleFactory = std::function<DispatchPtr()>;

// Makes `progID` create objects through `factory` in this process (it takes precedence over
// the registry file). Registering again replaces the factory.
void RegisterOleClass(std::string_view progID, TOleFactory factory);
void UnregisterOleClass(std::string_view progID);

// The export a server library provides: it creates the object for `progID` and stores it in
// `*object`; it returns 0 on success and an HRESULT otherwise.
using TDllCreateObject = HRESULT (*)(const char* progID, DispatchPtr* object);
inline constexpr const char* kDllCreateObjectExport = "DllCreateObject";

// Creates an automation object. Classes registered in-process come first; otherwise the
// registry file's HKEY_CLASSES_ROOT\<progID>\InprocServer32 default value names a shared
// library that exports DllCreateObject (loaded once and kept). An unknown ProgID raises
// EOleSysError "Invalid class string" (CO_E_CLASSSTRING); a library that cannot be loaded or
// that refuses raises EOleSysError "Class not registered" (REGDB_E_CLASSNOTREG) or with the
// library's HRESULT.
Variant CreateOleObject(std::string_view progID);
DispatchPtr CreateComObject(std::string_view progID);

}  // namespace vcl
