#include "platform/com/ComObj.h"

#include <map>
#include <mutex>

#include "platform/rtl/Library.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

// HRESULT for a library that could not be loaded (the system's "module not found").
constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007E);

struct ClassTable {
  std::mutex mutex;
  std::map<AnsiString, TOleFactory> factories;  // keyed by upper-case ProgID
  std::map<AnsiString, HMODULE> libraries;      // server libraries stay loaded once used
};

ClassTable& Table() {
  static ClassTable table;
  return table;
}

AnsiString HResultText(HRESULT hr) {
  switch (hr) {
    case CO_E_CLASSSTRING:
      return "Invalid class string";
    case REGDB_E_CLASSNOTREG:
      return "Class not registered";
    case kModuleNotFound:
      return "The specified module could not be found.";
    case E_FAIL:
      return "Unspecified error";
    default:
      return "OLE error " + IntToHex(static_cast<std::uint32_t>(hr), 8);
  }
}

[[noreturn]] void Fail(HRESULT hr) {
  throw EOleSysError(HResultText(hr), hr);
}

DispatchPtr CreateFromLibrary(std::string_view progID) {
  TRegistry reg;
  reg.RootKey = HKEY_CLASSES_ROOT;
  if (!reg.KeyExists(progID)) Fail(CO_E_CLASSSTRING);
  if (!reg.OpenKeyReadOnly(AnsiString(progID) + "\\InprocServer32")) Fail(REGDB_E_CLASSNOTREG);
  AnsiString path = reg.ReadString("");
  if (path.empty()) Fail(REGDB_E_CLASSNOTREG);

  TDllCreateObject create = nullptr;
  {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    HMODULE& module = table.libraries[path];
    if (!module) module = LoadLibrary(path);
    if (!module) {
      table.libraries.erase(path);
      Fail(kModuleNotFound);
    }
    create = reinterpret_cast<TDllCreateObject>(GetProcAddress(module, kDllCreateObjectExport));
  }
  if (!create) Fail(REGDB_E_CLASSNOTREG);
  DispatchPtr object;
  AnsiString id(progID);
  HRESULT hr = create(id.c_str(), &object);
  if (hr != 0) Fail(hr);
  if (!object) Fail(E_FAIL);
  return object;
}

}  // namespace

void RegisterOleClass(std::string_view progID, TOleFactory factory) {
  ClassTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.factories[UpperCase(progID)] = std::move(factory);
}

void UnregisterOleClass(std::string_view progID) {
  ClassTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.factories.erase(UpperCase(progID));
}

DispatchPtr CreateComObject(std::string_view progID) {
  if (progID.empty()) Fail(CO_E_CLASSSTRING);
  TOleFactory factory;
  {
    ClassTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.factories.find(UpperCase(progID));
    if (it != table.factories.end()) factory = it->second;
  }
  if (!factory) return CreateFromLibrary(progID);
  DispatchPtr object = factory();
  if (!object) Fail(E_FAIL);
  return object;
}

Variant CreateOleObject(std::string_view progID) {
  return Variant(CreateComObject(progID));
}

}  // namespace vcl
