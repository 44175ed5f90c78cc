#include <gtest/gtest.h>

#include "platform/rtl/CodePages.h"
#include "platform/vcl/Graphics.h"
#include "tests/support/TestSupport.h"

namespace vcl {
namespace {

std::uint32_t Rgb(TColor c) {
  return 0xFF000000u | ToRgb(c);
}

TEST(CanvasColours, SystemColoursResolveToTheClassicScheme) {
  struct Case {
    TColor color;
    TColor rgb;
  } cases[] = {
      {clBtnFace, 0xC0C0C0},
      {clBtnShadow, 0x808080},
      {clBtnHighlight, 0xFFFFFF},
      {clGrayText, 0x808080},
      {clWindow, 0xFFFFFF},
      {clHighlight, 0x800000},
      {clHighlightText, 0xFFFFFF},
      {clActiveCaption, 0x800000},
      {clInactiveCaption, 0x808080},
      {clCaptionText, 0xFFFFFF},
      {clInactiveCaptionText, 0xC0C0C0},
      {clInfoBk, 0xE1FFFF},
      {clRed, 0x0000FF},
      {clNone, 0x000000},
      {clDefault, 0xFFFFFF},
  };
  for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
  EXPECT_EQ(ToRgb(clRed), 0xFF0000u) << "the engine takes 0xRRGGBB";
  EXPECT_EQ(FromRgb(0x0000FF), clBlue);
}

TEST(CanvasBitmap, CanvasDrawsOnThePixelsAndFollowsResizing) {
  TBitmap bmp;
  bmp.SetSize(10, 10);
  int changes = 0;
  bmp.OnChange = TNotifyEvent::Lambda([&](TObject*) { ++changes; });
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clRed);
  c->FillRect({2, 2, 5, 5});
  EXPECT_EQ(bmp.Pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(bmp.Pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_GT(changes, 0) << "drawing tells the bitmap's owner";
  bmp.SetSize(20, 20);
  c->FillRect({15, 15, 20, 20});
  EXPECT_EQ(bmp.Pixel(19, 19), 0xFFFF0000u) << "the canvas follows the new pixels";
  EXPECT_EQ(c->Pixel(19, 19), clRed);
  EXPECT_EQ(c->Pixel(25, 0), -1);
  // A clear brush fills nothing; a pen draws the rectangle's outline.
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->Pen()->SetColor(clBlue);
  c->Rectangle(0, 0, 10, 10);
  EXPECT_EQ(bmp.Pixel(0, 0), Rgb(clBlue));
  EXPECT_EQ(bmp.Pixel(9, 9), Rgb(clBlue));
  EXPECT_EQ(bmp.Pixel(4, 4), 0xFFFF0000u);
}

TEST(CanvasBitmap, CanvasWithoutTargetMeasuresButDoesNotDraw) {
  TCanvas canvas;
  EXPECT_FALSE(canvas.HasTarget());
  canvas.FillRect({0, 0, 10, 10});  // nothing to draw on: no failure
  EXPECT_EQ(canvas.Pixel(0, 0), -1);
  canvas.Font()->SetName(DesignText("宋体"));
  canvas.Font()->SetHeight(-12);
  canvas.Font()->SetCharset(GB2312_CHARSET);
  EXPECT_EQ(canvas.TextWidth(DesignText("部门")), 24);
  EXPECT_LT(canvas.TextWidth("ab"), canvas.TextWidth("abcd"));
  TRect r{0, 0, 0, 0};
  canvas.DrawText("&Go", r, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(r.Width(), canvas.TextWidth("Go"));
}

TEST(CanvasBitmap, TextIsDecodedByTheFontCharset) {
  // The GB2312 bytes of two ideographs read as two characters under charset 134 and as the
  // machine's code page otherwise; under Big5 (136) the Big5 bytes of the same text do.
  testsupport::ScopedCodePage acp(1252);
  TCanvas canvas;
  canvas.Font()->SetName(DesignText("宋体"));
  canvas.Font()->SetHeight(-12);
  const AnsiString gb = DesignText("报表");
  canvas.Font()->SetCharset(GB2312_CHARSET);
  EXPECT_EQ(canvas.TextWidth(gb), 24);
  canvas.Font()->SetCharset(DEFAULT_CHARSET);
  EXPECT_NE(canvas.TextWidth(gb), 24) << "four Western characters";
  canvas.Font()->SetCharset(CHINESEBIG5_CHARSET);
  EXPECT_EQ(canvas.TextWidth(CodePageToCodePage(DesignText("報表"), 936, 950)), 24);
}

TEST(CanvasBitmap, TransparentDrawLeavesTheBackground) {
  TBitmap glyph;
  glyph.SetSize(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect({0, 0, 4, 4});
  glyph.Canvas()->Brush()->SetColor(clNavy);
  glyph.Canvas()->FillRect({1, 1, 3, 3});
  TBitmap target;
  target.SetSize(8, 8);
  target.Canvas()->Brush()->SetColor(clLime);
  target.Canvas()->FillRect({0, 0, 8, 8});

  target.Canvas()->Draw(2, 2, &glyph);
  EXPECT_EQ(target.Pixel(2, 2), Rgb(clFuchsia)) << "an opaque bitmap copies every pixel";
  target.Canvas()->FillRect({0, 0, 8, 8});
  glyph.SetTransparent(true);  // transparent colour by default: the bottom-left pixel
  target.Canvas()->Draw(2, 2, &glyph);
  EXPECT_EQ(target.Pixel(2, 2), Rgb(clLime));
  EXPECT_EQ(target.Pixel(3, 3), Rgb(clNavy));
  EXPECT_EQ(target.Pixel(5, 5), Rgb(clLime));
  glyph.SetTransparentColor(clNavy);
  target.Canvas()->FillRect({0, 0, 8, 8});
  target.Canvas()->Draw(2, 2, &glyph);
  EXPECT_EQ(target.Pixel(2, 2), Rgb(clFuchsia));
  EXPECT_EQ(target.Pixel(3, 3), Rgb(clLime)) << "the named transparent colour is left out";
}

TEST(CanvasBitmap, MonochromeMaskPaintsTheBrushOnlyWhereBlack) {
  // The disabled-picture technique: a mask black where the picture is, white elsewhere,
  // drawn with the raster operation that paints the brush where the mask is black.
  TBitmap mask;
  mask.SetSize(4, 1);
  TCanvas* m = mask.Canvas();
  m->Brush()->SetColor(clOlive);  // the picture's background colour
  m->FillRect({0, 0, 4, 1});
  m->SetPixel(1, 0, clBlack);
  m->SetPixel(2, 0, clMaroon);
  mask.SetMonochrome(true);
  EXPECT_EQ(mask.Pixel(0, 0), 0xFFFFFFFFu) << "the background colour turns white";
  EXPECT_EQ(mask.Pixel(1, 0), 0xFF000000u);
  EXPECT_EQ(mask.Pixel(2, 0), 0xFF000000u) << "every other colour turns black";

  TBitmap face;
  face.SetSize(4, 1);
  TCanvas* f = face.Canvas();
  f->Brush()->SetColor(clBtnFace);
  f->FillRect({0, 0, 4, 1});
  f->SetTextColor(clWhite);
  f->SetBkColor(clBlack);
  f->Brush()->SetColor(clBtnShadow);
  ASSERT_TRUE(BitBlt(f, 0, 0, 4, 1, m, 0, 0, 14812998));
  EXPECT_EQ(face.Pixel(0, 0), Rgb(clBtnFace));
  EXPECT_EQ(face.Pixel(1, 0), Rgb(clBtnShadow));
  EXPECT_EQ(face.Pixel(2, 0), Rgb(clBtnShadow));
  EXPECT_EQ(face.Pixel(3, 0), Rgb(clBtnFace));
  // Drawing on a monochrome bitmap keeps it black and white.
  m->Brush()->SetColor(clYellow);
  m->FillRect({0, 0, 1, 1});
  m->Brush()->SetColor(clNavy);
  m->FillRect({3, 0, 4, 1});
  EXPECT_EQ(mask.Pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(mask.Pixel(3, 0), 0xFF000000u);
  // Without a target on either side nothing happens.
  TCanvas loose;
  EXPECT_FALSE(BitBlt(&loose, 0, 0, 1, 1, m, 0, 0, SRCCOPY));
}

TEST(CanvasBitmap, CopyRectUsesCopyModeAndBrushCopyReplacesAColour) {
  TBitmap src, dst;
  src.SetSize(2, 1);
  src.SetPixel(0, 0, 0xFF0000FFu);
  src.SetPixel(1, 0, 0xFFFF00FFu);
  dst.SetSize(2, 1);
  dst.Canvas()->Brush()->SetColor(clLime);
  dst.Canvas()->FillRect({0, 0, 2, 1});
  dst.Canvas()->SetCopyMode(SRCAND);
  dst.Canvas()->CopyRect({0, 0, 2, 1}, src.Canvas(), {0, 0, 2, 1});
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF000000u) << "blue AND lime";
  EXPECT_EQ(dst.Pixel(1, 0), 0xFF000000u);
  dst.Canvas()->SetCopyMode(SRCCOPY);
  dst.Canvas()->CopyRect({0, 0, 2, 1}, src.Canvas(), {0, 0, 2, 1});
  EXPECT_EQ(dst.Pixel(1, 0), 0xFFFF00FFu);
  dst.Canvas()->Brush()->SetColor(clGray);
  dst.Canvas()->BrushCopy({0, 0, 2, 1}, &src, {0, 0, 2, 1}, clFuchsia);
  EXPECT_EQ(dst.Pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(dst.Pixel(1, 0), Rgb(clGray));
}

TEST(CanvasBitmap, FilesLoadAndSaveWithClearErrors) {
  testsupport::TempDir dir;
  TBitmap bmp;
  bmp.SetSize(3, 2);
  bmp.SetPixel(2, 1, 0xFF123456u);
  bmp.SaveToFile(dir.File("b.png"));
  TBitmap back;
  back.LoadFromFile(dir.File("b.png"));
  EXPECT_EQ(back.Width(), 3);
  EXPECT_EQ(back.Pixel(2, 1), 0xFF123456u);
  bmp.SaveToFile(dir.File("b.bmp"));
  back.LoadFromFile(dir.File("b.bmp"));
  EXPECT_EQ(back.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(back.Pixel(2, 1), 0xFF123456u);
  EXPECT_THROW(back.LoadFromFile(dir.File("none.png")), EInOutError);
  EXPECT_THROW(back.LoadFromFile(dir.Write("text.bmp", "not an image")), EInvalidGraphic);
  EXPECT_EQ(back.Width(), 3) << "a failed load keeps the picture";
  TBitmap empty;
  EXPECT_THROW(empty.SaveToFile(dir.File("e.png")), EInvalidGraphic);
}

}  // namespace
}  // namespace vcl
