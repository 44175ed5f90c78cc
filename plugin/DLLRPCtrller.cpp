#include "plugin/DLLRPCtrller.h"

#include "framework/BaseGene.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/System.h"

namespace kv {

const vcl::TClass* TDLLRPCtrller::StaticClass() {
  static const vcl::TClass cls("TDLLRPCtrller", TDLLBaseController::StaticClass(),
                               [](vcl::TObject*) -> vcl::TObject* { return new TDLLRPCtrller; });
  return &cls;
}

namespace {

// The controller unit's initialisation: the report-program controller is the one
// GetController makes (registered once, at load).
const bool kRegistered = [] {
  if (!DLLControllerClass) DLLControllerClass = TDLLRPCtrller::StaticClass();
  return true;
}();

constexpr int kModalCancel = 2;

}  // namespace

TDLLRPCtrller::~TDLLRPCtrller() {
  if (Form) FreeForm();
}

void TDLLRPCtrller::GetVersion(vcl::WideString& version) {
  if (Form) version = vcl::AnsiToWide(Form->Version);
}

vcl::WordBool TDLLRPCtrller::GetVisible() {
  return Form && Form->Visible() ? vcl::kWordTrue : vcl::kWordFalse;
}

void TDLLRPCtrller::SetVisible(vcl::WordBool visible) {
  if (!Form) return;
  Form->SetVisible(visible != vcl::kWordFalse);
  if (visible == vcl::kWordFalse || !Form) return;
  if (Form->WindowState() == vcl::TWindowState::wsMinimized)
    Form->SetWindowState(vcl::TWindowState::wsNormal);
  Form->BringToForeground();
}

vcl::HWND TDLLRPCtrller::GetHandle() {
  return Form ? Form->Handle() : 0;
}

std::int32_t TDLLRPCtrller::Initialize(vcl::Variant params) {
  // A second initialisation while the form lives is refused: hooking again would put the
  // controller's handlers in front of themselves.
  if (Form) return -1;
  std::int32_t result = -1;
  vcl::TClass::Creator create = frmBaseGeneClass ? frmBaseGeneClass->GetCreator() : nullptr;
  if (!create) throw vcl::Exception(NotAssignedMessage("frmBaseGeneClass"));
  vcl::TObject* made = create(nullptr);
  Form = dynamic_cast<TfrmBaseGene*>(made);
  if (!Form) {
    delete made;
    throw vcl::Exception(NotAssignedMessage("frmBaseGeneClass"));
  }
  Form->SetModuleFileName(vcl::GetModuleFileNameOf(reinterpret_cast<const void*>(&GetController)));
  Form->HostObject = HostObject;
  DoFormCreate(this);

  SavedOnShow = Form->OnShow;
  Form->OnShow = vcl::MethodOf<&TDLLRPCtrller::DoFormShow>(this);
  SavedOnHide = Form->OnHide;
  Form->OnHide = vcl::MethodOf<&TDLLRPCtrller::DoFormHide>(this);
  SavedOnDestroy = Form->OnDestroy;
  Form->OnDestroy = vcl::MethodOf<&TDLLRPCtrller::DoFormDestroy>(this);

  if (Form->InitWithParams(params)) result = 0;
  return result;
}

std::int32_t TDLLRPCtrller::Relay(const vcl::Variant& command) {
  try {
    Form->HandleHostCommand(command);
    return 0;
  } catch (...) {
    return -1;
  }
}

std::int32_t TDLLRPCtrller::Execute(vcl::Variant command) {
  if (!Form || command.IsNull() || !command.IsArray()) return -1;
  try {
    const int low = vcl::VarArrayLowBound(command, 1);
    if (vcl::VarArrayHighBound(command, 1) < low + 1) return -1;
    return Relay(command[low + 1]);
  } catch (...) {
    return -1;
  }
}

std::int32_t TDLLRPCtrller::HandleMessage(std::int32_t messageType, std::int32_t,
                                          vcl::Variant data) {
  if (!Form || (messageType != 5 && messageType != 9)) return -1;
  return Relay(data);
}

void TDLLRPCtrller::ShowModalForm(vcl::Variant& result) {
  result = Form ? Form->ShowModal() : kModalCancel;
}

void TDLLRPCtrller::FreeForm() {
  if (Form && !(Form->ComponentState() & vcl::csDestroying)) Form->Free();
}

std::int32_t TDLLRPCtrller::GetInfo(vcl::Variant& info) {
  if (!Form) return -1;
  info = vcl::VarArrayOf({Form->UserID, Form->CompanyID, Form->ProgramID, Form->ProgramTitle});
  return 0;
}

bool TDLLRPCtrller::IsFormFreed() {
  return Form == nullptr;
}

void TDLLRPCtrller::DoFormShow(vcl::TObject* sender) {
  if (SavedOnShow) SavedOnShow(sender);
  TDLLBaseController::DoFormShow(sender);
}

void TDLLRPCtrller::DoFormHide(vcl::TObject* sender) {
  if (SavedOnHide) SavedOnHide(sender);
  TDLLBaseController::DoFormHide(sender);
}

void TDLLRPCtrller::DoFormDestroy(vcl::TObject* sender) {
  if (Form) {
    ResultCode = Form->JobResultCode;
    ResultData = Form->JobResultText;
    if (SavedOnDestroy) SavedOnDestroy(sender);
    TDLLBaseController::DoFormDestroy(sender);
  }
  Form = nullptr;
}

}  // namespace kv
