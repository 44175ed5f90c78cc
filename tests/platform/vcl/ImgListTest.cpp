#include "platform/vcl/ImgList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace vcl;

namespace {

std::unique_ptr<TBitmap> Bitmap(int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bitmap->SetPixel(x, y, pixel(x, y));
  return bitmap;
}

std::uint32_t Gray(int x, int y) {
  return 0xFF000000u | static_cast<std::uint32_t>(x + 16 * y);
}

// A 4 x 2 image list.
struct SmallList {
  SmallList() {
    list.SetWidth(4);
    list.SetHeight(2);
  }
  TImageList list{nullptr};
};

TEST(ImgList, ImagesAreCopiesCutToTheListSize) {
  SmallList s;
  EXPECT_EQ(s.list.Count(), 0);
  auto strip = Bitmap(12, 2, Gray);
  EXPECT_EQ(s.list.Add(strip.get(), nullptr), 0);
  EXPECT_EQ(s.list.Count(), 3);        // a strip of three images
  strip->SetPixel(4, 0, 0xFFABCDEFu);  // the list holds its own copy
  TBitmap out;
  s.list.GetBitmap(1, &out);
  EXPECT_EQ(out.Width(), 4);
  EXPECT_EQ(out.Height(), 2);
  EXPECT_EQ(out.Pixel(0, 0), Gray(4, 0));
  EXPECT_EQ(out.Pixel(3, 1), Gray(7, 1));
  // A smaller image is padded with white, a larger one cut.
  auto small = Bitmap(2, 1, [](int, int) { return 0xFF00FF00u; });
  EXPECT_EQ(s.list.Add(small.get(), nullptr), 3);
  s.list.GetBitmap(3, &out);
  EXPECT_EQ(out.Pixel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(out.Pixel(2, 0), 0xFFFFFFFFu);
  EXPECT_EQ(out.Pixel(0, 1), 0xFFFFFFFFu);
  auto tall = Bitmap(5, 3, Gray);
  s.list.Insert(0, tall.get(), nullptr);
  EXPECT_EQ(s.list.Count(), 5);
  s.list.GetBitmap(0, &out);
  EXPECT_EQ(out.Pixel(3, 1), Gray(3, 1));
  s.list.GetBitmap(1, &out);  // the strip moved up by one
  EXPECT_EQ(out.Pixel(0, 0), Gray(0, 0));
}

TEST(ImgList, TransparentPixelsKeepWhatTheDestinationHeld) {
  constexpr std::uint32_t kBack = 0xFF123456u, kRed = 0xFFFF0000u;
  // Left column red, the rest gray.
  auto image = Bitmap(4, 2, [](int x, int y) { return x == 0 ? kRed : Gray(x, y); });
  // A mask with the top row white (transparent).
  auto mask = Bitmap(4, 2, [](int, int y) { return y == 0 ? 0xFFFFFFFFu : 0xFF000000u; });
  struct Case {
    const char* name;
    std::function<int(TImageList&)> add;
    bool masked;
    std::vector<bool> expectTransparent;  // row-major, 4 x 2
  };
  const std::vector<Case> cases = {
      {"mask bitmap",
       [&](TImageList& l) { return l.Add(image.get(), mask.get()); },
       true,
       {true, true, true, true, false, false, false, false}},
      {"mask colour",
       [&](TImageList& l) { return l.AddMasked(image.get(), clRed); },
       true,
       {true, false, false, false, true, false, false, false}},
      {"bottom-left colour",
       [&](TImageList& l) { return l.AddMasked(image.get(), clDefault); },
       true,
       {true, false, false, false, true, false, false, false}},
      {"no mask",
       [&](TImageList& l) { return l.Add(image.get(), nullptr); },
       true,
       {false, false, false, false, false, false, false, false}},
      {"masks ignored",
       [&](TImageList& l) { return l.Add(image.get(), mask.get()); },
       false,
       {false, false, false, false, false, false, false, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmallList s;
    s.list.SetMasked(c.masked);
    const int index = c.add(s.list);
    auto dest = Bitmap(4, 2, [](int, int) { return kBack; });
    s.list.GetBitmap(index, dest.get());
    TBitmap maskOut;
    s.list.GetMask(index, &maskOut);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        const bool transparent = c.expectTransparent[static_cast<size_t>(y * 4 + x)];
        EXPECT_EQ(s.list.IsTransparent(index, x, y), transparent) << x << "," << y;
        EXPECT_EQ(dest->Pixel(x, y), transparent ? kBack : image->Pixel(x, y)) << x << "," << y;
        EXPECT_EQ(maskOut.Pixel(x, y), transparent ? 0xFFFFFFFFu : 0xFF000000u);
      }
    }
  }
}

TEST(ImgList, BadIndexesAndImagesRaise) {
  SmallList s;
  auto image = Bitmap(4, 2, Gray);
  s.list.Add(image.get(), nullptr);
  TBitmap empty, out;
  struct Case {
    const char* name;
    std::function<void()> act;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"get past the end", [&] { s.list.GetBitmap(1, &out); }, "Invalid ImageList Index"},
      {"get before the start", [&] { s.list.GetBitmap(-1, &out); }, "Invalid ImageList Index"},
      {"delete past the end", [&] { s.list.Delete(1); }, "Invalid ImageList Index"},
      {"delete below -1", [&] { s.list.Delete(-2); }, "Invalid ImageList Index"},
      {"replace past the end", [&] { s.list.Replace(1, image.get(), nullptr); },
       "Invalid ImageList Index"},
      {"insert past the end", [&] { s.list.Insert(2, image.get(), nullptr); },
       "Invalid ImageList Index"},
      {"move past the end", [&] { s.list.Move(0, 1); }, "Invalid ImageList Index"},
      {"mask of a bad index", [&] { s.list.GetMask(3, &out); }, "Invalid ImageList Index"},
      {"no bitmap", [&] { s.list.Add(nullptr, nullptr); }, "Unable to insert an image"},
      {"an empty bitmap", [&] { s.list.AddMasked(&empty, clRed); }, "Unable to insert an image"},
      {"replace with nothing", [&] { s.list.Replace(0, nullptr, nullptr); },
       "Unable to insert an image"},
      {"no size", [&] { s.list.SetWidth(0); }, "Invalid image size"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.act();
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(s.list.Count(), 1);
    EXPECT_EQ(s.list.Width(), 4);
  }
}

TEST(ImgList, ChangesAreAnnouncedToTheProgramAndToLinks) {
  SmallList s;
  int changes = 0, linked = 0;
  s.list.OnChange = TNotifyEvent::Lambda([&](TObject*) { ++changes; });
  auto link = std::make_unique<TChangeLink>();
  link->OnChange = TNotifyEvent::Lambda([&](TObject* sender) {
    EXPECT_EQ(sender, &s.list);
    ++linked;
  });
  s.list.RegisterChanges(link.get());
  EXPECT_EQ(link->Sender(), &s.list);
  for (int i = 0; i < 3; ++i) {
    auto image =
        Bitmap(4, 2, [i](int, int) { return 0xFF000000u | static_cast<std::uint32_t>(i); });
    s.list.Add(image.get(), nullptr);
  }
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(linked, 3);
  s.list.Move(2, 0);
  s.list.Delete(1);
  TBitmap out;
  s.list.GetBitmap(0, &out);
  EXPECT_EQ(out.Pixel(0, 0), 0xFF000002u);
  s.list.GetBitmap(1, &out);
  EXPECT_EQ(out.Pixel(0, 0), 0xFF000001u);
  changes = 0;
  s.list.BeginUpdate();
  s.list.Delete(0);
  s.list.Delete(0);
  EXPECT_EQ(changes, 0);
  s.list.EndUpdate();
  EXPECT_EQ(changes, 1);
  // A new size removes the images.
  auto image = Bitmap(4, 2, Gray);
  s.list.Add(image.get(), nullptr);
  s.list.SetHeight(8);
  EXPECT_EQ(s.list.Count(), 0);
  // A link that goes away is no longer told.
  link.reset();
  linked = 0;
  s.list.Add(image.get(), nullptr);
  EXPECT_EQ(linked, 0);
  s.list.Delete(-1);
  EXPECT_EQ(s.list.Count(), 0);
  // A link outliving its list is simply left without one.
  TChangeLink survivor;
  {
    TImageList gone(nullptr);
    gone.RegisterChanges(&survivor);
  }
  EXPECT_EQ(survivor.Sender(), nullptr);
}

TEST(ImgList, AssignAndPublishedSize) {
  SmallList s;
  auto image = Bitmap(8, 2, Gray);
  s.list.Add(image.get(), nullptr);
  TImageList copy(nullptr);
  copy.Assign(&s.list);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Width(), 4);
  TBitmap out;
  copy.GetBitmap(1, &out);
  EXPECT_EQ(out.Pixel(1, 1), Gray(5, 1));
  SetOrdProp(&copy, "Height", 16);
  EXPECT_EQ(copy.Height(), 16);
  EXPECT_EQ(copy.Count(), 0);
  TBitmap notAList;
  EXPECT_THROW(copy.Assign(&notAList), EConvertError);
}

}  // namespace
