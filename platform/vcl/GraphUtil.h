// Drawing pieces the controls share: 3D edges, button faces, check and radio marks, arrows,
// scroll bars, enabled and disabled text and glyphs, in the classic desktop look.
#pragma once

#include "platform/vcl/Graphics.h"

namespace vcl {

// Saves the canvas's clip and puts it back when it goes; given a rectangle (canvas
// coordinates), the clip is narrowed to it meanwhile.
class TClipScope {
 public:
  explicit TClipScope(TCanvas* canvas);
  TClipScope(TCanvas* canvas, const TRect& rect);
  ~TClipScope();
  TClipScope(const TClipScope&) = delete;
  TClipScope& operator=(const TClipScope&) = delete;

 private:
  gfx::Painter* painter_;
  TRect saved_;
};

// Fills the rectangle with a solid colour (the canvas brush takes that colour).
void FillSolid(TCanvas* canvas, const TRect& rect, TColor color);

// Draws a frame of `width` pixels, top and left in `topColor`, bottom and right in
// `bottomColor`, and shrinks `rect` by it.
void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);

enum class TEdgeKind {
  Raised,       // a button: white and 3D-light outside-in at top-left, dark shadow and shadow
  Sunken,       // an edit or list: shadow and dark shadow at top-left, highlight and light
  RaisedOuter,  // a one-pixel raised bevel (panels, tool buttons when hot)
  SunkenOuter,  // a one-pixel sunken bevel (pressed flat buttons, status panels)
  Etched,       // a grooved line pair (group boxes, bevels)
  Bump,         // the opposite of etched
};
// Draws the edge inside `rect` and returns the rectangle inside it.
TRect DrawEdge(TCanvas* canvas, TRect rect, TEdgeKind kind);

// A push button's face: raised (sunken when pressed), filled with the button face colour;
// a default button gets a black outer frame. Returns the content rectangle.
TRect DrawButtonFace(TCanvas* canvas, const TRect& rect, bool pressed, bool isDefault);
// A flat button's face: plain when idle, a one-pixel bevel when hot or pressed.
TRect DrawFlatButtonFace(TCanvas* canvas, const TRect& rect, bool pressed, bool hot, TColor color);

enum class TCheckMark { Unchecked, Checked, Grayed };
// The 13 x 13 check box with its top-left at (x, y).
void DrawCheckMark(TCanvas* canvas, int x, int y, TCheckMark state, bool enabled);
// The 12 x 12 radio circle with its top-left at (x, y).
void DrawRadioMark(TCanvas* canvas, int x, int y, bool checked, bool enabled);

enum class TArrowDirection { Up, Down, Left, Right };
// A small filled triangle centred in `rect`.
void DrawArrow(TCanvas* canvas, const TRect& rect, TArrowDirection direction, TColor color);

// A scroll bar filling `rect`: two arrow buttons and a thumb for `position` within
// min..max with `page` visible.
void DrawScrollBar(TCanvas* canvas, const TRect& rect, bool vertical, int min, int max, int page,
                   int position, bool enabled);
inline constexpr int kScrollBarSize = 16;

// Text as a control shows it: in the font colour when enabled; when disabled, embossed: in
// the highlight colour one pixel down and right, then in grey over it.
void DrawControlText(TCanvas* canvas, const AnsiString& text, TRect rect, unsigned flags,
                     bool enabled);

// Draws image `index` of a glyph strip holding `count` images side by side, leaving out the
// strip's bottom-left pixel colour. With `embossed`, an embossed grey picture of the image is
// drawn instead (a disabled look for strips without a disabled image).
void DrawGlyph(TCanvas* canvas, int x, int y, const TBitmap* glyph, int count, int index,
               bool embossed = false);

}  // namespace vcl
