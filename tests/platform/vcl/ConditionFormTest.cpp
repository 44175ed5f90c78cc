// A small condition form built in code from the standard controls, driven as a user would:
// the pieces of the component model working together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;

namespace {

class TfrmCondition : public TForm {
 public:
  explicit TfrmCondition(TComponent* owner) : TForm(owner) {
    SetName("frmCondition");
    SetBounds(0, 0, 480, 360);
    pcMain = Make<TPageControl>(this, "pcMain");
    pcMain->SetAlign(TAlign::alClient);
    tsCondition = Make<TTabSheet>(this, "tsCondition");
    tsCondition->SetPageControl(pcMain);
    tsCondition->SetCaption("Condition");
    tsSchemes = Make<TTabSheet>(this, "tsSchemes");
    tsSchemes->SetPageControl(pcMain);
    tsSchemes->SetCaption("Schemes");

    ed01 = Make<TEdit>(tsCondition, "ed01");
    ed01->SetBounds(10, 10, 120, 21);
    meDate = Make<TMaskEdit>(tsCondition, "meDate");
    meDate->SetBounds(10, 40, 120, 21);
    meDate->SetEditMask("9999/99/99;1; ");
    grpDept = Make<TGroupBox>(tsCondition, "grpDept");
    grpDept->SetBounds(10, 70, 300, 80);
    edDeptFrom = Make<TEdit>(grpDept, "edDeptFrom");
    edDeptFrom->SetBounds(10, 20, 100, 21);
    edDeptTo = Make<TEdit>(grpDept, "edDeptTo");
    edDeptTo->SetBounds(150, 20, 100, 21);

    lvSchemes = Make<TListView>(tsSchemes, "lvSchemes");
    lvSchemes->SetAlign(TAlign::alClient);
    lvSchemes->SetViewStyle(TViewStyle::vsReport);
    lvSchemes->Columns()->Add()->SetCaption("Name");
    lvSchemes->Columns()->Add()->SetCaption("Creator");

    btnOk = Make<TButton>(this, "btnOk");
    btnOk->SetDefault(true);
    btnOk->SetModalResult(mrOk);
    btnCancel = Make<TButton>(this, "btnCancel");
    btnCancel->SetCancel(true);
    btnCancel->SetModalResult(mrCancel);
    // As designed: the page control comes first in tab order, but the form opens on ed01.
    SetActiveControl(ed01);
  }

  template <typename T>
  T* Make(TWinControl* parent, const char* name) {
    auto* c = new T(this);
    c->SetName(name);
    c->SetParent(parent);
    return c;
  }

  TPageControl* pcMain;
  TTabSheet *tsCondition, *tsSchemes;
  TEdit *ed01, *edDeptFrom, *edDeptTo;
  TMaskEdit* meDate;
  TGroupBox* grpDept;
  TListView* lvSchemes;
  TButton *btnOk, *btnCancel;
};

}  // namespace

TEST(ConditionForm, PropertiesByNameAndPathReachEveryControl) {
  TfrmCondition form(nullptr);
  auto* edit = form.FindComponent("ED01");
  ASSERT_EQ(edit, form.ed01);
  SetPropAsString(edit, "Text", "TAXMA01");
  SetPropAsString(edit, "Font.Charset", "GB2312_CHARSET");
  SetPropAsString(edit, "Color", "clYellow");
  EXPECT_EQ(form.ed01->GetText(), "TAXMA01");
  EXPECT_EQ(form.ed01->Font()->GetCharset(), GB2312_CHARSET);
  EXPECT_EQ(GetPropAsString(edit, "Color"), "clYellow");
  EXPECT_FALSE(IsPublishedProp(edit, "Caption"));  // edits have a text, not a caption
  EXPECT_TRUE(PropIsTypeName(form.tsSchemes, "Font", "TFont"));
  EXPECT_EQ(GetPropAsString(form.grpDept, "Caption"), "");
  EXPECT_FALSE(TrySetPropAsString(edit, "Font.NoSuch", "1"));
  EXPECT_FALSE(TrySetPropAsString(edit, "MaxLength", "many"));
  EXPECT_THROW(SetPropAsString(edit, "NoSuch", "1"), EPropertyError);
}

TEST(ConditionForm, AFrameworkHandlerChainedInFrontOfTheDesignedOneAndTakenAway) {
  TfrmCondition form(nullptr);
  std::vector<std::string> calls;
  form.ed01->OnExit = TNotifyEvent::Lambda([&](TObject*) { calls.push_back("designed"); });

  // The framework saves the designed handler, installs its own in front, and restores it.
  const TMethod designed = GetMethodProp(form.ed01, "OnExit");
  const TNotifyEvent saved = TNotifyEvent::FromMethod(designed);
  SetMethodProp(form.ed01, "OnExit", TNotifyEvent::Lambda([&, saved](TObject* sender) {
                                       calls.push_back("framework");
                                       saved(sender);
                                     }).Method());
  EXPECT_FALSE(GetMethodProp(form.ed01, "OnExit") == designed);
  form.Show();
  form.meDate->SetFocus();
  EXPECT_EQ(calls, (std::vector<std::string>{"framework", "designed"}));

  SetMethodProp(form.ed01, "OnExit", designed);
  EXPECT_TRUE(GetMethodProp(form.ed01, "OnExit") == designed);
  calls.clear();
  form.ed01->SetFocus();
  form.meDate->SetFocus();
  EXPECT_EQ(calls, (std::vector<std::string>{"designed"}));
}

TEST(ConditionForm, TypingADateIntoTheMaskAndMovingThroughThePages) {
  TScriptedUser user;
  TfrmCondition form(nullptr);
  form.Show();
  EXPECT_EQ(form.ActiveControl(), form.ed01);
  EXPECT_EQ(form.meDate->GetText(), "    /  /  ");  // the empty masked text keeps literals
  EXPECT_TRUE(form.meDate->IsMaskedTextEmpty());

  SendKey(VK_TAB);
  ASSERT_EQ(form.ActiveControl(), form.meDate);
  TypeText("20241231");
  EXPECT_EQ(form.meDate->GetText(), "2024/12/31");
  form.meDate->SetEditMask("9999/99/99;0; ");
  EXPECT_EQ(form.meDate->GetText(), "20241231");

  // The schemes page is refused while the date is being checked, then allowed.
  bool allow = false;
  form.pcMain->OnChanging = TTabChangingEvent::Lambda([&](TObject*, bool& ok) { ok = allow; });
  SendKey(VK_TAB, ssCtrl);
  EXPECT_EQ(form.pcMain->ActivePage(), form.tsCondition);
  allow = true;
  SendKey(VK_TAB, ssCtrl);
  EXPECT_EQ(form.pcMain->ActivePage(), form.tsSchemes);
  EXPECT_FALSE(form.ed01->Showing());
  EXPECT_TRUE(form.lvSchemes->Showing());
}

TEST(ConditionForm, SchemeListSortsByAHandlerAndRenamesInPlace) {
  TfrmCondition form(nullptr);
  form.Show();
  form.pcMain->SetActivePage(form.tsSchemes);
  struct Row {
    const char* name;
    const char* creator;
  };
  for (Row r : {Row{"Monthly", "wang"}, Row{"Daily", "li"}, Row{"Yearly", "zhao"}}) {
    TListItem* item = form.lvSchemes->Items()->Add();
    item->SetCaption(r.name);
    item->SubItems()->Add(r.creator);
  }
  // Sorted by creator, descending.
  form.lvSchemes->OnCompare =
      TLVCompareEvent::Lambda([](TObject*, TListItem* a, TListItem* b, int, int& result) {
        result = -AnsiCompareText(a->SubItems()->Get(0), b->SubItems()->Get(0));
      });
  form.lvSchemes->AlphaSort();
  std::vector<std::string> order;
  for (int i = 0; i < form.lvSchemes->Items()->Count(); ++i)
    order.push_back(form.lvSchemes->Items()->Item(i)->Caption());
  EXPECT_EQ(order, (std::vector<std::string>{"Yearly", "Monthly", "Daily"}));

  form.lvSchemes->OnEdited =
      TLVEditedEvent::Lambda([](TObject*, TListItem*, AnsiString& text) { text = Trim(text); });
  form.lvSchemes->SetFocus();
  TListItem* first = form.lvSchemes->Items()->Item(0);
  ASSERT_TRUE(first->EditCaption());
  TypeText(" Annual ");
  SendKey(VK_RETURN);  // ends the edit; the default button is not clicked
  EXPECT_FALSE(form.lvSchemes->IsEditing());
  EXPECT_EQ(first->Caption(), "Annual");
}

TEST(ConditionForm, ConfirmationAndModalShowAnsweredByTheUser) {
  TScriptedUser user;
  TfrmCondition form(nullptr);
  user.Answer([](TCustomForm& f) {
    auto& frm = static_cast<TfrmCondition&>(f);
    frm.ed01->SetFocus();
    TypeText("A01");
    SendKey(VK_RETURN);  // the default button
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.ed01->GetText(), "A01");
  user.ClickButton("No");
  EXPECT_EQ(MessageDlg("Delete this scheme?", TMsgDlgType::mtConfirmation, mbYesNo), mrNo);
  ASSERT_EQ(user.Shown().size(), 2u);
  EXPECT_EQ(user.Shown()[1].Message, "Delete this scheme?");
  EXPECT_EQ(user.UnansweredCount(), 0);
}
