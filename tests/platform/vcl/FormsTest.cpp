#include "platform/vcl/Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;

namespace {

// A small condition form: two edits at the top, a group box holding two more, and OK and
// Cancel buttons. Every enter and exit is logged with what the form's active control read
// at that moment.
class TTestForm : public TForm {
 public:
  explicit TTestForm(TComponent* owner) : TForm(owner) {
    SetBounds(0, 0, 400, 300);
    ed1 = MakeEdit(this, "ed1");
    ed2 = MakeEdit(this, "ed2");
    group = new TGroupBox(this);
    group->SetName("grpRange");
    group->SetParent(this);
    group->OnEnter = MethodOf<&TTestForm::LogEnter>(this);
    group->OnExit = MethodOf<&TTestForm::LogExit>(this);
    edFrom = MakeEdit(group, "edFrom");
    edTo = MakeEdit(group, "edTo");
    btnOk = new TButton(this);
    btnOk->SetName("btnOk");
    btnOk->SetParent(this);
    btnOk->SetBounds(200, 250, 75, 25);
    btnOk->SetDefault(true);
    btnOk->OnClick = TNotifyEvent::Lambda(
        [this](TObject*) { log.push_back("click btnOk, active " + NameOf(ActiveControl())); });
    btnCancel = new TButton(this);
    btnCancel->SetName("btnCancel");
    btnCancel->SetParent(this);
    btnCancel->SetBounds(290, 250, 75, 25);
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);
  }

  TEdit* MakeEdit(TWinControl* parent, const char* name) {
    auto* edit = new TEdit(this);
    edit->SetName(name);
    edit->SetParent(parent);
    edit->SetBounds(10, 10 + 30 * parent->ControlCount(), 100, 21);
    edit->OnEnter = MethodOf<&TTestForm::LogEnter>(this);
    edit->OnExit = MethodOf<&TTestForm::LogExit>(this);
    return edit;
  }

  static std::string NameOf(TComponent* c) { return c ? c->Name() : "none"; }
  void LogEnter(TObject* sender) {
    log.push_back("enter " + NameOf(static_cast<TComponent*>(sender)));
  }
  void LogExit(TObject* sender) {
    log.push_back("exit " + NameOf(static_cast<TComponent*>(sender)) + ", active " +
                  NameOf(ActiveControl()));
  }

  std::vector<std::string> log;
  TEdit *ed1, *ed2, *edFrom, *edTo;
  TGroupBox* group;
  TButton *btnOk, *btnCancel;
};

using Log = std::vector<std::string>;

class FormsFocus : public ::testing::Test {
 protected:
  FormsFocus() {
    form.Show();
    form.log.clear();
  }
  TTestForm form{nullptr};
};

}  // namespace

TEST_F(FormsFocus, ShowFocusesTheFirstControlInTabOrder) {
  TTestForm other(nullptr);
  other.Show();
  EXPECT_EQ(other.ActiveControl(), other.ed1);
  EXPECT_EQ(other.log, Log({"enter ed1"}));
  EXPECT_TRUE(other.ed1->Focused());
}

TEST_F(FormsFocus, ExitAndEnterOrderAcrossAContainerBoundary) {
  form.edFrom->SetFocus();
  // Entering the group box comes before its edit; while ed1 exits, the form already reads
  // the control getting the focus.
  EXPECT_EQ(form.log, Log({"exit ed1, active edFrom", "enter grpRange", "enter edFrom"}));
  form.log.clear();
  form.edTo->SetFocus();
  EXPECT_EQ(form.log, Log({"exit edFrom, active edTo", "enter edTo"}));
  form.log.clear();
  form.ed2->SetFocus();
  EXPECT_EQ(form.log, Log({"exit edTo, active ed2", "exit grpRange, active ed2", "enter ed2"}));
  EXPECT_EQ(Screen()->ActiveControl(), form.ed2);
}

TEST_F(FormsFocus, AnExitHandlerThatMovesTheFocusBackKeepsIt) {
  // A validation handler: leaving ed1 for anything but Cancel keeps the focus on ed1.
  form.ed1->OnExit = TNotifyEvent::Lambda([this](TObject*) {
    form.log.push_back("validate ed1, going to " + TTestForm::NameOf(form.ActiveControl()));
    if (form.ActiveControl() != form.btnCancel) form.ed1->SetFocus();
  });
  form.edTo->SetFocus();
  EXPECT_EQ(form.ActiveControl(), form.ed1);
  EXPECT_EQ(form.log, Log({"validate ed1, going to edTo"}));  // no enter events anywhere

  form.log.clear();
  form.btnCancel->SetFocus();
  EXPECT_EQ(form.ActiveControl(), form.btnCancel);
  EXPECT_EQ(form.log, Log({"validate ed1, going to btnCancel"}));
}

TEST_F(FormsFocus, ClickingAButtonFocusesItBeforeItsClickUnlessAnExitHandlerRefuses) {
  ClickControl(form.btnOk);
  EXPECT_EQ(form.log, Log({"exit ed1, active btnOk", "click btnOk, active btnOk"}));

  form.ed1->SetFocus();
  form.ed1->OnExit = TNotifyEvent::Lambda([this](TObject*) { form.ed1->SetFocus(); });
  form.log.clear();
  ClickControl(form.btnOk);
  EXPECT_EQ(form.ActiveControl(), form.ed1);
  EXPECT_TRUE(form.log.empty()) << form.log.front();
}

TEST_F(FormsFocus, TabOrderRunsThroughContainersAndSkipsWhatCannotFocus) {
  std::vector<std::string> visited;
  for (int i = 0; i < 6; ++i) {
    SendKey(VK_TAB);
    visited.push_back(form.ActiveControl()->Name());
  }
  EXPECT_EQ(visited, Log({"ed2", "edFrom", "edTo", "btnOk", "btnCancel", "ed1"}));

  form.edFrom->SetEnabled(false);
  form.btnOk->SetTabOrder(0);  // first among the form's own children
  SendKey(VK_TAB, ssShift);
  EXPECT_EQ(form.ActiveControl(), form.btnOk);
  SendKey(VK_TAB);
  EXPECT_EQ(form.ActiveControl(), form.ed1);
  form.edTo->SetFocus();
  SendKey(VK_TAB, ssShift);  // edFrom is disabled
  EXPECT_EQ(form.ActiveControl(), form.ed2);
}

TEST_F(FormsFocus, KeyPreviewSeesKeysFirstAndCanConsumeThem) {
  std::vector<std::string> seen;
  form.OnKeyDown = TKeyEvent::Lambda([&](TObject*, std::uint16_t& key, TShiftState) {
    seen.push_back("form " + std::to_string(key));
    if (key == VK_F2) key = 0;
  });
  form.ed1->OnKeyDown = TKeyEvent::Lambda([&](TObject*, std::uint16_t& key, TShiftState) {
    seen.push_back("edit " + std::to_string(key));
  });
  SendKey(VK_F2);
  EXPECT_EQ(seen, Log({"edit 113"}));  // no preview yet

  seen.clear();
  form.SetKeyPreview(true);
  SendKey(VK_F2);
  SendKey(VK_F3);
  EXPECT_EQ(seen, Log({"form 113", "form 114", "edit 114"}));
}

TEST_F(FormsFocus, EnterClicksTheDefaultButtonAndEscapeTheCancelButton) {
  SendKey(VK_RETURN);
  EXPECT_EQ(form.log.back(), "click btnOk, active ed1");
  int cancelled = 0;
  form.btnCancel->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++cancelled; });
  SendKey(VK_ESCAPE);
  EXPECT_EQ(cancelled, 1);
  // Without a default button Enter reaches the key preview, the usual "next field" key.
  form.btnOk->SetDefault(false);
  form.SetKeyPreview(true);
  form.OnKeyDown = TKeyEvent::Lambda([this](TObject*, std::uint16_t& key, TShiftState) {
    if (key == VK_RETURN) {
      form.SelectNext(form.ActiveControl(), true, true);
      key = 0;
    }
  });
  SendKey(VK_RETURN);
  EXPECT_EQ(form.ActiveControl(), form.ed2);
}

TEST_F(FormsFocus, HidingOrFreeingTheFocusedControlDropsTheFocusWithoutEvents) {
  form.edFrom->SetFocus();
  form.log.clear();
  form.group->Hide();
  EXPECT_EQ(form.ActiveControl(), nullptr);
  EXPECT_THROW(form.edTo->SetFocus(), EInvalidOperation);
  form.group->Show();
  form.edTo->SetFocus();
  delete form.group;  // frees its edits too
  EXPECT_EQ(form.ActiveControl(), nullptr);
  EXPECT_EQ(form.FindComponent("edTo"), nullptr);
  form.ed2->SetFocus();
  EXPECT_EQ(form.log, Log({"enter grpRange", "enter edTo", "enter ed2"}));
}

TEST(FormsModal, ModalFormsAndDialogsAreAnsweredByTheScriptedUser) {
  TScriptedUser user;
  TTestForm form(nullptr);
  form.SetCaption("Scheme");
  user.Answer([](TCustomForm& f) {
    auto& tf = static_cast<TTestForm&>(f);
    tf.ed1->SetFocus();
    TypeText("abc");
    ClickControl(tf.btnCancel);
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.ed1->GetText(), "abc");

  user.ClickButton("Yes");
  EXPECT_EQ(MessageDlg("Delete the scheme?", TMsgDlgType::mtConfirmation, mbYesNo), mrYes);
  user.Reply(mrOk);
  EXPECT_EQ(MessageBox("Saved", "Notice", 0x40), mrOk);

  ASSERT_EQ(user.Shown().size(), 3u);
  EXPECT_EQ(user.Shown()[0].Caption, "Scheme");
  EXPECT_EQ(user.Shown()[1].Caption, "Confirmation");
  EXPECT_EQ(user.Shown()[1].Message, "Delete the scheme?");
  EXPECT_EQ(user.Shown()[2].Caption, "Notice");
  EXPECT_EQ(user.UnansweredCount(), 0);

  // Nothing queued: the dialog gets its cancel result and the miss is recorded.
  EXPECT_EQ(MessageDlg("Unexpected", TMsgDlgType::mtError, mbOK), mrCancel);
  EXPECT_EQ(user.UnansweredCount(), 1);
}

TEST(FormsModal, MessageDialogButtonsAndDefaults) {
  struct Case {
    TMsgDlgButtons buttons;
    std::vector<std::string> names;
    const char* defaultName;
    const char* cancelName;
  };
  const Case cases[] = {
      {mbOK, {"OK"}, "OK", "OK"},
      {mbYesNo, {"Yes", "No"}, "Yes", "No"},
      {mbYesNoCancel, {"Yes", "No", "Cancel"}, "Yes", "Cancel"},
      {mbOKCancel | mbHelp, {"OK", "Cancel", "Help"}, "OK", "Cancel"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TForm> dialog(CreateMessageDialog("text", TMsgDlgType::mtWarning, c.buttons));
    EXPECT_EQ(dialog->Caption(), "Warning");
    std::vector<std::string> names;
    for (int i = 0; i < dialog->ComponentCount(); ++i)
      if (auto* b = dynamic_cast<TButton*>(dialog->Components(i))) {
        names.push_back(b->Name());
        EXPECT_EQ(b->Default(), b->Name() == c.defaultName) << b->Name();
        EXPECT_EQ(b->Cancel(), b->Name() == c.cancelName) << b->Name();
      }
    EXPECT_EQ(names, c.names);
  }
}

TEST(FormsModal, CloseQueryAndOnCloseDecideWhetherAModalFormEnds) {
  TScriptedUser user;
  TTestForm form(nullptr);
  int asked = 0;
  form.OnCloseQuery = TCloseQueryEvent::Lambda([&](TObject*, bool& canClose) {
    canClose = ++asked > 1;  // refuse the first time
  });
  user.Reply(mrOk);
  user.Reply(mrOk);
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(user.UnansweredCount(), 0);
}

TEST(FormsLifetime, AFormThatFreesItselfOnCloseGoesAwaySafely) {
  auto* form = new TTestForm(nullptr);
  int destroyed = 0;
  form->OnDestroy = TNotifyEvent::Lambda([&](TObject*) { ++destroyed; });
  form->OnClose =
      TCloseEvent::Lambda([](TObject*, TCloseAction& action) { action = TCloseAction::caFree; });
  // The cancel button closes the form from inside its own click handler.
  form->btnCancel->OnClick = TNotifyEvent::Lambda([form](TObject*) { form->Close(); });
  form->Show();
  auto alive = form->AliveToken();
  ClickControl(form->btnCancel);
  EXPECT_TRUE(*alive);  // freed only once pending messages are handled
  EXPECT_FALSE(form->Visible());
  Application()->ProcessMessages();
  EXPECT_FALSE(*alive);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Screen()->ActiveForm(), nullptr);
}

TEST(FormsLifetime, ModalFormFreedOnCloseOutlivesShowModal) {
  TScriptedUser user;
  auto* form = new TTestForm(nullptr);
  form->OnClose =
      TCloseEvent::Lambda([](TObject*, TCloseAction& action) { action = TCloseAction::caFree; });
  auto alive = form->AliveToken();
  user.Reply(mrOk);
  EXPECT_EQ(form->ShowModal(), mrOk);
  EXPECT_TRUE(*alive);
  Application()->ProcessMessages();
  EXPECT_FALSE(*alive);
}

namespace {

// A form that answers a user message carrying a control, as lookup buttons ask their form.
class TMessageForm : public TForm {
 public:
  explicit TMessageForm(TComponent* owner) : TForm(owner) {}
  void WndProc(TMessage& m) override {
    if (m.msg == WM_USER + 10) {
      requests.push_back(reinterpret_cast<TComponent*>(m.lParam)->Name());
      m.Result = 1;
      return;
    }
    TForm::WndProc(m);
  }
  std::vector<std::string> requests;
};

}  // namespace

TEST(FormsMessages, UserMessagesReachTheFormAndGoneHandlesAreIgnored) {
  TMessageForm form(nullptr);
  auto* edit = new TEdit(&form);
  edit->SetName("ed01");
  edit->SetParent(&form);
  EXPECT_EQ(SendMessage(form.Handle(), WM_USER + 10, 0, reinterpret_cast<LPARAM>(edit)), 1);
  EXPECT_TRUE(PostMessage(form.Handle(), WM_USER + 10, 0, reinterpret_cast<LPARAM>(edit)));
  Application()->ProcessMessages();
  EXPECT_EQ(form.requests, Log({"ed01", "ed01"}));

  HWND gone;
  {
    TForm temporary(nullptr);
    gone = temporary.Handle();
  }
  EXPECT_FALSE(PostMessage(gone, WM_CLOSE, 0, 0));
  EXPECT_EQ(SendMessage(gone, WM_CLOSE, 0, 0), 0);
}

TEST(FormsLayout, AlignedChildrenShareTheClientArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  auto make = [&](TAlign align, int size) {
    auto* c = new TGroupBox(&form);
    c->SetParent(&form);
    c->SetBounds(0, 0, size, size);
    c->SetAlign(align);
    return c;
  };
  TControl* top = make(TAlign::alTop, 40);
  TControl* bottom = make(TAlign::alBottom, 30);
  TControl* left = make(TAlign::alLeft, 50);
  TControl* client = make(TAlign::alClient, 10);
  EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 300, 40}));
  EXPECT_EQ(bottom->BoundsRect(), (TRect{0, 170, 300, 200}));
  EXPECT_EQ(left->BoundsRect(), (TRect{0, 40, 50, 170}));
  EXPECT_EQ(client->BoundsRect(), (TRect{50, 40, 300, 170}));
  form.SetWidth(400);
  EXPECT_EQ(client->BoundsRect(), (TRect{50, 40, 400, 170}));
  top->Hide();
  EXPECT_EQ(left->BoundsRect(), (TRect{0, 0, 50, 170}));
}

TEST_F(FormsFocus, AltWithAnAcceleratorFocusesTheLabelledControlOrClicksTheButton) {
  auto* label = new TLabel(&form);
  label->SetParent(form.group);
  label->SetCaption("&From");
  label->SetFocusControl(form.edFrom);
  form.btnOk->SetCaption("&Save");
  SendKey('F', ssAlt);
  EXPECT_EQ(form.ActiveControl(), form.edFrom);
  SendKey('S', ssAlt);
  EXPECT_EQ(form.log.back(), "click btnOk, active btnOk");
  form.log.clear();
  SendKey('Q', ssAlt);  // no accelerator: nothing happens
  EXPECT_EQ(form.ActiveControl(), form.btnOk);
  EXPECT_TRUE(form.log.empty());
}

TEST(FormsMouse, ClicksFindChildrenInsideFramedParentsAndThePressedControlKeepsTheMouse) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(20, 20, 200, 100);
  panel->SetBorderWidth(5);
  auto* button = new TButton(&form);
  button->SetParent(panel);
  button->SetBounds(10, 10, 50, 20);
  form.Show();
  int clicks = 0, releases = 0;
  button->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  button->OnMouseUp =
      TMouseEvent::Lambda([&](TObject*, TMouseButton, TShiftState, int, int) { ++releases; });

  // Child positions are relative to the parent's corner, whatever its frame.
  const LPARAM onButton = MakeMousePos(20 + 10 + 2, 20 + 10 + 2);
  SendMessage(form.Handle(), WM_LBUTTONDOWN, 1, onButton);
  SendMessage(form.Handle(), WM_LBUTTONUP, 0, onButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(button->ClientToParentForm({0, 0}), (TPoint{30, 30}));

  // Released elsewhere: the button hears the release but is not clicked.
  SendMessage(form.Handle(), WM_LBUTTONDOWN, 1, onButton);
  SendMessage(form.Handle(), WM_MOUSEMOVE, 1, MakeMousePos(300, 250));
  SendMessage(form.Handle(), WM_LBUTTONUP, 0, MakeMousePos(300, 250));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(releases, 2);
}
