// Rendering forms as the screen shows them, into bitmaps and PNG files: for tests, for the
// launcher's screenshots and for people reviewing forms.
#pragma once

#include <string>

#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

// The window frame around a form's client area (the form's Width x Height): border, caption
// bar and menu bar, in pixels.
struct TFrameMetrics {
  int border = 0;
  int caption = 0;
  int menu = 0;
};
TFrameMetrics FrameMetrics(const TCustomForm& form);

// The form as its window: frame and caption bar (active or inactive colours), menu bar, the
// client area with every visible control, and what lies open above it (drop-down lists,
// menus). `out` is sized to the whole window.
void RenderForm(TCustomForm& form, TBitmap& out);
// RenderForm saved as PNG; raises EInOutError when the file cannot be written.
void RenderToPng(TCustomForm& form, const std::string& path);

// Where a form's window lies on the screen: its Left and Top, or centred on the screen (or on
// its owner form) as its Position asks.
TRect ScreenBounds(const TCustomForm& form);
// The whole screen: the desktop with every showing form at its place, the active form (a
// modal dialog, while one is open) on top, and the hint window when one is showing.
void RenderScreen(TBitmap& out);
void RenderScreenToPng(const std::string& path);

}  // namespace vcl
