#include "platform/db/AppServerHost.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/com/ComObj.h"
#include "platform/db/SConnect.h"

namespace vcl {

TAppServerHost::TAppServerHost() = default;

TAppServerHost::TAppServerHost(TServerFactory factory) : factory_(std::move(factory)) {}

TAppServerHost::~TAppServerHost() {
  Stop();
}

void TAppServerHost::Start(int port, const AnsiString& address) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (listenFd_ >= 0) throw EOleError("The application server host is already listening");
  AnsiString endpoint = WireEndpoint(address, port);
  if (port < 0 || port > 65535)
    throw ESocketConnectionError("Socket error: invalid port (" + endpoint + ")");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
  addrinfo* found = nullptr;
  if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
    throw ESocketConnectionError("Socket error: invalid address (" + endpoint + ")");
  int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    // A port left in TIME_WAIT by an earlier host can be listened on again at once.
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0 || ::listen(fd, SOMAXCONN) != 0) {
      error = errno;
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0)
    throw ESocketConnectionError(
        "Socket error: " +
        AnsiString(error == EADDRINUSE ? "address already in use" : std::strerror(error)) + " (" +
        endpoint + ")");
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  port_ = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = errno;
    ::close(fd);
    port_ = 0;
    throw ESocketConnectionError("Socket error: " + AnsiString(std::strerror(error)) + " (" +
                                 endpoint + ")");
  }
  listenFd_ = fd;
  listener_ = std::thread([this] { Listen(); });
}

void TAppServerHost::Listen() {
  for (;;) {
    pollfd p[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    int r = ::poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;
    if (!(p[0].revents & POLLIN)) continue;
    sockaddr_storage from{};
    socklen_t length = sizeof from;
    int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&from), &length,
                       SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      // Out of descriptors: wait a moment (or for Stop) rather than spin.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        ::poll(&p[1], 1, 50);
      continue;
    }
    char host[NI_MAXHOST] = "?";
    char service[NI_MAXSERV] = "0";
    ::getnameinfo(reinterpret_cast<sockaddr*>(&from), length, host, sizeof host, service,
                  sizeof service, NI_NUMERICHOST | NI_NUMERICSERV);
    Accepted(fd, WireEndpoint(host, std::atoi(service)));
  }
}

void TAppServerHost::Accepted(int fd, const AnsiString& peer) {
  Reap();
  std::lock_guard<std::mutex> lock(mutex_);
  Connection& c = connections_.emplace_back();
  c.channel = TWireChannel::Create(fd, peer, "client", timeout_, limits_);
  std::shared_ptr<TWireChannel> channel = c.channel;
  Connection* record = &c;
  c.thread = std::thread([this, channel, record] {
    try {
      channel->Serve([this](const AnsiString& serverName) {
        return factory_ ? factory_(serverName) : CreateComObject(serverName);
      });
    } catch (...) {
      // A socket failure or a malformed message ends this connection only.
    }
    channel->Close();
    std::lock_guard<std::mutex> done(mutex_);
    record->done = true;
  });
}

void TAppServerHost::Reap() {
  std::list<Connection> finished;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      auto next = std::next(it);
      if (it->done) finished.splice(finished.end(), connections_, it);
      it = next;
    }
  }
  for (Connection& c : finished) c.thread.join();
}

void TAppServerHost::Stop() {
  int wake = -1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wake = wakeFds_[1];
  }
  if (wake >= 0) {
    char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(wake, &byte, 1);
  }
  if (listener_.joinable()) listener_.join();
  std::list<Connection> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (listenFd_ >= 0) ::close(listenFd_);
    for (int& f : wakeFds_) {
      if (f >= 0) ::close(f);
      f = -1;
    }
    listenFd_ = -1;
    port_ = 0;
    for (Connection& c : connections_) c.channel->Shutdown();
    all.splice(all.end(), connections_);
  }
  for (Connection& c : all) c.thread.join();
}

bool TAppServerHost::Active() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listenFd_ >= 0;
}

int TAppServerHost::Port() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return port_;
}

int TAppServerHost::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  int count = 0;
  for (const Connection& c : connections_)
    if (!c.done) ++count;
  return count;
}

int TAppServerHost::Timeout() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timeout_;
}

void TAppServerHost::SetTimeout(int ms) {
  std::lock_guard<std::mutex> lock(mutex_);
  timeout_ = ms;
}

TWireLimits TAppServerHost::Limits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return limits_;
}

void TAppServerHost::SetLimits(const TWireLimits& limits) {
  std::lock_guard<std::mutex> lock(mutex_);
  limits_ = limits;
}

void TAppServerHost::CloseConnections() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Connection& c : connections_)
    if (!c.done) c.channel->Shutdown();
}

}  // namespace vcl
