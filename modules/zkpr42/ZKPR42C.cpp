// The library's start-up code: the module form class is the one the controller creates.
#include "modules/zkpr42/Zkpr42CF.h"
#include "plugin/DLLRPCtrller.h"

namespace {

const bool kModuleRegistered = [] {
  kv::frmBaseGeneClass = kv::TfrmZkpr42::StaticClass();
  vcl::RegisterClass(kv::TfrmZkpr42::StaticClass());
  // The controller unit registers itself when it is part of the library; naming its class
  // here keeps it (and the GetController export) in.
  return kv::TDLLRPCtrller::StaticClass() != nullptr;
}();

}  // namespace
