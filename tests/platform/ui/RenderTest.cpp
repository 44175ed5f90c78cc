#include "platform/ui/Render.h"

#include <gtest/gtest.h>

#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/HintWindow.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace vcl {
namespace {

std::uint32_t Rgb(TColor c) {
  return 0xFF000000u | ToRgb(c);
}

// A control that fills itself with one colour; with `spill`, it also paints a strip below
// itself above the form, as an open drop-down list does.
template <class Base>
class Swatch : public Base {
 public:
  Swatch(TComponent* owner, TColor fill, int spill = 0) : Base(owner), fill_(fill), spill_(spill) {}
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    this->Canvas()->Brush()->SetColor(fill_);
    this->Canvas()->FillRect({0, 0, this->Width(), this->Height()});
  }
  bool PaintPopup() override {
    if (!spill_) return false;
    this->Canvas()->Brush()->SetColor(fill_);
    this->Canvas()->FillRect({0, this->Height(), this->Width(), this->Height() + spill_});
    return true;
  }

 private:
  TColor fill_;
  int spill_;
};

struct FormFixture : ::testing::Test {
  FormFixture() {
    form.SetBorderStyle(TFormBorderStyle::bsDialog);
    form.SetBounds(0, 0, 200, 100);
    form.SetColor(clAqua);
    form.SetCaption("Render");
  }
  // A pixel of the rendered window, in client coordinates.
  std::uint32_t Client(const TBitmap& b, int x, int y) const {
    const TFrameMetrics m = FrameMetrics(form);
    return b.Pixel(x + m.border, y + m.border + m.caption + m.menu);
  }
  TForm form{nullptr};
};

TEST_F(FormFixture, WindowFrameCaptionAndClientArea) {
  TBitmap b;
  RenderForm(form, b);
  const TFrameMetrics m = FrameMetrics(form);
  EXPECT_EQ(m.border, 3);
  EXPECT_EQ(m.caption, 18);
  EXPECT_EQ(m.menu, 0);
  EXPECT_EQ(b.Width(), 206);
  EXPECT_EQ(b.Height(), 124);
  EXPECT_EQ(Client(b, 0, 0), Rgb(clAqua));
  EXPECT_EQ(Client(b, 199, 99), Rgb(clAqua));
  EXPECT_EQ(b.Pixel(0, 0), Rgb(clBtnHighlight)) << "raised outer frame";
  EXPECT_EQ(b.Pixel(205, 123), Rgb(cl3DDkShadow));
  // Not shown: an inactive caption bar; shown: active, with the caption text in white.
  EXPECT_EQ(b.Pixel(3, 10), Rgb(clInactiveCaption));
  form.Show();
  RenderForm(form, b);
  EXPECT_EQ(b.Pixel(3, 10), Rgb(clActiveCaption));
  int white = 0;
  for (int y = 3; y < 20; ++y)
    for (int x = 5; x < 60; ++x) white += b.Pixel(x, y) == 0xFFFFFFFFu;
  EXPECT_GT(white, 10) << "the caption is written on the bar";
  form.Hide();
  form.SetBorderStyle(TFormBorderStyle::bsNone);
  RenderForm(form, b);
  EXPECT_EQ(b.Width(), 200);
  EXPECT_EQ(b.Pixel(0, 0), Rgb(clAqua));
}

TEST_F(FormFixture, ChildrenPaintInPlaceClippedAndWindowedOnesOnTop) {
  auto* panel = new Swatch<TCustomControl>(&form, clNavy);
  panel->SetParent(&form);
  panel->SetBounds(10, 10, 50, 50);
  // A graphic control placed later in z-order still lies under its windowed sibling.
  auto* label = new Swatch<TGraphicControl>(&form, clRed);
  label->SetParent(&form);
  label->SetBounds(40, 40, 40, 40);
  // A child reaching past its parent is cut at the parent's edge.
  auto* inner = new Swatch<TGraphicControl>(&form, clLime);
  inner->SetParent(panel);
  inner->SetBounds(30, 30, 100, 100);
  auto* hidden = new Swatch<TGraphicControl>(&form, clYellow);
  hidden->SetParent(&form);
  hidden->SetBounds(150, 10, 20, 20);
  hidden->SetVisible(false);

  TBitmap b;
  RenderForm(form, b);
  EXPECT_EQ(Client(b, 10, 10), Rgb(clNavy));
  EXPECT_EQ(Client(b, 45, 45), Rgb(clLime)) << "the panel and its child cover the label";
  EXPECT_EQ(Client(b, 70, 70), Rgb(clRed));
  EXPECT_EQ(Client(b, 59, 50), Rgb(clLime));
  EXPECT_EQ(Client(b, 61, 50), Rgb(clRed)) << "the panel's child stops at the panel's edge";
  EXPECT_EQ(Client(b, 160, 20), Rgb(clAqua));
  EXPECT_EQ(hidden->paints, 0);
  EXPECT_FALSE(panel->Canvas()->HasTarget()) << "the canvas lets go after painting";
}

TEST_F(FormFixture, PopupsAndOnPaintDrawOverTheForm) {
  auto* combo = new Swatch<TCustomControl>(&form, clPurple, 40);
  combo->SetParent(&form);
  combo->SetBounds(10, 10, 60, 20);
  auto* below = new Swatch<TCustomControl>(&form, clTeal);
  below->SetParent(&form);
  below->SetBounds(0, 40, 200, 20);
  int painted = 0;
  form.OnPaint = TNotifyEvent::Lambda([&](TObject*) {
    ++painted;
    form.Canvas()->Brush()->SetColor(clMaroon);
    form.Canvas()->FillRect({150, 80, 160, 90});
  });
  TBitmap b;
  RenderForm(form, b);
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(Client(b, 155, 85), Rgb(clMaroon));
  EXPECT_EQ(Client(b, 20, 45), Rgb(clPurple)) << "the open list lies over later controls";
  EXPECT_EQ(Client(b, 100, 45), Rgb(clTeal));
  EXPECT_EQ(Client(b, 20, 69), Rgb(clPurple));
  EXPECT_EQ(Client(b, 20, 70), Rgb(clAqua)) << "the list is 40 pixels long";
}

TEST_F(FormFixture, MenuBarTakesItsRowAboveTheClientArea) {
  auto* menu = new TMainMenu(&form);
  auto* file = new TMenuItem(menu);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  TBitmap b;
  RenderForm(form, b);
  const TFrameMetrics m = FrameMetrics(form);
  EXPECT_EQ(m.menu, 19);
  EXPECT_EQ(b.Height(), 100 + 2 * 3 + 18 + 19);
  EXPECT_EQ(b.Pixel(150, 3 + 18 + 10), Rgb(clMenu));
  int dark = 0;
  for (int y = 3 + 18; y < 3 + 18 + 19; ++y)
    for (int x = 3; x < 40; ++x) dark += (b.Pixel(x, y) & 0xFFFFFF) < 0x404040;
  EXPECT_GT(dark, 5) << "the item caption is drawn";
  EXPECT_EQ(Client(b, 0, 0), Rgb(clAqua));
  file->SetVisible(false);
  EXPECT_EQ(FrameMetrics(form).menu, 0) << "no bar without visible items";
}

TEST_F(FormFixture, OpenMenusAndTheHintLieAboveTheControls) {
  auto* cover = new Swatch<TCustomControl>(&form, clNavy);
  cover->SetParent(&form);
  cover->SetBounds(0, 0, 200, 100);
  cover->SetHint("Pick a department|Long help");
  cover->SetShowHint(true);
  auto* menu = new TPopupMenu(&form);
  auto* item = new TMenuItem(menu);
  item->SetCaption("Open");
  menu->Items()->Add(item);
  form.Show();
  OpenMenu(&form, menu->Items(), {20, 20});
  ActivateHint(cover, {100, 30});
  ASSERT_NE(ActiveHint(), nullptr);
  const TRect hint = ActiveHint()->rect;
  const TRect box = OpenMenuBounds(0);
  TBitmap b;
  RenderForm(form, b);
  EXPECT_EQ(Client(b, box.Right - 4, box.Top + box.Height() / 2), Rgb(clMenu));
  EXPECT_EQ(Client(b, hint.Left + 2, hint.Top + 2), Rgb(clInfoBk));
  EXPECT_EQ(Client(b, 5, 95), Rgb(clNavy));
  CloseMenus();
  CancelHint();
  RenderForm(form, b);
  EXPECT_EQ(Client(b, hint.Left + 2, hint.Top + 2), Rgb(clNavy)) << "nothing left behind";
  form.Hide();
}

TEST_F(FormFixture, ScreenShowsTheModalDialogAboveItsForm) {
  form.SetLeft(30);
  form.SetTop(40);
  form.Show();
  TScriptedUser user;
  TBitmap screen;
  TRect dialogAt;
  user.Answer([&](TCustomForm& dialog) {
    RenderScreen(screen);
    dialogAt = ScreenBounds(dialog);
    dialog.SetModalResult(mrOk);
  });
  MessageDlg("Saved", TMsgDlgType::mtInformation, mbOK);
  ASSERT_EQ(screen.Width(), Screen()->Width());
  EXPECT_EQ(screen.Pixel(2, 2), Rgb(clBackground));
  EXPECT_EQ(screen.Pixel(30 + 3 + 5, 40 + 3 + 18 + 5), Rgb(clAqua)) << "the form at its place";
  EXPECT_NEAR(dialogAt.Left + dialogAt.Width() / 2, Screen()->Width() / 2, 1) << "centred";
  EXPECT_EQ(screen.Pixel(dialogAt.Left + 3, dialogAt.Top + 10), Rgb(clActiveCaption))
      << "the dialog is the active window on top";
  form.Hide();
}

TEST_F(FormFixture, PngFileHoldsTheRenderedWindow) {
  testsupport::TempDir dir;
  RenderToPng(form, dir.File("form.png"));
  TBitmap back;
  back.LoadFromFile(dir.File("form.png"));
  EXPECT_EQ(back.Width(), 206);
  EXPECT_EQ(back.Pixel(3 + 100, 3 + 18 + 50), Rgb(clAqua));
  EXPECT_THROW(RenderToPng(form, dir.File("no/such/folder/form.png")), EInOutError);
}

}  // namespace
}  // namespace vcl
