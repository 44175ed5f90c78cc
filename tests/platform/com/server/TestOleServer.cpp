// An automation server library: it creates "ComTest.Counter" objects for the tests that load
// it through a registry entry, and refuses every other ProgID.
#include <cstring>

#include "platform/com/ComObj.h"

namespace {

class TCounter : public vcl::TAutoObject {
 public:
  TCounter() {
    DefineProperty(
        "Value", [this](std::vector<vcl::Variant>&) { return vcl::Variant(value_); },
        [this](std::vector<vcl::Variant>&, const vcl::Variant& v) { value_ = v.AsInteger(); });
    DefineMethod("Next", [this](std::vector<vcl::Variant>& args) {
      CheckArgCount(args, 0, 1);
      value_ += args.empty() ? 1 : args[0].AsInteger();
      return vcl::Variant(value_);
    });
  }

 private:
  int value_ = 0;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) vcl::HRESULT DllCreateObject(
    const char* progID, vcl::DispatchPtr* object) {
  if (strcasecmp(progID, "ComTest.Counter") != 0) return vcl::CO_E_CLASSSTRING;
  *object = std::make_shared<TCounter>();
  return 0;
}
