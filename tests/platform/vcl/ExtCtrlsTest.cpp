#include "platform/vcl/ExtCtrls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/MessageQueue.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;

namespace {

std::string BoundsOf(const TControl* c) {
  return std::to_string(c->Left()) + "," + std::to_string(c->Top()) + " " +
         std::to_string(c->Width()) + "x" + std::to_string(c->Height());
}

// ---------------------------------------------------------------------------------------
// TPanel

TEST(ExtCtrlsPanel, ClientRectShrinksByFrameBevelsAndBorder) {
  struct Case {
    TBevelCut outer, inner;
    int bevelWidth, borderWidth;
    TBorderStyle border;
    int frame;
  };
  const Case cases[] = {
      {TBevelCut::bvRaised, TBevelCut::bvNone, 1, 0, TBorderStyle::bsNone, 1},  // defaults
      {TBevelCut::bvNone, TBevelCut::bvNone, 1, 0, TBorderStyle::bsNone, 0},
      {TBevelCut::bvRaised, TBevelCut::bvLowered, 2, 0, TBorderStyle::bsNone, 4},
      {TBevelCut::bvNone, TBevelCut::bvSpace, 3, 5, TBorderStyle::bsNone, 8},
      {TBevelCut::bvLowered, TBevelCut::bvRaised, 1, 2, TBorderStyle::bsSingle, 5},
  };
  for (const Case& c : cases) {
    TPanel panel(nullptr);
    panel.SetBounds(0, 0, 200, 100);
    panel.SetBevelOuter(c.outer);
    panel.SetBevelInner(c.inner);
    panel.SetBevelWidth(c.bevelWidth);
    panel.SetBorderWidth(c.borderWidth);
    panel.SetBorderStyle(c.border);
    const int f = c.frame;
    EXPECT_EQ(panel.ClientRect(), (TRect{f, f, 200 - f, 100 - f})) << "frame " << f;
    EXPECT_EQ(panel.ClientWidth(), 200 - 2 * f);
  }
  // A panel smaller than its frame has an empty client area.
  TPanel tiny(nullptr);
  tiny.SetBorderWidth(10);
  tiny.SetBounds(0, 0, 15, 15);
  EXPECT_EQ(tiny.ClientWidth(), 0);
  EXPECT_EQ(tiny.ClientHeight(), 0);
}

TEST(ExtCtrlsPanel, AlignedChildrenAreLaidOutInsideTheFrame) {
  TPanel panel(nullptr);
  panel.SetBounds(0, 0, 200, 100);
  panel.SetBevelInner(TBevelCut::bvLowered);
  panel.SetBorderWidth(2);  // frame: 1 + 2 + 1 = 4
  auto* top = new TPanel(&panel);
  top->SetHeight(20);
  top->SetAlign(TAlign::alTop);
  top->SetParent(&panel);
  auto* client = new TPanel(&panel);
  client->SetAlign(TAlign::alClient);
  client->SetParent(&panel);
  EXPECT_EQ(BoundsOf(top), "4,4 192x20");
  EXPECT_EQ(BoundsOf(client), "4,24 192x72");

  // A wider frame lays the children out again.
  panel.SetBevelWidth(3);  // 3 + 2 + 3 = 8
  EXPECT_EQ(BoundsOf(top), "8,8 184x20");
  EXPECT_EQ(BoundsOf(client), "8,28 184x64");
  panel.SetBounds(0, 0, 300, 150);
  EXPECT_EQ(BoundsOf(client), "8,28 284x114");
}

TEST(ExtCtrlsPanel, PublishedProperties) {
  TPanel panel(nullptr);
  EXPECT_EQ(GetEnumProp(&panel, "Alignment"), "taCenter");
  EXPECT_EQ(GetEnumProp(&panel, "BevelOuter"), "bvRaised");
  EXPECT_EQ(GetEnumProp(&panel, "BevelInner"), "bvNone");
  SetEnumProp(&panel, "BevelOuter", "bvLowered");
  SetPropAsString(&panel, "BorderWidth", "3");
  SetPropAsString(&panel, "Caption", "Status");
  EXPECT_EQ(panel.BevelOuter(), TBevelCut::bvLowered);
  EXPECT_EQ(panel.FrameWidth(), 4);
  EXPECT_EQ(panel.Caption(), "Status");
  EXPECT_THROW(SetEnumProp(&panel, "BevelOuter", "bvDeep"), EPropertyConvertError);
}

// ---------------------------------------------------------------------------------------
// TSplitter

// A 400x200 container: `side` aligned (left by default, 100 wide), a splitter aligned the
// same way, and a client-aligned rest.
class ExtCtrlsSplitter : public ::testing::Test {
 protected:
  void Build(TAlign align) {
    moved = 0;
    host = std::make_unique<TPanel>(nullptr);
    host->SetBevelOuter(TBevelCut::bvNone);
    host->SetBounds(0, 0, 400, 200);
    side = new TPanel(host.get());
    side->SetBounds(0, 0, 100, 100);
    if (align == TAlign::alRight) side->SetLeft(300);
    if (align == TAlign::alTop || align == TAlign::alBottom) side->SetHeight(100);
    if (align == TAlign::alBottom) side->SetTop(100);
    side->SetAlign(align);
    side->SetParent(host.get());
    splitter = new TSplitter(host.get());
    splitter->SetAlign(align);
    if (align == TAlign::alTop || align == TAlign::alBottom) splitter->SetHeight(3);
    // Placed on the inner side of `side`.
    splitter->SetBounds(align == TAlign::alRight ? 250 : 150, align == TAlign::alBottom ? 50 : 150,
                        splitter->Width(), splitter->Height());
    splitter->SetParent(host.get());
    rest = new TPanel(host.get());
    rest->SetAlign(TAlign::alClient);
    rest->SetParent(host.get());
    splitter->OnMoved = TNotifyEvent::Lambda([this](TObject*) { ++moved; });
  }
  bool Horizontal() const {
    return splitter->Align() == TAlign::alLeft || splitter->Align() == TAlign::alRight;
  }
  // Mouse messages at a point of the host along the drag axis, sent to the splitter (which
  // keeps the mouse while the button is down).
  void Mouse(UINT msg, int pos) {
    const int x = Horizontal() ? pos - splitter->Left() : 1;
    const int y = Horizontal() ? 1 : pos - splitter->Top();
    splitter->Perform(msg, 0, MakeMousePos(x, y));
  }
  void Drag(int from, int to) {
    Mouse(WM_LBUTTONDOWN, from);
    Mouse(WM_MOUSEMOVE, (from + to) / 2);
    Mouse(WM_MOUSEMOVE, to);
    Mouse(WM_LBUTTONUP, to);
  }
  int SideSize() const { return Horizontal() ? side->Width() : side->Height(); }

  std::unique_ptr<TPanel> host;
  TPanel* side = nullptr;
  TSplitter* splitter = nullptr;
  TPanel* rest = nullptr;
  int moved = 0;
};

TEST_F(ExtCtrlsSplitter, DragResizesTheNeighbourWithinMinSize) {
  // Left: the largest size leaves MinSize (30) for the rest: 400 - 30 - 3 = 367.
  struct Case {
    const char* name;
    bool autoSnap;
    int to;  // mouse position along the axis, starting at 101
    int expected;
  };
  const Case cases[] = {
      {"grow", false, 151, 150},
      {"shrink", false, 61, 60},
      {"below MinSize stops at MinSize", false, 20, 30},
      {"below MinSize snaps shut", true, 20, 0},
      {"exactly MinSize", true, 31, 30},
      {"past the rest's MinSize", false, 399, 367},
  };
  for (const Case& c : cases) {
    Build(TAlign::alLeft);
    EXPECT_EQ(splitter->Left(), 100);
    EXPECT_EQ(splitter->FindResizeControl(), side);
    splitter->SetAutoSnap(c.autoSnap);
    Drag(101, c.to);
    EXPECT_EQ(side->Width(), c.expected) << c.name;
    EXPECT_EQ(splitter->Left(), c.expected) << c.name;
    EXPECT_EQ(rest->Left(), c.expected + 3) << c.name;
    EXPECT_EQ(moved, 1) << c.name;
    EXPECT_FALSE(splitter->Dragging());
  }
}

TEST_F(ExtCtrlsSplitter, EveryAlignmentResizesTheControlBeforeIt) {
  struct Case {
    TAlign align;
    int from, to, expected;
  };
  const Case cases[] = {
      {TAlign::alLeft, 101, 141, 140},
      {TAlign::alRight, 298, 258, 140},  // moving left grows a right-aligned control
      {TAlign::alTop, 101, 71, 70},
      {TAlign::alBottom, 98, 118, 80},  // 200 - 100 - 3 = 97: bottom edge stays
  };
  for (const Case& c : cases) {
    Build(c.align);
    ASSERT_EQ(splitter->FindResizeControl(), side) << int(c.align);
    const TRect before = side->BoundsRect();
    Drag(c.from, c.to);
    EXPECT_EQ(SideSize(), c.expected) << int(c.align);
    // The outer edge of the control stays where it was.
    const TRect after = side->BoundsRect();
    if (c.align == TAlign::alRight) {
      EXPECT_EQ(after.Right, before.Right);
    }
    if (c.align == TAlign::alBottom) {
      EXPECT_EQ(after.Bottom, before.Bottom);
    }
    if (c.align == TAlign::alLeft) {
      EXPECT_EQ(after.Left, before.Left);
    }
  }
}

TEST_F(ExtCtrlsSplitter, ResizeStyleDecidesWhenTheSizeChanges) {
  Build(TAlign::alLeft);
  splitter->SetResizeStyle(TResizeStyle::rsPattern);
  Mouse(WM_LBUTTONDOWN, 101);
  Mouse(WM_MOUSEMOVE, 161);
  EXPECT_EQ(side->Width(), 100);  // only a drag line until the release
  EXPECT_TRUE(splitter->Dragging());
  Mouse(WM_LBUTTONUP, 161);
  EXPECT_EQ(side->Width(), 160);

  Build(TAlign::alLeft);
  splitter->SetResizeStyle(TResizeStyle::rsUpdate);
  Mouse(WM_LBUTTONDOWN, 101);
  Mouse(WM_MOUSEMOVE, 161);
  EXPECT_EQ(side->Width(), 160);
  EXPECT_EQ(moved, 1);
  Mouse(WM_MOUSEMOVE, 131);  // relative to where the splitter is now
  EXPECT_EQ(side->Width(), 130);
  Mouse(WM_LBUTTONUP, 131);
  EXPECT_EQ(side->Width(), 130);
  EXPECT_EQ(moved, 2);
}

TEST_F(ExtCtrlsSplitter, OnCanResizeAdjustsOrRefuses) {
  Build(TAlign::alLeft);
  splitter->OnCanResize = TCanResizeEvent::Lambda([](TObject*, int& size, bool& accept) {
    if (size > 200)
      accept = false;
    else
      size = size / 10 * 10;  // snaps to a 10-pixel raster
  });
  Drag(101, 157);
  EXPECT_EQ(side->Width(), 150);
  Drag(151, 300);
  EXPECT_EQ(side->Width(), 150);
}

TEST_F(ExtCtrlsSplitter, NothingToResizeWithoutANeighbour) {
  Build(TAlign::alLeft);
  side->SetAlign(TAlign::alNone);
  side->SetBounds(0, 150, 50, 40);
  EXPECT_EQ(splitter->FindResizeControl(), nullptr);
  Drag(1, 60);
  EXPECT_FALSE(splitter->Dragging());
  EXPECT_EQ(moved, 0);
}

// ---------------------------------------------------------------------------------------
// TTimer

// Pumps the message queue until `done` or a generous deadline.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    WaitMessage(50);
    ProcessMessages();
  }
  return true;
}

// Pumps for `ms` milliseconds whatever happens.
void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

TEST(ExtCtrlsTimer, FiresThroughTheMessageQueueUntilDisabled) {
  TTimer timer(nullptr);
  timer.SetInterval(5);
  int ticks = 0;
  timer.OnTimer = TNotifyEvent::Lambda([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    if (++ticks == 3) timer.SetEnabled(false);
  });
  EXPECT_TRUE(timer.Running());
  EXPECT_EQ(ticks, 0);  // nothing happens until the queue is pumped
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }));
  EXPECT_FALSE(timer.Running());
  PumpFor(60);
  EXPECT_EQ(ticks, 3);
  // Enabling again resumes.
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }));
}

TEST(ExtCtrlsTimer, DoesNotRunWithoutHandlerIntervalOrEnabled) {
  struct Case {
    const char* name;
    bool enabled;
    int interval;
    bool handler;
  };
  const Case cases[] = {
      {"disabled", false, 5, true},
      {"interval 0", true, 0, true},
      {"no handler", true, 5, false},
  };
  for (const Case& c : cases) {
    TTimer timer(nullptr);
    int ticks = 0;
    timer.SetEnabled(c.enabled);
    timer.SetInterval(c.interval);
    if (c.handler) timer.OnTimer = TNotifyEvent::Lambda([&](TObject*) { ++ticks; });
    EXPECT_FALSE(timer.Running()) << c.name;
    PumpFor(40);
    EXPECT_EQ(ticks, 0) << c.name;
  }
  // Negative intervals count as 0.
  TTimer timer(nullptr);
  timer.SetInterval(-10);
  EXPECT_EQ(timer.Interval(), 0);
}

TEST(ExtCtrlsTimer, AssigningTheHandlerByPropertyStartsIt) {
  TTimer timer(nullptr);
  timer.SetInterval(5);
  EXPECT_FALSE(timer.Running());
  int ticks = 0;
  auto handler = TNotifyEvent::Lambda([&](TObject*) { ++ticks; });
  SetMethodProp(&timer, "OnTimer", handler.Method());
  EXPECT_TRUE(timer.Running());
  EXPECT_TRUE(GetMethodProp(&timer, "OnTimer") == handler.Method());
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  // Clearing it stops the timer.
  SetMethodProp(&timer, "OnTimer", TMethod{});
  EXPECT_FALSE(timer.Running());
  timer.OnTimer = handler;
  EXPECT_TRUE(timer.Running());
  timer.OnTimer = nullptr;
  EXPECT_FALSE(timer.Running());
  // Interval changes keep it running with the new interval.
  timer.OnTimer = handler;
  timer.SetInterval(7);
  EXPECT_TRUE(timer.Running());
  EXPECT_EQ(timer.Interval(), 7);
}

TEST(ExtCtrlsTimer, FreeingStopsItEvenWithTicksPending) {
  int ticks = 0;
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* timer = new TTimer(owner.get());
  timer->SetInterval(1);
  timer->OnTimer = TNotifyEvent::Lambda([&](TObject*) { ++ticks; });
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
  // Let ticks fall due, then free the timer with its owner before they are handled.
  WaitMessage(20);
  const int seen = ticks;
  owner.reset();
  PumpFor(40);
  EXPECT_EQ(ticks, seen);

  // A handler may free its own timer.
  auto* self = new TTimer(nullptr);
  self->SetInterval(1);
  int selfTicks = 0;
  self->OnTimer = TNotifyEvent::Lambda([&](TObject* sender) {
    ++selfTicks;
    delete static_cast<TTimer*>(sender);
  });
  ASSERT_TRUE(PumpUntil([&] { return selfTicks >= 1; }));
  PumpFor(30);
  EXPECT_EQ(selfTicks, 1);
}

// ---------------------------------------------------------------------------------------
// TRadioGroup

class ExtCtrlsRadioGroup : public ::testing::Test {
 protected:
  ExtCtrlsRadioGroup() {
    form.SetBounds(0, 0, 400, 300);
    group = new TRadioGroup(&form);
    group->SetParent(&form);
    group->SetBounds(10, 10, 200, 120);
    group->SetCaption("Size");
    group->OnClick =
        TNotifyEvent::Lambda([this](TObject*) { clicks.push_back(group->ItemIndex()); });
    group->Items()->SetCommaText("Small,Medium,Large");
    form.Show();
  }
  std::string Checks() const {
    std::string s;
    for (int i = 0; i < group->ButtonCount(); ++i) s += group->Buttons(i)->Checked() ? '1' : '0';
    return s;
  }
  TForm form{nullptr};
  TRadioGroup* group;
  std::vector<int> clicks;
};

TEST_F(ExtCtrlsRadioGroup, OneButtonPerItemAndItemIndexChecksIt) {
  ASSERT_EQ(group->ButtonCount(), 3);
  EXPECT_EQ(group->Buttons(1)->Caption(), "Medium");
  EXPECT_EQ(group->Buttons(1)->Parent(), group);
  EXPECT_EQ(group->ItemIndex(), -1);
  EXPECT_EQ(Checks(), "000");

  group->SetItemIndex(2);
  EXPECT_EQ(Checks(), "001");
  group->SetItemIndex(0);
  EXPECT_EQ(Checks(), "100");
  EXPECT_EQ(clicks, (std::vector<int>{2, 0}));
  // Out of range values clamp; -1 clears the check.
  group->SetItemIndex(9);
  EXPECT_EQ(group->ItemIndex(), 2);
  group->SetItemIndex(-1);
  EXPECT_EQ(Checks(), "000");
  EXPECT_EQ(clicks, (std::vector<int>{2, 0, 2}));
  EXPECT_THROW(group->Buttons(3), EListError);
}

TEST_F(ExtCtrlsRadioGroup, ClickingAButtonSelectsItsItem) {
  ClickControl(group->Buttons(1));
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_EQ(Checks(), "010");
  ClickControl(group->Buttons(2));
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_EQ(Checks(), "001");
  EXPECT_EQ(clicks, (std::vector<int>{1, 2}));
}

TEST_F(ExtCtrlsRadioGroup, ItemChangesRebuildTheButtons) {
  group->SetItemIndex(2);
  clicks.clear();
  group->Items()->Delete(2);
  EXPECT_EQ(group->ButtonCount(), 2);
  EXPECT_EQ(group->ItemIndex(), 1);  // moved to the last item that is left
  group->Items()->Put(0, "Tiny");
  EXPECT_EQ(group->Buttons(0)->Caption(), "Tiny");
  group->Items()->Clear();
  EXPECT_EQ(group->ButtonCount(), 0);
  EXPECT_EQ(group->ItemIndex(), -1);
  EXPECT_TRUE(clicks.empty());  // rebuilding is not a click
}

TEST_F(ExtCtrlsRadioGroup, ColumnsArrangeButtonsDownThenAcross) {
  group->Items()->Add("Huge");
  group->SetColumns(2);
  // Four items in two columns: 0 and 1 in the first, 2 and 3 in the second.
  EXPECT_EQ(group->Buttons(0)->Left(), group->Buttons(1)->Left());
  EXPECT_LT(group->Buttons(0)->Top(), group->Buttons(1)->Top());
  EXPECT_GT(group->Buttons(2)->Left(), group->Buttons(0)->Left());
  EXPECT_EQ(group->Buttons(2)->Top(), group->Buttons(0)->Top());
  for (int i = 0; i < group->ButtonCount(); ++i) {
    const TRect r = group->Buttons(i)->BoundsRect();
    EXPECT_LE(r.Right, group->Width()) << i;
    EXPECT_LE(r.Bottom, group->Height()) << i;
  }
  group->SetColumns(0);
  EXPECT_EQ(group->Columns(), 1);
}

TEST_F(ExtCtrlsRadioGroup, DisablingTheGroupDisablesItsButtons) {
  group->SetEnabled(false);
  for (int i = 0; i < group->ButtonCount(); ++i) EXPECT_FALSE(group->Buttons(i)->Enabled());
  group->Items()->Add("Huge");
  EXPECT_FALSE(group->Buttons(3)->Enabled());
  group->SetEnabled(true);
  EXPECT_TRUE(group->Buttons(3)->Enabled());
}

// ---------------------------------------------------------------------------------------
// TImage, TShape

TEST(ExtCtrlsImage, DestRectFollowsStretchProportionalAndCenter) {
  struct Case {
    const char* name;
    int picW, picH;
    bool stretch, proportional, center;
    TRect expected;
  };
  // The image is 100 x 50.
  const Case cases[] = {
      {"plain", 40, 30, false, false, false, {0, 0, 40, 30}},
      {"centred", 40, 30, false, false, true, {30, 10, 70, 40}},
      {"stretched", 40, 30, true, false, false, {0, 0, 100, 50}},
      {"stretched keeping aspect (wide)", 40, 10, true, true, false, {0, 0, 100, 25}},
      {"stretched keeping aspect (tall)", 20, 40, true, true, true, {37, 0, 62, 50}},
      {"proportional shrinks only", 40, 30, false, true, false, {0, 0, 40, 30}},
      {"proportional shrinks a large one", 400, 100, false, true, false, {0, 0, 100, 25}},
  };
  for (const Case& c : cases) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 100, 50);
    TBitmap bitmap;
    bitmap.SetSize(c.picW, c.picH);
    image.SetPicture(&bitmap);
    image.SetStretch(c.stretch);
    image.SetProportional(c.proportional);
    image.SetCenter(c.center);
    EXPECT_EQ(image.DestRect(), c.expected) << c.name;
  }
}

TEST(ExtCtrlsImage, PictureIsACopyAndAutoSizeFollowsIt) {
  TImage image(nullptr);
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  bitmap.SetPixel(1, 1, 0xFF112233);
  image.SetPicture(&bitmap);
  bitmap.SetPixel(1, 1, 0xFF000000);
  EXPECT_EQ(image.Picture()->Pixel(1, 1), 0xFF112233u);
  image.SetAutoSize(true);
  EXPECT_EQ(BoundsOf(&image), "0,0 3x2");
  image.Picture()->SetSize(8, 6);  // changing the picture in place resizes too
  EXPECT_EQ(BoundsOf(&image), "0,0 8x6");
  image.SetPicture(nullptr);
  EXPECT_TRUE(image.Picture()->Empty());
}

TEST(ExtCtrlsShape, ShapeRectInsetsByThePenAndSquaresUp) {
  struct Case {
    TShapeType shape;
    int penWidth;
    TRect expected;
  };
  // The shape control is 60 x 40.
  const Case cases[] = {
      {TShapeType::stRectangle, 1, {0, 0, 60, 40}}, {TShapeType::stRectangle, 4, {2, 2, 59, 39}},
      {TShapeType::stEllipse, 0, {0, 0, 60, 40}},   {TShapeType::stRoundRect, 2, {1, 1, 60, 40}},
      {TShapeType::stSquare, 1, {10, 0, 50, 40}},   {TShapeType::stCircle, 3, {11, 1, 49, 39}},
  };
  for (const Case& c : cases) {
    TShape shape(nullptr);
    shape.SetBounds(0, 0, 60, 40);
    shape.SetShape(c.shape);
    shape.SetPenWidth(c.penWidth);
    EXPECT_EQ(shape.ShapeRect(), c.expected) << int(c.shape) << " pen " << c.penWidth;
  }
  TShape shape(nullptr);
  SetPropAsString(&shape, "BrushColor", "clRed");
  EXPECT_EQ(shape.BrushColor(), clRed);
  SetEnumProp(&shape, "Shape", "stRoundSquare");
  EXPECT_EQ(shape.Shape(), TShapeType::stRoundSquare);
  TBevel bevel(nullptr);
  SetEnumProp(&bevel, "Shape", "bsTopLine");
  SetEnumProp(&bevel, "Style", "bsRaised");
  EXPECT_EQ(bevel.Shape(), TBevelShape::bsTopLine);
  EXPECT_EQ(bevel.Style(), TBevelStyle::bsRaised);
}

}  // namespace
