// Hints: the small yellow window that shows a control's hint below the mouse. One hint shows
// at a time; the window backend asks for it after the mouse rests on a control, and the
// renderer paints it above the form.
#pragma once

#include "platform/vcl/Controls.h"

namespace vcl {

class TCustomForm;

// The hint showing: on which form, where (in the form's client coordinates) and what.
struct THintInfo {
  TCustomForm* form = nullptr;
  TRect rect;
  AnsiString text;
};

// The text of a hint before "|" (the short hint shown in the window).
AnsiString GetShortHint(const AnsiString& hint);
// The text after "|" (the long hint for status bars), or the whole hint without one.
AnsiString GetLongHint(const AnsiString& hint);

// Shows `control`'s short hint for the mouse at `pos` (in the control's coordinates): when
// the control's ShowHint and the application's ShowHint are set, the control lies on a form
// and the text is not empty. The window lies just below the mouse, sized by CalcHintRect.
// Otherwise any hint showing is cancelled. The hint goes when its control or form is freed.
void ActivateHint(TControl* control, TPoint pos);
void CancelHint();
// The hint showing, or nullptr.
const THintInfo* ActiveHint();

// The window size for `text` in `font` (the screen's hint font for nullptr), lines broken at
// `maxWidth`: at (0, 0), with room for the frame and margins.
TRect CalcHintRect(const AnsiString& text, const TFont* font, int maxWidth);
// Paints the hint window in `rect`: the info background, a black frame and the text in the
// info text colour.
void PaintHintWindow(TCanvas* canvas, const TRect& rect, const AnsiString& text, const TFont* font);

}  // namespace vcl
