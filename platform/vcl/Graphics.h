// Colours, fonts, pens, brushes, bitmaps and the canvas that controls and bitmaps draw on.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Painter.h"
#include "platform/vcl/Classes.h"

namespace vcl {

// A colour: 0x00BBGGRR, or a system colour (0x80000000 | index), or clNone/clDefault.
using TColor = std::int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor SysColor(int index) {
  return static_cast<TColor>(0x80000000u | unsigned(index));
}

inline constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                        clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                        clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                        clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000,
                        clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clLtGray = 0xC0C0C0,
                        clDkGray = 0x808080, clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0,
                        clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

inline constexpr TColor clScrollBar = SysColor(0), clBackground = SysColor(1),
                        clActiveCaption = SysColor(2), clInactiveCaption = SysColor(3),
                        clMenu = SysColor(4), clWindow = SysColor(5), clWindowFrame = SysColor(6),
                        clMenuText = SysColor(7), clWindowText = SysColor(8),
                        clCaptionText = SysColor(9), clActiveBorder = SysColor(10),
                        clInactiveBorder = SysColor(11), clAppWorkSpace = SysColor(12),
                        clHighlight = SysColor(13), clHighlightText = SysColor(14),
                        clBtnFace = SysColor(15), clBtnShadow = SysColor(16),
                        clGrayText = SysColor(17), clBtnText = SysColor(18),
                        clInactiveCaptionText = SysColor(19), clBtnHighlight = SysColor(20),
                        cl3DDkShadow = SysColor(21), cl3DLight = SysColor(22),
                        clInfoText = SysColor(23), clInfoBk = SysColor(24),
                        clHotLight = SysColor(26), clGradientActiveCaption = SysColor(27),
                        clGradientInactiveCaption = SysColor(28);

// The colour a system colour stands for, with the classic desktop scheme; 0 for unknown
// indexes.
TColor GetSysColor(int index);
// The RGB value (0x00BBGGRR) of a colour: system colours resolved, clNone and clDefault
// given as black and white (the platform's fallbacks for drawing).
TColor ColorToRGB(TColor color);
// Between 0x00BBGGRR colours and the drawing engine's 0x00RRGGBB values.
gfx::Rgb ToRgb(TColor color);
TColor FromRgb(gfx::Rgb rgb);

// Character sets of fonts.
inline constexpr std::uint8_t ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2,
                              MAC_CHARSET = 77, SHIFTJIS_CHARSET = 128, HANGEUL_CHARSET = 129,
                              JOHAB_CHARSET = 130, GB2312_CHARSET = 134, CHINESEBIG5_CHARSET = 136,
                              GREEK_CHARSET = 161, TURKISH_CHARSET = 162, VIETNAMESE_CHARSET = 163,
                              HEBREW_CHARSET = 177, ARABIC_CHARSET = 178, BALTIC_CHARSET = 186,
                              RUSSIAN_CHARSET = 204, THAI_CHARSET = 222, EASTEUROPE_CHARSET = 238,
                              OEM_CHARSET = 255;

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;
enum class TFontPitch { fpDefault, fpVariable, fpFixed };

const TTypeInfo* TypeFontCharset();  // "TFontCharset": integer with charset names
const TTypeInfo* TypeFontStyles();   // set of TFontStyle
const TTypeInfo* TypeFontPitch();    // enumeration TFontPitch

// A font description. Height is negative for a character height in pixels; Size is in points
// at 96 dots per inch (Height = -Size * 96 / 72, rounded).
class TFont : public TPersistent {
  VCL_DECLARE_PERSISTENT(TFont)
 public:
  TFont();
  void Assign(const TPersistent* source) override;
  bool Equals(const TFont& other) const;

  const AnsiString& GetName() const { return name_; }
  void SetName(const AnsiString& name);
  int GetHeight() const { return height_; }
  void SetHeight(int height);
  int GetSize() const;
  void SetSize(int size);
  int GetCharset() const { return charset_; }
  void SetCharset(int charset);
  TColor GetColor() const { return color_; }
  void SetColor(TColor color);
  TFontStyles GetStyle() const { return style_; }
  void SetStyle(TFontStyles style);
  TFontPitch GetPitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);

  // Called after every change.
  TNotifyEvent OnChange;

 private:
  void Changed();
  AnsiString name_ = "MS Sans Serif";
  int height_ = -11;
  int charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  TFontPitch pitch_ = TFontPitch::fpDefault;
};

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
const TTypeInfo* TypePenStyle();

class TPen : public TPersistent {
  VCL_DECLARE_PERSISTENT(TPen)
 public:
  void Assign(const TPersistent* source) override;
  TColor GetColor() const { return color_; }
  void SetColor(TColor color);
  int GetWidth() const { return width_; }
  void SetWidth(int width);  // at least 1
  TPenStyle GetStyle() const { return style_; }
  void SetStyle(TPenStyle style);
  TNotifyEvent OnChange;

 private:
  void Changed() { OnChange(this); }
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = TPenStyle::psSolid;
};

enum class TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
const TTypeInfo* TypeBrushStyle();

// Hatched styles fill like solid ones.
class TBrush : public TPersistent {
  VCL_DECLARE_PERSISTENT(TBrush)
 public:
  void Assign(const TPersistent* source) override;
  TColor GetColor() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle GetStyle() const { return style_; }
  void SetStyle(TBrushStyle style);
  TNotifyEvent OnChange;

 private:
  void Changed() { OnChange(this); }
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
};

class TBitmap;

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

// A drawing surface with a pen, a brush and a font. A canvas draws once it has a target (a
// bitmap's pixels, or a form being rendered while a control paints); without one, drawing
// does nothing and text is still measured with the canvas's font.
class TCanvas : public TPersistent {
  VCL_DECLARE_PERSISTENT(TCanvas)
 public:
  TCanvas();
  ~TCanvas() override;

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* font) { font_->Assign(font); }
  TPen* Pen() const { return pen_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  // The raster operation of CopyRect and Draw (SRCCOPY by default).
  DWORD CopyMode() const { return copyMode_; }
  void SetCopyMode(DWORD rop) { copyMode_ = rop; }
  // Colours that a monochrome source takes when copied onto this canvas: black pixels become
  // the text colour and white ones the background colour (black and white by default).
  TColor TextColor() const { return textColor_; }
  void SetTextColor(TColor color) { textColor_ = color; }
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor color) { bkColor_ = color; }

  // Points the canvas at pixels: canvas point (0, 0) is `origin` in the view and drawing is
  // clipped to `clip` (view coordinates).
  void SetTarget(const gfx::PixelView& view, TPoint origin, const TRect& clip);
  void ClearTarget();
  bool HasTarget();
  // The part of the canvas drawing reaches, in canvas coordinates (empty without a target).
  TRect ClipRect();
  // Narrows the clip to a rectangle in canvas coordinates.
  void IntersectClipRect(const TRect& rect);
  // The engine with the current target, or nullptr.
  gfx::Painter* Painter();

  TPoint PenPos() const { return penPos_; }
  void SetPenPos(TPoint p) { penPos_ = p; }
  void MoveTo(int x, int y) { penPos_ = {x, y}; }
  // A line with the pen from the pen position to (x, y), the end point left out.
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  // Outlined with the pen and filled with the brush.
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  // Fills with the brush (nothing for a clear brush).
  void FillRect(const TRect& rect);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& rect);
  // The dotted focus rectangle (drawn by inverting, so drawing it twice removes it).
  void DrawFocusRect(const TRect& rect);

  // Text in the font (its colour, style and character set); the cell is filled with the brush
  // unless the brush is clear. The pen position moves to the end of the text.
  void TextOut(int x, int y, const AnsiString& text);
  // Text clipped to `rect`, which is first filled with the brush unless it is clear.
  void TextRect(const TRect& rect, int x, int y, const AnsiString& text);
  TSize TextExtent(const AnsiString& text);
  int TextWidth(const AnsiString& text) { return TextExtent(text).cx; }
  int TextHeight(const AnsiString& text) { return TextExtent(text).cy; }
  // The platform's text drawing with DT_ flags (see gfx::Painter::DrawText); returns the text
  // height. The font colour is used and the background is left as it is.
  int DrawText(const AnsiString& text, TRect& rect, unsigned flags);
  // The font as the drawing engine takes it.
  gfx::FontSpec FontSpec() const;

  // Draws the bitmap with its top-left at (x, y); a transparent bitmap leaves out its
  // transparent colour.
  void Draw(int x, int y, const TBitmap* bitmap);
  void StretchDraw(const TRect& rect, const TBitmap* bitmap);
  // Copies part of another canvas (or this one) with CopyMode, stretched when sizes differ.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
  // Copies part of a bitmap, painting its pixels of `color` with the brush colour.
  void BrushCopy(const TRect& dest, const TBitmap* bitmap, const TRect& sourceRect, TColor color);

  TColor Pixel(int x, int y);  // 0x00BBGGRR; -1 outside the target
  void SetPixel(int x, int y, TColor color);

 protected:
  // Called before every drawing operation: a bitmap's canvas (re)targets its pixels.
  virtual void RequiredState() {}
  // Called after every drawing operation.
  virtual void Changed() {}
  // True when the canvas draws on a monochrome bitmap.
  virtual bool MonochromeTarget() const { return false; }
  // The engine as last targeted, without asking for the required state.
  gfx::Painter* CurrentPainter() const { return painter_.get(); }

 private:
  friend bool BitBlt(TCanvas*, int, int, int, int, TCanvas*, int, int, DWORD);
  bool Ready();
  gfx::Pen PenSpec() const;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<gfx::Painter> painter_;
  TPoint penPos_;
  DWORD copyMode_ = SRCCOPY;
  TColor textColor_ = clBlack;
  TColor bkColor_ = clWhite;
};

// A block transfer between canvases with a raster operation over the destination's brush,
// the source and the destination (pixels one to one). A monochrome source is first coloured
// with the destination's text and background colours. False when either has no target.
bool BitBlt(TCanvas* dest, int x, int y, int width, int height, TCanvas* source, int sx, int sy,
            DWORD rop);

enum class TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
const TTypeInfo* TypePixelFormat();

// An image of 32-bit pixels (0xAARRGGBB, always opaque), with an optional transparent colour
// and a canvas to draw on it.
class TBitmap : public TPersistent {
  VCL_DECLARE_PERSISTENT(TBitmap)
 public:
  TBitmap();
  ~TBitmap() override;
  void Assign(const TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Resizes, keeping the pixels that remain; new pixels are white.
  void SetSize(int width, int height);
  std::uint32_t Pixel(int x, int y) const;  // 0 outside the image
  void SetPixel(int x, int y, std::uint32_t argb);

  // The canvas drawing on the bitmap's pixels.
  TCanvas* Canvas();
  // Switching to pf1bit makes the bitmap monochrome: pixels of the canvas's brush colour turn
  // white and all others black, and later drawing stays black and white (light colours white,
  // dark ones black). Other formats keep the pixels as they are.
  TPixelFormat PixelFormat() const { return pixelFormat_; }
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const { return pixelFormat_ == TPixelFormat::pf1bit; }
  void SetMonochrome(bool value);
  // The colour that counts as transparent: TransparentColor, or the bottom-left pixel when
  // that is clDefault.
  TColor EffectiveTransparentColor() const;

  // Reads a BMP or PNG file (EInOutError when it cannot be opened, EInvalidGraphic when it is
  // not an image) or image bytes; writes PNG (or BMP for a ".bmp" name).
  void LoadFromFile(const AnsiString& path);
  void LoadFromBytes(std::string_view bytes);
  void SaveToFile(const AnsiString& path) const;
  // The pixels as the drawing engine sees them.
  gfx::PixelView View();
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) {
    transparent_ = value;
    Changed();
  }
  TColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(TColor color) {
    transparentColor_ = color;
    Changed();
  }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  TNotifyEvent OnChange;

 private:
  friend class TBitmapCanvas;
  void Changed();
  void LoadImage(gfx::Image image);
  void ForceMonochrome(bool byBrush);
  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixelFormat_ = TPixelFormat::pfDevice;
  std::unique_ptr<TCanvas> canvas_;
  bool transparent_ = false;
  TColor transparentColor_ = clDefault;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace vcl
