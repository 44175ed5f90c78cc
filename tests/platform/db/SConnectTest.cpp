#include "platform/db/SConnect.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/ComObj.h"
#include "platform/db/AppServerHost.h"

using namespace vcl;
using namespace std::chrono_literals;

namespace {

constexpr const char* kProgID = "SConnectTest.Server";

// ---- Server objects -------------------------------------------------------------------------

std::atomic<int> gInstances{0};
std::atomic<int> gLiveChildren{0};

// Lets a test hold a server method until it opens the gate (or five seconds pass).
class Gate {
 public:
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    entered_ = false;
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    cv_.notify_all();
  }
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    entered_ = true;
    cv_.notify_all();
    cv_.wait_for(lock, 5s, [this] { return open_; });
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, 5s, [this] { return entered_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
  bool entered_ = false;
};
Gate gGate;

class TChild : public TAutoObject {
 public:
  explicit TChild(AnsiString name) : name_(std::move(name)) {
    ++gLiveChildren;
    DefineProperty("Name", [this](std::vector<Variant>&) { return Variant(name_); });
    DefineMethod("Greet", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      return Variant("Hello " + a[0].AsString() + " from " + name_);
    });
  }
  ~TChild() override { --gLiveChildren; }

 private:
  AnsiString name_;
};

class TTestServer : public TAutoObject {
 public:
  TTestServer() : id_(++gInstances) {
    DefineMethod("Echo", [](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      return a[0].Deref();
    });
    DefineMethod("Add", [](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      return Variant(a[0].AsInteger() + a[1].AsInteger());
    });
    DefineMethod("Swap", [](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      Variant first = a[0].Deref();
      SetArg(a, 0, a[1].Deref());
      SetArg(a, 1, first);
      return Variant();
    });
    // Multiplies its first argument in place; writing the second only changes the callee's
    // copy when it is passed by value.
    DefineMethod("Scale", [](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      SetArg(a, 0, Variant(a[0].AsDouble() * a[1].AsDouble()));
      SetArg(a, 1, Variant("overwritten"));
      return Variant(true);
    });
    DefineMethod("Fail", [](std::vector<Variant>& a) -> Variant {
      throw EDatabaseError(a.empty() ? AnsiString("failed") : a[0].AsString());
    });
    DefineMethod("FailCode", [](std::vector<Variant>&) -> Variant {
      throw EOleSysError("Custom failure", static_cast<HRESULT>(0x80040005));
    });
    DefineProperty(
        "Value", [this](std::vector<Variant>&) { return value_; },
        [this](std::vector<Variant>&, const Variant& v) { value_ = v; });
    DefineProperty(
        "Item",
        [this](std::vector<Variant>& a) {
          CheckArgCount(a, 1);
          return items_[a[0].AsInteger()];
        },
        [this](std::vector<Variant>& a, const Variant& v) {
          CheckArgCount(a, 1);
          items_[a[0].AsInteger()] = v;
        });
    DefineProperty("InstanceId", [this](std::vector<Variant>&) { return Variant(id_); });
    DefineMethod("Block", [](std::vector<Variant>&) {
      gGate.Pass();
      return Variant("released");
    });
    DefineMethod("MakeChild", [](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      return Variant(DispatchPtr(std::make_shared<TChild>(a[0].AsString())));
    });
    DefineMethod("IsSame", [](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      return Variant(a[0].AsDispatch() == a[1].AsDispatch());
    });
    DefineMethod("CallBack", [](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      return OleCall(a[0], "Twice", {a[1].Deref()});
    });
    DefineMethod("LiveChildren",
                 [](std::vector<Variant>&) { return Variant(gLiveChildren.load()); });
  }

 private:
  int id_;
  Variant value_;
  std::map<int, Variant> items_;
};

// A client-side object the server calls back.
class TDoubler : public TAutoObject {
 public:
  TDoubler() {
    DefineMethod("Twice", [this](std::vector<Variant>& a) {
      ++calls;
      return Variant(a[0].AsInteger() * 2);
    });
  }
  int calls = 0;
};

[[maybe_unused]] const bool kRegistered = [] {
  RegisterOleClass(kProgID, [] { return DispatchPtr(std::make_shared<TTestServer>()); });
  return true;
}();

// ---- Helpers --------------------------------------------------------------------------------

// Joins a helper thread however the test leaves its scope.
class Joined {
 public:
  explicit Joined(std::function<void()> body) : thread_(std::move(body)) {}
  ~Joined() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

using ConnectionPtr = std::unique_ptr<TSocketConnection, TFreeDeleter>;

bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return condition();
}

// A port on 127.0.0.1 with nothing listening on it.
int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// A plain socket for speaking to the host without the protocol's client.
class RawSocket {
 public:
  explicit RawSocket(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
  explicit RawSocket(int fd, bool) : fd_(fd), connected_(true) {}
  ~RawSocket() { ::close(fd_); }
  bool Connected() const { return connected_; }
  bool Send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
  }
  // True when the other end closes the connection within the time given.
  bool ClosedByPeer(std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    char buf[4096];
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) return true;
    }
    return false;
  }
  // The next message, or false after the time given.
  bool Receive(TWireMessage& message,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    auto end = std::chrono::steady_clock::now() + limit;
    std::string payload;
    while (!decoder_.Next(payload)) {
      if (std::chrono::steady_clock::now() >= end) return false;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char buf[4096];
      ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) return false;
      decoder_.Feed(buf, static_cast<std::size_t>(n));
    }
    message = DecodeMessage(payload);
    return true;
  }

 private:
  int fd_ = -1;
  bool connected_ = false;
  TFrameDecoder decoder_;
};

std::string Frame(const std::string& payload) {
  std::string f(4, '\0');
  std::uint32_t n = static_cast<std::uint32_t>(payload.size());
  for (int i = 0; i < 4; ++i) f[i] = static_cast<char>(n >> (24 - 8 * i));
  return f + payload;
}

// Exact comparison of results; objects only by kind (remote ones are proxies).
void ExpectSame(const Variant& expected, const Variant& actual, const std::string& where) {
  ASSERT_EQ(VarType(expected), VarType(actual)) << where;
  if (VarIsArray(expected)) {
    ASSERT_EQ(VarArrayDimCount(expected), VarArrayDimCount(actual)) << where;
    ASSERT_EQ(VarArrayElementType(expected), VarArrayElementType(actual)) << where;
    for (int d = 1; d <= VarArrayDimCount(expected); ++d) {
      ASSERT_EQ(VarArrayLowBound(expected, d), VarArrayLowBound(actual, d)) << where;
      ASSERT_EQ(VarArrayHighBound(expected, d), VarArrayHighBound(actual, d)) << where;
    }
    if (VarArrayDimCount(expected) == 1) {
      for (int i = VarArrayLowBound(expected, 1); i <= VarArrayHighBound(expected, 1); ++i)
        ExpectSame(expected[i], actual[i], where + "[" + std::to_string(i) + "]");
    } else {
      ASSERT_EQ(2, VarArrayDimCount(expected)) << "the helper compares up to two dimensions";
      for (int i = VarArrayLowBound(expected, 1); i <= VarArrayHighBound(expected, 1); ++i)
        for (int j = VarArrayLowBound(expected, 2); j <= VarArrayHighBound(expected, 2); ++j)
          ExpectSame(expected.At({i, j}), actual.At({i, j}), where + "[i,j]");
    }
    return;
  }
  switch (VarType(expected)) {
    case varDouble:
    case varDate: {
      double a = expected.AsDouble(), b = actual.AsDouble();
      EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)) << where << ": " << a << " vs " << b;
      break;
    }
    case varString:
      EXPECT_EQ(expected.AsString(), actual.AsString()) << where;
      break;
    case varOleStr:
      EXPECT_TRUE(expected.AsWideString() == actual.AsWideString()) << where;
      break;
    case varDispatch:
      EXPECT_EQ(expected.AsDispatch() == nullptr, actual.AsDispatch() == nullptr) << where;
      break;
    case varEmpty:
    case varNull:
      break;
    default:
      EXPECT_EQ(expected.AsInt64(), actual.AsInt64()) << where;
  }
}

// What a call gave: its result, or the error it raised.
struct Outcome {
  Variant result;
  bool failed = false;
  AnsiString message;
  HRESULT code = 0;
  bool isOleError = false;
};

Outcome Attempt(const std::function<Variant()>& call) {
  Outcome o;
  try {
    o.result = call();
  } catch (const EOleSysError& e) {
    o.failed = true;
    o.message = e.Message();
    o.code = e.ErrorCode();
    o.isOleError = true;
  } catch (const EOleError& e) {
    o.failed = true;
    o.message = e.Message();
    o.isOleError = true;
  } catch (const Exception& e) {
    o.failed = true;
    o.message = std::string(e.ClassName()) + ": " + e.Message();
  }
  return o;
}

class SConnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gGate.Reset();
    host_.Start(0);
    ASSERT_GT(host_.Port(), 0);
  }
  void TearDown() override {
    gGate.Open();
    host_.Stop();
  }

  ConnectionPtr NewConnection(int timeoutMs = 5000) {
    ConnectionPtr c(new TSocketConnection(nullptr));
    c->SetAddress("127.0.0.1");
    c->SetPort(host_.Port());
    c->SetServerName(kProgID);
    c->SetTimeout(timeoutMs);
    return c;
  }

  TAppServerHost host_;
};

Variant Filled(std::initializer_list<int> bounds, TVarType type, const std::vector<Variant>& v) {
  Variant a = VarArrayCreate(bounds, type);
  std::vector<int> b(bounds);
  std::size_t n = 0;
  if (b.size() == 2) {
    for (int i = b[0]; i <= b[1]; ++i) a[i] = v.at(n++ % v.size());
  } else {
    for (int i = b[0]; i <= b[1]; ++i)
      for (int j = b[2]; j <= b[3]; ++j) a.At({i, j}) = v.at(n++ % v.size());
  }
  return a;
}

// ---- Calls ----------------------------------------------------------------------------------

TEST_F(SConnectTest, CallsGiveTheSameResultsRemotelyAndInProcess) {
  struct Case {
    const char* name;
    std::function<Variant(const Variant& server)> call;
    Variant expected;   // when it succeeds
    const char* error;  // message when it fails
    HRESULT code;       // its error code (0: not an automation error with a code)
  };
  const std::vector<Case> cases = {
      {"method",
       [](const Variant& s) {
         return OleCall(s, "Add", {Variant(40), Variant(2)});
       },
       Variant(42), nullptr, 0},
      {"text arguments converted",
       [](const Variant& s) {
         return OleCall(s, "Add", {Variant("40"), Variant(2.0)});
       },
       Variant(42), nullptr, 0},
      {"property write then read",
       [](const Variant& s) {
         OlePut(s, "Value", Variant(WideString(u"w\u00e9")));
         return OleGet(s, "Value");
       },
       Variant(WideString(u"w\u00e9")), nullptr, 0},
      {"indexed property",
       [](const Variant& s) {
         OlePut(s, "Item", {Variant(3)}, Variant::FromDate(10.5));
         return OleGet(s, "Item", {Variant(3)});
       },
       Variant::FromDate(10.5), nullptr, 0},
      {"property read as a method keeps the object's state",
       [](const Variant& s) { return OleCall(s, "Value"); }, Variant(WideString(u"w\u00e9")),
       nullptr, 0},
      {"server exception",
       [](const Variant& s) { return OleCall(s, "Fail", {Variant("Record locked")}); }, Variant(),
       "Record locked", DISP_E_EXCEPTION},
      {"automation error with its code", [](const Variant& s) { return OleCall(s, "FailCode"); },
       Variant(), "Custom failure", static_cast<HRESULT>(0x80040005)},
      {"wrong argument count", [](const Variant& s) { return OleCall(s, "Add", {Variant(1)}); },
       Variant(), "Invalid number of parameters.", DISP_E_BADPARAMCOUNT},
      {"unknown member", [](const Variant& s) { return OleCall(s, "NoSuchMember"); }, Variant(),
       "Method 'NoSuchMember' not supported by automation object", -1},
      {"conversion failure inside the server",
       [](const Variant& s) {
         return OleCall(s, "Add", {Variant("x"), Variant(1)});
       },
       Variant(), "Could not convert variant of type (String) into type (Integer)",
       DISP_E_EXCEPTION},
  };

  ConnectionPtr remote = NewConnection();
  Variant remoteServer = remote->GetServer();
  ConnectionPtr local = NewConnection();
  local->SetAppServer(CreateOleObject(kProgID));
  Variant localServer = local->GetServer();

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome r = Attempt([&] { return c.call(remoteServer); });
    Outcome l = Attempt([&] { return c.call(localServer); });
    for (const Outcome* o : {&r, &l}) {
      const char* side = o == &r ? "remote" : "in-process";
      if (c.error) {
        ASSERT_TRUE(o->failed) << side;
        EXPECT_TRUE(o->isOleError) << side << ": " << o->message;
        EXPECT_EQ(c.error, o->message) << side;
        if (c.code != -1) {
          EXPECT_EQ(c.code, o->code) << side;
        }
      } else {
        ASSERT_FALSE(o->failed) << side << ": " << o->message;
        ExpectSame(c.expected, o->result, side);
      }
    }
  }
  // Failed calls leave the connection working.
  EXPECT_TRUE(remote->Connected());
  EXPECT_EQ(3, OleCall(remoteServer, "Add", {Variant(1), Variant(2)}).AsInteger());
}

TEST_F(SConnectTest, ServerExceptionsKeepTheirClassAsSource) {
  ConnectionPtr remote = NewConnection();
  ConnectionPtr local = NewConnection();
  local->SetAppServer(CreateOleObject(kProgID));
  for (TSocketConnection* c : {remote.get(), local.get()}) {
    SCOPED_TRACE(c == remote.get() ? "remote" : "in-process");
    try {
      OleCall(c->GetServer(), "Fail", {Variant("Key violation")});
      ADD_FAILURE() << "no exception";
    } catch (const EOleException& e) {
      EXPECT_EQ("Key violation", e.Message());
      EXPECT_EQ("EDatabaseError", e.Source());
      EXPECT_EQ(DISP_E_EXCEPTION, e.ErrorCode());
    }
  }
}

TEST_F(SConnectTest, ByReferenceArgumentsComeBackIntoTheCallersVariables) {
  ConnectionPtr remote = NewConnection();
  ConnectionPtr local = NewConnection();
  local->SetAppServer(CreateOleObject(kProgID));
  for (TSocketConnection* c : {remote.get(), local.get()}) {
    SCOPED_TRACE(c == remote.get() ? "remote" : "in-process");
    Variant server = c->GetServer();

    Variant a("left"), b(VarArrayOf({Variant(1), Variant(2)}));
    OleCall(server, "Swap", {VarRef(a), VarRef(b)});
    ASSERT_TRUE(VarIsArray(a));
    EXPECT_EQ(2, a[1].AsInteger());
    EXPECT_EQ("left", b.AsString());

    // Only the by-reference argument changes; the by-value one keeps its value.
    Variant x(1.5), factor(4);
    EXPECT_TRUE(OleCall(server, "Scale", {VarRef(x), factor}).AsBoolean());
    EXPECT_EQ(6.0, x.AsDouble());
    EXPECT_EQ(4, factor.AsInteger());

    // A reference to an array element.
    Variant pair = VarArrayOf({Variant("p"), Variant("q")});
    OleCall(server, "Swap", {VarRef(pair[0]), VarRef(pair[1])});
    EXPECT_EQ("q", pair[0].AsString());
    EXPECT_EQ("p", pair[1].AsString());
  }
}

TEST_F(SConnectTest, EveryVariantKindRoundTripsThroughEcho) {
  Variant inner = Filled({-5, -3}, varVariant, {Variant("x"), Null, Variant(std::uint8_t{9})});
  const std::vector<std::pair<const char*, Variant>> values = {
      {"empty", Variant()},
      {"null", Null},
      {"boolean", Variant(true)},
      {"byte", Variant(std::uint8_t{254})},
      {"smallint", Variant(std::int16_t{-1234})},
      {"integer", Variant(std::numeric_limits<int>::min())},
      {"double", Variant(-2.75e-300)},
      {"date", Variant::FromDate(36526.25)},
      {"ansi bytes", Variant(std::string_view("\x01\xfe\0z", 4))},
      {"wide", Variant(WideString(u"\u65e5\u672c \U0001F680"))},
      {"unassigned object", Variant(DispatchPtr())},
      {"integer array", Filled({10, 12}, varInteger, {Variant(7)})},
      {"2-d odd bounds", Filled({-1, 0, 3, 5}, varVariant, {Variant("a"), Variant(2.5), inner})},
      {"nested arrays", VarArrayOf({inner, VarArrayOf({inner, VarArrayOf({})}), Variant()})},
      {"large text", Variant(AnsiString(1 << 20, 'q'))},
  };
  ConnectionPtr remote = NewConnection();
  ConnectionPtr local = NewConnection();
  local->SetAppServer(CreateOleObject(kProgID));
  for (const auto& [name, value] : values) {
    SCOPED_TRACE(name);
    ExpectSame(value, OleCall(remote->GetServer(), "Echo", {value}), "remote");
    ExpectSame(value, OleCall(local->GetServer(), "Echo", {value}), "in-process");
    // By reference too: the variable gets its own value back.
    Variant copy = value;
    ExpectSame(value, OleCall(remote->GetServer(), "Echo", {VarRef(copy)}), "by reference");
    ExpectSame(value, copy, "by-reference variable");
  }
}

// ---- Objects --------------------------------------------------------------------------------

TEST_F(SConnectTest, ObjectsReturnedByTheServerAreCalledThroughProxies) {
  ConnectionPtr c = NewConnection();
  Variant server = c->GetServer();
  int before = gLiveChildren.load();
  {
    Variant child = OleCall(server, "MakeChild", {Variant("kid")});
    ASSERT_EQ(varDispatch, VarType(child));
    EXPECT_EQ("Hello you from kid", OleCall(child, "Greet", {Variant("you")}).AsString());
    EXPECT_EQ("kid", OleGet(child, "Name").AsString());
    EXPECT_TRUE(child.AsDispatch()->HasMember("Greet"));
    EXPECT_FALSE(child.AsDispatch()->HasMember("Missing"));
    // Sent back, a proxy is its server object again, on the server.
    EXPECT_TRUE(OleCall(server, "IsSame", {child, child}).AsBoolean());
    Variant same = OleCall(server, "Echo", {child});
    EXPECT_EQ(child.AsDispatch(), same.AsDispatch());
    // The connection's server object itself, too.
    EXPECT_TRUE(OleCall(server, "IsSame", {server, server}).AsBoolean());
    EXPECT_FALSE(OleCall(server, "IsSame", {server, child}).AsBoolean());
    EXPECT_EQ(before + 1, gLiveChildren.load());
    try {
      OleCall(child, "Greet");
      ADD_FAILURE() << "no exception";
    } catch (const EOleException& e) {
      EXPECT_EQ("Invalid number of parameters.", e.Message());
    }
  }
  // The proxy is gone: its release goes with the next message and frees the object.
  EXPECT_EQ(before, OleCall(server, "LiveChildren").AsInteger());

  Variant kept = OleCall(server, "MakeChild", {Variant("stale")});
  c->Close();
  EXPECT_TRUE(WaitFor([&] { return gLiveChildren.load() == before; }));
  try {
    OleCall(kept, "Greet", {Variant("x")});
    ADD_FAILURE() << "no exception";
  } catch (const ESocketConnectionError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("not connected")) << e.Message();
  }
}

TEST_F(SConnectTest, ClientObjectsPassedToTheServerAreCalledBack) {
  ConnectionPtr c = NewConnection();
  auto doubler = std::make_shared<TDoubler>();
  Variant result =
      OleCall(c->GetServer(), "CallBack", {Variant(DispatchPtr(doubler)), Variant(21)});
  EXPECT_EQ(42, result.AsInteger());
  EXPECT_EQ(1, doubler->calls);
  // Called back again through the same connection, then echoed home as the same object.
  EXPECT_EQ(
      10,
      OleCall(c->GetServer(), "CallBack", {Variant(DispatchPtr(doubler)), Variant(5)}).AsInteger());
  Variant back = OleCall(c->GetServer(), "Echo", {Variant(DispatchPtr(doubler))});
  EXPECT_EQ(DispatchPtr(doubler), back.AsDispatch());
}

// ---- Failures -------------------------------------------------------------------------------

TEST_F(SConnectTest, ConnectionRefusedRaisesWithinTheTimeout) {
  ConnectionPtr c = NewConnection(500);
  int port = FreePort();
  c->SetPort(port);
  auto start = std::chrono::steady_clock::now();
  try {
    c->SetConnected(true);
    ADD_FAILURE() << "connected";
  } catch (const ESocketConnectionError& e) {
    EXPECT_EQ("Socket error: connection refused (127.0.0.1:" + std::to_string(port) + ")",
              e.Message());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_FALSE(c->Connected());
  EXPECT_TRUE(VarIsEmpty(c->AppServer()));

  // The address must be one; a host name is looked up.
  c->SetAddress("not-an-address");
  EXPECT_THROW(c->SetConnected(true), ESocketConnectionError);
  c->SetAddress("");
  c->SetHost("localhost");
  c->SetPort(host_.Port());
  c->SetConnected(true);
  EXPECT_TRUE(c->Connected());
}

TEST_F(SConnectTest, UnknownServerNameIsRefusedByTheHost) {
  ConnectionPtr c = NewConnection();
  c->SetServerName("No.Such.Server");
  try {
    c->SetConnected(true);
    ADD_FAILURE() << "connected";
  } catch (const EOleException& e) {
    EXPECT_EQ("Invalid class string", e.Message());
    EXPECT_EQ(CO_E_CLASSSTRING, e.ErrorCode());
    EXPECT_EQ("EOleSysError", e.Source());
  }
  EXPECT_FALSE(c->Connected());
  EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 0; }));
  c->SetServerName("");
  EXPECT_THROW(c->SetConnected(true), EDatabaseError);
}

TEST_F(SConnectTest, ServerStoppedMidCallRaisesThenTheNextCallReconnects) {
  ConnectionPtr c = NewConnection(5000);
  int disconnects = 0;
  c->AfterDisconnect = TNotifyEvent::Lambda([&](TObject*) { ++disconnects; });
  Variant server = c->GetServer();
  int firstId = OleGet(server, "InstanceId").AsInteger();
  int port = host_.Port();

  Joined stopper([&] {
    if (gGate.WaitEntered()) host_.Stop();
  });
  struct OpenGate {
    ~OpenGate() { gGate.Open(); }
  } openGate;
  auto start = std::chrono::steady_clock::now();
  try {
    OleCall(server, "Block");
    ADD_FAILURE() << "the call returned";
  } catch (const ESocketConnectionError& e) {
    EXPECT_EQ(
        "Socket error: connection closed by the server (127.0.0.1:" + std::to_string(port) + ")",
        e.Message());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
  gGate.Open();
  stopper.Join();
  EXPECT_FALSE(c->Connected());
  EXPECT_EQ(1, disconnects);

  // Nobody listens now: the next call fails the same way, quickly.
  EXPECT_THROW(OleCall(server, "InstanceId"), ESocketConnectionError);

  // The host comes back on the same port: the same variant works with a new server object.
  gGate.Reset();
  host_.Start(port);
  int secondId = OleGet(server, "InstanceId").AsInteger();
  EXPECT_NE(firstId, secondId);
  EXPECT_TRUE(c->Connected());
}

TEST_F(SConnectTest, SlowAnswerTimesOutAndClosesTheConnection) {
  ConnectionPtr c = NewConnection(300);
  Variant server = c->GetServer();
  auto start = std::chrono::steady_clock::now();
  try {
    OleCall(server, "Block");
    ADD_FAILURE() << "the call returned";
  } catch (const ESocketConnectionError& e) {
    EXPECT_EQ("Socket error: timed out waiting for the server (127.0.0.1:" +
                  std::to_string(host_.Port()) + ")",
              e.Message());
  }
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, 250ms);
  EXPECT_LT(elapsed, 3s);
  EXPECT_FALSE(c->Connected());
  // The late answer of the blocked call never reaches the next call.
  gGate.Open();
  EXPECT_EQ(5, OleCall(server, "Add", {Variant(2), Variant(3)}).AsInteger());
  EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 1; }));
}

TEST_F(SConnectTest, AnswerToAnotherCallIsAProtocolError) {
  // A fake server that answers the connect message properly and the call with a wrong id.
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a));
  ASSERT_EQ(0, ::listen(listener, 1));
  socklen_t len = sizeof a;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
  std::atomic<bool> sawClose{false};
  Joined fake([&] {
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return;
    RawSocket peer(::accept(listener, nullptr, nullptr), true);
    TWireMessage m;
    if (!peer.Receive(m) || m.Kind != TWireMessageKind::Connect) return;
    TWireMessage reply;
    reply.Kind = TWireMessageKind::Answer;
    reply.Id = m.Id;
    reply.Ok = true;
    peer.Send(Frame(EncodeMessage(reply)));
    if (!peer.Receive(m) || m.Kind != TWireMessageKind::Call) return;
    reply.Id = m.Id + 1;
    reply.Result = Variant("stale");
    peer.Send(Frame(EncodeMessage(reply)));
    sawClose = peer.ClosedByPeer();
  });
  ConnectionPtr c = NewConnection(2000);
  c->SetPort(ntohs(a.sin_port));
  try {
    OleCall(c->GetServer(), "Echo", {Variant(1)});
    ADD_FAILURE() << "the call returned";
  } catch (const ESocketConnectionError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("does not match call")) << e.Message();
  }
  EXPECT_FALSE(c->Connected());
  fake.Join();
  ::close(listener);
  EXPECT_TRUE(sawClose.load());
}

// ---- Host -----------------------------------------------------------------------------------

TEST_F(SConnectTest, MalformedInputClosesOnlyItsConnection) {
  std::string deep(1000, static_cast<char>(0x91));
  deep.push_back(static_cast<char>(0xc0));
  TWireMessage call;
  call.Kind = TWireMessageKind::Call;
  call.Id = 1;
  call.Member = "Add";
  const std::vector<std::pair<const char*, std::string>> inputs = {
      {"text protocol", "GET / HTTP/1.1\r\nHost: x\r\n\r\n"},
      {"4 GiB frame declared", std::string("\xff\xff\xff\xff", 4)},
      {"not MessagePack", Frame("\xc1\xc1\xc1")},
      {"deep nesting", Frame(deep)},
      {"2^31-element array", Frame(std::string("\xdd\x80\x00\x00\x00\xc0\xc0\xc0\xc0\xc0", 10))},
      {"call before connecting", Frame(EncodeMessage(call))},
  };
  ConnectionPtr good = NewConnection();
  Variant server = good->GetServer();
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    RawSocket raw(host_.Port());
    ASSERT_TRUE(raw.Connected());
    ASSERT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 2; }));
    raw.Send(bytes);
    EXPECT_TRUE(raw.ClosedByPeer());
    EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 1; }));
    EXPECT_EQ(7, OleCall(server, "Add", {Variant(3), Variant(4)}).AsInteger());
  }
}

TEST_F(SConnectTest, HostCountsConnectionsAndStopsThemAll) {
  ConnectionPtr a = NewConnection();
  ConnectionPtr b = NewConnection();
  a->SetConnected(true);
  b->SetConnected(true);
  EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 2; }));
  EXPECT_NE(OleGet(a->AppServer(), "InstanceId").AsInteger(),
            OleGet(b->AppServer(), "InstanceId").AsInteger());
  b->SetConnected(false);
  EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 1; }));

  host_.CloseConnections();
  EXPECT_TRUE(WaitFor([&] { return host_.ConnectionCount() == 0; }));
  EXPECT_TRUE(host_.Active());
  // The closed connection notices on its next call and reconnects on the one after.
  EXPECT_THROW(OleCall(a->AppServer(), "Add", {Variant(1), Variant(1)}), ESocketConnectionError);
  EXPECT_EQ(2, OleCall(a->GetServer(), "Add", {Variant(1), Variant(1)}).AsInteger());

  host_.Stop();
  EXPECT_FALSE(host_.Active());
  EXPECT_EQ(0, host_.Port());
  EXPECT_EQ(0, host_.ConnectionCount());
  host_.Stop();  // stopping twice is harmless
}

TEST_F(SConnectTest, HostLimitsCloseConnectionsThatExceedThem) {
  host_.Stop();
  TWireLimits small;
  small.MaxFrameSize = 4096;
  host_.SetLimits(small);
  host_.Start(0);
  ConnectionPtr c = NewConnection();
  Variant server = c->GetServer();
  EXPECT_EQ("short", OleCall(server, "Echo", {Variant("short")}).AsString());
  try {
    OleCall(server, "Echo", {Variant(AnsiString(10000, 'x'))});
    ADD_FAILURE() << "the call returned";
  } catch (const ESocketConnectionError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("closed by the server")) << e.Message();
  }
  EXPECT_FALSE(c->Connected());
  EXPECT_EQ("short again", OleCall(server, "Echo", {Variant("short again")}).AsString());
}

TEST_F(SConnectTest, HostWithAFactoryAndErrorsOnStart) {
  std::vector<AnsiString> asked;
  std::mutex askedMutex;
  TAppServerHost custom([&](const AnsiString& name) -> DispatchPtr {
    std::lock_guard<std::mutex> lock(askedMutex);
    asked.push_back(name);
    if (name == "Refuse") throw EDatabaseError("Not today");
    return std::make_shared<TTestServer>();
  });
  custom.Start(0);
  ConnectionPtr c = NewConnection();
  c->SetPort(custom.Port());
  c->SetServerName("Anything");
  EXPECT_EQ(9, OleCall(c->GetServer(), "Add", {Variant(4), Variant(5)}).AsInteger());
  c->SetServerName("Refuse");
  try {
    c->SetConnected(true);
    ADD_FAILURE() << "connected";
  } catch (const EOleException& e) {
    EXPECT_EQ("Not today", e.Message());
    EXPECT_EQ("EDatabaseError", e.Source());
  }
  {
    std::lock_guard<std::mutex> lock(askedMutex);
    EXPECT_EQ((std::vector<AnsiString>{"Anything", "Refuse"}), asked);
  }
  EXPECT_THROW(custom.Start(0), EOleError);
  TAppServerHost clash;
  try {
    clash.Start(custom.Port());
    ADD_FAILURE() << "listening twice on one port";
  } catch (const ESocketConnectionError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("address already in use")) << e.Message();
  }
  EXPECT_THROW(clash.Start(0, "not-an-address"), ESocketConnectionError);
}

// ---- The component ----------------------------------------------------------------------------

TEST_F(SConnectTest, InProcessServerOpensNoSocket) {
  ConnectionPtr c = NewConnection();
  c->SetPort(FreePort());  // nothing listens: any socket use would fail
  int connects = 0, disconnects = 0;
  c->AfterConnect = TNotifyEvent::Lambda([&](TObject*) { ++connects; });
  c->AfterDisconnect = TNotifyEvent::Lambda([&](TObject*) { ++disconnects; });
  Variant object = CreateOleObject(kProgID);
  c->SetAppServer(object);
  EXPECT_TRUE(c->Connected());
  EXPECT_EQ(object.AsDispatch(), c->AppServer().AsDispatch());
  EXPECT_EQ(object.AsDispatch(), c->GetServer().AsDispatch());
  EXPECT_EQ(5, OleCall(c->GetServer(), "Add", {Variant(2), Variant(3)}).AsInteger());
  EXPECT_EQ(0, host_.ConnectionCount());
  c->SetConnected(false);
  EXPECT_FALSE(c->Connected());
  EXPECT_TRUE(VarIsEmpty(c->AppServer()));
  EXPECT_EQ(1, connects);
  EXPECT_EQ(1, disconnects);
}

TEST_F(SConnectTest, EventsAndDeferredConnectWhileLoading) {
  ConnectionPtr c = NewConnection();
  std::vector<std::string> events;
  c->AfterConnect = TNotifyEvent::Lambda([&](TObject* sender) {
    events.push_back(sender == c.get() ? "connect" : "connect from elsewhere");
  });
  c->AfterDisconnect = TNotifyEvent::Lambda([&](TObject*) { events.push_back("disconnect"); });
  c->SetComponentState(csLoading);
  c->SetConnected(true);
  EXPECT_FALSE(c->Connected());
  c->EndLoading();
  EXPECT_TRUE(c->Connected());
  c->SetConnected(true);      // already connected: nothing happens
  c->SetPort(c->Port() + 1);  // a changed endpoint closes the connection
  EXPECT_FALSE(c->Connected());
  EXPECT_EQ((std::vector<std::string>{"connect", "disconnect"}), events);
}

TEST_F(SConnectTest, PublishedPropertiesByName) {
  ConnectionPtr c(new TSocketConnection(nullptr));
  EXPECT_EQ("211", GetPropAsString(c.get(), "Port"));
  EXPECT_EQ("30000", GetPropAsString(c.get(), "Timeout"));
  EXPECT_EQ("False", GetPropAsString(c.get(), "Connected"));
  EXPECT_EQ("", GetPropAsString(c.get(), "Address"));

  SetPropAsString(c.get(), "Port", "2000");
  EXPECT_EQ(2000, c->Port());
  SetPropAsString(c.get(), "Address", "127.0.0.1");
  SetPropAsString(c.get(), "Host", "localhost");
  SetPropAsString(c.get(), "ServerName", kProgID);
  SetPropAsString(c.get(), "ServerGUID", "{8E2E3A41-0000-4000-8000-000000000001}");
  SetPropAsString(c.get(), "Timeout", "1500");
  EXPECT_EQ("127.0.0.1", c->Address());
  EXPECT_EQ("localhost", c->Host());
  EXPECT_EQ(kProgID, c->ServerName());
  EXPECT_EQ("{8E2E3A41-0000-4000-8000-000000000001}", c->ServerGUID());
  EXPECT_EQ(1500, c->Timeout());

  SetPropAsString(c.get(), "Port", std::to_string(host_.Port()));
  SetPropAsString(c.get(), "Connected", "True");
  EXPECT_TRUE(c->Connected());
  EXPECT_EQ("True", GetPropAsString(c.get(), "Connected"));
  EXPECT_EQ(3, OleCall(c->AppServer(), "Add", {Variant(1), Variant(2)}).AsInteger());

  std::unique_ptr<TComponent, TFreeDeleter> owner(new TComponent(nullptr));
  auto* broker = new TSimpleObjectBroker(owner.get());
  SetObjectProp(c.get(), "ObjectBroker", broker);
  EXPECT_EQ(broker, c->ObjectBroker());
  EXPECT_EQ("TSimpleObjectBroker", GetPropAsString(c.get(), "ObjectBroker"));
  EXPECT_TRUE(PropIsType(c.get(), "AfterConnect", TTypeKind::tkMethod));
  EXPECT_TRUE(PropIsType(c.get(), "AfterDisconnect", TTypeKind::tkMethod));
}

// ---- Object broker ----------------------------------------------------------------------------

struct ServerSpec {
  const char* name;
  bool enabled;
  bool failed;
};

std::unique_ptr<TSimpleObjectBroker, TFreeDeleter> MakeBroker(
    const std::vector<ServerSpec>& servers, bool loadBalanced) {
  std::unique_ptr<TSimpleObjectBroker, TFreeDeleter> broker(new TSimpleObjectBroker(nullptr));
  for (const ServerSpec& s : servers) {
    TServerItem* item = broker->Servers()->Add();
    item->SetComputerName(s.name);
    item->SetEnabled(s.enabled);
    item->SetHasFailed(s.failed);
  }
  broker->SetLoadBalanced(loadBalanced);
  return broker;
}

TEST(SConnectBroker, ChoosesAnEnabledServerThatHasNotFailed) {
  struct Case {
    const char* name;
    std::vector<ServerSpec> servers;
    bool loadBalanced;
    std::vector<const char*> possible;  // empty: "No server available"
  };
  const std::vector<Case> cases = {
      {"first of all", {{"a", true, false}, {"b", true, false}}, false, {"a"}},
      {"disabled skipped", {{"a", false, false}, {"b", true, false}}, false, {"b"}},
      {"failed skipped", {{"a", true, true}, {"b", true, false}}, false, {"b"}},
      {"none left", {{"a", false, false}, {"b", true, true}}, false, {}},
      {"no servers", {}, false, {}},
      {"load balanced over the usable ones",
       {{"a", true, false}, {"b", false, false}, {"c", true, false}, {"d", true, true}},
       true,
       {"a", "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto broker = MakeBroker(c.servers, c.loadBalanced);
    if (c.possible.empty()) {
      try {
        broker->GetComputerForProgID("Any.Server");
        ADD_FAILURE() << "a server was chosen";
      } catch (const EDatabaseError& e) {
        EXPECT_EQ("No server available", e.Message());
      }
      continue;
    }
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
      seen.insert(broker->GetComputerForProgID("Any.Server"));
      seen.insert(broker->GetComputerForGUID("{00000000-0000-0000-0000-000000000000}"));
    }
    EXPECT_EQ(std::set<std::string>(c.possible.begin(), c.possible.end()), seen);
  }
}

TEST(SConnectBroker, ConnectStatusMarksServersAndCopiesKeepThem) {
  auto broker = MakeBroker({{"alpha", true, false}, {"beta", true, false}}, false);
  broker->Servers()->Items(1)->SetPort(4000);
  EXPECT_EQ(4000, broker->GetPortForComputer("BETA"));
  EXPECT_EQ(0, broker->GetPortForComputer("gamma"));
  broker->SetConnectStatus("alpha", false);
  EXPECT_TRUE(broker->Servers()->Items(0)->HasFailed());
  EXPECT_EQ("beta", broker->GetComputerForProgID("x"));
  broker->SetConnectStatus("Alpha", true);
  EXPECT_EQ("alpha", broker->GetComputerForProgID("x"));

  // When every server has failed the broker says so once and then tries them all again.
  broker->SetConnectStatus("alpha", false);
  broker->SetConnectStatus("beta", false);
  EXPECT_THROW(broker->GetComputerForProgID("x"), EDatabaseError);
  EXPECT_EQ("alpha", broker->GetComputerForProgID("x"));

  auto copy = MakeBroker({}, false);
  copy->SetServers(broker->Servers());
  ASSERT_EQ(2, copy->Servers()->Count());
  EXPECT_EQ("beta", copy->Servers()->Items(1)->ComputerName());
  EXPECT_EQ(4000, copy->Servers()->Items(1)->Port());
  EXPECT_EQ("4000", GetPropAsString(copy->Servers()->Items(1), "Port"));
  SetPropAsString(copy->Servers()->Items(0), "Enabled", "False");
  SetPropAsString(copy->Servers()->Items(1), "ComputerName", "delta");
  EXPECT_EQ("delta", copy->GetComputerForProgID("x"));
  EXPECT_TRUE(broker->Servers()->Items(0)->Enabled());
}

TEST_F(SConnectTest, BrokerFailsOverToTheNextServer) {
  int dead = FreePort();
  auto broker = MakeBroker({{"localhost", true, false}, {"127.0.0.1", true, false}}, false);
  broker->Servers()->Items(0)->SetPort(dead);
  broker->Servers()->Items(1)->SetPort(host_.Port());
  ConnectionPtr c = NewConnection(1000);
  c->SetAddress("");
  c->SetPort(FreePort());  // used only for items without a port
  c->SetObjectBroker(broker.get());
  EXPECT_EQ(4, OleCall(c->GetServer(), "Add", {Variant(2), Variant(2)}).AsInteger());
  EXPECT_TRUE(broker->Servers()->Items(0)->HasFailed());
  EXPECT_FALSE(broker->Servers()->Items(1)->HasFailed());

  // With every server down the broker's error reaches the caller.
  c->SetConnected(false);
  broker->Servers()->Items(1)->SetPort(dead);
  broker->Servers()->Items(0)->SetHasFailed(false);
  try {
    c->SetConnected(true);
    ADD_FAILURE() << "connected";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ("No server available", e.Message());
  }

  // Freeing the broker clears the connection's reference to it.
  broker.reset();
  EXPECT_EQ(nullptr, c->ObjectBroker());
}

}  // namespace
