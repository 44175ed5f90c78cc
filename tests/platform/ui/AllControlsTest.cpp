// One form holding every standard control, rendered to a picture a person can open
// ("all-controls.png"); each control's area must show something of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "platform/rtl/CodePages.h"
#include "platform/ui/Render.h"
#include "platform/vcl/Aligrid.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Grids.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/Spin.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"

namespace vcl {
namespace {

std::string ArtefactPath(const std::string& name) {
  const char* dir = std::getenv("STEWARD_ARTEFACTS");
  return dir && *dir ? std::string(dir) + "/" + name : name;
}

TEST(AllControls, EveryControlDrawsItsArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 640, 480);
  form.SetColor(clCream);
  form.SetCaption(DesignText("全部控件 - All controls"));
  form.Font()->SetName(DesignText("宋体"));
  form.Font()->SetHeight(-12);
  form.Font()->SetCharset(GB2312_CHARSET);

  std::vector<TControl*> controls;
  auto place = [&](TControl* c, int x, int y, int w, int h) {
    c->SetParent(&form);
    c->SetBounds(x, y, w, h);
    controls.push_back(c);
    return c;
  };

  auto* label = new TLabel(&form);
  label->SetCaption(DesignText("部门(&D):"));
  place(label, 8, 8, 60, 16);
  auto* edit = new TEdit(&form);
  edit->SetText("1001");
  place(edit, 70, 4, 100, 21);
  auto* mask = new TMaskEdit(&form);
  mask->SetText("2026/12/11");
  place(mask, 180, 4, 90, 21);
  auto* spin = new TSpinEdit(&form);
  spin->SetText("12");
  place(spin, 280, 4, 60, 21);
  auto* button = new TButton(&form);
  button->SetCaption(DesignText("确定"));
  place(button, 350, 4, 75, 25);
  auto* bitbtn = new TBitBtn(&form);
  bitbtn->SetCaption("Cancel");
  bitbtn->SetEnabled(false);
  place(bitbtn, 430, 4, 75, 25);
  auto* speed = new TSpeedButton(&form);
  speed->SetCaption("S");
  place(speed, 510, 4, 23, 22);

  auto* check = new TCheckBox(&form);
  check->SetCaption(DesignText("不同部门分页"));
  check->SetChecked(true);
  place(check, 8, 34, 120, 17);
  auto* radio = new TRadioButton(&form);
  radio->SetCaption("Radio");
  radio->SetChecked(true);
  place(radio, 130, 34, 80, 17);
  auto* combo = new TComboBox(&form);
  combo->Items()->Add("One");
  combo->Items()->Add("Two");
  combo->SetItemIndex(1);
  place(combo, 220, 32, 100, 21);
  auto* memo = new TMemo(&form);
  memo->Lines()->Add("First line");
  memo->Lines()->Add("Second line");
  place(memo, 330, 34, 120, 50);
  auto* list = new TListBox(&form);
  for (const char* s : {"Alpha", "Beta", "Gamma", "Delta", "Epsilon", "Zeta"})
    list->Items()->Add(s);
  list->SetItemIndex(1);
  place(list, 460, 34, 100, 60);

  auto* group = new TGroupBox(&form);
  group->SetCaption("Group");
  place(group, 8, 60, 150, 60);
  auto* panel = new TPanel(&form);
  panel->SetCaption("Panel");
  place(panel, 165, 60, 150, 30);
  auto* radioGroup = new TRadioGroup(&form);
  radioGroup->SetCaption("Choice");
  radioGroup->Items()->Add("A");
  radioGroup->Items()->Add("B");
  place(radioGroup, 165, 95, 150, 60);
  auto* bevel = new TBevel(&form);
  place(bevel, 8, 125, 150, 30);
  auto* shape = new TShape(&form);
  shape->SetShape(TShapeType::stEllipse);
  place(shape, 570, 34, 60, 40);
  auto* splitter = new TSplitter(&form);
  place(splitter, 565, 100, 5, 60);

  auto* pages = new TPageControl(&form);
  place(pages, 330, 100, 230, 90);
  for (const char* caption : {"First", "Second"}) {
    auto* sheet = new TTabSheet(&form);
    sheet->SetCaption(caption);
    sheet->SetPageControl(pages);
  }
  auto* tabs = new TTabControl(&form);
  tabs->Tabs()->Add("One");
  tabs->Tabs()->Add("Two");
  place(tabs, 8, 160, 150, 60);
  auto* tabSet = new TTabSet(&form);
  tabSet->Tabs()->Add("Sheet1");
  tabSet->Tabs()->Add("Sheet2");
  place(tabSet, 165, 160, 150, 22);

  auto* view = new TListView(&form);
  view->SetViewStyle(TViewStyle::vsReport);
  view->Columns()->Add()->SetCaption("Code");
  view->Columns()->Add()->SetCaption("Name");
  for (int i = 0; i < 8; ++i) {
    TListItem* item = view->Items()->Add();
    item->SetCaption("E" + std::to_string(i));
    item->SubItems()->Add("Person " + std::to_string(i));
  }
  place(view, 8, 230, 200, 100);
  auto* tree = new TTreeView(&form);
  TTreeNode* root = tree->Items()->Add(nullptr, "Company");
  tree->Items()->AddChild(root, "Sales");
  tree->Items()->AddChild(root, "Plant");
  place(tree, 215, 230, 120, 100);
  auto* grid = new TStringGrid(&form);
  grid->SetColCount(4);
  grid->SetRowCount(6);
  grid->SetCells(1, 1, "42");
  place(grid, 340, 200, 180, 100);
  auto* alignGrid = new TStringAlignGrid(&form);
  alignGrid->SetColCount(3);
  alignGrid->SetRowCount(3);
  alignGrid->SetCells(1, 1, "x");
  place(alignGrid, 525, 200, 110, 100);
  auto* toolbar = new TToolBar(&form);
  toolbar->SetAlign(TAlign::alNone);
  toolbar->SetShowCaptions(true);
  place(toolbar, 8, 340, 200, 26);
  for (int i = 0; i < 3; ++i) {
    auto* tool = new TToolButton(&form);
    tool->SetParent(toolbar);
    tool->SetCaption("T" + std::to_string(i));
  }
  auto* status = new TStatusBar(&form);
  status->SetAlign(TAlign::alNone);
  status->Panels()->Add()->SetText("Ready");
  place(status, 8, 450, 400, 20);

  form.Show();
  edit->SetFocus();
  TBitmap window;
  RenderForm(form, window);
  window.SaveToFile(ArtefactPath("all-controls.png"));

  const TFrameMetrics m = FrameMetrics(form);
  const std::uint32_t background = 0xFF000000u | ToRgb(clCream);
  for (TControl* c : controls) {
    std::set<std::uint32_t> colours;
    for (int y = c->Top(); y < c->Top() + c->Height(); ++y)
      for (int x = c->Left(); x < c->Left() + c->Width(); ++x)
        colours.insert(window.Pixel(x + m.border, y + m.border + m.caption + m.menu));
    EXPECT_TRUE(colours.size() > 1 || (colours.size() == 1 && *colours.begin() != background))
        << c->ClassName() << " at " << c->Left() << "," << c->Top() << " is blank";
  }
  form.Hide();
}

}  // namespace
}  // namespace vcl
