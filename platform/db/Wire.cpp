#include "platform/db/Wire.h"

#ifndef MSGPACK_NO_BOOST
#define MSGPACK_NO_BOOST
#endif
#include <msgpack.hpp>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include "platform/db/SConnect.h"

namespace vcl {

namespace {

// Extension types of the values that MessagePack has no type for.
enum ExtType : std::int8_t {
  kExtEmpty = 1,     // no bytes
  kExtByte = 2,      // 1 byte
  kExtSmallint = 3,  // 2 bytes, big-endian
  kExtDate = 4,      // 8 bytes, the double's bits big-endian
  kExtWide = 5,      // UTF-16 code units, little-endian
  kExtObject = 6,    // 1 byte owner (0 none, 1 sender, 2 receiver) + 8 bytes id big-endian
  kExtArray = 7,     // element type (2 bytes), dimensions (1 byte), low and high bound per
                     // dimension (4 bytes each), all big-endian; first element of an array
};

constexpr std::uint8_t kOwnerNone = 0;
constexpr std::uint8_t kOwnerSender = 1;
constexpr std::uint8_t kOwnerReceiver = 2;

// Arrays of more dimensions than this are refused (the runtime's element access takes the
// indexes as a list, built here by a table of fixed sizes).
constexpr std::size_t kMaxDims = 32;

AnsiString Num(std::uint64_t v) {
  return std::to_string(v);
}

[[noreturn]] void Invalid(const AnsiString& what) {
  throw EWireError("Invalid message: " + what);
}

// ---- Big-endian helpers -------------------------------------------------------------------

template <typename T>
void PutBE(char* out, T value) {
  using U = std::make_unsigned_t<T>;
  U u = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i)
    out[i] = static_cast<char>((u >> (8 * (sizeof(T) - 1 - i))) & 0xFF);
}

template <typename T>
T GetBE(const char* in) {
  using U = std::make_unsigned_t<T>;
  U u = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i)
    u = static_cast<U>((u << 8) | static_cast<std::uint8_t>(in[i]));
  return static_cast<T>(u);
}

std::uint64_t DoubleBits(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

double BitsDouble(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

// ---- Element access by a run-time list of indexes -------------------------------------------

template <std::size_t... I>
Variant& AtImpl(Variant& v, const int* idx, std::index_sequence<I...>) {
  return v.At({idx[I]...});
}
template <std::size_t N>
Variant& AtN(Variant& v, const int* idx) {
  return AtImpl(v, idx, std::make_index_sequence<N>());
}
template <std::size_t... I>
const Variant& ConstAtImpl(const Variant& v, const int* idx, std::index_sequence<I...>) {
  return v.At({idx[I]...});
}
template <std::size_t N>
const Variant& ConstAtN(const Variant& v, const int* idx) {
  return ConstAtImpl(v, idx, std::make_index_sequence<N>());
}

using AtFn = Variant& (*)(Variant&, const int*);
using ConstAtFn = const Variant& (*)(const Variant&, const int*);

template <std::size_t... N>
constexpr std::array<AtFn, sizeof...(N)> MakeAtTable(std::index_sequence<N...>) {
  return {&AtN<N + 1>...};
}
template <std::size_t... N>
constexpr std::array<ConstAtFn, sizeof...(N)> MakeConstAtTable(std::index_sequence<N...>) {
  return {&ConstAtN<N + 1>...};
}

constexpr auto kAt = MakeAtTable(std::make_index_sequence<kMaxDims>());
constexpr auto kConstAt = MakeConstAtTable(std::make_index_sequence<kMaxDims>());

// Steps `idx` to the next element, the first index varying fastest.
void NextIndex(std::vector<int>& idx, const std::vector<int>& bounds) {
  for (std::size_t d = 0; d < idx.size(); ++d) {
    if (idx[d] < bounds[2 * d + 1]) {
      ++idx[d];
      return;
    }
    idx[d] = bounds[2 * d];
  }
}

// ---- Encoding -----------------------------------------------------------------------------

struct Buffer {
  std::string data;
  void write(const char* p, std::size_t n) { data.append(p, n); }
};
using Packer = msgpack::packer<Buffer>;

std::uint32_t Size32(std::size_t n, const char* what) {
  if (n > std::numeric_limits<std::uint32_t>::max())
    throw EWireError(AnsiString(what) + " too large to send");
  return static_cast<std::uint32_t>(n);
}

void PackText(Packer& pk, std::string_view text) {
  std::uint32_t n = Size32(text.size(), "Text");
  pk.pack_str(n);
  pk.pack_str_body(text.data(), n);
}

class Encoder {
 public:
  Encoder(Buffer& buf, Packer& pk, TWireObjectTable* objects, const TWireLimits& limits)
      : buf_(buf), pk_(pk), objects_(objects), limits_(limits) {}

  // `depth`: the containers around the value.
  void Value(const Variant& value, std::size_t depth) {
    const Variant& v = value.Deref();
    TVarType type = v.VarType();
    if (type & varArray) {
      Array(v, depth + 1);
      return;
    }
    switch (type) {
      case varEmpty:
        pk_.pack_ext(0, kExtEmpty);
        break;
      case varNull:
        pk_.pack_nil();
        break;
      case varBoolean:
        if (v.AsBoolean())
          pk_.pack_true();
        else
          pk_.pack_false();
        break;
      case varByte: {
        char b = static_cast<char>(static_cast<std::uint8_t>(v.AsInteger()));
        pk_.pack_ext(1, kExtByte);
        pk_.pack_ext_body(&b, 1);
        break;
      }
      case varSmallint: {
        char b[2];
        PutBE<std::int16_t>(b, static_cast<std::int16_t>(v.AsInteger()));
        pk_.pack_ext(2, kExtSmallint);
        pk_.pack_ext_body(b, 2);
        break;
      }
      case varInteger:
        pk_.pack_int32(v.AsInteger());
        break;
      case varDouble: {
        // Always as a float64: the packer's pack_double would send whole numbers (and -0.0)
        // as integers, which come back as another type.
        char b[9];
        b[0] = static_cast<char>(0xcb);
        PutBE<std::uint64_t>(b + 1, DoubleBits(v.AsDouble()));
        buf_.write(b, sizeof b);
        break;
      }
      case varDate: {
        char b[8];
        PutBE<std::uint64_t>(b, DoubleBits(v.AsDateTime()));
        pk_.pack_ext(8, kExtDate);
        pk_.pack_ext_body(b, 8);
        break;
      }
      case varString: {
        AnsiString s = v.AsString();
        std::uint32_t n = Size32(s.size(), "Text");
        pk_.pack_bin(n);
        pk_.pack_bin_body(s.data(), n);
        break;
      }
      case varOleStr: {
        WideString w = v.AsWideString();
        std::string bytes(w.size() * 2, '\0');
        for (std::size_t i = 0; i < w.size(); ++i) {
          bytes[2 * i] = static_cast<char>(w[i] & 0xFF);
          bytes[2 * i + 1] = static_cast<char>(w[i] >> 8);
        }
        std::uint32_t n = Size32(bytes.size(), "Text");
        pk_.pack_ext(n, kExtWide);
        pk_.pack_ext_body(bytes.data(), n);
        break;
      }
      case varDispatch:
        Object(v.AsDispatch());
        break;
      default:
        throw EWireError("Cannot send a variant of type " + VarTypeAsText(type));
    }
  }

 private:
  void Object(const DispatchPtr& object) {
    char b[9] = {};
    if (object) {
      if (!objects_) throw EWireError("Cannot send an automation object here");
      TWireObjectRef ref = objects_->Export(object);
      b[0] = static_cast<char>(ref.OwnedByReceiver ? kOwnerReceiver : kOwnerSender);
      PutBE<std::uint64_t>(b + 1, ref.Id);
    } else {
      b[0] = static_cast<char>(kOwnerNone);
    }
    pk_.pack_ext(9, kExtObject);
    pk_.pack_ext_body(b, 9);
  }

  void Array(const Variant& v, std::size_t depth) {
    if (depth > limits_.MaxDepth)
      throw EWireError("Variant arrays nested too deeply to send (more than " +
                       Num(limits_.MaxDepth) + " levels)");
    std::size_t dims = static_cast<std::size_t>(VarArrayDimCount(v));
    if (dims == 0 || dims > kMaxDims)
      throw EWireError("Cannot send a variant array of " + Num(dims) + " dimensions");
    std::vector<int> bounds(2 * dims);
    std::size_t count = 1;
    for (std::size_t d = 0; d < dims; ++d) {
      bounds[2 * d] = VarArrayLowBound(v, static_cast<int>(d + 1));
      bounds[2 * d + 1] = VarArrayHighBound(v, static_cast<int>(d + 1));
      count *= static_cast<std::size_t>(std::int64_t{bounds[2 * d + 1]} - bounds[2 * d] + 1);
    }
    std::string header(3 + 8 * dims, '\0');
    PutBE<std::uint16_t>(header.data(), VarArrayElementType(v));
    header[2] = static_cast<char>(dims);
    for (std::size_t d = 0; d < dims; ++d) {
      PutBE<std::int32_t>(header.data() + 3 + 8 * d, bounds[2 * d]);
      PutBE<std::int32_t>(header.data() + 7 + 8 * d, bounds[2 * d + 1]);
    }
    pk_.pack_array(Size32(count + 1, "Array"));
    pk_.pack_ext(header.size(), kExtArray);
    pk_.pack_ext_body(header.data(), static_cast<std::uint32_t>(header.size()));
    if (count == 0) return;
    if (dims == 1) {
      for (int i = bounds[0];; ++i) {
        Value(v[i], depth);
        if (i == bounds[1]) break;
      }
      return;
    }
    std::vector<int> idx(dims);
    for (std::size_t d = 0; d < dims; ++d) idx[d] = bounds[2 * d];
    ConstAtFn at = kConstAt[dims - 1];
    for (std::size_t n = 0; n < count; ++n) {
      Value(at(v, idx.data()), depth);
      NextIndex(idx, bounds);
    }
  }

  Buffer& buf_;
  Packer& pk_;
  TWireObjectTable* objects_;
  const TWireLimits& limits_;
};

// ---- Decoding -----------------------------------------------------------------------------

// First pass over untrusted bytes: checks nesting and declared element counts against the
// limits and against the bytes present (every value takes at least one byte), so that the
// second pass, which allocates the declared arrays, only sees sizes that can be real.
class Validator : public msgpack::null_visitor {
 public:
  Validator(std::size_t size, const TWireLimits& limits) : size_(size), limits_(limits) {}

  bool start_array(std::uint32_t count) {
    if (++depth_ > limits_.MaxDepth)
      return Stop("arrays nested deeper than " + Num(limits_.MaxDepth) + " levels");
    if (count > size_)
      return Stop("array declares " + Num(count) + " elements but the message has only " +
                  Num(size_) + " bytes");
    elements_ += count;
    if (elements_ > limits_.MaxElements)
      return Stop("more than " + Num(limits_.MaxElements) + " values in one message");
    if (elements_ > size_)
      return Stop("arrays declare " + Num(elements_) + " elements but the message has only " +
                  Num(size_) + " bytes");
    return true;
  }
  bool end_array() {
    --depth_;
    return true;
  }
  bool start_map(std::uint32_t) { return Stop("maps are not used by the protocol"); }
  void parse_error(std::size_t, std::size_t offset) {
    if (error_.empty()) error_ = "not MessagePack (byte " + Num(offset) + ")";
  }
  void insufficient_bytes(std::size_t, std::size_t) {
    if (error_.empty()) error_ = "truncated";
  }
  const AnsiString& Error() const { return error_; }

 private:
  bool Stop(const AnsiString& error) {
    if (error_.empty()) error_ = error;
    return false;
  }
  std::size_t size_;
  const TWireLimits& limits_;
  std::size_t depth_ = 0;
  std::size_t elements_ = 0;
  AnsiString error_;
};

// Parses untrusted bytes into a MessagePack object tree after validating them.
msgpack::object_handle Parse(std::string_view bytes, const TWireLimits& limits) {
  if (bytes.empty()) Invalid("empty");
  if (bytes.size() > limits.MaxFrameSize)
    Invalid(Num(bytes.size()) + " bytes exceed the limit of " + Num(limits.MaxFrameSize));
  Validator check(bytes.size(), limits);
  std::size_t off = 0;
  bool parsed = false;
  try {
    parsed = msgpack::parse(bytes.data(), bytes.size(), off, check);
  } catch (const std::exception& e) {
    Invalid(e.what());
  }
  if (!parsed) Invalid(check.Error().empty() ? AnsiString("not MessagePack") : check.Error());
  if (off != bytes.size()) Invalid(Num(bytes.size() - off) + " bytes after the end");
  msgpack::unpack_limit limit(limits.MaxElements, 0, limits.MaxFrameSize, limits.MaxFrameSize,
                              limits.MaxFrameSize, limits.MaxDepth);
  try {
    // The tree refers to `bytes` rather than copying texts; it is used before they go.
    return msgpack::unpack(
        bytes.data(), bytes.size(),
        [](msgpack::type::object_type, std::size_t, void*) { return true; }, nullptr, limit);
  } catch (const std::exception& e) {
    Invalid(e.what());
  }
}

const char* TypeName(const msgpack::object& o) {
  switch (o.type) {
    case msgpack::type::NIL:
      return "nil";
    case msgpack::type::BOOLEAN:
      return "boolean";
    case msgpack::type::POSITIVE_INTEGER:
    case msgpack::type::NEGATIVE_INTEGER:
      return "integer";
    case msgpack::type::FLOAT32:
    case msgpack::type::FLOAT64:
      return "float";
    case msgpack::type::STR:
      return "text";
    case msgpack::type::BIN:
      return "binary";
    case msgpack::type::ARRAY:
      return "array";
    case msgpack::type::MAP:
      return "map";
    case msgpack::type::EXT:
      return "extension";
  }
  return "unknown";
}

[[noreturn]] void WrongType(const msgpack::object& o, const char* what) {
  Invalid(AnsiString(what) + " is " + TypeName(o));
}

std::uint64_t ToU64(const msgpack::object& o, const char* what) {
  if (o.type != msgpack::type::POSITIVE_INTEGER) {
    if (o.type == msgpack::type::NEGATIVE_INTEGER) Invalid(AnsiString(what) + " is negative");
    WrongType(o, what);
  }
  return o.via.u64;
}

std::int64_t ToI64(const msgpack::object& o, const char* what) {
  if (o.type == msgpack::type::NEGATIVE_INTEGER) return o.via.i64;
  if (o.type == msgpack::type::POSITIVE_INTEGER) {
    if (o.via.u64 > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      Invalid(AnsiString(what) + " out of range");
    return static_cast<std::int64_t>(o.via.u64);
  }
  WrongType(o, what);
}

AnsiString ToText(const msgpack::object& o, const char* what) {
  if (o.type == msgpack::type::STR) return AnsiString(o.via.str.ptr, o.via.str.size);
  if (o.type == msgpack::type::BIN) return AnsiString(o.via.bin.ptr, o.via.bin.size);
  WrongType(o, what);
}

bool ToBool(const msgpack::object& o, const char* what) {
  if (o.type != msgpack::type::BOOLEAN) WrongType(o, what);
  return o.via.boolean;
}

const msgpack::object_array& ToArray(const msgpack::object& o, const char* what) {
  if (o.type != msgpack::type::ARRAY) WrongType(o, what);
  return o.via.array;
}

class Decoder {
 public:
  explicit Decoder(TWireObjectTable* objects) : objects_(objects) {}

  Variant Value(const msgpack::object& o) {
    switch (o.type) {
      case msgpack::type::NIL:
        return Variant::NullValue();
      case msgpack::type::BOOLEAN:
        return Variant(o.via.boolean);
      case msgpack::type::POSITIVE_INTEGER:
      case msgpack::type::NEGATIVE_INTEGER: {
        std::int64_t i = ToI64(o, "integer");
        if (i < std::numeric_limits<std::int32_t>::min() ||
            i > std::numeric_limits<std::int32_t>::max())
          Invalid("integer " + std::to_string(i) + " out of range");
        return Variant(static_cast<int>(i));
      }
      case msgpack::type::FLOAT32:
      case msgpack::type::FLOAT64:
        return Variant(o.via.f64);
      case msgpack::type::STR:
      case msgpack::type::BIN:
        return Variant(ToText(o, "text"));
      case msgpack::type::EXT:
        return Ext(o.via.ext);
      case msgpack::type::ARRAY:
        return Array(o.via.array);
      case msgpack::type::MAP:
        break;
    }
    WrongType(o, "value");
  }

 private:
  Variant Ext(const msgpack::object_ext& e) {
    const char* d = e.data();
    auto need = [&](std::uint32_t size, const char* what) {
      if (e.size != size)
        Invalid(AnsiString(what) + " of " + Num(e.size) + " bytes (expected " + Num(size) + ")");
    };
    switch (e.type()) {
      case kExtEmpty:
        need(0, "empty value");
        return Variant();
      case kExtByte:
        need(1, "byte");
        return Variant(static_cast<std::uint8_t>(d[0]));
      case kExtSmallint:
        need(2, "smallint");
        return Variant(GetBE<std::int16_t>(d));
      case kExtDate:
        need(8, "date");
        return Variant::FromDate(BitsDouble(GetBE<std::uint64_t>(d)));
      case kExtWide: {
        if (e.size % 2 != 0) Invalid("wide text of an odd number of bytes");
        WideString w(e.size / 2, u'\0');
        for (std::size_t i = 0; i < w.size(); ++i)
          w[i] = static_cast<char16_t>(static_cast<std::uint8_t>(d[2 * i]) |
                                       (static_cast<std::uint8_t>(d[2 * i + 1]) << 8));
        return Variant(w);
      }
      case kExtObject: {
        need(9, "object reference");
        std::uint8_t owner = static_cast<std::uint8_t>(d[0]);
        std::uint64_t id = GetBE<std::uint64_t>(d + 1);
        if (owner == kOwnerNone) {
          if (id != 0) Invalid("unassigned object reference with an id");
          return Variant(DispatchPtr());
        }
        if (owner != kOwnerSender && owner != kOwnerReceiver)
          Invalid("object reference owner " + Num(owner));
        if (!objects_) Invalid("object reference where none can be received");
        DispatchPtr object = objects_->Import({id, owner == kOwnerReceiver});
        if (!object) Invalid("unknown object reference " + Num(id));
        return Variant(std::move(object));
      }
      case kExtArray:
        Invalid("array header outside an array");
      default:
        Invalid("unknown extension type " + std::to_string(int{e.type()}));
    }
  }

  Variant Array(const msgpack::object_array& a) {
    if (a.size == 0 || a.ptr[0].type != msgpack::type::EXT || a.ptr[0].via.ext.type() != kExtArray)
      Invalid("array without its header");
    const msgpack::object_ext& h = a.ptr[0].via.ext;
    if (h.size < 3) Invalid("short array header");
    TVarType elemType = GetBE<std::uint16_t>(h.data());
    std::size_t dims = static_cast<std::uint8_t>(h.data()[2]);
    if (dims == 0 || dims > kMaxDims) Invalid("array of " + Num(dims) + " dimensions");
    if (h.size != 3 + 8 * dims) Invalid("array header of " + Num(h.size) + " bytes");
    std::vector<int> bounds(2 * dims);
    const std::uint64_t present = a.size - 1;
    // The product of the lengths, held at present + 1 once it passes the elements present so
    // that it cannot overflow; a length of 0 makes it 0 whatever the others are.
    std::uint64_t count = 1;
    bool empty = false;
    for (std::size_t d = 0; d < dims; ++d) {
      bounds[2 * d] = GetBE<std::int32_t>(h.data() + 3 + 8 * d);
      bounds[2 * d + 1] = GetBE<std::int32_t>(h.data() + 7 + 8 * d);
      std::int64_t length = std::int64_t{bounds[2 * d + 1]} - bounds[2 * d] + 1;
      if (length < 0)
        Invalid("array bounds " + std::to_string(bounds[2 * d]) + ".." +
                std::to_string(bounds[2 * d + 1]));
      if (length == 0) empty = true;
      count = std::min(count * static_cast<std::uint64_t>(length), present + 1);
    }
    if (empty) count = 0;
    if (count != present)
      Invalid("array bounds give " + (count > present ? "more" : Num(count)) + " elements but " +
              Num(present) + " are present");
    Variant result;
    try {
      result = VarArrayCreate(bounds, elemType);
    } catch (const EVariantError&) {
      Invalid("array of element type " + Num(elemType));
    }
    if (count == 0) return result;
    if (dims == 1) {
      for (std::uint64_t i = 0; i < count; ++i)
        result[static_cast<int>(bounds[0] + static_cast<std::int64_t>(i))] = Value(a.ptr[i + 1]);
      return result;
    }
    std::vector<int> idx(dims);
    for (std::size_t d = 0; d < dims; ++d) idx[d] = bounds[2 * d];
    AtFn at = kAt[dims - 1];
    for (std::uint64_t n = 0; n < count; ++n) {
      at(result, idx.data()) = Value(a.ptr[n + 1]);
      NextIndex(idx, bounds);
    }
    return result;
  }

  TWireObjectTable* objects_;
};

// ---- Sockets ------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline` for poll(); -1 without a deadline.
int Remaining(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
  if (left.count() <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(left.count(), 1 << 30));
}

}  // namespace

// ---- Values ---------------------------------------------------------------------------------

std::string EncodeVariant(const Variant& value, TWireObjectTable* objects,
                          const TWireLimits& limits) {
  Buffer buf;
  Packer pk(buf);
  Encoder(buf, pk, objects, limits).Value(value, 0);
  return std::move(buf.data);
}

Variant DecodeVariant(std::string_view bytes, TWireObjectTable* objects,
                      const TWireLimits& limits) {
  msgpack::object_handle handle = Parse(bytes, limits);
  return Decoder(objects).Value(handle.get());
}

// ---- Frames ---------------------------------------------------------------------------------

std::string MakeFrame(std::string_view payload, const TWireLimits& limits) {
  if (payload.size() > limits.MaxFrameSize ||
      payload.size() > std::numeric_limits<std::uint32_t>::max())
    throw EWireError("Message of " + Num(payload.size()) + " bytes exceeds the limit of " +
                     Num(limits.MaxFrameSize) + " bytes");
  std::string frame(kWireFrameHeaderSize, '\0');
  PutBE<std::uint32_t>(frame.data(), static_cast<std::uint32_t>(payload.size()));
  frame.append(payload);
  return frame;
}

void TFrameDecoder::CheckHeader() const {
  if (Pending() < kWireFrameHeaderSize) return;
  std::uint32_t size = GetBE<std::uint32_t>(buffer_.data() + start_);
  if (size > maxFrameSize_)
    throw EWireError("Invalid frame: " + Num(size) + " bytes exceed the limit of " +
                     Num(maxFrameSize_) + " bytes");
}

void TFrameDecoder::Feed(const char* data, std::size_t size) {
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(data, size);
  CheckHeader();
}

bool TFrameDecoder::Next(std::string& payload) {
  CheckHeader();
  if (Pending() < kWireFrameHeaderSize) return false;
  std::size_t size = GetBE<std::uint32_t>(buffer_.data() + start_);
  if (Pending() - kWireFrameHeaderSize < size) return false;
  payload.assign(buffer_, start_ + kWireFrameHeaderSize, size);
  start_ += kWireFrameHeaderSize + size;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return true;
}

// ---- Messages -------------------------------------------------------------------------------

std::string EncodeMessage(const TWireMessage& m, TWireObjectTable* objects,
                          const TWireLimits& limits) {
  Buffer buf;
  Packer pk(buf);
  Encoder values(buf, pk, objects, limits);
  switch (m.Kind) {
    case TWireMessageKind::Connect:
      pk.pack_array(3);
      pk.pack_uint8(static_cast<std::uint8_t>(m.Kind));
      pk.pack_uint64(m.Id);
      PackText(pk, m.ServerName);
      break;
    case TWireMessageKind::Call:
      pk.pack_array(7);
      pk.pack_uint8(static_cast<std::uint8_t>(m.Kind));
      pk.pack_uint64(m.Id);
      pk.pack_uint64(m.ObjectId);
      PackText(pk, m.Member);
      pk.pack_uint8(static_cast<std::uint8_t>(m.CallKind));
      pk.pack_array(Size32(m.Args.size(), "Argument list"));
      for (const Variant& a : m.Args) values.Value(a, 2);
      pk.pack_array(Size32(m.ByRef.size(), "Argument list"));
      for (std::uint32_t i : m.ByRef) pk.pack_uint32(i);
      break;
    case TWireMessageKind::Answer:
      if (m.Ok) {
        pk.pack_array(5);
        pk.pack_uint8(static_cast<std::uint8_t>(m.Kind));
        pk.pack_uint64(m.Id);
        pk.pack_true();
        values.Value(m.Result, 1);
        pk.pack_array(Size32(2 * m.ByRefValues.size(), "Argument list"));
        for (const auto& [index, value] : m.ByRefValues) {
          pk.pack_uint32(index);
          values.Value(value, 2);
        }
      } else {
        pk.pack_array(6);
        pk.pack_uint8(static_cast<std::uint8_t>(m.Kind));
        pk.pack_uint64(m.Id);
        pk.pack_false();
        PackText(pk, m.ErrorClass);
        PackText(pk, m.ErrorMessage);
        pk.pack_int32(m.ErrorCode);
      }
      break;
    case TWireMessageKind::Release:
      pk.pack_array(2);
      pk.pack_uint8(static_cast<std::uint8_t>(m.Kind));
      pk.pack_array(Size32(2 * m.Released.size(), "Release list"));
      for (const auto& [id, count] : m.Released) {
        pk.pack_uint64(id);
        pk.pack_uint64(count);
      }
      break;
    default:
      throw EWireError("Cannot send a message of kind " + Num(static_cast<unsigned>(m.Kind)));
  }
  if (buf.data.size() > limits.MaxFrameSize)
    throw EWireError("Message of " + Num(buf.data.size()) + " bytes exceeds the limit of " +
                     Num(limits.MaxFrameSize) + " bytes");
  return std::move(buf.data);
}

TWireMessage DecodeMessage(std::string_view payload, TWireObjectTable* objects,
                           const TWireLimits& limits) {
  msgpack::object_handle handle = Parse(payload, limits);
  const msgpack::object_array& a = ToArray(handle.get(), "message");
  if (a.size < 2) Invalid("message of " + Num(a.size) + " elements");
  auto expect = [&](std::uint32_t size, const char* what) {
    if (a.size != size)
      Invalid(AnsiString(what) + " message of " + Num(a.size) + " elements (expected " + Num(size) +
              ")");
  };
  TWireMessage m;
  Decoder values(objects);
  std::uint64_t kind = ToU64(a.ptr[0], "message kind");
  switch (kind) {
    case static_cast<std::uint64_t>(TWireMessageKind::Connect):
      expect(3, "connect");
      m.Kind = TWireMessageKind::Connect;
      m.Id = ToU64(a.ptr[1], "message id");
      m.ServerName = ToText(a.ptr[2], "server name");
      break;
    case static_cast<std::uint64_t>(TWireMessageKind::Call): {
      expect(7, "call");
      m.Kind = TWireMessageKind::Call;
      m.Id = ToU64(a.ptr[1], "message id");
      m.ObjectId = ToU64(a.ptr[2], "object id");
      m.Member = ToText(a.ptr[3], "member name");
      std::uint64_t callKind = ToU64(a.ptr[4], "call kind");
      if (callKind > static_cast<std::uint64_t>(TWireCallKind::HasMember))
        Invalid("call kind " + Num(callKind));
      m.CallKind = static_cast<TWireCallKind>(callKind);
      const msgpack::object_array& args = ToArray(a.ptr[5], "argument list");
      m.Args.reserve(args.size);
      for (std::uint32_t i = 0; i < args.size; ++i) m.Args.push_back(values.Value(args.ptr[i]));
      const msgpack::object_array& byRef = ToArray(a.ptr[6], "by-reference list");
      std::set<std::uint32_t> seen;
      for (std::uint32_t i = 0; i < byRef.size; ++i) {
        std::uint64_t index = ToU64(byRef.ptr[i], "by-reference index");
        if (index >= args.size) Invalid("by-reference index " + Num(index) + " out of range");
        if (!seen.insert(static_cast<std::uint32_t>(index)).second)
          Invalid("by-reference index " + Num(index) + " repeated");
        m.ByRef.push_back(static_cast<std::uint32_t>(index));
      }
      break;
    }
    case static_cast<std::uint64_t>(TWireMessageKind::Answer): {
      if (a.size < 3) Invalid("answer message of " + Num(a.size) + " elements");
      m.Kind = TWireMessageKind::Answer;
      m.Id = ToU64(a.ptr[1], "message id");
      m.Ok = ToBool(a.ptr[2], "answer status");
      if (m.Ok) {
        expect(5, "answer");
        m.Result = values.Value(a.ptr[3]);
        const msgpack::object_array& pairs = ToArray(a.ptr[4], "by-reference values");
        if (pairs.size % 2 != 0) Invalid("by-reference values of an odd length");
        for (std::uint32_t i = 0; i < pairs.size; i += 2) {
          std::uint64_t index = ToU64(pairs.ptr[i], "by-reference index");
          if (index > std::numeric_limits<std::uint32_t>::max())
            Invalid("by-reference index " + Num(index) + " out of range");
          m.ByRefValues.emplace_back(static_cast<std::uint32_t>(index),
                                     values.Value(pairs.ptr[i + 1]));
        }
      } else {
        expect(6, "error answer");
        m.ErrorClass = ToText(a.ptr[3], "exception class");
        m.ErrorMessage = ToText(a.ptr[4], "error message");
        std::int64_t code = ToI64(a.ptr[5], "error code");
        if (code < std::numeric_limits<std::int32_t>::min() ||
            code > std::numeric_limits<std::uint32_t>::max())
          Invalid("error code out of range");
        m.ErrorCode = static_cast<HRESULT>(static_cast<std::uint32_t>(code));
      }
      break;
    }
    case static_cast<std::uint64_t>(TWireMessageKind::Release): {
      expect(2, "release");
      m.Kind = TWireMessageKind::Release;
      const msgpack::object_array& pairs = ToArray(a.ptr[1], "release list");
      if (pairs.size % 2 != 0) Invalid("release list of an odd length");
      for (std::uint32_t i = 0; i < pairs.size; i += 2) {
        std::uint64_t id = ToU64(pairs.ptr[i], "object id");
        std::uint64_t count = ToU64(pairs.ptr[i + 1], "release count");
        if (id == 0 || count == 0) Invalid("release of object " + Num(id) + " by " + Num(count));
        m.Released.emplace_back(id, count);
      }
      break;
    }
    default:
      Invalid("unknown message kind " + Num(kind));
  }
  return m;
}

AnsiString WireEndpoint(std::string_view host, int port) {
  if (host.find(':') != std::string_view::npos)
    return "[" + AnsiString(host) + "]:" + std::to_string(port);
  return AnsiString(host) + ":" + std::to_string(port);
}

// ---- Channels -------------------------------------------------------------------------------

// A dispatch object on the other side of a channel.
class TWireChannel::Proxy : public IDispatch, public IWireRemoteObject {
 public:
  Proxy(std::shared_ptr<TWireChannel> channel, std::uint64_t id)
      : channel_(std::move(channel)), id_(id) {}
  ~Proxy() override { channel_->ProxyGone(id_, this); }

  Variant Invoke(std::string_view name, TDispatchKind kind, std::vector<Variant>& args) override {
    TWireCallKind wireKind = kind == TDispatchKind::PropertyGet   ? TWireCallKind::PropertyGet
                             : kind == TDispatchKind::PropertyPut ? TWireCallKind::PropertyPut
                                                                  : TWireCallKind::Method;
    return channel_->Call(id_, name, wireKind, args);
  }
  bool HasMember(std::string_view name) const override {
    std::vector<Variant> none;
    return channel_->Call(id_, name, TWireCallKind::HasMember, none).AsBoolean();
  }
  bool RemoteIdOn(const TWireChannel* channel, std::uint64_t& id) const override {
    if (channel != channel_.get()) return false;
    id = id_;
    return true;
  }

 private:
  std::shared_ptr<TWireChannel> channel_;
  std::uint64_t id_;
};

std::shared_ptr<TWireChannel> TWireChannel::Create(int fd, AnsiString peer, AnsiString peerKind,
                                                   int timeoutMs, const TWireLimits& limits) {
  return std::shared_ptr<TWireChannel>(
      new TWireChannel(fd, std::move(peer), std::move(peerKind), timeoutMs, limits));
}

TWireChannel::TWireChannel(int fd, AnsiString peer, AnsiString peerKind, int timeoutMs,
                           const TWireLimits& limits)
    : peer_(std::move(peer)),
      peerKind_(std::move(peerKind)),
      timeoutMs_(timeoutMs),
      limits_(limits),
      fd_(fd),
      decoder_(limits.MaxFrameSize) {
  if (fd_ >= 0) {
    int flags = ::fcntl(fd_, F_GETFL, 0);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
}

TWireChannel::~TWireChannel() {
  Close();
}

bool TWireChannel::IsOpen() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return fd_ >= 0 && !shutdown_;
}

void TWireChannel::Shutdown() noexcept {
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (fd_ >= 0 && !shutdown_) {
    ::shutdown(fd_, SHUT_RDWR);
    shutdown_ = true;
  }
}

void TWireChannel::Close() noexcept {
  Shutdown();
  // A call running on another thread has been woken by the shutdown; wait for it to leave
  // before the descriptor is closed, so that it never uses a reused descriptor.
  std::lock_guard<std::recursive_mutex> call(callMutex_);
  std::map<std::uint64_t, Exported> exports;
  DispatchPtr root;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    exports.swap(exports_);
    exportIds_.clear();
    root.swap(root_);
    pendingReleases_.clear();
  }
  // The objects go here, outside the locks: their destructors may drop proxies.
}

void TWireChannel::Fail(const AnsiString& reason) {
  Close();
  throw ESocketConnectionError("Socket error: " + reason + " (" + peer_ + ")");
}

TWireObjectRef TWireChannel::Export(const DispatchPtr& object) {
  if (const auto* remote = dynamic_cast<const IWireRemoteObject*>(object.get())) {
    std::uint64_t id = 0;
    if (remote->RemoteIdOn(this, id)) return {id, true};
  }
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (fd_ < 0) throw ESocketConnectionError("Socket error: not connected (" + peer_ + ")");
  auto found = exportIds_.find(object.get());
  if (found != exportIds_.end()) {
    ++exports_[found->second].count;
    return {found->second, false};
  }
  std::uint64_t id = ++nextObjectId_;
  exports_[id] = Exported{object, 1};
  exportIds_[object.get()] = id;
  return {id, false};
}

DispatchPtr TWireChannel::Import(const TWireObjectRef& ref) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (ref.OwnedByReceiver) {
    if (ref.Id == 0) {
      if (!root_) Invalid("reference to a server object that does not exist");
      return root_;
    }
    auto it = exports_.find(ref.Id);
    if (it == exports_.end()) Invalid("unknown object reference " + Num(ref.Id));
    return it->second.object;
  }
  if (ref.Id == 0) Invalid("object reference 0");
  Imported& entry = imports_[ref.Id];
  if (DispatchPtr existing = entry.proxy.lock()) {
    ++entry.count;
    return existing;
  }
  // A proxy of this id that is being destroyed leaves its counts to be released here.
  if (entry.count > 0) pendingReleases_.emplace_back(ref.Id, entry.count);
  auto proxy = std::make_shared<Proxy>(shared_from_this(), ref.Id);
  entry.proxy = proxy;
  entry.raw = static_cast<const void*>(proxy.get());
  entry.count = 1;
  return proxy;
}

void TWireChannel::ProxyGone(std::uint64_t id, const void* raw) noexcept {
  std::lock_guard<std::mutex> lock(stateMutex_);
  auto it = imports_.find(id);
  if (it == imports_.end() || it->second.raw != raw) return;
  if (fd_ >= 0) pendingReleases_.emplace_back(id, it->second.count);
  imports_.erase(it);
}

std::size_t TWireChannel::ExportedCount() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return exports_.size();
}

void TWireChannel::SendPayload(const std::string& payload) {
  std::string bytes;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> released;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    released.swap(pendingReleases_);
  }
  if (!released.empty()) {
    TWireMessage r;
    r.Kind = TWireMessageKind::Release;
    r.Released = std::move(released);
    bytes = MakeFrame(EncodeMessage(r, nullptr, limits_), limits_);
  }
  bytes += MakeFrame(payload, limits_);

  std::optional<Clock::time_point> deadline;
  if (timeoutMs_ > 0) deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    int fd;
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      if (fd_ < 0 || shutdown_)
        fd = -1;
      else
        fd = fd_;
    }
    if (fd < 0) Fail("connection closed");
    ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      int r = ::poll(&p, 1, Remaining(deadline));
      if (r == 0) Fail("timed out sending to the " + peerKind_);
      continue;
    }
    if (n < 0 && (errno == EPIPE || errno == ECONNRESET))
      Fail("connection closed by the " + peerKind_);
    Fail(AnsiString("sending failed: ") + std::strerror(errno));
  }
}

void TWireChannel::Send(const TWireMessage& message) {
  SendPayload(EncodeMessage(message, this, limits_));
}

TWireMessage TWireChannel::Receive(bool bounded) {
  std::optional<Clock::time_point> deadline;
  if (bounded && timeoutMs_ > 0) deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
  std::string payload;
  for (;;) {
    bool complete = false;
    try {
      complete = decoder_.Next(payload);
    } catch (const EWireError& e) {
      Fail("invalid message from the " + peerKind_ + ": " + e.Message());
    }
    if (complete) break;
    int fd;
    {
      std::lock_guard<std::mutex> lock(stateMutex_);
      fd = (fd_ < 0 || shutdown_) ? -1 : fd_;
    }
    if (fd < 0) Fail("connection closed");
    pollfd p{fd, POLLIN, 0};
    int r = ::poll(&p, 1, Remaining(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) Fail("timed out waiting for the " + peerKind_);
    char chunk[64 * 1024];
    ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n == 0) Fail("connection closed by the " + peerKind_);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      if (errno == ECONNRESET) Fail("connection closed by the " + peerKind_);
      Fail(AnsiString("receiving failed: ") + std::strerror(errno));
    }
    try {
      decoder_.Feed(chunk, static_cast<std::size_t>(n));
    } catch (const EWireError& e) {
      Fail("invalid message from the " + peerKind_ + ": " + e.Message());
    }
  }
  try {
    return DecodeMessage(payload, this, limits_);
  } catch (const EWireError& e) {
    Fail("invalid message from the " + peerKind_ + ": " + e.Message());
  }
}

void TWireChannel::Connect(const AnsiString& serverName) {
  std::lock_guard<std::recursive_mutex> lock(callMutex_);
  if (!IsOpen()) throw ESocketConnectionError("Socket error: not connected (" + peer_ + ")");
  TWireMessage m;
  m.Kind = TWireMessageKind::Connect;
  m.Id = ++nextMessageId_;
  m.ServerName = serverName;
  Send(m);
  std::vector<Variant> none;
  try {
    WaitForAnswer(m.Id, none);
  } catch (const EOleException&) {
    // The server refused to create its object; the connection is of no further use.
    Close();
    throw;
  }
}

Variant TWireChannel::Call(std::uint64_t objectId, std::string_view name, TWireCallKind kind,
                           std::vector<Variant>& args) {
  std::thread::id serving = servingThread_.load();
  if (serving != std::thread::id() && serving != std::this_thread::get_id())
    throw EOleError("Objects of a client can only be called on its connection's thread");
  std::lock_guard<std::recursive_mutex> lock(callMutex_);
  if (!IsOpen()) throw ESocketConnectionError("Socket error: not connected (" + peer_ + ")");
  TWireMessage m;
  m.Kind = TWireMessageKind::Call;
  m.Id = ++nextMessageId_;
  m.ObjectId = objectId;
  m.Member = AnsiString(name);
  m.CallKind = kind;
  for (std::size_t i = 0; i < args.size(); ++i)
    if (args[i].IsByRef()) m.ByRef.push_back(static_cast<std::uint32_t>(i));
  // The arguments are lent to the message for encoding rather than copied (a data packet
  // can be large). Arguments that cannot be sent fail here, before anything is sent.
  std::string payload;
  {
    struct Lend {
      std::vector<Variant>& from;
      std::vector<Variant>& to;
      ~Lend() { from.swap(to); }
    } lend{args, m.Args};
    args.swap(m.Args);
    payload = EncodeMessage(m, this, limits_);
  }
  SendPayload(payload);
  return WaitForAnswer(m.Id, args);
}

Variant TWireChannel::WaitForAnswer(std::uint64_t id, std::vector<Variant>& args) {
  for (;;) {
    TWireMessage m = Receive(true);
    switch (m.Kind) {
      case TWireMessageKind::Answer:
        if (m.Id != id)
          Fail("invalid message from the " + peerKind_ + ": answer " + Num(m.Id) +
               " does not match call " + Num(id));
        if (!m.Ok) throw EOleException(m.ErrorMessage, m.ErrorCode, m.ErrorClass);
        for (auto& [index, value] : m.ByRefValues)
          if (index < args.size() && args[index].IsByRef()) args[index].Assign(value);
        return std::move(m.Result);
      case TWireMessageKind::Call:
        Answer(m);
        break;
      case TWireMessageKind::Release:
        Release(m);
        break;
      case TWireMessageKind::Connect:
        Fail("invalid message from the " + peerKind_ + ": connect message during a call");
    }
  }
}

void TWireChannel::Serve(const TConnectHandler& onConnect) {
  std::lock_guard<std::recursive_mutex> lock(callMutex_);
  servingThread_.store(std::this_thread::get_id());
  struct Reset {
    TWireChannel* self;
    ~Reset() { self->servingThread_.store(std::thread::id()); }
  } reset{this};
  for (;;) {
    {
      // The client closing the connection between messages ends the conversation.
      std::lock_guard<std::mutex> state(stateMutex_);
      if (fd_ < 0) return;
    }
    if (decoder_.Pending() == 0) {
      int fd;
      {
        std::lock_guard<std::mutex> state(stateMutex_);
        fd = shutdown_ ? -1 : fd_;
      }
      if (fd < 0) return;
      pollfd p{fd, POLLIN, 0};
      int r = ::poll(&p, 1, -1);
      if (r < 0 && errno == EINTR) continue;
      char probe;
      ssize_t n = ::recv(fd, &probe, 1, MSG_PEEK);
      if (n == 0) return;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return;
      if (n < 0) continue;
    }
    TWireMessage m = Receive(false);
    switch (m.Kind) {
      case TWireMessageKind::Connect: {
        if (connected_) Fail("invalid message from the client: second connect message");
        connected_ = true;
        TWireMessage reply;
        reply.Kind = TWireMessageKind::Answer;
        reply.Id = m.Id;
        DispatchPtr root;
        try {
          root = onConnect(m.ServerName);
          if (!root) throw EOleSysError("Unspecified error", E_FAIL);
          reply.Ok = true;
        } catch (const EOleSysError& e) {
          reply.ErrorClass = e.ClassName();
          reply.ErrorMessage = e.Message();
          reply.ErrorCode = e.ErrorCode();
        } catch (const Exception& e) {
          reply.ErrorClass = e.ClassName();
          reply.ErrorMessage = e.Message();
          reply.ErrorCode = E_FAIL;
        } catch (const std::exception& e) {
          reply.ErrorMessage = e.what();
          reply.ErrorCode = E_FAIL;
        }
        {
          std::lock_guard<std::mutex> state(stateMutex_);
          root_ = std::move(root);
        }
        Send(reply);
        if (!reply.Ok) {
          Close();
          return;
        }
        break;
      }
      case TWireMessageKind::Call:
        if (!connected_) Fail("invalid message from the client: call before connecting");
        Answer(m);
        break;
      case TWireMessageKind::Release:
        Release(m);
        break;
      case TWireMessageKind::Answer:
        Fail("invalid message from the client: answer without a call");
    }
  }
}

void TWireChannel::Answer(TWireMessage& call) {
  TWireMessage reply;
  reply.Kind = TWireMessageKind::Answer;
  reply.Id = call.Id;
  DispatchPtr target;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (call.ObjectId == 0) {
      target = root_;
    } else {
      auto it = exports_.find(call.ObjectId);
      if (it != exports_.end()) target = it->second.object;
    }
  }
  // By-reference arguments refer to local copies whose new values go back in the answer.
  std::vector<Variant> locals = std::move(call.Args);
  std::vector<Variant> args(locals.size());
  std::vector<bool> byRef(locals.size(), false);
  for (std::uint32_t i : call.ByRef) byRef[i] = true;
  for (std::size_t i = 0; i < locals.size(); ++i)
    args[i] = byRef[i] ? VarRef(locals[i]) : std::move(locals[i]);
  try {
    if (!target) throw EOleError("Remote object " + Num(call.ObjectId) + " does not exist");
    if (call.CallKind == TWireCallKind::HasMember) {
      reply.Result = Variant(target->HasMember(call.Member));
    } else {
      TDispatchKind kind = call.CallKind == TWireCallKind::PropertyGet ? TDispatchKind::PropertyGet
                           : call.CallKind == TWireCallKind::PropertyPut
                               ? TDispatchKind::PropertyPut
                               : TDispatchKind::Method;
      reply.Result = target->Invoke(call.Member, kind, args);
    }
    reply.Ok = true;
    for (std::uint32_t i : call.ByRef) reply.ByRefValues.emplace_back(i, locals[i]);
  } catch (const EOleException& e) {
    reply.ErrorClass = e.Source().empty() ? AnsiString(e.ClassName()) : e.Source();
    reply.ErrorMessage = e.Message();
    reply.ErrorCode = e.ErrorCode();
  } catch (const EOleSysError& e) {
    reply.ErrorClass = e.ClassName();
    reply.ErrorMessage = e.Message();
    reply.ErrorCode = e.ErrorCode();
  } catch (const Exception& e) {
    reply.ErrorClass = e.ClassName();
    reply.ErrorMessage = e.Message();
    reply.ErrorCode = DISP_E_EXCEPTION;
  } catch (const std::exception& e) {
    reply.ErrorMessage = e.what();
    reply.ErrorCode = DISP_E_EXCEPTION;
  }
  std::string payload;
  try {
    payload = EncodeMessage(reply, this, limits_);
  } catch (const EWireError& e) {
    // A result that cannot be sent is answered as an error of the call.
    TWireMessage failed;
    failed.Kind = TWireMessageKind::Answer;
    failed.Id = call.Id;
    failed.ErrorClass = e.ClassName();
    failed.ErrorMessage = e.Message();
    failed.ErrorCode = DISP_E_EXCEPTION;
    payload = EncodeMessage(failed, this, limits_);
  }
  SendPayload(payload);
}

void TWireChannel::Release(const TWireMessage& message) {
  std::vector<DispatchPtr> dropped;
  bool invalid = false;
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    for (const auto& [id, count] : message.Released) {
      auto it = exports_.find(id);
      if (it == exports_.end() || count > it->second.count) {
        invalid = true;
        break;
      }
      it->second.count -= count;
      if (it->second.count == 0) {
        dropped.push_back(std::move(it->second.object));
        exportIds_.erase(dropped.back().get());
        exports_.erase(it);
      }
    }
  }
  dropped.clear();
  if (invalid)
    Fail("invalid message from the " + peerKind_ + ": release of an object it does not hold");
}

}  // namespace vcl
