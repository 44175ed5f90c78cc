#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/Exception.h"
#include "plugin/DLLBaseCtrller.h"

namespace kv {
namespace {

// A controller with every abstract slot answered plainly, to exercise the base behaviour.
class TProbeController : public TDLLBaseController {
 public:
  static const vcl::TClass* StaticClass() {
    static const vcl::TClass cls(
        "TProbeController", TDLLBaseController::StaticClass(),
        [](vcl::TObject*) -> vcl::TObject* { return new TProbeController; });
    return &cls;
  }
  const vcl::TClass* ClassType() const override { return StaticClass(); }
  void GetVersion(vcl::WideString&) override {}
  vcl::WordBool GetVisible() override { return 0; }
  void SetVisible(vcl::WordBool) override {}
  vcl::HWND GetHandle() override { return 0; }
  std::int32_t Initialize(vcl::Variant) override { return -1; }
  std::int32_t Execute(vcl::Variant) override { return -1; }
  std::int32_t HandleMessage(std::int32_t, std::int32_t, vcl::Variant) override { return -1; }
  void ShowModalForm(vcl::Variant&) override {}
  void FreeForm() override {}
  std::int32_t GetInfo(vcl::Variant&) override { return -1; }
  bool IsFormFreed() override { return true; }
};

// Restores the registration variables after a test.
struct Registration : ::testing::Test {
  ~Registration() override {
    DLLControllerClass = savedController;
    frmBaseGeneClass = savedForm;
  }
  const vcl::TClass* savedController = DLLControllerClass;
  const vcl::TClass* savedForm = frmBaseGeneClass;
};

TEST_F(Registration, GetControllerNeedsTheRegisteredClass) {
  DLLControllerClass = nullptr;
  try {
    delete GetController();
    FAIL() << "no controller class: must raise";
  } catch (const vcl::Exception& e) {
    EXPECT_EQ(std::string(e.Message()),
              "KVL DLL Internal Error :\rNot Assign \"DLLControllerClass\" varible");
  }
  // A registered class that cannot be created, or is no controller, counts as none.
  DLLControllerClass = TDLLBaseController::StaticClass();
  EXPECT_THROW(GetController(), vcl::Exception);
  DLLControllerClass = TProbeController::StaticClass();
  std::unique_ptr<TDLLBaseController> a(GetController()), b(GetController());
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, b) << "a new controller on every call";
  EXPECT_STREQ(a->ClassName(), "TProbeController");
  EXPECT_EQ(NotAssignedMessage("frmBaseGeneClass"),
            "KVL DLL Internal Error :\rNot Assign \"frmBaseGeneClass\" varible");
}

struct Received {
  std::vector<std::int32_t> codes;
  std::vector<TDLLBaseController*> senders;
};

void Record(void* context, std::int32_t code, TDLLBaseController* sender) {
  auto* r = static_cast<Received*>(context);
  r->codes.push_back(code);
  r->senders.push_back(sender);
}

TEST(ControllerEvents, EachHookRaisesItsCodeWithTheControllerAsSender) {
  TProbeController c;
  c.DoFormCreate(&c);  // no callback set: nothing happens
  Received got;
  c.OnEvent = {&Record, &got};
  vcl::TObject other;
  c.DoFormCreate(&c);
  c.DoFormShow(&other);
  c.DoFormHide(&other);
  c.DoFormDestroy(&other);
  c.DoUserEvent();
  c.ReservedHook();
  EXPECT_EQ(got.codes, (std::vector<std::int32_t>{256, 272, 288, 304, 320}));
  EXPECT_EQ(got.senders, std::vector<TDLLBaseController*>(5, &c));
  EXPECT_EQ(c.ResultCode, 0);
  EXPECT_TRUE(c.ResultData.IsEmpty());
}

}  // namespace
}  // namespace kv
