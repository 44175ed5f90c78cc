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

void TPopupMenu::Popup(int x, int y) {
  popupPoint_ = {x, y};
  OnPopup(this);
  // A copy: the handler may replace itself while it runs.
  TPopupMenuHandler handler = PopupHandler();
  if (handler) handler(*this, x, y);
}

}  // namespace vcl

// ---- Menu bar ------------------------------------------------------------------------

#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"

namespace vcl {

TMainMenu* FormMainMenu(const TCustomForm& form) {
  for (int i = 0; i < form.ComponentCount(); ++i)
    if (auto* menu = dynamic_cast<TMainMenu*>(form.Components(i))) return menu;
  return nullptr;
}

namespace {

constexpr int kMenuBarHeight = 19;
constexpr int kMenuBarItemPadding = 7;

bool HasVisibleItems(const TMainMenu* menu) {
  if (!menu) return false;
  for (int i = 0; i < menu->Items()->Count(); ++i)
    if (menu->Items()->Items(i)->Visible()) return true;
  return false;
}

}  // namespace

int MenuBarHeight(const TMainMenu* menu) { return HasVisibleItems(menu) ? kMenuBarHeight : 0; }

void PaintMenuBar(TCanvas* canvas, const TMainMenu* menu, const TRect& rect) {
  canvas->Brush()->SetColor(clMenu);
  canvas->FillRect(rect);
  if (!menu) return;
  canvas->Font()->Assign(Screen()->MenuFont());
  canvas->Font()->SetColor(clMenuText);
  int x = rect.Left;
  for (int i = 0; i < menu->Items()->Count(); ++i) {
    const TMenuItem* item = menu->Items()->Items(i);
    if (!item->Visible()) continue;
    TRect measure{0, 0, 0, 0};
    canvas->DrawText(item->Caption(), measure, DT_SINGLELINE | DT_CALCRECT);
    TRect cell{x, rect.Top, x + measure.Width() + 2 * kMenuBarItemPadding, rect.Bottom};
    DrawControlText(canvas, item->Caption(), cell, DT_SINGLELINE | DT_CENTER | DT_VCENTER,
                    item->Enabled());
    x = cell.Right;
  }
}

}  // namespace vcl
