#include "plugin/DLLBaseCtrller.h"

#include "platform/rtl/Exception.h"

namespace kv {

VCL_IMPLEMENT_CLASS(TDLLBaseController, vcl::TObject)

const vcl::TClass* DLLControllerClass = nullptr;
const vcl::TClass* frmBaseGeneClass = nullptr;

vcl::AnsiString NotAssignedMessage(const char* variable) {
  return vcl::AnsiString("KVL DLL Internal Error :") + "\r" + "Not Assign \"" + variable +
         "\" varible";
}

void TDLLBaseController::DoFormCreate(vcl::TObject*) {
  DoEvent(kEventFormCreated);
}

void TDLLBaseController::DoFormShow(vcl::TObject*) {
  DoEvent(kEventFormShown);
}

void TDLLBaseController::DoFormHide(vcl::TObject*) {
  DoEvent(kEventFormHidden);
}

void TDLLBaseController::DoFormDestroy(vcl::TObject*) {
  DoEvent(kEventFormDestroyed);
}

void TDLLBaseController::DoUserEvent() {
  DoEvent(kEventUser);
}

void TDLLBaseController::DoEvent(std::int32_t code) {
  if (OnEvent) OnEvent.code(OnEvent.context, code, this);
}

void TDLLBaseController::ReservedHook() {}

}  // namespace kv

kv::TDLLBaseController* GetController() {
  const vcl::TClass* cls = kv::DLLControllerClass;
  vcl::TClass::Creator create = cls ? cls->GetCreator() : nullptr;
  if (!create) throw vcl::Exception(kv::NotAssignedMessage("DLLControllerClass"));
  vcl::TObject* made = create(nullptr);
  auto* controller = dynamic_cast<kv::TDLLBaseController*>(made);
  if (!controller) {
    // A class that is not a controller counts as no registration.
    delete made;
    throw vcl::Exception(kv::NotAssignedMessage("DLLControllerClass"));
  }
  return controller;
}
