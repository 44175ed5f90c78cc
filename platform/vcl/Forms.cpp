#include "platform/vcl/Forms.h"

#include <algorithm>

#include <cctype>

#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

namespace {

TPresentation* g_presentation = nullptr;

void ForEachControl(TWinControl* parent, const std::function<bool(TControl*)>& visit) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (visit(c)) return;
    if (auto* win = dynamic_cast<TWinControl*>(c)) ForEachControl(win, visit);
  }
}

}  // namespace

const TTypeInfo* TypeCloseAction() {
  static const TTypeInfo* type =
      MakeEnumType("TCloseAction", {"caNone", "caHide", "caFree", "caMinimize"});
  return type;
}
const TTypeInfo* TypeWindowState() {
  static const TTypeInfo* type =
      MakeEnumType("TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"});
  return type;
}
const TTypeInfo* TypeFormBorderStyle() {
  static const TTypeInfo* type = MakeEnumType(
      "TFormBorderStyle",
      {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"});
  return type;
}
const TTypeInfo* TypePosition() {
  static const TTypeInfo* type = MakeEnumType(
      "TPosition", {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                    "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"});
  return type;
}

void SetPresentation(TPresentation* presentation) {
  g_presentation = presentation;
}
TPresentation* GetPresentation() {
  return g_presentation;
}

// ---------------------------------------------------------------------------------------
// TCustomForm

VCL_IMPLEMENT_COMPONENT(TCustomForm, TWinControl)

void TCustomForm::Publish(TPublisher& p) {
  p.String("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption);
  p.Object("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  p.Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
  p.Enum("BorderStyle", TypeFormBorderStyle(), &TCustomForm::BorderStyle,
         &TCustomForm::SetBorderStyle);
  p.Enum("Position", TypePosition(), &TCustomForm::Position, &TCustomForm::SetPosition);
  p.Enum("WindowState", TypeWindowState(), &TCustomForm::WindowState, &TCustomForm::SetWindowState);
  p.Integer("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult);
  p.Event("OnCreate", "TNotifyEvent", &TCustomForm::OnCreate);
  p.Event("OnShow", "TNotifyEvent", &TCustomForm::OnShow);
  p.Event("OnHide", "TNotifyEvent", &TCustomForm::OnHide);
  p.Event("OnActivate", "TNotifyEvent", &TCustomForm::OnActivate);
  p.Event("OnDeactivate", "TNotifyEvent", &TCustomForm::OnDeactivate);
  p.Event("OnClose", "TCloseEvent", &TCustomForm::OnClose);
  p.Event("OnCloseQuery", "TCloseQueryEvent", &TCustomForm::OnCloseQuery);
  p.Event("OnDestroy", "TNotifyEvent", &TCustomForm::OnDestroy);
  p.Event("OnPaint", "TNotifyEvent", &TCustomForm::OnPaint);
}

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  TControl::SetVisible(false);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
  Screen()->AddForm(this);
}

void TCustomForm::BeforeDestruction() {
  if (destroyEventRun_) return;
  destroyEventRun_ = true;
  if (Visible()) Hide();
  OnDestroy(this);
}

TCustomForm::~TCustomForm() {
  SetComponentState(csDestroying);
  if (g_presentation) g_presentation->FormDestroyed(*this);
  Screen()->RemoveForm(this);
  if (Application()->MainForm() == this) Application()->SetMainForm(nullptr);
}

void TCustomForm::DoCreate() {
  OnCreate(this);
}

bool TCustomForm::Active() const {
  return Screen()->ActiveForm() == this;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control && (control == this || vcl::GetParentForm(control) != this))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (!control) {
    activeControl_ = nullptr;
    return;
  }
  if (Visible() && !(ComponentState() & csLoading)) {
    if (!control->CanFocus())
      throw EInvalidOperation("Cannot focus a disabled or invisible window");
    SetFocusedControl(control);
  } else {
    activeControl_ = control;
  }
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (!control || control == this || vcl::GetParentForm(control) != this) return false;
  if (control == activeControl_ && control == entered_) return true;
  if (Visible() && Screen()->ActiveForm() != this) Screen()->SetActiveForm(this);
  const unsigned move = ++focusMove_;
  TWinControl* const previous = entered_;
  activeControl_ = control;
  auto alive = control->AliveToken();
  try {
    // Exit events: the control losing the focus, then each container of it that does not
    // hold the new control.
    TWinControl* c = entered_;
    while (c && c != this && !c->ContainsControl(control)) {
      if (c != exiting_) {
        TWinControl* outer = exiting_;
        exiting_ = c;
        c->DoExit();
        exiting_ = outer;
        if (focusMove_ != move || !*alive) return *alive && activeControl_ == control;
      }
      c = c->Parent();
      entered_ = c;
    }
    // Enter events from the outermost container that gains the focus down to the control.
    std::vector<TWinControl*> path;
    for (TWinControl* p = control; p && p != this; p = p->Parent()) {
      if (entered_ && p->ContainsControl(entered_)) break;
      path.push_back(p);
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      entered_ = *it;
      (*it)->DoEnter();
      if (focusMove_ != move || !*alive) return *alive && activeControl_ == control;
    }
  } catch (...) {
    // A failing exit or enter handler leaves the focus where it was.
    ++focusMove_;
    exiting_ = nullptr;
    if (*alive && activeControl_ == control) activeControl_ = entered_ ? entered_ : previous;
    throw;
  }
  return true;
}

void TCustomForm::FocusFirstControl() {
  if (TWinControl* first = FindNextControl(nullptr, true, true, false)) SetFocusedControl(first);
}

void TCustomForm::DefocusControl(TWinControl* control) {
  if (!control || control == this) return;
  if (activeControl_ && control->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (entered_ && control->ContainsControl(entered_)) {
    TWinControl* parent = control->Parent();
    entered_ = parent == this ? nullptr : parent;
  }
  if (exiting_ && control->ContainsControl(exiting_)) exiting_ = nullptr;
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == windowState_) return;
  windowState_ = value;
  Invalidate();
}

void TCustomForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  auto alive = AliveToken();
  TControl::SetVisible(visible);
  if (visible) {
    DoShow();
    if (!*alive) return;
    if (g_presentation) g_presentation->FormShown(*this);
    Screen()->SetActiveForm(this);
    if (!*alive || !Visible()) return;
    if (activeControl_ && activeControl_->CanFocus())
      SetFocusedControl(activeControl_);
    else
      FocusFirstControl();
  } else {
    DoHide();
    if (!*alive) return;
    if (g_presentation) g_presentation->FormHidden(*this);
    if (Screen()->ActiveForm() == this) Screen()->SetActiveForm(nullptr);
  }
}

void TCustomForm::Paint() {
  Canvas()->FillRect({0, 0, Width(), Height()});
  OnPaint(this);
}

void TCustomForm::DoShow() {
  OnShow(this);
}
void TCustomForm::DoHide() {
  OnHide(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

bool TCustomForm::CloseModal() {
  TCloseAction action = TCloseAction::caNone;
  if (CloseQuery()) {
    action = TCloseAction::caHide;
    OnClose(this, action);
  }
  if (action == TCloseAction::caNone) {
    modalResult_ = mrNone;
    return false;
  }
  if (action == TCloseAction::caFree) releasePending_ = true;
  return true;
}

int TCustomForm::ShowModal() {
  if (Visible()) throw EInvalidOperation("Cannot make a visible window modal");
  auto alive = AliveToken();
  modal_ = true;
  modalResult_ = mrNone;
  Show();
  int result = mrCancel;
  while (*alive) {
    bool answered = false;
    if (g_presentation) {
      answered = g_presentation->RunModal(*this);
    } else {
      Application()->ProcessMessages();
    }
    if (!*alive) break;
    if (modalResult_ == mrNone) modalResult_ = mrCancel;
    result = modalResult_;
    if (CloseModal() || !answered || !*alive) break;
  }
  if (!*alive) return result;
  if (modalResult_ != mrNone) result = modalResult_;
  modal_ = false;
  Hide();
  if (*alive && releasePending_) {
    releasePending_ = false;
    Release();
  }
  return result;
}

void TCustomForm::Close() {
  if (modal_) {
    modalResult_ = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = TCloseAction::caHide;
  OnClose(this, action);
  switch (action) {
    case TCloseAction::caNone:
      return;
    case TCloseAction::caHide:
      Hide();
      break;
    case TCloseAction::caMinimize:
      SetWindowState(TWindowState::wsMinimized);
      break;
    case TCloseAction::caFree:
      Hide();
      Release();
      break;
  }
  if (Application()->MainForm() == this) Application()->Terminate();
}

void TCustomForm::Release() {
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::BringToForeground() {
  if (!Visible()) return;
  if (windowState_ == TWindowState::wsMinimized) SetWindowState(TWindowState::wsNormal);
  Screen()->SetActiveForm(this);
}

bool TCustomForm::DialogKey(std::uint16_t key, TShiftState shift) {
  if (shift & ssAlt) return false;
  for (TWinControl* p = activeControl_ ? activeControl_->Parent() : nullptr; p && p != this;
       p = p->Parent())
    if (p->ChildDialogKey(key, shift)) return true;
  switch (key) {
    case VK_TAB:
      if (shift & ssCtrl) return false;
      SelectNext(activeControl_, !(shift & ssShift), true);
      return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      if (!activeControl_ || !activeControl_->Parent()) return false;
      activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN,
                                           false);
      return true;
    case VK_RETURN:
    case VK_ESCAPE: {
      // Enter clicks the focused button, or else the default button; Escape the cancel button.
      TButton* target = nullptr;
      if (key == VK_RETURN) target = dynamic_cast<TButton*>(activeControl_);
      if (!target) {
        ForEachControl(this, [&](TControl* c) {
          auto* button = dynamic_cast<TButton*>(c);
          if (button && button->CanFocus() &&
              (key == VK_RETURN ? button->Default() : button->Cancel())) {
            target = button;
            return true;
          }
          return false;
        });
      }
      if (!target) return false;
      target->Click();
      return true;
    }
    default:
      return false;
  }
}

bool TCustomForm::DialogChar(char key) {
  bool used = false;
  TButton* button = nullptr;
  ForEachControl(this, [&](TControl* c) {
    if (auto* label = dynamic_cast<TLabel*>(c)) {
      used = label->Visible() && label->DialogChar(key);
    } else if (auto* b = dynamic_cast<TButton*>(c)) {
      const char hotkey = GetHotkey(b->Caption());
      if (hotkey &&
          std::toupper(static_cast<unsigned char>(hotkey)) ==
              std::toupper(static_cast<unsigned char>(key)) &&
          b->CanFocus())
        button = b;
      used = button != nullptr;
    }
    return used;
  });
  if (button) {
    button->SetFocus();
    if (button->Focused()) button->Click();
  }
  return used;
}

void TCustomForm::WndProc(TMessage& m) {
  switch (m.msg) {
    case CM_RELEASE:
      if (modal_)
        releasePending_ = true;
      else
        Free();
      return;
    case WM_CLOSE:
      Close();
      return;
    default:
      TWinControl::WndProc(m);
  }
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove) {
    if (auto* win = dynamic_cast<TWinControl*>(component)) DefocusControl(win);
  }
}

VCL_IMPLEMENT_COMPONENT(TForm, TCustomForm)
void TForm::Publish(TPublisher&) {}

// ---------------------------------------------------------------------------------------
// TApplication and TScreen

VCL_IMPLEMENT_COMPONENT(TApplication, TComponent)

void TApplication::Publish(TPublisher& p) {
  p.String("Title", &TApplication::Title, &TApplication::SetTitle);
  p.Integer("HintHidePause", &TApplication::HintHidePause, &TApplication::SetHintHidePause);
  p.Bool("ShowHint", &TApplication::ShowHint, &TApplication::SetShowHint);
}

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

void TApplication::ProcessMessages() {
  if (vcl::ProcessMessages()) terminated_ = true;
}

void TApplication::Run() {
  terminated_ = false;
  while (!terminated_) {
    ProcessMessages();
    if (terminated_) break;
    WaitMessage(100);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

HWND TApplication::Handle() {
  if (!handle_) handle_ = AllocateHWnd([](TMessage&) -> LRESULT { return 0; });
  return handle_;
}

VCL_IMPLEMENT_COMPONENT(TScreen, TComponent)

void TScreen::Publish(TPublisher& p) {
  p.Integer("Cursor", &TScreen::Cursor, &TScreen::SetCursor, TypeCursor());
}

TScreen::TScreen(TComponent* owner)
    : TComponent(owner), hintFont_(new TFont), menuFont_(new TFont), iconFont_(new TFont) {}

TScreen::~TScreen() {
  delete hintFont_;
  delete menuFont_;
  delete iconFont_;
}

TWinControl* TScreen::ActiveControl() const {
  return activeForm_ ? activeForm_->ActiveControl() : nullptr;
}

void TScreen::AddForm(TCustomForm* form) {
  forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::erase(forms_, form);
  if (activeForm_ == form) {
    activeForm_ = nullptr;
    // The most recently shown visible form becomes active.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
      if ((*it)->Visible()) {
        activeForm_ = *it;
        break;
      }
  }
}

void TScreen::SetActiveForm(TCustomForm* form) {
  if (form == activeForm_) return;
  TCustomForm* previous = activeForm_;
  activeForm_ = form;
  if (!form) {
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
      if ((*it)->Visible() && *it != previous) {
        activeForm_ = *it;
        break;
      }
  }
  if (previous) previous->OnDeactivate(previous);
  if (activeForm_) activeForm_->OnActivate(activeForm_);
}

TApplication* Application() {
  static TApplication* application = new TApplication(nullptr);
  return application;
}

TScreen* Screen() {
  static TScreen* screen = new TScreen(nullptr);
  return screen;
}

TCustomForm* FindFormByHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* form = Screen()->Forms(i);
    if (form->HandleAllocated() && form->Handle() == hwnd) return form;
  }
  return nullptr;
}

bool SetForegroundWindow(HWND hwnd) {
  TCustomForm* form = FindFormByHandle(hwnd);
  if (!form || !form->Visible()) return false;
  form->BringToForeground();
  return true;
}

bool InvalidateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return false;
  SendMessage(hwnd, WM_PAINT, 0, 0);
  return true;
}

}  // namespace vcl
