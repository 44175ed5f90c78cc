// The two-image glyph strips of the framework's base form.
#include <gtest/gtest.h>

#include "FrameworkFixture.h"

using namespace frameworktest;
using namespace vcl;

namespace {

std::uint32_t Argb(TColor c) {
  return 0xFF000000u | ToRgb(ColorToRGB(c));
}

}  // namespace

TEST(DisabledGlyph, ShadowWhereTheMaskIsBlackAndHighlightOnePixelDownRight) {
  // A 7 x 7 glyph on an olive background: a white 5 x 5 block with one dark pixel inside.
  // The block's edge and the dark pixel are marked; the rest of the inside is not.
  TBitmap glyph;
  glyph.SetSize(7, 7);
  glyph.Canvas()->Brush()->SetColor(clOlive);
  glyph.Canvas()->FillRect({0, 0, 7, 7});
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect({1, 1, 6, 6});
  glyph.SetPixel(2, 2, 0xFF000000u);

  std::vector<std::uint32_t> before;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) before.push_back(glyph.Pixel(x, y));
  kv::TKvForm::MakeDisabledGlyph(glyph);
  ASSERT_EQ(glyph.Width(), 14);
  ASSERT_EQ(glyph.Height(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x) EXPECT_EQ(glyph.Pixel(x, y), before[size_t(y * 7 + x)]);

  struct Case {
    TPoint at;
    TColor colour;
  };
  const Case cases[] = {
      {{1, 1}, clBtnShadow},     // the block's edge
      {{5, 5}, clBtnShadow},     //
      {{2, 2}, clBtnShadow},     // the dark pixel
      {{3, 3}, clBtnHighlight},  // light inside, below and right of the dark pixel
      {{4, 4}, clBtnFace},       // light inside, nothing marked above and left
      {{6, 6}, clBtnHighlight},  // background below and right of the edge
      {{0, 0}, clBtnFace},       // background
  };
  for (const Case& c : cases)
    EXPECT_EQ(glyph.Pixel(7 + c.at.X, c.at.Y), Argb(c.colour)) << c.at.X << "," << c.at.Y;
}

TEST(DisabledGlyph, SingleImageButtonGlyphsOfAFormBecomeStrips) {
  TBitmap picture;
  picture.SetSize(4, 4);
  picture.Canvas()->Brush()->SetColor(clBlack);
  picture.Canvas()->FillRect({0, 0, 4, 4});
  picture.SetPixel(0, 3, 0xFFFF00FFu);  // the transparent colour: the bottom-left pixel

  class TGlyphForm : public kv::TKvForm {
   public:
    TGlyphForm(TBitmap* glyph) : TKvForm(nullptr) {
      single = new TSpeedButton(this);
      single->SetGlyph(glyph);
      twice = new TBitBtn(this);
      twice->SetGlyph(glyph);
      twice->SetNumGlyphs(2);
      empty = new TSpeedButton(this);
      PrepareComponents();
    }
    TSpeedButton* single;
    TBitBtn* twice;
    TSpeedButton* empty;
  };
  std::unique_ptr<TGlyphForm, TFreeDeleter> form(new TGlyphForm(&picture));
  EXPECT_EQ(form->single->Glyph()->Width(), 8);
  EXPECT_EQ(form->single->NumGlyphs(), 2);
  EXPECT_EQ(form->twice->Glyph()->Width(), 4) << "already a strip";
  EXPECT_TRUE(form->empty->Glyph()->Empty());
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->Font()->GetHeight(), -13);
}

TEST(LanguageChain, ClassNamesFromTheMostBasicFormClass) {
  FormPtr form = NewForm();
  using V = std::vector<AnsiString>;
  EXPECT_EQ(kv::TKvForm::LanguageChain(form.get(), true, false), (V{"TKvForm", "TfrmBaseGene"}));
  EXPECT_EQ(kv::TKvForm::LanguageChain(form.get(), true, true), (V{"TfrmBaseGene"}));
  EXPECT_EQ(kv::TKvForm::LanguageChain(form.get(), false, false), (V{"TfrmBaseGene"}));
}

TEST(BaseGeneClass, IsCreatedFromItsClassWithTheDesignedLayout) {
  const TClass* cls = kv::TfrmBaseGene::StaticClass();
  std::unique_ptr<TComponent, TFreeDeleter> made(
      dynamic_cast<TComponent*>(cls->GetCreator()(nullptr)));
  auto* form = dynamic_cast<kv::TfrmBaseGene*>(made.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Version, "870401-0.00.00");
  EXPECT_EQ(form->LastFocused, form);
  EXPECT_TRUE(form->ShowInfo);
  EXPECT_EQ(form->pnlCondition->Width(), 151);
  EXPECT_EQ(form->Panel1->Height(), 43);
  EXPECT_EQ(form->btnCancel->ModalResult(), mrCancel);
  EXPECT_EQ(form->ClientDataSet1->ProviderName(), "pvdConSave");
  EXPECT_EQ(form->pgOption->PageCount(), 2);
  EXPECT_EQ(form->lblToday->Caption(), Gb(u8"制表日期"));
  EXPECT_TRUE(form->btnPrintDate->Flat());
  EXPECT_EQ(form->FindComponent("edPrintDate"), form->edPrintDate);
  EXPECT_EQ(GetPropValue(form, "WantLog"), Variant(false));
}
