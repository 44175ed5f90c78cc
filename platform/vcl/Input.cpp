#include "platform/vcl/Input.h"

#include "platform/rtl/CodePages.h"

namespace vcl {

namespace {

// The form that receives input: the given one, else the active form.
TCustomForm* InputForm(TCustomForm* form) {
  return form ? form : Screen()->ActiveForm();
}

// The control that has the keyboard: the form's active control, else the form itself.
TWinControl* KeyTarget(TCustomForm* form) {
  if (!form) return nullptr;
  if (TWinControl* active = form->ActiveControl()) return active;
  return form;
}

// The character a key produces, or 0.
char CharOfKey(std::uint16_t key, TShiftState shift) {
  if (key >= 'A' && key <= 'Z') {
    if (shift & ssCtrl) return static_cast<char>(key - 'A' + 1);
    return (shift & ssShift) ? static_cast<char>(key) : static_cast<char>(key - 'A' + 'a');
  }
  if (key >= '0' && key <= '9' && !(shift & ssCtrl)) return static_cast<char>(key);
  switch (key) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_BACK:
      return '\b';
    case VK_ESCAPE:
      return 27;
    case VK_TAB:
      return '\t';
    default:
      return 0;
  }
}

// Runs `deliver` with the keyboard target unless the form went away.
template <typename Deliver>
bool WithTarget(TCustomForm* given, Deliver deliver) {
  TCustomForm* form = InputForm(given);
  TWinControl* target = KeyTarget(form);
  if (!target) return false;
  deliver(target);
  return true;
}

// Key flags of mouse messages: MK_LBUTTON 1, MK_SHIFT 4, MK_CONTROL 8.
WPARAM MouseFlags(UINT msg, TShiftState shift) {
  WPARAM flags = 0;
  if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) flags |= 0x01;
  if (shift & ssShift) flags |= 0x04;
  if (shift & ssCtrl) flags |= 0x08;
  return flags;
}

// Where the mouse messages for a point of a control go: the control's window, or for a
// control without one its parent's window at the matching point. Worked out once per
// gesture, so that a press that frees the control leaves the rest to go to a gone window.
struct MouseTarget {
  HWND hwnd = 0;
  TPoint at;
  TControl* direct = nullptr;  // a control with no window anywhere above it

  MouseTarget(TControl* control, int x, int y) : at{x, y} {
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
      hwnd = win->Handle();
    } else if (TWinControl* parent = control->Parent()) {
      hwnd = parent->Handle();
      at = {control->Left() + x, control->Top() + y};
    } else {
      direct = control;
    }
  }

  void Send(UINT msg, TShiftState shift = 0) const {
    const WPARAM flags = MouseFlags(msg, shift);
    if (hwnd) {
      SendMessage(hwnd, msg, flags, MakeMousePos(at.X, at.Y));
      return;
    }
    TMessage m{0, msg, flags, MakeMousePos(at.X, at.Y)};
    direct->WndProc(m);
  }
};

}  // namespace

bool SendKeyDown(std::uint16_t key, TShiftState shift, TCustomForm* form) {
  return WithTarget(form, [&](TWinControl* target) { target->DispatchKeyDown(key, shift); });
}

bool SendKeyUp(std::uint16_t key, TShiftState shift, TCustomForm* form) {
  return WithTarget(form, [&](TWinControl* target) { target->DispatchKeyUp(key, shift); });
}

bool SendChar(char c, TCustomForm* form) {
  return WithTarget(form, [&](TWinControl* target) { target->DispatchKeyPress(c); });
}

bool SendKey(std::uint16_t key, TShiftState shift, TCustomForm* form) {
  std::shared_ptr<bool> formAlive = form ? form->AliveToken() : nullptr;
  std::uint16_t down = key;
  bool charFollows = false;
  if (!WithTarget(form,
                  [&](TWinControl* target) { charFollows = target->DispatchKeyDown(down, shift); }))
    return false;
  // The character and the key release go to whichever control has the focus now.
  if (formAlive && !*formAlive) return true;
  if (char c = CharOfKey(key, shift); charFollows && c) SendChar(c, form);
  if (formAlive && !*formAlive) return true;
  SendKeyUp(key, shift, form);
  return true;
}

bool TypeText(std::string_view text, TCustomForm* form) {
  std::shared_ptr<bool> formAlive = form ? form->AliveToken() : nullptr;
  for (char c : text) {
    if (formAlive && !*formAlive) return false;
    if (!SendChar(c, form)) return false;
  }
  return true;
}

void ClickControlAt(TControl* control, int x, int y, TShiftState shift) {
  if (!control) return;
  const MouseTarget target(control, x, y);
  target.Send(WM_LBUTTONDOWN, shift);
  target.Send(WM_LBUTTONUP, shift);
}

void ClickControl(TControl* control) {
  if (control) ClickControlAt(control, control->Width() / 2, control->Height() / 2);
}

void DoubleClickControl(TControl* control) {
  if (!control) return;
  const MouseTarget target(control, control->Width() / 2, control->Height() / 2);
  target.Send(WM_LBUTTONDOWN);
  target.Send(WM_LBUTTONUP);
  target.Send(WM_LBUTTONDBLCLK);
  target.Send(WM_LBUTTONUP);
}

void RightClickControl(TControl* control) {
  if (!control) return;
  const MouseTarget target(control, control->Width() / 2, control->Height() / 2);
  target.Send(WM_RBUTTONDOWN);
  target.Send(WM_RBUTTONUP);
}

}  // namespace vcl
