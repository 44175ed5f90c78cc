#include "platform/vcl/Graphics.h"

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/Strings.h"

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

// ---- TBitmap -------------------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TBitmap, TPersistent)

void TBitmap::Publish(TPublisher& p) {
  p.Integer("Width", &TBitmap::Width);
  p.Integer("Height", &TBitmap::Height);
  p.Bool("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent);
  p.Integer("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor,
            TypeColor());
}

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
  return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void TBitmap::SetPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint32_t& p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
  if (p == argb) return;
  p = argb;
  Changed();
}

}  // namespace vcl
