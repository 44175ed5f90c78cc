#include "framework/KvForm.h"

#include "lib/LibStrs.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/TypInfo.h"

namespace kv {

using vcl::TBitmap;
using vcl::TColor;

VCL_IMPLEMENT_COMPONENT(TKvForm, vcl::TForm)

void TKvForm::Publish(vcl::TPublisher&) {}

namespace {

// Raster operation that paints the destination's brush where the (coloured) source is white
// and leaves the destination elsewhere.
constexpr vcl::DWORD kRopBrushWhereSource = 14812998;

AnsiString CodePageText(vcl::UINT codePage) {
  if (codePage == vcl::CP_GB2312) return "936";
  if (codePage == vcl::CP_BIG5) return "950";
  return "437";
}

}  // namespace

TKvForm::TKvForm(vcl::TComponent* owner) : vcl::TForm(owner) {
  SetKeyPreview(true);
  SetPosition(vcl::TPosition::poScreenCenter);
  SetShowHint(true);
  Font()->SetName(vcl::DesignText(u8"宋体"));
  Font()->SetHeight(-13);
  Converted = false;
  TranslateOnShow = true;
}

void TKvForm::PrepareComponents() {
  const bool english = GetUICodePage() == "437";
  for (int i = 0; i < ComponentCount(); ++i) {
    vcl::TComponent* c = Components(i);
    if (HasProperty(c, "ImeName")) SetStrPropByName(c, "ImeName", "");
    if (english && HasPropertyOfType(c, "Font", "TFont")) {
      SetOrdPropByName(c, "Font.Charset", vcl::GB2312_CHARSET);
      SetStrPropByName(c, "Font.Name", "Tahoma");
    }
  }
  PrepareGlyphs();
}

void TKvForm::PrepareGlyphs() {
  auto twoImages = [](TBitmap* glyph, int numGlyphs) {
    if (!glyph || glyph->Empty() || numGlyphs != 1) return false;
    MakeDisabledGlyph(*glyph);
    return true;
  };
  for (int i = 0; i < ComponentCount(); ++i) {
    vcl::TComponent* c = Components(i);
    if (auto* speed = dynamic_cast<vcl::TSpeedButton*>(c)) {
      TBitmap strip;
      if (speed->Glyph()) strip.Assign(speed->Glyph());
      if (twoImages(&strip, speed->NumGlyphs())) {
        speed->SetGlyph(&strip);
        speed->SetNumGlyphs(2);
      }
    } else if (auto* bit = dynamic_cast<vcl::TBitBtn*>(c)) {
      TBitmap strip;
      if (bit->Glyph()) strip.Assign(bit->Glyph());
      if (twoImages(&strip, bit->NumGlyphs())) {
        bit->SetGlyph(&strip);
        bit->SetNumGlyphs(2);
      }
    }
  }
}

void TKvForm::MakeDisabledGlyph(TBitmap& glyph) {
  const int w = glyph.Width(), h = glyph.Height();
  if (w <= 0 || h <= 0) return;
  const TColor transparent = glyph.EffectiveTransparentColor();
  const std::uint32_t clear = vcl::ToRgb(vcl::ColorToRGB(transparent));
  glyph.SetPixelFormat(vcl::TPixelFormat::pf24bit);
  auto rgb = [&glyph](int x, int y) { return glyph.Pixel(x, y) & 0xFFFFFFu; };

  // 1-2: dark pixels and pixels at the picture's edge become black on the background.
  TBitmap mask;
  mask.SetPixelFormat(vcl::TPixelFormat::pf24bit);
  mask.SetSize(w, h);
  mask.Canvas()->Brush()->SetColor(transparent);
  mask.Canvas()->FillRect({0, 0, w, h});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = rgb(x, y);
      if (c == clear) continue;
      const int sum = int((c >> 16) & 0xFF) + int((c >> 8) & 0xFF) + int(c & 0xFF);
      const bool edge =
          rgb(x, y > 0 ? y - 1 : y) == clear || rgb(x, y < h - 1 ? y + 1 : y) == clear ||
          rgb(x > 0 ? x - 1 : x, y) == clear || rgb(x < w - 1 ? x + 1 : x, y) == clear;
      if (sum < 384 || edge) mask.SetPixel(x, y, 0xFF000000u);
    }
  // 3: the background turns white, the marks black; the mask is drawn on the button face in
  // the highlight colour one pixel down and right, then in the shadow colour in place.
  mask.SetMonochrome(true);
  TBitmap disabled;
  disabled.SetPixelFormat(vcl::TPixelFormat::pf24bit);
  disabled.SetSize(w, h);
  vcl::TCanvas* d = disabled.Canvas();
  d->Brush()->SetColor(vcl::clBtnFace);
  d->FillRect({0, 0, w, h});
  d->SetTextColor(vcl::clWhite);
  d->SetBkColor(vcl::clBlack);
  d->Brush()->SetColor(vcl::clBtnHighlight);
  vcl::BitBlt(d, 1, 1, w - 1, h - 1, mask.Canvas(), 0, 0, kRopBrushWhereSource);
  d->Brush()->SetColor(vcl::clBtnShadow);
  vcl::BitBlt(d, 0, 0, w, h, mask.Canvas(), 0, 0, kRopBrushWhereSource);

  // 4: the picture at x = 0 and its disabled image at x = width.
  glyph.SetWidth(2 * w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) glyph.SetPixel(w + x, y, disabled.Pixel(x, y));
}

std::vector<AnsiString> TKvForm::LanguageChain(const vcl::TObject* object, bool withAncestors,
                                               bool stopAtKvForm) {
  std::vector<AnsiString> names;
  if (!object) return names;
  if (!withAncestors) {
    names.emplace_back(object->ClassName());
    return names;
  }
  for (const vcl::TClass* c = object->ClassType(); c; c = c->ClassParent()) {
    if (c == vcl::TForm::StaticClass() || c == vcl::TCustomForm::StaticClass()) break;
    if (stopAtKvForm && c == TKvForm::StaticClass()) break;
    names.insert(names.begin(), c->ClassName());
  }
  return names;
}

void TKvForm::TranslateForm(vcl::TObject* object, bool withAncestors) {
  ApplyLanguageChain(object, LanguageChain(object, withAncestors, false));
}

void TKvForm::TranslateOwnForm(vcl::TObject* object, bool withAncestors) {
  ApplyLanguageChain(object, LanguageChain(object, withAncestors, true));
}

void TKvForm::ApplyLanguageChain(vcl::TObject* object, const std::vector<AnsiString>& names) {
  // Language packages are read by the language controller; without one installed no package
  // exists, and the form keeps its designed texts.
  (void)object;
  (void)names;
}

void TKvForm::ConvertForm() {
  // Design, database and display code pages agree until a converter is installed: the texts
  // stay as they are and the form counts as converted.
  Converted = true;
}

AnsiString TKvForm::GetSystemCodePage() const {
  return CodePageText(vcl::GetACP());
}

AnsiString TKvForm::GetUICodePage() const {
  return CodePageText(vcl::GetACP());
}

void TKvForm::GetLangText(const AnsiString& section, const AnsiString& key, AnsiString& text,
                          bool convertDefault, const AnsiString& defaultText) const {
  (void)section;
  (void)key;
  (void)convertDefault;
  text = defaultText;
}

void TKvForm::DoShow() {
  if (TranslateOnShow) TranslateForm(this, true);
  vcl::TForm::DoShow();
}

}  // namespace kv
