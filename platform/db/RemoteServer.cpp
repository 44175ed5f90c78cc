#include "platform/db/RemoteServer.h"

namespace vcl {

// The connection events are common to every kind of connection; the connection classes
// publish their own settings.
VCL_IMPLEMENT_ABSTRACT_COMPONENT(TCustomRemoteServer, TComponent)

void TCustomRemoteServer::Publish(TPublisher& p) {
  p.Bool("Connected", &TCustomRemoteServer::Connected, &TCustomRemoteServer::SetConnected);
  p.Event("AfterConnect", "TNotifyEvent", &TCustomRemoteServer::AfterConnect);
  p.Event("AfterDisconnect", "TNotifyEvent", &TCustomRemoteServer::AfterDisconnect);
}

}  // namespace vcl
