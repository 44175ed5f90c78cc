// The contract between the host launcher and a module plug-in: the one export GetController,
// the controller whose virtual operations the host calls in a fixed slot order and whose
// data fields it reads and writes, the event codes it receives, and the two registration
// variables filled while the library loads. This is the one header a host includes.
//
// Host and plug-in share the platform libraries, so variants and automation objects cross
// the boundary as they are. Booleans that cross it are 16-bit (true = -1); integer results
// are 32-bit, 0 for success and -1 for failure.
#pragma once

#include <cstdint>

#include "platform/rtl/TObject.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

namespace kv {

class TDLLBaseController;

// Events reported to the host.
inline constexpr std::int32_t kEventFormCreated = 0x100;    // 256: the form was just created
inline constexpr std::int32_t kEventFormShown = 0x110;      // 272
inline constexpr std::int32_t kEventFormHidden = 0x120;     // 288
inline constexpr std::int32_t kEventFormDestroyed = 0x130;  // 304: result fields are filled
inline constexpr std::int32_t kEventUser = 0x140;           // 320: only from DoUserEvent

// The host's callback: a code pointer and the context it is called with; the return value is
// not used. Empty when `code` is null.
struct TControllerEvent {
  void (*code)(void* context, std::int32_t eventCode, TDLLBaseController* sender) = nullptr;
  void* context = nullptr;
  explicit operator bool() const { return code != nullptr; }
};

class TDLLBaseController : public vcl::TObject {
  VCL_DECLARE_CLASS(TDLLBaseController)
 public:
  TDLLBaseController() = default;
  ~TDLLBaseController() override = default;

  // Slots 1-11, abstract here.
  virtual void GetVersion(vcl::WideString& version) = 0;
  virtual vcl::WordBool GetVisible() = 0;
  virtual void SetVisible(vcl::WordBool visible) = 0;
  virtual vcl::HWND GetHandle() = 0;
  virtual std::int32_t Initialize(vcl::Variant params) = 0;
  virtual std::int32_t Execute(vcl::Variant command) = 0;
  virtual std::int32_t HandleMessage(std::int32_t messageType, std::int32_t reserved,
                                     vcl::Variant data) = 0;
  virtual void ShowModalForm(vcl::Variant& result) = 0;
  virtual void FreeForm() = 0;
  virtual std::int32_t GetInfo(vcl::Variant& info) = 0;
  virtual bool IsFormFreed() = 0;
  // Slots 12-18.
  virtual void DoFormCreate(vcl::TObject* sender);   // event 256
  virtual void DoFormShow(vcl::TObject* sender);     // event 272
  virtual void DoFormHide(vcl::TObject* sender);     // event 288
  virtual void DoFormDestroy(vcl::TObject* sender);  // event 304
  virtual void DoUserEvent();                        // event 320
  // Calls OnEvent(code, this) when it is set.
  virtual void DoEvent(std::int32_t code);
  virtual void ReservedHook();

  // Data fields, in the order the host knows them.
  vcl::Variant HostObject;      // the host's automation object, set before Initialize
  std::int32_t ResultCode = 0;  // the form's job result code, copied when it is destroyed
  vcl::Variant ResultData;      // the form's job result text (the job number), likewise
  TControllerEvent OnEvent;     // the host's callback; may be empty
};

// The class GetController instantiates (created with its creator and no owner); set by the
// controller unit while the library loads.
extern const vcl::TClass* DLLControllerClass;
// The module form class the controller creates; set by the library's start-up code.
extern const vcl::TClass* frmBaseGeneClass;

// The two-line error of a missing registration: "KVL DLL Internal Error :", a carriage
// return, then "Not Assign \"<variable>\" varible".
vcl::AnsiString NotAssignedMessage(const char* variable);

}  // namespace kv

// Returns a new controller of DLLControllerClass (the host frees it); raises the internal
// error naming "DLLControllerClass" when it is unset.
extern "C" kv::TDLLBaseController* GetController();
