// The real ZKPR42C.so loaded and driven the way the launcher drives it: GetController, the
// host object and callback, Initialize, and the controller's operations.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/rtl/Library.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "plugin/DLLBaseCtrller.h"
#include "suite/host/HostObject.h"
#include "tests/support/TestSupport.h"

namespace {

using vcl::VarArrayOf;
using vcl::Variant;

using GetControllerFn = kv::TDLLBaseController* (*)();

GetControllerFn Export() {
  static vcl::HMODULE module = vcl::LoadLibrary(ZKPR42C_PATH);
  if (!module) return nullptr;
  return reinterpret_cast<GetControllerFn>(vcl::GetProcAddress(module, "GetController"));
}

struct Events {
  std::vector<std::int32_t> codes;
};

void Record(void* context, std::int32_t code, kv::TDLLBaseController*) {
  static_cast<Events*>(context)->codes.push_back(code);
}

Variant Params(int highBound) {
  std::vector<Variant> all{"ADMIN", "01", "demo", 0, "x"};
  all.resize(size_t(highBound + 1));
  return VarArrayOf(all);
}

// Drains posted messages (close requests the form posts to itself run here).
void Pump() {
  vcl::TMessage m;
  while (vcl::PeekMessage(m)) vcl::DispatchMessage(m);
}

struct Plugin : ::testing::Test {
  Plugin() {
    GetControllerFn get = Export();
    if (!get) return;
    controller.reset(get());
    controller->HostObject = host.Object();
    controller->OnEvent = {&Record, &events};
  }
  suite::THost host{suite::DemoCatalogue()};
  vcl::TScriptedUser user;
  Events events;
  std::unique_ptr<kv::TDLLBaseController> controller;
};

TEST_F(Plugin, LoadsAndGivesAFreshReportControllerEachTime) {
  ASSERT_NE(Export(), nullptr) << vcl::LastLibraryError();
  ASSERT_NE(controller, nullptr);
  EXPECT_STREQ(controller->ClassName(), "TDLLRPCtrller");
  std::unique_ptr<kv::TDLLBaseController> other(Export()());
  EXPECT_NE(other.get(), controller.get());
}

TEST_F(Plugin, OperationsWithoutAFormGiveTheirNoFormResults) {
  ASSERT_NE(controller, nullptr);
  vcl::WideString version = u"unchanged";
  controller->GetVersion(version);
  EXPECT_EQ(version, u"unchanged");
  Variant info = "untouched";
  EXPECT_EQ(controller->GetInfo(info), -1);
  EXPECT_EQ(info.AsString(), "untouched");
  Variant modal;
  controller->ShowModalForm(modal);
  EXPECT_EQ(modal.AsInteger(), 2);
  EXPECT_EQ(controller->GetVisible(), 0);
  EXPECT_EQ(controller->GetHandle(), 0u);
  EXPECT_EQ(controller->Execute(VarArrayOf({0, 0})), -1);
  EXPECT_EQ(controller->HandleMessage(5, 0, Variant()), -1);
  controller->SetVisible(vcl::kWordTrue);
  controller->FreeForm();
  EXPECT_TRUE(controller->IsFormFreed());
  EXPECT_TRUE(events.codes.empty());
}

TEST_F(Plugin, InitializeCreatesTheModuleFormAndReportsIt) {
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->Initialize(Params(4)), 0);
  EXPECT_EQ(events.codes, (std::vector<std::int32_t>{256}));
  EXPECT_FALSE(controller->IsFormFreed());
  vcl::WideString version;
  controller->GetVersion(version);
  EXPECT_EQ(version, u"20020702");
  Variant info;
  ASSERT_EQ(controller->GetInfo(info), 0);
  EXPECT_EQ(vcl::VarArrayLowBound(info, 1), 0);
  EXPECT_EQ(vcl::VarArrayHighBound(info, 1), 3);
  EXPECT_EQ(info[0].AsString(), "ADMIN");
  EXPECT_EQ(info[1].AsString(), "01");
  EXPECT_EQ(info[2].AsString(), "ZKPR42") << "the program id from the library's file name";
  EXPECT_FALSE(info[3].AsString().empty()) << "the program register's name";
  EXPECT_NE(controller->GetHandle(), 0u);
  // A second initialisation while the form lives is refused and hooks nothing twice.
  EXPECT_EQ(controller->Initialize(Params(4)), -1);
  EXPECT_EQ(events.codes, (std::vector<std::int32_t>{256}));
}

TEST_F(Plugin, HostCommandsReachTheFormByTypeAndShape) {
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->Initialize(Params(4)), 0);
  const Variant command = VarArrayOf({0, VarArrayOf({true, Variant()})});
  struct Case {
    const char* what;
    std::int32_t result;
    std::function<std::int32_t()> call;
  } cases[] = {
      {"message type 5", 0, [&] { return controller->HandleMessage(5, 0, command); }},
      {"message type 9", 0, [&] { return controller->HandleMessage(9, 7, command); }},
      {"message type 6", -1, [&] { return controller->HandleMessage(6, 0, command); }},
      {"execute an array", 0,
       [&] {
         return controller->Execute(VarArrayOf({0, command}));
       }},
      {"execute a text", -1, [&] { return controller->Execute("mode 0"); }},
      {"execute Null", -1, [&] { return controller->Execute(Variant::NullValue()); }},
      {"execute a one-element array", -1, [&] { return controller->Execute(VarArrayOf({1})); }},
  };
  for (const Case& c : cases) EXPECT_EQ(c.call(), c.result) << c.what;
}

TEST_F(Plugin, ClosingTheFormReportsHideAndDestroyWithTheResult) {
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->Initialize(Params(4)), 0);
  controller->SetVisible(vcl::kWordTrue);
  EXPECT_EQ(controller->GetVisible(), vcl::kWordTrue);
  // The user presses Esc: the form closes and frees itself.
  vcl::TCustomForm* form = vcl::Screen()->ActiveForm();
  ASSERT_NE(form, nullptr);
  std::uint16_t esc = vcl::VK_ESCAPE;
  vcl::TWinControl* target = form->ActiveControl() ? form->ActiveControl() : form;
  target->DispatchKeyDown(esc, {});
  Pump();
  EXPECT_TRUE(controller->IsFormFreed());
  EXPECT_EQ(events.codes, (std::vector<std::int32_t>{256, 272, 288, 304}));
  EXPECT_EQ(controller->ResultCode, 0);
  EXPECT_TRUE(controller->ResultData.IsEmpty());
  // The controller is back in its no-form state.
  Variant info = "untouched";
  EXPECT_EQ(controller->GetInfo(info), -1);
}

TEST_F(Plugin, FreeingTheControllerWithALiveFormDestroysItFirst) {
  ASSERT_NE(controller, nullptr);
  ASSERT_EQ(controller->Initialize(Params(4)), 0);
  controller.reset();
  EXPECT_EQ(events.codes, (std::vector<std::int32_t>{256, 304}));
}

TEST_F(Plugin, ShortParameterArraysAreReportedAndCloseTheForm) {
  ASSERT_NE(controller, nullptr);
  user.ClickButton("OK");
  user.ClickButton("OK");
  EXPECT_EQ(controller->Initialize(Params(3)), -1);
  ASSERT_FALSE(user.Shown().empty());
  EXPECT_EQ(user.Shown()[0].Message, host.Catalogue().messages["E;000038"])
      << "the catalogue's text of the missing-parameter message";
  Pump();
  EXPECT_TRUE(controller->IsFormFreed()) << "the posted close request freed the form";
  EXPECT_EQ(events.codes.back(), 304);
}

TEST_F(Plugin, ParameterArraysOfTheWrongShapeFailWithoutHarm) {
  ASSERT_NE(Export(), nullptr);
  // Not an array: the missing-parameter message and a close; elements that cannot be read as
  // texts are skipped and the start-up goes on without them.
  struct Case {
    const char* what;
    Variant params;
    std::int32_t result;
    bool closed;
  } cases[] = {
      {"a text", "ADMIN", -1, true},
      {"Null", Variant::NullValue(), -1, true},
      {"nested arrays", VarArrayOf({VarArrayOf({1}), VarArrayOf({2}), 3, 4, 5}), 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::unique_ptr<kv::TDLLBaseController> ctl(Export()());
    ctl->HostObject = host.Object();
    EXPECT_EQ(ctl->Initialize(c.params), c.result);
    Pump();
    EXPECT_EQ(ctl->IsFormFreed(), c.closed);
    Variant info;
    if (!c.closed) {
      ASSERT_EQ(ctl->GetInfo(info), 0);
      EXPECT_EQ(info[0].AsString(), "") << "the unreadable user id is left empty";
    }
  }
}

// The launcher runs the real plug-in on a fresh demo installation with a script.
TEST(LauncherWithPlugin, ScriptedRunPrintsEventsHelpAndResult) {
  testsupport::TempDir dir;
  const std::string script =
      dir.Write("run.txt", "key F1\nscreenshot " + dir.File("shot.png") + "\nkey Esc\n");
  const std::string exe = std::filesystem::path(STEWARD_HOST_EXE).string();
  const std::string command = "STEWARD_HOME='" + dir.File("home") + "' timeout 60 '" + exe +
                              "' ZKPR42 --script '" + script + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << output;
  size_t at = 0;
  for (const char* line : {"event 256", "initialize: 0", "event 272", "help ZKP 12420000",
                           "event 288", "event 304", "result: code=0 data="}) {
    const size_t found = output.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " in order, in:\n" << output;
    at = found;
  }
  EXPECT_TRUE(std::filesystem::exists(dir.File("shot.png")));
}

}  // namespace
