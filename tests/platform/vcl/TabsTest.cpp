#include "platform/vcl/Tabs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"

using namespace vcl;

namespace {

// A tab set with the tabs One, Two and Three: 30, 30 and 42 pixels wide from x = 5.
struct TabSetSetup {
  // A tab's width: its caption in the control's font, and a margin.
  int Tab(const char* caption) const { return tabs->Canvas()->TextWidth(caption) + 12; }

  TabSetSetup() {
    form.SetBounds(0, 0, 400, 300);
    tabs = new TTabSet(&form);
    tabs->SetParent(&form);
    tabs->Tabs()->SetCommaText("One,Two,Three");
    tabs->OnChange = TTabChangeEvent::Lambda([this](TObject*, int newTab, bool& allow) {
      log.push_back("change to " + std::to_string(newTab) + " from " +
                    std::to_string(tabs->TabIndex()));
      allow = allowChange;
    });
    tabs->OnClick = TNotifyEvent::Lambda([this](TObject*) { log.push_back("click"); });
  }

  TForm form{nullptr};
  TTabSet* tabs = nullptr;
  std::vector<std::string> log;
  bool allowChange = true;
};

class Tabs : public ::testing::Test, public TabSetSetup {};

TEST_F(Tabs, TabsLieSideBySideFromTheStartMargin) {
  EXPECT_EQ(tabs->TabIndex(), -1);
  const int third = 5 + Tab("One") + Tab("Two");
  EXPECT_EQ(tabs->ItemRect(0), (TRect{5, 0, 5 + Tab("One"), 21}));
  EXPECT_EQ(tabs->ItemRect(2), (TRect{third, 0, third + Tab("Three"), 21}));
  EXPECT_EQ(tabs->ItemAtPos({third + 5, 10}), 2);
  EXPECT_EQ(tabs->ItemAtPos({2, 10}), -1);
  EXPECT_EQ(tabs->ItemAtPos({third + Tab("Three") + 5, 10}), -1);
  // Scrolled: earlier tabs are out of view.
  tabs->SetFirstIndex(1);
  EXPECT_EQ(tabs->ItemRect(0), TRect{});
  EXPECT_EQ(tabs->ItemRect(1), (TRect{5, 0, 5 + Tab("Two"), 21}));
  // A narrow set shows what fits before the end margin; selecting a tab scrolls to it.
  tabs->SetFirstIndex(0);
  tabs->SetWidth(60);
  EXPECT_EQ(tabs->ItemRect(1), TRect{});
  tabs->SetTabIndex(2);
  EXPECT_EQ(tabs->FirstIndex(), 2);
  EXPECT_EQ(tabs->ItemRect(2), (TRect{5, 0, 5 + Tab("Three"), 21}));
}

TEST_F(Tabs, ClickingATabAsksOnChange) {
  for (bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "refused");
    log.clear();
    allowChange = allow;
    ClickControlAt(tabs, 70, 10);
    if (allow) {
      EXPECT_EQ(tabs->TabIndex(), 2);
      EXPECT_EQ(log, (std::vector<std::string>{"change to 2 from -1", "click"}));
    } else {
      EXPECT_EQ(tabs->TabIndex(), -1);
      EXPECT_EQ(log, (std::vector<std::string>{"change to 2 from -1"}));
    }
  }
  // The selected tab again, or no tab: nothing to ask.
  log.clear();
  ClickControlAt(tabs, 70, 10);
  ClickControlAt(tabs, 150, 10);
  EXPECT_TRUE(log.empty());
  // The program's changes ask too.
  allowChange = false;
  tabs->SetTabIndex(0);
  EXPECT_EQ(tabs->TabIndex(), 2);
  allowChange = true;
  tabs->SetTabIndex(-1);
  EXPECT_EQ(tabs->TabIndex(), -1);
}

TEST_F(Tabs, ArrowKeysMoveAroundTheTabs) {
  tabs->SetTabStop(true);
  form.Show();
  tabs->SetFocus();
  struct Step {
    std::uint16_t key;
    bool allow;
    int expect;
  };
  const std::vector<Step> steps = {
      {VK_RIGHT, true, 0}, {VK_RIGHT, true, 1}, {VK_RIGHT, true, 2},
      {VK_RIGHT, true, 0}, {VK_LEFT, true, 2},  {VK_LEFT, false, 2},
  };
  for (const Step& step : steps) {
    allowChange = step.allow;
    SendKey(step.key, 0, &form);
    EXPECT_EQ(tabs->TabIndex(), step.expect);
  }
  EXPECT_EQ(form.ActiveControl(), tabs);  // the arrows did not move the focus
}

TEST_F(Tabs, TheTabIndexStaysWithinTheTabs) {
  for (int bad : {3, -2, 100}) {
    SCOPED_TRACE(bad);
    try {
      tabs->SetTabIndex(bad);
      ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "Tab index out of bounds");
    }
  }
  EXPECT_TRUE(log.empty());
  tabs->SetTabIndex(2);
  tabs->Tabs()->Delete(2);
  EXPECT_EQ(tabs->TabIndex(), 1);
  tabs->Tabs()->Clear();
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_FALSE(tabs->SelectNext(true));
  // Published by name.
  SetPropAsString(tabs, "StartMargin", "10");
  EXPECT_EQ(tabs->StartMargin(), 10);
  EXPECT_EQ(GetPropAsString(tabs, "SelectedColor"), "clBtnFace");
  TStringList source;
  source.SetCommaText("a,b");
  SetObjectProp(tabs, "Tabs", &source);
  EXPECT_EQ(tabs->Tabs()->CommaText(), "a,b");
}

}  // namespace
