// Forms, the application object, the screen, and the presentation backend that shows forms
// and answers modal ones.
#pragma once

#include <functional>
#include <vector>

#include "platform/vcl/Controls.h"

namespace vcl {

// Modal results.
inline constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                     mrYes = 6, mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
const TTypeInfo* TypeCloseAction();
const TTypeInfo* TypeWindowState();
const TTypeInfo* TypeFormBorderStyle();
const TTypeInfo* TypePosition();

using TCloseEvent = TEvent<TObject*, TCloseAction&>;

class TCustomForm : public TWinControl {
  VCL_DECLARE_COMPONENT(TCustomForm)
 public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  // The control that has (or is receiving) the focus. During the exit events of the control
  // losing the focus it already reads the control getting it.
  TWinControl* ActiveControl() const { return activeControl_; }
  // Moves the focus (when the form is showing) or sets the control to focus on show.
  void SetActiveControl(TWinControl* control);
  // Moves the focus to `control`: exit events for the control losing it and each container
  // of it that does not hold `control`, then enter events down to `control`. An event
  // handler that moves the focus elsewhere ends this move. False when it did not arrive.
  bool SetFocusedControl(TWinControl* control);
  // Focus the first focusable control in tab order.
  void FocusFirstControl();
  // Forgets the focus held by `control` (or inside it) when it is hidden, disabled or
  // removed; no exit events run, as when the platform takes the focus away.
  void DefocusControl(TWinControl* control);

  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle value) { borderStyle_ = value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState value);
  int ModalResult() const { return modalResult_; }
  // Setting a result other than mrNone ends a modal show (buttons with a modal result do it).
  void SetModalResult(int value) { modalResult_ = value; }
  bool Modal() const { return modal_; }
  bool Active() const;

  void SetVisible(bool visible) override;
  // Shows the form modally: the presentation backend runs until ModalResult is set (or the
  // form is closed), then the form hides; returns the modal result. Raises
  // EInvalidOperation "Cannot make a visible window modal" when already visible.
  virtual int ShowModal();
  // Asks CloseQuery and OnClose; then hides, frees (later, safely) or minimises the form.
  // A modal form gets modal result mrCancel instead of hiding.
  void Close();
  virtual bool CloseQuery();
  // Frees the form once pending messages are handled (safe from its own event handlers).
  void Release();
  // Brings the form to the front and makes it the active form.
  void BringToForeground();

  // Handles the keys a control did not consume: Tab moves the focus, Enter clicks the
  // default button, Escape the cancel button. True when used.
  virtual bool DialogKey(std::uint16_t key, TShiftState shift);
  // Alt with a letter or digit: the label whose caption marks that character as its
  // accelerator focuses its control, a button with it is clicked. True when used.
  virtual bool DialogChar(char key);

  void WndProc(TMessage& message) override;
  // Hides the form and runs OnDestroy while the form is still whole.
  void BeforeDestruction() override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  // Runs when the form is freed with Free (or Release, or by its owner).
  TNotifyEvent OnDestroy;
  TNotifyEvent OnPaint;

  // Runs OnCreate: call at the end of a form class's constructor (after building its
  // controls), as forms loaded from a form file do.
  void DoCreate();

 protected:
  // Fills the client area with the form's colour, then runs OnPaint.
  void Paint() override;
  virtual void DoShow();
  virtual void DoHide();
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TApplication;
  TWinControl* activeControl_ = nullptr;
  bool CloseModal();
  TWinControl* entered_ = nullptr;  // the control whose enter events have run
  TWinControl* exiting_ = nullptr;  // the control whose exit events are running
  unsigned focusMove_ = 0;          // changes with each focus move, to detect nested moves
  bool releasePending_ = false;     // Release called while shown modally
  bool keyPreview_ = false;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  TWindowState windowState_ = TWindowState::wsNormal;
  int modalResult_ = mrNone;
  bool modal_ = false;
  bool destroyEventRun_ = false;
};

class TForm : public TCustomForm {
  VCL_DECLARE_COMPONENT(TForm)
 public:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

// What shows forms to a person (or a script). The component model hands it modal forms to
// run and tells it when forms appear, disappear and need repainting.
class TPresentation {
 public:
  virtual ~TPresentation() = default;
  // Runs `form` until its ModalResult is not mrNone. A backend that cannot get an answer sets
  // mrCancel and returns false; ShowModal then ends even if the form refuses to close.
  virtual bool RunModal(TCustomForm& form) = 0;
  virtual void FormShown(TCustomForm& form) {}
  virtual void FormHidden(TCustomForm& form) {}
  virtual void FormDestroyed(TCustomForm& form) {}
  virtual void Invalidated(TControl& control) {}
};

// The backend in use; without one, modal forms get mrCancel after pending messages are
// handled.
void SetPresentation(TPresentation* presentation);
TPresentation* GetPresentation();

class TApplication : public TComponent {
  VCL_DECLARE_COMPONENT(TApplication)
 public:
  explicit TApplication(TComponent* owner);

  // Handles pending messages (posted closes and releases included).
  void ProcessMessages();
  // Handles messages until Terminate is called or WM_QUIT arrives.
  void Run();
  void Terminate();
  bool Terminated() const { return terminated_; }

  const AnsiString& Title() const { return title_; }
  void SetTitle(const AnsiString& title) { title_ = title; }
  int HintHidePause() const { return hintHidePause_; }
  void SetHintHidePause(int ms) { hintHidePause_ = ms; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value) { showHint_ = value; }
  TCustomForm* MainForm() const { return mainForm_; }
  void SetMainForm(TCustomForm* form) { mainForm_ = form; }
  HWND Handle();

 private:
  AnsiString title_;
  int hintHidePause_ = 2500;
  bool showHint_ = true;
  bool terminated_ = false;
  TCustomForm* mainForm_ = nullptr;
  HWND handle_ = 0;
};

class TScreen : public TComponent {
  VCL_DECLARE_COMPONENT(TScreen)
 public:
  explicit TScreen(TComponent* owner);
  ~TScreen() override;

  TCustomForm* ActiveForm() const { return activeForm_; }
  TWinControl* ActiveControl() const;
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* Forms(int index) const { return forms_.at(static_cast<size_t>(index)); }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  TFont* HintFont() const { return hintFont_; }
  TFont* MenuFont() const { return menuFont_; }
  TFont* IconFont() const { return iconFont_; }
  int Width() const { return 1024; }
  int Height() const { return 768; }

 private:
  friend class TCustomForm;
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  void SetActiveForm(TCustomForm* form);
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  TCursor cursor_ = crDefault;
  TFont* hintFont_;
  TFont* menuFont_;
  TFont* iconFont_;
};

// The process's application and screen objects.
TApplication* Application();
TScreen* Screen();

// Window handles that are forms: brings a form to the front or repaints it by handle.
bool SetForegroundWindow(HWND hwnd);
bool InvalidateWindow(HWND hwnd);
TCustomForm* FindFormByHandle(HWND hwnd);

}  // namespace vcl
