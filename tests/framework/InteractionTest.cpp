// The generic condition form in use: keys, Enter navigation, page changes, lookups, host
// commands and messages.
#include <gtest/gtest.h>

#include "FrameworkFixture.h"
#include "platform/vcl/Input.h"
#include "tests/support/TestSupport.h"

using namespace frameworktest;
using namespace vcl;

namespace {

class ShownForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form->HostObject = host.Object();
    form->SetModuleFileName("/opt/steward/C_PKG/ZKPR42C.so");
    ASSERT_TRUE(form->InitWithParams(HostParams(4)));
    ed01 = Add<TEdit>("ed01", form->tsOption1, 0);
    me02 = Add<TMemo>("me02", form->tsOption1, 1);
    ed03 = Add<TEdit>("ed03", form->tsOption1, 2);
    form->Show();
    TakeClosePosted(*form);
  }
  void TearDown() override { TakeClosePosted(*form); }

  template <typename T>
  T* Add(const char* name, TWinControl* parent, int tabOrder) {
    auto* c = new T(form.get());
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(8, 8 + 30 * tabOrder, 120, 21);
    c->SetTabStop(true);
    c->SetTabOrder(tabOrder);
    return c;
  }

  testsupport::ScopedCodePage chinese{936};
  suite::THost host{suite::DemoCatalogue()};
  TScriptedUser user;
  FormPtr form = NewForm();
  TEdit* ed01 = nullptr;
  TMemo* me02 = nullptr;
  TEdit* ed03 = nullptr;
};

}  // namespace

TEST_F(ShownForm, ShowingFocusesTheFirstControlOfTheFirstPage) {
  EXPECT_EQ(form->ActiveControl(), ed01);
}

TEST_F(ShownForm, EnterInAThreeLineMemoBreaksLinesOnTheFirstTwoAndMovesOnFromTheThird) {
  struct Case {
    int line;
    bool newLine;
  };
  for (const Case c : {Case{0, true}, Case{1, true}, Case{2, false}}) {
    SCOPED_TRACE(c.line);
    me02->SetText("a\r\nb\r\nc");
    me02->SetFocus();
    me02->SetCaretPos({1, c.line});
    SendKey(VK_RETURN, 0, form.get());
    EXPECT_EQ(me02->Lines()->Count(), c.newLine ? 4 : 3);
    EXPECT_EQ(form->ActiveControl(), c.newLine ? static_cast<TWinControl*>(me02) : ed03);
  }
}

TEST_F(ShownForm, EnterMovesToTheNextControlOrFromAPageEndControlToTheNextPage) {
  ed01->SetFocus();
  SendKey(VK_RETURN, 0, form.get());
  EXPECT_EQ(form->ActiveControl(), me02);

  form->PageEndControls = {ed03, form->edPrintDate};
  ed03->SetFocus();
  SendKey(VK_RETURN, 0, form.get());
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption2);
  EXPECT_EQ(form->ActiveControl(), form->edPrintDate);
  EXPECT_TRUE(form->SystemPagePrepared);
  EXPECT_EQ(form->edPrintDate->Left(), 60);

  // The last page has no next page.
  SendKey(VK_RETURN, 0, form.get());
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption2);
}

TEST_F(ShownForm, APageChangeFocusesTheFirstEnabledControlInTabOrder) {
  ed01->SetEnabled(false);
  form->pgOption->SetActivePage(form->tsOption2);
  form->edPrintDate->SetFocus();
  SendKey(VK_NEXT, ssCtrl, form.get());  // wraps round to the first page
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption1);
  EXPECT_EQ(form->ActiveControl(), me02);
}

TEST_F(ShownForm, APageChangeIsRefusedWhenTheActiveControlFailsItsValidation) {
  bool refuse = true;
  ed01->OnExit = TNotifyEvent::Lambda([&](TObject* sender) {
    EXPECT_EQ(sender, ed01);
    EXPECT_TRUE(form->InPageChange);
    form->ValidationFailed = refuse;
  });
  ed01->SetFocus();
  SendKey(VK_TAB, ssCtrl, form.get());
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption1);
  EXPECT_FALSE(form->InPageChange);

  refuse = false;
  SendKey(VK_TAB, ssCtrl, form.get());
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption2);
  SendKey(VK_PRIOR, ssCtrl, form.get());
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption1);
}

TEST(HelpCode, FromTheProgramId) {
  struct Case {
    const char* programId;
    const char* code;
  };
  const Case cases[] = {
      {"ZKPR42", "12420000"}, {"ZKPB07", "13070000"},
      {"ZKPAR1", "62R10000"}, {"ZKPMB9", "83B90000"},
      {"ZKPX42", ""},         {"ZKPAX1", ""},
      {"ZKPA", ""},           {"ZKP", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TfrmBaseGene::HelpCode(c.programId), c.code) << c.programId;
}

TEST_F(ShownForm, F1AsksTheHostForHelpAndF2AndTheLookupMessageCallTheLookup) {
  SendKey(VK_F1, 0, form.get());
  ASSERT_EQ(host.Log().helpRequests.size(), 1u);
  EXPECT_EQ(host.Log().helpRequests[0].first, "ZKP");
  EXPECT_EQ(host.Log().helpRequests[0].second, "12420000");

  ed01->SetFocus();
  SendKey(VK_F2, 0, form.get());
  EXPECT_EQ(form->lookupKey, VK_F2);
  EXPECT_EQ(form->lookupControl, ed01);

  form->lookupKey = 0;
  PostMessage(form->Handle(), kv::WM_KV_LOOKUP, 0, reinterpret_cast<LPARAM>(ed03));
  ProcessMessages();
  EXPECT_EQ(form->lookupKey, 113);
  EXPECT_EQ(form->lookupControl, ed03);
  EXPECT_EQ(form->ActiveControl(), ed03);

  // A program id without help asks for nothing.
  form->ProgramID = "ZKPX42";
  SendKey(VK_F1, 0, form.get());
  EXPECT_EQ(host.Log().helpRequests.size(), 1u);
}

TEST_F(ShownForm, HostCommandsSubmitOnlyWhenValuesWereLoadedAndTheModeAsksForIt) {
  int submits = 0;
  form->btnOk->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++submits; });
  const Variant scheme =
      VarArrayOf({VarArrayOf({VarArrayOf({"cap", "ed01"}), VarArrayOf({"cap", "edPrintDate"})}),
                  VarArrayOf({"a", "20240101"})});
  const Variant missing =
      VarArrayOf({VarArrayOf({VarArrayOf({"cap", "edPrintDate"}), VarArrayOf({"cap", "edNone"})}),
                  VarArrayOf({"a", "b"})});
  struct Case {
    const char* what;
    Variant command;
    bool applyResult;
    int submits;
    bool showInfo;
  };
  const Case cases[] = {
      {"mode 0 loads only", VarArrayOf({0, VarArrayOf({false, VarArrayOf({1})})}), true, 0, true},
      {"values refused", VarArrayOf({1, VarArrayOf({false, VarArrayOf({1})})}), false, 0, true},
      {"values applied", VarArrayOf({1, VarArrayOf({false, VarArrayOf({1})})}), true, 1, true},
      {"scheme checked, silent", VarArrayOf({2, VarArrayOf({true, scheme})}), false, 1, false},
      {"scheme names a missing control", VarArrayOf({2, VarArrayOf({true, missing})}), false, 0,
       false},
      {"no values", VarArrayOf({1, VarArrayOf({true, Variant()})}), true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    submits = 0;
    form->applyResult = c.applyResult;
    form->HandleHostCommand(c.command);
    EXPECT_EQ(submits, c.submits);
    EXPECT_EQ(form->AutoRun, c.submits > 0);
    EXPECT_EQ(form->ShowInfo, c.showInfo);
    EXPECT_EQ(form->LastHostCommand, c.command);
  }
  EXPECT_EQ(form->MessageIds, "W;000014; ") << "reported for the missing control";
  EXPECT_EQ(form->ranMode, -1);

  // Modes above 2 run the mode instead of submitting.
  form->HandleHostCommand(VarArrayOf({3, VarArrayOf({true, scheme})}));
  EXPECT_EQ(form->ranMode, 3);
  EXPECT_EQ(submits, 0);

  // A command that is not an array is only remembered.
  form->ShowInfo = false;
  form->HandleHostCommand(Variant("x"));
  EXPECT_EQ(form->LastHostCommand, Variant("x"));
  EXPECT_FALSE(form->ShowInfo);
}

TEST_F(ShownForm, MessagesAreRecordedAndShownByTheSignOfTheirNumber) {
  form->ShowMessageId("I;-000004;J1");
  EXPECT_TRUE(user.Shown().empty());
  EXPECT_EQ(form->MessageIds, "I;-000004;J1; ");
  EXPECT_EQ(form->MessageTexts, Gb(u8"工作已放入工作队列, 工作编号: J1") + "; ");

  form->ShowMessageId("E;000038");
  form->ShowMessageId("E;000038");
  ASSERT_EQ(user.Shown().size(), 2u);
  EXPECT_EQ(user.Shown()[0].Message, Gb(u8"主程序传入的参数不完整。"));
  EXPECT_EQ(user.Shown()[0].Caption, form->Caption());
  EXPECT_EQ(form->MessageIds, "I;-000004;J1; E;000038; E;000038; ");
  EXPECT_EQ(form->MessageTexts,
            Gb(u8"工作已放入工作队列, 工作编号: J1; 主程序传入的参数不完整。; "));

  form->RecordError("  server gone  ");
  EXPECT_EQ(form->MessageIds, "I;-000004;J1; E;000038; E;000038; E;-1; ");
  EXPECT_NE(form->MessageTexts.find("server gone; "), AnsiString::npos);
  EXPECT_EQ(user.Shown().size(), 2u);

  form->ShowMessageId("");
  EXPECT_EQ(form->MessageIds, "");
  EXPECT_EQ(form->MessageTexts, "");

  // With the focus on Cancel nothing is reported.
  form->btnCancel->SetFocus();
  form->ShowMessageId("E;000038");
  form->RecordError("x");
  EXPECT_EQ(form->MessageIds, "");
  EXPECT_EQ(user.Shown().size(), 2u);
}

TEST_F(ShownForm, DialogsFollowTheKindAndAPageChangeLetsOnlyErrorsThrough) {
  user.ClickButton("Cancel");
  EXPECT_EQ(form->ShowMessageKind("W", "000014", 0, {}), mrCancel);
  ASSERT_EQ(user.Shown().size(), 1u);
  user.ClickButton("Yes");
  EXPECT_EQ(form->ShowMessageKind("D", "000001", 0, {}), mrYes);

  form->InPageChange = true;
  EXPECT_EQ(form->MessageDialog("warn", TMsgDlgType::mtWarning, mbOK), 0);
  EXPECT_EQ(user.Shown().size(), 2u);
  user.ClickButton("OK");
  EXPECT_EQ(form->MessageDialog("fail", TMsgDlgType::mtError, mbOK), mrOk);
  EXPECT_EQ(user.Shown().size(), 3u);
  form->InPageChange = false;
}

TEST(Messages, WithoutAHostTheTextSaysSo) {
  TScriptedUser user;
  FormPtr form = NewForm();
  form->ShowMessageId("E;-000038;a;b");
  EXPECT_EQ(form->MessageTexts, "Can not Get Message\rType= E, ID= 000038 ; ");
  EXPECT_TRUE(user.Shown().empty());
}
