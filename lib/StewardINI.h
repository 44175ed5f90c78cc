// Configuration readers: the installation key of the registry and the client ("StewardC.ini")
// or server ("StewardS.ini") configuration file, turned into plain fields. A reader does all
// its work in its constructor and caches nothing: every reader reads the registry and the file
// again. A registry value that is not a string leaves the constructor as ERegistryException.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/rtl/TObject.h"
#include "platform/rtl/TStringList.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

namespace kv {

using vcl::AnsiString;

// Resolves a module directory against the installation path: a value with a drive letter
// ("C:") or a UNC prefix stays as it is, one starting with "\" is taken below the
// installation path without that "\", anything else is appended to the installation path.
AnsiString ResolveModulePath(std::string_view installPath, std::string_view value);

// The stored-password codec: two upper-case hexadecimal digits per byte, each byte rotated
// right by its 1-based position mod 8. An empty password is stored as a marker text.
AnsiString EncodePassword(std::string_view text);
// The inverse. A single trailing digit is ignored; a pair that is not hexadecimal gives
// "KV_Say_Password_Error" and an exception report in the generator log.
AnsiString DecodePassword(std::string_view encoded);

// The client configuration.
class TStewardIniC : public vcl::TObject {
  VCL_DECLARE_CLASS(TStewardIniC)

 public:
  TStewardIniC();
  ~TStewardIniC() override;

  // Reads the registry and the configuration file into the fields; true when it ran to the
  // end. The constructor runs it once.
  bool LoadConfiguration();

  AnsiString ClientPath;   // installation directory, ending in "\" once read
  AnsiString ProfileDir;   // directory the configuration file was taken from
  AnsiString ProfileType;  // "" or "0": one file for the machine; else one per user
  AnsiString ProfileUser;  // logon name for the per-user profile
  AnsiString UICodePage;
  AnsiString DBCodePage;
  AnsiString SystemCodePage;  // the ANSI code page as "936", "950" or "437"
  std::uint8_t UIConvertKind = 0;
  std::uint8_t DBConvertKind = 0;
  bool SupportCallBack = false;
  AnsiString IniFileName;
  // [0..1, 0..n-1]: [0,i] host name, [1,i] its port; unassigned when there is no host.
  vcl::Variant ServerList;
  AnsiString ErrorMsgId;  // message id of the failure that stopped the reading
  AnsiString LangType;
  // Module directories, owned by the reader.
  std::unique_ptr<vcl::TStringList> WorkDLLPaths;
  AnsiString Version;
  AnsiString CreateGifBeforeSendEF;
  AnsiString AutoCheckNewMsg;
  AnsiString CheckInterval;
  AnsiString PopupMsg;
  AnsiString LoginCheck;
};

// The server configuration.
class TStewardIniS : public vcl::TObject {
  VCL_DECLARE_CLASS(TStewardIniS)

 public:
  TStewardIniS();
  ~TStewardIniS() override;

  bool LoadConfiguration();
  // Replaces the contents of `paths` with a copy of WorkDLLPaths.
  void GetWorkDLLPaths(vcl::TStrings& paths) const;

  AnsiString ServerPath;  // installation directory, ending in "\" once read
  AnsiString ProfileDir;
  AnsiString ProfileType;
  AnsiString ProfileUser;
  AnsiString UICodePage;
  AnsiString DBCodePage;
  AnsiString SystemCodePage;
  std::uint8_t UIConvertKind = 0;
  std::uint8_t DBConvertKind = 0;
  bool SupportCallBack = false;
  AnsiString IniFileName;
  // [0..3, 0..7]: row 0 main database, 1 temporary database, 2 server process, 3 EDI
  // database; columns alias, user, password, type, name, server or driver, connection and
  // command time-outs (row 2: computer, server port, client socket port, code order).
  vcl::Variant DBSettings;
  AnsiString ErrorMsgId;
  std::unique_ptr<vcl::TStringList> WorkDLLPaths;
  AnsiString Version;
  std::uint8_t DBKind = 0;  // 1 ORACLE, 2 DB2, 0 other
  AnsiString SystemControlAddress;
  AnsiString OtherSystemControlAddress;
};

}  // namespace kv
