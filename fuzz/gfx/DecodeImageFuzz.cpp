// Untrusted image files through the BMP and PNG decoders. A decoder may refuse the bytes with
// EInvalidGraphic; anything else (another exception, a crash, a read past the input, an image
// whose pixel count does not match its size) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/gfx/Painter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Also reach the BMP decoder's body with arbitrary headers.
  for (const std::string_view input : {bytes, std::string_view("BM")}) {
    std::string buffer(input);
    if (input.size() == 2) buffer.append(bytes);
    try {
      const vcl::gfx::Image img = vcl::gfx::DecodeImage(buffer, "fuzz");
      if (img.width <= 0 || img.height <= 0 ||
          img.pixels.size() != std::size_t(img.width) * std::size_t(img.height))
        std::abort();
    } catch (const vcl::EInvalidGraphic&) {
    }
  }
  return 0;
}
