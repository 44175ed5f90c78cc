// The socket connection to an application server, and a simple broker that picks the server
// computer.
//
// A TSocketConnection opens a TCP connection to a TAppServerHost, asks it for the server object
// named by ServerName and gives that object to the program as AppServer(): a dispatch object
// whose members are called by name (OleCall, OleGet, OlePut) and run on the server. Errors
// raised by the server object arrive as EOleException with the server's message; a failed
// connection (refused, unreachable, timed out, closed by the server) raises
// ESocketConnectionError, marks the connection closed, and the next call connects again.
#pragma once

#include <memory>
#include <random>

#include "platform/db/RemoteServer.h"
#include "platform/db/Wire.h"
#include "platform/vcl/Classes.h"

namespace vcl {

// A connection that cannot be made or that failed. It derives from EOleError so that calls made
// through OleCall on the server object let it through as it is (OleCall turns other exceptions
// raised inside an object into EOleException).
VCL_DECLARE_EXCEPTION(ESocketConnectionError, EOleError)

// ---- Object broker ------------------------------------------------------------------------

class TServerItem : public TCollectionItem {
  VCL_DECLARE_PERSISTENT(TServerItem)
 public:
  explicit TServerItem(TCollection* collection);

  const AnsiString& ComputerName() const { return computerName_; }
  void SetComputerName(const AnsiString& value);
  // 0: the connection's own port.
  int Port() const { return port_; }
  void SetPort(int value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Set when a connection to this computer failed; cleared by a successful one.
  bool HasFailed() const { return hasFailed_; }
  void SetHasFailed(bool value) { hasFailed_ = value; }

  void Assign(const TPersistent* source) override;
  AnsiString DisplayName() const override;

 private:
  AnsiString computerName_;
  int port_ = 0;
  bool enabled_ = true;
  bool hasFailed_ = false;
};

class TServerItems : public TCollection {
  VCL_DECLARE_PERSISTENT(TServerItems)
 public:
  TServerItems();
  TServerItem* Add();
  // Raises EListError "List index out of bounds (<index>)".
  TServerItem* Items(int index) const;
};

// Picks the computer a connection goes to: the first enabled server that has not failed, or
// a random one of them when LoadBalanced. When none is left it raises EDatabaseError
// "No server available".
class TSimpleObjectBroker : public TComponent {
  VCL_DECLARE_COMPONENT(TSimpleObjectBroker)
 public:
  explicit TSimpleObjectBroker(TComponent* owner);
  ~TSimpleObjectBroker() override;

  TServerItems* Servers() const { return servers_; }
  void SetServers(TServerItems* value);  // copies the items
  bool LoadBalanced() const { return loadBalanced_; }
  void SetLoadBalanced(bool value) { loadBalanced_ = value; }

  virtual AnsiString GetComputerForGUID(const AnsiString& guid);
  virtual AnsiString GetComputerForProgID(const AnsiString& progID);
  // The port of that computer's server item (0 when it has none or is not listed).
  virtual int GetPortForComputer(const AnsiString& computerName);
  // Marks the computer's server item failed (or not) after a connection attempt.
  virtual void SetConnectStatus(const AnsiString& computerName, bool success);

 private:
  AnsiString NextComputer();
  TServerItems* servers_;
  bool loadBalanced_ = false;
  std::mt19937 random_;
};

// ---- Socket connection ----------------------------------------------------------------------

class TSocketConnection : public TCustomRemoteServer {
  VCL_DECLARE_COMPONENT(TSocketConnection)
 public:
  explicit TSocketConnection(TComponent* owner);
  ~TSocketConnection() override;

  // The server's IP address as text; "" means Host is used.
  const AnsiString& Address() const { return address_; }
  void SetAddress(const AnsiString& value);
  const AnsiString& Host() const { return host_; }
  void SetHost(const AnsiString& value);
  int Port() const { return port_; }
  void SetPort(int value);
  // The ProgID of the server object the host creates.
  const AnsiString& ServerName() const { return serverName_; }
  void SetServerName(const AnsiString& value);
  // Kept for the broker's choice; the host is asked by ServerName.
  const AnsiString& ServerGUID() const { return serverGUID_; }
  void SetServerGUID(const AnsiString& value);
  // Milliseconds that connecting, each send and each wait for an answer may take; 0 or less
  // waits without a bound.
  int Timeout() const { return timeout_; }
  void SetTimeout(int value) { timeout_ = value; }
  // When set, the broker chooses the computer (and its port when the item has one), and a
  // computer that cannot be reached is marked failed and the next one tried.
  TSimpleObjectBroker* ObjectBroker() const { return broker_; }
  void SetObjectBroker(TSimpleObjectBroker* value);

  bool Connected() const override;
  // Connecting raises ESocketConnectionError when the server cannot be reached and
  // EOleException when the host cannot create the server object.
  void SetConnected(bool value) override;
  Variant GetServer() override;
  Variant AppServer() const override;

  // Gives the connection a server object in this process (no socket is opened): AppServer()
  // and GetServer() return it and Connected reads true until the connection is closed.
  void SetAppServer(const Variant& server);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;

 private:
  class ServerProxy;
  struct Link {
    TSocketConnection* owner = nullptr;
  };
  void DoConnect();
  void DoDisconnect();
  std::shared_ptr<TWireChannel> Open(const AnsiString& host, int port);
  Variant CallServer(std::string_view name, TWireCallKind kind, std::vector<Variant>& args);
  bool RemoteIdOn(const TWireChannel* channel) const;

  AnsiString address_;
  AnsiString host_;
  int port_ = 211;
  AnsiString serverName_;
  AnsiString serverGUID_;
  int timeout_ = 30000;
  TSimpleObjectBroker* broker_ = nullptr;
  bool streamedConnected_ = false;

  std::shared_ptr<Link> link_;
  DispatchPtr proxy_;  // the server object as the program sees it; same across reconnections
  std::shared_ptr<TWireChannel> channel_;
  Variant inProcess_;
};

}  // namespace vcl
