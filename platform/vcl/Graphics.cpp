#include "platform/vcl/Graphics.h"

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/Strings.h"

#include <string>

namespace vcl {

namespace {

// a * b / c rounded half away from zero, as the system's MulDiv does; -1 when c is 0.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t p = std::int64_t(a) * b;
  std::int64_t q = p / c;
  std::int64_t r = p % c;
  if (2 * std::llabs(r) >= std::llabs(c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

constexpr int kScreenPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;

struct CharsetName {
  const char* name;
  int value;
};

const CharsetName kCharsets[] = {
    {"ANSI_CHARSET", ANSI_CHARSET},
    {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"SYMBOL_CHARSET", SYMBOL_CHARSET},
    {"MAC_CHARSET", MAC_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET},
    {"HANGEUL_CHARSET", HANGEUL_CHARSET},
    {"JOHAB_CHARSET", JOHAB_CHARSET},
    {"GB2312_CHARSET", GB2312_CHARSET},
    {"CHINESEBIG5_CHARSET", CHINESEBIG5_CHARSET},
    {"GREEK_CHARSET", GREEK_CHARSET},
    {"TURKISH_CHARSET", TURKISH_CHARSET},
    {"VIETNAMESE_CHARSET", VIETNAMESE_CHARSET},
    {"HEBREW_CHARSET", HEBREW_CHARSET},
    {"ARABIC_CHARSET", ARABIC_CHARSET},
    {"BALTIC_CHARSET", BALTIC_CHARSET},
    {"RUSSIAN_CHARSET", RUSSIAN_CHARSET},
    {"THAI_CHARSET", THAI_CHARSET},
    {"EASTEUROPE_CHARSET", EASTEUROPE_CHARSET},
    {"OEM_CHARSET", OEM_CHARSET},
};

bool CharsetIdentToInt(std::string_view ident, std::int64_t& value) {
  for (const CharsetName& c : kCharsets)
    if (SameText(c.name, ident)) {
      value = c.value;
      return true;
    }
  return false;
}

bool CharsetIntToIdent(std::int64_t value, AnsiString& ident) {
  for (const CharsetName& c : kCharsets)
    if (c.value == value) {
      ident = c.name;
      return true;
    }
  return false;
}

}  // namespace

const TTypeInfo* TypeFontCharset() {
  // Never freed (like every type object), so it outlives all users during shutdown.
  static const TTypeInfo* t = [] {
    auto* info = new TTypeInfo;
    info->Kind = TTypeKind::tkInteger;
    info->Name = "TFontCharset";
    info->IdentToInt = &CharsetIdentToInt;
    info->IntToIdent = &CharsetIntToIdent;
    return info;
  }();
  return t;
}

const TTypeInfo* TypeFontStyles() {
  static const TTypeInfo* t =
      MakeSetType("TFontStyles",
                  MakeEnumType("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
  return t;
}

const TTypeInfo* TypeFontPitch() {
  static const TTypeInfo* t = MakeEnumType("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
  return t;
}

// ---- TFont ---------------------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TFont, TPersistent)

void TFont::Publish(TPublisher& p) {
  p.Integer("Charset", &TFont::GetCharset, &TFont::SetCharset, TypeFontCharset());
  p.Integer("Color", &TFont::GetColor, &TFont::SetColor, TypeColor());
  p.Integer("Height", &TFont::GetHeight, &TFont::SetHeight);
  p.String("Name", &TFont::GetName, &TFont::SetName);
  p.Enum("Pitch", TypeFontPitch(), &TFont::GetPitch, &TFont::SetPitch);
  p.Integer("Size", &TFont::GetSize, &TFont::SetSize);
  p.Enum("Style", TypeFontStyles(), &TFont::GetStyle, &TFont::SetStyle);
}

TFont::TFont() = default;

void TFont::Changed() {
  OnChange(this);
}

void TFont::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFont*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  name_ = other->name_;
  height_ = other->height_;
  charset_ = other->charset_;
  color_ = other->color_;
  style_ = other->style_;
  pitch_ = other->pitch_;
  Changed();
}

bool TFont::Equals(const TFont& other) const {
  return name_ == other.name_ && height_ == other.height_ && charset_ == other.charset_ &&
         color_ == other.color_ && style_ == other.style_ && pitch_ == other.pitch_;
}

void TFont::SetName(const AnsiString& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::GetSize() const {
  // A negative height is the character height, a positive one the cell height.
  if (height_ < 0) return -MulDiv(height_, kPointsPerInch, kScreenPixelsPerInch);
  return MulDiv(height_, kPointsPerInch, kScreenPixelsPerInch);
}

void TFont::SetSize(int size) {
  SetHeight(-MulDiv(size, kScreenPixelsPerInch, kPointsPerInch));
}

void TFont::SetCharset(int charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

// ---- Colours ------------------------------------------------------------------------

TColor GetSysColor(int index) {
  // The classic desktop scheme, 0x00BBGGRR.
  static const TColor kColors[] = {
      0xC8D0D4,  // 0 scroll bar
      0x808000,  // 1 desktop
      0x800000,  // 2 active caption
      0x808080,  // 3 inactive caption
      0xC0C0C0,  // 4 menu
      0xFFFFFF,  // 5 window
      0x000000,  // 6 window frame
      0x000000,  // 7 menu text
      0x000000,  // 8 window text
      0xFFFFFF,  // 9 caption text
      0xC0C0C0,  // 10 active border
      0xC0C0C0,  // 11 inactive border
      0x808080,  // 12 application work space
      0x800000,  // 13 highlight
      0xFFFFFF,  // 14 highlight text
      0xC0C0C0,  // 15 button face
      0x808080,  // 16 button shadow
      0x808080,  // 17 grey text
      0x000000,  // 18 button text
      0xC0C0C0,  // 19 inactive caption text
      0xFFFFFF,  // 20 button highlight
      0x000000,  // 21 3D dark shadow
      0xDFDFDF,  // 22 3D light
      0x000000,  // 23 tooltip text
      0xE1FFFF,  // 24 tooltip background
      0xB5B5B5,  // 25 (unused)
      0x800000,  // 26 hot-tracked item
      0xD08410,  // 27 active caption gradient
      0xB5B5B5,  // 28 inactive caption gradient
  };
  if (index < 0 || index >= int(std::size(kColors))) return 0;
  return kColors[index];
}

TColor ColorToRGB(TColor color) {
  if (color == clNone) return clBlack;
  if (color == clDefault) return clWhite;
  if (color & clSystemColor) return GetSysColor(color & 0xFF);
  return color & 0xFFFFFF;
}

gfx::Rgb ToRgb(TColor color) {
  const std::uint32_t c = std::uint32_t(ColorToRGB(color));
  return (c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

TColor FromRgb(gfx::Rgb rgb) {
  return TColor((rgb & 0xFF) << 16 | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// ---- Pens and brushes ------------------------------------------------------------------

const TTypeInfo* TypePenStyle() {
  static const TTypeInfo* t = MakeEnumType(
      "TPenStyle",
      {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"});
  return t;
}

const TTypeInfo* TypeBrushStyle() {
  static const TTypeInfo* t =
      MakeEnumType("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                   "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"});
  return t;
}

VCL_IMPLEMENT_PERSISTENT(TPen, TPersistent)

void TPen::Publish(TPublisher& p) {
  p.Integer("Color", &TPen::GetColor, &TPen::SetColor, TypeColor());
  p.Enum("Style", TypePenStyle(), &TPen::GetStyle, &TPen::SetStyle);
  p.Integer("Width", &TPen::GetWidth, &TPen::SetWidth);
}

void TPen::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TPen*>(source);
  if (!other) return TPersistent::Assign(source);
  color_ = other->color_;
  width_ = other->width_;
  style_ = other->style_;
  Changed();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

VCL_IMPLEMENT_PERSISTENT(TBrush, TPersistent)

void TBrush::Publish(TPublisher& p) {
  p.Integer("Color", &TBrush::GetColor, &TBrush::SetColor, TypeColor());
  p.Enum("Style", TypeBrushStyle(), &TBrush::GetStyle, &TBrush::SetStyle);
}

void TBrush::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TBrush*>(source);
  if (!other) return TPersistent::Assign(source);
  color_ = other->color_;
  style_ = other->style_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != TBrushStyle::bsClear) return;
  color_ = color;
  // Giving a clear brush a colour makes it solid again, as on the platform.
  if (style_ == TBrushStyle::bsClear) style_ = TBrushStyle::bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

// ---- TCanvas -------------------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TCanvas, TPersistent)

void TCanvas::Publish(TPublisher&) {}

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {}

TCanvas::~TCanvas() = default;

void TCanvas::SetTarget(const gfx::PixelView& view, TPoint origin, const TRect& clip) {
  if (view.Empty()) {
    painter_.reset();
    return;
  }
  if (!painter_ || painter_->View().pixels != view.pixels || painter_->View().width != view.width ||
      painter_->View().height != view.height)
    painter_ = std::make_unique<gfx::Painter>(view);
  painter_->SetOrigin(origin);
  painter_->SetClip(clip);
}

void TCanvas::ClearTarget() {
  painter_.reset();
}

bool TCanvas::Ready() {
  RequiredState();
  return painter_ != nullptr;
}

bool TCanvas::HasTarget() {
  return Ready();
}

gfx::Painter* TCanvas::Painter() {
  return Ready() ? painter_.get() : nullptr;
}

TRect TCanvas::ClipRect() {
  if (!Ready()) return {};
  const TRect c = painter_->Clip();
  const TPoint o = painter_->Origin();
  return {c.Left - o.X, c.Top - o.Y, c.Right - o.X, c.Bottom - o.Y};
}

void TCanvas::IntersectClipRect(const TRect& rect) {
  if (Ready()) painter_->IntersectClip(rect);
}

gfx::Pen TCanvas::PenSpec() const {
  gfx::Pen p;
  p.color = ToRgb(pen_->GetColor());
  p.width = pen_->GetWidth();
  switch (pen_->GetStyle()) {
    case TPenStyle::psDash:
      p.style = gfx::PenStyle::Dash;
      break;
    case TPenStyle::psDot:
      p.style = gfx::PenStyle::Dot;
      break;
    case TPenStyle::psDashDot:
      p.style = gfx::PenStyle::DashDot;
      break;
    case TPenStyle::psDashDotDot:
      p.style = gfx::PenStyle::DashDotDot;
      break;
    case TPenStyle::psClear:
      p.style = gfx::PenStyle::Clear;
      break;
    default:
      p.style = gfx::PenStyle::Solid;
  }
  return p;
}

gfx::FontSpec TCanvas::FontSpec() const {
  gfx::FontSpec f;
  f.name = font_->GetName();
  f.height = font_->GetHeight();
  f.bold = font_->GetStyle() & fsBold;
  f.italic = font_->GetStyle() & fsItalic;
  f.underline = font_->GetStyle() & fsUnderline;
  f.strikeOut = font_->GetStyle() & fsStrikeOut;
  f.codePage = gfx::CharsetCodePage(font_->GetCharset());
  return f;
}

void TCanvas::LineTo(int x, int y) {
  if (Ready()) {
    painter_->Line(penPos_, {x, y}, PenSpec());
    Changed();
  }
  penPos_ = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (!Ready()) return;
  painter_->Polyline(points, PenSpec());
  Changed();
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (!Ready()) return;
  std::optional<gfx::Rgb> fill;
  if (brush_->GetStyle() != TBrushStyle::bsClear) fill = ToRgb(brush_->GetColor());
  painter_->Polygon(points, fill, PenSpec());
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  if (!Ready()) return;
  const TRect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  if (brush_->GetStyle() != TBrushStyle::bsClear) painter_->FillRect(r, ToRgb(brush_->GetColor()));
  if (pen_->GetStyle() != TPenStyle::psClear) {
    const gfx::Pen pen = PenSpec();
    if (pen.style == gfx::PenStyle::Solid) {
      for (int i = 0; i < pen.width && r.Left + i < r.Right - i && r.Top + i < r.Bottom - i; ++i)
        painter_->FrameRect({r.Left + i, r.Top + i, r.Right - i, r.Bottom - i}, pen.color);
    } else {
      painter_->Polyline({{r.Left, r.Top},
                          {r.Right - 1, r.Top},
                          {r.Right - 1, r.Bottom - 1},
                          {r.Left, r.Bottom - 1},
                          {r.Left, r.Top}},
                         pen);
    }
  }
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  if (!Ready()) return;
  std::optional<gfx::Rgb> fill;
  if (brush_->GetStyle() != TBrushStyle::bsClear) fill = ToRgb(brush_->GetColor());
  painter_->Ellipse({x1, y1, x2, y2}, fill, PenSpec());
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  if (!Ready() || brush_->GetStyle() == TBrushStyle::bsClear) return;
  painter_->FillRect(rect, ToRgb(brush_->GetColor()));
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  if (!Ready()) return;
  painter_->FrameRect(rect, ToRgb(brush_->GetColor()));
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  if (!Ready()) return;
  painter_->FocusRect(rect);
  Changed();
}

void TCanvas::TextOut(int x, int y, const AnsiString& text) {
  const gfx::FontSpec font = FontSpec();
  const gfx::TextExtent e = gfx::MeasureText(text, font);
  if (Ready()) {
    std::optional<gfx::Rgb> back;
    if (brush_->GetStyle() != TBrushStyle::bsClear) back = ToRgb(brush_->GetColor());
    painter_->TextOut(x, y, text, font, ToRgb(font_->GetColor()), back);
    Changed();
  }
  penPos_ = {x + e.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const AnsiString& text) {
  if (!Ready()) return;
  const TRect saved = painter_->Clip();
  painter_->IntersectClip(rect);
  if (brush_->GetStyle() != TBrushStyle::bsClear)
    painter_->FillRect(rect, ToRgb(brush_->GetColor()));
  painter_->TextOut(x, y, text, FontSpec(), ToRgb(font_->GetColor()));
  painter_->SetClip(saved);
  Changed();
}

TSize TCanvas::TextExtent(const AnsiString& text) {
  const gfx::TextExtent e = gfx::MeasureText(text, FontSpec());
  return {e.cx, e.cy};
}

int TCanvas::DrawText(const AnsiString& text, TRect& rect, unsigned flags) {
  if (flags & DT_CALCRECT) {
    // Measuring needs no target: draw into a one-pixel scratch view that nothing sees.
    std::uint32_t pixel = 0;
    gfx::Painter scratch({&pixel, 1, 1});
    return scratch.DrawText(text, rect, flags, FontSpec(), 0);
  }
  if (!Ready()) return gfx::MeasureText(text, FontSpec()).cy;
  const int h = painter_->DrawText(text, rect, flags, FontSpec(), ToRgb(font_->GetColor()));
  Changed();
  return h;
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  StretchDraw({x, y, x + bitmap->Width(), y + bitmap->Height()}, bitmap);
}

void TCanvas::StretchDraw(const TRect& rect, const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty() || !Ready()) return;
  auto* source = const_cast<TBitmap*>(bitmap);
  const gfx::PixelView view = source->View();
  const TRect all{0, 0, bitmap->Width(), bitmap->Height()};
  if (bitmap->Transparent())
    painter_->CopyTransparent(rect, view, all, ToRgb(bitmap->EffectiveTransparentColor()));
  else
    painter_->CopyPixels(rect, view, all);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source || !Ready() || !source->Ready()) return;
  if (copyMode_ == SRCCOPY && !source->MonochromeTarget()) {
    const TPoint o = source->painter_->Origin();
    painter_->CopyPixels(dest, source->painter_->View(),
                         {sourceRect.Left + o.X, sourceRect.Top + o.Y, sourceRect.Right + o.X,
                          sourceRect.Bottom + o.Y});
    Changed();
    return;
  }
  BitBlt(this, dest.Left, dest.Top, dest.Width(), dest.Height(), source, sourceRect.Left,
         sourceRect.Top, copyMode_);
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap* bitmap, const TRect& sourceRect,
                        TColor color) {
  if (!bitmap || bitmap->Empty() || !Ready()) return;
  auto* source = const_cast<TBitmap*>(bitmap);
  const gfx::PixelView view = source->View();
  const gfx::Rgb key = ToRgb(color), brush = ToRgb(brush_->GetColor());
  std::vector<std::uint32_t> copy(view.pixels,
                                  view.pixels + std::size_t(view.width) * std::size_t(view.height));
  for (auto& p : copy)
    if ((p & 0xFFFFFF) == key) p = brush;
  painter_->CopyPixels(dest, {copy.data(), view.width, view.height}, sourceRect);
  Changed();
}

TColor TCanvas::Pixel(int x, int y) {
  if (!Ready()) return -1;
  const TPoint o = painter_->Origin();
  if (!painter_->Clip().Contains({x + o.X, y + o.Y})) return -1;
  return FromRgb(painter_->GetPixel(x, y));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  if (!Ready()) return;
  painter_->SetPixel(x, y, ToRgb(color));
  Changed();
}

bool BitBlt(TCanvas* dest, int x, int y, int width, int height, TCanvas* source, int sx, int sy,
            DWORD rop) {
  if (!dest || !dest->Ready()) return false;
  gfx::PixelView view;
  TPoint from{sx, sy};
  std::vector<std::uint32_t> coloured;
  if (source) {
    if (!source->Ready()) return false;
    view = source->painter_->View();
    const TPoint o = source->painter_->Origin();
    from = {sx + o.X, sy + o.Y};
    if (source->MonochromeTarget()) {
      // Black source pixels take the destination's text colour, white ones its background.
      const gfx::Rgb fore = ToRgb(dest->textColor_), back = ToRgb(dest->bkColor_);
      coloured.assign(view.pixels,
                      view.pixels + std::size_t(view.width) * std::size_t(view.height));
      for (auto& p : coloured) p = (p & 0xFFFFFF) == 0 ? fore : back;
      view.pixels = coloured.data();
    }
  }
  dest->painter_->RasterOp({x, y}, width, height, view, from, rop, ToRgb(dest->brush_->GetColor()));
  dest->Changed();
  return true;
}

// ---- TBitmap -------------------------------------------------------------------------

// The canvas of a bitmap: targets the bitmap's current pixels before each operation and
// tells the bitmap afterwards.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

 protected:
  void RequiredState() override {
    const gfx::PixelView view = bitmap_->View();
    if (view.Empty()) {
      ClearTarget();
      return;
    }
    gfx::Painter* p = CurrentPainter();
    if (!p || p->View().pixels != view.pixels || p->View().width != view.width ||
        p->View().height != view.height)
      SetTarget(view, {0, 0}, {0, 0, view.width, view.height});
  }
  void Changed() override {
    if (bitmap_->Monochrome()) bitmap_->ForceMonochrome(false);
    bitmap_->Changed();
  }
  bool MonochromeTarget() const override { return bitmap_->Monochrome(); }

 private:
  TBitmap* bitmap_;
};

VCL_IMPLEMENT_PERSISTENT(TBitmap, TPersistent)

void TBitmap::Publish(TPublisher& p) {
  p.Integer("Width", &TBitmap::Width, &TBitmap::SetWidth);
  p.Integer("Height", &TBitmap::Height, &TBitmap::SetHeight);
  p.Enum("PixelFormat", TypePixelFormat(), &TBitmap::PixelFormat, &TBitmap::SetPixelFormat);
  p.Bool("Monochrome", &TBitmap::Monochrome, &TBitmap::SetMonochrome);
  p.Bool("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent);
  p.Integer("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor,
            TypeColor());
}

const TTypeInfo* TypePixelFormat() {
  static const TTypeInfo* t =
      MakeEnumType("TPixelFormat", {"pfDevice", "pf1bit", "pf4bit", "pf8bit", "pf15bit", "pf16bit",
                                    "pf24bit", "pf32bit", "pfCustom"});
  return t;
}

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

void TBitmap::Changed() {
  OnChange(this);
}

void TBitmap::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TBitmap*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  width_ = other->width_;
  height_ = other->height_;
  pixelFormat_ = other->pixelFormat_;
  transparent_ = other->transparent_;
  transparentColor_ = other->transparentColor_;
  pixels_ = other->pixels_;
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  std::vector<std::uint32_t> pixels(size_t(width) * size_t(height), 0xFFFFFFFFu);
  int keepW = std::min(width, width_), keepH = std::min(height, height_);
  for (int y = 0; y < keepH; ++y)
    std::copy_n(pixels_.begin() + std::ptrdiff_t(y) * width_, keepW,
                pixels.begin() + std::ptrdiff_t(y) * width);
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  Changed();
}

std::uint32_t TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[size_t(y) * size_t(width_) + size_t(x)] | 0xFF000000u;
}

void TBitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint32_t& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
  argb |= 0xFF000000u;
  if (Monochrome())
    argb = (((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF)) >= 384 ? 0xFFFFFFFFu
                                                                                 : 0xFF000000u;
  if (p == argb) return;
  p = argb;
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

gfx::PixelView TBitmap::View() {
  if (Empty()) return {};
  return {pixels_.data(), width_, height_};
}

void TBitmap::ForceMonochrome(bool byBrush) {
  const std::uint32_t brush = ToRgb(Canvas()->Brush()->GetColor());
  for (auto& p : pixels_) {
    const std::uint32_t c = p & 0xFFFFFF;
    bool white;
    if (byBrush)
      white = c == brush;
    else
      white = ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) >= 384;
    p = white ? 0xFFFFFFFFu : 0xFF000000u;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == pixelFormat_) return;
  pixelFormat_ = format;
  if (format == TPixelFormat::pf1bit) ForceMonochrome(true);
  Changed();
}

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  SetPixelFormat(value ? TPixelFormat::pf1bit : TPixelFormat::pfDevice);
}

TColor TBitmap::EffectiveTransparentColor() const {
  if (transparentColor_ != clDefault) return ColorToRGB(transparentColor_);
  if (Empty()) return clWhite;
  return FromRgb(Pixel(0, height_ - 1) & 0xFFFFFF);
}

void TBitmap::LoadImage(gfx::Image image) {
  pixels_ = std::move(image.pixels);
  width_ = image.width;
  height_ = image.height;
  pixelFormat_ = image.bitsPerPixel == 1    ? TPixelFormat::pf1bit
                 : image.bitsPerPixel == 4  ? TPixelFormat::pf4bit
                 : image.bitsPerPixel == 8  ? TPixelFormat::pf8bit
                 : image.bitsPerPixel == 16 ? TPixelFormat::pf16bit
                 : image.bitsPerPixel == 32 ? TPixelFormat::pf32bit
                                            : TPixelFormat::pf24bit;
  if (pixelFormat_ == TPixelFormat::pf1bit) ForceMonochrome(false);
  Changed();
}

void TBitmap::LoadFromFile(const AnsiString& path) {
  LoadImage(gfx::LoadImageFile(path));
}

void TBitmap::LoadFromBytes(std::string_view bytes) {
  LoadImage(gfx::DecodeImage(bytes, "(memory)"));
}

void TBitmap::SaveToFile(const AnsiString& path) const {
  auto* self = const_cast<TBitmap*>(this);
  gfx::SaveImageFile(path, self->View());
}

}  // namespace vcl
