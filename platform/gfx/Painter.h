// Drawing on 32-bit pixel buffers with cairo, and text with pango: the engine under the
// canvas. Colours here are plain 0x00RRGGBB values; coordinates are pixels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Types.h"

namespace vcl {

// Flags of DrawText, with the platform's values.
inline constexpr unsigned DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
                          DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20,
                          DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100, DT_CALCRECT = 0x400,
                          DT_NOPREFIX = 0x800, DT_END_ELLIPSIS = 0x8000;

// Raster operations of block transfers (ternary operations on pattern, source, destination).
inline constexpr DWORD SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6,
                       SRCINVERT = 0x00660046, SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008,
                       NOTSRCERASE = 0x001100A6, MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226,
                       PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049,
                       DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062,
                       // Paints the pattern where the source is black, keeps the rest.
    ROP_DSPDxax = 0x00E20746;

// An image file that cannot be decoded, or an image that cannot be saved.
VCL_DECLARE_EXCEPTION(EInvalidGraphic, Exception)

namespace gfx {

using Rgb = std::uint32_t;  // 0x00RRGGBB

// Pixels 0x??RRGGBB, row-major without padding, owned by someone else. The top byte is
// ignored on reading and undefined after drawing.
struct PixelView {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  bool Empty() const { return pixels == nullptr || width <= 0 || height <= 0; }
  std::uint32_t* Row(int y) const { return pixels + std::size_t(y) * std::size_t(width); }
};

struct FontSpec {
  std::string name = "MS Sans Serif";
  int height = -11;  // negative: character height in pixels; positive: cell height
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  UINT codePage = 936;  // how the text bytes are decoded
};

// The code page a font's character set implies: GB2312 (134) 936, Big5 (136) 950, anything
// else the machine's ANSI code page.
UINT CharsetCodePage(int charset);

struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int height = 0;            // ascent + descent
  int averageCharWidth = 0;  // width of "x"
};
FontMetrics GetFontMetrics(const FontSpec& font);

struct TextExtent {
  int cx = 0;
  int cy = 0;
};
// Size of one line of text as drawn by TextOut (no prefix processing).
TextExtent MeasureText(std::string_view text, const FontSpec& font);

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, Clear };

struct Pen {
  Rgb color = 0;
  int width = 1;
  PenStyle style = PenStyle::Solid;
};

// Draws on a pixel view. Coordinates given to the drawing operations are moved by the origin;
// everything is clipped to the clip rectangle (in view coordinates).
class Painter {
 public:
  explicit Painter(PixelView view);
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  const PixelView& View() const { return view_; }
  TPoint Origin() const { return origin_; }
  void SetOrigin(TPoint origin) { origin_ = origin; }
  // The clip rectangle in view coordinates, always inside the view.
  const TRect& Clip() const { return clip_; }
  void SetClip(const TRect& viewRect);
  // Narrows the clip to a rectangle given in drawing coordinates.
  void IntersectClip(const TRect& rect);

  void FillRect(const TRect& rect, Rgb color);
  // A one-pixel frame just inside the rectangle.
  void FrameRect(const TRect& rect, Rgb color);
  // From `from` to `to`, the end point itself left out (for one-pixel pens).
  void Line(TPoint from, TPoint to, const Pen& pen);
  void Polyline(const std::vector<TPoint>& points, const Pen& pen);
  void Polygon(const std::vector<TPoint>& points, std::optional<Rgb> fill, const Pen& pen);
  void Ellipse(const TRect& bounds, std::optional<Rgb> fill, const Pen& pen);
  // Inverts every other pixel of the rectangle's outline (the dotted focus rectangle).
  void FocusRect(const TRect& rect);
  void InvertRect(const TRect& rect);

  Rgb GetPixel(int x, int y) const;  // 0 outside the clip
  void SetPixel(int x, int y, Rgb color);

  // One line of text with its top-left at (x, y); a background colour fills the text cell.
  void TextOut(int x, int y, std::string_view text, const FontSpec& font, Rgb color,
               std::optional<Rgb> background = std::nullopt);
  // Text in a rectangle with DrawText flags; "&x" underlines x and "&&" is "&" unless
  // DT_NOPREFIX. With DT_CALCRECT nothing is drawn and the rectangle's right and bottom are
  // set to the text's extent. Returns the height of the text.
  int DrawText(std::string_view text, TRect& rect, unsigned flags, const FontSpec& font, Rgb color);

  // Copies `srcRect` of `src` into `dest`, stretched (nearest pixel) when the sizes differ.
  void CopyPixels(const TRect& dest, const PixelView& src, const TRect& srcRect);
  // The same, leaving out source pixels of colour `key`.
  void CopyTransparent(const TRect& dest, const PixelView& src, const TRect& srcRect, Rgb key);
  // A block transfer of `width` x `height` pixels with a ternary raster operation over the
  // brush colour, the source (may be empty for operations without one) and the destination.
  void RasterOp(TPoint dest, int width, int height, const PixelView& src, TPoint srcPos, DWORD rop,
                Rgb brush);

 private:
  friend struct PainterAccess;
  struct Cairo;
  Cairo& C() const;
  TRect ToView(const TRect& r) const;
  TRect Clipped(const TRect& viewRect) const;
  void BeginCairo() const;
  void EndCairo() const;
  void ApplyPen(const Pen& pen) const;
  void FillAndStroke(std::optional<Rgb> fill, const Pen& pen) const;
  void CopyTransparentImpl(const TRect& dest, const PixelView& src, const TRect& srcRect,
                           std::optional<Rgb> key);

  PixelView view_;
  TPoint origin_;
  TRect clip_;
  mutable Cairo* cairo_ = nullptr;
};

// Reads a BMP (1, 4, 8, 16, 24 or 32 bits, uncompressed or RLE) or PNG file. A file that
// cannot be opened raises EInOutError, one that cannot be decoded EInvalidGraphic.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB
  int bitsPerPixel = 24;
};
Image LoadImageFile(const std::string& path);
Image DecodeImage(std::string_view bytes, const std::string& nameForErrors);
// Writes PNG (any name) or, for a name ending in ".bmp", a 24-bit BMP.
void SaveImageFile(const std::string& path, const PixelView& view);

}  // namespace gfx
}  // namespace vcl
