#include "platform/vcl/Dialogs.h"

#include <algorithm>

#include "platform/vcl/StdCtrls.h"

namespace vcl {

namespace {

struct ButtonSpec {
  TMsgDlgBtn flag;
  const char* name;
  const char* caption;
  int result;
};

constexpr ButtonSpec kButtons[] = {
    {mbYes, "Yes", "&Yes", mrYes},
    {mbNo, "No", "&No", mrNo},
    {mbOK, "OK", "OK", mrOk},
    {mbCancel, "Cancel", "Cancel", mrCancel},
    {mbAbort, "Abort", "&Abort", mrAbort},
    {mbRetry, "Retry", "&Retry", mrRetry},
    {mbIgnore, "Ignore", "&Ignore", mrIgnore},
    {mbAll, "All", "&All", mrAll},
    {mbNoToAll, "NoToAll", "N&o to All", mrNoToAll},
    {mbYesToAll, "YesToAll", "Yes to &All", mrYesToAll},
    {mbHelp, "Help", "&Help", mrNone},
};

AnsiString CaptionOf(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return "Warning";
    case TMsgDlgType::mtError:
      return "Error";
    case TMsgDlgType::mtInformation:
      return "Information";
    case TMsgDlgType::mtConfirmation:
      return "Confirmation";
    case TMsgDlgType::mtCustom:
      break;
  }
  return Application()->Title();
}

// The form class of message dialogs.
class TMessageForm : public TForm {
  VCL_DECLARE_COMPONENT(TMessageForm)
 public:
  explicit TMessageForm(TComponent* owner) : TForm(owner) {}
};

VCL_IMPLEMENT_COMPONENT(TMessageForm, TForm)
void TMessageForm::Publish(TPublisher&) {}

constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonSpacing = 8, kMargin = 16;

}  // namespace

TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  if (buttons == 0) buttons = mbOK;
  auto* form = new TMessageForm(nullptr);
  form->SetName("MessageDlg");
  form->SetCaption(CaptionOf(type));
  form->SetBorderStyle(TFormBorderStyle::bsDialog);
  form->SetPosition(TPosition::poScreenCenter);

  auto* message = new TLabel(form);
  message->SetName("Message");
  message->SetParent(form);
  message->SetCaption(text);
  message->SetBounds(kMargin, kMargin, message->Width(), message->Height());

  const TMsgDlgBtn defaultFlag = (buttons & mbOK)    ? mbOK
                                 : (buttons & mbYes) ? mbYes
                                                     : static_cast<TMsgDlgBtn>(0);
  const TMsgDlgBtn cancelFlag = (buttons & mbCancel) ? mbCancel
                                : (buttons & mbNo)   ? mbNo
                                : (buttons & mbOK)   ? mbOK
                                                     : static_cast<TMsgDlgBtn>(0);
  std::vector<TButton*> made;
  for (const ButtonSpec& spec : kButtons) {
    if (!(buttons & spec.flag)) continue;
    auto* button = new TButton(form);
    button->SetName(spec.name);
    button->SetParent(form);
    button->SetCaption(spec.caption);
    button->SetModalResult(spec.result);
    button->SetDefault(spec.flag == defaultFlag);
    button->SetCancel(spec.flag == cancelFlag);
    made.push_back(button);
  }

  const int count = static_cast<int>(made.size());
  const int buttonsWidth = count * kButtonWidth + (count - 1) * kButtonSpacing;
  const int width = std::max(message->Width(), buttonsWidth) + 2 * kMargin;
  const int buttonTop = message->Top() + message->Height() + kMargin;
  int left = (width - buttonsWidth) / 2;
  for (TButton* button : made) {
    button->SetBounds(left, buttonTop, kButtonWidth, kButtonHeight);
    left += kButtonWidth + kButtonSpacing;
  }
  form->SetBounds(0, 0, width, buttonTop + kButtonHeight + kMargin);
  for (TButton* button : made)
    if (button->Default()) form->SetActiveControl(button);
  return form;
}

int MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  (void)helpCtx;
  std::unique_ptr<TForm, TFreeDeleter> form(CreateMessageDialog(text, type, buttons));
  return form->ShowModal();
}

void ShowMessage(const AnsiString& text) {
  MessageDlg(text, TMsgDlgType::mtCustom, mbOK);
}

int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags) {
  TMsgDlgButtons buttons;
  switch (flags & 0x0F) {
    case 1:
      buttons = mbOK | mbCancel;
      break;
    case 2:
      buttons = mbAbort | mbRetry | mbIgnore;
      break;
    case 3:
      buttons = mbYes | mbNo | mbCancel;
      break;
    case 4:
      buttons = mbYes | mbNo;
      break;
    case 5:
      buttons = mbRetry | mbCancel;
      break;
    default:
      buttons = mbOK;
  }
  TMsgDlgType type;
  switch (flags & 0xF0) {
    case 0x10:
      type = TMsgDlgType::mtError;
      break;
    case 0x20:
      type = TMsgDlgType::mtConfirmation;
      break;
    case 0x30:
      type = TMsgDlgType::mtWarning;
      break;
    case 0x40:
      type = TMsgDlgType::mtInformation;
      break;
    default:
      type = TMsgDlgType::mtCustom;
  }
  std::unique_ptr<TForm, TFreeDeleter> form(CreateMessageDialog(text, type, buttons));
  form->SetCaption(caption);
  // The message box results share the modal results' numbers (IDOK 1, IDCANCEL 2, ...).
  return form->ShowModal();
}

}  // namespace vcl
