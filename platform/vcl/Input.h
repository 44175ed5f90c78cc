// Keyboard and mouse input as a user gives it: keys go to the focused control of the active
// form (the form sees them first with key preview), typed text arrives character by
// character (double-byte characters as lead and trail byte), clicks arrive as button press
// and release messages at a point of a control.
#pragma once

#include <string_view>

#include "platform/vcl/Forms.h"

namespace vcl {

// Sends a key down (and, for keys that produce a character, the character) and key up to the
// focused control of `form` (or of the active form). Returns false when no control takes keys.
bool SendKey(std::uint16_t key, TShiftState shift = 0, TCustomForm* form = nullptr);
// Key down only / key up only.
bool SendKeyDown(std::uint16_t key, TShiftState shift = 0, TCustomForm* form = nullptr);
bool SendKeyUp(std::uint16_t key, TShiftState shift = 0, TCustomForm* form = nullptr);
// Sends one character as a key press.
bool SendChar(char c, TCustomForm* form = nullptr);
// Types `text` (bytes in the ANSI code page; an input-method string included) into the
// focused control.
bool TypeText(std::string_view text, TCustomForm* form = nullptr);

// Clicks `control` at its centre (or at client point x, y): press and release of the left
// button sent to the control's window (a graphic control's parent window), as a mouse does.
void ClickControl(TControl* control);
// `shift` may add ssShift and ssCtrl, sent as the mouse messages' key flags.
void ClickControlAt(TControl* control, int x, int y, TShiftState shift = 0);
void DoubleClickControl(TControl* control);
// Right click: the control's popup menu (if any) pops up at the point.
void RightClickControl(TControl* control);

}  // namespace vcl
