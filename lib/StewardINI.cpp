#include "lib/StewardINI.h"

#include "lib/LibSys.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/System.h"

namespace kv {

VCL_IMPLEMENT_CLASS(TStewardIniC, vcl::TObject)
VCL_IMPLEMENT_CLASS(TStewardIniS, vcl::TObject)

namespace {

constexpr const char* kStewardKey = "Software\\KVL\\Steward";
constexpr const char* kEmptyPasswordMarker = "KV_Say_NoPassWord_ThePassWordIsEmpty";
constexpr const char* kPasswordError = "KV_Say_Password_Error";
// The logon name is read into a buffer of this many characters, terminator included.
constexpr size_t kUserNameBuffer = 32;

// True when the last character of `s` is a "\" of its own, not the second byte of a
// double-byte character of the ANSI code page.
bool EndsWithBackslash(std::string_view s) {
  if (s.empty() || s.back() != '\\') return false;
  size_t i = 0;
  while (i < s.size()) {
    if (i + 1 < s.size() && vcl::IsDBCSLeadByte(static_cast<unsigned char>(s[i]))) {
      if (i + 2 == s.size()) return false;
      i += 2;
    } else {
      ++i;
    }
  }
  return true;
}

AnsiString WithBackslash(std::string_view s) {
  AnsiString out(s);
  if (!EndsWithBackslash(out)) out += '\\';
  return out;
}

// "1", "Y", "YES" and "TRUE" in any case are true.
bool IsTrueText(std::string_view text) {
  const AnsiString upper = vcl::UpperCase(text);
  return upper == "1" || upper == "Y" || upper == "YES" || upper == "TRUE";
}

std::uint8_t UIConvertKindOf(const AnsiString& ui, const AnsiString& system) {
  if (ui == "950") return 2;
  if (ui == "936" && system == "950") return 4;
  return 0;
}

std::uint8_t DBConvertKindOf(const AnsiString& ui, const AnsiString& db) {
  if (ui == "950" && db == "936") return 2;
  if (ui == "936" && db == "950") return 1;
  return 0;
}

AnsiString SystemCodePageText() {
  const AnsiString acp = vcl::IntToStr(vcl::GetACP());
  return acp == "936" || acp == "950" ? acp : AnsiString("437");
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::uint8_t RotateRight(std::uint8_t b, unsigned places) {
  places %= 8;
  if (places == 0) return b;
  return static_cast<std::uint8_t>((b >> places) | (b << (8 - places)));
}

std::uint8_t RotateLeft(std::uint8_t b, unsigned places) {
  places %= 8;
  if (places == 0) return b;
  return static_cast<std::uint8_t>((b << places) | (b >> (8 - places)));
}

// The steps both readers share: defaults, the registry, the profile and the file name.
// `installPath` is ClientPath or ServerPath, `pathValue` its registry value name. False when
// the reading stops (ErrorMsgId tells whether with a message).
template <class Reader>
bool LocateConfiguration(Reader& r, AnsiString& installPath, const char* pathValue,
                         const char* fileName) {
  r.ErrorMsgId.clear();
  installPath.clear();
  r.ProfileDir.clear();
  r.ProfileType = "0";
  r.ProfileUser = "Default";
  r.UICodePage = "936";
  r.DBCodePage = "936";
  r.WorkDLLPaths->Clear();

  r.SystemCodePage = SystemCodePageText();
  r.UICodePage = r.SystemCodePage;
  r.SupportCallBack = false;
  r.IniFileName.clear();
  r.UIConvertKind = UIConvertKindOf(r.UICodePage, r.SystemCodePage);
  r.DBConvertKind = DBConvertKindOf(r.UICodePage, r.DBCodePage);

  {
    vcl::TRegistry registry;
    registry.RootKey = vcl::HKEY_LOCAL_MACHINE;
    if (!registry.OpenKeyReadOnly(kStewardKey)) {
      r.ErrorMsgId = "E;000015";
      return false;
    }
    installPath = registry.ReadString(pathValue);
    r.ProfileType = registry.ReadString("ProfileType");
    registry.CloseKey();
  }
  if (installPath.empty()) return false;
  installPath = WithBackslash(installPath);

  if (!r.ProfileType.empty() && r.ProfileType != "0") {
    AnsiString user = vcl::GetUserName();
    // A name that does not fit the logon-name buffer is not returned at all.
    if (user.size() >= kUserNameBuffer) user.clear();
    r.ProfileDir = installPath + "Profile\\" + user + "\\";
    r.ProfileUser = user;
  } else {
    r.ProfileDir = installPath;
  }
  r.IniFileName = r.ProfileDir + fileName;
  if (!vcl::FileExists(r.IniFileName)) {
    r.ProfileDir = installPath;
    r.IniFileName = installPath + fileName;
  }
  return true;
}

// Replaces each key=value line of `paths` by its resolved directory; an empty list gets the
// default directory.
void ResolveWorkPaths(vcl::TStringList& paths, const AnsiString& installPath,
                      const AnsiString& defaultPath) {
  if (paths.Count() == 0) {
    paths.Add(defaultPath);
    return;
  }
  for (int i = 0; i < paths.Count(); ++i)
    paths.Put(i, ResolveModulePath(installPath, WithBackslash(paths.ValueFromIndex(i))));
}

}  // namespace

AnsiString ResolveModulePath(std::string_view installPath, std::string_view value) {
  const bool drive = value.size() >= 2 && value[1] == ':' &&
                     ((value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z'));
  // Either separator counts, as everywhere in paths.
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  const bool unc = value.size() >= 2 && separator(value[0]) && separator(value[1]);
  if (drive || unc) return AnsiString(value);
  if (!value.empty() && separator(value[0]))
    return AnsiString(installPath) + AnsiString(value.substr(1));
  return AnsiString(installPath) + AnsiString(value);
}

AnsiString EncodePassword(std::string_view text) {
  const std::string_view source = text.empty() ? std::string_view(kEmptyPasswordMarker) : text;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  AnsiString digits;
  digits.reserve(source.size() * 2);
  for (size_t i = 0; i < source.size(); ++i) {
    const std::uint8_t b =
        RotateRight(static_cast<std::uint8_t>(source[i]), static_cast<unsigned>((i + 1) % 8));
    digits += kDigits[b >> 4];
    digits += kDigits[b & 0x0F];
  }
  AnsiString output = "KV_Say_Never_Has_Password";
  if (!digits.empty()) output = digits;
  return output;
}

AnsiString DecodePassword(std::string_view encoded) {
  AnsiString work;
  work.reserve(encoded.size() / 2);
  for (size_t a = 1; encoded.size() >= 2 * a; ++a) {
    const char high = encoded[2 * a - 2];
    const char low = encoded[2 * a - 1];
    const int h = HexDigit(high);
    const int l = HexDigit(low);
    if (h < 0 || l < 0) {
      const vcl::EConvertError error("'$" + AnsiString{high, low} +
                                     "' is not a valid integer value");
      ReportException(&error, EncodePassword("DecodeSQLSa"),
                      vcl::Utf8ToAnsi("解析 Sa 时发生错误!"));
      return kPasswordError;
    }
    work += static_cast<char>(RotateLeft(static_cast<std::uint8_t>(h * 16 + l), a % 8));
  }
  if (work == kEmptyPasswordMarker) return "";
  return work;
}

// ---------------------------------------------------------------------------------------------

TStewardIniC::TStewardIniC()
    : ProfileType("0"),
      ProfileUser("Default"),
      DBCodePage("936"),
      WorkDLLPaths(std::make_unique<vcl::TStringList>()) {
  LoadConfiguration();
}

TStewardIniC::~TStewardIniC() = default;

bool TStewardIniC::LoadConfiguration() {
  ServerList = vcl::Unassigned;
  if (!LocateConfiguration(*this, ClientPath, "ClientPath", "StewardC.ini")) return false;

  vcl::TIniFile ini(IniFileName);
  LangType = ini.ReadString("Client Components", "LangType", "ENG");
  Version = ini.ReadString("ProductVersion", "Version", "");
  CreateGifBeforeSendEF = ini.ReadString("UserDefine", "CreateGifBeforeSendEF", "Y");
  UICodePage = ini.ReadString("CodePage", "UICodePage", SystemCodePage);
  DBCodePage = ini.ReadString("CodePage", "DBCodePage", "936");
  SupportCallBack = IsTrueText(ini.ReadString("Server Information", "SupportCallBack", "0"));
  AnsiString hosts = ini.ReadString("Server Information", "ComputerName", "127.0.0.1");
  const int port = ini.ReadInteger("Server Information", "ServerPort", 211);
  ini.ReadSectionValues("WorkDLLPath", *WorkDLLPaths);
  AutoCheckNewMsg = ini.ReadString("TaskMessageCenter Setting", "AutoCheckNewMsg", "1");
  CheckInterval = ini.ReadString("TaskMessageCenter Setting", "CheckInterval", "1");
  PopupMsg = ini.ReadString("TaskMessageCenter Setting", "PopupMsg", "1");
  LoginCheck = ini.ReadString("TaskMessageCenter Setting", "LoginCheck", "0");

  UIConvertKind = UIConvertKindOf(UICodePage, SystemCodePage);
  DBConvertKind = DBConvertKindOf(UICodePage, DBCodePage);

  hosts = vcl::Trim(hosts);
  if (!hosts.empty() && hosts.back() == ';') hosts.pop_back();
  if (hosts.empty()) {
    ErrorMsgId = "E;000016";
    return false;
  }

  // One column per ";"-separated host, all on the same port.
  ServerList = vcl::VarArrayCreate({0, 1, 0, 0}, vcl::varVariant);
  int column = 0;
  size_t start = 0;
  while (true) {
    const size_t end = hosts.find(';', start);
    const AnsiString host =
        hosts.substr(start, end == AnsiString::npos ? AnsiString::npos : end - start);
    if (column > 0) vcl::VarArrayRedim(ServerList, column);
    ServerList.At({0, column}) = host;
    ServerList.At({1, column}) = port;
    ++column;
    if (end == AnsiString::npos) break;
    start = end + 1;
  }

  ResolveWorkPaths(*WorkDLLPaths, ClientPath, ClientPath + "C_PKG\\");
  return true;
}

// ---------------------------------------------------------------------------------------------

TStewardIniS::TStewardIniS()
    : ProfileType("0"),
      ProfileUser("Default"),
      DBCodePage("936"),
      WorkDLLPaths(std::make_unique<vcl::TStringList>()) {
  LoadConfiguration();
}

TStewardIniS::~TStewardIniS() = default;

void TStewardIniS::GetWorkDLLPaths(vcl::TStrings& paths) const {
  paths.Assign(*WorkDLLPaths);
}

bool TStewardIniS::LoadConfiguration() {
  DBSettings = vcl::Unassigned;
  DBKind = 0;
  if (!LocateConfiguration(*this, ServerPath, "ServerPath", "StewardS.ini")) return false;

  vcl::TIniFile ini(IniFileName);
  DBSettings = vcl::VarArrayCreate({0, 3, 0, 7}, vcl::varVariant);
  auto set = [this](int row, int column, const vcl::Variant& value) {
    DBSettings.At({row, column}) = value;
  };
  const char* dbe = "DBE Setting";

  Version = ini.ReadString("ProductVersion", "Version", "");
  UICodePage = ini.ReadString("CodePage", "UICodePage", SystemCodePage);
  DBCodePage = ini.ReadString("CodePage", "DBCodePage", "936");
  set(0, 1, ini.ReadString(dbe, "MainUserName", "sa"));
  set(0, 2, DecodePassword(ini.ReadString(dbe, "XXXXXX", "")));
  set(0, 0, ini.ReadString(dbe, "MainAlias", "Primus"));
  set(0, 3, ini.ReadString(dbe, "MainDBType", "MSSQL"));
  set(0, 4, ini.ReadString(dbe, "MainDBName", ""));
  const AnsiString mainServer = ini.ReadString(dbe, "MainServerName", "");
  set(0, 5, mainServer);
  SystemControlAddress = ini.ReadString(dbe, "SystemControlAddress", "");
  if (vcl::Trim(SystemControlAddress).empty()) SystemControlAddress = mainServer;
  OtherSystemControlAddress = ini.ReadString(dbe, "OtherSystemControlAddress", "");
  if (vcl::Trim(OtherSystemControlAddress).empty()) OtherSystemControlAddress = mainServer;
  set(0, 6, ini.ReadInteger(dbe, "MainConnectionTimeOut", 300));
  set(0, 7, ini.ReadInteger(dbe, "MainCommandTimeOut", 3000));
  set(1, 0, ini.ReadString(dbe, "TempAlias", "PrimusTemp"));
  set(1, 1, ini.ReadString(dbe, "TempUserName", "sa"));
  set(1, 2, DecodePassword(ini.ReadString(dbe, "TempPassword", "")));
  set(1, 3, ini.ReadString(dbe, "TempDBType", "PARADOX"));
  set(1, 4, ini.ReadString(dbe, "TempDBName", ""));
  set(1, 5, ini.ReadString(dbe, "TempDriverName", "PostgreSQL"));
  set(1, 6, ini.ReadInteger(dbe, "TempConnectionTimeOut", 300));
  set(1, 7, ini.ReadInteger(dbe, "TempCommandTimeOut", 3000));
  set(2, 0, vcl::Trim(ini.ReadString("DBPasswordCtrl", "ComputerName", "")));
  set(2, 1, ini.ReadInteger("DBPasswordCtrl", "ServerPort", 211));
  set(2, 2, ini.ReadInteger("DBPasswordCtrl", "ClientSocketPort", 1024));
  SupportCallBack = IsTrueText(ini.ReadString("DBPasswordCtrl", "SupportCallBack", "0"));
  set(2, 3, ini.ReadString(dbe, "DataBaseCodeOrder", "Chinese_Taiwan_Stroke_BIN"));
  set(3, 0, ini.ReadString(dbe, "EctAlias", "EDIDATA"));
  set(3, 1, ini.ReadString(dbe, "EctUserName", "sa"));
  set(3, 2, ini.ReadString(dbe, "EctPassword", ""));
  ini.ReadSectionValues("WorkDLLPath", *WorkDLLPaths);

  const AnsiString dbType = vcl::VarToStr(DBSettings.At({0, 3}));
  if (vcl::SameText(dbType, "ORACLE"))
    DBKind = 1;
  else if (vcl::SameText(dbType, "DB2"))
    DBKind = 2;

  UIConvertKind = UIConvertKindOf(UICodePage, SystemCodePage);
  DBConvertKind = DBConvertKindOf(UICodePage, DBCodePage);

  ResolveWorkPaths(*WorkDLLPaths, ServerPath, ServerPath + "S_PKG\\");
  return true;
}

}  // namespace kv
