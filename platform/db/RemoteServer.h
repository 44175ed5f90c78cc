// The client side's view of an application server: something that holds the server object
// (a dispatch object) that client data sets and forms call by member name.
#pragma once

#include "platform/db/DBTypes.h"
#include "platform/rtl/Variant.h"
#include "platform/vcl/Classes.h"

namespace vcl {

class TCustomRemoteServer : public TComponent {
  VCL_DECLARE_COMPONENT(TCustomRemoteServer)
 public:
  explicit TCustomRemoteServer(TComponent* owner) : TComponent(owner) {}

  // The server object; connects first when not connected. Raises EDatabaseError (or the
  // connection's own error) when there is none.
  virtual Variant GetServer() = 0;
  // The server object as it is now (empty when not connected); never connects.
  virtual Variant AppServer() const = 0;
  virtual bool Connected() const = 0;
  virtual void SetConnected(bool value) = 0;
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  TNotifyEvent AfterConnect;
  TNotifyEvent AfterDisconnect;
};

}  // namespace vcl
