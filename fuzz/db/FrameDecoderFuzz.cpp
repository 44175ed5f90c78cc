// Untrusted bytes through the frame decoder and the message and value decoders. Anything
// malformed must raise EWireError (any other exception or a crash is a finding), and a message
// that decodes must encode to bytes that decode and encode to the same bytes again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/Dispatch.h"
#include "platform/db/Wire.h"

namespace {

// An object that stands for a reference received, so that sending it back gives the same
// reference.
class Reference : public vcl::TAutoObject {
 public:
  explicit Reference(const vcl::TWireObjectRef& ref) : ref_(ref) {}
  const vcl::TWireObjectRef& Ref() const { return ref_; }

 private:
  vcl::TWireObjectRef ref_;
};

class Table : public vcl::TWireObjectTable {
 public:
  vcl::TWireObjectRef Export(const vcl::DispatchPtr& object) override {
    const auto* r = dynamic_cast<const Reference*>(object.get());
    if (!r) std::abort();
    return r->Ref();
  }
  vcl::DispatchPtr Import(const vcl::TWireObjectRef& ref) override {
    return std::make_shared<Reference>(ref);
  }
};

void CheckMessage(const std::string& payload, const vcl::TWireLimits& limits) {
  Table table;
  vcl::TWireMessage message;
  try {
    message = vcl::DecodeMessage(payload, &table, limits);
  } catch (const vcl::EWireError&) {
    return;
  }
  // Encoding may grow a message a little (single-precision floats are sent as doubles).
  vcl::TWireLimits roomy = limits;
  roomy.MaxFrameSize *= 2;
  const std::string once = vcl::EncodeMessage(message, &table, roomy);
  const std::string twice =
      vcl::EncodeMessage(vcl::DecodeMessage(once, &table, roomy), &table, roomy);
  if (once != twice) std::abort();
}

void CheckValue(std::string_view bytes, const vcl::TWireLimits& limits) {
  Table table;
  try {
    vcl::Variant v = vcl::DecodeVariant(bytes, &table, limits);
    vcl::TWireLimits roomy = limits;
    roomy.MaxFrameSize *= 2;
    const std::string once = vcl::EncodeVariant(v, &table, roomy);
    if (vcl::EncodeVariant(vcl::DecodeVariant(once, &table, roomy), &table, roomy) != once)
      std::abort();
  } catch (const vcl::EWireError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  vcl::TWireLimits limits;
  limits.MaxFrameSize = 1 << 20;
  limits.MaxElements = 1 << 16;
  // The first byte sets how the stream is cut into reads (1..256 bytes each).
  const std::size_t chunk = std::size_t{data[0]} + 1;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  const std::size_t length = size - 1;

  CheckValue(std::string_view(bytes, length), limits);

  vcl::TFrameDecoder decoder(limits.MaxFrameSize);
  std::string payload;
  try {
    for (std::size_t off = 0; off < length; off += chunk) {
      decoder.Feed(bytes + off, std::min(chunk, length - off));
      while (decoder.Next(payload)) CheckMessage(payload, limits);
    }
  } catch (const vcl::EWireError&) {
  }
  return 0;
}
