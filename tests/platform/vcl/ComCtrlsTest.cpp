#include "platform/vcl/ComCtrls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// A form to put controls on; the form owns them. The setups are plain structs so that a
// table of cases can build a fresh one per case.
struct FormSetup {
  FormSetup() { form.SetBounds(0, 0, 500, 400); }

  template <typename T>
  T* Make(TWinControl* parent = nullptr) {
    auto* control = new T(&form);
    control->SetParent(parent ? parent : &form);
    return control;
  }

  // Clicks the centre of a client rectangle of `control`.
  static void ClickAt(TControl* control, const TRect& r) {
    ClickControlAt(control, r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  }

  TForm form{nullptr};
};

class ComCtrlsForm : public ::testing::Test, public FormSetup {};

// =========================================================================================
// Page control

struct PageSetup : FormSetup {
  // A tab's width: its caption measured in the control's font, and a margin.
  int Tab(const char* caption) const { return pc->Canvas()->TextWidth(caption) + 12; }

  PageSetup() {
    pc = Make<TPageControl>();
    pc->SetBounds(10, 10, 300, 200);
    for (const char* caption : {"One", "Two", "Three"}) {
      auto* sheet = new TTabSheet(&form);
      sheet->SetCaption(caption);
      sheet->SetPageControl(pc);
      sheets.push_back(sheet);
    }
  }

  // Records the page control's change events and the sheets' show and hide events.
  void Record() {
    pc->OnChanging = TTabChangingEvent::Lambda([this](TObject*, bool& allow) {
      log.push_back("changing " + pc->ActivePage()->Caption());
      allow = allowChange;
    });
    pc->OnChange = TNotifyEvent::Lambda(
        [this](TObject*) { log.push_back("change " + pc->ActivePage()->Caption()); });
    for (TTabSheet* sheet : sheets) {
      sheet->OnShow = TNotifyEvent::Lambda(
          [this, sheet](TObject*) { log.push_back("show " + sheet->Caption()); });
      sheet->OnHide = TNotifyEvent::Lambda(
          [this, sheet](TObject*) { log.push_back("hide " + sheet->Caption()); });
    }
  }

  std::vector<bool> Visibility() const {
    std::vector<bool> v;
    for (TTabSheet* sheet : sheets) v.push_back(sheet->Visible());
    return v;
  }

  TPageControl* pc = nullptr;
  std::vector<TTabSheet*> sheets;
  std::vector<std::string> log;
  bool allowChange = true;
};

class ComCtrlsPageControl : public ::testing::Test, public PageSetup {};

TEST_F(ComCtrlsPageControl, FirstPageBecomesActiveAndOnlyTheActivePageIsVisible) {
  EXPECT_EQ(pc->PageCount(), 3);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_EQ(Visibility(), (std::vector<bool>{true, false, false}));
  pc->SetActivePage(sheets[2]);
  EXPECT_EQ(Visibility(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  pc->SetActivePageIndex(7);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  EXPECT_EQ(pc->TabIndex(), -1);
  EXPECT_EQ(Visibility(), (std::vector<bool>{false, false, false}));
  EXPECT_THROW(pc->Pages(3), EListError);
  EXPECT_THROW(pc->Pages(-1), EListError);
}

TEST_F(ComCtrlsPageControl, HiddenTabsAreNotCountedAsTabs) {
  sheets[1]->SetTabVisible(false);
  EXPECT_EQ(pc->TabCount(), 2);
  EXPECT_EQ(sheets[0]->TabIndex(), 0);
  EXPECT_EQ(sheets[1]->TabIndex(), -1);
  EXPECT_EQ(sheets[2]->TabIndex(), 1);
  EXPECT_EQ(pc->PageForTab(1), sheets[2]);
  EXPECT_EQ(pc->TabCaption(1), "Three");
  pc->SetActivePage(sheets[2]);
  EXPECT_EQ(pc->TabIndex(), 1);
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  pc->SetTabIndex(0);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  // The program may still show a page without a tab (a wizard page); no tab is selected.
  pc->SetActivePage(sheets[1]);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  EXPECT_EQ(pc->TabIndex(), -1);
  // The tab strip no longer holds the hidden caption.
  EXPECT_EQ(pc->TabRect(1), (TRect{Tab("One"), 0, Tab("One") + Tab("Three"), 20}));
}

TEST_F(ComCtrlsPageControl, ClickOnATabAsksOnChangingFirst) {
  int clicks = 0;
  pc->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  for (bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "refused");
    pc->SetActivePage(sheets[0]);
    Record();
    log.clear();
    allowChange = allow;
    clicks = 0;
    ClickAt(pc, pc->TabRect(2));
    if (allow) {
      EXPECT_EQ(pc->ActivePage(), sheets[2]);
      EXPECT_EQ(log, (std::vector<std::string>{"changing One", "show Three", "hide One",
                                               "change Three"}));
    } else {
      EXPECT_EQ(pc->ActivePage(), sheets[0]);
      EXPECT_EQ(log, (std::vector<std::string>{"changing One"}));
      EXPECT_EQ(Visibility(), (std::vector<bool>{true, false, false}));
    }
    EXPECT_EQ(clicks, 1);
  }
  // A click on the active tab or outside the tabs changes nothing and asks nothing.
  log.clear();
  ClickAt(pc, pc->TabRect(2));
  ClickControlAt(pc, 290, 5);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(pc->SelectPageByUser(5));
  EXPECT_FALSE(pc->SelectPageByUser(-1));
}

TEST_F(ComCtrlsPageControl, ProgrammaticChangesRunOnlyTheSheetEvents) {
  Record();
  pc->SetActivePage(sheets[1]);
  pc->SetActivePageIndex(2);
  pc->SetTabIndex(0);
  EXPECT_EQ(log, (std::vector<std::string>{"show Two", "hide One", "show Three", "hide Two",
                                           "show One", "hide Three"}));
  // A sheet of another page control is not taken.
  auto* other = Make<TPageControl>();
  auto* foreign = new TTabSheet(&form);
  foreign->SetPageControl(other);
  pc->SetActivePage(foreign);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
}

TEST_F(ComCtrlsPageControl, CtrlTabMovesThroughVisibleTabsAsAUserChange) {
  sheets[1]->SetTabVisible(false);
  form.Show();
  pc->SetFocus();
  Record();
  struct Step {
    TShiftState shift;
    bool allow;
    int expectPage;
  };
  const std::vector<Step> steps = {
      {ssCtrl, true, 2},            // skips the hidden tab
      {ssCtrl, true, 0},            // wraps around
      {ssCtrl | ssShift, true, 2},  // backwards, wrapping
      {ssCtrl, false, 2},           // refused
  };
  for (const Step& step : steps) {
    log.clear();
    allowChange = step.allow;
    SendKey(VK_TAB, step.shift, &form);
    EXPECT_EQ(pc->ActivePage(), sheets[static_cast<size_t>(step.expectPage)]);
    EXPECT_EQ(log.front().rfind("changing", 0), 0u);
    EXPECT_EQ(log.back() == "change " + sheets[static_cast<size_t>(step.expectPage)]->Caption(),
              step.allow);
  }
  EXPECT_EQ(form.ActiveControl(), pc);  // Ctrl+Tab did not move the focus
  // The arrows move one tab and stop at the ends.
  allowChange = true;
  SendKey(VK_LEFT, 0, &form);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  SendKey(VK_LEFT, 0, &form);
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
}

TEST_F(ComCtrlsPageControl, PageIndexMovesThePage) {
  sheets[2]->SetPageIndex(0);
  EXPECT_EQ(pc->Pages(0), sheets[2]);
  EXPECT_EQ(pc->Pages(1), sheets[0]);
  EXPECT_EQ(sheets[0]->PageIndex(), 1);
  EXPECT_EQ(sheets[2]->TabIndex(), 0);
  EXPECT_EQ(pc->TabRect(0), (TRect{0, 0, Tab("Three"), 20}));  // "Three" now comes first
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_EQ(pc->TabIndex(), 1);
  EXPECT_THROW(sheets[0]->SetPageIndex(3), EListError);
  EXPECT_THROW(sheets[0]->SetPageIndex(-1), EListError);
  // Changing the page control moves the sheet to the end of the other control.
  auto* other = Make<TPageControl>();
  sheets[2]->SetPageControl(other);
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(other->ActivePage(), sheets[2]);
  EXPECT_EQ(sheets[2]->Parent(), other);
  // So does giving it another parent.
  sheets[0]->SetParent(other);
  EXPECT_EQ(other->Pages(1), sheets[0]);
  EXPECT_FALSE(sheets[0]->Visible());
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  sheets[1]->SetPageControl(nullptr);
  EXPECT_EQ(sheets[1]->Parent(), nullptr);
  EXPECT_EQ(sheets[1]->PageIndex(), -1);
  EXPECT_EQ(pc->ActivePage(), nullptr);
  delete sheets[1];
}

TEST_F(ComCtrlsPageControl, FreeingASheetActivatesItsNeighbour) {
  struct Case {
    const char* name;
    int active;
    int freed;
    int hidden;        // a sheet whose tab is hidden, -1 for none
    int expectActive;  // among the original sheets; -1 for none
  };
  const std::vector<Case> cases = {
      {"the next page", 0, 0, -1, 1},
      {"wrapping to the first", 2, 2, -1, 0},
      {"skipping a hidden tab", 0, 0, 1, 2},
      {"an inactive page leaves the active one", 0, 1, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PageSetup fixture;
    fixture.pc->SetActivePage(fixture.sheets[static_cast<size_t>(c.active)]);
    if (c.hidden >= 0) fixture.sheets[static_cast<size_t>(c.hidden)]->SetTabVisible(false);
    fixture.Record();
    const std::string freedCaption = fixture.sheets[static_cast<size_t>(c.freed)]->Caption();
    delete fixture.sheets[static_cast<size_t>(c.freed)];
    EXPECT_EQ(fixture.pc->PageCount(), 2);
    TTabSheet* expect = fixture.sheets[static_cast<size_t>(c.expectActive)];
    EXPECT_EQ(fixture.pc->ActivePage(), expect);
    EXPECT_TRUE(expect->Visible());
    // No change events for a page that goes away, and no hide event from the freed sheet.
    for (const std::string& entry : fixture.log) {
      EXPECT_EQ(entry.rfind("change", 0), std::string::npos) << entry;
      EXPECT_NE(entry, "hide " + freedCaption);
    }
  }
  // The last page leaves no active page.
  PageSetup fixture;
  delete fixture.sheets[1];
  delete fixture.sheets[2];
  delete fixture.sheets[0];
  EXPECT_EQ(fixture.pc->PageCount(), 0);
  EXPECT_EQ(fixture.pc->ActivePage(), nullptr);
}

TEST_F(ComCtrlsPageControl, FreeingThePageControlFreesItsSheets) {
  auto* standalone = new TPageControl(nullptr);
  auto* a = new TTabSheet(nullptr);
  auto* b = new TTabSheet(nullptr);
  a->SetPageControl(standalone);
  b->SetPageControl(standalone);
  int hides = 0;
  a->OnHide = TNotifyEvent::Lambda([&](TObject*) { ++hides; });
  delete standalone;  // the sheets go with their parent (checked by the sanitizers)
  EXPECT_EQ(hides, 0);
}

TEST_F(ComCtrlsPageControl, FocusOnTheOldPageMovesToTheNewPage) {
  auto* edit1 = Make<TEdit>(sheets[0]);
  auto* edit2 = Make<TEdit>(sheets[1]);
  form.Show();
  edit1->SetFocus();
  ASSERT_EQ(form.ActiveControl(), edit1);
  pc->SetActivePage(sheets[1]);
  EXPECT_EQ(form.ActiveControl(), edit2);
  // A page without focusable controls leaves the focus on the page control.
  pc->SetActivePage(sheets[2]);
  EXPECT_EQ(form.ActiveControl(), pc);
}

TEST_F(ComCtrlsPageControl, TabsAndPagesFollowTheTabPosition) {
  struct Case {
    TTabPosition position;
    TRect firstTab;
    TRect sheet;
  };
  const std::vector<Case> cases = {
      {TTabPosition::tpTop, {0, 0, Tab("One"), 20}, {4, 24, 296, 196}},
      {TTabPosition::tpBottom, {0, 180, Tab("One"), 200}, {4, 4, 296, 176}},
      {TTabPosition::tpLeft, {0, 0, 20, Tab("One")}, {24, 4, 296, 196}},
      {TTabPosition::tpRight, {280, 0, 300, Tab("One")}, {4, 4, 276, 196}},
  };
  for (const Case& c : cases) {
    pc->SetTabPosition(c.position);
    SCOPED_TRACE(GetEnumProp(pc, "TabPosition"));
    EXPECT_EQ(pc->TabRect(0), c.firstTab);
    EXPECT_EQ(pc->DisplayRect(), c.sheet);
    EXPECT_EQ(sheets[0]->BoundsRect(), c.sheet);
    EXPECT_EQ(pc->IndexOfTabAt(c.firstTab.Left + 1, c.firstTab.Top + 1), 0);
  }
  // Multi-line tabs wrap at the right edge and the pages make room.
  pc->SetTabPosition(TTabPosition::tpTop);
  const int two = Tab("One") + Tab("Two");
  ASSERT_LT(two + Tab("Three"), 300);
  pc->SetWidth(two + Tab("Three") - 1);
  pc->SetMultiLine(true);
  EXPECT_EQ(pc->TabRect(1), (TRect{Tab("One"), 0, two, 20}));
  EXPECT_EQ(pc->TabRect(2), (TRect{0, 20, Tab("Three"), 40}));
  EXPECT_EQ(sheets[1]->Top(), 44);
  // Resizing places the sheets again.
  pc->SetBounds(0, 0, 400, 300);
  EXPECT_EQ(sheets[0]->BoundsRect(), (TRect{4, 24, 396, 296}));
}

TEST_F(ComCtrlsPageControl, DrawTabsCallsOnDrawTabForEachVisibleTabOfAnOwnerDrawnControl) {
  struct Drawn {
    int index;
    TRect rect;
    bool active;
    bool operator==(const Drawn&) const = default;
  };
  std::vector<Drawn> drawn;
  pc->OnDrawTab = TDrawTabEvent::Lambda(
      [&](TCustomTabControl* control, int index, const TRect& rect, bool active) {
        EXPECT_EQ(control, pc);
        drawn.push_back({index, rect, active});
      });
  sheets[1]->SetTabVisible(false);
  pc->SetActivePage(sheets[2]);
  pc->DrawTabs();
  EXPECT_TRUE(drawn.empty());  // not owner-drawn
  pc->SetOwnerDraw(true);
  pc->DrawTabs();
  const int one = Tab("One"), three = Tab("Three");
  EXPECT_EQ(drawn, (std::vector<Drawn>{{0, {0, 0, one, 20}, false},
                                       {1, {one, 0, one + three, 20}, true}}));
  // Fixed tab sizes apply to every tab.
  drawn.clear();
  pc->SetTabWidth(50);
  pc->SetTabHeight(25);
  pc->DrawTabs();
  EXPECT_EQ(drawn, (std::vector<Drawn>{{0, {0, 0, 50, 25}, false}, {1, {50, 0, 100, 25}, true}}));
}

TEST_F(ComCtrlsPageControl, PublishedPropertiesReachThePagesAndTabs) {
  SetEnumProp(pc, "Style", "tsFlatButtons");
  EXPECT_EQ(pc->Style(), TTabStyle::tsFlatButtons);
  SetObjectProp(pc, "ActivePage", sheets[1]);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  EXPECT_EQ(GetStrProp(sheets[2], "Caption"), "Three");
  SetOrdProp(sheets[2], "TabVisible", 0);
  EXPECT_EQ(pc->TabCount(), 2);
  EXPECT_EQ(GetObjectProp(sheets[2], "PageControl"), pc);
  EXPECT_TRUE(IsPublishedProp(pc, "OnDrawTab"));
  EXPECT_TRUE(IsPublishedProp(pc, "OnChanging"));
  EXPECT_THROW(SetEnumProp(pc, "TabPosition", "tpMiddle"), EPropertyConvertError);
}

TEST_F(ComCtrlsPageControl, ImageListsAreDroppedWhenFreed) {
  auto* images = new TImageList(&form);
  pc->SetImages(images);
  sheets[0]->SetImageIndex(0);
  // A tab with an image is wider by the image and a gap.
  EXPECT_EQ(pc->TabRect(0), (TRect{0, 0, Tab("One") + 20, 20}));
  const int before = pc->InvalidateCount();
  images->SetWidth(32);  // changes reach the control
  EXPECT_GT(pc->InvalidateCount(), before);
  delete images;
  EXPECT_EQ(pc->Images(), nullptr);
  EXPECT_EQ(pc->TabRect(0), (TRect{0, 0, Tab("One"), 20}));
}

// A tab control holds its tabs as strings; the first one added is selected.
TEST_F(ComCtrlsForm, TabControlSelectsTabsFromItsStrings) {
  auto* tc = Make<TTabControl>();
  int changes = 0;
  tc->OnChange = TNotifyEvent::Lambda([&](TObject*) { ++changes; });
  EXPECT_EQ(tc->TabIndex(), -1);
  tc->Tabs()->SetCommaText("Alpha,Beta,Gamma");
  EXPECT_EQ(tc->TabIndex(), 0);
  ClickAt(tc, tc->TabRect(2));
  EXPECT_EQ(tc->TabIndex(), 2);
  EXPECT_EQ(changes, 1);
  tc->SetTabIndex(9);  // ignored
  EXPECT_EQ(tc->TabIndex(), 2);
  tc->Tabs()->Delete(2);
  EXPECT_EQ(tc->TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(SetStrProp(tc, "Tabs", "x"), EPropertyConvertError);  // a list, not a text
}

// =========================================================================================
// List view

struct ListSetup : FormSetup {
  ListSetup() {
    lv = Make<TListView>();
    lv->SetBounds(0, 0, 300, 200);
    lv->SetViewStyle(TViewStyle::vsReport);
    const std::pair<const char*, int> columns[] = {{"Name", 100}, {"Size", 60}, {"Kind", 80}};
    for (auto [caption, width] : columns) {
      TListColumn* column = lv->Columns()->Add();
      column->SetCaption(caption);
      column->SetWidth(width);
    }
    struct Row {
      const char* name;
      const char* size;
      const char* kind;
    };
    const Row rows[] = {{"beta", "20", "doc"}, {"Alpha", "30", "img"}, {"gamma", "10", "doc"}};
    for (const Row& row : rows) {
      TListItem* item = lv->Items()->Add();
      item->SetCaption(row.name);
      item->SubItems()->Add(row.size);
      item->SubItems()->Add(row.kind);
      item->SetData(data + (item->Index()));
    }
  }

  // Captions in list order.
  std::vector<std::string> Captions() const {
    std::vector<std::string> v;
    for (int i = 0; i < lv->Items()->Count(); ++i) v.push_back(lv->Items()->Item(i)->Caption());
    return v;
  }

  TListItem* Item(int i) const { return lv->Items()->Item(i); }

  // The centre of row `i` of the first column.
  TPoint Row(int i) const { return {50, 20 + i * 17 + 8}; }

  void ClickRow(int i, WPARAM keys = 0) {
    const TPoint p = Row(i);
    lv->Perform(WM_LBUTTONDOWN, keys, MakeMousePos(p.X, p.Y));
    lv->Perform(WM_LBUTTONUP, keys, MakeMousePos(p.X, p.Y));
  }

  void RecordSelection() {
    lv->OnSelectItem = TLVSelectItemEvent::Lambda([this](TObject*, TListItem* item, bool selected) {
      log.push_back((selected ? "+" : "-") + item->Caption());
    });
  }

  TListView* lv = nullptr;
  int data[4] = {};
  std::vector<std::string> log;
};

class ComCtrlsListView : public ::testing::Test, public ListSetup {};

TEST_F(ComCtrlsListView, ReportRowsAndColumnsAreHitWhereTheyLie) {
  EXPECT_EQ(lv->Columns()->Count(), 3);
  EXPECT_EQ(lv->Columns()->Items(1)->Caption(), "Size");
  EXPECT_EQ(Item(1)->SubItems()->Get(1), "img");
  struct Case {
    const char* name;
    bool rowSelect;
    bool headers;
    int x, y;
    int expectItem;  // -1 for none
  };
  const std::vector<Case> cases = {
      {"first row", false, true, 5, 21, 0},
      {"last pixel of the first row", false, true, 99, 36, 0},
      {"second row", false, true, 5, 37, 1},
      {"the header", false, true, 5, 10, -1},
      {"below the items", false, true, 5, 80, -1},
      {"a sub-item without row select", false, true, 120, 21, -1},
      {"a sub-item with row select", true, true, 120, 21, 0},
      {"right of all columns", true, true, 245, 21, -1},
      {"no header: rows start at the top", false, false, 5, 10, 0},
      {"no header: third row", false, false, 5, 40, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lv->SetRowSelect(c.rowSelect);
    lv->SetShowColumnHeaders(c.headers);
    EXPECT_EQ(lv->GetItemAt(c.x, c.y), c.expectItem < 0 ? nullptr : Item(c.expectItem));
  }
  lv->SetShowColumnHeaders(true);
  EXPECT_EQ(lv->GetColumnAt(130, 5), lv->Columns()->Items(1));
  EXPECT_EQ(lv->GetColumnAt(130, 25), nullptr);
  EXPECT_EQ(Item(2)->DisplayRect(), (TRect{0, 54, 240, 71}));
}

TEST_F(ComCtrlsListView, ItemsOutOfRangeRaise) {
  EXPECT_THROW(lv->Items()->Item(3), EListError);
  EXPECT_THROW(lv->Items()->Item(-1), EListError);
  EXPECT_THROW(lv->Items()->Insert(4), EListError);
  EXPECT_THROW(lv->SetItemIndex(3), EListError);
  EXPECT_THROW(lv->Columns()->Items(3), EListError);
  TListItem* inserted = lv->Items()->Insert(1);
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_EQ(lv->Items()->IndexOf(Item(2)), 2);
}

TEST_F(ComCtrlsListView, SortingByAHandlerOrByCaptionKeepsDataAndSubItems) {
  // Reverse order of the size column.
  lv->OnCompare =
      TLVCompareEvent::Lambda([](TObject*, TListItem* a, TListItem* b, int, int& compare) {
        compare = -CompareStr(a->SubItems()->Get(0), b->SubItems()->Get(0));
      });
  EXPECT_TRUE(lv->AlphaSort());
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(Item(0)->Data(), data + 1);
  EXPECT_EQ(Item(0)->SubItems()->Get(1), "img");
  EXPECT_EQ(Item(2)->Data(), data + 2);
  // Without a handler the captions decide, ignoring case.
  lv->OnCompare = nullptr;
  lv->AlphaSort();
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(Item(1)->SubItems()->Get(0), "20");
  // A custom order gets its data value.
  int seen = 0;
  lv->CustomSort(
      [&](TListItem* a, TListItem* b, int d) {
        seen = d;
        return CompareStr(a->SubItems()->Get(1), b->SubItems()->Get(1));
      },
      42);
  EXPECT_EQ(seen, 42);
  // Equal kinds keep their order: the sort is stable.
  EXPECT_EQ(Captions(), (std::vector<std::string>{"beta", "gamma", "Alpha"}));
}

TEST_F(ComCtrlsListView, SortTypeKeepsTheListSorted) {
  lv->SetSortType(TSortType::stText);
  EXPECT_EQ(Captions(), (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  Item(0)->SetCaption("zeta");
  EXPECT_EQ(Captions(), (std::vector<std::string>{"beta", "gamma", "zeta"}));
  // Within an update the order waits for its end.
  lv->Items()->BeginUpdate();
  TListItem* added = lv->Items()->Add();
  added->SetCaption("delta");
  EXPECT_EQ(added->Index(), 3);
  lv->Items()->EndUpdate();
  EXPECT_EQ(added->Index(), 1);
  // Data changes sort only for stData and stBoth, through OnCompare.
  lv->OnCompare = TLVCompareEvent::Lambda([](TObject*, TListItem* a, TListItem* b, int, int& r) {
    const auto x = reinterpret_cast<std::uintptr_t>(a->Data());
    const auto y = reinterpret_cast<std::uintptr_t>(b->Data());
    r = x < y ? -1 : x > y ? 1 : 0;
  });
  lv->SetSortType(TSortType::stData);
  const std::vector<std::string> byData = Captions();
  EXPECT_EQ(byData.front(), "delta");  // no data: a null pointer sorts first
  Item(0)->SetData(data + 3);
  EXPECT_EQ(Captions().back(), "delta");
}

TEST_F(ComCtrlsListView, InPlaceEditing) {
  struct Case {
    const char* name;
    bool readOnly;
    bool allowEditing;
    std::function<void(ListSetup&)> act;
    std::function<void(TObject*, TListItem*, AnsiString&)> edited;
    bool expectEditStarted;
    const char* expectCaption;
    std::vector<std::string> expectEdited;
  };
  auto type = [](const char* text) {
    return [text](ListSetup& f) {
      TypeText(text, &f.form);
      SendKey(VK_RETURN, 0, &f.form);
    };
  };
  const std::vector<Case> cases = {
      {"typing replaces the caption",
       false,
       true,
       type("omega"),
       nullptr,
       true,
       "omega",
       {"omega"}},
      {"keys typed on the keyboard",
       false,
       true,
       [](ListSetup& f) {
         for (std::uint16_t key : std::vector<std::uint16_t>{'O', 'K', VK_SPACE, '2'})
           SendKey(key, 0, &f.form);
         SendKey(VK_RETURN, 0, &f.form);
       },
       nullptr,
       true,
       "ok 2",
       {"ok 2"}},
      {"backspace removes the last character",
       false,
       true,
       [](ListSetup& f) {
         TypeText("abc", &f.form);
         SendKey(VK_BACK, 0, &f.form);
         SendKey(VK_RETURN, 0, &f.form);
       },
       nullptr,
       true,
       "ab",
       {"ab"}},
      {"the first backspace clears the selected caption",
       false,
       true,
       [](ListSetup& f) {
         SendKey(VK_BACK, 0, &f.form);
         TypeText("x", &f.form);
         f.lv->EndEdit(true);
       },
       nullptr,
       true,
       "x",
       {"x"}},
      {"OnEdited changes the text",
       false,
       true,
       type("omega"),
       [](TObject*, TListItem*, AnsiString& s) { s = "[" + s + "]"; },
       true,
       "[omega]",
       {"omega"}},
      {"escape cancels",
       false,
       true,
       [](ListSetup& f) {
         TypeText("omega", &f.form);
         SendKey(VK_ESCAPE, 0, &f.form);
       },
       nullptr,
       true,
       "beta",
       {}},
      {"set text and end",
       false,
       true,
       [](ListSetup& f) {
         f.lv->SetEditText("set");
         f.lv->EndEdit(true);
       },
       nullptr,
       true,
       "set",
       {"set"}},
      {"leaving the control ends editing",
       false,
       true,
       [](ListSetup& f) {
         TypeText("left", &f.form);
         static_cast<TEdit*>(f.form.FindComponent("Other"))->SetFocus();
       },
       nullptr,
       true,
       "left",
       {"left"}},
      {"a click on a row ends editing",
       false,
       true,
       [](ListSetup& f) {
         TypeText("clicked", &f.form);
         f.ClickRow(2);
       },
       nullptr,
       true,
       "clicked",
       {"clicked"}},
      {"OnEditing refuses", false, false, type("omega"), nullptr, false, "beta", {}},
      {"read-only lists refuse", true, true, type("omega"), nullptr, false, "beta", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ListSetup f;
    auto* other = f.Make<TEdit>();
    other->SetName("Other");
    other->SetTop(250);
    f.form.Show();
    f.lv->SetFocus();
    f.lv->SetReadOnly(c.readOnly);
    std::vector<std::string> edited;
    f.lv->OnEditing = TLVEditingEvent::Lambda([&](TObject*, TListItem* item, bool& allow) {
      EXPECT_EQ(item->Caption(), "beta");
      allow = c.allowEditing;
    });
    f.lv->OnEdited = TLVEditedEvent::Lambda([&](TObject* sender, TListItem* item, AnsiString& s) {
      EXPECT_EQ(item->Caption(), "beta");  // not changed yet
      edited.push_back(s);
      if (c.edited) c.edited(sender, item, s);
    });
    TListItem* item = f.Item(0);
    EXPECT_EQ(item->EditCaption(), c.expectEditStarted);
    EXPECT_EQ(f.lv->IsEditing(), c.expectEditStarted);
    if (c.expectEditStarted) {
      EXPECT_EQ(f.lv->EditText(), "beta");
    }
    c.act(f);
    EXPECT_FALSE(f.lv->IsEditing());
    EXPECT_EQ(item->Caption(), c.expectCaption);
    EXPECT_EQ(edited, c.expectEdited);
  }
}

TEST_F(ComCtrlsListView, EditingKeysStayWithTheEditor) {
  auto* ok = Make<TButton>();
  ok->SetDefault(true);
  int okClicks = 0;
  ok->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++okClicks; });
  form.Show();
  lv->SetFocus();
  lv->SetItemIndex(0);
  Item(0)->SetFocused(true);
  SendKey(VK_F2, 0, &form);
  ASSERT_TRUE(lv->IsEditing());
  SendKey(VK_DOWN, 0, &form);  // no item navigation while editing
  EXPECT_EQ(lv->ItemIndex(), 0);
  SendKey(VK_RETURN, 0, &form);
  EXPECT_EQ(okClicks, 0);
  EXPECT_FALSE(lv->IsEditing());
  SendKey(VK_RETURN, 0, &form);  // not editing: the form's default button
  EXPECT_EQ(okClicks, 1);
  // Deleting the item being edited drops the edit.
  Item(1)->EditCaption();
  Item(1)->Delete();
  EXPECT_FALSE(lv->IsEditing());
  EXPECT_EQ(lv->Items()->Count(), 2);
}

TEST_F(ComCtrlsListView, ClicksSelectOneItemAndReportBothSides) {
  RecordSelection();
  int clicks = 0;
  lv->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  ClickRow(0);
  ClickRow(1);
  EXPECT_EQ(log, (std::vector<std::string>{"+beta", "-beta", "+Alpha"}));
  EXPECT_EQ(lv->Selected(), Item(1));
  EXPECT_EQ(lv->ItemFocused(), Item(1));
  EXPECT_EQ(lv->SelCount(), 1);
  EXPECT_EQ(clicks, 2);
  // Selecting by program deselects the others as well.
  log.clear();
  Item(2)->SetSelected(true);
  EXPECT_EQ(log, (std::vector<std::string>{"-Alpha", "+gamma"}));
  // A click below the items clears the selection.
  log.clear();
  ClickControlAt(lv, 50, 150);
  EXPECT_EQ(log, (std::vector<std::string>{"-gamma"}));
  EXPECT_EQ(lv->Selected(), nullptr);
  EXPECT_EQ(lv->ItemIndex(), -1);
}

TEST_F(ComCtrlsListView, OnChangingCanRefuseAStateChange) {
  RecordSelection();
  std::vector<std::string> changes;
  lv->OnChange = TLVChangeEvent::Lambda([&](TObject*, TListItem* item, TItemChange change) {
    if (change == TItemChange::ctState) changes.push_back(item->Caption());
  });
  ClickRow(0);
  // The selected item refuses to let go: nothing else gets selected.
  lv->OnChanging =
      TLVChangingEvent::Lambda([&](TObject*, TListItem* item, TItemChange change, bool& allow) {
        EXPECT_EQ(change, TItemChange::ctState);
        if (item == Item(0)) allow = false;
      });
  log.clear();
  changes.clear();
  ClickRow(1);
  EXPECT_EQ(lv->Selected(), Item(0));
  EXPECT_FALSE(Item(1)->Selected());
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(changes.empty());
  // Refusing the new item only: the old one is already deselected, as the platform does.
  lv->OnChanging = TLVChangingEvent::Lambda(
      [&](TObject*, TListItem* item, TItemChange, bool& allow) { allow = item != Item(2); });
  ClickRow(2);
  EXPECT_EQ(log, (std::vector<std::string>{"-beta"}));
  EXPECT_EQ(lv->SelCount(), 0);
  // Text changes are reported without asking.
  changes.clear();
  std::vector<TItemChange> kinds;
  lv->OnChange = TLVChangeEvent::Lambda(
      [&](TObject*, TListItem*, TItemChange change) { kinds.push_back(change); });
  Item(1)->SetCaption("renamed");
  Item(1)->SetImageIndex(3);
  EXPECT_EQ(kinds, (std::vector<TItemChange>{TItemChange::ctText, TItemChange::ctImage}));
}

TEST_F(ComCtrlsListView, MultiSelectWithCtrlAndShift) {
  for (int i = 0; i < 3; ++i) lv->Items()->Add()->SetCaption("extra" + std::to_string(i));
  lv->SetMultiSelect(true);
  constexpr WPARAM kCtrl = 0x0008, kShift = 0x0004;
  ClickRow(1);
  ClickRow(3, kCtrl);
  EXPECT_EQ(lv->SelCount(), 2);
  ClickRow(1, kCtrl);  // toggles off
  EXPECT_EQ(lv->SelCount(), 1);
  EXPECT_EQ(lv->Selected(), Item(3));
  ClickRow(5, kShift);  // the range starts at the last Ctrl click
  EXPECT_EQ(lv->SelCount(), 5);
  EXPECT_FALSE(Item(0)->Selected());
  EXPECT_EQ(lv->ItemFocused(), Item(5));
  ClickRow(2, kShift);  // the range keeps its start
  std::vector<bool> selected;
  for (int i = 0; i < 6; ++i) selected.push_back(Item(i)->Selected());
  EXPECT_EQ(selected, (std::vector<bool>{false, true, true, false, false, false}));
  // Keys extend with Shift too.
  form.Show();
  lv->SetFocus();
  SendKey(VK_DOWN, ssShift, &form);
  EXPECT_EQ(lv->SelCount(), 3);
  EXPECT_EQ(lv->ItemFocused(), Item(3));
  SendKey(VK_UP, ssShift, &form);
  SendKey(VK_UP, ssShift, &form);
  EXPECT_EQ(lv->SelCount(), 1);
  EXPECT_EQ(lv->ItemIndex(), 1);
  lv->SelectAll();
  EXPECT_EQ(lv->SelCount(), 6);
  // A single-select list keeps only the first.
  lv->SetMultiSelect(false);
  EXPECT_EQ(lv->SelCount(), 1);
  EXPECT_EQ(lv->Selected(), Item(0));
}

TEST_F(ComCtrlsListView, KeysMoveTheSelection) {
  for (int i = 0; i < 20; ++i) lv->Items()->Add()->SetCaption("row" + std::to_string(i));
  form.Show();
  lv->SetFocus();
  struct Step {
    std::uint16_t key;
    int expectIndex;
  };
  // 200 pixels less the header leave 10 visible rows.
  const std::vector<Step> steps = {
      {VK_DOWN, 0},  {VK_DOWN, 1}, {VK_UP, 0},   {VK_UP, 0},    {VK_END, 22},
      {VK_DOWN, 22}, {VK_HOME, 0}, {VK_NEXT, 9}, {VK_NEXT, 18}, {VK_PRIOR, 9},
      {'G', 2},      {'R', 3},     {'R', 4},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.key);
    SendKey(step.key, 0, &form);
    EXPECT_EQ(lv->ItemIndex(), step.expectIndex);
    EXPECT_EQ(lv->ItemFocused(), Item(step.expectIndex));
  }
  // The focused row scrolls into view.
  SendKey(VK_END, 0, &form);
  EXPECT_EQ(lv->TopItem(), Item(13));
  EXPECT_EQ(lv->GetItemAt(5, 20 + 9 * 17 + 1), Item(22));
}

TEST_F(ComCtrlsListView, SpaceTogglesCheckBoxes) {
  lv->SetCheckboxes(true);
  form.Show();
  lv->SetFocus();
  RecordSelection();
  SendKey(VK_DOWN, 0, &form);
  bool allow = true;
  lv->OnChanging =
      TLVChangingEvent::Lambda([&](TObject*, TListItem*, TItemChange, bool& a) { a = allow; });
  SendKey(VK_SPACE, 0, &form);
  EXPECT_TRUE(Item(0)->Checked());
  allow = false;
  SendKey(VK_SPACE, 0, &form);
  EXPECT_TRUE(Item(0)->Checked());
  allow = true;
  ClickControlAt(lv, 5, Row(1).Y);  // the check box of the second row
  EXPECT_TRUE(Item(1)->Checked());
  EXPECT_FALSE(Item(1)->Selected());
  // Check marks are no selection: only the first key selected anything.
  EXPECT_EQ(log, (std::vector<std::string>{"+beta"}));
}

TEST_F(ComCtrlsListView, HeaderClicksReportTheColumnAndNoItemClick) {
  std::vector<std::string> columns;
  int clicks = 0;
  lv->OnColumnClick = TLVColumnClickEvent::Lambda(
      [&](TObject*, TListColumn* column) { columns.push_back(column->Caption()); });
  lv->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  ClickControlAt(lv, 120, 10);
  ClickControlAt(lv, 200, 10);
  lv->SetColumnClick(false);
  ClickControlAt(lv, 20, 10);
  EXPECT_EQ(columns, (std::vector<std::string>{"Size", "Kind"}));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(lv->Selected(), nullptr);
  ClickRow(0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ComCtrlsListView, DeletionAndInsertionEvents) {
  std::vector<std::string> events;
  lv->OnDeletion = TLVDeletedEvent::Lambda([&](TObject*, TListItem* item) {
    events.push_back("delete " + item->Caption() + " at " + std::to_string(item->Index()));
  });
  lv->OnInsert = TLVDeletedEvent::Lambda([&](TObject*, TListItem* item) {
    events.push_back("insert at " + std::to_string(item->Index()));
  });
  lv->Items()->Delete(1);
  lv->Items()->Insert(0);
  lv->Items()->Clear();
  EXPECT_EQ(events, (std::vector<std::string>{"delete Alpha at 1", "insert at 0", "delete  at 0",
                                              "delete beta at 0", "delete gamma at 0"}));
  EXPECT_EQ(lv->Items()->Count(), 0);
}

TEST_F(ComCtrlsListView, FreeingTheListReportsItsItemsUnlessItsFormGoes) {
  // Freed on its own: the program hears of each item (to free its data).
  auto* standalone = new TListView(nullptr);
  int* owned = new int(7);
  standalone->Items()->Add()->SetData(owned);
  standalone->Items()->Add();
  int deletions = 0;
  standalone->OnDeletion = TLVDeletedEvent::Lambda([&](TObject*, TListItem* item) {
    ++deletions;
    delete static_cast<int*>(item->Data());
  });
  delete standalone;
  EXPECT_EQ(deletions, 2);
  // Freed with its form: no events reach the half-destroyed form.
  int formDeletions = 0;
  {
    TForm owner(nullptr);
    auto* list = new TListView(&owner);
    list->SetParent(&owner);
    list->Items()->Add();
    list->OnDeletion = TLVDeletedEvent::Lambda([&](TObject*, TListItem*) { ++formDeletions; });
  }
  EXPECT_EQ(formDeletions, 0);
}

TEST_F(ComCtrlsListView, OtherStylesLayItemsOutInGrids) {
  struct Case {
    TViewStyle style;
    int index;
    TRect rect;
  };
  const std::vector<Case> cases = {
      {TViewStyle::vsIcon, 2, {152, 0, 228, 70}},
      {TViewStyle::vsSmallIcon, 2, {0, 17, 120, 34}},
      {TViewStyle::vsList, 2, {0, 34, 120, 51}},
      {TViewStyle::vsReport, 2, {0, 54, 240, 71}},
  };
  for (const Case& c : cases) {
    lv->SetViewStyle(c.style);
    SCOPED_TRACE(GetEnumProp(lv, "ViewStyle"));
    EXPECT_EQ(lv->ItemRect(c.index), c.rect);
    EXPECT_EQ(lv->GetItemAt(c.rect.Left + 1, c.rect.Top + 1), Item(c.index));
  }
  EXPECT_EQ(lv->ItemRect(3), TRect{});
}

TEST_F(ComCtrlsListView, PublishedCollectionsCopy) {
  TListView copy(nullptr);
  SetObjectProp(&copy, "Columns", lv->Columns());
  SetObjectProp(&copy, "Items", lv->Items());
  ASSERT_EQ(copy.Columns()->Count(), 3);
  EXPECT_EQ(copy.Columns()->Items(2)->Caption(), "Kind");
  EXPECT_EQ(copy.Columns()->Items(0)->Width(), 100);
  ASSERT_EQ(copy.Items()->Count(), 3);
  EXPECT_EQ(copy.Items()->Item(1)->SubItems()->CommaText(), "30,img");
  EXPECT_EQ(copy.Items()->Item(2)->Data(), data + 2);
  SetEnumProp(&copy, "SortType", "stText");
  EXPECT_EQ(copy.Items()->Item(0)->Caption(), "Alpha");
  EXPECT_EQ(GetPropAsString(lv->Columns()->Items(1), "Alignment"), "taLeftJustify");
}

// =========================================================================================
// Tree view

struct TreeSetup : FormSetup {
  //  Root
  //    A
  //      A1
  //      A2
  //    B
  //  Other
  TreeSetup() {
    tv = Make<TTreeView>();
    tv->SetBounds(0, 0, 200, 200);
    TTreeNodes* nodes = tv->Items();
    root = nodes->Add(nullptr, "Root");
    a = nodes->AddChild(root, "A");
    a1 = nodes->AddChild(a, "A1");
    a2 = nodes->Add(a1, "A2");
    b = nodes->AddChild(root, "B");
    other = nodes->Add(root, "Other");
  }

  void Record() {
    tv->OnChanging = TTVChangingEvent::Lambda([this](TObject*, TTreeNode* node, bool& allow) {
      log.push_back("changing " + (node ? node->Text() : std::string("-")));
      allow = allowChange;
    });
    tv->OnChange = TTVChangedEvent::Lambda([this](TObject*, TTreeNode* node) {
      log.push_back("change " + (node ? node->Text() : std::string("-")));
    });
    tv->OnExpanded = TTVExpandedEvent::Lambda(
        [this](TObject*, TTreeNode* node) { log.push_back("expanded " + node->Text()); });
    tv->OnCollapsed = TTVExpandedEvent::Lambda(
        [this](TObject*, TTreeNode* node) { log.push_back("collapsed " + node->Text()); });
  }

  TTreeView* tv = nullptr;
  TTreeNode *root, *a, *a1, *a2, *b, *other;
  std::vector<std::string> log;
  bool allowChange = true;
};

class ComCtrlsTreeView : public ::testing::Test, public TreeSetup {};

TEST_F(ComCtrlsTreeView, WalkingVisitsEveryNodeDepthFirst) {
  const std::vector<std::string> expect = {"Root", "A", "A1", "A2", "B", "Other"};
  std::vector<std::string> byIndex, byNext;
  for (int i = 0; i < tv->Items()->Count(); ++i) byIndex.push_back(tv->Items()->Item(i)->Text());
  for (TTreeNode* n = tv->Items()->GetFirstNode(); n; n = n->GetNext()) byNext.push_back(n->Text());
  EXPECT_EQ(byIndex, expect);
  EXPECT_EQ(byNext, expect);
  std::vector<std::string> backwards;
  for (TTreeNode* n = other; n; n = n->GetPrev()) backwards.push_back(n->Text());
  EXPECT_EQ(backwards, (std::vector<std::string>{"Other", "B", "A2", "A1", "A", "Root"}));
  EXPECT_EQ(a2->Parent(), a);
  EXPECT_EQ(a2->Level(), 2);
  EXPECT_EQ(a2->Index(), 1);
  EXPECT_EQ(a2->AbsoluteIndex(), 3);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(root->Item(1), b);
  EXPECT_THROW(root->Item(2), EListError);
  EXPECT_THROW(tv->Items()->Item(6), EListError);
  // Inserting keeps the walk in order.
  tv->Items()->Insert(b, "A3");
  tv->Items()->AddChildFirst(root, "First");
  tv->Items()->AddFirst(root, "Top");
  std::vector<std::string> after;
  for (int i = 0; i < tv->Items()->Count(); ++i) after.push_back(tv->Items()->Item(i)->Text());
  EXPECT_EQ(after, (std::vector<std::string>{"Top", "Root", "First", "A", "A1", "A2", "A3", "B",
                                             "Other"}));
  TTreeView elsewhere(nullptr);
  EXPECT_THROW(elsewhere.Items()->AddChild(root, "x"), EInvalidOperation);
}

TEST_F(ComCtrlsTreeView, SelectingAsksFirstAndShowsTheNode) {
  Record();
  allowChange = false;
  tv->SetSelected(a2);
  EXPECT_EQ(tv->Selected(), nullptr);
  EXPECT_FALSE(root->Expanded());
  allowChange = true;
  log.clear();
  tv->SetSelected(a2);
  EXPECT_EQ(log,
            (std::vector<std::string>{"changing A2", "expanded Root", "expanded A", "change A2"}));
  EXPECT_TRUE(a2->Selected());
  EXPECT_TRUE(a2->IsVisible());
  // Collapsing an ancestor moves the selection up to it.
  log.clear();
  root->Collapse(false);
  EXPECT_EQ(log, (std::vector<std::string>{"changing Root", "change Root", "collapsed Root"}));
  EXPECT_EQ(tv->Selected(), root);
}

TEST_F(ComCtrlsTreeView, ExpandingOnDemand) {
  TTreeNode* lazy = tv->Items()->Add(nullptr, "Lazy");
  lazy->SetHasChildren(true);
  bool refuse = true;
  tv->OnExpanding = TTVExpandingEvent::Lambda([&](TObject*, TTreeNode* node, bool& allow) {
    if (refuse) {
      allow = false;
      return;
    }
    if (node == lazy && node->Count() == 0) tv->Items()->AddChild(node, "Loaded");
  });
  lazy->Expand(false);
  EXPECT_FALSE(lazy->Expanded());
  refuse = false;
  lazy->Expand(false);
  EXPECT_TRUE(lazy->Expanded());
  EXPECT_EQ(lazy->GetFirstChild()->Text(), "Loaded");
  // A node that still has no children loses its button.
  TTreeNode* empty = tv->Items()->Add(nullptr, "Empty");
  empty->SetHasChildren(true);
  empty->Expand(false);
  EXPECT_FALSE(empty->Expanded());
  EXPECT_FALSE(empty->HasChildren());
  tv->FullExpand();
  EXPECT_TRUE(a->Expanded());
  tv->FullCollapse();
  EXPECT_FALSE(root->Expanded());
  EXPECT_FALSE(a->Expanded());
}

TEST_F(ComCtrlsTreeView, MouseAndKeysMoveThroughShownNodes) {
  form.Show();
  tv->SetFocus();
  // Rows: Root, Other (collapsed). The button of Root sits at x 0..18.
  ClickControlAt(tv, 30, 17 + 5);
  EXPECT_EQ(tv->Selected(), other);
  ClickControlAt(tv, 5, 5);
  EXPECT_TRUE(root->Expanded());
  EXPECT_EQ(tv->Selected(), other);  // the button does not select
  EXPECT_EQ(tv->GetNodeAt(40, 17 * 2 + 1), b);
  const std::vector<std::pair<std::uint16_t, std::string>> steps = {
      {VK_HOME, "Root"}, {VK_DOWN, "A"},    {VK_RIGHT, "A"},  // expands
      {VK_RIGHT, "A1"},  {VK_DOWN, "A2"},   {VK_DOWN, "B"},
      {VK_UP, "A2"},     {VK_LEFT, "A"},    {VK_LEFT, "A"},  // collapses
      {VK_LEFT, "Root"}, {VK_END, "Other"},
  };
  for (const auto& [key, expect] : steps) {
    SendKey(key, 0, &form);
    ASSERT_NE(tv->Selected(), nullptr);
    EXPECT_EQ(tv->Selected()->Text(), expect);
  }
  EXPECT_FALSE(a->Expanded());
  // A double click toggles the selected node.
  tv->SetSelected(a);
  DoubleClickControl(tv);
  EXPECT_TRUE(a->Expanded());
}

TEST_F(ComCtrlsTreeView, DeletingMovesTheSelectionAndReportsChildrenFirst) {
  Record();
  std::vector<std::string> deleted;
  tv->OnDeletion =
      TTVExpandedEvent::Lambda([&](TObject*, TTreeNode* node) { deleted.push_back(node->Text()); });
  tv->SetSelected(a1);
  log.clear();
  a->Delete();
  EXPECT_EQ(deleted, (std::vector<std::string>{"A2", "A1", "A"}));
  EXPECT_EQ(tv->Selected(), b);  // the next sibling
  EXPECT_EQ(log, (std::vector<std::string>{"changing B", "change B"}));
  EXPECT_EQ(tv->Items()->Count(), 3);
  b->Delete();
  EXPECT_EQ(tv->Selected(), root);  // no sibling left: the parent
  deleted.clear();
  tv->Items()->Clear();
  EXPECT_EQ(deleted, (std::vector<std::string>{"Root", "Other"}));
  EXPECT_EQ(tv->Selected(), nullptr);
  EXPECT_EQ(tv->Items()->GetFirstNode(), nullptr);
}

// =========================================================================================
// Tool bar

struct ToolBarSetup : FormSetup {
  ToolBarSetup() {
    bar = Make<TToolBar>();
    bar->SetAlign(TAlign::alNone);
    bar->SetWidth(300);
  }

  TToolButton* Add(TToolButtonStyle style, bool grouped = false, const char* caption = "") {
    auto* button = new TToolButton(&form);
    button->SetStyle(style);
    button->SetGrouped(grouped);
    button->SetCaption(caption);
    button->SetParent(bar);
    return button;
  }

  TToolBar* bar = nullptr;
};

class ComCtrlsToolBar : public ::testing::Test, public ToolBarSetup {};

TEST_F(ComCtrlsToolBar, ButtonsAreLaidOutLeftToRight) {
  TToolButton* b1 = Add(TToolButtonStyle::tbsButton);
  TToolButton* sep = Add(TToolButtonStyle::tbsSeparator);
  TToolButton* drop = Add(TToolButtonStyle::tbsDropDown);
  TToolButton* b2 = Add(TToolButtonStyle::tbsCheck);
  EXPECT_EQ(bar->ButtonCount(), 4);
  EXPECT_EQ(bar->Buttons(2), drop);
  EXPECT_EQ(b2->Index(), 3);
  EXPECT_EQ(b1->BoundsRect(), (TRect{0, 0, 23, 22}));
  EXPECT_EQ(sep->BoundsRect(), (TRect{23, 0, 31, 22}));
  EXPECT_EQ(drop->BoundsRect(), (TRect{31, 0, 68, 22}));
  EXPECT_EQ(b2->BoundsRect(), (TRect{68, 0, 91, 22}));
  // A wrapping button ends its row; a narrow bar wraps by itself.
  drop->SetWrap(true);
  EXPECT_EQ(b2->BoundsRect(), (TRect{0, 22, 23, 44}));
  drop->SetWrap(false);
  bar->SetWidth(60);
  EXPECT_EQ(drop->BoundsRect(), (TRect{0, 22, 37, 44}));
  bar->SetWidth(300);
  // Captions widen the buttons; hidden ones take no room.
  bar->SetShowCaptions(true);
  b1->SetCaption("Open file");
  const int captioned = b1->Canvas()->TextWidth("Open file") + 12;
  ASSERT_GT(captioned, 23);
  EXPECT_EQ(b1->Width(), captioned);
  sep->Hide();
  EXPECT_EQ(drop->Left(), captioned);
  delete b1;
  EXPECT_EQ(bar->ButtonCount(), 3);
  EXPECT_EQ(drop->Left(), 0);
  EXPECT_THROW(bar->Buttons(3), EListError);
}

TEST_F(ComCtrlsToolBar, CheckButtonsAndGroups) {
  struct Case {
    const char* name;
    bool allowAllUp;
    std::vector<int> clicks;  // buttons 0..4: check, check, check (grouped), sep, check
    std::vector<bool> expectDown;
  };
  const std::vector<Case> cases = {
      {"one down in a group", false, {0, 1}, {false, true, false, false, false}},
      {"the down one stays down", false, {1, 1}, {false, true, false, false, false}},
      {"all up allowed", true, {1, 1}, {false, false, false, false, false}},
      {"the separator ends the group", false, {2, 4}, {false, false, true, false, true}},
      {"plain check buttons toggle", false, {4, 4, 4}, {false, false, false, false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolBarSetup f;
    std::vector<TToolButton*> buttons = {
        f.Add(TToolButtonStyle::tbsCheck, true), f.Add(TToolButtonStyle::tbsCheck, true),
        f.Add(TToolButtonStyle::tbsCheck, true), f.Add(TToolButtonStyle::tbsSeparator),
        f.Add(TToolButtonStyle::tbsCheck, false)};
    int clicks = 0;
    for (TToolButton* b : buttons) {
      b->SetAllowAllUp(c.allowAllUp);
      b->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
    }
    for (int i : c.clicks) ClickControl(buttons[static_cast<size_t>(i)]);
    std::vector<bool> down;
    for (TToolButton* b : buttons) down.push_back(b->Down());
    EXPECT_EQ(down, c.expectDown);
    EXPECT_EQ(clicks, static_cast<int>(c.clicks.size()));
  }
  // Down set by the program also puts the rest of the group up.
  ToolBarSetup f;
  TToolButton* x = f.Add(TToolButtonStyle::tbsCheck, true);
  TToolButton* y = f.Add(TToolButtonStyle::tbsCheck, true);
  x->SetDown(true);
  y->SetDown(true);
  EXPECT_FALSE(x->Down());
  // Separators and disabled buttons do not click.
  int clicks = 0;
  TToolButton* sep = f.Add(TToolButtonStyle::tbsSeparator);
  sep->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  y->OnClick = sep->OnClick;
  ClickControl(sep);
  y->SetEnabled(false);
  ClickControl(y);
  EXPECT_EQ(clicks, 0);
}

TEST_F(ComCtrlsToolBar, TheDropDownArrowPopsTheMenuUpInsteadOfClicking) {
  auto* menu = new TPopupMenu(&form);
  std::vector<TPoint> popups;
  TPopupMenuHandler previous = SetPopupMenuHandler([&](TPopupMenu& m, int x, int y) {
    EXPECT_EQ(&m, menu);
    popups.push_back({x, y});
  });
  Add(TToolButtonStyle::tbsButton);
  TToolButton* drop = Add(TToolButtonStyle::tbsDropDown);
  int clicks = 0;
  drop->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++clicks; });
  ClickControlAt(drop, drop->Width() - 5, 10);  // no menu yet: nothing
  EXPECT_EQ(clicks, 0);
  drop->SetDropdownMenu(menu);
  ClickControlAt(drop, drop->Width() - 5, 10);
  EXPECT_EQ(clicks, 0);
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_EQ(popups[0], (TPoint{23, 22}));  // below the button's left edge
  EXPECT_EQ(menu->PopupComponent(), drop);
  ClickControlAt(drop, 5, 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(popups.size(), 1u);
  delete menu;
  EXPECT_EQ(drop->DropdownMenu(), nullptr);
  SetPopupMenuHandler(previous);
}

// =========================================================================================
// Status bar

TEST_F(ComCtrlsForm, StatusBarPanels) {
  auto* bar = Make<TStatusBar>();
  EXPECT_EQ(bar->Align(), TAlign::alBottom);
  EXPECT_EQ(bar->BoundsRect(), (TRect{0, 381, 500, 400}));
  for (auto [text, width] : {std::pair{"Ready", 100}, std::pair{"Line 1", 60}, std::pair{"", 50}}) {
    TStatusPanel* panel = bar->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(width);
  }
  EXPECT_EQ(bar->PanelRect(1), (TRect{100, 0, 160, 19}));
  EXPECT_EQ(bar->PanelRect(2), (TRect{160, 0, 500, 19}));  // the last reaches the edge
  EXPECT_EQ(bar->PanelAtPos(170, 5), 2);
  EXPECT_EQ(bar->Panels()->Items(0)->Text(), "Ready");
  EXPECT_THROW(bar->PanelRect(3), EListError);
  EXPECT_THROW(bar->Panels()->Items(-1), EListError);
  std::vector<std::string> drawn;
  bar->OnDrawPanel = TDrawPanelEvent::Lambda([&](TStatusBar*, TStatusPanel* p, const TRect& r) {
    drawn.push_back(p->Text() + "@" + std::to_string(r.Left));
  });
  bar->Panels()->Items(1)->SetStyle(TStatusPanelStyle::psOwnerDraw);
  bar->DrawPanels();
  EXPECT_EQ(drawn, (std::vector<std::string>{"Line 1@100"}));
  bar->SetSimplePanel(true);
  bar->SetSimpleText("Busy");
  EXPECT_EQ(bar->PanelAtPos(170, 5), -1);
  EXPECT_EQ(GetStrProp(bar, "SimpleText"), "Busy");
  // Panels change repaints the bar; a copy takes the panels along.
  const int before = bar->InvalidateCount();
  bar->Panels()->Items(0)->SetText("Done");
  EXPECT_GT(bar->InvalidateCount(), before);
  TStatusBar copy(nullptr);
  copy.SetPanels(bar->Panels());
  ASSERT_EQ(copy.Panels()->Count(), 3);
  EXPECT_EQ(copy.Panels()->Items(0)->Text(), "Done");
  EXPECT_EQ(copy.Panels()->Items(1)->Style(), TStatusPanelStyle::psOwnerDraw);
}

// =========================================================================================
// Animation

struct AnimateSetup : FormSetup {
  AnimateSetup() {
    anim = Make<TAnimate>();
    for (auto [event, name] :
         {std::pair{&TAnimate::OnOpen, "open"}, std::pair{&TAnimate::OnClose, "close"},
          std::pair{&TAnimate::OnStart, "start"}, std::pair{&TAnimate::OnStop, "stop"}}) {
      std::string n = name;
      anim->*event = TNotifyEvent::Lambda([this, n](TObject*) { log.push_back(n); });
    }
  }

  void Tick(int times) {
    for (int i = 0; i < times; ++i) anim->Perform(WM_TIMER, 1, 0);
  }

  // A minimal AVI file: RIFF header and the main header chunk.
  static std::string AviBytes(std::uint32_t frames, std::uint32_t usPerFrame) {
    auto u32 = [](std::uint32_t v) {
      return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                         static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    };
    std::string avih = u32(usPerFrame) + u32(0) + u32(0) + u32(0) + u32(frames) + u32(0) + u32(1) +
                       u32(0) + u32(64) + u32(48) + std::string(16, '\0');
    std::string hdrl =
        "hdrl" + std::string("avih") + u32(static_cast<std::uint32_t>(avih.size())) + avih;
    std::string list = "LIST" + u32(static_cast<std::uint32_t>(hdrl.size())) + hdrl;
    std::string body = "AVI " + list;
    return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
  }

  TAnimate* anim = nullptr;
  std::vector<std::string> log;
};

class ComCtrlsAnimate : public ::testing::Test, public AnimateSetup {};

TEST_F(ComCtrlsAnimate, PlaysTheFramesTheGivenNumberOfTimes) {
  anim->SetCommonAVI(TCommonAVI::aviCopyFiles);
  anim->Play(2, 4, 2);
  EXPECT_TRUE(anim->Active());
  EXPECT_EQ(anim->CurrentFrame(), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"open", "start"}));
  std::vector<int> frames;
  for (int i = 0; i < 5; ++i) {
    Tick(1);
    frames.push_back(anim->CurrentFrame());
  }
  EXPECT_EQ(frames, (std::vector<int>{3, 4, 2, 3, 4}));
  EXPECT_TRUE(anim->Active());
  Tick(1);
  EXPECT_FALSE(anim->Active());
  EXPECT_EQ(log, (std::vector<std::string>{"open", "start", "stop"}));
  Tick(3);  // a stopped clip ignores stray timer messages
  EXPECT_EQ(anim->CurrentFrame(), 4);
  // Endless repetition until stopped; choosing another clip closes this one.
  log.clear();
  anim->SetRepetitions(0);
  anim->SetActive(true);
  Tick(50);
  EXPECT_TRUE(anim->Active());
  anim->SetCommonAVI(TCommonAVI::aviFindFile);
  EXPECT_EQ(log, (std::vector<std::string>{"start", "stop", "close"}));
  EXPECT_FALSE(anim->Open());
  EXPECT_EQ(anim->FrameCount(), 0);
}

TEST_F(ComCtrlsAnimate, OpensAviFilesAndRejectsBadOnes) {
  testsupport::TempDir dir;
  anim->SetFileName(dir.Write("clip.avi", AviBytes(5, 50000)));
  anim->SetOpen(true);
  EXPECT_EQ(anim->FrameCount(), 5);
  EXPECT_EQ(anim->FrameWidth(), 64);
  EXPECT_EQ(anim->FrameHeight(), 48);
  EXPECT_EQ(anim->FrameInterval(), 50);
  EXPECT_EQ(anim->StopFrame(), 5);
  EXPECT_EQ(anim->CommonAVI(), TCommonAVI::aviNone);
  struct Case {
    const char* name;
    std::function<void()> act;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"frames past the clip", [&] { anim->Play(1, 6, 1); }, "Invalid frame range"},
      {"reversed range", [&] { anim->Play(4, 2, 1); }, "Invalid frame range"},
      {"seek before the first frame", [&] { anim->Seek(0); }, "Invalid frame range"},
      {"not an AVI file",
       [&] {
         anim->SetFileName(dir.Write("text.avi", "RIFF....WAVEfmt "));
         anim->SetActive(true);
       },
       "Cannot open AVI"},
      {"a missing file",
       [&] {
         anim->SetFileName(dir.File("missing.avi"));
         anim->SetOpen(true);
       },
       "Cannot open AVI"},
      {"no clip at all",
       [&] {
         anim->SetFileName("");
         anim->SetActive(true);
       },
       "Cannot open AVI"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.act();
      ADD_FAILURE() << "no exception";
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(anim->Active());
  }
}

TEST_F(ComCtrlsAnimate, SeekAndResetStopOnAFrame) {
  anim->SetCommonAVI(TCommonAVI::aviFindFolder);
  anim->SetActive(true);
  Tick(3);
  anim->Seek(9);
  EXPECT_FALSE(anim->Active());
  EXPECT_EQ(anim->CurrentFrame(), 9);
  anim->SetStartFrame(5);
  anim->Reset();
  EXPECT_EQ(anim->CurrentFrame(), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"open", "start", "stop"}));
  SetPropAsString(anim, "CommonAVI", "aviDeleteFile");
  EXPECT_EQ(anim->CommonAVI(), TCommonAVI::aviDeleteFile);
}

}  // namespace
