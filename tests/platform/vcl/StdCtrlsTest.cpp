#include "platform/vcl/StdCtrls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// A form to put controls on; controls are owned by the form.
class StdCtrlsForm : public ::testing::Test {
 protected:
  StdCtrlsForm() { form.SetBounds(0, 0, 400, 300); }

  template <typename T>
  T* Make(const char* name, TWinControl* parent = nullptr) {
    auto* control = new T(&form);
    control->SetName(name);
    control->SetParent(parent ? parent : &form);
    return control;
  }

  static TNotifyEvent Counter(int& count) {
    return TNotifyEvent::Lambda([&count](TObject*) { ++count; });
  }

  TForm form{nullptr};
};

// ---------------------------------------------------------------------------------------
// Edits

using StdCtrlsEdit = StdCtrlsForm;

TEST_F(StdCtrlsEdit, KeysEditAtTheCaretAndReplaceTheSelection) {
  struct Case {
    const char* name;
    const char* text;
    int selStart, selLength;
    std::function<void(TCustomForm*)> keys;
    const char* expectText;
    int expectSelStart, expectSelLength;
  };
  const std::vector<Case> cases = {
      {"typing replaces the selection", "hello", 1, 3, [](TCustomForm* f) { TypeText("a", f); },
       "hao", 2, 0},
      {"typing inserts at the caret", "ac", 1, 0, [](TCustomForm* f) { TypeText("b", f); }, "abc",
       2, 0},
      {"backspace deletes before the caret", "abc", 2, 0,
       [](TCustomForm* f) { SendKey(VK_BACK, 0, f); }, "ac", 1, 0},
      {"backspace deletes the selection", "abcd", 1, 2,
       [](TCustomForm* f) { SendKey(VK_BACK, 0, f); }, "ad", 1, 0},
      {"backspace at the start does nothing", "abc", 0, 0,
       [](TCustomForm* f) { SendKey(VK_BACK, 0, f); }, "abc", 0, 0},
      {"delete removes after the caret", "abc", 0, 0,
       [](TCustomForm* f) { SendKey(VK_DELETE, 0, f); }, "bc", 0, 0},
      {"delete at the end does nothing", "abc", 3, 0,
       [](TCustomForm* f) { SendKey(VK_DELETE, 0, f); }, "abc", 3, 0},
      {"home then typing", "bc", 2, 0,
       [](TCustomForm* f) {
         SendKey(VK_HOME, 0, f);
         TypeText("a", f);
       },
       "abc", 1, 0},
      {"shift+left selects", "abc", 3, 0,
       [](TCustomForm* f) {
         SendKey(VK_LEFT, ssShift, f);
         SendKey(VK_LEFT, ssShift, f);
       },
       "abc", 1, 2},
      {"left collapses a selection to its start", "abcd", 1, 2,
       [](TCustomForm* f) { SendKey(VK_LEFT, 0, f); }, "abcd", 1, 0},
      {"end then backspace", "abc", 0, 0,
       [](TCustomForm* f) {
         SendKey(VK_END, 0, f);
         SendKey(VK_BACK, 0, f);
       },
       "ab", 2, 0},
      {"control characters are not inserted", "ab", 2, 0,
       [](TCustomForm* f) { TypeText("\t\x01\x1b", f); }, "ab", 2, 0},
  };
  auto* edit = Make<TEdit>("edName");
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetText(c.text);
    edit->SetSelStart(c.selStart);
    edit->SetSelLength(c.selLength);
    c.keys(&form);
    EXPECT_EQ(edit->GetText(), c.expectText);
    EXPECT_EQ(edit->SelStart(), c.expectSelStart);
    EXPECT_EQ(edit->SelLength(), c.expectSelLength);
  }
}

TEST_F(StdCtrlsEdit, MaxLengthCountsBytesAndNeverSplitsADoubleByteCharacter) {
  testsupport::ScopedCodePage gb(936);
  const AnsiString biao = DesignText(u8"表");
  ASSERT_EQ(biao.size(), 2u);
  struct Case {
    const char* name;
    int maxLength;
    AnsiString start;
    AnsiString typed;
    AnsiString expect;
  };
  const std::vector<Case> cases = {
      {"double-byte character that fits exactly", 5, "abc", biao, "abc" + biao},
      {"lead byte refused with its trail at one byte left", 5, "abcd", biao + "x", "abcdx"},
      {"nothing fits at the limit", 4, "abcd", biao + "x", "abcd"},
      // 0x81 0x61: the trail byte alone would read as the letter 'a'.
      {"a refused character's trail byte is not typed", 5, "abcd", "\x81\x61", "abcd"},
      {"no limit", 0, "abcd", biao + biao, "abcd" + biao + biao},
      {"limit counts bytes of earlier characters", 6, biao + biao, "xyz", biao + biao + "xy"},
  };
  auto* edit = Make<TEdit>("edName");
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    edit->SetMaxLength(c.maxLength);
    edit->SetText(c.start);
    edit->SetSelStart(static_cast<int>(c.start.size()));
    TypeText(c.typed, &form);
    EXPECT_EQ(edit->GetText(), c.expect);
  }
}

TEST_F(StdCtrlsEdit, CaretAndDeletionStepOverWholeDoubleByteCharacters) {
  testsupport::ScopedCodePage gb(936);
  const AnsiString biao = DesignText(u8"表");
  auto* edit = Make<TEdit>("edName");
  form.Show();

  edit->SetText("a" + biao + "b");
  edit->SetSelStart(4);
  SendKey(VK_LEFT, 0, &form);
  EXPECT_EQ(edit->SelStart(), 3);
  SendKey(VK_LEFT, 0, &form);
  EXPECT_EQ(edit->SelStart(), 1) << "the caret moves over both bytes";
  SendKey(VK_RIGHT, ssShift, &form);
  EXPECT_EQ(edit->SelText(), biao);
  SendKey(VK_LEFT, 0, &form);
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(edit->GetText(), "ab");

  edit->SetText("a" + biao);
  edit->SetSelStart(3);
  SendKey(VK_BACK, 0, &form);
  EXPECT_EQ(edit->GetText(), "a") << "backspace removes the whole character";
}

TEST_F(StdCtrlsEdit, OnChangeRunsForRealChangesOnly) {
  struct Case {
    const char* name;
    std::function<void(TEdit*, TCustomForm*)> act;
    int changes;
    bool modified;
  };
  const std::vector<Case> cases = {
      {"setting another text", [](TEdit* e, TCustomForm*) { e->SetText("other"); }, 1, false},
      {"setting the same text", [](TEdit* e, TCustomForm*) { e->SetText("start"); }, 0, false},
      {"typing", [](TEdit* e, TCustomForm* f) { TypeText("xy", f); }, 2, true},
      {"typing into a read-only edit",
       [](TEdit* e, TCustomForm* f) {
         e->SetReadOnly(true);
         TypeText("xy", f);
         SendKey(VK_BACK, 0, f);
         SendKey(VK_DELETE, 0, f);
       },
       0, false},
      {"backspace at the start",
       [](TEdit* e, TCustomForm* f) {
         e->SetSelStart(0);
         SendKey(VK_BACK, 0, f);
       },
       0, false},
      {"typing beyond MaxLength",
       [](TEdit* e, TCustomForm* f) {
         e->SetMaxLength(5);
         TypeText("x", f);
       },
       0, false},
      {"moving the caret", [](TEdit* e, TCustomForm* f) { SendKey(VK_HOME, 0, f); }, 0, false},
      {"replacing the selection in code",
       [](TEdit* e, TCustomForm*) {
         e->SelectAll();
         e->SetSelText("new");
       },
       1, false},
      {"case conversion that changes nothing",
       [](TEdit* e, TCustomForm*) { e->SetCharCase(TEditCharCase::ecLowerCase); }, 0, false},
      {"case conversion that changes the text",
       [](TEdit* e, TCustomForm*) { e->SetCharCase(TEditCharCase::ecUpperCase); }, 1, false},
      {"setting text that the case conversion makes equal",
       [](TEdit* e, TCustomForm*) {
         e->SetCharCase(TEditCharCase::ecUpperCase);
         e->SetText("start");
       },
       1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TForm f(nullptr);
    auto* edit = new TEdit(&f);
    edit->SetParent(&f);
    edit->SetText("start");
    f.Show();
    edit->SetSelStart(5);
    int changes = 0;
    edit->OnChange = Counter(changes);
    c.act(edit, &f);
    EXPECT_EQ(changes, c.changes);
    EXPECT_EQ(edit->Modified(), c.modified);
  }
}

TEST_F(StdCtrlsEdit, CharCaseConvertsLettersButNotTrailBytes) {
  testsupport::ScopedCodePage gb(936);
  // 0x81 0x61: a double-byte character whose trail byte is the letter 'a'.
  const AnsiString wide = "\x81\x61";
  auto* edit = Make<TEdit>("edName");
  edit->SetCharCase(TEditCharCase::ecUpperCase);
  edit->SetText("a" + wide + "b");
  EXPECT_EQ(edit->GetText(), "A" + wide + "B");
  form.Show();
  edit->SetSelStart(static_cast<int>(edit->GetText().size()));
  TypeText("c" + wide, &form);
  EXPECT_EQ(edit->GetText(), "A" + wide + "BC" + wide);
  edit->SetCharCase(TEditCharCase::ecLowerCase);
  EXPECT_EQ(edit->GetText(), "a" + wide + "bc" + wide);
}

TEST_F(StdCtrlsEdit, PasswordCharHidesEachCharacterOnce) {
  testsupport::ScopedCodePage gb(936);
  auto* edit = Make<TEdit>("edPassword");
  edit->SetText("a" + DesignText(u8"表") + "b");
  EXPECT_EQ(edit->DisplayText(), edit->GetText());
  edit->SetPasswordChar('*');
  EXPECT_EQ(edit->DisplayText(), "***");
  EXPECT_EQ(edit->GetText(), "a" + DesignText(u8"表") + "b");
}

TEST_F(StdCtrlsEdit, AutoSelectSelectsAllWhenEntered) {
  auto* first = Make<TEdit>("edFirst");
  auto* autoSel = Make<TEdit>("edAuto");
  auto* manual = Make<TEdit>("edManual");
  autoSel->SetText("selected");
  manual->SetText("kept");
  manual->SetAutoSelect(false);
  form.Show();
  ASSERT_EQ(form.ActiveControl(), first);
  int selectedOnEnter = -1;
  autoSel->OnEnter =
      TNotifyEvent::Lambda([&](TObject*) { selectedOnEnter = autoSel->SelLength(); });
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(autoSel->SelLength(), 8);
  EXPECT_EQ(selectedOnEnter, 8) << "the text is selected before OnEnter runs";
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(manual->SelLength(), 0);
  // Typing into a fully selected edit replaces the text.
  SendKey(VK_TAB, ssShift, &form);
  TypeText("new", &form);
  EXPECT_EQ(autoSel->GetText(), "new");
}

TEST_F(StdCtrlsEdit, ArrowKeysStayInTheEdit) {
  auto* edit = Make<TEdit>("edFirst");
  auto* next = Make<TEdit>("edNext");
  edit->SetText("abc");
  form.Show();
  edit->SetSelStart(3);
  SendKey(VK_LEFT, 0, &form);
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(form.ActiveControl(), edit);
  EXPECT_EQ(edit->SelStart(), 1);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(edit->SelStart(), 2);
  EXPECT_NE(form.ActiveControl(), next);
}

// ---------------------------------------------------------------------------------------
// Memos

using StdCtrlsMemo = StdCtrlsForm;

TEST_F(StdCtrlsMemo, LinesAndTextAgree) {
  struct Case {
    const char* name;
    const char* text;
    std::function<void(TStrings*)> change;
    const char* expectText;
    std::vector<std::string> expectLines;
  };
  const std::vector<Case> cases = {
      {"adding to an empty memo ends the line",
       "",
       [](TStrings* l) { l->Add("a"); },
       "a\r\n",
       {"a"}},
      {"adding after an open last line",
       "a",
       [](TStrings* l) { l->Add("b"); },
       "a\r\nb\r\n",
       {"a", "b"}},
      {"a final line break starts no line", "a\r\nb\r\n", nullptr, "a\r\nb\r\n", {"a", "b"}},
      {"an empty middle line counts", "a\r\n\r\nb", nullptr, "a\r\n\r\nb", {"a", "", "b"}},
      {"inserting in the middle",
       "a\r\nc",
       [](TStrings* l) { l->Insert(1, "b"); },
       "a\r\nb\r\nc",
       {"a", "b", "c"}},
      {"deleting the first line",
       "a\r\nb\r\nc",
       [](TStrings* l) { l->Delete(0); },
       "b\r\nc",
       {"b", "c"}},
      {"deleting an open last line", "a\r\nb", [](TStrings* l) { l->Delete(1); }, "a\r\n", {"a"}},
      {"replacing a line",
       "a\r\nb\r\nc",
       [](TStrings* l) { l->Put(1, "middle"); },
       "a\r\nmiddle\r\nc",
       {"a", "middle", "c"}},
      {"setting the text of the lines",
       "old",
       [](TStrings* l) { l->SetText("x\ny\rz"); },
       "x\r\ny\r\nz\r\n",
       {"x", "y", "z"}},
      {"clearing", "a\r\nb", [](TStrings* l) { l->Clear(); }, "", {}},
  };
  auto* memo = Make<TMemo>("mmNotes");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    memo->SetText(c.text);
    if (c.change) c.change(memo->Lines());
    EXPECT_EQ(memo->GetText(), c.expectText);
    std::vector<std::string> lines;
    for (int i = 0; i < memo->Lines()->Count(); ++i) lines.push_back(memo->Lines()->Get(i));
    EXPECT_EQ(lines, c.expectLines);
  }
}

TEST_F(StdCtrlsMemo, LineIndexOutOfRangeRaises) {
  auto* memo = Make<TMemo>("mmNotes");
  memo->SetText("a\r\nb");
  EXPECT_THROW(memo->Lines()->Get(2), EStringListError);
  EXPECT_THROW(memo->Lines()->Delete(-1), EStringListError);
  EXPECT_THROW(memo->Lines()->Insert(3, "x"), EStringListError);
  EXPECT_EQ(memo->GetText(), "a\r\nb");
}

TEST_F(StdCtrlsMemo, SettingManyLinesChangesOnce) {
  auto* memo = Make<TMemo>("mmNotes");
  int changes = 0;
  memo->OnChange = Counter(changes);
  TStringList source;
  source.Add("one");
  source.Add("two");
  source.Add("three");
  memo->SetLines(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(memo->GetText(), "one\r\ntwo\r\nthree\r\n");
  memo->Lines()->SetText("a\r\nb");
  EXPECT_EQ(changes, 2);
}

TEST_F(StdCtrlsMemo, ReturnsAndTabsWhenWanted) {
  auto* memo = Make<TMemo>("mmNotes");
  auto* ok = Make<TButton>("btnOk");
  ok->SetDefault(true);
  int clicks = 0;
  ok->OnClick = Counter(clicks);
  form.Show();
  memo->SetFocus();

  TypeText("ab", &form);
  SendKey(VK_RETURN, 0, &form);
  TypeText("c", &form);
  EXPECT_EQ(memo->GetText(), "ab\r\nc");
  EXPECT_EQ(memo->CaretPos(), (TPoint{1, 1}));
  EXPECT_EQ(clicks, 0);

  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(form.ActiveControl(), ok) << "Tab moves the focus without WantTabs";
  memo->SetFocus();
  memo->SetWantTabs(true);
  memo->SetSelStart(static_cast<int>(memo->GetText().size()));
  SendKey(VK_TAB, 0, &form);
  EXPECT_EQ(memo->GetText(), "ab\r\nc\t");
  EXPECT_EQ(form.ActiveControl(), memo);

  memo->SetWantReturns(false);
  SendKey(VK_RETURN, 0, &form);
  EXPECT_EQ(memo->GetText(), "ab\r\nc\t");
  EXPECT_EQ(clicks, 1) << "without WantReturns Enter clicks the default button";
}

TEST_F(StdCtrlsMemo, CaretMovesByLinesAndLineBreaksGoWhole) {
  auto* memo = Make<TMemo>("mmNotes");
  memo->SetText("first\r\nab\r\nthird");
  form.Show();
  memo->SetFocus();
  memo->SetCaretPos({4, 0});
  EXPECT_EQ(memo->SelStart(), 4);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(memo->CaretPos(), (TPoint{2, 1})) << "clamped to the shorter line";
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(memo->CaretPos(), (TPoint{2, 2}));
  SendKey(VK_END, 0, &form);
  EXPECT_EQ(memo->CaretPos(), (TPoint{5, 2}));
  SendKey(VK_UP, ssShift, &form);
  EXPECT_EQ(memo->SelText(), "\r\nthird");
  SendKey(VK_HOME, 0, &form);
  EXPECT_EQ(memo->CaretPos(), (TPoint{0, 1}));
  SendKey(VK_LEFT, 0, &form);
  EXPECT_EQ(memo->CaretPos(), (TPoint{5, 0})) << "one step over CR LF";
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(memo->GetText(), "firstab\r\nthird");
  memo->SetCaretPos({0, 1});
  SendKey(VK_BACK, 0, &form);
  EXPECT_EQ(memo->GetText(), "firstabthird");
  EXPECT_EQ(memo->Lines()->Count(), 1);
}

// ---------------------------------------------------------------------------------------
// Labels

using StdCtrlsLabel = StdCtrlsForm;

TEST_F(StdCtrlsLabel, AutoSizeAndAccelerators) {
  struct Case {
    const char* caption;
    bool showAccelChar;
    const char* display;
    char accel;  // 0: none
  };
  const std::vector<Case> cases = {
      {"&Name", true, "Name", 'n'}, {"Save &As", true, "Save As", 'A'},
      {"R&&D", true, "R&D", 0},     {"R&&D &list", true, "R&D list", 'l'},
      {"&Name", false, "&Name", 0}, {"Trailing&", true, "Trailing", 0},
  };
  auto* label = Make<TLabel>("lblName");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    label->SetShowAccelChar(c.showAccelChar);
    label->SetCaption(c.caption);
    EXPECT_EQ(label->DisplayText(), c.display);
    // The label measures its text with its font, the accelerator mark left out.
    EXPECT_EQ(label->Width(), label->Canvas()->TextWidth(c.display));
    EXPECT_EQ(label->Height(), label->Canvas()->TextHeight(c.display));
    for (char key : std::string("nNaAlLdD"))
      EXPECT_EQ(label->IsAccel(key), c.accel && (key & ~0x20) == (c.accel & ~0x20)) << key;
  }
  const int width = label->Width();
  label->SetAutoSize(false);
  label->SetCaption("a much longer caption");
  EXPECT_EQ(label->Width(), width);
  label->SetAutoSize(true);
  const int normal = label->Width();
  label->Font()->SetHeight(-20);
  EXPECT_GT(label->Width(), normal) << "a larger font re-sizes the label";
}

TEST_F(StdCtrlsLabel, AutoSizeKeepsTheAlignedSideInPlace) {
  auto* label = Make<TLabel>("lblRight");
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetBounds(100, 10, 60, 13);
  label->SetCaption("abc");
  EXPECT_EQ(label->Left() + label->Width(), 160);
  EXPECT_EQ(label->Width(), label->Canvas()->TextWidth("abc"));

  auto* wrapped = Make<TLabel>("lblWrapped");
  wrapped->SetWordWrap(true);
  wrapped->SetBounds(0, 0, 60, 13);
  wrapped->SetCaption("twenty-five characters ok");
  EXPECT_EQ(wrapped->Width(), 60);
  const int line = wrapped->Canvas()->TextHeight("t");
  EXPECT_GE(wrapped->Height(), 2 * line) << "the text takes more than one line";
  EXPECT_EQ(wrapped->Height() % line, 0);
}

TEST_F(StdCtrlsLabel, AcceleratorFocusesTheFocusControl) {
  auto* first = Make<TEdit>("edFirst");
  auto* edit = Make<TEdit>("edName");
  auto* label = Make<TLabel>("lblName");
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  form.Show();
  ASSERT_EQ(form.ActiveControl(), first);
  EXPECT_FALSE(label->DialogChar('x'));
  EXPECT_EQ(form.ActiveControl(), first);
  EXPECT_TRUE(label->DialogChar('N'));
  EXPECT_EQ(form.ActiveControl(), edit);

  first->SetFocus();
  edit->SetEnabled(false);
  EXPECT_FALSE(label->DialogChar('n')) << "a control that cannot take the focus";
  EXPECT_EQ(form.ActiveControl(), first);
}

TEST_F(StdCtrlsLabel, FocusControlIsClearedWhenTheControlIsFreed) {
  auto* edit = Make<TEdit>("edName");
  auto* label = Make<TLabel>("lblName");
  label->SetCaption("&Name");
  label->SetFocusControl(edit);
  delete edit;
  EXPECT_EQ(label->FocusControl(), nullptr);
  EXPECT_FALSE(label->DialogChar('n'));

  // A label freed first leaves the control nothing to report to.
  auto* other = Make<TEdit>("edOther");
  label->SetFocusControl(other);
  delete label;
  delete other;
}

// ---------------------------------------------------------------------------------------
// Buttons

using StdCtrlsButton = StdCtrlsForm;

TEST_F(StdCtrlsButton, ClickSetsTheModalResultOfTheModalForm) {
  TScriptedUser user;
  auto* edit = Make<TEdit>("edName");
  auto* ok = Make<TButton>("btnOk");
  auto* plain = Make<TButton>("btnPlain");
  ok->SetModalResult(mrOk);
  std::vector<std::string> log;
  ok->OnClick = TNotifyEvent::Lambda([&](TObject*) {
    log.push_back("ok, form result " + std::to_string(form.ModalResult()) + ", focus " +
                  (form.ActiveControl() ? form.ActiveControl()->Name() : "none"));
  });
  plain->OnClick = TNotifyEvent::Lambda([&](TObject*) { log.push_back("plain"); });
  user.Answer([&](TCustomForm&) {
    edit->SetFocus();
    ClickControl(plain);
    ClickControl(ok);
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(log, (std::vector<std::string>{"plain", "ok, form result 1, focus btnOk"}));
  EXPECT_EQ(user.UnansweredCount(), 0);
}

TEST_F(StdCtrlsButton, EnterAndEscapeClickDefaultAndCancelButtons) {
  struct Case {
    const char* name;
    std::uint16_t key;
    bool focusOther;  // focus the plain button instead of the edit
    int expect;
  };
  const std::vector<Case> cases = {
      {"Enter in an edit clicks the default button", VK_RETURN, false, mrOk},
      {"Escape clicks the cancel button", VK_ESCAPE, false, mrCancel},
      {"Enter on a focused button clicks that button", VK_RETURN, true, mrRetry},
      {"Escape on a focused button still cancels", VK_ESCAPE, true, mrCancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedUser user;
    TForm f(nullptr);
    auto* edit = new TEdit(&f);
    edit->SetParent(&f);
    auto* ok = new TButton(&f);
    ok->SetParent(&f);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(&f);
    cancel->SetParent(&f);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    auto* retry = new TButton(&f);
    retry->SetParent(&f);
    retry->SetModalResult(mrRetry);
    EXPECT_TRUE(ok->Default() && !ok->Cancel() && cancel->Cancel() && !cancel->Default());
    user.Answer([&](TCustomForm& shown) {
      if (c.focusOther)
        retry->SetFocus();
      else
        edit->SetFocus();
      SendKey(c.key, 0, &shown);
    });
    EXPECT_EQ(f.ShowModal(), c.expect);
    EXPECT_EQ(user.UnansweredCount(), 0);
  }
}

TEST_F(StdCtrlsButton, SpaceClicksOnceOnRelease) {
  auto* button = Make<TButton>("btnGo");
  int clicks = 0;
  button->OnClick = Counter(clicks);
  form.Show();
  button->SetFocus();
  SendKeyDown(VK_SPACE, 0, &form);
  EXPECT_EQ(clicks, 0);
  SendKeyUp(VK_SPACE, 0, &form);
  EXPECT_EQ(clicks, 1);
  SendKey(VK_SPACE, 0, &form);
  EXPECT_EQ(clicks, 2);
  SendKeyUp(VK_SPACE, 0, &form);
  EXPECT_EQ(clicks, 2) << "a release without a press does not click";
}

TEST_F(StdCtrlsButton, ZeroModalResultLeavesTheFormOpen) {
  TScriptedUser user;
  auto* apply = Make<TButton>("btnApply");
  auto* close = Make<TButton>("btnClose");
  close->SetModalResult(mrIgnore);
  int resultAfterApply = -1;
  apply->OnClick = TNotifyEvent::Lambda([&](TObject*) { resultAfterApply = form.ModalResult(); });
  user.Answer([&](TCustomForm&) {
    ClickControl(apply);
    ClickControl(close);
  });
  EXPECT_EQ(form.ShowModal(), mrIgnore);
  EXPECT_EQ(resultAfterApply, mrNone);
}

// ---------------------------------------------------------------------------------------
// Check boxes and radio buttons

using StdCtrlsCheck = StdCtrlsForm;

TEST_F(StdCtrlsCheck, ClicksCycleThroughTheStates) {
  using S = TCheckBoxState;
  struct Case {
    bool allowGrayed;
    S start;
    std::vector<S> afterClicks;
  };
  const std::vector<Case> cases = {
      {false, S::cbUnchecked, {S::cbChecked, S::cbUnchecked, S::cbChecked}},
      {true, S::cbUnchecked, {S::cbGrayed, S::cbChecked, S::cbUnchecked, S::cbGrayed}},
      {false, S::cbGrayed, {S::cbChecked, S::cbUnchecked}},
  };
  auto* check = Make<TCheckBox>("chkActive");
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.allowGrayed);
    check->OnClick = nullptr;
    check->SetAllowGrayed(c.allowGrayed);
    check->SetState(c.start);
    int clicks = 0;
    check->OnClick = Counter(clicks);
    for (S expect : c.afterClicks) {
      ClickControl(check);
      EXPECT_EQ(check->State(), expect);
      EXPECT_EQ(check->Checked(), expect == S::cbChecked);
    }
    EXPECT_EQ(clicks, static_cast<int>(c.afterClicks.size()));
  }
  EXPECT_EQ(form.ActiveControl(), check) << "a click focuses the check box";
}

TEST_F(StdCtrlsCheck, SettingCheckedRunsOnClickWhenItChanges) {
  auto* check = Make<TCheckBox>("chkActive");
  std::vector<bool> seen;
  check->OnClick = TNotifyEvent::Lambda([&](TObject*) { seen.push_back(check->Checked()); });
  check->SetChecked(true);
  check->SetChecked(true);
  check->SetChecked(false);
  SetPropAsString(check, "Checked", "True");
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  form.Show();
  check->SetFocus();
  SendKey(VK_SPACE, 0, &form);
  EXPECT_FALSE(check->Checked()) << "Space toggles";
  EXPECT_EQ(seen.size(), 4u);
}

TEST_F(StdCtrlsCheck, RadioButtonsOfOneParentExcludeEachOther) {
  auto* group = Make<TGroupBox>("grpKind");
  auto* a = Make<TRadioButton>("rbA", group);
  auto* b = Make<TRadioButton>("rbB", group);
  auto* c = Make<TRadioButton>("rbC", group);
  auto* other = Make<TRadioButton>("rbOther");
  std::vector<std::string> clicks;
  for (TRadioButton* r : {a, b, c, other})
    r->OnClick = TNotifyEvent::Lambda([&clicks, r](TObject*) { clicks.push_back(r->Name()); });
  other->SetChecked(true);
  a->SetChecked(true);
  form.Show();
  ClickControl(b);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(c->Checked());
  EXPECT_TRUE(other->Checked()) << "another parent is another group";
  ClickControl(b);
  EXPECT_EQ(clicks, (std::vector<std::string>{"rbOther", "rbA", "rbB"}))
      << "only becoming checked reports a click";
  EXPECT_EQ(form.ActiveControl(), b);
  EXPECT_TRUE(b->TabStop());
  EXPECT_FALSE(a->TabStop()) << "Tab reaches the checked button of a group";
  c->SetFocus();
  SendKey(VK_SPACE, 0, &form);
  EXPECT_TRUE(c->Checked());
  EXPECT_FALSE(b->Checked());
}

// ---------------------------------------------------------------------------------------
// Combo boxes

class StdCtrlsCombo : public StdCtrlsForm {
 protected:
  StdCtrlsCombo() {
    combo = Make<TComboBox>("cbCity");
    for (const char* s : {"Beijing", "Shanghai", "Shenzhen", "Guangzhou"}) combo->Items()->Add(s);
    combo->OnChange = TNotifyEvent::Lambda([this](TObject*) { events.push_back("change"); });
    combo->OnSelect = TNotifyEvent::Lambda([this](TObject*) { events.push_back("select"); });
  }
  TComboBox* combo;
  std::vector<std::string> events;
};

TEST_F(StdCtrlsCombo, ItemIndexAndTextPerStyle) {
  struct Case {
    TComboBoxStyle style;
    const char* setText;
    int expectIndex;
    const char* expectText;
  };
  const std::vector<Case> cases = {
      {TComboBoxStyle::csDropDownList, "shanghai", 1, "Shanghai"},
      {TComboBoxStyle::csDropDownList, "Nowhere", -1, ""},
      {TComboBoxStyle::csOwnerDrawFixed, "Guangzhou", 3, "Guangzhou"},
      {TComboBoxStyle::csDropDown, "shanghai", 1, "shanghai"},
      {TComboBoxStyle::csDropDown, "Nowhere", -1, "Nowhere"},
      {TComboBoxStyle::csSimple, "Beijing", 0, "Beijing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setText);
    combo->SetStyle(c.style);
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->GetText(), "Shenzhen");
    combo->SetText(c.setText);
    EXPECT_EQ(combo->ItemIndex(), c.expectIndex);
    EXPECT_EQ(combo->GetText(), c.expectText);
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1) << "an index outside the items selects none";
    EXPECT_EQ(combo->GetText(), "");
  }
  EXPECT_TRUE(events.empty()) << "changes made by code report nothing";
}

TEST_F(StdCtrlsCombo, ArrowKeysSelectAndReport) {
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  form.Show();
  ASSERT_EQ(form.ActiveControl(), combo);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(combo->ItemIndex(), 0);
  SendKey(VK_DOWN, 0, &form);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(combo->GetText(), "Shenzhen");
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(combo->ItemIndex(), 1);
  SendKey(VK_END, 0, &form);
  EXPECT_EQ(combo->ItemIndex(), 3);
  events.clear();
  SendKey(VK_DOWN, 0, &form);
  EXPECT_TRUE(events.empty()) << "no change past the last item";
  SendKey(VK_HOME, 0, &form);
  EXPECT_EQ(events, (std::vector<std::string>{"change", "select"}));
  EXPECT_EQ(form.ActiveControl(), combo) << "arrows stay in the combo box";
}

TEST_F(StdCtrlsCombo, TypingInAListSelectsByFirstCharacter) {
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  form.Show();
  const std::vector<std::pair<char, int>> steps = {{'s', 1}, {'S', 2}, {'s', 1},
                                                   {'g', 3}, {'x', 3}, {'b', 0}};
  for (auto [c, expect] : steps) {
    SendChar(c, &form);
    EXPECT_EQ(combo->ItemIndex(), expect) << c;
  }
}

TEST_F(StdCtrlsCombo, TypingInADropDownEditsTheText) {
  combo->SetMaxLength(8);
  form.Show();
  TypeText("Beijin", &form);
  EXPECT_EQ(combo->ItemIndex(), -1);
  TypeText("g", &form);
  EXPECT_EQ(combo->GetText(), "Beijing");
  EXPECT_EQ(combo->ItemIndex(), 0) << "the text matches an item";
  TypeText("xyz", &form);
  EXPECT_EQ(combo->GetText(), "Beijingx") << "MaxLength";
  SendKey(VK_BACK, 0, &form);
  SendKey(VK_HOME, 0, &form);
  SendKey(VK_DELETE, 0, &form);
  EXPECT_EQ(combo->GetText(), "eijing");
  EXPECT_EQ(events.size(), 10u);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(combo->GetText(), "Beijing");
  EXPECT_EQ(combo->SelLength(), 7) << "a selected item's text is selected";
}

TEST_F(StdCtrlsCombo, ItemChangesKeepTheSelection) {
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  combo->SetItemIndex(2);
  combo->Items()->Insert(0, "Wuhan");
  EXPECT_EQ(combo->ItemIndex(), 3);
  combo->Items()->Delete(1);
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->GetText(), "Shenzhen");
  combo->SetSorted(true);
  EXPECT_EQ(combo->Items()->Get(0), "Guangzhou");
  EXPECT_EQ(combo->GetText(), "Shenzhen");
  EXPECT_EQ(combo->Items()->Add("Chengdu"), 0) << "a sorted list adds in order";
  EXPECT_EQ(combo->GetText(), "Shenzhen");
  combo->Items()->Delete(combo->ItemIndex());
  EXPECT_EQ(combo->ItemIndex(), -1);
  combo->Clear();
  EXPECT_EQ(combo->Items()->Count(), 0);
}

TEST_F(StdCtrlsCombo, DropDownKeysAndEvents) {
  auto* ok = Make<TButton>("btnOk");
  ok->SetDefault(true);
  int clicks = 0;
  ok->OnClick = Counter(clicks);
  combo->OnDropDown = TNotifyEvent::Lambda([this](TObject*) { events.push_back("drop"); });
  combo->OnCloseUp = TNotifyEvent::Lambda([this](TObject*) { events.push_back("close"); });
  form.Show();
  combo->SetFocus();
  SendKey(VK_DOWN, ssAlt, &form);
  EXPECT_TRUE(combo->DroppedDown());
  SendKey(VK_RETURN, 0, &form);
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(clicks, 0) << "Enter closes the open list instead of clicking";
  SendKey(VK_F4, 0, &form);
  SendKey(VK_ESCAPE, 0, &form);
  SendKey(VK_RETURN, 0, &form);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"drop", "close", "drop", "close"}));
}

TEST_F(StdCtrlsCombo, OwnerDrawHooks) {
  std::vector<int> measured;
  combo->OnMeasureItem = TMeasureItemEvent::Lambda([&](TWinControl* sender, int index, int& h) {
    EXPECT_EQ(sender, combo);
    measured.push_back(index);
    h = 20 + index;
  });
  std::vector<int> drawn;
  combo->OnDrawItem =
      TDrawItemEvent::Lambda([&](TWinControl*, int index, const TRect&, TOwnerDrawState state) {
        drawn.push_back(index * 100 + state);
      });
  EXPECT_EQ(combo->MeasureItem(1), 13) << "only the variable style asks";
  combo->DrawItem(1, {}, odSelected);
  EXPECT_TRUE(drawn.empty());
  combo->SetStyle(TComboBoxStyle::csOwnerDrawVariable);
  EXPECT_EQ(combo->MeasureItem(2), 22);
  combo->DrawItem(3, {0, 0, 10, 10}, odSelected | odFocused);
  EXPECT_EQ(measured, (std::vector<int>{2}));
  EXPECT_EQ(drawn, (std::vector<int>{300 + odSelected + odFocused}));
}

TEST_F(StdCtrlsCombo, PublishedProperties) {
  SetEnumProp(combo, "Style", "csDropDownList");
  EXPECT_EQ(combo->Style(), TComboBoxStyle::csDropDownList);
  SetOrdProp(combo, "ItemIndex", 1);
  EXPECT_EQ(GetStrProp(combo, "Text"), "Shanghai");
  EXPECT_EQ(GetObjectProp(combo, "Items"), combo->Items());
  EXPECT_THROW(SetEnumProp(combo, "Style", "csNoSuchStyle"), EPropertyConvertError);
  EXPECT_TRUE(PropIsTypeName(combo, "OnDrawItem", "TDrawItemEvent"));
}

// ---------------------------------------------------------------------------------------
// List boxes

class StdCtrlsList : public StdCtrlsForm {
 protected:
  StdCtrlsList() {
    list = Make<TListBox>("lbItems");
    list->SetBounds(10, 10, 120, 13 * 4);
    for (const char* s : {"a", "b", "c", "d", "e", "f"}) list->Items()->Add(s);
    list->OnClick = Counter(clicks);
  }
  // Clicks item `index` with the Shift and Ctrl flags of a mouse message.
  void ClickItem(int index, WPARAM flags = 0) {
    const LPARAM pos = MakeMousePos(5, list->ItemRect(index).Top + 6);
    SendMessage(list->Handle(), WM_LBUTTONDOWN, flags, pos);
    SendMessage(list->Handle(), WM_LBUTTONUP, flags, pos);
  }
  std::vector<int> SelectedItems() const {
    std::vector<int> out;
    for (int i = 0; i < list->Count(); ++i)
      if (list->Selected(i)) out.push_back(i);
    return out;
  }
  TListBox* list;
  int clicks = 0;
  static constexpr WPARAM kShift = 4, kCtrl = 8;
};

TEST_F(StdCtrlsList, SingleSelection) {
  form.Show();
  ClickItem(2);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(SelectedItems(), (std::vector<int>{2}));
  EXPECT_EQ(list->SelCount(), -1) << "a single-selection list reports no count";
  EXPECT_EQ(form.ActiveControl(), list);
  SendKey(VK_DOWN, 0, &form);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(list->ItemIndex(), 4);
  EXPECT_EQ(list->TopIndex(), 1) << "the selected item scrolls into view";
  SendKey(VK_HOME, 0, &form);
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(clicks, 4) << "a key that moves nothing reports nothing";
  list->SetSelected(3, true);
  EXPECT_EQ(list->ItemIndex(), 3);
  list->SetItemIndex(10);
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(StdCtrlsList, MultiSelectWithMouseAndKeys) {
  list->SetMultiSelect(true);
  form.Show();
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<int> expect;
  };
  const std::vector<Step> steps = {
      {"click selects one", [&] { ClickItem(1); }, {1}},
      {"ctrl+click adds", [&] { ClickItem(3, kCtrl); }, {1, 3}},
      {"ctrl+click removes", [&] { ClickItem(1, kCtrl); }, {3}},
      {"shift+click selects from the ctrl-clicked anchor",
       [&] { ClickItem(3, kShift); },
       {1, 2, 3}},
      {"click again selects one", [&] { ClickItem(2); }, {2}},
      {"shift+down extends",
       [&] {
         SendKey(VK_DOWN, ssShift, &form);
         SendKey(VK_DOWN, ssShift, &form);
       },
       {2, 3, 4}},
      {"down alone selects one", [&] { SendKey(VK_DOWN, 0, &form); }, {5}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    EXPECT_EQ(SelectedItems(), s.expect);
    EXPECT_EQ(list->SelCount(), static_cast<int>(s.expect.size()));
  }
  list->SetItemIndex(0);
  EXPECT_EQ(SelectedItems(), (std::vector<int>{5})) << "ItemIndex moves only the focus";
}

TEST_F(StdCtrlsList, SelectionFollowsInsertedAndDeletedItems) {
  list->SetMultiSelect(true);
  list->SetSelected(1, true);
  list->SetSelected(4, true);
  list->Items()->Insert(0, "new");
  EXPECT_EQ(SelectedItems(), (std::vector<int>{2, 5}));
  list->Items()->Delete(2);
  EXPECT_EQ(SelectedItems(), (std::vector<int>{4}));
  EXPECT_EQ(list->Items()->Get(4), "e");
  list->Items()->Clear();
  EXPECT_EQ(list->SelCount(), 0);
  EXPECT_THROW(list->Selected(0), EListError);
  EXPECT_THROW(list->SetSelected(-1, true), EListError);
}

TEST_F(StdCtrlsList, DoubleClickAndVariableItems) {
  int doubles = 0;
  list->OnDblClick = Counter(doubles);
  form.Show();
  DoubleClickControl(list);
  EXPECT_EQ(doubles, 1);
  list->SetStyle(TListBoxStyle::lbOwnerDrawVariable);
  list->OnMeasureItem =
      TMeasureItemEvent::Lambda([](TWinControl*, int index, int& h) { h = index == 0 ? 30 : 10; });
  EXPECT_EQ(list->ItemAtPos({5, 29}, true), 0);
  EXPECT_EQ(list->ItemAtPos({5, 31}, true), 1);
  EXPECT_EQ(list->ItemRect(2), (TRect{0, 40, list->ClientWidth(), 50}));
  EXPECT_EQ(list->ItemAtPos({5, 500}, true), -1);
  EXPECT_EQ(list->ItemAtPos({5, 500}, false), 6);
}

// ---------------------------------------------------------------------------------------
// Published properties of the controls

TEST(StdCtrlsProperties, ReadAndWrittenByName) {
  TForm form(nullptr);
  auto* edit = new TEdit(&form);
  auto* memo = new TMemo(&form);
  auto* label = new TLabel(&form);
  auto* button = new TButton(&form);
  auto* check = new TCheckBox(&form);
  auto* group = new TGroupBox(&form);
  struct Case {
    TObject* object;
    const char* prop;
    const char* value;
  };
  const std::vector<Case> cases = {
      {edit, "Text", "hello"},           {edit, "MaxLength", "10"},
      {edit, "CharCase", "ecUpperCase"}, {edit, "ReadOnly", "True"},
      {edit, "PasswordChar", "*"},       {memo, "ScrollBars", "ssBoth"},
      {memo, "WantTabs", "True"},        {label, "Caption", "&Name"},
      {label, "Layout", "tlCenter"},     {label, "Alignment", "taCenter"},
      {button, "Caption", "OK"},         {button, "ModalResult", "1"},
      {button, "Default", "True"},       {check, "State", "cbGrayed"},
      {group, "Caption", "Range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prop);
    SetPropAsString(c.object, c.prop, c.value);
    EXPECT_EQ(GetPropAsString(c.object, c.prop), c.value);
  }
  EXPECT_EQ(edit->CharCase(), TEditCharCase::ecUpperCase);
  EXPECT_EQ(edit->GetText(), "HELLO") << "set before the case changed, converted after";
  SetObjectProp(label, "FocusControl", edit);
  EXPECT_EQ(label->FocusControl(), edit);
  EXPECT_THROW(SetPropAsString(button, "NoSuchProperty", "1"), EPropertyError);
  EXPECT_THROW(SetPropAsString(button, "Default", "maybe"), EPropertyConvertError);
}

}  // namespace
