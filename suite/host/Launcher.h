// The launcher steward-host: lays out (or opens) an installation, loads the plug-in of one
// program from the installation's client module folder, and drives its controller as the host
// does, printing what happens for a person or a test to read.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace suite {

struct TLaunchOptions {
  std::string program;  // program id, e.g. "ZKPR42": the plug-in is "ZKPR42C.so"
  std::string user = "ADMIN";
  std::string company = "01";
  std::string database = "demo";
  std::string install;  // installation folder; empty: DefaultInstallFolder()
  std::string script;
  std::string screenshot;
};

// Exit codes of the launcher.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;       // bad command line or unreadable script
inline constexpr int kExitInstall = 2;     // the installation cannot be made or read
inline constexpr int kExitPlugin = 3;      // no plug-in, not loadable, no GetController
inline constexpr int kExitInitialize = 4;  // Initialize failed (-1 or an exception)
inline constexpr int kExitScript = 5;      // the run ended, but script lines had problems

// Reads "PROGRAM [options]" (the arguments after the program name); false with `error`.
bool ParseLaunchArguments(const std::vector<std::string>& args, TLaunchOptions& options,
                          std::string& error);
std::string UsageText();

// $STEWARD_HOME/demo, else ~/.steward/demo.
std::string DefaultInstallFolder();

// Makes what is missing of an installation in `dir`: the registry file "steward.reg" (the
// installation key with "ClientPath" dir/Client, "ServerPath" dir/Server, "ProfileType" "0",
// and the machine's ANSI code page 936), "Client/StewardC.ini", "Server/StewardS.ini" and the
// module folders "Client/C_PKG" and "Server/S_PKG". Files that exist are left as they are.
bool PrepareInstallation(const std::string& dir, std::string& error);

// Folders where a plug-in built with the launcher is looked for, in order: the launcher's own
// folder, then each folder below <launcher folder>/../../modules (the build tree's module
// folders), sorted by name.
std::vector<std::string> BuiltPluginFolders(const std::string& launcherFolder);

// The whole run; returns the exit code. Progress goes to `out`, fatal errors to `err`.
int RunLauncher(const TLaunchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace suite
