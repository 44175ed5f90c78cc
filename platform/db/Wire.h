// The remote-call protocol between a socket connection and an application server host.
//
// Values travel as MessagePack. Null, booleans, integers and doubles use MessagePack's own
// types; ANSI text is sent as binary (the bytes as they are); the other variant kinds are
// extension values: empty, byte, smallint, date, wide text (UTF-16 code units), object
// references and the header that starts an array (element type and the bounds of each
// dimension, followed by the elements with the first index varying fastest). By-reference
// variants are sent as the value they refer to.
//
// A frame is a 4-byte big-endian length followed by that many bytes of one message, itself a
// MessagePack array whose first element is the message kind:
//   connect  [1, id, server name]
//   call     [2, id, object id, member, call kind, [arguments], [by-reference indexes]]
//   answer   [3, id, true, result, [index, value, index, value ...]]
//            [3, id, false, exception class, message, error code]
//   release  [4, [object id, count, object id, count ...]]
// Object id 0 is the connection's server object. An object passed in a message is added to
// the sender's object table and counted; the receiver calls it through a proxy and releases
// its counts once the proxy is gone.
//
// Decoding never trusts a declared size: frames, nesting depth and the number of elements are
// checked against TWireLimits and against the bytes actually present before anything is
// allocated, and every malformed input raises EWireError.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Variant.h"

namespace vcl {

// A value or message that cannot be encoded, or bytes that are not a valid frame or message.
VCL_DECLARE_EXCEPTION(EWireError, Exception)

struct TWireLimits {
  std::size_t MaxFrameSize = std::size_t{64} << 20;  // bytes of one message
  std::size_t MaxDepth = 64;                         // nesting of arrays in one message
  std::size_t MaxElements = std::size_t{8} << 20;    // values in one message, all arrays added
};

// ---- Object references ------------------------------------------------------------------

// How a dispatch object is named in a message: an id in the sender's table, or (when a proxy
// goes back to the side that owns the object) an id in the receiver's table.
struct TWireObjectRef {
  std::uint64_t Id = 0;
  bool OwnedByReceiver = false;
};

// Gives dispatch objects ids when they are sent and turns received ids back into objects.
class TWireObjectTable {
 public:
  virtual ~TWireObjectTable() = default;
  virtual TWireObjectRef Export(const DispatchPtr& object) = 0;
  virtual DispatchPtr Import(const TWireObjectRef& ref) = 0;
};

// ---- Values -----------------------------------------------------------------------------

// MessagePack bytes of one value. Dispatch objects other than an unassigned one need
// `objects`; without it they raise EWireError, as do arrays nested deeper than
// `limits.MaxDepth`.
std::string EncodeVariant(const Variant& value, TWireObjectTable* objects = nullptr,
                          const TWireLimits& limits = {});
// The value of MessagePack bytes made by EncodeVariant; raises EWireError for anything else.
Variant DecodeVariant(std::string_view bytes, TWireObjectTable* objects = nullptr,
                      const TWireLimits& limits = {});

// ---- Frames -----------------------------------------------------------------------------

inline constexpr std::size_t kWireFrameHeaderSize = 4;

// The frame of `payload`; a payload larger than `limits.MaxFrameSize` raises EWireError.
std::string MakeFrame(std::string_view payload, const TWireLimits& limits = {});

// Cuts a byte stream into frame payloads. The buffer grows only with the bytes received, so a
// header that declares a large frame allocates nothing until the bytes arrive.
class TFrameDecoder {
 public:
  explicit TFrameDecoder(std::size_t maxFrameSize = TWireLimits().MaxFrameSize)
      : maxFrameSize_(maxFrameSize) {}
  // Adds received bytes. A frame header declaring more than the maximum raises EWireError.
  void Feed(const char* data, std::size_t size);
  // Takes the next complete payload; false when none is complete yet.
  bool Next(std::string& payload);
  // Bytes received and not yet returned.
  std::size_t Pending() const { return buffer_.size() - start_; }

 private:
  void CheckHeader() const;
  std::size_t maxFrameSize_;
  std::string buffer_;
  std::size_t start_ = 0;  // where the unread bytes begin
};

// ---- Messages ---------------------------------------------------------------------------

enum class TWireMessageKind : std::uint8_t { Connect = 1, Call = 2, Answer = 3, Release = 4 };
// How a member is called; HasMember asks whether the object has the member.
enum class TWireCallKind : std::uint8_t {
  Method = 0,
  PropertyGet = 1,
  PropertyPut = 2,
  HasMember = 3
};

struct TWireMessage {
  TWireMessageKind Kind = TWireMessageKind::Call;
  std::uint64_t Id = 0;  // pairs an answer with its connect or call message
  // Connect
  AnsiString ServerName;
  // Call
  std::uint64_t ObjectId = 0;
  AnsiString Member;
  TWireCallKind CallKind = TWireCallKind::Method;
  std::vector<Variant> Args;
  std::vector<std::uint32_t> ByRef;  // indexes of the by-reference arguments
  // Answer
  bool Ok = false;
  Variant Result;
  std::vector<std::pair<std::uint32_t, Variant>> ByRefValues;  // new values of those arguments
  AnsiString ErrorClass;
  AnsiString ErrorMessage;
  HRESULT ErrorCode = 0;
  // Release
  std::vector<std::pair<std::uint64_t, std::uint64_t>> Released;  // object id, count
};

// The payload of a message (without the frame header). Raises EWireError for a value that
// cannot be sent.
std::string EncodeMessage(const TWireMessage& message, TWireObjectTable* objects = nullptr,
                          const TWireLimits& limits = {});
// The message of a payload; raises EWireError "Invalid message: ..." for anything malformed.
TWireMessage DecodeMessage(std::string_view payload, TWireObjectTable* objects = nullptr,
                           const TWireLimits& limits = {});

// ---- Channels ---------------------------------------------------------------------------

class TWireChannel;

// Implemented by proxies of objects that live on the other side of a channel, so that such a
// proxy sent back is named by its owner's id.
class IWireRemoteObject {
 public:
  virtual ~IWireRemoteObject() = default;
  // True, with the object's id, when the object lives on the other side of `channel`.
  virtual bool RemoteIdOn(const TWireChannel* channel, std::uint64_t& id) const = 0;
};

// One connection speaking the protocol over a connected socket, for either side. Calls wait
// for their answer and serve the other side's calls that arrive meanwhile (an object passed
// as an argument may be called back during the call). A failure of the socket, a time-out
// or a malformed message closes the channel and raises ESocketConnectionError; after that no
// answer can arrive on it any more.
class TWireChannel : public TWireObjectTable, public std::enable_shared_from_this<TWireChannel> {
 public:
  using TConnectHandler = std::function<DispatchPtr(const AnsiString& serverName)>;

  // Takes over the connected socket `fd`. `peer` names the other end in messages
  // ("127.0.0.1:211"), `peerKind` says what it is ("server" or "client"). `timeoutMs` bounds
  // each send and each wait for an answer; 0 or less waits without a bound.
  static std::shared_ptr<TWireChannel> Create(int fd, AnsiString peer, AnsiString peerKind,
                                              int timeoutMs, const TWireLimits& limits = {});
  ~TWireChannel() override;
  TWireChannel(const TWireChannel&) = delete;
  TWireChannel& operator=(const TWireChannel&) = delete;

  const AnsiString& Peer() const { return peer_; }
  bool IsOpen() const;

  // Asks the server to create its object `serverName`; the server's refusal raises
  // EOleException with its message and error code (and closes the channel).
  void Connect(const AnsiString& serverName);
  // Calls member `name` of object `objectId` on the other side (0: the server object).
  // By-reference arguments receive their new values; an error answer raises EOleException
  // with the other side's message, error code and exception class (as Source). Arguments
  // that cannot be sent raise EWireError and leave the channel open.
  Variant Call(std::uint64_t objectId, std::string_view name, TWireCallKind kind,
               std::vector<Variant>& args);
  // Server side: answers messages until the client closes the connection. The first message
  // must connect; `onConnect` creates the server object (what it raises is the answer).
  // A malformed message or a failing socket closes the channel and raises
  // ESocketConnectionError. Objects of the client passed to the server can be called back
  // only on the thread running Serve (during the client's call); other threads get EOleError.
  void Serve(const TConnectHandler& onConnect);
  // Wakes a Call or Serve blocked on the socket from any thread; they end as closed.
  void Shutdown() noexcept;
  // Shuts down and closes the socket and drops the objects the other side held.
  void Close() noexcept;

  TWireObjectRef Export(const DispatchPtr& object) override;
  DispatchPtr Import(const TWireObjectRef& ref) override;
  // Objects of this side the other side holds references to.
  std::size_t ExportedCount() const;

 private:
  class Proxy;
  struct Exported {
    DispatchPtr object;
    std::uint64_t count = 0;
  };
  struct Imported {
    std::weak_ptr<IDispatch> proxy;
    const void* raw = nullptr;  // the proxy, to know whether a dying proxy is still this entry
    std::uint64_t count = 0;
  };

  TWireChannel(int fd, AnsiString peer, AnsiString peerKind, int timeoutMs,
               const TWireLimits& limits);
  [[noreturn]] void Fail(const AnsiString& reason);
  void Send(const TWireMessage& message);
  void SendPayload(const std::string& payload);
  TWireMessage Receive(bool bounded);
  Variant WaitForAnswer(std::uint64_t id, std::vector<Variant>& args);
  void Handle(const TWireMessage& message);
  void Answer(TWireMessage& call);
  void Release(const TWireMessage& message);
  void ProxyGone(std::uint64_t id, const void* raw) noexcept;

  const AnsiString peer_;
  const AnsiString peerKind_;
  const int timeoutMs_;
  const TWireLimits limits_;

  std::recursive_mutex callMutex_;  // held by Call and Serve: one conversation at a time
  mutable std::mutex stateMutex_;   // the socket and the object tables
  int fd_ = -1;
  bool shutdown_ = false;
  std::atomic<std::thread::id> servingThread_{};
  TFrameDecoder decoder_;
  std::uint64_t nextMessageId_ = 0;
  DispatchPtr root_;
  bool connected_ = false;  // server side: the connect message was answered
  std::uint64_t nextObjectId_ = 0;
  std::map<std::uint64_t, Exported> exports_;
  std::map<const IDispatch*, std::uint64_t> exportIds_;
  std::map<std::uint64_t, Imported> imports_;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pendingReleases_;
};

// "host:port", with IPv6 addresses in brackets.
AnsiString WireEndpoint(std::string_view host, int port);

}  // namespace vcl
