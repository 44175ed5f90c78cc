#include "platform/vcl/Spin.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"

using namespace vcl;

namespace {

class SpinEditForm : public ::testing::Test {
 protected:
  SpinEditForm() {
    spin = new TSpinEdit(&form);
    spin->SetName("seCount");
    spin->SetParent(&form);
    other = new TEdit(&form);
    other->SetName("edOther");
    other->SetParent(&form);
    spin->OnChange = TNotifyEvent::Lambda([this](TObject*) { ++changes; });
  }
  TForm form{nullptr};
  TSpinEdit* spin;
  TEdit* other;
  int changes = 0;
};

TEST_F(SpinEditForm, ValueReadsAndWritesTheTextWithinTheLimits) {
  struct Case {
    int min, max;
    const char* text;  // nullptr: set `set` as Value instead
    int set;
    const char* expectText;
    int expectValue;
  };
  const std::vector<Case> cases = {
      {0, 0, nullptr, 5, "5", 5},
      {0, 0, nullptr, -40000, "-40000", -40000},
      {1, 10, nullptr, 50, "10", 10},
      {1, 10, nullptr, -3, "1", 1},
      {0, 0, "42", 0, "42", 42},
      {0, 0, " +42 ", 0, " +42 ", 42},
      {1, 10, "99", 0, "99", 10},
      {1, 10, "abc", 0, "abc", 1},
      {5, 9, "", 0, "", 5},
      {0, 0, "12x", 0, "12x", 0},
      {0, 0, "99999999999", 0, "99999999999", 2147483647},
      {5, 5, nullptr, 50, "50", 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : std::to_string(c.set));
    spin->SetMinValue(c.min);
    spin->SetMaxValue(c.max);
    if (c.text)
      spin->SetText(c.text);
    else
      spin->SetValue(c.set);
    EXPECT_EQ(spin->GetText(), c.expectText);
    EXPECT_EQ(spin->Value(), c.expectValue);
  }
}

TEST_F(SpinEditForm, ArrowKeysStepWithinTheLimits) {
  spin->SetMinValue(0);
  spin->SetMaxValue(10);
  spin->SetIncrement(4);
  spin->SetValue(2);
  form.Show();
  spin->SetFocus();
  changes = 0;
  const std::vector<std::pair<std::uint16_t, int>> steps = {
      {VK_UP, 6}, {VK_UP, 10}, {VK_UP, 10}, {VK_DOWN, 6}, {VK_DOWN, 2}, {VK_DOWN, 0}, {VK_DOWN, 0}};
  for (auto [key, expect] : steps) {
    SendKey(key, 0, &form);
    EXPECT_EQ(spin->Value(), expect);
  }
  EXPECT_EQ(changes, 5) << "a step at a limit changes nothing";
  EXPECT_EQ(form.ActiveControl(), spin) << "arrows stay in the spin edit";

  spin->SetReadOnly(true);
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(spin->Value(), 0);
}

TEST_F(SpinEditForm, TypingTakesDigitsAndMinusOnly) {
  form.Show();
  spin->SetFocus();  // selects all
  TypeText("-1a2.3 4", &form);
  EXPECT_EQ(spin->GetText(), "-1234");
  EXPECT_EQ(spin->Value(), -1234);
  SendKey(VK_BACK, 0, &form);
  EXPECT_EQ(spin->GetText(), "-123");

  spin->SetEditorEnabled(false);
  changes = 0;
  TypeText("5", &form);
  SendKey(VK_BACK, 0, &form);
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(spin->GetText(), "-123");
  EXPECT_EQ(changes, 0);
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(spin->Value(), -122) << "the arrows still step";
}

TEST_F(SpinEditForm, LeavingPutsTheTextWithinTheLimits) {
  spin->SetMinValue(1);
  spin->SetMaxValue(12);
  form.Show();
  spin->SetFocus();
  TypeText("40", &form);
  other->SetFocus();
  EXPECT_EQ(spin->GetText(), "12");
  spin->SetFocus();
  TypeText("x", &form);
  TypeText("", &form);
  spin->SetText("");
  other->SetFocus();
  EXPECT_EQ(spin->GetText(), "") << "text that is no number is left alone";
  EXPECT_EQ(GetOrdProp(spin, "Value"), 1);
  SetOrdProp(spin, "Value", 7);
  EXPECT_EQ(spin->GetText(), "7");
  EXPECT_EQ(GetOrdProp(spin, "Increment"), 1);
}

}  // namespace
