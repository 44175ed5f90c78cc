// The server side of socket connections: listens on a TCP port, and for each connection
// creates the server object the client names in its connect message and answers its calls.
//
// Each connection has a thread of its own; the calls of a connection run on that thread one
// at a time, and its server object is freed when the connection ends. An exception raised by
// the server object goes back to the client as an error answer. A malformed frame closes only
// the connection it came on.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/db/Wire.h"

namespace vcl {

class TAppServerHost {
 public:
  // Creates the server object for the name a client asks for.
  using TServerFactory = std::function<DispatchPtr(const AnsiString& serverName)>;

  // Server objects are created by ProgID (CreateComObject).
  TAppServerHost();
  explicit TAppServerHost(TServerFactory factory);
  ~TAppServerHost();
  TAppServerHost(const TAppServerHost&) = delete;
  TAppServerHost& operator=(const TAppServerHost&) = delete;

  // Starts listening on `address` (an IP address as text) and `port`; port 0 picks a free
  // one. Raises ESocketConnectionError when the address cannot be used, EOleError when the
  // host is already listening.
  void Start(int port = 0, const AnsiString& address = "127.0.0.1");
  // Closes the listening socket and every connection and waits for their threads. A server
  // method still running keeps Stop waiting until it returns.
  void Stop();
  bool Active() const;
  // The port listened on (0 when not listening).
  int Port() const;
  // Open connections.
  int ConnectionCount() const;
  // Closes the open connections and goes on listening.
  void CloseConnections();

  // Milliseconds that sending an answer, or waiting for a client's answer when a server object
  // calls back an object of the client, may take (0 or less: no bound). Applies to
  // connections accepted afterwards.
  int Timeout() const;
  void SetTimeout(int ms);
  // Limits of the messages accepted, for connections accepted afterwards.
  TWireLimits Limits() const;
  void SetLimits(const TWireLimits& limits);

 private:
  struct Connection {
    std::shared_ptr<TWireChannel> channel;
    std::thread thread;
    bool done = false;
  };
  void Listen();
  void Accepted(int fd, const AnsiString& peer);
  void Reap();

  TServerFactory factory_;
  mutable std::mutex mutex_;
  int timeout_ = 30000;
  TWireLimits limits_;
  int listenFd_ = -1;
  int wakeFds_[2] = {-1, -1};  // a pipe that wakes the listening thread to stop
  int port_ = 0;
  std::thread listener_;
  std::list<Connection> connections_;
};

}  // namespace vcl
