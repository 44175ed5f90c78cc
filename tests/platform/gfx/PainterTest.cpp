#include "platform/gfx/Painter.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/rtl/CodePages.h"
#include "tests/support/TestSupport.h"

namespace vcl::gfx {
namespace {

// A white image of the given size with a painter on it.
struct Canvas {
  Canvas(int w, int h)
      : pixels(std::size_t(w) * std::size_t(h), 0xFFFFFF), painter({pixels.data(), w, h}) {}
  Rgb At(int x, int y) const {
    return pixels[std::size_t(y) * std::size_t(painter.View().width) + std::size_t(x)] & 0xFFFFFF;
  }
  int CountNot(Rgb color, const TRect& r) const {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += At(x, y) != color;
    return n;
  }
  std::vector<std::uint32_t> pixels;
  Painter painter;
};

FontSpec Font(const char* utf8Name, int height) {
  FontSpec f;
  f.name = DesignText(utf8Name);
  f.height = height;
  f.codePage = 936;
  return f;
}

TEST(PainterTest, FillAndFrameHonourOriginAndClip) {
  Canvas c(20, 20);
  c.painter.SetOrigin({5, 5});
  c.painter.SetClip({0, 0, 12, 20});
  c.painter.FillRect({0, 0, 10, 3}, 0xFF0000);
  EXPECT_EQ(c.At(5, 5), 0xFF0000u);
  EXPECT_EQ(c.At(11, 7), 0xFF0000u);
  EXPECT_EQ(c.At(12, 5), 0xFFFFFFu) << "clipped at x = 12";
  EXPECT_EQ(c.At(4, 5), 0xFFFFFFu);
  EXPECT_EQ(c.At(5, 8), 0xFFFFFFu);

  Canvas f(10, 10);
  f.painter.FrameRect({1, 1, 9, 9}, 0x00FF00);
  EXPECT_EQ(f.At(1, 1), 0x00FF00u);
  EXPECT_EQ(f.At(8, 8), 0x00FF00u);
  EXPECT_EQ(f.At(9, 9), 0xFFFFFFu);
  EXPECT_EQ(f.At(4, 4), 0xFFFFFFu) << "the inside stays";
}

TEST(PainterTest, LinesLeaveOutTheEndPoint) {
  Canvas c(10, 10);
  c.painter.Line({2, 3}, {7, 3}, Pen{});
  EXPECT_EQ(c.At(2, 3), 0u);
  EXPECT_EQ(c.At(6, 3), 0u);
  EXPECT_EQ(c.At(7, 3), 0xFFFFFFu);
  c.painter.Line({5, 9}, {5, 5}, Pen{});
  EXPECT_EQ(c.At(5, 9), 0u);
  EXPECT_EQ(c.At(5, 6), 0u);
  EXPECT_EQ(c.At(5, 5), 0xFFFFFFu);
}

TEST(PainterTest, PolygonFillsInsideAndEllipseStaysInBounds) {
  Canvas c(30, 30);
  c.painter.Polygon({{2, 2}, {20, 2}, {20, 20}, {2, 20}}, 0x0000FF,
                    Pen{0xFF0000, 1, PenStyle::Solid});
  EXPECT_EQ(c.At(10, 10), 0x0000FFu);
  EXPECT_EQ(c.At(2, 10), 0xFF0000u);
  Canvas e(30, 30);
  e.painter.Ellipse({5, 5, 25, 15}, 0x00FF00, Pen{0, 1, PenStyle::Clear});
  EXPECT_EQ(e.At(15, 10), 0x00FF00u);
  EXPECT_EQ(e.CountNot(0xFFFFFF, {0, 0, 30, 5}), 0);
  EXPECT_EQ(e.CountNot(0xFFFFFF, {0, 15, 30, 30}), 0);
  EXPECT_EQ(e.At(5, 5), 0xFFFFFFu) << "the corner lies outside the ellipse";
}

TEST(PainterTest, FocusRectangleInvertsAlternatePixelsAndUndoesItself) {
  Canvas c(10, 10);
  c.painter.FocusRect({0, 0, 10, 10});
  EXPECT_EQ(c.At(0, 0), 0u);
  EXPECT_EQ(c.At(1, 0), 0xFFFFFFu);
  EXPECT_EQ(c.At(5, 5), 0xFFFFFFu);
  c.painter.FocusRect({0, 0, 10, 10});
  EXPECT_EQ(c.CountNot(0xFFFFFF, {0, 0, 10, 10}), 0);
}

TEST(PainterTest, TextWidthGrowsWithTextAndChineseUsesTheRealFont) {
  const FontSpec font = Font("宋体", -12);
  const TextExtent one = MeasureText("W", font);
  const TextExtent three = MeasureText("WWW", font);
  EXPECT_GT(one.cx, 0);
  EXPECT_GT(three.cx, 2 * one.cx);
  EXPECT_GT(one.cy, 10);
  // Two ideographs of a 12-pixel Song face are 12 pixels wide each.
  const TextExtent chinese = MeasureText(DesignText("报表"), font);
  EXPECT_EQ(chinese.cx, 24);
  EXPECT_EQ(MeasureText("", font).cx, 0);
  EXPECT_EQ(MeasureText("", font).cy, one.cy) << "an empty text still has the line height";
  // A larger character height measures larger.
  EXPECT_GT(MeasureText(DesignText("报表"), Font("宋体", -16)).cx, chinese.cx);
  // The same bytes decoded as Big5 are other characters, still two full-width ones.
  FontSpec big5 = font;
  big5.codePage = 950;
  EXPECT_EQ(MeasureText(CodePageToCodePage(DesignText("報表"), 936, 950), big5).cx, 24);
}

TEST(PainterTest, KnownFaceNamesMapToPackagedFonts) {
  // Latin dialog faces are narrower than the Song face's Latin letters would be at 12 px
  // and differ from each other only through the mapping; unknown faces still measure.
  for (const char* name : {"MS Sans Serif", "Tahoma", "SimSun", "MingLiU", "No Such Face"}) {
    const TextExtent e = MeasureText("Hello", Font(name, -11));
    EXPECT_GT(e.cx, 15) << name;
    EXPECT_LT(e.cx, 45) << name;
  }
}

TEST(PainterTest, DrawTextAlignsPrefixesAndCalculates) {
  const FontSpec font = Font("Tahoma", -11);
  Canvas c(100, 30);
  TRect calc{10, 5, 10, 5};
  const int h = c.painter.DrawText("&Open", calc, DT_SINGLELINE | DT_CALCRECT, font, 0);
  EXPECT_EQ(calc.Width(), MeasureText("Open", font).cx) << "the prefix is not measured";
  EXPECT_EQ(calc.Height(), h);
  EXPECT_EQ(c.CountNot(0xFFFFFF, {0, 0, 100, 30}), 0) << "calculating draws nothing";

  TRect right{0, 0, 100, 30};
  c.painter.DrawText("Hi", right, DT_SINGLELINE | DT_RIGHT | DT_VCENTER, font, 0);
  EXPECT_EQ(c.CountNot(0xFFFFFF, {0, 0, 70, 30}), 0) << "right-aligned text stays at the right";
  EXPECT_GT(c.CountNot(0xFFFFFF, {80, 0, 100, 30}), 0);

  // "&&" is one ampersand; "&x" underlines x: the underlined text has more ink below.
  Canvas a(60, 20), b(60, 20);
  TRect ra{0, 0, 60, 20}, rb{0, 0, 60, 20};
  a.painter.DrawText("&x", ra, DT_SINGLELINE, font, 0);
  b.painter.DrawText("x", rb, DT_SINGLELINE, font, 0);
  EXPECT_GT(a.CountNot(0xFFFFFF, {0, 0, 60, 20}), b.CountNot(0xFFFFFF, {0, 0, 60, 20}));
  TRect amp{0, 0, 0, 0};
  c.painter.DrawText("a&&b", amp, DT_SINGLELINE | DT_CALCRECT, font, 0);
  EXPECT_EQ(amp.Width(), MeasureText("a&b", font).cx);
}

TEST(PainterTest, WordBreakWrapsIntoMoreLines) {
  const FontSpec font = Font("Tahoma", -11);
  Canvas c(10, 10);
  TRect one{0, 0, 1000, 0}, narrow{0, 0, 40, 0};
  const int h1 =
      c.painter.DrawText("alpha beta gamma delta", one, DT_WORDBREAK | DT_CALCRECT, font, 0);
  const int h2 =
      c.painter.DrawText("alpha beta gamma delta", narrow, DT_WORDBREAK | DT_CALCRECT, font, 0);
  EXPECT_GE(h2, 3 * h1);
  EXPECT_LE(narrow.Width(), 40);
}

TEST(PainterTest, CopyTransparentLeavesTheKeyColourOut) {
  std::vector<std::uint32_t> src = {0xFF00FF, 0x123456, 0x123456, 0xFF00FF};
  Canvas c(4, 4);
  c.painter.CopyTransparent({1, 1, 3, 3}, {src.data(), 2, 2}, {0, 0, 2, 2}, 0xFF00FF);
  EXPECT_EQ(c.At(1, 1), 0xFFFFFFu);
  EXPECT_EQ(c.At(2, 1), 0x123456u);
  EXPECT_EQ(c.At(1, 2), 0x123456u);
  EXPECT_EQ(c.At(2, 2), 0xFFFFFFu);
  // Stretching doubles each source pixel.
  Canvas s(4, 4);
  s.painter.CopyPixels({0, 0, 4, 4}, {src.data(), 2, 2}, {0, 0, 2, 2});
  EXPECT_EQ(s.At(1, 1), 0xFF00FFu);
  EXPECT_EQ(s.At(2, 0), 0x123456u);
  EXPECT_EQ(s.At(3, 3), 0xFF00FFu);
}

TEST(PainterTest, RasterOperationsCombinePatternSourceAndDestination) {
  struct Case {
    DWORD rop;
    Rgb src, dest, brush, expected;
  } cases[] = {
      {SRCCOPY, 0x123456, 0xABCDEF, 0, 0x123456},
      {SRCAND, 0x0F0F0F, 0xFF00FF, 0, 0x0F000F},
      {SRCPAINT, 0x0F0000, 0x00F000, 0, 0x0FF000},
      {SRCINVERT, 0xFFFFFF, 0x123456, 0, 0xEDCBA9},
      {NOTSRCCOPY, 0x000000, 0x123456, 0, 0xFFFFFF},
      {PATCOPY, 0, 0x123456, 0x654321, 0x654321},
      {DSTINVERT, 0, 0x00FF00, 0, 0xFF00FF},
      {BLACKNESS, 0, 0x123456, 0, 0},
      {WHITENESS, 0, 0x123456, 0, 0xFFFFFF},
      // The brush where the source is set (white), the destination where it is clear.
      {ROP_DSPDxax, 0xFFFFFF, 0x123456, 0x808080, 0x808080},
      {ROP_DSPDxax, 0x000000, 0x123456, 0x808080, 0x123456},
  };
  for (const Case& k : cases) {
    Canvas c(1, 1);
    c.pixels[0] = k.dest;
    std::uint32_t s = k.src;
    c.painter.RasterOp({0, 0}, 1, 1, {&s, 1, 1}, {0, 0}, k.rop, k.brush);
    EXPECT_EQ(c.At(0, 0), k.expected) << std::hex << k.rop;
  }
}

TEST(ImageTest, BmpAndPngRoundTripAndBadFilesFail) {
  testsupport::TempDir dir;
  std::vector<std::uint32_t> px = {0xFF0000, 0x00FF00, 0x0000FF, 0x010203, 0xFFFFFF, 0x808080};
  const PixelView view{px.data(), 3, 2};
  for (const char* name : {"a.png", "a.bmp"}) {
    const std::string path = dir.File(name);
    SaveImageFile(path, view);
    const Image img = LoadImageFile(path);
    ASSERT_EQ(img.width, 3) << name;
    ASSERT_EQ(img.height, 2) << name;
    for (std::size_t i = 0; i < px.size(); ++i)
      EXPECT_EQ(img.pixels[i] & 0xFFFFFF, px[i]) << name << i;
  }
  EXPECT_THROW(LoadImageFile(dir.File("missing.bmp")), EInOutError);
  EXPECT_THROW(DecodeImage("BM\x10", "short"), EInvalidGraphic);
  EXPECT_THROW(DecodeImage("GIF89a", "gif"), EInvalidGraphic);
  EXPECT_THROW(DecodeImage(std::string("\x89PNG\r\n\x1a\n", 8) + "junk", "png"), EInvalidGraphic);
}

TEST(ImageTest, PalettedBottomUpBmpDecodes) {
  // A 2 x 2, 1-bit BMP with a black/white palette, stored bottom-up.
  std::string bmp = "BM";
  auto u32 = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp.push_back(char((v >> (8 * i)) & 0xFF));
  };
  auto u16 = [&](std::uint32_t v) {
    for (int i = 0; i < 2; ++i) bmp.push_back(char((v >> (8 * i)) & 0xFF));
  };
  u32(0);
  u32(0);
  u32(62);
  u32(40);
  u32(2);
  u32(2);
  u16(1);
  u16(1);
  u32(0);
  u32(0);
  u32(0);
  u32(0);
  u32(2);
  u32(0);
  u32(0x000000);
  u32(0xFFFFFF);
  u32(0x40);  // bottom row: 0 1
  u32(0x80);  // top row: 1 0
  const Image img = DecodeImage(bmp, "mono");
  ASSERT_EQ(img.pixels.size(), 4u);
  EXPECT_EQ(img.bitsPerPixel, 1);
  EXPECT_EQ(img.pixels[0] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(img.pixels[1] & 0xFFFFFF, 0u);
  EXPECT_EQ(img.pixels[2] & 0xFFFFFF, 0u);
  EXPECT_EQ(img.pixels[3] & 0xFFFFFF, 0xFFFFFFu);
}

}  // namespace
}  // namespace vcl::gfx
