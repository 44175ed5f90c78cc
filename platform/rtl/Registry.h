// The registry, read from a text file in the "Windows Registry Editor Version 5.00" format
// named by the environment variable STEWARD_REGISTRY.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/TObject.h"
#include "platform/rtl/Types.h"

namespace vcl {

using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary, rdMultiString };

// The registry file: a missing or unreadable file is an empty registry. The file may be
// UTF-16LE with a byte-order mark (as the registry editor writes it) or UTF-8. Lines that are
// not valid are skipped; everything valid before and after them is read. Key and value names
// ignore case. The file is read again when it changes.
//   [HKEY_LOCAL_MACHINE\Software\KVL\Steward]
//   "ClientPath"="C:\\Steward\\Client"     string (\\ and \" escaped)
//   @="default value"                       the key's default value (name "")
//   "Count"=dword:0000001f                  integer
//   "Data"=hex:01,02,ff                     binary; hex(2): expand string, hex(7): multi-string
//   "Old"=-                                 deletes a value; [-KEY] deletes a key
// A line ending in "\" continues on the next line; ";" starts a comment line.
class TRegistry : public TObject {
 public:
  TRegistry();
  ~TRegistry() override;

  HKEY RootKey = HKEY_CURRENT_USER;
  // The path of the open key, "" when none is open.
  const AnsiString& CurrentPath() const { return currentPath_; }

  // Opens `key` for reading: relative to the open key, or to RootKey when no key is open or
  // `key` starts with "\". False (and the open key unchanged) when it does not exist.
  bool OpenKeyReadOnly(std::string_view key);
  bool OpenKey(std::string_view key, bool canCreate);  // reading only; canCreate is ignored
  bool KeyExists(std::string_view key);
  void CloseKey();

  // Values are those of the open key, or of RootKey itself when no key is open.
  bool ValueExists(std::string_view name) const;
  TRegDataType GetDataType(std::string_view name) const;
  // A string (or expand string) value in the ANSI code page; "" when the value does not
  // exist; a value of another type raises ERegistryException "Invalid data type for '<name>'".
  AnsiString ReadString(std::string_view name) const;
  // The same value as UTF-8, without code-page conversion.
  std::string ReadUtf8String(std::string_view name) const;
  // A dword value; a missing value or one of another type raises ERegistryException
  // "Invalid data type for '<name>'".
  int ReadInteger(std::string_view name) const;
  bool ReadBool(std::string_view name) const;
  // A binary value (or one of a type without a reader, such as a qword); empty when the value
  // does not exist; a string, integer or multi-string value raises ERegistryException.
  std::vector<std::uint8_t> ReadBinaryData(std::string_view name) const;
  // Names of the open key's values and subkeys, in file order.
  std::vector<AnsiString> GetValueNames() const;
  std::vector<AnsiString> GetKeyNames() const;

 private:
  AnsiString currentPath_;
  HKEY currentRoot_ = 0;
  bool open_ = false;
};

}  // namespace vcl
