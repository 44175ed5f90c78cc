// The report-program controller: owns at most one module form (created on the first
// Initialize from frmBaseGeneClass), watches its show, hide and destroy events, relays host
// commands to it and reports the form's events and job result to the host.
#pragma once

#include "platform/vcl/Events.h"
#include "plugin/DLLBaseCtrller.h"

namespace kv {

class TfrmBaseGene;

class TDLLRPCtrller : public TDLLBaseController {
 public:
  static const vcl::TClass* StaticClass();
  const vcl::TClass* ClassType() const override { return StaticClass(); }

  TDLLRPCtrller() = default;
  // Frees a live form first (its destroy hook reports event 304).
  ~TDLLRPCtrller() override;

  void GetVersion(vcl::WideString& version) override;
  vcl::WordBool GetVisible() override;
  void SetVisible(vcl::WordBool visible) override;
  vcl::HWND GetHandle() override;
  std::int32_t Initialize(vcl::Variant params) override;
  std::int32_t Execute(vcl::Variant command) override;
  std::int32_t HandleMessage(std::int32_t messageType, std::int32_t reserved,
                             vcl::Variant data) override;
  void ShowModalForm(vcl::Variant& result) override;
  void FreeForm() override;
  std::int32_t GetInfo(vcl::Variant& info) override;
  bool IsFormFreed() override;
  void DoFormShow(vcl::TObject* sender) override;
  void DoFormHide(vcl::TObject* sender) override;
  void DoFormDestroy(vcl::TObject* sender) override;

  // Fields, in the host's order after the base ones.
  TfrmBaseGene* Form = nullptr;
  vcl::TNotifyEvent SavedOnShow;
  vcl::TNotifyEvent SavedOnHide;
  vcl::TNotifyEvent SavedOnDestroy;

 private:
  // Passes a host command to the form; -1 when it raises.
  std::int32_t Relay(const vcl::Variant& command);
};

}  // namespace kv
