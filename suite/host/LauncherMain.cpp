// steward-host: runs one program's plug-in as the suite's host does (see README.md).
#include <iostream>
#include <string>
#include <vector>

#include "platform/rtl/System.h"
#include "suite/host/Launcher.h"

int main(int argc, char** argv) {
  vcl::SetCommandLine(argc, argv);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << suite::UsageText();
    return suite::kExitOk;
  }
  suite::TLaunchOptions options;
  std::string error;
  if (!suite::ParseLaunchArguments(args, options, error)) {
    std::cerr << "steward-host: " << error << "\n" << suite::UsageText();
    return suite::kExitUsage;
  }
  return suite::RunLauncher(options, std::cout, std::cerr);
}
