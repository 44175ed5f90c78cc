#include "platform/vcl/Menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/StdCtrls.h"

using namespace vcl;

namespace {

TMenuItem* NewItem(TComponent* owner, const char* caption) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(caption);
  return item;
}

// Restores the popup handler a test installs.
class ScopedPopupHandler {
 public:
  explicit ScopedPopupHandler(TPopupMenuHandler handler)
      : previous_(SetPopupMenuHandler(std::move(handler))) {}
  ~ScopedPopupHandler() { SetPopupMenuHandler(std::move(previous_)); }

 private:
  TPopupMenuHandler previous_;
};

// ---------------------------------------------------------------------------------------
// Item tree

TEST(MenusTree, AddInsertDeleteAndIndexes) {
  TMainMenu menu(nullptr);
  TMenuItem* file = NewItem(&menu, "&File");
  TMenuItem* edit = NewItem(&menu, "&Edit");
  TMenuItem* help = NewItem(&menu, "&Help");
  menu.Items()->Add(file);
  menu.Items()->Add(help);
  menu.Items()->Insert(1, edit);
  ASSERT_EQ(menu.Items()->Count(), 3);
  EXPECT_EQ(menu.Items()->Items(1), edit);
  EXPECT_EQ(edit->MenuIndex(), 1);
  EXPECT_EQ(edit->Parent(), menu.Items());
  EXPECT_EQ(edit->GetParentMenu(), &menu);

  help->SetMenuIndex(0);
  EXPECT_EQ(menu.Items()->IndexOf(help), 0);
  EXPECT_EQ(menu.Items()->IndexOf(file), 1);

  // Delete takes the item out without freeing it; it can be inserted again.
  menu.Items()->Delete(0);
  EXPECT_EQ(help->Parent(), nullptr);
  EXPECT_EQ(help->MenuIndex(), -1);
  EXPECT_EQ(help->GetParentMenu(), nullptr);
  EXPECT_EQ(menu.Items()->Count(), 2);
  menu.Items()->Add(help);
  EXPECT_EQ(help->MenuIndex(), 2);

  menu.Items()->Remove(edit);
  EXPECT_EQ(menu.Items()->Count(), 2);
  EXPECT_THROW(menu.Items()->Remove(edit), EMenuError);
  menu.Items()->Add(edit);
}

TEST(MenusTree, BadIndexesAndDoubleInsertRaise) {
  TPopupMenu menu(nullptr);
  TMenuItem* a = NewItem(&menu, "A");
  TMenuItem* b = NewItem(&menu, "B");
  menu.Items()->Add(a);
  a->Add(b);

  struct Case {
    const char* name;
    std::function<void()> action;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"item below 0", [&] { menu.Items()->Items(-1); }, "Menu index out of range"},
      {"item past end", [&] { menu.Items()->Items(1); }, "Menu index out of range"},
      {"insert past end", [&] { menu.Items()->Insert(5, NewItem(&menu, "x")); },
       "Menu index out of range"},
      {"delete past end", [&] { a->Delete(1); }, "Menu index out of range"},
      {"inserted twice", [&] { menu.Items()->Add(b); }, "Menu inserted twice"},
      {"root of another menu", [&] { a->Add(menu.Items()); }, "Menu inserted twice"},
  };
  for (const Case& c : cases) {
    try {
      c.action();
      ADD_FAILURE() << c.name << ": no exception";
    } catch (const EMenuError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.name;
    }
  }
  // An item cannot become its own descendant.
  a->Remove(b);
  b->Add(NewItem(&menu, "C"));
  TMenuItem* c = b->Items(0);
  b->Remove(c);
  c->Add(b);
  EXPECT_THROW(b->Add(c), EMenuError);
  EXPECT_EQ(b->Count(), 0);
}

TEST(MenusTree, FindIgnoresHotkeysAndCase) {
  TMainMenu menu(nullptr);
  TMenuItem* file = NewItem(&menu, "&File");
  menu.Items()->Add(file);
  TMenuItem* saveAs = NewItem(&menu, "Save &As...");
  TMenuItem* printSetup = NewItem(&menu, "Print && Setup");
  file->Add({saveAs, printSetup, NewItem(&menu, "-")});

  EXPECT_EQ(menu.Items()->Find("file"), file);
  EXPECT_EQ(file->Find("Save As..."), saveAs);
  EXPECT_EQ(file->Find("save &as..."), saveAs);
  EXPECT_EQ(file->Find("Print && Setup"), printSetup);
  EXPECT_EQ(file->Find("Print & Setup"), nullptr);  // a single "&" marks a hotkey
  EXPECT_EQ(file->Find("Save"), nullptr);
  EXPECT_TRUE(file->Items(2)->IsLine());
  EXPECT_FALSE(saveAs->IsLine());
  const std::pair<const char*, const char*> stripped[] = {
      {"&File", "File"}, {"File(&F)", "File"}, {"A&&B", "A&B"}, {"&&&X", "&X"}, {"End&", "End"},
  };
  for (const auto& [caption, plain] : stripped) EXPECT_EQ(StripHotkey(caption), plain) << caption;
  EXPECT_EQ(GetHotkey("Save &As..."), 'A');
  EXPECT_EQ(GetHotkey("Print && Setup"), 0);
}

TEST(MenusTree, FreeingAnItemFreesItsSubItemsAndLeavesItsParent) {
  auto* form = new TForm(nullptr);
  auto* menu = new TMainMenu(form);
  TMenuItem* file = NewItem(form, "File");
  menu->Items()->Add(file);
  TMenuItem* open = NewItem(form, "Open");
  TMenuItem* recent = NewItem(nullptr, "Recent");  // no owner: its parent frees it
  file->Add({open, recent});
  recent->Add(NewItem(nullptr, "a.txt"));

  delete file;
  EXPECT_EQ(menu->Items()->Count(), 0);
  EXPECT_EQ(form->FindComponent("Open"), nullptr);
  // The owner frees the rest (the sanitizer build checks nothing is freed twice or leaked).
  TMenuItem* edit = NewItem(form, "Edit");
  menu->Items()->Add(edit);
  edit->Add(NewItem(form, "Cut"));
  delete form;
}

// ---------------------------------------------------------------------------------------
// Check marks and clicks

TEST(MenusRadio, CheckingARadioItemUnchecksItsGroupOnly) {
  TPopupMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  std::vector<TMenuItem*> items;
  // a, b: radio group 1; c, d: radio group 2; e: group 1 but not a radio item.
  const struct {
    const char* caption;
    bool radio;
    int group;
  } kinds[] = {{"a", true, 1}, {"b", true, 1}, {"c", true, 2}, {"d", true, 2}, {"e", false, 1}};
  for (const auto& s : kinds) {
    TMenuItem* item = NewItem(&menu, s.caption);
    item->SetRadioItem(s.radio);
    item->SetGroupIndex(s.group);
    root->Add(item);
    items.push_back(item);
  }
  auto checked = [&] {
    std::string s;
    for (TMenuItem* item : items) s += item->Checked() ? '1' : '0';
    return s;
  };
  items[4]->SetChecked(true);
  items[0]->SetChecked(true);
  items[2]->SetChecked(true);
  EXPECT_EQ(checked(), "10101");
  items[1]->SetChecked(true);
  EXPECT_EQ(checked(), "01101");
  items[3]->SetChecked(true);
  EXPECT_EQ(checked(), "01011");
  // Unchecking does not check another.
  items[3]->SetChecked(false);
  EXPECT_EQ(checked(), "01001");
  // Moving a checked radio item into group 1 unchecks b.
  items[2]->SetChecked(true);
  items[2]->SetGroupIndex(1);
  EXPECT_EQ(checked(), "00101");
  // Inserting a checked radio item unchecks its new group.
  TMenuItem* f = NewItem(&menu, "f");
  f->SetRadioItem(true);
  f->SetGroupIndex(1);
  f->SetChecked(true);
  root->Add(f);
  EXPECT_EQ(checked(), "00001");
  EXPECT_TRUE(f->Checked());
}

TEST(MenusClick, ClickRunsOnClickAndTogglesAutoCheckItems) {
  struct Case {
    const char* name;
    bool enabled;
    bool autoCheck;
    bool radio;
    bool checkedBefore;
    bool clickRuns;
    bool checkedAfter;
  };
  const Case cases[] = {
      {"plain item", true, false, false, false, true, false},
      {"auto check on", true, true, false, false, true, true},
      {"auto check off", true, true, false, true, true, false},
      {"radio becomes checked", true, true, true, false, true, true},
      {"checked radio stays checked", true, true, true, true, true, true},
      {"disabled item", false, false, false, false, false, false},
      {"disabled auto check item", false, true, false, false, false, false},
  };
  for (const Case& c : cases) {
    TMenuItem parent(nullptr);
    TMenuItem* other = NewItem(nullptr, "other");
    other->SetRadioItem(true);
    other->SetChecked(true);
    parent.Add(other);
    TMenuItem* item = NewItem(nullptr, "item");
    parent.Add(item);
    item->SetEnabled(c.enabled);
    item->SetAutoCheck(c.autoCheck);
    item->SetRadioItem(c.radio);
    item->SetChecked(c.checkedBefore);
    int clicks = 0;
    bool checkedInHandler = false;
    item->OnClick = TNotifyEvent::Lambda([&](TObject* sender) {
      EXPECT_EQ(sender, item);
      checkedInHandler = item->Checked();
      ++clicks;
    });
    item->Click();
    EXPECT_EQ(clicks, c.clickRuns ? 1 : 0) << c.name;
    EXPECT_EQ(item->Checked(), c.checkedAfter) << c.name;
    if (c.clickRuns) {
      EXPECT_EQ(checkedInHandler, c.checkedAfter) << c.name;
    }
    // A radio item that became checked unchecked its sibling.
    EXPECT_EQ(other->Checked(), !(c.radio && c.checkedAfter)) << c.name;
  }
}

TEST(MenusClick, DefaultItemIsUniqueAmongSiblings) {
  TMenuItem parent(nullptr);
  TMenuItem* a = NewItem(nullptr, "a");
  TMenuItem* b = NewItem(nullptr, "b");
  parent.Add({a, b});
  a->SetDefault(true);
  b->SetDefault(true);
  EXPECT_FALSE(a->Default());
  EXPECT_TRUE(b->Default());
}

// ---------------------------------------------------------------------------------------
// Popup menus

TEST(MenusPopup, PopupRunsOnPopupThenTheHandlerThatPicksAnItem) {
  TPopupMenu menu(nullptr);
  TMenuItem* copy = NewItem(&menu, "&Copy");
  TMenuItem* paste = NewItem(&menu, "&Paste");
  menu.Items()->Add({copy, paste});
  std::vector<std::string> log;
  menu.OnPopup = TNotifyEvent::Lambda([&](TObject*) {
    log.push_back("popup at " + std::to_string(menu.PopupPoint().X) + "," +
                  std::to_string(menu.PopupPoint().Y));
    // The application updates its items as the menu opens.
    paste->SetEnabled(false);
  });
  copy->OnClick = TNotifyEvent::Lambda([&](TObject*) { log.push_back("copy"); });
  paste->OnClick = TNotifyEvent::Lambda([&](TObject*) { log.push_back("paste"); });

  {
    // No presentation: only OnPopup runs.
    ScopedPopupHandler none(nullptr);
    menu.Popup(5, 6);
    EXPECT_EQ(log, (std::vector<std::string>{"popup at 5,6"}));
  }
  log.clear();
  ScopedPopupHandler handler([&](TPopupMenu& shown, int x, int y) {
    EXPECT_EQ(&shown, &menu);
    log.push_back("shown at " + std::to_string(x) + "," + std::to_string(y));
    shown.Items()->Find("Paste")->Click();  // disabled in OnPopup: nothing
    shown.Items()->Find("Copy")->Click();
  });
  menu.Popup(120, 80);
  EXPECT_EQ(log, (std::vector<std::string>{"popup at 120,80", "shown at 120,80", "copy"}));
}

TEST(MenusPopup, RightClickPopsUpTheControlsMenuForThatControl) {
  TForm form(nullptr);
  form.SetBounds(100, 50, 300, 200);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 20, 80, 30);
  auto* menu = new TPopupMenu(&form);
  menu->Items()->Add(NewItem(menu, "Undo"));
  edit->SetPopupMenu(menu);
  form.Show();

  TComponent* popupFor = nullptr;
  int shown = 0;
  ScopedPopupHandler handler([&](TPopupMenu& m, int, int) {
    ++shown;
    popupFor = m.PopupComponent();
  });
  RightClickControl(edit);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(popupFor, edit);

  // AutoPopup off: right clicks leave the menu alone.
  menu->SetAutoPopup(false);
  RightClickControl(edit);
  EXPECT_EQ(shown, 1);

  // The menu forgets a freed popup component.
  menu->SetPopupComponent(edit);
  delete edit;
  EXPECT_EQ(menu->PopupComponent(), nullptr);
}

TEST(MenusPopup, ControlsSharingAMenuForgetItWhenItIsFreed) {
  TForm form(nullptr);
  auto* a = new TEdit(&form);
  a->SetParent(&form);
  auto* b = new TEdit(&form);
  b->SetParent(&form);
  auto* menu = new TPopupMenu(nullptr);
  a->SetPopupMenu(menu);
  b->SetPopupMenu(menu);
  form.Show();
  ScopedPopupHandler handler([](TPopupMenu&, int, int) {});
  RightClickControl(a);
  RightClickControl(b);  // the popup component moves on from a to b
  EXPECT_EQ(menu->PopupComponent(), b);
  delete menu;
  EXPECT_EQ(a->PopupMenu(), nullptr);
  EXPECT_EQ(b->PopupMenu(), nullptr);
  RightClickControl(a);
}

// ---------------------------------------------------------------------------------------
// Shortcuts

TEST(MenusShortCut, TextRoundTrip) {
  const struct {
    std::uint16_t key;
    TShiftState shift;
    const char* text;
  } cases[] = {
      {'S', ssCtrl, "Ctrl+S"},
      {'S', ssShift | ssCtrl, "Shift+Ctrl+S"},
      {VK_F5, 0, "F5"},
      {VK_F12, ssAlt, "Alt+F12"},
      {VK_DELETE, ssShift, "Shift+Del"},
      {VK_INSERT, ssCtrl, "Ctrl+Ins"},
      {VK_RETURN, ssAlt, "Alt+Enter"},
      {VK_BACK, ssAlt, "Alt+BkSp"},
      {VK_NEXT, ssCtrl, "Ctrl+PgDn"},
      {'7', ssCtrl | ssAlt, "Ctrl+Alt+7"},
      {VK_ESCAPE, 0, "Esc"},
  };
  for (const auto& c : cases) {
    const TShortCut sc = ShortCut(c.key, c.shift);
    EXPECT_EQ(ShortCutToText(sc), c.text);
    EXPECT_EQ(TextToShortCut(c.text), sc) << c.text;
    std::uint16_t key = 0;
    TShiftState shift = 0;
    ShortCutToKey(sc, key, shift);
    EXPECT_EQ(key, c.key) << c.text;
    EXPECT_EQ(shift, c.shift) << c.text;
  }
  // Case and the order of modifiers do not matter when reading.
  EXPECT_EQ(TextToShortCut("ctrl+shift+s"), ShortCut('S', ssShift | ssCtrl));
  EXPECT_EQ(TextToShortCut("alt+ctrl+del"), ShortCut(VK_DELETE, ssCtrl | ssAlt));
  for (const char* bad : {"", "Ctrl+", "Hyper+S", "Ctrl+Foo", "F0", "F25", "Ctrl+SS", "+"})
    EXPECT_EQ(TextToShortCut(bad), 0) << bad;
  EXPECT_EQ(ShortCutToText(0), "");
}

TEST(MenusShortCut, MenuFindsAndRunsTheItemOfAShortCut) {
  TMainMenu menu(nullptr);
  TMenuItem* file = NewItem(&menu, "File");
  TMenuItem* save = NewItem(&menu, "Save");
  TMenuItem* edit = NewItem(&menu, "Edit");
  TMenuItem* cut = NewItem(&menu, "Cut");
  menu.Items()->Add({file, edit});
  file->Add(save);
  edit->Add(cut);
  save->SetShortCut(TextToShortCut("Ctrl+S"));
  cut->SetShortCut(TextToShortCut("Ctrl+X"));
  int saves = 0, cuts = 0;
  save->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++saves; });
  cut->OnClick = TNotifyEvent::Lambda([&](TObject*) { ++cuts; });

  EXPECT_EQ(menu.FindItem(save->Command()), save);
  EXPECT_EQ(menu.FindItem(cut->GetShortCut(), TFindItemKind::fkShortCut), cut);
  EXPECT_EQ(menu.FindItem(-5), nullptr);

  EXPECT_TRUE(menu.IsShortCut('S', ssCtrl));
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(menu.IsShortCut('S', ssCtrl | ssShift));
  // An item under a disabled parent is out of reach.
  edit->SetEnabled(false);
  EXPECT_FALSE(menu.IsShortCut('X', ssCtrl));
  EXPECT_EQ(cuts, 0);
}

TEST(MenusProperties, PublishedByName) {
  TPopupMenu menu(nullptr);
  TMenuItem* item = NewItem(&menu, "x");
  menu.Items()->Add(item);
  SetPropAsString(item, "Caption", "&Open");
  SetPropAsString(item, "Checked", "True");
  SetOrdProp(item, "ShortCut", TextToShortCut("Ctrl+O"));
  EXPECT_EQ(item->Caption(), "&Open");
  EXPECT_TRUE(item->Checked());
  EXPECT_EQ(ShortCutToText(item->GetShortCut()), "Ctrl+O");
  SetEnumProp(&menu, "Alignment", "paRight");
  EXPECT_EQ(menu.Alignment(), TPopupAlignment::paRight);
  EXPECT_EQ(GetObjectProp(&menu, "Items"), menu.Items());
  EXPECT_THROW(SetEnumProp(&menu, "Alignment", "paTop"), EPropertyConvertError);
}

}  // namespace
