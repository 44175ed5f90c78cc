#include "platform/vcl/Menus.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/rtl/Strings.h"

namespace vcl {

// ---------------------------------------------------------------------------------------
// Shortcuts

namespace {

struct KeyName {
  std::uint16_t key;
  const char* name;
};

// Names of the keys that are not letters, digits or function keys.
constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},   {VK_TAB, "Tab"},    {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"},
    {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},   {VK_LEFT, "Left"},  {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},   {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

AnsiString KeyToText(std::uint16_t key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return AnsiString(1, char(key));
  if (key >= VK_F1 && key < VK_F1 + 24) return "F" + IntToStr(key - VK_F1 + 1);
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return k.name;
  return "";
}

std::uint16_t TextToKey(std::string_view text) {
  if (text.size() == 1) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<std::uint16_t>(c);
    return 0;
  }
  for (const KeyName& k : kKeyNames)
    if (SameText(text, k.name)) return k.key;
  if (text.size() >= 2 && (text[0] == 'F' || text[0] == 'f')) {
    int n = 0;
    if (TryStrToInt(text.substr(1), n) && n >= 1 && n <= 24 &&
        std::all_of(text.begin() + 1, text.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return static_cast<std::uint16_t>(VK_F1 + n - 1);
  }
  return 0;
}

}  // namespace

TShortCut ShortCut(std::uint16_t key, TShiftState shift) {
  if (key & 0xFF00) return 0;  // not a key code
  TShortCut result = key;
  if (shift & ssShift) result |= scShift;
  if (shift & ssCtrl) result |= scCtrl;
  if (shift & ssAlt) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut shortCut, std::uint16_t& key, TShiftState& shift) {
  key = static_cast<std::uint16_t>(shortCut & 0xFF);
  shift = 0;
  if (shortCut & scShift) shift |= ssShift;
  if (shortCut & scCtrl) shift |= ssCtrl;
  if (shortCut & scAlt) shift |= ssAlt;
}

AnsiString ShortCutToText(TShortCut shortCut) {
  AnsiString name = KeyToText(static_cast<std::uint16_t>(shortCut & 0xFF));
  if (name.empty()) return "";
  AnsiString prefix;
  if (shortCut & scShift) prefix += "Shift+";
  if (shortCut & scCtrl) prefix += "Ctrl+";
  if (shortCut & scAlt) prefix += "Alt+";
  return prefix + name;
}

TShortCut TextToShortCut(std::string_view text) {
  TShortCut mods = 0;
  // Modifiers end with "+"; the rest is the key (which may itself be "+"-free text only).
  for (;;) {
    size_t plus = text.find('+');
    if (plus == std::string_view::npos || plus + 1 >= text.size()) break;
    std::string_view part = text.substr(0, plus);
    if (SameText(part, "Shift"))
      mods |= scShift;
    else if (SameText(part, "Ctrl"))
      mods |= scCtrl;
    else if (SameText(part, "Alt"))
      mods |= scAlt;
    else
      return 0;
    text.remove_prefix(plus + 1);
  }
  std::uint16_t key = TextToKey(text);
  return key ? (key | mods) : 0;
}

AnsiString StripHotkey(std::string_view caption) {
  AnsiString out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      // "(&F)" as East Asian captions mark their hotkey goes as a whole.
      if (!out.empty() && out.back() == '(' && i + 2 < caption.size() && caption[i + 2] == ')') {
        out.pop_back();
        i += 2;
        continue;
      }
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

char GetHotkey(std::string_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return caption[i + 1];
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// TMenuItem

namespace {
int NextCommand() {
  static int next = 0;
  return ++next;
}

[[noreturn]] void MenuIndexError() {
  throw EMenuError("Menu index out of range");
}
}  // namespace

VCL_IMPLEMENT_COMPONENT(TMenuItem, TComponent)

void TMenuItem::Publish(TPublisher& p) {
  p.String("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption);
  p.Bool("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked);
  p.Bool("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem);
  p.Integer("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex);
  p.Bool("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck);
  p.Bool("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled);
  p.Bool("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible);
  p.Bool("Default", &TMenuItem::Default, &TMenuItem::SetDefault);
  p.Integer("ShortCut", &TMenuItem::GetShortCut, &TMenuItem::SetShortCut);
  p.Integer("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex);
  p.String("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  p.Event("OnClick", "TNotifyEvent", &TMenuItem::OnClick);
  p.Event("OnDrawItem", "TMenuDrawItemEvent", &TMenuItem::OnDrawItem);
  p.Event("OnMeasureItem", "TMenuMeasureItemEvent", &TMenuItem::OnMeasureItem);
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(NextCommand()) {}

TMenuItem::~TMenuItem() {
  if (parent_) parent_->Remove(this);
  Clear();
}

void TMenuItem::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  if (value && radioItem_) TurnSiblingsOff();
}

void TMenuItem::SetRadioItem(bool value) {
  radioItem_ = value;
  if (value && checked_) TurnSiblingsOff();
}

void TMenuItem::SetGroupIndex(int value) {
  groupIndex_ = value;
  if (radioItem_ && checked_) TurnSiblingsOff();
}

void TMenuItem::SetDefault(bool value) {
  if (value && parent_)
    for (TMenuItem* sibling : parent_->items_)
      if (sibling != this) sibling->default_ = false;
  default_ = value;
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* sibling : parent_->items_)
    if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_)
      sibling->checked_ = false;
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) MenuIndexError();
  return items_[static_cast<size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Add(const std::vector<TMenuItem*>& items) {
  for (TMenuItem* item : items) Add(item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item) throw EMenuError("Cannot insert a nil menu item");
  if (item->parent_ || item->menu_) throw EMenuError("Menu inserted twice");
  if (index < 0 || index > Count()) MenuIndexError();
  for (const TMenuItem* p = this; p; p = p->parent_)
    if (p == item) throw EMenuError("Cannot insert a menu item into itself");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  if (item->checked_ && item->radioItem_) item->TurnSiblingsOff();
}

void TMenuItem::Delete(int index) {
  if (index < 0 || index >= Count()) MenuIndexError();
  TMenuItem* item = items_[static_cast<size_t>(index)];
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
}

void TMenuItem::Remove(TMenuItem* item) {
  int index = IndexOf(item);
  if (index < 0) throw EMenuError("Menu item not found");
  Delete(index);
}

void TMenuItem::Clear() {
  while (!items_.empty()) {
    TMenuItem* item = items_.back();
    items_.pop_back();
    item->parent_ = nullptr;
    delete item;
  }
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem* TMenuItem::Find(std::string_view caption) const {
  AnsiString wanted = StripHotkey(caption);
  for (TMenuItem* item : items_)
    if (AnsiSameText(StripHotkey(item->caption_), wanted)) return item;
  return nullptr;
}

int TMenuItem::MenuIndex() const {
  return parent_ ? parent_->IndexOf(this) : -1;
}

void TMenuItem::SetMenuIndex(int index) {
  if (!parent_) return;
  int count = parent_->Count();
  index = std::clamp(index, 0, count - 1);
  int current = MenuIndex();
  if (current == index) return;
  auto& list = parent_->items_;
  list.erase(list.begin() + current);
  list.insert(list.begin() + index, this);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* item = this;
  while (item->parent_) item = item->parent_;
  return item->menu_;
}

void TMenuItem::Click() {
  if (!enabled_) return;
  if (autoCheck_ && !(radioItem_ && checked_)) SetChecked(!checked_);
  OnClick(this);
}

// ---------------------------------------------------------------------------------------
// TMenu

VCL_IMPLEMENT_COMPONENT(TMenu, TComponent)

void TMenu::Publish(TPublisher& p) {
  p.Object("Items", &TMenu::Items);
  p.Bool("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw);
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() {
  delete items_;
}

namespace {
TMenuItem* FindIn(TMenuItem* parent, int value, TFindItemKind kind) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    bool match = kind == TFindItemKind::fkCommand ? item->Command() == value
                                                  : item->GetShortCut() == value && value != 0;
    if (match) return item;
    if (TMenuItem* found = FindIn(item, value, kind)) return found;
  }
  return nullptr;
}

TMenuItem* FindUsableShortCut(TMenuItem* parent, TShortCut shortCut) {
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Enabled() || !item->Visible()) continue;
    if (item->GetShortCut() == shortCut) return item;
    if (TMenuItem* found = FindUsableShortCut(item, shortCut)) return found;
  }
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindItem(int value, TFindItemKind kind) const {
  return FindIn(items_, value, kind);
}

bool TMenu::IsShortCut(std::uint16_t key, TShiftState shift) {
  TShortCut shortCut = ShortCut(key, shift & (ssShift | ssCtrl | ssAlt));
  if (shortCut == 0) return false;
  TMenuItem* item = FindUsableShortCut(items_, shortCut);
  if (!item) return false;
  item->Click();
  return true;
}

VCL_IMPLEMENT_COMPONENT(TMainMenu, TMenu)

void TMainMenu::Publish(TPublisher& p) {
  p.Bool("AutoMerge", &TMainMenu::AutoMerge, &TMainMenu::SetAutoMerge);
}

// ---------------------------------------------------------------------------------------
// TPopupMenu

namespace {
TPopupMenuHandler& PopupHandler() {
  static TPopupMenuHandler handler;
  return handler;
}
}  // namespace

TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler handler) {
  return std::exchange(PopupHandler(), std::move(handler));
}

const TTypeInfo* TypePopupAlignment() {
  static const TTypeInfo* type = MakeEnumType("TPopupAlignment", {"paLeft", "paRight", "paCenter"});
  return type;
}

VCL_IMPLEMENT_COMPONENT(TPopupMenu, TMenu)

void TPopupMenu::Publish(TPublisher& p) {
  p.Bool("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup);
  p.Enum("Alignment", TypePopupAlignment(), &TPopupMenu::Alignment, &TPopupMenu::SetAlignment);
  p.Event("OnPopup", "TNotifyEvent", &TPopupMenu::OnPopup);
}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (popupComponent_ == component) return;
  popupComponent_ = component;
  // The link to the old component stays: it may be the same link through which that
  // component (a control using this menu) hears of the menu being freed.
  if (component) component->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

}  // namespace vcl

// ---- Menu bar and open menus ----------------------------------------------------------

#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/ImgList.h"

namespace vcl {

TMainMenu* FormMainMenu(const TCustomForm& form) {
  for (int i = 0; i < form.ComponentCount(); ++i)
    if (auto* menu = dynamic_cast<TMainMenu*>(form.Components(i))) return menu;
  return nullptr;
}

namespace {

constexpr int kMenuBarHeight = 19;
constexpr int kMenuBarItemPadding = 7;
constexpr int kMenuFrame = 3;         // raised edge and one pixel of margin around a list
constexpr int kMenuGutter = 18;       // check marks and images, left of the captions
constexpr int kMenuArrowArea = 18;    // sub-menu arrows, right of the shortcuts
constexpr int kMenuShortCutGap = 18;  // between the longest caption and the shortcuts
constexpr int kMenuSeparatorHeight = 8;
constexpr unsigned kMenuTextFlags = DT_SINGLELINE | DT_VCENTER;

bool HasVisibleItems(const TMainMenu* menu) {
  if (!menu) return false;
  for (int i = 0; i < menu->Items()->Count(); ++i)
    if (menu->Items()->Items(i)->Visible()) return true;
  return false;
}

int CaptionWidth(TCanvas& canvas, const AnsiString& caption) {
  TRect r{0, 0, 0, 0};
  canvas.DrawText(caption, r, DT_SINGLELINE | DT_CALCRECT);
  return r.Width();
}

// Where the rows of an open list lie, relative to the list's top-left.
struct MenuRow {
  int index;  // into items->Items
  int top;
  int height;
  bool line;
};
struct MenuLayout {
  int width = 0;
  int height = 0;
  int gutter = kMenuGutter;
  std::vector<MenuRow> rows;
};

MenuLayout LayOut(TMenuItem* items) {
  MenuLayout layout;
  TCanvas canvas;
  canvas.Font()->Assign(Screen()->MenuFont());
  const TMenu* menu = items->GetParentMenu();
  const TImageList* images = menu ? menu->Images() : nullptr;
  int rowHeight = std::max(18, canvas.TextHeight("Wg") + 5);
  if (images) {
    layout.gutter = std::max(kMenuGutter, images->Width() + 4);
    rowHeight = std::max(rowHeight, images->Height() + 3);
  }
  int captions = 0, shortCuts = 0, y = kMenuFrame;
  for (int i = 0; i < items->Count(); ++i) {
    TMenuItem* item = items->Items(i);
    if (!item->Visible()) continue;
    if (item->IsLine()) {
      layout.rows.push_back({i, y, kMenuSeparatorHeight, true});
      y += kMenuSeparatorHeight;
      continue;
    }
    canvas.Font()->SetStyle(item->Default() ? fsBold : 0);
    int width = CaptionWidth(canvas, item->Caption()), height = rowHeight;
    if (menu && menu->OwnerDraw() && item->OnMeasureItem) {
      int w = layout.gutter + width + kMenuArrowArea;
      item->OnMeasureItem(item, &canvas, w, height);
      width = std::max(0, w - layout.gutter - kMenuArrowArea);
    }
    captions = std::max(captions, width);
    const AnsiString shortCut = ShortCutToText(item->GetShortCut());
    if (!shortCut.empty()) shortCuts = std::max(shortCuts, canvas.TextWidth(shortCut));
    layout.rows.push_back({i, y, height, false});
    y += height;
  }
  layout.width = 2 * kMenuFrame + layout.gutter + captions +
                 (shortCuts > 0 ? kMenuShortCutGap + shortCuts : 0) + kMenuArrowArea;
  layout.height = y + kMenuFrame;
  return layout;
}

// The open menus, forgotten as soon as their form, menu bar or items are freed.
class MenuKeeper : public TComponent {
 public:
  MenuKeeper() : TComponent(nullptr) {}

  // Asks for free notification of exactly the objects in use now.
  void Watch() {
    for (TComponent* c : watched_) RemoveFreeNotification(c);
    watched_.clear();
    auto watch = [this](TComponent* c) {
      if (!c || std::find(watched_.begin(), watched_.end(), c) != watched_.end()) return;
      c->FreeNotification(this);
      watched_.push_back(c);
    };
    watch(form);
    watch(bar);
    for (const TOpenMenu& m : menus) watch(m.items);
  }

  TCustomForm* form = nullptr;
  std::vector<TOpenMenu> menus;
  TMainMenu* bar = nullptr;
  int barIndex = -1;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    std::erase(watched_, component);
    if (component == form) {
      CloseMenus(0);
      return;
    }
    if (component == bar) {
      bar = nullptr;
      barIndex = -1;
    }
    for (size_t level = 0; level < menus.size(); ++level)
      if (menus[level].items == component) {
        CloseMenus(static_cast<int>(level));
        return;
      }
    Watch();
  }

 private:
  std::vector<TComponent*> watched_;
};

// Lives as long as the process, as the application and screen objects do.
MenuKeeper& Keeper() {
  static MenuKeeper* keeper = new MenuKeeper;
  return *keeper;
}

// A 7 x 7 tick centred on (cx, cy), three pixels thick.
void DrawTick(TCanvas* canvas, int cx, int cy, TColor color) {
  canvas->Brush()->SetColor(color);
  for (int i = 0; i < 7; ++i) {
    const int top = cy - 1 + (i < 3 ? i : 4 - i);
    canvas->FillRect({cx - 3 + i, top, cx - 2 + i, top + 3});
  }
}

// Text of a menu row: the item's colour, grey on the highlight for a selected disabled item,
// embossed for an unselected disabled one.
void DrawMenuText(TCanvas* canvas, const AnsiString& text, const TRect& rect, unsigned flags,
                  bool enabled, bool selected) {
  canvas->Font()->SetColor(!enabled && selected ? clGrayText
                           : selected           ? clHighlightText
                                                : clMenuText);
  if (enabled || selected) {
    TRect r = rect;
    canvas->DrawText(text, r, flags);
  } else {
    DrawControlText(canvas, text, rect, flags, false);
  }
}

void PaintMenuList(TCanvas* canvas, const TOpenMenu& open, TPoint offset) {
  const MenuLayout layout = LayOut(open.items);
  if (layout.rows.empty()) return;
  const TRect box{offset.X + open.origin.X, offset.Y + open.origin.Y,
                  offset.X + open.origin.X + layout.width,
                  offset.Y + open.origin.Y + layout.height};
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(clMenu);
  canvas->FillRect(box);
  DrawEdge(canvas, box, TEdgeKind::Raised);
  const TMenu* menu = open.items->GetParentMenu();
  const TImageList* images = menu ? menu->Images() : nullptr;
  for (const MenuRow& row : layout.rows) {
    TMenuItem* item = open.items->Items(row.index);
    const TRect r{box.Left + kMenuFrame, box.Top + row.top, box.Right - kMenuFrame,
                  box.Top + row.top + row.height};
    if (row.line) {
      const int y = r.Top + r.Height() / 2 - 1;
      canvas->Brush()->SetColor(clBtnShadow);
      canvas->FillRect({r.Left + 1, y, r.Right - 1, y + 1});
      canvas->Brush()->SetColor(clBtnHighlight);
      canvas->FillRect({r.Left + 1, y + 1, r.Right - 1, y + 2});
      continue;
    }
    const bool selected = row.index == open.selected;
    const bool enabled = item->Enabled();
    canvas->Font()->Assign(Screen()->MenuFont());
    canvas->Font()->SetStyle(item->Default() ? fsBold : 0);
    canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
    canvas->FillRect(r);
    if (menu && menu->OwnerDraw() && item->OnDrawItem) {
      canvas->Font()->SetColor(selected ? clHighlightText : clMenuText);
      item->OnDrawItem(item, canvas, r, selected);
      continue;
    }
    const int cx = r.Left + layout.gutter / 2, cy = r.Top + r.Height() / 2;
    const TColor markColor = !enabled ? clGrayText : selected ? clHighlightText : clMenuText;
    if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
      const int x = cx - images->Width() / 2, y = cy - images->Height() / 2;
      if (item->Checked())
        DrawEdge(canvas, {x - 1, y - 1, x + images->Width() + 1, y + images->Height() + 1},
                 TEdgeKind::SunkenOuter);
      images->Draw(canvas, x, y, item->ImageIndex(), enabled);
    } else if (item->Checked() && item->RadioItem()) {
      canvas->Brush()->SetColor(markColor);
      canvas->Pen()->SetColor(markColor);
      canvas->Ellipse(cx - 3, cy - 3, cx + 3, cy + 3);
    } else if (item->Checked()) {
      DrawTick(canvas, cx, cy, markColor);
    }
    const TRect text{r.Left + layout.gutter, r.Top, r.Right - kMenuArrowArea, r.Bottom};
    DrawMenuText(canvas, item->Caption(), text, kMenuTextFlags | DT_LEFT, enabled, selected);
    const AnsiString shortCut = ShortCutToText(item->GetShortCut());
    if (!shortCut.empty())
      DrawMenuText(canvas, shortCut, text, kMenuTextFlags | DT_RIGHT | DT_NOPREFIX, enabled,
                   selected);
    if (item->Count() > 0)
      DrawArrow(canvas, {r.Right - kMenuArrowArea, r.Top, r.Right, r.Bottom},
                TArrowDirection::Right, markColor);
  }
}

}  // namespace

int MenuBarHeight(const TMainMenu* menu) {
  return HasVisibleItems(menu) ? kMenuBarHeight : 0;
}

TRect MenuBarItemRect(const TMainMenu* menu, int index) {
  if (!menu || index < 0 || index >= menu->Items()->Count()) return {};
  if (!menu->Items()->Items(index)->Visible()) return {};
  TCanvas canvas;
  canvas.Font()->Assign(Screen()->MenuFont());
  int x = 0;
  for (int i = 0;; ++i) {
    const TMenuItem* item = menu->Items()->Items(i);
    if (!item->Visible()) continue;
    const int width = CaptionWidth(canvas, item->Caption()) + 2 * kMenuBarItemPadding;
    if (i == index) return {x, 0, x + width, kMenuBarHeight};
    x += width;
  }
}

void PaintMenuBar(TCanvas* canvas, const TMainMenu* menu, const TRect& rect) {
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(clMenu);
  canvas->FillRect(rect);
  if (!menu) return;
  canvas->Font()->Assign(Screen()->MenuFont());
  const int selected = SelectedMainMenuItem(menu);
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    const TMenuItem* item = menu->Items()->Items(i);
    if (!item->Visible()) continue;
    const TRect r = MenuBarItemRect(menu, i);
    const TRect cell{rect.Left + r.Left, rect.Top, rect.Left + r.Right, rect.Bottom};
    if (i == selected) {
      canvas->Brush()->SetColor(clHighlight);
      canvas->FillRect(cell);
    }
    DrawMenuText(canvas, item->Caption(), cell, kMenuTextFlags | DT_CENTER, item->Enabled(),
                 i == selected);
  }
}

TCustomForm* OpenMenuForm() {
  return Keeper().form;
}

const std::vector<TOpenMenu>& OpenMenus() {
  return Keeper().menus;
}

int OpenMenu(TCustomForm* form, TMenuItem* items, TPoint origin) {
  if (!form || !items) return -1;
  MenuKeeper& k = Keeper();
  if (k.form != form) CloseMenus(0);
  k.form = form;
  const MenuLayout layout = LayOut(items);
  origin.X = std::max(0, std::min(origin.X, form->ClientWidth() - layout.width));
  origin.Y = std::max(0, std::min(origin.Y, form->ClientHeight() - layout.height));
  k.menus.push_back({items, origin, -1});
  k.Watch();
  return static_cast<int>(k.menus.size()) - 1;
}

void SelectOpenMenuItem(int level, int index) {
  MenuKeeper& k = Keeper();
  if (level < 0 || level >= static_cast<int>(k.menus.size())) return;
  TMenuItem* items = k.menus[static_cast<size_t>(level)].items;
  if (index < -1 || index >= items->Count()) return;
  TMenuItem* item = index >= 0 ? items->Items(index) : nullptr;
  if (item && (!item->Visible() || item->IsLine())) return;
  CloseMenus(level + 1);
  k.menus[static_cast<size_t>(level)].selected = index;
  if (!item || !item->Enabled() || item->Count() == 0) return;
  // The sub-menu opens beside its item: to the right, or to the left where the form ends.
  const TRect box = OpenMenuBounds(level);
  const MenuLayout layout = LayOut(items), sub = LayOut(item);
  int top = box.Top;
  for (const MenuRow& row : layout.rows)
    if (row.index == index) top = box.Top + row.top - kMenuFrame;
  int left = box.Right - kMenuFrame;
  if (left + sub.width > k.form->ClientWidth()) left = box.Left - sub.width + kMenuFrame;
  OpenMenu(k.form, item, {left, top});
}

void CloseMenus(int level) {
  MenuKeeper& k = Keeper();
  level = std::max(0, level);
  if (level < static_cast<int>(k.menus.size())) k.menus.resize(static_cast<size_t>(level));
  if (level == 0) {
    k.form = nullptr;
    k.bar = nullptr;
    k.barIndex = -1;
  }
  k.Watch();
}

void SelectMainMenuItem(TCustomForm* form, int index, bool dropDown) {
  CloseMenus(0);
  TMainMenu* menu = form ? FormMainMenu(*form) : nullptr;
  if (!menu || index < 0 || index >= menu->Items()->Count()) return;
  TMenuItem* item = menu->Items()->Items(index);
  if (!item->Visible()) return;
  MenuKeeper& k = Keeper();
  k.form = form;
  k.bar = menu;
  k.barIndex = index;
  k.Watch();
  if (dropDown && item->Enabled() && item->Count() > 0)
    OpenMenu(form, item, {MenuBarItemRect(menu, index).Left, 0});
}

int SelectedMainMenuItem(const TMainMenu* menu) {
  const MenuKeeper& k = Keeper();
  return menu && k.bar == menu ? k.barIndex : -1;
}

TRect OpenMenuBounds(int level) {
  const MenuKeeper& k = Keeper();
  if (level < 0 || level >= static_cast<int>(k.menus.size())) return {};
  const TOpenMenu& open = k.menus[static_cast<size_t>(level)];
  const MenuLayout layout = LayOut(open.items);
  return {open.origin.X, open.origin.Y, open.origin.X + layout.width,
          open.origin.Y + layout.height};
}

int OpenMenuItemAt(int level, TPoint p) {
  const TRect box = OpenMenuBounds(level);
  if (!box.Contains(p) || p.X < box.Left + kMenuFrame || p.X >= box.Right - kMenuFrame) return -1;
  const MenuLayout layout = LayOut(Keeper().menus[static_cast<size_t>(level)].items);
  for (const MenuRow& row : layout.rows)
    if (p.Y >= box.Top + row.top && p.Y < box.Top + row.top + row.height)
      return row.line ? -1 : row.index;
  return -1;
}

void PaintOpenMenus(TCanvas* canvas, const TCustomForm& form, TPoint clientOrigin) {
  const MenuKeeper& k = Keeper();
  if (k.form != &form) return;
  // A copy: an owner-draw handler may close menus while they paint.
  const std::vector<TOpenMenu> menus = k.menus;
  for (const TOpenMenu& open : menus) PaintMenuList(canvas, open, clientOrigin);
}

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = {x, y};
  OnPopup(this);
  // A copy: the handler may replace itself while it runs.
  TPopupMenuHandler handler = PopupHandler();
  if (!handler) return;
  // The menu is open on its form while the handler runs.
  TCustomForm* form = nullptr;
  if (auto* control = dynamic_cast<TControl*>(popupComponent_)) form = control->GetParentForm();
  if (!form) form = Screen()->ActiveForm();
  int level = -1;
  if (form) {
    TPoint at{x - form->Left(), y - form->Top()};
    const int width = LayOut(Items()).width;
    if (alignment_ == TPopupAlignment::paRight) at.X -= width;
    if (alignment_ == TPopupAlignment::paCenter) at.X -= width / 2;
    level = OpenMenu(form, Items(), at);
  }
  struct CloseOnExit {
    int level;
    TMenuItem* items;
    ~CloseOnExit() {
      if (level >= 0 && level < static_cast<int>(OpenMenus().size()) &&
          OpenMenus()[static_cast<size_t>(level)].items == items)
        CloseMenus(level);
    }
  } closer{level, Items()};
  handler(*this, x, y);
}

}  // namespace vcl
