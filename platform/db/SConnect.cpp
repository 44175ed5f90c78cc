#include "platform/db/SConnect.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>

#include "platform/rtl/Strings.h"

namespace vcl {

// =========================================================================================
// TServerItem, TServerItems

VCL_IMPLEMENT_PERSISTENT(TServerItem, TCollectionItem)

void TServerItem::Publish(TPublisher& p) {
  p.String("ComputerName", &TServerItem::ComputerName, &TServerItem::SetComputerName);
  p.Integer("Port", &TServerItem::Port, &TServerItem::SetPort);
  p.Bool("Enabled", &TServerItem::Enabled, &TServerItem::SetEnabled);
}

TServerItem::TServerItem(TCollection* collection) : TCollectionItem(collection) {}

void TServerItem::SetComputerName(const AnsiString& value) {
  computerName_ = value;
  Changed();
}

void TServerItem::SetPort(int value) {
  port_ = value;
  Changed();
}

void TServerItem::SetEnabled(bool value) {
  enabled_ = value;
  Changed();
}

void TServerItem::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TServerItem*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  computerName_ = other->computerName_;
  port_ = other->port_;
  enabled_ = other->enabled_;
  hasFailed_ = other->hasFailed_;
  Changed();
}

AnsiString TServerItem::DisplayName() const {
  return computerName_.empty() ? TCollectionItem::DisplayName() : computerName_;
}

VCL_IMPLEMENT_PERSISTENT(TServerItems, TCollection)

void TServerItems::Publish(TPublisher&) {}

TServerItems::TServerItems()
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TServerItem(c); }) {}

TServerItem* TServerItems::Add() {
  return static_cast<TServerItem*>(TCollection::Add());
}

TServerItem* TServerItems::Items(int index) const {
  return static_cast<TServerItem*>(TCollection::Items(index));
}

// =========================================================================================
// TSimpleObjectBroker

VCL_IMPLEMENT_COMPONENT(TSimpleObjectBroker, TComponent)

void TSimpleObjectBroker::Publish(TPublisher& p) {
  p.Object("Servers", &TSimpleObjectBroker::Servers, &TSimpleObjectBroker::SetServers);
  p.Bool("LoadBalanced", &TSimpleObjectBroker::LoadBalanced, &TSimpleObjectBroker::SetLoadBalanced);
}

TSimpleObjectBroker::TSimpleObjectBroker(TComponent* owner)
    : TComponent(owner), servers_(new TServerItems()), random_(std::random_device{}()) {}

TSimpleObjectBroker::~TSimpleObjectBroker() {
  delete servers_;
}

void TSimpleObjectBroker::SetServers(TServerItems* value) {
  if (value && value != servers_) servers_->Assign(value);
}

AnsiString TSimpleObjectBroker::NextComputer() {
  std::vector<TServerItem*> candidates;
  for (int i = 0; i < servers_->Count(); ++i) {
    TServerItem* item = servers_->Items(i);
    if (item->Enabled() && !item->HasFailed()) candidates.push_back(item);
  }
  if (candidates.empty()) {
    // Every server has failed: start afresh on the next attempt, so that servers that come
    // back are found again.
    for (int i = 0; i < servers_->Count(); ++i) servers_->Items(i)->SetHasFailed(false);
    throw EDatabaseError("No server available");
  }
  if (!loadBalanced_ || candidates.size() == 1) return candidates.front()->ComputerName();
  std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
  return candidates[pick(random_)]->ComputerName();
}

AnsiString TSimpleObjectBroker::GetComputerForGUID(const AnsiString&) {
  return NextComputer();
}

AnsiString TSimpleObjectBroker::GetComputerForProgID(const AnsiString&) {
  return NextComputer();
}

int TSimpleObjectBroker::GetPortForComputer(const AnsiString& computerName) {
  for (int i = 0; i < servers_->Count(); ++i) {
    TServerItem* item = servers_->Items(i);
    if (SameText(item->ComputerName(), computerName)) return item->Port();
  }
  return 0;
}

void TSimpleObjectBroker::SetConnectStatus(const AnsiString& computerName, bool success) {
  for (int i = 0; i < servers_->Count(); ++i) {
    TServerItem* item = servers_->Items(i);
    if (SameText(item->ComputerName(), computerName)) item->SetHasFailed(!success);
  }
}

// =========================================================================================
// TSocketConnection

namespace {

TWireCallKind WireKind(TDispatchKind kind) {
  switch (kind) {
    case TDispatchKind::PropertyGet:
      return TWireCallKind::PropertyGet;
    case TDispatchKind::PropertyPut:
      return TWireCallKind::PropertyPut;
    case TDispatchKind::Method:
      break;
  }
  return TWireCallKind::Method;
}

AnsiString ConnectErrorText(int error) {
  switch (error) {
    case ECONNREFUSED:
      return "connection refused";
    case ETIMEDOUT:
      return "connection timed out";
    case EHOSTUNREACH:
    case ENETUNREACH:
      return "host unreachable";
    default:
      return std::strerror(error);
  }
}

}  // namespace

// The server object as the program holds it. It stays the same object across reconnections:
// each call goes to the connection's current server object, connecting first when needed.
class TSocketConnection::ServerProxy : public IDispatch, public IWireRemoteObject {
 public:
  explicit ServerProxy(std::shared_ptr<Link> link) : link_(std::move(link)) {}

  Variant Invoke(std::string_view name, TDispatchKind kind, std::vector<Variant>& args) override {
    return Owner()->CallServer(name, WireKind(kind), args);
  }
  bool HasMember(std::string_view name) const override {
    std::vector<Variant> none;
    return Owner()->CallServer(name, TWireCallKind::HasMember, none).AsBoolean();
  }
  bool RemoteIdOn(const TWireChannel* channel, std::uint64_t& id) const override {
    if (!link_->owner || !link_->owner->RemoteIdOn(channel)) return false;
    id = 0;
    return true;
  }

 private:
  TSocketConnection* Owner() const {
    if (!link_->owner)
      throw ESocketConnectionError("Socket error: the connection component no longer exists");
    return link_->owner;
  }
  std::shared_ptr<Link> link_;
};

VCL_IMPLEMENT_COMPONENT(TSocketConnection, TCustomRemoteServer)

void TSocketConnection::Publish(TPublisher& p) {
  p.String("Address", &TSocketConnection::Address, &TSocketConnection::SetAddress);
  p.String("Host", &TSocketConnection::Host, &TSocketConnection::SetHost);
  p.Integer("Port", &TSocketConnection::Port, &TSocketConnection::SetPort);
  p.String("ServerName", &TSocketConnection::ServerName, &TSocketConnection::SetServerName);
  p.String("ServerGUID", &TSocketConnection::ServerGUID, &TSocketConnection::SetServerGUID);
  p.Integer("Timeout", &TSocketConnection::Timeout, &TSocketConnection::SetTimeout);
  p.Object("ObjectBroker", &TSocketConnection::ObjectBroker, &TSocketConnection::SetObjectBroker);
}

TSocketConnection::TSocketConnection(TComponent* owner)
    : TCustomRemoteServer(owner), link_(std::make_shared<Link>()) {
  link_->owner = this;
  proxy_ = std::make_shared<ServerProxy>(link_);
}

TSocketConnection::~TSocketConnection() {
  link_->owner = nullptr;
  if (channel_) channel_->Close();
  channel_.reset();
}

void TSocketConnection::SetAddress(const AnsiString& value) {
  if (value == address_) return;
  if (channel_) DoDisconnect();
  address_ = value;
}

void TSocketConnection::SetHost(const AnsiString& value) {
  if (value == host_) return;
  if (channel_) DoDisconnect();
  host_ = value;
}

void TSocketConnection::SetPort(int value) {
  if (value == port_) return;
  if (channel_) DoDisconnect();
  port_ = value;
}

void TSocketConnection::SetServerName(const AnsiString& value) {
  if (value == serverName_) return;
  if (channel_) DoDisconnect();
  serverName_ = value;
}

void TSocketConnection::SetServerGUID(const AnsiString& value) {
  serverGUID_ = value;
}

void TSocketConnection::SetObjectBroker(TSimpleObjectBroker* value) {
  if (value == broker_) return;
  if (broker_) broker_->RemoveFreeNotification(this);
  broker_ = value;
  if (broker_) broker_->FreeNotification(this);
}

void TSocketConnection::Notification(TComponent* component, TOperation operation) {
  TCustomRemoteServer::Notification(component, operation);
  if (operation == TOperation::opRemove && component == broker_) broker_ = nullptr;
}

void TSocketConnection::Loaded() {
  TCustomRemoteServer::Loaded();
  if (streamedConnected_) {
    streamedConnected_ = false;
    SetConnected(true);
  }
}

bool TSocketConnection::Connected() const {
  if (!inProcess_.IsEmpty()) return true;
  return channel_ && channel_->IsOpen();
}

void TSocketConnection::SetConnected(bool value) {
  if (ComponentState() & csLoading) {
    streamedConnected_ = value;
    return;
  }
  if (value == Connected()) return;
  if (value) {
    DoConnect();
  } else if (!inProcess_.IsEmpty()) {
    inProcess_ = Variant();
    AfterDisconnect(this);
  } else {
    DoDisconnect();
  }
}

Variant TSocketConnection::GetServer() {
  if (!Connected()) SetConnected(true);
  return AppServer();
}

Variant TSocketConnection::AppServer() const {
  if (!inProcess_.IsEmpty()) return inProcess_;
  if (channel_ && channel_->IsOpen()) return Variant(proxy_);
  return Variant();
}

void TSocketConnection::SetAppServer(const Variant& server) {
  if (channel_) DoDisconnect();
  inProcess_ = server.Deref();
  if (!inProcess_.IsEmpty()) AfterConnect(this);
}

bool TSocketConnection::RemoteIdOn(const TWireChannel* channel) const {
  return channel_ && channel_.get() == channel;
}

void TSocketConnection::DoDisconnect() {
  std::shared_ptr<TWireChannel> channel = std::move(channel_);
  channel_.reset();
  if (!channel) return;
  channel->Close();
  if (!(ComponentState() & csDestroying)) AfterDisconnect(this);
}

std::shared_ptr<TWireChannel> TSocketConnection::Open(const AnsiString& host, int port) {
  if (host.empty()) throw ESocketConnectionError("Socket error: no address or host given");
  AnsiString endpoint = WireEndpoint(host, port);
  if (port <= 0 || port > 65535)
    throw ESocketConnectionError("Socket error: invalid port (" + endpoint + ")");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  // An Address is an IP address as text and is never looked up by name.
  bool numeric = !address_.empty() && host == address_ && !broker_;
  if (numeric) hints.ai_flags = AI_NUMERICHOST;
  addrinfo* found = nullptr;
  int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0 || !found)
    throw ESocketConnectionError(AnsiString("Socket error: ") +
                                 (numeric ? "invalid address" : "host not found") + " (" +
                                 endpoint + ")");
  std::optional<std::chrono::steady_clock::time_point> deadline;
  if (timeout_ > 0)
    deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_);
  int fd = -1;
  int error = ECONNREFUSED;
  for (addrinfo* ai = found; ai && fd < 0; ai = ai->ai_next) {
    int s = ::socket(ai->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) {
      error = errno;
      continue;
    }
    if (::connect(s, ai->ai_addr, ai->ai_addrlen) == 0) {
      fd = s;
      break;
    }
    error = errno;
    if (error == EINPROGRESS) {
      int wait = -1;
      if (deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            *deadline - std::chrono::steady_clock::now());
        wait = static_cast<int>(std::max<long long>(0, left.count()));
      }
      pollfd p{s, POLLOUT, 0};
      int r;
      do {
        r = ::poll(&p, 1, wait);
      } while (r < 0 && errno == EINTR);
      if (r == 0) {
        error = ETIMEDOUT;
      } else {
        socklen_t len = sizeof error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
        if (error == 0) {
          fd = s;
          break;
        }
      }
    }
    ::close(s);
    if (error == ETIMEDOUT) break;
  }
  ::freeaddrinfo(found);
  if (fd < 0)
    throw ESocketConnectionError("Socket error: " + ConnectErrorText(error) + " (" + endpoint +
                                 ")");
  return TWireChannel::Create(fd, endpoint, "server", timeout_);
}

void TSocketConnection::DoConnect() {
  if (!inProcess_.IsEmpty()) return;
  if (channel_) DoDisconnect();
  AnsiString name = serverName_.empty() ? serverGUID_ : serverName_;
  if (name.empty()) throw EDatabaseError("Missing ServerName or ServerGUID");
  std::shared_ptr<TWireChannel> channel;
  if (broker_) {
    // Each failure marks its computer; the broker raises once none is left.
    for (int attempts = broker_->Servers()->Count() + 1;; --attempts) {
      AnsiString computer = serverGUID_.empty() ? broker_->GetComputerForProgID(serverName_)
                                                : broker_->GetComputerForGUID(serverGUID_);
      int port = broker_->GetPortForComputer(computer);
      try {
        channel = Open(computer, port > 0 ? port : port_);
        channel->Connect(name);
        broker_->SetConnectStatus(computer, true);
        break;
      } catch (const ESocketConnectionError&) {
        broker_->SetConnectStatus(computer, false);
        if (attempts <= 1) throw;
      }
    }
  } else {
    channel = Open(address_.empty() ? host_ : address_, port_);
    channel->Connect(name);
  }
  channel_ = std::move(channel);
  AfterConnect(this);
}

Variant TSocketConnection::CallServer(std::string_view name, TWireCallKind kind,
                                      std::vector<Variant>& args) {
  if (!inProcess_.IsEmpty()) {
    // The program kept the proxy from a socket connection that now has an in-process server.
    DispatchPtr server = DispatchOf(inProcess_);
    if (kind == TWireCallKind::HasMember) return Variant(server->HasMember(name));
    TDispatchKind k = kind == TWireCallKind::PropertyGet   ? TDispatchKind::PropertyGet
                      : kind == TWireCallKind::PropertyPut ? TDispatchKind::PropertyPut
                                                           : TDispatchKind::Method;
    return server->Invoke(name, k, args);
  }
  if (!channel_ || !channel_->IsOpen()) DoConnect();
  std::shared_ptr<TWireChannel> channel = channel_;
  try {
    return channel->Call(0, name, kind, args);
  } catch (const ESocketConnectionError&) {
    // The channel is closed: mark the connection closed so that the next call reconnects.
    if (channel_ == channel) DoDisconnect();
    throw;
  }
}

}  // namespace vcl
