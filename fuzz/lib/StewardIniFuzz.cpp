// Hostile configuration files through both configuration readers. The first byte picks the
// machine's ANSI code page and the profile kind; the rest is written as the client and the
// server file. The readers must not raise and their fields must keep their shape: code-page
// kinds by their rule, a host list of two rows with one port, resolved work paths, a settings
// array of 4 x 8. Any exception or crash is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "lib/StewardINI.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Variant.h"

namespace {

namespace fs = std::filesystem;

fs::path& Root() {
  static fs::path root;
  return root;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

void WriteRegistry(int acp, const char* profileType) {
  WriteFile(Root() / "machine.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
            "\"ACP\"=\"" +
                std::to_string(acp) +
                "\"\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n"
                "\"ClientPath\"=\"" +
                (Root() / "Client").string() + "\"\r\n\"ServerPath\"=\"" +
                (Root() / "Server").string() + "\"\r\n\"ProfileType\"=\"" + profileType + "\"\r\n");
  vcl::ResetACPCache();
}

template <class Reader>
void CheckCodePages(const Reader& r, const std::string& system) {
  Check(r.SystemCodePage == system);
  const int ui = r.UICodePage == "950"                                ? 2
                 : r.UICodePage == "936" && r.SystemCodePage == "950" ? 4
                                                                      : 0;
  const int db = r.UICodePage == "950" && r.DBCodePage == "936"   ? 2
                 : r.UICodePage == "936" && r.DBCodePage == "950" ? 1
                                                                  : 0;
  Check(r.UIConvertKind == ui);
  Check(r.DBConvertKind == db);
}

void CheckPaths(const vcl::TStringList& paths) {
  Check(paths.Count() >= 1);
  for (int i = 0; i < paths.Count(); ++i) Check(!paths[i].empty() && paths[i].back() == '\\');
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Root() = fs::temp_directory_path() / ("steward-ini-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(Root() / "Client");
  fs::create_directories(Root() / "Server");
  ::setenv("STEWARD_REGISTRY", (Root() / "machine.reg").c_str(), 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned runs = 0;
  // Undecodable passwords are reported to the generator log below the installation folder.
  if (++runs % 256 == 0) fs::remove_all(Root() / "Client" / "Log");

  const std::uint8_t selector = size > 0 ? data[0] : 0;
  const std::string text =
      size > 0 ? std::string(reinterpret_cast<const char*>(data) + 1, size - 1) : std::string();
  static const int kAcps[] = {936, 950, 1252, 932};
  static const char* const kProfiles[] = {"", "0", "1", "yes"};
  const int acp = kAcps[selector & 3];
  // The registry changes only with the selector's bits in use.
  static int lastSetting = -1;
  if ((selector & 15) != lastSetting) {
    lastSetting = selector & 15;
    WriteRegistry(acp, kProfiles[(selector >> 2) & 3]);
  }
  const std::string system = acp == 936 ? "936" : acp == 950 ? "950" : "437";
  WriteFile(Root() / "Client" / "StewardC.ini", text);
  WriteFile(Root() / "Server" / "StewardS.ini", text);

  kv::TStewardIniC client;
  CheckCodePages(client, system);
  Check(client.ClientPath == (Root() / "Client").string() + "\\");
  if (client.ErrorMsgId.empty()) {
    const vcl::Variant& list = client.ServerList;
    Check(vcl::VarArrayDimCount(list) == 2);
    Check(vcl::VarArrayLowBound(list, 1) == 0 && vcl::VarArrayHighBound(list, 1) == 1);
    Check(vcl::VarArrayLowBound(list, 2) == 0 && vcl::VarArrayHighBound(list, 2) >= 0);
    const vcl::Variant port = list.At({1, 0});
    for (int i = 0; i <= vcl::VarArrayHighBound(list, 2); ++i) {
      Check(vcl::VarIsStr(list.At({0, i})));
      Check(vcl::VarType(list.At({1, i})) == vcl::varInteger && list.At({1, i}) == port);
    }
    CheckPaths(*client.WorkDLLPaths);
  } else {
    Check(client.ErrorMsgId == "E;000016");
    Check(vcl::VarIsEmpty(client.ServerList));
  }

  kv::TStewardIniS server;
  CheckCodePages(server, system);
  Check(server.ErrorMsgId.empty());
  Check(server.DBKind <= 2);
  const vcl::Variant& settings = server.DBSettings;
  Check(vcl::VarArrayDimCount(settings) == 2);
  Check(vcl::VarArrayHighBound(settings, 1) == 3 && vcl::VarArrayHighBound(settings, 2) == 7);
  for (int row = 0; row < 2; ++row)
    for (int col = 6; col < 8; ++col)
      Check(vcl::VarType(settings.At({row, col})) == vcl::varInteger);
  Check(vcl::VarType(settings.At({2, 1})) == vcl::varInteger);
  Check(vcl::VarType(settings.At({2, 2})) == vcl::varInteger);
  Check(vcl::VarIsEmpty(settings.At({2, 4})) && vcl::VarIsEmpty(settings.At({3, 3})));
  CheckPaths(*server.WorkDLLPaths);
  vcl::TStringList copy;
  server.GetWorkDLLPaths(copy);
  Check(copy.Text() == server.WorkDLLPaths->Text());
  return 0;
}
