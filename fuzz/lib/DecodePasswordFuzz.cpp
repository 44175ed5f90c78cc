// Untrusted stored passwords through the password decoder, and arbitrary bytes through the
// encoder and back. A text of hexadecimal pairs must decode to bytes that encode to the same
// pairs (upper case, a trailing odd digit dropped); anything else must give the error text;
// encoding then decoding must give the bytes back. Any exception or crash is a finding.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "lib/StewardINI.h"
#include "platform/rtl/CodePages.h"

namespace {

const std::string kMarker = "KV_Say_NoPassWord_ThePassWordIsEmpty";

bool AllHex(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    if (!std::isxdigit(static_cast<unsigned char>(text[i])) ||
        !std::isxdigit(static_cast<unsigned char>(text[i + 1])))
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The installation path lies below a regular file: the exception reports of bad pairs find
  // no log folder and are dropped, so the run leaves nothing behind.
  namespace fs = std::filesystem;
  const fs::path dir =
      fs::temp_directory_path() / ("decode-password-fuzz-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "blocker") << "not a folder";
  std::ofstream(dir / "machine.reg")
      << "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n\"ClientPath\"=\""
      << (dir / "blocker" / "Client").string() << "\"\r\n";
  ::setenv("STEWARD_REGISTRY", (dir / "machine.reg").c_str(), 1);
  vcl::ResetACPCache();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::string decoded = kv::DecodePassword(input);
  if (!AllHex(input)) {
    if (decoded != "KV_Say_Password_Error") std::abort();
  } else {
    std::string pairs = input.substr(0, input.size() / 2 * 2);
    for (char& c : pairs) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (decoded.empty()) {
      if (!pairs.empty() && kv::EncodePassword(kMarker) != pairs) std::abort();
    } else if (kv::EncodePassword(decoded) != pairs) {
      std::abort();
    }
  }

  const std::string encoded = kv::EncodePassword(input);
  const std::string back = kv::DecodePassword(encoded);
  if (back != (input == kMarker ? std::string() : input)) std::abort();
  return 0;
}
