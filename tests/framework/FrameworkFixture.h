// Test forms derived from the generic condition form, a host built from the demo catalogue,
// and helpers to read what the form posted to itself.
#pragma once

#include <memory>

#include "framework/BaseGene.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/ui/ScriptedUser.h"
#include "suite/host/HostObject.h"

namespace frameworktest {

using kv::TfrmBaseGene;
using vcl::AnsiString;
using vcl::Variant;

// The module form as the plug-in names it, with probes on the overridable operations.
class TfrmProbe : public TfrmBaseGene {
 public:
  explicit TfrmProbe(vcl::TComponent* owner, const char* name = "frmZkpr42") : TfrmBaseGene(owner) {
    SetName(name);
  }
  bool ApplyHostValues(const Variant& values) override {
    appliedValues = values;
    return applyResult;
  }
  bool RunHostMode(std::int32_t mode) override {
    ranMode = mode;
    return true;
  }
  void LookupKey(std::uint16_t key, vcl::TControl* control) override {
    lookupKey = key;
    lookupControl = control;
    TfrmBaseGene::LookupKey(key, control);
  }
  void ConfigureConnection(vcl::TSocketConnection* connection) override {
    if (!serverName.empty()) {
      connection->SetServerName(serverName);
      connection->SetAddress(address);
    }
  }

  bool applyResult = false;
  Variant appliedValues;
  int ranMode = -1;
  std::uint16_t lookupKey = 0;
  vcl::TControl* lookupControl = nullptr;
  AnsiString serverName, address;
};

using FormPtr = std::unique_ptr<TfrmProbe, vcl::TFreeDeleter>;

inline FormPtr NewForm(const char* name = "frmZkpr42") {
  return FormPtr(new TfrmProbe(nullptr, name));
}

// The five host parameters: user, company, database, host window, reserved.
inline Variant HostParams(int highBound) {
  std::vector<Variant> all{Variant("ADMIN"), Variant("01"), Variant("STEWARD"), Variant(4711),
                           Variant("x")};
  all.resize(static_cast<size_t>(highBound + 1));
  return vcl::VarArrayOf(all);
}

// Takes every pending message; true when one of them is a close request for `form`.
inline bool TakeClosePosted(vcl::TCustomForm& form) {
  bool posted = false;
  vcl::TMessage m;
  while (vcl::PeekMessage(m))
    if (m.msg == vcl::WM_CLOSE && m.hwnd == form.Handle()) posted = true;
  return posted;
}

inline AnsiString Gb(std::u8string_view text) {
  return vcl::DesignText(text);
}

}  // namespace frameworktest
