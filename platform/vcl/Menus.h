// Menus: menu items in a tree, main and popup menus, and keyboard shortcuts as numbers and
// text. A popup menu hands itself to a process-wide handler (the window backend, or a
// scripted test that picks an item); the menus open on a form are kept here and painted above
// it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/vcl/Controls.h"

namespace vcl {

class TCanvas;     // drawing surface of owner-drawn items
class TImageList;  // images shown next to items
class TMenu;
class TMenuItem;
class TPopupMenu;

VCL_DECLARE_EXCEPTION(EMenuError, Exception)

// A keyboard shortcut: a virtual key code with modifier bits.
using TShortCut = int;
inline constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;

TShortCut ShortCut(std::uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift);
// "Ctrl+S", "Shift+Ctrl+F5", "Alt+Del"; "" for no shortcut or an unknown key.
AnsiString ShortCutToText(TShortCut shortCut);
// The reverse, ignoring case and the order of the modifiers; 0 for text that is no shortcut.
TShortCut TextToShortCut(std::string_view text);
// A caption without its hotkey marks ("&File" -> "File", "File(&F)" -> "File", "&&" -> "&").
AnsiString StripHotkey(std::string_view caption);
// The hotkey character of a caption (the one after a single "&"), or 0.
char GetHotkey(std::string_view caption);

// Owner-draw events: the canvas to draw on, the item's rectangle and whether it is selected;
// measuring sets the item's width and height.
using TMenuDrawItemEvent = TEvent<TObject*, TCanvas*, const TRect&, bool>;
using TMenuMeasureItemEvent = TEvent<TObject*, TCanvas*, int&, int&>;

enum class TFindItemKind { fkCommand, fkShortCut };

// One menu item; it owns its sub-items (freeing an item frees them). Indexes out of range
// raise EMenuError "Menu index out of range"; inserting an item that already has a parent
// raises EMenuError "Menu inserted twice".
class TMenuItem : public TComponent {
  VCL_DECLARE_COMPONENT(TMenuItem)
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& caption) { caption_ = caption; }
  // A caption of "-" makes the item a separator line.
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return checked_; }
  // Checking a radio item unchecks the other radio items of its parent with the same
  // GroupIndex.
  void SetChecked(bool value);
  bool RadioItem() const { return radioItem_; }
  void SetRadioItem(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value) { autoCheck_ = value; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  bool Default() const { return default_; }
  void SetDefault(bool value);
  TShortCut GetShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut value) { shortCut_ = value; }
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int value) { imageIndex_ = value; }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint) { hint_ = hint; }
  // A number unique in the process, used to find the item (FindItem with fkCommand).
  int Command() const { return command_; }

  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  void Add(TMenuItem* item);
  void Add(const std::vector<TMenuItem*>& items);
  void Insert(int index, TMenuItem* item);
  // Delete and Remove take the item out of this one without freeing it; Clear frees the
  // sub-items.
  void Delete(int index);
  void Remove(TMenuItem* item);
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The sub-item whose caption matches, ignoring hotkey marks and case; nullptr when none.
  TMenuItem* Find(std::string_view caption) const;

  TMenuItem* Parent() const { return parent_; }
  // Position in the parent (-1 without one); setting moves the item among its siblings.
  int MenuIndex() const;
  void SetMenuIndex(int index);
  // The menu at the root of this item's tree, or nullptr.
  TMenu* GetParentMenu() const;

  // Runs the item as a click does: nothing when disabled; an AutoCheck item toggles its
  // check mark (a checked radio item stays checked), then OnClick runs.
  virtual void Click();

  TNotifyEvent OnClick;
  TMenuDrawItemEvent OnDrawItem;
  TMenuMeasureItemEvent OnMeasureItem;

 private:
  friend class TMenu;
  void TurnSiblingsOff();
  AnsiString caption_;
  bool checked_ = false;
  bool radioItem_ = false;
  int groupIndex_ = 0;
  bool autoCheck_ = false;
  bool enabled_ = true;
  bool visible_ = true;
  bool default_ = false;
  TShortCut shortCut_ = 0;
  int imageIndex_ = -1;
  AnsiString hint_;
  int command_ = 0;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on the root item of a menu
  std::vector<TMenuItem*> items_;
};

class TMenu : public TComponent {
  VCL_DECLARE_COMPONENT(TMenu)
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;

  // The root item; its sub-items are the menu's top-level entries.
  TMenuItem* Items() const { return items_; }
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool value) { ownerDraw_ = value; }
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images) { images_ = images; }

  // The item anywhere in the tree with that command number or shortcut; nullptr when none.
  TMenuItem* FindItem(int value, TFindItemKind kind = TFindItemKind::fkCommand) const;
  // When an enabled, visible item (with enabled parents) has the shortcut of key and shift,
  // clicks it and returns true.
  bool IsShortCut(std::uint16_t key, TShiftState shift);

 private:
  TMenuItem* items_;
  bool ownerDraw_ = false;
  TImageList* images_ = nullptr;
};

class TMainMenu : public TMenu {
  VCL_DECLARE_COMPONENT(TMainMenu)
 public:
  explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
  bool AutoMerge() const { return autoMerge_; }
  void SetAutoMerge(bool value) { autoMerge_ = value; }

 private:
  bool autoMerge_ = false;
};

enum class TPopupAlignment { paLeft, paRight, paCenter };
const TTypeInfo* TypePopupAlignment();

class TPopupMenu : public TMenu {
  VCL_DECLARE_COMPONENT(TPopupMenu)
 public:
  explicit TPopupMenu(TComponent* owner) : TMenu(owner) {}

  // Pops the menu up at a screen point: OnPopup runs, PopupPoint is recorded, and the
  // popup-menu handler (if one is set) shows it and lets the user pick an item. While the
  // handler runs the menu is open (see OpenMenus) on the popup component's form, or on the
  // active form, placed by Alignment.
  virtual void Popup(int x, int y);
  TPoint PopupPoint() const { return popupPoint_; }
  // The component the menu was popped up for (set by whoever pops it up).
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* component);
  bool AutoPopup() const { return autoPopup_; }
  void SetAutoPopup(bool value) { autoPopup_ = value; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment value) { alignment_ = value; }

  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TPoint popupPoint_;
  TComponent* popupComponent_ = nullptr;
  bool autoPopup_ = true;
  TPopupAlignment alignment_ = TPopupAlignment::paLeft;
};

// Shows popup menus: called by TPopupMenu::Popup after OnPopup with the menu and the point.
// A window backend shows the menu; a scripted test picks an item (item->Click()). Returns the
// previous handler; an empty handler makes popups do nothing more.
using TPopupMenuHandler = std::function<void(TPopupMenu& menu, int x, int y)>;
TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler handler);

class TCustomForm;
// The main menu a form shows: the first main menu component the form owns, or nullptr.
TMainMenu* FormMainMenu(const TCustomForm& form);
// Height of the menu bar of `menu` (0 without visible top-level items).
int MenuBarHeight(const TMainMenu* menu);
// The cell of top-level item `index` on the menu bar, with the bar's top-left at (0, 0);
// empty for a hidden item or a bad index.
TRect MenuBarItemRect(const TMainMenu* menu, int index);
// Paints the menu bar into `rect`: the visible top-level captions, disabled ones in grey, the
// selected one (see SelectMainMenuItem) highlighted.
void PaintMenuBar(TCanvas* canvas, const TMainMenu* menu, const TRect& rect);

// ---- Open menus
//
// The menus showing on a form, as the user works through them: at most one form at a time,
// as on the platform. Level 0 is a popup menu or the list dropped down from the menu bar;
// each further level is the sub-menu of the item highlighted in the level before it. A popup
// menu is open while the popup-menu handler runs; the window backend (or a test) drives the
// rest. Menus close by themselves when their form or items are freed.

// An open list: the visible sub-items of `items` in a box with its top-left at `origin` (in
// the form's client coordinates), sub-item `selected` (an index into items->Items) highlighted
// or -1.
struct TOpenMenu {
  TMenuItem* items = nullptr;
  TPoint origin;
  int selected = -1;
};

// The form menus are open on (nullptr when none are) and the open lists, level 0 first.
TCustomForm* OpenMenuForm();
const std::vector<TOpenMenu>& OpenMenus();
// Opens the sub-items of `items` as the next level at a client point of `form`, moved left
// and up as far as needed to stay on the form; menus of another form close first. Returns
// the new level.
int OpenMenu(TCustomForm* form, TMenuItem* items, TPoint origin);
// Highlights sub-item `index` of level `level` (-1: none) and closes the levels after it; an
// enabled item with sub-items opens them beside it. Bad levels or indexes are ignored.
void SelectOpenMenuItem(int level, int index);
// Closes level `level` and those after it; level 0 also clears the menu bar's selection.
void CloseMenus(int level = 0);
// Highlights top-level item `index` of the form's main menu on its bar (-1: none), closing
// open lists; with `dropDown` its sub-items open below it.
void SelectMainMenuItem(TCustomForm* form, int index, bool dropDown);
// The highlighted top-level item of `menu`'s bar, or -1.
int SelectedMainMenuItem(const TMainMenu* menu);
// The box of open level `level` in its form's client coordinates (empty for a bad level).
TRect OpenMenuBounds(int level);
// The sub-item of level `level` (index into items->Items) at a client point, or -1 (also on
// separators).
int OpenMenuItemAt(int level, TPoint p);
// Paints the lists open on `form` onto `canvas`, where the form's client point (0, 0) lies at
// `clientOrigin`: raised boxes with their items, separators, check marks, images, shortcut
// texts, sub-menu arrows, disabled items in grey and the highlighted item in the highlight
// colours. Owner-drawn menus draw their items through OnDrawItem.
void PaintOpenMenus(TCanvas* canvas, const TCustomForm& form, TPoint clientOrigin);

}  // namespace vcl
