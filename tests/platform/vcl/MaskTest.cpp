#include "platform/vcl/Mask.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"

using namespace vcl;

namespace {

class MaskEditForm : public ::testing::Test {
 protected:
  MaskEditForm() {
    edit = new TMaskEdit(&form);
    edit->SetName("meDate");
    edit->SetParent(&form);
    other = new TEdit(&form);
    other->SetName("edOther");
    other->SetParent(&form);
    edit->OnChange = TNotifyEvent::Lambda([this](TObject*) { ++changes; });
  }
  TForm form{nullptr};
  TMaskEdit* edit;
  TEdit* other;
  int changes = 0;
};

TEST_F(MaskEditForm, AssignedTextFillsTheMask) {
  struct Case {
    const char* mask;
    const char* assigned;
    const char* editText;
    const char* text;
    bool empty;
  };
  const std::vector<Case> cases = {
      {"9999/99/99;1; ", "", "    /  /  ", "    /  /  ", true},
      {"!9999/99/99;0;_", "", "____/__/__", "", true},
      {"9999/99/99;1; ", "20240105", "2024/01/05", "2024/01/05", false},
      {"9999/99/99;1; ", "2024/01/05", "2024/01/05", "2024/01/05", false},
      {"!9999/99/99;0;_", "2024/01/05", "2024/01/05", "20240105", false},
      {"!9999/99/99;0;_", "20240105", "2024/01/05", "20240105", false},
      {"9999/99/99;1;_", "2024", "2024/__/__", "2024/  /  ", false},
      {"9999/99/99;1;_", "    /  /  ", "____/__/__", "    /  /  ", true},
      {"9999/99/99;1;_", "20a40105", "20_4/01/05", "20 4/01/05", false},
      {"9999/99/99", "20240105", "2024/01/05", "2024/01/05", false},
      {">LL-000;1;_", "ab-123", "AB-123", "AB-123", false},
      {">L<ll;1;_", "aBC", "Abc", "Abc", false},
      {">L<>ll;1;_", "aBc", "ABc", "ABc", false},
      {"\\(999\\)000;0;_", "(12)345", "(12_)345", "12345", false},
      {"\\(999\\)000;0;_", "123456", "(123)456", "123456", false},
      {"00:00;1;_", "0930", "09:30", "09:30", false},
      {"#99;1;_", "-12", "-12", "-12", false},
      {"AAaa;0;*", "a1", "a1**", "a1", false},
      {"CCC;1;_", "?! ", "?!_", "?! ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " <- " + c.assigned);
    edit->SetEditMask(c.mask);
    edit->SetText(c.assigned);
    EXPECT_EQ(edit->EditText(), c.editText);
    EXPECT_EQ(edit->GetText(), c.text);
    EXPECT_EQ(edit->IsMaskedTextEmpty(), c.empty);
    EXPECT_EQ(FormatMaskText(c.mask, c.assigned), c.text);
    edit->SetText("");
  }
}

TEST_F(MaskEditForm, SeparatorsFollowTheDateAndTimeSettings) {
  const char oldDate = DateSeparator, oldTime = TimeSeparator;
  DateSeparator = '-';
  TimeSeparator = '.';
  edit->SetEditMask("9999/99/99 99:99;1;_");
  edit->SetText("2024-01-05 10.30");
  const AnsiString editText = edit->EditText();
  DateSeparator = oldDate;
  TimeSeparator = oldTime;
  EXPECT_EQ(editText, "2024-01-05 10.30");
}

TEST_F(MaskEditForm, TypingFillsInputPositionsAndRefusesMisfits) {
  struct Case {
    const char* mask;
    const char* typed;
    const char* editText;
    int changes;
  };
  const std::vector<Case> cases = {
      {"9999/99/99;1;_", "20240105", "2024/01/05", 8},
      {"9999/99/99;1;_", "2a0", "20__/__/__", 2},
      {"9999/99/99;1;_", "2024/01", "2024/01/__", 6},
      {"9999/99/99;1;_", "2024/1/5", "2024/1_/5_", 6},
      {"99:99;1;_", "9:30", "9_:30", 3},
      {"LL0;1;_", "1ab2c", "ab2", 3},
      {">LL;1;_", "xy", "XY", 2},
      {"000;1;_", "1234", "123", 3},
  };
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " typed " + c.typed);
    edit->SetEditMask(c.mask);
    edit->SetText("");
    edit->SetFocus();
    edit->SetSelStart(0);
    changes = 0;
    TypeText(c.typed, &form);
    EXPECT_EQ(edit->EditText(), c.editText);
    EXPECT_EQ(changes, c.changes);
    other->SetFocus();
  }
}

TEST_F(MaskEditForm, BackspaceDeleteAndSelectionBlankPositions) {
  edit->SetEditMask("9999/99/99;1;_");
  form.Show();
  edit->SetFocus();
  edit->SetSelStart(0);
  TypeText("20240105", &form);
  EXPECT_EQ(edit->SelStart(), 10);
  SendKey(VK_BACK, 0, &form);
  SendKey(VK_BACK, 0, &form);
  SendKey(VK_BACK, 0, &form);
  EXPECT_EQ(edit->EditText(), "2024/0_/__") << "backspace steps over literals";
  EXPECT_EQ(edit->SelStart(), 6);
  SendKey(VK_HOME, 0, &form);
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(edit->EditText(), "_024/0_/__");
  EXPECT_EQ(edit->SelStart(), 0);
  edit->SetSelStart(1);
  edit->SetSelLength(5);
  TypeText("7", &form);
  EXPECT_EQ(edit->EditText(), "_7__/__/__") << "typing over a selection blanks it first";
  EXPECT_EQ(edit->SelStart(), 2);
  edit->SetReadOnly(true);
  changes = 0;
  TypeText("1", &form);
  SendKey(VK_BACK, 0, &form);
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(edit->EditText(), "_7__/__/__");
  EXPECT_EQ(changes, 0);
}

TEST_F(MaskEditForm, EnteringSelectsAllSoTypingReplaces) {
  edit->SetEditMask("9999/99/99;1;_");
  edit->SetText("20240105");
  form.Show();
  edit->SetFocus();
  TypeText("1999", &form);
  EXPECT_EQ(edit->EditText(), "1999/__/__");
  EXPECT_TRUE(edit->Modified());
}

TEST_F(MaskEditForm, ValidateEditNeedsTheRequiredPositions) {
  struct Case {
    const char* mask;
    const char* text;
    int missingAt;  // -1: valid
  };
  const std::vector<Case> cases = {
      {"0000/00/00;1;_", "2024/01/05", -1},
      {"0000/00/00;1;_", "2024/01", 8},
      {"0000/00/00;1;_", "", 0},
      {"9999/99/99;1;_", "2024", -1},
      {"L9a0;1;_", "x  5", -1},
      {"L9a0;1;_", "x1a", 3},
      {"", "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " " + c.text);
    edit->SetEditMask(c.mask);
    edit->SetText(c.text);
    if (c.missingAt < 0) {
      EXPECT_NO_THROW(edit->ValidateEdit());
      continue;
    }
    try {
      edit->ValidateEdit();
      ADD_FAILURE() << "no EMaskError";
    } catch (const EMaskError& e) {
      EXPECT_STREQ(e.what(), "Invalid input value.  Use escape key to abandon changes");
      EXPECT_EQ(edit->SelStart(), c.missingAt) << "the caret goes to the missing position";
    }
  }
}

TEST_F(MaskEditForm, LeavingValidatesModifiedInput) {
  edit->SetEditMask("0000/00/00;1;_");
  int exits = 0;
  edit->OnExit = TNotifyEvent::Lambda([&](TObject*) { ++exits; });
  form.Show();
  edit->SetFocus();
  other->SetFocus();
  EXPECT_EQ(exits, 1) << "nothing entered: nothing to check";

  edit->SetFocus();
  TypeText("2024", &form);
  EXPECT_THROW(other->SetFocus(), EMaskError);
  EXPECT_EQ(exits, 1) << "OnExit does not run for invalid input";

  edit->SetText("2024/01/05");
  edit->SetFocus();
  other->SetFocus();
  EXPECT_EQ(exits, 2) << "text set by code is not checked";
  edit->SetFocus();
  TypeText("20240105", &form);
  EXPECT_NO_THROW(other->SetFocus());
  EXPECT_EQ(form.ActiveControl(), other);
}

TEST_F(MaskEditForm, WithoutAMaskItIsAPlainEdit) {
  edit->SetMaxLength(4);
  form.Show();
  edit->SetFocus();
  TypeText("abcdef", &form);
  EXPECT_EQ(edit->GetText(), "abcd");
  EXPECT_EQ(edit->EditText(), "abcd");
  EXPECT_FALSE(edit->IsMaskedTextEmpty());
  EXPECT_NO_THROW(other->SetFocus());

  edit->SetText("20240105");
  edit->SetEditMask("9999/99/99;1;_");
  EXPECT_EQ(edit->EditText(), "2024/01/05") << "a new mask formats the text";
  edit->SetEditMask("");
  EXPECT_EQ(edit->GetText(), "2024/01/05");
  EXPECT_EQ(GetStrProp(edit, "EditMask"), "");
  SetStrProp(edit, "EditMask", "00;0;_");
  EXPECT_EQ(edit->EditText(), "20");
}

}  // namespace
