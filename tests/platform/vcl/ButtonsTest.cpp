#include "platform/vcl/Buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"

using namespace vcl;

namespace {

TEST(ButtonsBitBtn, KindSetsCaptionResultAndRole) {
  using K = TBitBtnKind;
  struct Case {
    K kind;
    const char* caption;
    int result;
    bool isDefault, isCancel;
  };
  const std::vector<Case> cases = {
      {K::bkOK, "OK", mrOk, true, false},
      {K::bkCancel, "Cancel", mrCancel, false, true},
      {K::bkHelp, "&Help", mrNone, false, false},
      {K::bkYes, "&Yes", mrYes, true, false},
      {K::bkNo, "&No", mrNo, false, true},
      {K::bkClose, "&Close", mrNone, false, false},
      {K::bkAbort, "Abort", mrAbort, false, false},
      {K::bkRetry, "&Retry", mrRetry, false, false},
      {K::bkIgnore, "&Ignore", mrIgnore, false, false},
      {K::bkAll, "&All", mrAll, false, false},
  };
  TForm form(nullptr);
  auto* button = new TBitBtn(&form);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    button->SetKind(c.kind);
    EXPECT_EQ(button->Kind(), c.kind);
    EXPECT_EQ(button->Caption(), c.caption);
    EXPECT_EQ(button->ModalResult(), c.result);
    EXPECT_EQ(button->Default(), c.isDefault);
    EXPECT_EQ(button->Cancel(), c.isCancel);
    EXPECT_EQ(GetEnumProp(button, "Kind"), GetEnumProp(button, "Kind"));
  }
  button->SetKind(K::bkCustom);
  EXPECT_EQ(button->Caption(), "&All") << "a custom kind keeps what was set";
  EXPECT_EQ(button->ModalResult(), mrAll);
}

TEST(ButtonsBitBtn, ChangesMakeTheKindCustom) {
  struct Case {
    const char* name;
    void (*change)(TBitBtn*);
  };
  const std::vector<Case> cases = {
      {"modal result", [](TBitBtn* b) { b->SetModalResult(mrYes); }},
      {"default off", [](TBitBtn* b) { b->SetDefault(false); }},
      {"cancel on", [](TBitBtn* b) { b->SetCancel(true); }},
      {"glyph",
       [](TBitBtn* b) {
         TBitmap glyph;
         glyph.SetSize(16, 16);
         b->SetGlyph(&glyph);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitBtn button(nullptr);
    button.SetKind(TBitBtnKind::bkOK);
    c.change(&button);
    EXPECT_EQ(button.Kind(), TBitBtnKind::bkCustom);
    EXPECT_EQ(GetEnumProp(&button, "Kind"), "bkCustom");
    SetEnumProp(&button, "Kind", "bkOK");
    EXPECT_EQ(button.Kind(), TBitBtnKind::bkOK) << "setting the kind again restores it";
    EXPECT_TRUE(button.Default());
    EXPECT_EQ(button.ModalResult(), mrOk);
    EXPECT_TRUE(button.Glyph()->Empty());
  }
  TBitBtn button(nullptr);
  button.SetKind(TBitBtnKind::bkOK);
  button.SetCaption("&Accept");
  EXPECT_EQ(button.Kind(), TBitBtnKind::bkOK) << "a caption of one's own keeps the kind";
}

TEST(ButtonsBitBtn, GlyphIsCopiedAndCounted) {
  TBitBtn button(nullptr);
  TBitmap source;
  source.SetSize(64, 16);
  source.SetPixel(1, 1, 0xFF112233u);
  button.SetGlyph(&source);
  source.SetPixel(1, 1, 0xFF000000u);
  EXPECT_EQ(button.Glyph()->Pixel(1, 1), 0xFF112233u) << "the button keeps its own copy";
  EXPECT_EQ(button.NumGlyphs(), 4);
  source.SetSize(40, 16);
  button.SetGlyph(&source);
  EXPECT_EQ(button.NumGlyphs(), 4) << "a width that is no multiple keeps the count";
  source.SetSize(32, 16);
  SetObjectProp(&button, "Glyph", &source);
  EXPECT_EQ(button.NumGlyphs(), 2);
  EXPECT_EQ(button.Glyph()->Width(), 32);
  button.SetGlyph(nullptr);
  EXPECT_TRUE(button.Glyph()->Empty());
  button.SetNumGlyphs(9);
  EXPECT_EQ(button.NumGlyphs(), 4);
}

TEST(ButtonsBitBtn, OkAndCancelKindsAnswerAModalForm) {
  struct Case {
    std::uint16_t key;
    int expect;
  };
  for (const Case& c : std::vector<Case>{{VK_RETURN, mrOk}, {VK_ESCAPE, mrCancel}}) {
    TScriptedUser user;
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    auto* cancel = new TBitBtn(&form);
    cancel->SetParent(&form);
    cancel->SetKind(TBitBtnKind::bkCancel);
    auto* ok = new TBitBtn(&form);
    ok->SetParent(&form);
    ok->SetKind(TBitBtnKind::bkOK);
    int okClicks = 0;
    ok->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++okClicks; });
    user.Answer([&](TCustomForm& shown) { SendKey(c.key, 0, &shown); });
    EXPECT_EQ(form.ShowModal(), c.expect);
    EXPECT_EQ(okClicks, c.expect == mrOk ? 1 : 0);
    EXPECT_EQ(user.UnansweredCount(), 0);
  }
}

class ButtonsSpeed : public ::testing::Test {
 protected:
  ButtonsSpeed() {
    form.SetBounds(0, 0, 300, 200);
    edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(0, 100, 100, 21);
    for (int i = 0; i < 4; ++i) {
      auto* b = new TSpeedButton(&form);
      b->SetName("sb" + std::to_string(i));
      b->SetParent(&form);
      b->SetBounds(30 * i, 0, 25, 25);
      b->OnClick = TNotifyEvent::Lambda([this, i](TObject*) { clicks.push_back(i); });
      buttons.push_back(b);
    }
  }
  std::string DownState() const {
    std::string s;
    for (TSpeedButton* b : buttons) s += b->Down() ? 'D' : '-';
    return s;
  }
  TForm form{nullptr};
  TEdit* edit;
  std::vector<TSpeedButton*> buttons;
  std::vector<int> clicks;
};

TEST_F(ButtonsSpeed, GroupsKeepOneButtonDown) {
  struct Case {
    const char* name;
    std::vector<int> groups;
    bool allowAllUp;
    std::vector<std::pair<int, const char*>> clicks;  // button clicked, down state after
  };
  const std::vector<Case> cases = {
      {"one group",
       {1, 1, 1, 0},
       false,
       {{0, "D---"}, {1, "-D--"}, {1, "-D--"}, {2, "--D-"}, {3, "--D-"}}},
      {"one group, all may be up",
       {1, 1, 1, 0},
       true,
       {{0, "D---"}, {0, "----"}, {2, "--D-"}, {1, "-D--"}}},
      {"two groups", {1, 1, 2, 2}, false, {{0, "D---"}, {2, "D-D-"}, {3, "D--D"}, {1, "-D-D"}}},
      {"a button of its own group toggles with AllowAllUp",
       {0, 0, 0, 5},
       true,
       {{3, "---D"}, {3, "----"}, {0, "----"}}},
  };
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (size_t i = 0; i < buttons.size(); ++i) {
      buttons[i]->SetAllowAllUp(true);
      buttons[i]->SetDown(false);
      buttons[i]->SetGroupIndex(c.groups[i]);
    }
    for (TSpeedButton* b : buttons) b->SetAllowAllUp(c.allowAllUp);
    clicks.clear();
    std::vector<int> expectClicks;
    for (auto [index, state] : c.clicks) {
      ClickControl(buttons[static_cast<size_t>(index)]);
      expectClicks.push_back(index);
      EXPECT_EQ(DownState(), state) << "after clicking " << index;
    }
    EXPECT_EQ(clicks, expectClicks) << "every click reports";
  }
}

TEST_F(ButtonsSpeed, DownInCodeAndFocus) {
  for (TSpeedButton* b : buttons) b->SetGroupIndex(1);
  buttons[0]->SetDown(true);
  buttons[2]->SetDown(true);
  EXPECT_EQ(DownState(), "--D-");
  buttons[2]->SetDown(false);
  EXPECT_EQ(DownState(), "--D-") << "the down button stays without AllowAllUp";
  buttons[1]->SetAllowAllUp(true);
  EXPECT_TRUE(buttons[2]->AllowAllUp()) << "AllowAllUp is the group's";
  buttons[2]->SetDown(false);
  EXPECT_EQ(DownState(), "----");
  buttons[3]->SetGroupIndex(0);
  buttons[3]->SetDown(true);
  EXPECT_FALSE(buttons[3]->Down()) << "no group, no down state";
  EXPECT_TRUE(clicks.empty()) << "code changes are no clicks";

  // Joining a group while down puts the group's down button up.
  buttons[1]->SetDown(true);
  auto* joiner = new TSpeedButton(&form);
  joiner->SetParent(&form);
  joiner->SetBounds(200, 0, 25, 25);
  joiner->SetGroupIndex(7);
  joiner->SetDown(true);
  joiner->SetGroupIndex(1);
  EXPECT_EQ(DownState(), "----");
  EXPECT_TRUE(joiner->Down());

  form.Show();
  edit->SetFocus();
  ClickControl(buttons[0]);
  EXPECT_EQ(form.ActiveControl(), edit) << "a speed button never takes the focus";
  EXPECT_EQ(clicks, (std::vector<int>{0}));
}

TEST_F(ButtonsSpeed, PublishedProperties) {
  TSpeedButton* b = buttons[0];
  SetPropAsString(b, "GroupIndex", "3");
  SetPropAsString(b, "Down", "True");
  SetPropAsString(b, "Layout", "blGlyphTop");
  SetPropAsString(b, "Flat", "True");
  EXPECT_EQ(b->GroupIndex(), 3);
  EXPECT_TRUE(b->Down());
  EXPECT_EQ(b->Layout(), TButtonLayout::blGlyphTop);
  EXPECT_TRUE(b->Flat());
  EXPECT_TRUE(b->Transparent());
  EXPECT_EQ(GetPropAsString(b, "Glyph"), "TBitmap");
  EXPECT_THROW(SetPropAsString(b, "Layout", "blNowhere"), EPropertyConvertError);
}

}  // namespace
