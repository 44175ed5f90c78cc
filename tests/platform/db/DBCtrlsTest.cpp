#include "platform/db/DBCtrls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/DBClient.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"

using namespace vcl;

namespace {

// A form with a client data set of three people, a data source and a data-aware edit per
// field, a plain edit to move the focus to, and a navigator.
class DBCtrlsForm : public ::testing::Test {
 protected:
  DBCtrlsForm() {
    form.SetBounds(0, 0, 500, 300);
    cds = new TClientDataSet(&form);
    cds->FieldDefs()->Add("NAME", TFieldType::ftString, 8);
    cds->FieldDefs()->Add("CITY", TFieldType::ftString, 10);
    cds->FieldDefs()->Add("QTY", TFieldType::ftInteger);
    cds->FieldDefs()->Add("PRICE", TFieldType::ftFloat);
    cds->CreateDataSet();
    cds->AppendRecord({"Alice", "Paris", 1, 3.5});
    cds->AppendRecord({"Bob", "Rome", 2, 10.0});
    cds->AppendRecord({"Carol", "Oslo", 3, 0.25});
    cds->MergeChangeLog();
    cds->First();
    static_cast<TFloatField*>(cds->FieldByName("PRICE"))->SetDisplayFormat("0.00");
    source = new TDataSource(&form);
    source->SetDataSet(cds);
    edName = MakeEdit("edName", "NAME", 10);
    edQty = MakeEdit("edQty", "QTY", 40);
    edPrice = MakeEdit("edPrice", "PRICE", 70);
    other = new TEdit(&form);
    other->SetName("edOther");
    other->SetParent(&form);
    other->SetBounds(10, 100, 100, 21);
    nav = new TDBNavigator(&form);
    nav->SetName("navPeople");
    nav->SetParent(&form);
    nav->SetBounds(10, 200, 250, 25);
    nav->SetDataSource(source);
    form.Show();
  }

  TDBEdit* MakeEdit(const char* name, const char* field, int top) {
    auto* edit = new TDBEdit(&form);
    edit->SetName(name);
    edit->SetParent(&form);
    edit->SetBounds(10, top, 100, 21);
    edit->SetDataSource(source);
    edit->SetDataField(field);
    return edit;
  }

  AnsiString Name() { return cds->FieldByName("NAME")->AsString(); }

  TForm form{nullptr};
  TClientDataSet* cds;
  TDataSource* source;
  TDBEdit* edName;
  TDBEdit* edQty;
  TDBEdit* edPrice;
  TEdit* other;
  TDBNavigator* nav;
};

// ---------------------------------------------------------------------------------------
// TDBEdit

TEST_F(DBCtrlsForm, EditsShowTheCurrentRecordAndFollowMoves) {
  other->SetFocus();
  EXPECT_EQ(edName->GetText(), "Alice");
  EXPECT_EQ(edPrice->GetText(), "3.50") << "the display text while not focused";
  cds->Next();
  EXPECT_EQ(edName->GetText(), "Bob");
  EXPECT_EQ(edQty->GetText(), "2");
  cds->Last();
  EXPECT_EQ(edName->GetText(), "Carol");
  EXPECT_EQ(edPrice->GetText(), "0.25");
  cds->Locate("NAME", "Alice");
  EXPECT_EQ(edName->GetText(), "Alice");

  edPrice->SetFocus();
  EXPECT_EQ(edPrice->GetText(), "3.5") << "the edit text while focused";

  edName->SetDataField("CITY");
  EXPECT_EQ(edName->GetText(), "Paris");
  EXPECT_EQ(edName->Field(), cds->FieldByName("CITY"));
  source->SetEnabled(false);
  EXPECT_EQ(edName->GetText(), "");
  EXPECT_EQ(edName->Field(), nullptr);
  source->SetEnabled(true);
  EXPECT_EQ(edName->GetText(), "Paris");
}

TEST_F(DBCtrlsForm, TypingEditsTheRecordAndExitWritesTheField) {
  edName->SetFocus();
  EXPECT_EQ(cds->State(), TDataSetState::dsBrowse);
  TypeText("Zed", &form);
  EXPECT_EQ(cds->State(), TDataSetState::dsEdit) << "typing starts editing";
  EXPECT_EQ(edName->GetText(), "Zed");
  EXPECT_EQ(Name(), "Alice") << "the field changes when the edit is left";
  other->SetFocus();
  EXPECT_EQ(Name(), "Zed");
  cds->Post();
  EXPECT_EQ(cds->State(), TDataSetState::dsBrowse);
  EXPECT_EQ(Name(), "Zed");
  EXPECT_EQ(cds->ChangeCount(), 1);

  // Posting writes what is typed even without leaving the edit.
  cds->Next();
  edName->SetFocus();
  TypeText("Bo", &form);
  cds->Post();
  EXPECT_EQ(Name(), "Bo");

  // Cancelling shows the field again.
  TypeText("Xy", &form);
  EXPECT_EQ(edName->GetText(), "BoXy");
  cds->Cancel();
  EXPECT_EQ(edName->GetText(), "Bo");
  EXPECT_EQ(cds->State(), TDataSetState::dsBrowse);

  // A move posts the pending text first.
  edName->SelectAll();
  TypeText("Bob", &form);
  cds->First();
  cds->Next();
  EXPECT_EQ(Name(), "Bob");
}

TEST_F(DBCtrlsForm, TypedTextIsLimitedToTheFieldSize) {
  edName->SetFocus();
  TypeText("Maximilian", &form);
  EXPECT_EQ(edName->GetText(), "Maximili");
  EXPECT_EQ(edName->MaxLength(), 8);
}

TEST_F(DBCtrlsForm, TypingIsRefusedWhenTheFieldCannotChange) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    std::function<void()> tearDown;
  };
  const std::vector<Case> cases = {
      {"auto edit off", [&] { source->SetAutoEdit(false); }, [&] { source->SetAutoEdit(true); }},
      {"read-only data set", [&] { cds->SetReadOnly(true); }, [&] { cds->SetReadOnly(false); }},
      {"read-only field", [&] { cds->FieldByName("NAME")->SetReadOnly(true); },
       [&] { cds->FieldByName("NAME")->SetReadOnly(false); }},
      {"read-only control", [&] { edName->SetReadOnly(true); },
       [&] { edName->SetReadOnly(false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    other->SetFocus();
    c.setUp();
    edName->SetFocus();
    TypeText("Q", &form);
    SendKey(VK_DELETE, 0, &form);
    EXPECT_EQ(edName->GetText(), "Alice");
    EXPECT_EQ(cds->State(), TDataSetState::dsBrowse);
    c.tearDown();
  }
  // With AutoEdit off, typing works once the data set is in edit mode.
  source->SetAutoEdit(false);
  cds->Edit();
  edName->SetFocus();
  TypeText("Q", &form);
  EXPECT_EQ(edName->GetText(), "Q");
  EXPECT_TRUE(edName->CanModify());
}

TEST_F(DBCtrlsForm, AValueTheFieldRefusesStopsThePost) {
  edQty->SetFocus();
  TypeText("abc", &form);
  try {
    cds->Post();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value for field 'QTY'");
  }
  EXPECT_EQ(cds->State(), TDataSetState::dsEdit);
  EXPECT_EQ(cds->FieldByName("QTY")->AsInteger(), 1);

  // Leaving the edit fails the same way and keeps the focus there.
  EXPECT_THROW(other->SetFocus(), EDatabaseError);
  EXPECT_EQ(form.ActiveControl(), edQty);
  EXPECT_EQ(edQty->GetText(), "abc");
  cds->Cancel();
  EXPECT_EQ(edQty->GetText(), "1");
  other->SetFocus();
  EXPECT_EQ(form.ActiveControl(), other);
}

TEST_F(DBCtrlsForm, FreeingTheDataSourceEmptiesTheEdit) {
  source->Free();
  EXPECT_EQ(edName->DataSource(), nullptr);
  EXPECT_EQ(nav->DataSource(), nullptr);
  EXPECT_EQ(edName->GetText(), "");
  EXPECT_FALSE(nav->ButtonEnabled(nbNext));
  cds->Next();  // nothing listens any more
}

// ---------------------------------------------------------------------------------------
// TDBComboBox

TEST_F(DBCtrlsForm, ComboBoxesShowAndChooseTheFieldsValue) {
  auto* combo = new TDBComboBox(&form);
  combo->SetName("cbCity");
  combo->SetParent(&form);
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  for (const char* city : {"Oslo", "Paris", "Rome"}) combo->Items()->Add(city);
  combo->SetDataSource(source);
  combo->SetDataField("CITY");
  EXPECT_EQ(combo->GetText(), "Paris");
  EXPECT_EQ(combo->ItemIndex(), 1);
  cds->Next();
  EXPECT_EQ(combo->ItemIndex(), 2);

  combo->SetFocus();
  SendKey(VK_UP, 0, &form);
  EXPECT_EQ(cds->State(), TDataSetState::dsEdit);
  EXPECT_EQ(combo->GetText(), "Paris");
  cds->Post();
  EXPECT_EQ(cds->FieldByName("CITY")->AsString(), "Paris");

  cds->SetReadOnly(true);
  SendKey(VK_DOWN, 0, &form);
  EXPECT_EQ(combo->GetText(), "Paris") << "a read-only data set refuses the choice";
}

// ---------------------------------------------------------------------------------------
// TDBNavigator

TEST_F(DBCtrlsForm, NavigatorHintsDefaultPerButtonAndCanBeOverriddenInPart) {
  const std::vector<std::string> defaults = {
      "First record",  "Prior record", "Next record", "Last record", "Insert record",
      "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};
  for (int b = 0; b < kNavButtonCount; ++b)
    EXPECT_EQ(nav->ButtonHint(static_cast<TNavigateBtn>(b)), defaults[static_cast<size_t>(b)]);

  TStringList hints;
  hints.Add("Go to start");
  hints.Add("");
  hints.Add("Forward");
  nav->SetHints(&hints);
  std::vector<std::string> expected = defaults;
  expected[0] = "Go to start";
  expected[2] = "Forward";
  for (int b = 0; b < kNavButtonCount; ++b)
    EXPECT_EQ(nav->ButtonHint(static_cast<TNavigateBtn>(b)), expected[static_cast<size_t>(b)]);
  EXPECT_EQ(nav->Hints()->Count(), 3) << "the list is copied as it is";

  nav->SetShowHint(true);
  EXPECT_TRUE(nav->ShowHint());
}

TEST_F(DBCtrlsForm, NavigatorButtonsFollowTheDataSetsState) {
  using B = TNavigateBtn;
  const std::vector<B> all = {nbFirst,  nbPrior, nbNext, nbLast,   nbInsert,
                              nbDelete, nbEdit,  nbPost, nbCancel, nbRefresh};
  struct Case {
    const char* name;
    std::function<void()> act;
    std::vector<B> enabled;
  };
  const std::vector<Case> cases = {
      {"at the first record",
       [&] { cds->First(); },
       {nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbRefresh}},
      {"in the middle",
       [&] { cds->Next(); },
       {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbRefresh}},
      {"at the last record",
       [&] { cds->Last(); },
       {nbFirst, nbPrior, nbInsert, nbDelete, nbEdit, nbRefresh}},
      {"editing",
       [&] { cds->Edit(); },
       {nbFirst, nbPrior, nbInsert, nbDelete, nbPost, nbCancel, nbRefresh}},
      {"read-only",
       [&] {
         cds->Cancel();
         cds->SetReadOnly(true);
       },
       {nbFirst, nbPrior, nbNext, nbLast, nbRefresh}},
      {"disabled navigator",
       [&] {
         cds->SetReadOnly(false);
         nav->SetEnabled(false);
       },
       {}},
      {"empty data set",
       [&] {
         nav->SetEnabled(true);
         cds->EmptyDataSet();
       },
       {nbInsert, nbEdit, nbRefresh}},
      {"closed data set", [&] { cds->Close(); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    for (B b : all) {
      const bool expected = std::find(c.enabled.begin(), c.enabled.end(), b) != c.enabled.end();
      EXPECT_EQ(nav->ButtonEnabled(b), expected) << TDBNavigator::DefaultHint(b);
    }
  }
}

TEST_F(DBCtrlsForm, NavigatorDrawsEnabledSymbolsDarkAndDisabledOnesGrey) {
  nav->SetBounds(0, 0, 250, 25);
  cds->First();
  TBitmap image;
  image.SetSize(nav->Width(), nav->Height());
  nav->PaintTo(image.View(), {0, 0}, {0, 0, nav->Width(), nav->Height()});
  for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast, nbEdit}) {
    SCOPED_TRACE(TDBNavigator::DefaultHint(b));
    const TRect r = nav->ButtonRect(b);
    // Inside the button's edges: the symbol is black when enabled, grey when not.
    int black = 0, grey = 0;
    for (int y = r.Top + 3; y < r.Bottom - 3; ++y)
      for (int x = r.Left + 3; x < r.Right - 3; ++x) {
        const std::uint32_t p = image.Pixel(x, y) & 0xFFFFFF;
        black += p == 0;
        grey += p == 0x808080;
      }
    if (nav->ButtonEnabled(b)) {
      EXPECT_GT(black, 3);
    } else {
      EXPECT_EQ(black, 0);
      EXPECT_GT(grey, 3);
    }
  }
  EXPECT_FALSE(nav->ButtonEnabled(nbFirst)) << "the table has a disabled case";
}

TEST_F(DBCtrlsForm, NavigatorButtonsActOnTheDataSet) {
  TScriptedUser user;
  std::vector<std::string> log;
  nav->BeforeAction = TNavClickEvent::Lambda(
      [&](TObject*, TNavigateBtn b) { log.push_back("before " + TDBNavigator::DefaultHint(b)); });
  nav->OnClick = TNavClickEvent::Lambda(
      [&](TObject*, TNavigateBtn b) { log.push_back("after " + TDBNavigator::DefaultHint(b)); });

  nav->BtnClick(nbNext);
  EXPECT_EQ(Name(), "Bob");
  EXPECT_EQ(log, (std::vector<std::string>{"before Next record", "after Next record"}));
  nav->BtnClick(nbLast);
  EXPECT_EQ(Name(), "Carol");
  nav->BtnClick(nbPrior);
  EXPECT_EQ(Name(), "Bob");
  nav->BtnClick(nbFirst);
  EXPECT_EQ(Name(), "Alice");
  nav->BtnClick(nbEdit);
  EXPECT_EQ(cds->State(), TDataSetState::dsEdit);
  nav->BtnClick(nbCancel);
  EXPECT_EQ(cds->State(), TDataSetState::dsBrowse);
  nav->BtnClick(nbInsert);
  EXPECT_EQ(cds->State(), TDataSetState::dsInsert);
  cds->FieldByName("NAME")->SetAsString("Dan");
  nav->BtnClick(nbPost);
  EXPECT_EQ(cds->RecordCount(), 4);
  EXPECT_EQ(Name(), "Dan");

  // Delete asks first; Cancel keeps the record, OK deletes it.
  user.ClickButton("Cancel");
  nav->BtnClick(nbDelete);
  EXPECT_EQ(cds->RecordCount(), 4);
  user.ClickButton("OK");
  nav->BtnClick(nbDelete);
  EXPECT_EQ(cds->RecordCount(), 3);
  ASSERT_EQ(user.Shown().size(), 2u);
  EXPECT_EQ(user.Shown()[0].Message, "Delete record?");
  EXPECT_EQ(user.Shown()[0].Caption, "Confirmation");

  nav->SetConfirmDelete(false);
  nav->BtnClick(nbDelete);
  EXPECT_EQ(cds->RecordCount(), 2);
  EXPECT_EQ(user.Shown().size(), 2u) << "no question without ConfirmDelete";
  EXPECT_EQ(user.UnansweredCount(), 0);
}

TEST_F(DBCtrlsForm, ClickingAVisibleButtonRunsItWhenEnabled) {
  nav->SetVisibleButtons(NavButtons({nbFirst, nbPrior, nbNext, nbLast}));
  EXPECT_FALSE(nav->ButtonVisible(nbDelete));
  const auto clickOn = [&](TNavigateBtn b) {
    const TRect r = nav->ButtonRect(b);
    ClickControlAt(nav, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  };
  EXPECT_EQ(nav->ButtonRect(nbNext).Left, 125) << "four buttons share 250 pixels";
  clickOn(nbNext);
  EXPECT_EQ(Name(), "Bob");
  clickOn(nbLast);
  EXPECT_EQ(Name(), "Carol");
  clickOn(nbNext);  // disabled at the last record
  EXPECT_EQ(Name(), "Carol");
  clickOn(nbFirst);
  EXPECT_EQ(Name(), "Alice");
  TNavigateBtn at{};
  EXPECT_FALSE(nav->ButtonAt(300, 5, at));
  ASSERT_TRUE(nav->ButtonAt(1, 5, at));
  EXPECT_EQ(at, nbFirst);
}

}  // namespace
