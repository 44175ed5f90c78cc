// Painting of the common controls (tabs, list and tree views, tool and status bars, the
// animation area), the grids, the tab set, menus, hints and image lists, checked on the
// pixels where they carry meaning.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/Render.h"
#include "platform/vcl/Aligrid.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/Grids.h"
#include "platform/vcl/HintWindow.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"

namespace vcl {
namespace {

constexpr TColor kPaper = clFuchsia;  // what a snapshot starts as: left alone, it stays so

std::string ArtefactPath(const std::string& name) {
  const char* dir = std::getenv("STEWARD_ARTEFACTS");
  return dir && *dir ? std::string(dir) + "/" + name : name;
}

// Paints `control` (with its children) alone into `out`, sized to the control.
void Snapshot(TControl* control, TBitmap& out) {
  out.SetSize(control->Width(), control->Height());
  out.Canvas()->Brush()->SetColor(kPaper);
  out.Canvas()->FillRect({0, 0, out.Width(), out.Height()});
  control->PaintTo(out.View(), {0, 0}, {0, 0, out.Width(), out.Height()});
}

std::uint32_t Rgb(const TBitmap& b, int x, int y) {
  return b.Pixel(x, y) & 0xFFFFFFu;
}
bool Is(const TBitmap& b, int x, int y, TColor color) {
  return Rgb(b, x, y) == ToRgb(color);
}
int Sum(std::uint32_t rgb) {
  return int((rgb >> 16) & 0xFF) + int((rgb >> 8) & 0xFF) + int(rgb & 0xFF);
}
// Ink of black text: dark and not the navy highlight.
bool Dark(std::uint32_t rgb) {
  return Sum(rgb) < 0x120 && (rgb & 0xFF) < 0x60;
}

// Ink of white text (on the highlight).
bool Light(std::uint32_t rgb) {
  return Sum(rgb) > 0x2A0;
}
// Ink of grey text: a middle grey, darker than the button face.
bool Grey(std::uint32_t rgb) {
  const int r = int((rgb >> 16) & 0xFF), g = int((rgb >> 8) & 0xFF), b = int(rgb & 0xFF);
  return std::max({r, g, b}) - std::min({r, g, b}) < 16 && r >= 0x50 && r <= 0xA8;
}

int Count(const TBitmap& b, const TRect& r, const std::function<bool(std::uint32_t)>& pred) {
  int n = 0;
  for (int y = std::max(0, r.Top); y < std::min(b.Height(), r.Bottom); ++y)
    for (int x = std::max(0, r.Left); x < std::min(b.Width(), r.Right); ++x)
      if (pred(Rgb(b, x, y))) ++n;
  return n;
}
int CountColor(const TBitmap& b, const TRect& r, TColor color) {
  const std::uint32_t want = ToRgb(color);
  return Count(b, r, [want](std::uint32_t p) { return p == want; });
}
int CountDark(const TBitmap& b, const TRect& r) {
  return Count(b, r, Dark);
}

// A 16 x 16 image: red with a magenta (transparent) left half.
void AddRedImage(TImageList* list) {
  TBitmap strip;
  strip.SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) strip.SetPixel(x, y, x < 8 ? 0xFFFF00FFu : 0xFFFF0000u);
  list->AddMasked(&strip, clFuchsia);
}

bool Red(std::uint32_t p) {
  return p == 0xFF0000u;
}

// A form for controls, shown so that controls can take the focus.
struct PaintForm {
  PaintForm() {
    form.SetBounds(0, 0, 520, 420);
    other = Make<TEdit>();
    other->SetBounds(400, 380, 80, 21);
    form.Show();
  }
  template <typename T>
  T* Make(TWinControl* parent = nullptr) {
    auto* control = new T(&form);
    control->SetParent(parent ? parent : &form);
    return control;
  }
  TForm form{nullptr};
  TEdit* other = nullptr;  // takes the focus away from the control under test
};

// =========================================================================================
// Image lists

TEST(PaintCommonImageList, DrawLeavesTransparentPixelsOutAndEmbossesWhenDisabled) {
  TImageList images(nullptr);
  AddRedImage(&images);
  struct Case {
    bool enabled;
    bool red;     // the image's own colour shows
    bool shadow;  // the embossed picture's grey shows
  } cases[] = {{true, true, false}, {false, false, true}};
  for (const Case& c : cases) {
    TBitmap b;
    b.SetSize(20, 20);
    b.Canvas()->Brush()->SetColor(clLime);
    b.Canvas()->FillRect({0, 0, 20, 20});
    images.Draw(b.Canvas(), 2, 2, 0, c.enabled);
    // The transparent half keeps the background.
    EXPECT_EQ(CountColor(b, {2, 2, 10, 18}, clLime), 8 * 16) << c.enabled;
    EXPECT_EQ(Count(b, {10, 2, 18, 18}, Red) > 0, c.red) << c.enabled;
    EXPECT_EQ(CountColor(b, {10, 2, 18, 18}, clBtnShadow) > 0, c.shadow) << c.enabled;
  }
  // An index the list does not hold draws nothing.
  TBitmap b;
  b.SetSize(20, 20);
  b.Canvas()->Brush()->SetColor(clLime);
  b.Canvas()->FillRect({0, 0, 20, 20});
  images.Draw(b.Canvas(), 2, 2, 5);
  images.Draw(b.Canvas(), 2, 2, -1);
  EXPECT_EQ(CountColor(b, {0, 0, 20, 20}, clLime), 400);
}

// =========================================================================================
// Tab and page controls

struct PagesSetup : PaintForm {
  template <typename Control = TPageControl>
  void Build() {
    pc = Make<Control>();
    pc->SetBounds(10, 10, 300, 200);
    for (const char* caption : {"One", "Two", "Three"}) {
      auto* sheet = new TTabSheet(&form);
      sheet->SetCaption(caption);
      sheet->SetPageControl(pc);
      sheets.push_back(sheet);
    }
  }
  TPageControl* pc = nullptr;
  std::vector<TTabSheet*> sheets;
};

// A page control drawing its own tabs: red for the selected one, blue for the others.
class ColouredTabs : public TPageControl {
 public:
  explicit ColouredTabs(TComponent* owner) : TPageControl(owner) {}
  struct Drawn {
    int index;
    TRect rect;
    bool active;
    bool bound;  // the canvas had a target
    bool operator==(const Drawn&) const = default;
  };
  std::vector<Drawn> drawn;

 protected:
  void DrawTab(int index, const TRect& rect, bool active) override {
    drawn.push_back({index, rect, active, Canvas()->HasTarget()});
    Canvas()->Brush()->SetColor(active ? clRed : clBlue);
    Canvas()->FillRect(rect);
    TPageControl::DrawTab(index, rect, active);
  }
};

TEST(PaintCommonTabs, OwnerDrawnTabsAreDrawnByDrawTabForEachVisibleTab) {
  PagesSetup f;
  f.Build<ColouredTabs>();
  auto* pc = static_cast<ColouredTabs*>(f.pc);
  f.sheets[1]->SetTabVisible(false);
  pc->SetActivePage(f.sheets[2]);
  pc->SetOwnerDraw(true);
  int events = 0;
  pc->OnDrawTab =
      TDrawTabEvent::Lambda([&](TCustomTabControl*, int, const TRect&, bool) { ++events; });
  TBitmap b;
  Snapshot(pc, b);
  using D = ColouredTabs::Drawn;
  EXPECT_EQ(pc->drawn,
            (std::vector<D>{{0, pc->TabRect(0), false, true}, {1, pc->TabRect(1), true, true}}));
  EXPECT_EQ(events, 2);  // the default DrawTab runs the event
  const TRect inactive = pc->TabRect(0), active = pc->TabRect(1);
  EXPECT_EQ(CountColor(b, inactive, clBlue), inactive.Width() * inactive.Height());
  EXPECT_EQ(CountColor(b, active, clRed), active.Width() * active.Height());
  // Not owner-drawn: the control draws its tabs itself.
  pc->drawn.clear();
  pc->SetOwnerDraw(false);
  Snapshot(pc, b);
  EXPECT_TRUE(pc->drawn.empty());
  EXPECT_EQ(CountColor(b, {0, 0, pc->Width(), pc->Height()}, clRed), 0);
}

TEST(PaintCommonTabs, TheSelectedTabStandsOutAndJoinsThePage) {
  // The selected tab reaches the strip's outer edge (lit on top, dark at the bottom) and
  // covers the page frame below it; the others stop short of the edge.
  struct Case {
    TTabPosition position;
    TColor outerEdge;
  } cases[] = {{TTabPosition::tpTop, clBtnHighlight}, {TTabPosition::tpBottom, cl3DDkShadow}};
  for (const Case& c : cases) {
    PagesSetup f;
    f.Build();
    f.pc->SetTabPosition(c.position);
    const bool top = c.position == TTabPosition::tpTop;
    const int h = f.pc->Height();
    const int outer = top ? 0 : h - 1;    // the strip's outer edge
    const int frame = top ? 20 : h - 21;  // the page frame's outer line
    for (int selected : {0, 2}) {
      f.pc->SetActivePage(f.sheets[selected]);
      TBitmap b;
      Snapshot(f.pc, b);
      for (int tab = 0; tab < 3; ++tab) {
        const TRect r = f.pc->TabRect(tab);
        const int x = r.Left + r.Width() / 2;
        const bool on = tab == selected;
        EXPECT_EQ(Is(b, x, outer, c.outerEdge), on) << "tab " << tab << " selected " << selected;
        EXPECT_EQ(Is(b, x, outer, clBtnFace), !on) << "tab " << tab << " selected " << selected;
        EXPECT_EQ(Is(b, x, frame, clBtnFace), on) << "tab " << tab << " selected " << selected;
        // Each caption is written on its tab.
        EXPECT_GT(CountDark(b, {r.Left + 2, r.Top + 3, r.Right - 2, r.Bottom - 3}), 0) << tab;
      }
    }
  }
}

TEST(PaintCommonTabs, TabsThatDoNotFitGetScrollArrowsAndSheetsFillThePage) {
  PagesSetup f;
  f.Build();
  f.pc->SetActivePage(f.sheets[0]);
  f.sheets[0]->SetColor(clAqua);
  TBitmap b;
  Snapshot(f.pc, b);
  const int w = f.pc->Width();
  // Everything fits: the end of the strip is empty.
  EXPECT_EQ(CountColor(b, {w - 32, 0, w, 20}, clBtnFace), 32 * 20);
  // The active sheet fills the page with its colour.
  const TRect page = f.pc->DisplayRect();
  EXPECT_EQ(CountColor(b, page, clAqua), page.Width() * page.Height());
  // The last tab crosses the right edge: two arrow buttons end the strip, over the tab.
  f.pc->SetWidth(100);
  Snapshot(f.pc, b);
  for (int right : {100 - 16, 100})
    EXPECT_TRUE(Is(b, right - 1, 17, cl3DDkShadow)) << right;  // each button's dark corner
  EXPECT_GT(CountDark(b, {100 - 28, 6, 100 - 20, 14}), 2);     // the left arrow
}

// =========================================================================================
// List view

struct ListSetup : PaintForm {
  ListSetup() {
    lv = Make<TListView>();
    lv->SetBounds(10, 10, 250, 150);
  }
  void AddItems(int n) {
    for (int i = 0; i < n; ++i) {
      TListItem* item = lv->Items()->Add();
      item->SetCaption("Item " + std::to_string(i));
      item->SubItems()->Add("Sub " + std::to_string(i));
    }
  }
  void AddColumns() {
    for (const char* caption : {"Name", "Value"}) {
      TListColumn* column = lv->Columns()->Add();
      column->SetCaption(caption);
      column->SetWidth(100);
    }
  }
  TListView* lv = nullptr;
};

TEST(PaintCommonListView, ReportShowsTheHeaderAndTheSelectionAsTheFocusAllows) {
  struct Case {
    bool focused;
    bool hideSelection;
    TColor selection;  // the colour around the selected caption
  } cases[] = {{true, true, clHighlight},
               {true, false, clHighlight},
               {false, false, clBtnFace},
               {false, true, clWindow}};
  for (const Case& c : cases) {
    ListSetup f;
    f.lv->SetViewStyle(TViewStyle::vsReport);
    f.AddColumns();
    f.AddItems(3);
    f.lv->SetHideSelection(c.hideSelection);
    f.lv->SetItemIndex(1);
    if (c.focused) f.lv->SetFocus();
    TBitmap b;
    Snapshot(f.lv, b);
    const TRect row = f.lv->ItemRect(1), other = f.lv->ItemRect(2);
    EXPECT_TRUE(Is(b, 3, row.Top + 1, c.selection)) << c.focused << c.hideSelection;
    EXPECT_TRUE(Is(b, 3, other.Top + 1, clWindow)) << c.focused << c.hideSelection;
    // Selected text is white on the highlight; the sub-item column keeps black text.
    const TRect caption{4, row.Top, 60, row.Bottom};
    EXPECT_EQ(CountDark(b, caption) == 0, c.selection == clHighlight);
    if (c.selection == clHighlight) {
      EXPECT_GT(Count(b, caption, Light), 5);
    }
    EXPECT_GT(CountDark(b, {104, row.Top, 200, row.Bottom}), 0);
    // The header: raised sections in the button face with their captions.
    EXPECT_GT(CountColor(b, {2, 2, 200, 18}, clBtnFace), 100);
    EXPECT_GT(CountDark(b, {4, 3, 96, 18}), 0);
    EXPECT_GT(CountDark(b, {104, 3, 196, 18}), 0);
    EXPECT_TRUE(Is(b, 100, 10, clBtnHighlight));  // the second section's lit left edge
  }
}

TEST(PaintCommonListView, EveryViewStyleWritesEachCaptionInItsItem) {
  for (TViewStyle style :
       {TViewStyle::vsIcon, TViewStyle::vsSmallIcon, TViewStyle::vsList, TViewStyle::vsReport}) {
    ListSetup f;
    f.lv->SetViewStyle(style);
    f.AddItems(4);
    TBitmap b;
    Snapshot(f.lv, b);
    for (int i = 0; i < 4; ++i) {
      TRect r = f.lv->ItemRect(i);
      // Icons leave their image area above the caption.
      if (style == TViewStyle::vsIcon) r.Top += 34;
      r.Right = std::min(r.Right, r.Left + 100);
      EXPECT_GT(CountDark(b, r), 10) << int(style) << " item " << i;
    }
    // Beyond the items the list is blank.
    const TRect last = f.lv->ItemRect(3);
    EXPECT_EQ(CountDark(b, {2, last.Bottom + 2, 230, 140}), 0) << int(style);
  }
}

TEST(PaintCommonListView, ScrollBarsShowOnlyWhenItemsOverflow) {
  struct Case {
    TViewStyle style;
    int items;
    bool vertical;
    bool horizontal;
  } cases[] = {
      {TViewStyle::vsReport, 3, false, false}, {TViewStyle::vsReport, 30, true, false},
      {TViewStyle::vsIcon, 3, false, false},   {TViewStyle::vsIcon, 30, true, false},
      {TViewStyle::vsList, 3, false, false},   {TViewStyle::vsList, 60, false, true},
  };
  for (const Case& c : cases) {
    ListSetup f;
    f.lv->SetViewStyle(c.style);
    f.AddItems(c.items);
    TBitmap b;
    Snapshot(f.lv, b);
    const int w = f.lv->Width(), h = f.lv->Height();
    // The bars' tracks along the right and bottom edges.
    const TRect right{w - 2 - kScrollBarSize, 30, w - 2, h - 20};
    const TRect bottom{20, h - 2 - kScrollBarSize, w - 40, h - 2};
    EXPECT_EQ(CountColor(b, right, clScrollBar) > 0, c.vertical) << int(c.style) << " " << c.items;
    EXPECT_EQ(CountColor(b, bottom, clScrollBar) > 0, c.horizontal)
        << int(c.style) << " " << c.items;
  }
}

TEST(PaintCommonListView, CheckBoxesAndImagesLeadTheRows) {
  ListSetup f;
  TImageList images(nullptr);
  AddRedImage(&images);
  f.lv->SetViewStyle(TViewStyle::vsReport);
  f.lv->SetCheckboxes(true);
  f.lv->SetSmallImages(&images);
  f.AddColumns();
  f.AddItems(2);
  f.lv->Items()->Item(0)->SetChecked(true);
  f.lv->Items()->Item(0)->SetImageIndex(0);
  TBitmap b;
  Snapshot(f.lv, b);
  const TRect checked = f.lv->ItemRect(0), unchecked = f.lv->ItemRect(1);
  // The check box's inside (left of the image) holds the tick only when checked.
  EXPECT_GT(CountDark(b, {4, checked.Top + 3, 13, checked.Bottom - 3}), 5);
  EXPECT_EQ(CountDark(b, {5, unchecked.Top + 4, 13, unchecked.Bottom - 4}), 0);
  EXPECT_GT(Count(b, {18, checked.Top, 40, checked.Bottom}, Red), 20);
  EXPECT_EQ(Count(b, {18, unchecked.Top, 40, unchecked.Bottom}, Red), 0);
}

// =========================================================================================
// Tree view

TEST(PaintCommonTreeView, ExpandButtonsShowPlusOrMinusAndTheSelectionIsHighlighted) {
  for (bool expanded : {false, true}) {
    PaintForm f;
    auto* tv = f.Make<TTreeView>();
    tv->SetBounds(10, 10, 150, 100);
    TTreeNode* root = tv->Items()->Add(nullptr, "Root");
    TTreeNode* child = tv->Items()->AddChild(root, "Child");
    tv->Items()->Add(nullptr, "Leaf");
    root->SetExpanded(expanded);
    if (expanded) {
      tv->SetSelected(child);
      tv->SetFocus();
    }
    TBitmap b;
    Snapshot(tv, b);
    // Root's button: a box centred on (9, 8) (half an indent left of the text at 19).
    const int cx = tv->Indent() - tv->Indent() / 2, cy = 8;
    EXPECT_TRUE(Dark(Rgb(b, cx - 2, cy)));
    EXPECT_TRUE(Dark(Rgb(b, cx + 2, cy)));
    EXPECT_EQ(Dark(Rgb(b, cx, cy - 2)), !expanded) << "vertical bar of the plus";
    EXPECT_TRUE(Is(b, cx - 4, cy, clGray));  // the box's frame
    // Texts sit right of the buttons; the selected child is on the highlight.
    EXPECT_GT(CountDark(b, {20, 0, 80, 17}), 5);
    if (expanded) {
      const TRect row = child->DisplayRect();
      EXPECT_TRUE(Is(b, 2 * tv->Indent() + 2, row.Top + 1, clHighlight));
      EXPECT_GT(Count(b, {2 * tv->Indent(), row.Top, 100, row.Bottom}, Light), 5);
      EXPECT_EQ(CountDark(b, {2 * tv->Indent(), row.Top, 100, row.Bottom}), 0);
    } else {
      EXPECT_EQ(CountColor(b, {0, 0, 150, 100}, clHighlight), 0);
    }
  }
}

TEST(PaintCommonTreeView, AScrollBarShowsWhenNodesOverflow) {
  for (int nodes : {3, 12}) {
    PaintForm f;
    auto* tv = f.Make<TTreeView>();
    tv->SetBounds(10, 10, 150, 100);
    for (int i = 0; i < nodes; ++i) tv->Items()->Add(nullptr, "Node " + std::to_string(i));
    TBitmap b;
    Snapshot(tv, b);
    const TRect bar{150 - 2 - kScrollBarSize, 20, 148, 80};
    EXPECT_EQ(CountColor(b, bar, clScrollBar) > 0, nodes * 17 > 96) << nodes;
  }
}

// =========================================================================================
// Tool bar

TEST(PaintCommonToolBar, ButtonsShowDownAndUpFlatOrRaisedAndDisabledImagesEmbossed) {
  struct Case {
    bool flat;
    bool down;
    TColor corner;  // top-left pixel of the button face
  } cases[] = {{false, false, clBtnHighlight},
               {false, true, clBtnShadow},
               {true, false, clBtnFace},
               {true, true, clBtnShadow}};
  for (const Case& c : cases) {
    PaintForm f;
    TImageList images(nullptr);
    AddRedImage(&images);
    auto* bar = f.Make<TToolBar>();
    bar->SetImages(&images);
    bar->SetFlat(c.flat);
    auto* button = new TToolButton(&f.form);
    button->SetParent(bar);
    button->SetStyle(TToolButtonStyle::tbsCheck);
    button->SetImageIndex(0);
    button->SetDown(c.down);
    auto* disabled = new TToolButton(&f.form);
    disabled->SetParent(bar);
    disabled->SetImageIndex(0);
    disabled->SetEnabled(false);
    TBitmap b;
    Snapshot(bar, b);
    const TRect r = button->BoundsRect(), d = disabled->BoundsRect();
    EXPECT_TRUE(Is(b, r.Left, r.Top, c.corner)) << c.flat << c.down;
    // Down buttons get a dithered face of highlight pixels; up ones do not.
    EXPECT_EQ(CountColor(b, {r.Left + 2, r.Top + 2, r.Left + 5, r.Bottom - 2}, clBtnHighlight) > 0,
              c.down)
        << c.flat << c.down;
    EXPECT_GT(Count(b, r, Red), 50);
    // The disabled image: no red, its red half embossed in grey.
    EXPECT_EQ(Count(b, d, Red), 0);
    EXPECT_GT(CountColor(b, {d.Left + 12, d.Top + 3, d.Left + 20, d.Top + 19}, clBtnShadow), 50);
  }
}

// =========================================================================================
// Status bar and animation

TEST(PaintCommonStatusBar, PanelsHaveBevelsAndTextsAndOwnerDrawnPanelsDrawThemselves) {
  PaintForm f;
  auto* sb = f.Make<TStatusBar>();
  sb->SetAlign(TAlign::alNone);
  sb->SetBounds(0, 0, 300, 20);
  for (const char* text : {"Ready", "", "Owner"}) {
    TStatusPanel* panel = sb->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(100);
  }
  sb->Panels()->Items(1)->SetBevel(TStatusPanelBevel::pbRaised);
  sb->Panels()->Items(2)->SetStyle(TStatusPanelStyle::psOwnerDraw);
  bool bound = false;
  sb->OnDrawPanel = TDrawPanelEvent::Lambda([&](TStatusBar* bar, TStatusPanel*, const TRect& r) {
    bound = bar->Canvas()->HasTarget();
    bar->Canvas()->Brush()->SetColor(clLime);
    bar->Canvas()->FillRect({r.Left + 4, 4, r.Left + 20, 16});
  });
  TBitmap b;
  Snapshot(sb, b);
  EXPECT_TRUE(Is(b, 0, 2, clBtnShadow));       // lowered: shadow at the top-left
  EXPECT_TRUE(Is(b, 100, 2, clBtnHighlight));  // raised
  EXPECT_GT(CountDark(b, {2, 3, 96, 19}), 10);
  EXPECT_TRUE(bound);
  EXPECT_EQ(CountColor(b, {204, 4, 220, 16}, clLime), 16 * 12);
  EXPECT_EQ(CountDark(b, {220, 3, 280, 19}), 0);  // its text is the owner's business
  // The size grip's ridges in the corner.
  EXPECT_GT(CountColor(b, {286, 6, 300, 20}, clBtnShadow), 10);
  // The simple panel shows only its text.
  sb->SetSimplePanel(true);
  sb->SetSimpleText("Simple");
  Snapshot(sb, b);
  EXPECT_GT(CountDark(b, {2, 2, 60, 20}), 10);
  EXPECT_TRUE(Is(b, 100, 2, clBtnFace));
  EXPECT_EQ(CountColor(b, {200, 0, 280, 20}, clLime), 0);
}

TEST(PaintCommonAnimate, TheClipAreaShowsHowFarItPlayed) {
  PaintForm f;
  auto* an = f.Make<TAnimate>();
  an->SetBounds(0, 0, 300, 80);
  TBitmap b;
  Snapshot(an, b);
  EXPECT_TRUE(Is(b, 0, 0, clBtnShadow));
  EXPECT_TRUE(Is(b, 150, 40, clBtnFace));  // no clip
  an->SetCommonAVI(TCommonAVI::aviCopyFiles);
  an->SetOpen(true);
  an->Seek(8);  // half of 16 frames
  Snapshot(an, b);
  const int bar = CountColor(b, {0, 0, 300, 80}, clHighlight);
  EXPECT_TRUE(Is(b, 150, 40, clWindow));
  EXPECT_GT(bar, 100);
  an->Seek(16);
  Snapshot(an, b);
  EXPECT_NEAR(CountColor(b, {0, 0, 300, 80}, clHighlight), 2 * bar, 8);
}

// =========================================================================================
// Grids

struct GridSetup : PaintForm {
  template <typename Grid = TStringGrid>
  Grid* Build() {
    auto* g = Make<Grid>();
    g->SetBounds(10, 10, 330, 130);
    g->SetColCount(5);
    g->SetRowCount(5);
    grid = g;
    return g;
  }
  TStringGrid* grid = nullptr;
};

TEST(PaintCommonGrid, FixedCellsAreGreySelectedOnesNavyAndTheFocusedCellKeepsItsColour) {
  struct Case {
    bool focused;
    TColor current;  // the current cell (the selection's top-left)
  } cases[] = {{true, clWindow}, {false, clHighlight}};
  for (const Case& c : cases) {
    GridSetup f;
    TStringGrid* g = f.Build();
    g->SetCells(0, 1, "Head");
    g->SetCells(3, 3, "Text");
    g->SetSelection({2, 2, 3, 3});
    if (c.focused) g->SetFocus();
    TBitmap b;
    Snapshot(g, b);
    auto middle = [&](int col, int row) {
      const TRect r = g->CellRect(col, row);
      return TPoint{r.Left + r.Width() / 2, r.Bottom - 3};
    };
    const TPoint fixed = middle(0, 1), current = middle(2, 2), selected = middle(3, 2),
                 plain = middle(4, 4);
    EXPECT_TRUE(Is(b, fixed.X, fixed.Y, clBtnFace)) << c.focused;
    EXPECT_TRUE(Is(b, current.X, current.Y, c.current)) << c.focused;
    EXPECT_TRUE(Is(b, selected.X, selected.Y, clHighlight)) << c.focused;
    EXPECT_TRUE(Is(b, plain.X, plain.Y, clWindow)) << c.focused;
    // Fixed cells are raised; texts are written (white on the highlight).
    const TRect head = g->CellRect(0, 1);
    EXPECT_TRUE(Is(b, head.Left + 3, head.Top, clBtnHighlight));
    EXPECT_GT(CountDark(b, head), 5);
    EXPECT_GT(Count(b, g->CellRect(3, 3), Light), 5);
    EXPECT_EQ(CountDark(b, g->CellRect(3, 3)), 0);
    // The focused cell has a dotted focus rectangle.
    const TRect cur = g->CellRect(2, 2);
    EXPECT_EQ(CountColor(b, {cur.Left, cur.Top, cur.Right, cur.Top + 1}, clBlack) > 0, c.focused);
  }
}

TEST(PaintCommonGrid, CellDrawingGoesThroughDrawCellWithTheCanvasBound) {
  // With DefaultDrawing the cell is filled and its text written before OnDrawCell; without
  // it, OnDrawCell alone draws.
  for (bool defaultDrawing : {true, false}) {
    GridSetup f;
    TStringGrid* g = f.Build();
    g->SetDefaultDrawing(defaultDrawing);
    g->SetCells(2, 2, "Text");
    std::set<std::pair<int, int>> drawn;
    bool bound = true;
    g->OnDrawCell =
        TDrawCellEvent::Lambda([&](TObject*, int col, int row, const TRect& r, TGridDrawState) {
          drawn.insert({col, row});
          bound = bound && g->Canvas()->HasTarget();
          if (col == 3 && row == 3) {
            g->Canvas()->Brush()->SetColor(clLime);
            g->Canvas()->FillRect({r.Left, r.Top, r.Left + 10, r.Top + 10});
          }
        });
    TBitmap b;
    Snapshot(g, b);
    EXPECT_EQ(drawn.size(), 25u);
    EXPECT_TRUE(bound);
    const TRect lime = g->CellRect(3, 3), text = g->CellRect(2, 2);
    EXPECT_EQ(CountColor(b, {lime.Left, lime.Top, lime.Left + 10, lime.Top + 10}, clLime), 100);
    EXPECT_EQ(CountDark(b, text) > 5, defaultDrawing);
  }
}

// A grid drawing every cell itself: green.
class GreenGrid : public TDrawGrid {
 public:
  explicit GreenGrid(TComponent* owner) : TDrawGrid(owner) {}

 protected:
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override {
    Canvas()->Brush()->SetColor(clGreen);
    Canvas()->FillRect(rect);
    TDrawGrid::DrawCell(col, row, rect, state);
  }
};

TEST(PaintCommonGrid, ADerivedGridDrawsItsCellsAndScrolledGridsShowBars) {
  PaintForm f;
  auto* g = f.Make<GreenGrid>();
  g->SetBounds(0, 0, 200, 100);
  g->SetColCount(3);
  g->SetRowCount(3);
  TBitmap b;
  Snapshot(g, b);
  const TRect cell = g->CellRect(2, 2);
  EXPECT_EQ(CountColor(b, cell, clGreen), cell.Width() * cell.Height());
  // 3 x 3 cells fit: no scroll bars.
  EXPECT_EQ(CountColor(b, {184, 2, 198, 98}, clScrollBar), 0);
  g->SetRowCount(20);
  g->SetColCount(20);
  g->SetTopRow(5);
  Snapshot(g, b);
  EXPECT_EQ(CountColor(b, {200 - 2 - kScrollBarSize, 2, 198, 80}, clGreen), 0);
  EXPECT_EQ(CountColor(b, {2, 100 - 2 - kScrollBarSize, 180, 98}, clGreen), 0);
  EXPECT_GT(CountColor(b, {200 - 2 - kScrollBarSize, 2, 198, 80}, clScrollBar), 10);
  EXPECT_GT(CountColor(b, {2, 100 - 2 - kScrollBarSize, 180, 98}, clScrollBar), 10);
}

TEST(PaintCommonAlignGrid, CellsShowTheirColourAndAlignment) {
  struct Case {
    TAlignment alignment;
    bool inkLeft, inkRight;  // text in the cell's left and right thirds
  } cases[] = {{TAlignment::taLeftJustify, true, false},
               {TAlignment::taRightJustify, false, true},
               {TAlignment::taCenter, false, false}};
  for (const Case& c : cases) {
    GridSetup f;
    auto* g = f.Build<TStringAlignGrid>();
    g->SetColWidths(2, 120);
    g->SetCells(2, 2, "Ab");
    g->SetAlignCol(2, c.alignment);
    g->SetCellColor(2, 2, clYellow);
    g->SetColColor(3, clAqua);
    g->SetRowColor(3, clLime);  // the row wins over the column
    TBitmap b;
    Snapshot(g, b);
    const TRect cell = g->CellRect(2, 2);
    EXPECT_TRUE(Is(b, cell.Left + 60, cell.Bottom - 2, clYellow));
    const TRect c31 = g->CellRect(3, 1), c33 = g->CellRect(3, 3);
    EXPECT_TRUE(Is(b, c31.Left + 5, c31.Bottom - 2, clAqua));
    EXPECT_TRUE(Is(b, c33.Left + 5, c33.Bottom - 2, clLime));
    const int third = cell.Width() / 3;
    EXPECT_EQ(CountDark(b, {cell.Left, cell.Top, cell.Left + third, cell.Bottom}) > 0, c.inkLeft);
    EXPECT_EQ(CountDark(b, {cell.Right - third, cell.Top, cell.Right, cell.Bottom}) > 0,
              c.inkRight);
    EXPECT_GT(CountDark(b, cell), 5);
  }
}

// =========================================================================================
// Tab set

TEST(PaintCommonTabSet, TheSelectedTabHasItsColourAndJoinsTheLine) {
  PaintForm f;
  auto* ts = f.Make<TTabSet>();
  ts->SetBounds(0, 0, 300, 21);
  for (const char* tab : {"First", "Second", "Third"}) ts->Tabs()->Add(tab);
  ts->SetTabIndex(1);
  TBitmap b;
  Snapshot(ts, b);
  for (int i = 0; i < 3; ++i) {
    const TRect r = ts->ItemRect(i);
    const bool selected = i == 1;
    EXPECT_TRUE(Is(b, r.Right - 6, 2, selected ? clBtnFace : clWindow)) << i;
    EXPECT_EQ(Is(b, r.Left + 6, 0, cl3DDkShadow), !selected) << i;
    EXPECT_GT(CountDark(b, {r.Left + 4, 2, r.Right - 4, 19}), 5) << i;
  }
}

// =========================================================================================
// Menus

struct MenuSetup : PaintForm {
  MenuSetup() {
    popup = new TPopupMenu(&form);
    for (const char* caption : {"&Open", "-", "Disabled", "More"}) {
      auto* item = new TMenuItem(&form);
      item->SetCaption(caption);
      popup->Items()->Add(item);
    }
    popup->Items()->Items(0)->SetShortCut(ShortCut('O', ssCtrl));
    popup->Items()->Items(0)->SetChecked(true);
    popup->Items()->Items(2)->SetEnabled(false);
    auto* sub = new TMenuItem(&form);
    sub->SetCaption("Inside");
    popup->Items()->Items(3)->Add(sub);
  }
  // The rows of open level `level`: their top and bottom, by item index.
  std::map<int, std::pair<int, int>> Rows(int level) {
    std::map<int, std::pair<int, int>> rows;
    const TRect box = OpenMenuBounds(level);
    for (int y = box.Top; y < box.Bottom; ++y) {
      const int index = OpenMenuItemAt(level, {box.Left + 10, y});
      if (index < 0) continue;
      auto [it, added] = rows.emplace(index, std::make_pair(y, y + 1));
      if (!added) it->second.second = y + 1;
    }
    return rows;
  }
  void Paint(TBitmap& b) {
    b.SetSize(form.Width(), form.Height());
    b.Canvas()->Brush()->SetColor(kPaper);
    b.Canvas()->FillRect({0, 0, b.Width(), b.Height()});
    PaintOpenMenus(b.Canvas(), form, {0, 0});
  }
  TPopupMenu* popup = nullptr;
};

TEST(PaintCommonMenus, APopupMenuIsOpenAndDrawnWhileItsHandlerRuns) {
  MenuSetup f;
  TBitmap b;
  bool ran = false;
  TPopupMenuHandler previous = SetPopupMenuHandler([&](TPopupMenu& menu, int, int) {
    ran = true;
    ASSERT_EQ(OpenMenus().size(), 1u);
    EXPECT_EQ(OpenMenuForm(), &f.form);
    EXPECT_EQ(OpenMenus()[0].items, menu.Items());
    const TRect box = OpenMenuBounds(0);
    EXPECT_EQ(box.Left, 40);
    EXPECT_EQ(box.Top, 30);
    SelectOpenMenuItem(0, 0);
    f.Paint(b);
    const auto rows = f.Rows(0);
    ASSERT_EQ(rows.size(), 3u);  // the separator is no item
    const auto [openTop, openBottom] = rows.at(0);
    const auto [offTop, offBottom] = rows.at(2);
    // The highlighted item is white on navy, its shortcut right-aligned.
    EXPECT_TRUE(Is(b, box.Left + 5, openTop + 1, clHighlight));
    EXPECT_GT(Count(b, {box.Left + 20, openTop, box.Left + 60, openBottom}, Light), 5);
    EXPECT_GT(Count(b, {box.Right - 60, openTop, box.Right - 20, openBottom}, Light), 5);
    // The disabled item is grey (embossed), without black ink.
    const TRect off{box.Left + 18, offTop, box.Right - 4, offBottom};
    EXPECT_GT(Count(b, off, Grey), 5);
    EXPECT_EQ(CountDark(b, off), 0);
    EXPECT_TRUE(Is(b, box.Left, box.Top, clBtnHighlight));  // raised box
    // A sub-menu opens beside its item.
    SelectOpenMenuItem(0, 3);
    ASSERT_EQ(OpenMenus().size(), 2u);
    const TRect sub = OpenMenuBounds(1);
    EXPECT_EQ(sub.Left, box.Right - 3);
    EXPECT_EQ(sub.Top, rows.at(3).first - 3);
    f.Paint(b);
    EXPECT_GT(CountDark(b, sub), 10);
  });
  f.form.SetLeft(100);
  f.form.SetTop(50);
  f.popup->SetPopupComponent(f.other);
  f.popup->Popup(140, 80);
  SetPopupMenuHandler(previous);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(OpenMenuForm(), nullptr);
}

TEST(PaintCommonMenus, TheMenuBarHighlightsItsSelectedItemAndDropsItDown) {
  PaintForm f;
  auto* menu = new TMainMenu(&f.form);
  for (const char* caption : {"&File", "&Edit"}) {
    auto* top = new TMenuItem(&f.form);
    top->SetCaption(caption);
    auto* item = new TMenuItem(&f.form);
    item->SetCaption("Item");
    top->Add(item);
    menu->Items()->Add(top);
  }
  SelectMainMenuItem(&f.form, 1, true);
  EXPECT_EQ(SelectedMainMenuItem(menu), 1);
  ASSERT_EQ(OpenMenus().size(), 1u);
  EXPECT_EQ(OpenMenus()[0].items, menu->Items()->Items(1));
  const TRect file = MenuBarItemRect(menu, 0), edit = MenuBarItemRect(menu, 1);
  EXPECT_EQ(OpenMenus()[0].origin, (TPoint{edit.Left, 0}));
  TBitmap b;
  b.SetSize(300, MenuBarHeight(menu));
  PaintMenuBar(b.Canvas(), menu, {0, 0, 300, MenuBarHeight(menu)});
  EXPECT_TRUE(Is(b, edit.Left + 2, 2, clHighlight));
  EXPECT_GT(Count(b, edit, Light), 5);
  EXPECT_TRUE(Is(b, file.Left + 2, 2, clMenu));
  EXPECT_GT(CountDark(b, file), 5);
  CloseMenus();
  EXPECT_EQ(SelectedMainMenuItem(menu), -1);
  EXPECT_TRUE(OpenMenus().empty());
}

TEST(PaintCommonMenus, OpenMenusCloseWhenTheirMenuOrFormIsFreed) {
  for (bool freeForm : {false, true}) {
    auto f = std::make_unique<MenuSetup>();
    OpenMenu(&f->form, f->popup->Items(), {10, 10});
    SelectOpenMenuItem(0, 3);
    ASSERT_EQ(OpenMenus().size(), 2u);
    if (freeForm)
      f.reset();
    else
      delete f->popup;
    EXPECT_TRUE(OpenMenus().empty()) << freeForm;
    EXPECT_EQ(OpenMenuForm(), nullptr) << freeForm;
  }
}

// =========================================================================================
// Hints

struct HintSetup : PaintForm {
  HintSetup() {
    button = Make<TButton>();
    button->SetBounds(50, 60, 75, 25);
    button->SetHint("Saves the file|Saves the file under its name");
    button->SetShowHint(true);
  }
  ~HintSetup() { Application()->SetShowHint(true); }
  TButton* button = nullptr;
};

TEST(PaintCommonHint, AControlsShortHintShowsBelowTheMouseWhenHintsAreOn) {
  struct Case {
    bool controlShows;
    bool applicationShows;
    const char* hint;
    const char* shown;  // nullptr: no hint
  } cases[] = {
      {true, true, "Saves the file|Long text", "Saves the file"},
      {true, true, "Plain", "Plain"},
      {false, true, "Saves the file", nullptr},
      {true, false, "Saves the file", nullptr},
      {true, true, "", nullptr},
      {true, true, "|Only a long hint", nullptr},
  };
  for (const Case& c : cases) {
    HintSetup f;
    f.button->SetHint(c.hint);
    f.button->SetShowHint(c.controlShows);
    Application()->SetShowHint(c.applicationShows);
    ActivateHint(f.button, {10, 5});
    const THintInfo* hint = ActiveHint();
    ASSERT_EQ(hint != nullptr, c.shown != nullptr) << c.hint;
    if (!hint) continue;
    EXPECT_EQ(hint->text, c.shown);
    EXPECT_EQ(hint->form, &f.form);
    const TRect size = CalcHintRect(c.shown, nullptr, Screen()->Width());
    EXPECT_EQ(hint->rect.Left, 60);
    EXPECT_GT(hint->rect.Top, 65);
    EXPECT_EQ(hint->rect.Width(), size.Width());
    EXPECT_EQ(hint->rect.Height(), size.Height());
    CancelHint();
    EXPECT_EQ(ActiveHint(), nullptr);
  }
}

TEST(PaintCommonHint, TheHintWindowShowsItsTextOnTheInfoBackground) {
  const TRect size = CalcHintRect("Saves the file", nullptr, 1000);
  EXPECT_GT(size.Width(), 40);
  EXPECT_GT(size.Height(), 10);
  // Long texts break into lines within the width.
  const TRect narrow = CalcHintRect("Saves the file under its name", nullptr, 80);
  EXPECT_LE(narrow.Width(), 80);
  EXPECT_GT(narrow.Height(), size.Height());
  TBitmap b;
  b.SetSize(size.Width() + 20, size.Height() + 20);
  const TRect r{10, 10, 10 + size.Width(), 10 + size.Height()};
  PaintHintWindow(b.Canvas(), r, "Saves the file", nullptr);
  EXPECT_TRUE(Is(b, r.Left, r.Top, clBlack));
  EXPECT_TRUE(Is(b, r.Right - 1, r.Bottom - 1, clBlack));
  EXPECT_TRUE(Is(b, r.Left + 1, r.Top + 1, clInfoBk));
  EXPECT_GT(CountColor(b, r, clInfoBk), r.Width() * r.Height() / 2);
  EXPECT_GT(CountDark(b, {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}), 20);
  EXPECT_TRUE(Is(b, 5, 5, clWhite));  // nothing outside
}

TEST(PaintCommonHint, AHintGoesWithItsControlOrForm) {
  for (bool freeForm : {false, true}) {
    auto f = std::make_unique<HintSetup>();
    ActivateHint(f->button, {1, 1});
    ASSERT_NE(ActiveHint(), nullptr);
    if (freeForm)
      f.reset();
    else
      delete f->button;
    EXPECT_EQ(ActiveHint(), nullptr) << freeForm;
  }
}

// =========================================================================================
// A form with every control painted here

TEST(PaintCommonForm, EveryControlDrawsItsAreaOnTheRenderedForm) {
  PaintForm f;
  f.other->Hide();
  f.form.SetBounds(0, 0, 760, 560);
  f.form.SetCaption("Common controls");
  TImageList images(nullptr);
  AddRedImage(&images);
  auto* menu = new TMainMenu(&f.form);
  for (const char* caption : {"&File", "&Edit", "&View"}) {
    auto* item = new TMenuItem(&f.form);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  for (const char* caption : {"&New", "&Open...", "-", "E&xit"}) {
    auto* item = new TMenuItem(&f.form);
    item->SetCaption(caption);
    menu->Items()->Items(0)->Add(item);
  }
  menu->Items()->Items(0)->Items(0)->SetShortCut(ShortCut('N', ssCtrl));
  menu->Items()->Items(0)->Items(1)->SetEnabled(false);
  menu->Items()->Items(0)->Items(3)->SetChecked(true);
  for (const char* caption : {"&Report", "&Scheme"}) {
    auto* item = new TMenuItem(&f.form);
    item->SetCaption(caption);
    menu->Items()->Items(0)->Items(0)->Add(item);
  }

  std::vector<TControl*> controls;
  auto place = [&](TControl* c, int x, int y, int w, int h) {
    c->SetBounds(x, y, w, h);
    controls.push_back(c);
  };
  auto* bar = f.Make<TToolBar>();
  bar->SetImages(&images);
  for (int i = 0; i < 4; ++i) {
    auto* button = new TToolButton(&f.form);
    button->SetParent(bar);
    button->SetImageIndex(0);
    if (i == 2) button->SetStyle(TToolButtonStyle::tbsDivider);
    if (i == 1) button->SetDown(true);
    if (i == 3) button->SetEnabled(false);
  }
  controls.push_back(bar);
  auto* status = f.Make<TStatusBar>();
  for (const char* text : {"Ready", "Row 1", "GB2312"}) {
    TStatusPanel* panel = status->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(120);
  }
  controls.push_back(status);

  auto* pages = f.Make<TPageControl>();
  place(pages, 8, 36, 240, 160);
  for (const char* caption : {"General", "Details", "Notes"}) {
    auto* sheet = new TTabSheet(&f.form);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pages);
  }
  pages->SetActivePageIndex(0);
  auto* tabs = f.Make<TTabControl>();
  for (const char* tab : {"Left", "Middle", "Right"}) tabs->Tabs()->Add(tab);
  tabs->SetTabIndex(1);
  tabs->SetTabPosition(TTabPosition::tpBottom);
  place(tabs, 256, 36, 200, 90);

  TViewStyle styles[] = {TViewStyle::vsReport, TViewStyle::vsIcon, TViewStyle::vsSmallIcon,
                         TViewStyle::vsList};
  for (int i = 0; i < 4; ++i) {
    auto* lv = f.Make<TListView>();
    lv->SetViewStyle(styles[i]);
    lv->SetSmallImages(&images);
    lv->SetLargeImages(&images);
    lv->SetGridLines(true);
    for (const char* caption : {"Name", "Dept"}) {
      TListColumn* column = lv->Columns()->Add();
      column->SetCaption(caption);
      column->SetWidth(80);
    }
    for (int n = 0; n < (i == 0 ? 12 : 5); ++n) {
      TListItem* item = lv->Items()->Add();
      item->SetCaption("Employee " + std::to_string(n));
      item->SubItems()->Add("D" + std::to_string(n));
      item->SetImageIndex(0);
    }
    lv->SetItemIndex(1);
    lv->SetHideSelection(i != 0);  // the report shows its selection without the focus
    place(lv, 8 + (i % 2) * 190, 204 + (i / 2) * 130, 182, 122);
  }
  auto* tree = f.Make<TTreeView>();
  TTreeNode* root = tree->Items()->Add(nullptr, "Company");
  for (const char* dept : {"Sales", "Plant", "Office"}) {
    TTreeNode* node = tree->Items()->AddChild(root, dept);
    tree->Items()->AddChild(node, "Team");
  }
  root->Expand(false);
  tree->SetSelected(root->Item(1));
  tree->SetHideSelection(false);
  place(tree, 464, 36, 140, 130);

  auto* grid = f.Make<TStringGrid>();
  for (int c = 0; c < 5; ++c) grid->SetCells(c, 0, "Col " + std::to_string(c));
  for (int r = 1; r < 5; ++r) grid->SetCells(0, r, std::to_string(r));
  grid->SetCells(1, 1, "Alpha");
  grid->SetDefaultColWidth(50);
  grid->SetDefaultRowHeight(20);
  grid->SetSelection({1, 1, 2, 2});
  place(grid, 390, 204, 220, 100);
  auto* align = f.Make<TStringAlignGrid>();
  align->SetDefaultColWidth(50);
  align->SetDefaultRowHeight(20);
  align->SetCells(1, 1, "Right");
  align->SetAlignCol(1, TAlignment::taRightJustify);
  align->SetCellColor(2, 2, clYellow);
  place(align, 390, 312, 220, 100);
  auto* draw = f.Make<TDrawGrid>();
  draw->SetDefaultColWidth(30);
  draw->SetDefaultRowHeight(16);
  place(draw, 618, 204, 130, 100);
  auto* tabSet = f.Make<TTabSet>();
  for (const char* tab : {"Sheet1", "Sheet2", "Sheet3"}) tabSet->Tabs()->Add(tab);
  tabSet->SetTabIndex(0);
  place(tabSet, 8, 470, 300, 21);
  auto* animate = f.Make<TAnimate>();
  animate->SetCommonAVI(TCommonAVI::aviFindFile);
  animate->SetOpen(true);
  animate->Seek(6);
  place(animate, 618, 312, 130, 100);

  TBitmap image;
  RenderForm(f.form, image);
  const TFrameMetrics m = FrameMetrics(f.form);
  const TPoint client{m.border, m.border + m.caption + m.menu};
  // The menus and the hint lie above the form: painted here the way the renderer shows them.
  // The bar's "Edit" is highlighted, and a popup menu is open with its sub-menu.
  SelectMainMenuItem(&f.form, 1, false);
  PaintMenuBar(image.Canvas(), menu,
               {m.border, m.border + m.caption, image.Width() - m.border, client.Y});
  CloseMenus();
  OpenMenu(&f.form, menu->Items()->Items(0), {330, 462});
  SelectOpenMenuItem(0, 0);
  PaintOpenMenus(image.Canvas(), f.form, client);
  CloseMenus();
  tree->SetHint("The departments");
  tree->SetShowHint(true);
  ActivateHint(tree, {60, 40});
  ASSERT_NE(ActiveHint(), nullptr);
  const THintInfo hint = *ActiveHint();
  CancelHint();
  PaintHintWindow(image.Canvas(),
                  {client.X + hint.rect.Left, client.Y + hint.rect.Top, client.X + hint.rect.Right,
                   client.Y + hint.rect.Bottom},
                  hint.text, nullptr);
  image.SaveToFile(ArtefactPath("common-controls.png"));

  for (TControl* c : controls) {
    const TRect area{client.X + c->Left(), client.Y + c->Top(), client.X + c->Left() + c->Width(),
                     client.Y + c->Top() + c->Height()};
    std::set<std::uint32_t> colours;
    for (int y = area.Top; y < area.Bottom; ++y)
      for (int x = area.Left; x < area.Right; ++x) colours.insert(Rgb(image, x, y));
    EXPECT_GT(colours.size(), 2u) << c->ClassName();
  }
}

}  // namespace
}  // namespace vcl
