// A small module plug-in for the launcher's tests, program id "TESTPG" (file TESTPGC.so): its
// own controller class on the controller contract and a plain form with an edit, OK and
// Cancel buttons that set a job result and close, a button that asks a question, and F1
// calling the host's help.
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "plugin/DLLBaseCtrller.h"
#include "plugin/HostIntf.h"

namespace testpg {

using vcl::AnsiString;
using vcl::Variant;

class TfrmTestPg : public vcl::TForm {
  VCL_DECLARE_COMPONENT(TfrmTestPg)
 public:
  explicit TfrmTestPg(vcl::TComponent* owner) : vcl::TForm(owner) {
    SetName("frmTestPg");
    SetCaption(vcl::DesignText(u8"测试程序"));
    SetBounds(0, 0, 320, 160);
    SetKeyPreview(true);
    edJob = Make<vcl::TEdit>("edJob", 10, 10, 200, 21);
    edNote = Make<vcl::TEdit>("edNote", 10, 40, 200, 21);
    btnOk = Make<vcl::TButton>("btnOk", 10, 100, 75, 25);
    btnOk->SetCaption(vcl::DesignText(u8"确定"));
    btnCancel = Make<vcl::TButton>("btnCancel", 95, 100, 75, 25);
    btnCancel->SetCaption(vcl::DesignText(u8"取消"));
    btnAsk = Make<vcl::TButton>("btnAsk", 180, 100, 75, 25);
    btnAsk->SetCaption(vcl::DesignText(u8"询问"));
    btnOk->OnClick = vcl::MethodOf<&TfrmTestPg::btnOkClick>(this);
    btnCancel->OnClick = vcl::MethodOf<&TfrmTestPg::btnCancelClick>(this);
    btnAsk->OnClick = vcl::MethodOf<&TfrmTestPg::btnAskClick>(this);
    OnKeyDown = vcl::MethodOf<&TfrmTestPg::FormKeyDown>(this);
    OnClose = vcl::MethodOf<&TfrmTestPg::FormClose>(this);
    SetActiveControl(edJob);
  }

  // Needs [user, company, database, window, reserved]; a second call is refused, and so is
  // company "99".
  bool InitWithParams(const Variant& params) {
    if (!CompanyID.empty() || !params.IsArray() || vcl::VarArrayHighBound(params, 1) < 4)
      return false;
    UserID = params[0].AsString();
    CompanyID = params[1].AsString();
    if (CompanyID == "99") {
      // As the framework does on a failed start: tell the user, post a close request.
      vcl::MessageDlg("Unknown company", vcl::TMsgDlgType::mtError, vcl::mbOK);
      vcl::PostMessage(Handle(), vcl::WM_CLOSE, 0, 0);
      return false;
    }
    return true;
  }

  // The host's command [mode, [scheme flag, [values]]]: the first value goes to edJob, and
  // modes 1 and 2 then submit.
  void HandleHostCommand(const Variant& x) {
    if (!x.IsArray()) return;
    const int mode = x[0].AsInteger();
    if (vcl::VarArrayHighBound(x, 1) >= 1 && x[1].IsArray()) {
      const Variant values = x[1][1];
      if (values.IsArray() && vcl::VarArrayHighBound(values, 1) >= 0)
        edJob->SetText(values[0].AsString());
    }
    if (mode == 1 || mode == 2) btnOk->Click();
  }

  Variant HostObject;
  AnsiString UserID, CompanyID;
  std::int32_t JobResultCode = 0;
  Variant JobResultText;
  vcl::TEdit* edJob;
  vcl::TEdit* edNote;
  vcl::TButton* btnOk;
  vcl::TButton* btnCancel;
  vcl::TButton* btnAsk;

 private:
  template <typename T>
  T* Make(const char* name, int x, int y, int w, int h) {
    auto* c = new T(this);
    c->SetName(name);
    c->SetParent(this);
    c->SetBounds(x, y, w, h);
    return c;
  }

  void btnOkClick(vcl::TObject*) {
    if (edJob->GetText().empty()) {
      vcl::MessageDlg(vcl::DesignText(u8"请输入工作编号"), vcl::TMsgDlgType::mtError, vcl::mbOK);
      return;
    }
    JobResultCode = 1;
    JobResultText = edJob->GetText();
    Close();
  }
  void btnCancelClick(vcl::TObject*) {
    JobResultCode = 2;
    Close();
  }
  void btnAskClick(vcl::TObject*) {
    const int answer = vcl::MessageDlg(vcl::DesignText(u8"要继续吗？"),
                                       vcl::TMsgDlgType::mtConfirmation, vcl::mbYesNo);
    edNote->SetText(answer == vcl::mrYes ? "yes" : "no");
  }
  void FormKeyDown(vcl::TObject*, std::uint16_t& key, vcl::TShiftState shift) {
    if (key == vcl::VK_F1 && shift == 0) {
      kv::THostObject(HostObject).CallHelp("TST", "12340000");
      key = 0;
    } else if (key == vcl::VK_ESCAPE) {
      key = 0;
      Close();
    }
  }
  void FormClose(vcl::TObject*, vcl::TCloseAction& action) { action = vcl::TCloseAction::caFree; }
};

VCL_IMPLEMENT_COMPONENT(TfrmTestPg, vcl::TForm)
void TfrmTestPg::Publish(vcl::TPublisher&) {}

// The controller: the contract's operations for one TfrmTestPg.
class TTestPgCtrller : public kv::TDLLBaseController {
 public:
  static const vcl::TClass* StaticClass() {
    static const vcl::TClass cls("TTestPgCtrller", kv::TDLLBaseController::StaticClass(),
                                 [](vcl::TObject*) -> vcl::TObject* { return new TTestPgCtrller; });
    return &cls;
  }
  const vcl::TClass* ClassType() const override { return StaticClass(); }

  ~TTestPgCtrller() override {
    if (form_) FreeForm();
  }

  void GetVersion(vcl::WideString& version) override {
    if (form_) version = u"1.0";
  }
  vcl::WordBool GetVisible() override { return form_ && form_->Visible() ? -1 : 0; }
  void SetVisible(vcl::WordBool visible) override {
    if (!form_) return;
    form_->SetVisible(visible != 0);
    if (visible) form_->BringToForeground();
  }
  vcl::HWND GetHandle() override { return form_ ? form_->Handle() : 0; }
  std::int32_t Initialize(Variant params) override {
    if (form_) return -1;
    if (!kv::frmBaseGeneClass || !kv::frmBaseGeneClass->GetCreator())
      throw vcl::Exception(kv::NotAssignedMessage("frmBaseGeneClass"));
    form_ = dynamic_cast<TfrmTestPg*>(kv::frmBaseGeneClass->GetCreator()(nullptr));
    form_->HostObject = HostObject;
    DoFormCreate(this);
    form_->OnShow = vcl::MethodOf<&TTestPgCtrller::DoFormShow>(this);
    form_->OnHide = vcl::MethodOf<&TTestPgCtrller::DoFormHide>(this);
    form_->OnDestroy = vcl::MethodOf<&TTestPgCtrller::DoFormDestroy>(this);
    return form_->InitWithParams(params) ? 0 : -1;
  }
  std::int32_t Execute(Variant command) override {
    if (!form_ || !command.IsArray()) return -1;
    try {
      form_->HandleHostCommand(command[1]);
      return 0;
    } catch (...) {
      return -1;
    }
  }
  std::int32_t HandleMessage(std::int32_t type, std::int32_t, Variant data) override {
    if (!form_ || (type != 5 && type != 9)) return -1;
    try {
      form_->HandleHostCommand(data);
      return 0;
    } catch (...) {
      return -1;
    }
  }
  void ShowModalForm(Variant& result) override { result = form_ ? form_->ShowModal() : 2; }
  void FreeForm() override {
    if (form_) form_->Free();
  }
  std::int32_t GetInfo(Variant& info) override {
    if (!form_) return -1;
    info = vcl::VarArrayOf({form_->UserID, form_->CompanyID, "TESTPG", "Test"});
    return 0;
  }
  bool IsFormFreed() override { return form_ == nullptr; }
  void DoFormDestroy(vcl::TObject* sender) override {
    if (form_) {
      ResultCode = form_->JobResultCode;
      ResultData = form_->JobResultText;
      kv::TDLLBaseController::DoFormDestroy(sender);
    }
    form_ = nullptr;
  }

 private:
  TfrmTestPg* form_ = nullptr;
};

// Registration while the library loads.
const bool registered = [] {
  kv::DLLControllerClass = TTestPgCtrller::StaticClass();
  kv::frmBaseGeneClass = TfrmTestPg::StaticClass();
  return true;
}();

}  // namespace testpg
