#include "platform/vcl/Graphics.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;

namespace {

// Counts the change events `object` sends through `event`.
void CountChanges(TPersistent& object, TNotifyEvent& event, int& count) {
  event = TNotifyEvent::Lambda([&object, &count](TObject* sender) {
    EXPECT_EQ(sender, &object);
    ++count;
  });
}

}  // namespace

TEST(GraphicsFont, SizeAndHeightAtScreenResolution) {
  struct SizeRow {
    int size;
    int height;
  } sizes[] = {{8, -11},  {9, -12},  {10, -13}, {11, -15}, {12, -16},
               {14, -19}, {72, -96}, {0, 0},    {-10, 13}, {-8, 11}};
  TFont font;
  for (const SizeRow& r : sizes) {
    font.SetSize(r.size);
    EXPECT_EQ(font.GetHeight(), r.height) << "size " << r.size;
  }
  struct HeightRow {
    int height;
    int size;
  } heights[] = {{-11, 8}, {-13, 10}, {-14, 11}, {-15, 11}, {-16, 12}, {-2, 2},
                 {-1, 1},  {0, 0},    {16, 12},  {14, 11},  {13, 10},  {1, 1}};
  for (const HeightRow& r : heights) {
    font.SetHeight(r.height);
    EXPECT_EQ(font.GetSize(), r.size) << "height " << r.height;
  }
  TFont fresh;
  EXPECT_EQ(fresh.GetSize(), 8);
  EXPECT_EQ(fresh.GetHeight(), -11);
  EXPECT_EQ(fresh.GetCharset(), DEFAULT_CHARSET);
  EXPECT_EQ(fresh.GetColor(), clWindowText);
}

TEST(GraphicsFont, ChangeEventOnlyForRealChanges) {
  TFont font;
  int count = 0;
  CountChanges(font, font.OnChange, count);
  struct Row {
    const char* what;
    std::function<void()> set;
  } rows[] = {
      {"Name", [&] { font.SetName("Arial"); }},
      {"Height", [&] { font.SetHeight(-20); }},
      {"Size", [&] { font.SetSize(20); }},
      {"Charset", [&] { font.SetCharset(SHIFTJIS_CHARSET); }},
      {"Color", [&] { font.SetColor(clRed); }},
      {"Style", [&] { font.SetStyle(fsBold | fsUnderline); }},
      {"Pitch", [&] { font.SetPitch(TFontPitch::fpFixed); }},
  };
  for (const Row& r : rows) {
    count = 0;
    r.set();
    EXPECT_EQ(count, 1) << r.what;
    r.set();
    EXPECT_EQ(count, 1) << r.what << " set again to the same value";
  }
  // A size that gives the current height is no change either.
  font.SetHeight(-11);
  count = 0;
  font.SetSize(8);
  EXPECT_EQ(count, 0);
}

TEST(GraphicsFont, AssignCopiesEverythingWithOneChange) {
  TFont source;
  source.SetName("Courier New");
  source.SetHeight(-17);
  source.SetCharset(GB2312_CHARSET);
  source.SetColor(clNavy);
  source.SetStyle(fsItalic | fsStrikeOut);
  source.SetPitch(TFontPitch::fpVariable);
  TFont dest;
  int count = 0;
  CountChanges(dest, dest.OnChange, count);
  EXPECT_FALSE(dest.Equals(source));
  dest.Assign(&source);
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(dest.Equals(source));
  EXPECT_EQ(dest.GetName(), "Courier New");
  EXPECT_EQ(dest.GetHeight(), -17);
  EXPECT_EQ(dest.GetCharset(), GB2312_CHARSET);
  EXPECT_EQ(dest.GetColor(), clNavy);
  EXPECT_EQ(dest.GetStyle(), fsItalic | fsStrikeOut);
  EXPECT_EQ(dest.GetPitch(), TFontPitch::fpVariable);
  // Each field takes part in equality.
  std::vector<std::function<void(TFont&)>> tweaks = {
      [](TFont& f) { f.SetName("Arial"); },
      [](TFont& f) { f.SetHeight(-18); },
      [](TFont& f) { f.SetCharset(ANSI_CHARSET); },
      [](TFont& f) { f.SetColor(clRed); },
      [](TFont& f) { f.SetStyle(0); },
      [](TFont& f) { f.SetPitch(TFontPitch::fpFixed); },
  };
  for (size_t i = 0; i < tweaks.size(); ++i) {
    TFont copy;
    copy.Assign(&source);
    tweaks[i](copy);
    EXPECT_FALSE(copy.Equals(source)) << i;
  }
  // The source's handler is not copied.
  EXPECT_FALSE(source.OnChange);

  TBitmap bitmap;
  try {
    dest.Assign(&bitmap);
    ADD_FAILURE() << "assigning a bitmap to a font";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TBitmap to a TFont");
  }
  try {
    dest.Assign(nullptr);
    ADD_FAILURE() << "assigning nil to a font";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TFont");
  }
  EXPECT_TRUE(dest.Equals(source));
}

TEST(GraphicsFont, PublishedProperties) {
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(TFont::StaticClass())) names.push_back(p->Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Charset", "Color", "Height", "Name", "Pitch", "Size",
                                             "Style"}));
  TFont font;
  struct Row {
    const char* prop;
    const char* value;
    const char* expected;
  } rows[] = {
      {"Charset", "ANSI_CHARSET", "ANSI_CHARSET"},
      {"Charset", "hangeul_charset", "HANGEUL_CHARSET"},
      {"Charset", "136", "CHINESEBIG5_CHARSET"},
      {"Charset", "OEM_CHARSET", "OEM_CHARSET"},
      {"Color", "clHighlight", "clHighlight"},
      {"Height", "-20", "-20"},
      {"Size", "12", "12"},
      {"Name", "Tahoma", "Tahoma"},
      {"Pitch", "fpVariable", "fpVariable"},
      {"Style", "[fsUnderline,fsBold]", "[fsBold,fsUnderline]"},
      {"Style", "[]", "[]"},
  };
  for (const Row& r : rows) {
    SetPropAsString(&font, r.prop, r.value);
    EXPECT_EQ(GetPropAsString(&font, r.prop), r.expected) << r.prop << " = " << r.value;
  }
  EXPECT_EQ(font.GetCharset(), OEM_CHARSET);
  EXPECT_EQ(font.GetHeight(), -16);
  EXPECT_EQ(font.GetName(), "Tahoma");
  EXPECT_EQ(font.GetPitch(), TFontPitch::fpVariable);
  EXPECT_TRUE(PropIsTypeName(&font, "Charset", "TFontCharset"));
  EXPECT_TRUE(PropIsTypeName(&font, "Style", "TFontStyles"));
  EXPECT_FALSE(TrySetPropAsString(&font, "Pitch", "fpNarrow"));
  EXPECT_FALSE(TrySetPropAsString(&font, "Style", "[fsShadow]"));
}

TEST(GraphicsBitmap, ResizeKeepsPixelsAndFillsWhite) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.Empty());
  int count = 0;
  CountChanges(bitmap, bitmap.OnChange, count);
  bitmap.SetSize(3, 2);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(bitmap.Pixels(), std::vector<std::uint32_t>(6, 0xFFFFFFFFu));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) bitmap.SetPixel(x, y, std::uint32_t(0xFF000000u | (y * 16 + x)));

  bitmap.SetSize(4, 3);  // grow: old pixels stay where they were
  struct Row {
    int x, y;
    std::uint32_t argb;
  } grown[] = {{0, 0, 0xFF000000u}, {2, 0, 0xFF000002u}, {1, 1, 0xFF000011u}, {2, 1, 0xFF000012u},
               {3, 0, 0xFFFFFFFFu}, {3, 1, 0xFFFFFFFFu}, {0, 2, 0xFFFFFFFFu}, {3, 2, 0xFFFFFFFFu}};
  for (const Row& r : grown) EXPECT_EQ(bitmap.Pixel(r.x, r.y), r.argb) << r.x << "," << r.y;

  bitmap.SetSize(2, 2);  // shrink: the top-left part stays
  EXPECT_EQ(bitmap.Pixels(),
            (std::vector<std::uint32_t>{0xFF000000u, 0xFF000001u, 0xFF000010u, 0xFF000011u}));

  // Outside the image: reads give 0, writes do nothing.
  count = 0;
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {2, 0}, {0, 2}, {99, 99}}) {
    EXPECT_EQ(bitmap.Pixel(x, y), 0u) << x << "," << y;
    bitmap.SetPixel(x, y, 0xFF123456u);
  }
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bitmap.Pixels().size(), 4u);

  bitmap.SetSize(-5, 3);
  EXPECT_TRUE(bitmap.Empty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_TRUE(bitmap.Pixels().empty());
}

TEST(GraphicsBitmap, AssignCopiesIndependently) {
  TBitmap source;
  source.SetSize(2, 1);
  source.SetPixel(1, 0, 0xFF00FF00u);
  source.SetTransparent(true);
  source.SetTransparentColor(clFuchsia);
  TBitmap copy;
  int count = 0;
  CountChanges(copy, copy.OnChange, count);
  copy.Assign(&source);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(copy.Height(), 1);
  EXPECT_EQ(copy.Pixels(), source.Pixels());
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.TransparentColor(), clFuchsia);
  source.SetPixel(1, 0, 0xFF0000FFu);
  EXPECT_EQ(copy.Pixel(1, 0), 0xFF00FF00u);

  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
  EXPECT_EQ(GetOrdProp(&copy, "Width"), 2);
  EXPECT_EQ(GetPropAsString(&copy, "TransparentColor"), "clFuchsia");
  SetOrdProp(&copy, "Width", 5);
  EXPECT_EQ(copy.Width(), 5) << "the size is writable by name, as in form files";
  EXPECT_EQ(copy.Pixel(1, 0), 0xFF00FF00u) << "resizing keeps the pixels that remain";
}
