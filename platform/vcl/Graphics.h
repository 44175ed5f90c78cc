// Colours, fonts and bitmaps as the controls hold them. Drawing comes from the canvas.
#pragma once

#include <cstdint>
#include <vector>

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
                        clInfoText = SysColor(23), clInfoBk = SysColor(24);

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

// An image of 32-bit pixels (0xAARRGGBB), with an optional transparent colour.
class TBitmap : public TPersistent {
  VCL_DECLARE_PERSISTENT(TBitmap)
 public:
  TBitmap() = default;
  void Assign(const TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Resizes, keeping the pixels that remain; new pixels are white.
  void SetSize(int width, int height);
  std::uint32_t Pixel(int x, int y) const;  // 0 outside the image
  void SetPixel(int x, int y, std::uint32_t argb);
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
  void Changed();
  int width_ = 0;
  int height_ = 0;
  bool transparent_ = false;
  TColor transparentColor_ = clDefault;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace vcl
