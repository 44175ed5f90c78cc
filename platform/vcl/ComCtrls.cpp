#include "platform/vcl/ComCtrls.h"

#include <algorithm>
#include <fstream>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/Menus.h"

namespace vcl {

namespace {

constexpr int kTabDepth = 20;   // standard tab height
constexpr int kTabBorder = 4;   // frame between the tabs and the display area
constexpr int kRowHeight = 17;  // list and tree rows
constexpr int kHeaderHeight = 20;
constexpr int kArrowWidth = 14;  // drop-down part of a tool button
constexpr int kSeparatorWidth = 8;
// Mouse message modifiers in wParam.
constexpr WPARAM kMkShift = 0x0004, kMkControl = 0x0008;

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

// A caption's width on a tab or button: the text in the control's font and a margin.
int TabTextWidth(const TControl* control, const AnsiString& text) {
  return control->Canvas()->TextWidth(text) + 12;
}

// True while an owner or a parent of `control` is being destroyed: events of the control's
// own teardown would reach handlers of objects that are half gone.
bool AncestorDestroying(const TControl* control) {
  for (const TComponent* o = control->Owner(); o; o = o->Owner())
    if (o->ComponentState() & csDestroying) return true;
  for (const TControl* p = control->Parent(); p; p = p->Parent())
    if (p->ComponentState() & csDestroying) return true;
  return false;
}

// Stable merge sort that stays within bounds whatever the comparison answers.
template <typename T, typename Compare>
void StableSort(std::vector<T*>& v, Compare compare) {
  const size_t n = v.size();
  std::vector<T*> tmp(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) tmp[k++] = compare(v[j], v[i]) < 0 ? v[j++] : v[i++];
      while (i < mid) tmp[k++] = v[i++];
      while (j < hi) tmp[k++] = v[j++];
    }
    v.swap(tmp);
  }
}

// Removes the last character, a double-byte one as a whole.
void RemoveLastChar(AnsiString& s) {
  size_t i = 0, last = 0;
  while (i < s.size()) {
    last = i;
    i += (IsDBCSLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
  }
  s.erase(last);
}

// Forgets an image list that is being freed (or taken from its owner).
void DropImages(TImageList*& field, TChangeLink& link) {
  // A list being destroyed has already let go of its links.
  if (!(field->ComponentState() & csDestroying)) field->UnRegisterChanges(&link);
  field = nullptr;
}

void LinkImages(TComponent* self, TImageList*& field, TImageList* images, TChangeLink& link) {
  if (field == images) return;
  if (field) {
    field->UnRegisterChanges(&link);
    field->RemoveFreeNotification(self);
  }
  field = images;
  if (images) {
    images->RegisterChanges(&link);
    images->FreeNotification(self);
  }
}

// ---- painting helpers

// Text in a colour of its own, the canvas font otherwise.
void DrawTextIn(TCanvas* canvas, const AnsiString& text, TRect rect, unsigned flags, TColor color) {
  const TColor saved = canvas->Font()->GetColor();
  canvas->Font()->SetColor(color);
  canvas->DrawText(text, rect, flags);
  canvas->Font()->SetColor(saved);
}

// A dotted line of every other pixel, on the pixels where x + y is even so that lines meet.
void DottedLine(TCanvas* canvas, TPoint from, TPoint to, TColor color) {
  canvas->Brush()->SetColor(color);
  const int dx = to.X > from.X ? 1 : 0, dy = to.Y > from.Y ? 1 : 0;
  for (TPoint p = from; (dx && p.X < to.X) || (dy && p.Y < to.Y); p.X += dx, p.Y += dy)
    if ((p.X + p.Y) % 2 == 0) canvas->FillRect({p.X, p.Y, p.X + 1, p.Y + 1});
}

// The colours a selected item shows in: the highlight while the control has the focus, the
// button face without it when the selection is not hidden; `show` false otherwise.
struct SelectionLook {
  bool show;
  TColor back;
  TColor text;
};
SelectionLook SelectionFor(bool focused, bool hideSelection) {
  if (focused) return {true, clHighlight, clHighlightText};
  return {!hideSelection, clBtnFace, clWindowText};
}

struct ScrollState {
  bool show = false;
  int min = 0, max = 0, page = 0, position = 0;
};

// Scroll bars inside `inner`: the vertical one along the right, the horizontal one along the
// bottom, the square where they meet in the button face. Returns the area they leave.
TRect DrawScrollBars(TCanvas* canvas, const TRect& inner, const ScrollState& v,
                     const ScrollState& h, bool enabled) {
  TRect rest = inner;
  if (v.show) rest.Right = std::max(rest.Left, rest.Right - kScrollBarSize);
  if (h.show) rest.Bottom = std::max(rest.Top, rest.Bottom - kScrollBarSize);
  if (v.show)
    DrawScrollBar(canvas, {rest.Right, inner.Top, inner.Right, rest.Bottom}, true, v.min, v.max,
                  v.page, v.position, enabled);
  if (h.show)
    DrawScrollBar(canvas, {inner.Left, rest.Bottom, rest.Right, inner.Bottom}, false, h.min, h.max,
                  h.page, h.position, enabled);
  if (v.show && h.show)
    FillSolid(canvas, {rest.Right, rest.Bottom, inner.Right, inner.Bottom}, clBtnFace);
  return rest;
}

// The area scroll bars leave, without drawing them.
TRect ScrollClient(const TRect& inner, const ScrollState& v, const ScrollState& h) {
  TRect rest = inner;
  if (v.show) rest.Right = std::max(rest.Left, rest.Right - kScrollBarSize);
  if (h.show) rest.Bottom = std::max(rest.Top, rest.Bottom - kScrollBarSize);
  return rest;
}

TRect Inflate(const TRect& r, int dx, int dy) {
  return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

constexpr int kEdge = 2;  // sunken border of lists and trees
constexpr unsigned kLineFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

}  // namespace

const TTypeInfo* TypeTabPosition() {
  static const TTypeInfo* type =
      MakeEnumType("TTabPosition", {"tpTop", "tpBottom", "tpLeft", "tpRight"});
  return type;
}

const TTypeInfo* TypeTabStyle() {
  static const TTypeInfo* type =
      MakeEnumType("TTabStyle", {"tsTabs", "tsButtons", "tsFlatButtons"});
  return type;
}

const TTypeInfo* TypeViewStyle() {
  static const TTypeInfo* type =
      MakeEnumType("TViewStyle", {"vsIcon", "vsSmallIcon", "vsList", "vsReport"});
  return type;
}

const TTypeInfo* TypeSortType() {
  static const TTypeInfo* type =
      MakeEnumType("TSortType", {"stNone", "stData", "stText", "stBoth"});
  return type;
}

const TTypeInfo* TypeToolButtonStyle() {
  static const TTypeInfo* type = MakeEnumType(
      "TToolButtonStyle", {"tbsButton", "tbsCheck", "tbsDropDown", "tbsSeparator", "tbsDivider"});
  return type;
}

const TTypeInfo* TypeStatusPanelBevel() {
  static const TTypeInfo* type =
      MakeEnumType("TStatusPanelBevel", {"pbNone", "pbLowered", "pbRaised"});
  return type;
}

const TTypeInfo* TypeStatusPanelStyle() {
  static const TTypeInfo* type = MakeEnumType("TStatusPanelStyle", {"psText", "psOwnerDraw"});
  return type;
}

const TTypeInfo* TypeCommonAVI() {
  static const TTypeInfo* type = MakeEnumType(
      "TCommonAVI", {"aviNone", "aviFindFolder", "aviFindFile", "aviFindComputer", "aviCopyFiles",
                     "aviCopyFile", "aviRecycleFile", "aviEmptyRecycle", "aviDeleteFile"});
  return type;
}

// =========================================================================================
// TCustomTabControl

VCL_IMPLEMENT_ABSTRACT_COMPONENT(TCustomTabControl, TWinControl)

void TCustomTabControl::Publish(TPublisher& p) {
  p.Enum("TabPosition", TypeTabPosition(), &TCustomTabControl::TabPosition,
         &TCustomTabControl::SetTabPosition);
  p.Enum("Style", TypeTabStyle(), &TCustomTabControl::Style, &TCustomTabControl::SetStyle);
  p.Bool("OwnerDraw", &TCustomTabControl::OwnerDraw, &TCustomTabControl::SetOwnerDraw);
  p.Bool("HotTrack", &TCustomTabControl::HotTrack, &TCustomTabControl::SetHotTrack);
  p.Bool("MultiLine", &TCustomTabControl::MultiLine, &TCustomTabControl::SetMultiLine);
  p.Integer("TabHeight", &TCustomTabControl::TabHeight, &TCustomTabControl::SetTabHeight);
  p.Integer("TabWidth", &TCustomTabControl::TabWidth, &TCustomTabControl::SetTabWidth);
  p.Object("Images", &TCustomTabControl::Images, &TCustomTabControl::SetImages);
  p.Event("OnChange", "TNotifyEvent", &TCustomTabControl::OnChange);
  p.Event("OnChanging", "TTabChangingEvent", &TCustomTabControl::OnChanging);
  p.Event("OnDrawTab", "TDrawTabEvent", &TCustomTabControl::OnDrawTab);
}

TCustomTabControl::TCustomTabControl(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
  imageLink_.OnChange = MethodOf<&TCustomTabControl::ImagesChanged>(this);
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::SetTabPosition(TTabPosition value) {
  if (value == tabPosition_) return;
  tabPosition_ = value;
  TabsChanged();
}

void TCustomTabControl::SetStyle(TTabStyle value) {
  if (value == style_) return;
  style_ = value;
  TabsChanged();
}

void TCustomTabControl::SetOwnerDraw(bool value) {
  ownerDraw_ = value;
  Invalidate();
}

void TCustomTabControl::SetHotTrack(bool value) {
  hotTrack_ = value;
}

void TCustomTabControl::SetMultiLine(bool value) {
  if (value == multiLine_) return;
  multiLine_ = value;
  TabsChanged();
}

void TCustomTabControl::SetTabHeight(int value) {
  value = std::max(0, value);
  if (value == tabHeight_) return;
  tabHeight_ = value;
  TabsChanged();
}

void TCustomTabControl::SetTabWidth(int value) {
  value = std::max(0, value);
  if (value == tabWidth_) return;
  tabWidth_ = value;
  TabsChanged();
}

void TCustomTabControl::SetImages(TImageList* images) {
  if (images == images_) return;
  LinkImages(this, images_, images, imageLink_);
  TabsChanged();
}

void TCustomTabControl::ImagesChanged(TObject*) {
  TabsChanged();
}

void TCustomTabControl::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) {
    DropImages(images_, imageLink_);
    if (!(ComponentState() & csDestroying)) TabsChanged();
  }
}

TCustomTabControl::Layout TCustomTabControl::ComputeLayout() const {
  Layout layout;
  const int count = TabCount();
  const int depth = tabHeight_ > 0 ? tabHeight_ : kTabDepth;
  const bool vertical =
      tabPosition_ == TTabPosition::tpLeft || tabPosition_ == TTabPosition::tpRight;
  const int room = vertical ? Height() : Width();
  struct Span {
    int row, start, length;
  };
  std::vector<Span> spans;
  int along = 0, row = 0;
  for (int i = 0; i < count; ++i) {
    int length = tabWidth_ > 0 ? tabWidth_ : TabTextWidth(this, TabCaption(i));
    if (images_ && TabImageIndex(i) >= 0) length += images_->Width() + 4;
    if (multiLine_ && along > 0 && along + length > room) {
      ++row;
      along = 0;
    }
    spans.push_back({row, along, length});
    along += length;
  }
  layout.stripDepth = count > 0 ? (row + 1) * depth : 0;
  const int w = Width(), h = Height();
  for (const Span& s : spans) {
    const int near = s.row * depth, far = (s.row + 1) * depth;
    switch (tabPosition_) {
      case TTabPosition::tpTop:
        layout.tabs.push_back({s.start, near, s.start + s.length, far});
        break;
      case TTabPosition::tpBottom:
        layout.tabs.push_back({s.start, h - far, s.start + s.length, h - near});
        break;
      case TTabPosition::tpLeft:
        layout.tabs.push_back({near, s.start, far, s.start + s.length});
        break;
      case TTabPosition::tpRight:
        layout.tabs.push_back({w - far, s.start, w - near, s.start + s.length});
        break;
    }
  }
  return layout;
}

TRect TCustomTabControl::TabRect(int tabIndex) const {
  const Layout layout = ComputeLayout();
  if (tabIndex < 0 || tabIndex >= static_cast<int>(layout.tabs.size())) return {};
  return layout.tabs[static_cast<size_t>(tabIndex)];
}

int TCustomTabControl::IndexOfTabAt(int x, int y) const {
  const Layout layout = ComputeLayout();
  for (size_t i = 0; i < layout.tabs.size(); ++i)
    if (layout.tabs[i].Contains({x, y})) return static_cast<int>(i);
  return -1;
}

TRect TCustomTabControl::DisplayRect() const {
  const int depth = ComputeLayout().stripDepth;
  TRect r{0, 0, Width(), Height()};
  switch (tabPosition_) {
    case TTabPosition::tpTop:
      r.Top += depth;
      break;
    case TTabPosition::tpBottom:
      r.Bottom -= depth;
      break;
    case TTabPosition::tpLeft:
      r.Left += depth;
      break;
    case TTabPosition::tpRight:
      r.Right -= depth;
      break;
  }
  r = {r.Left + kTabBorder, r.Top + kTabBorder, r.Right - kTabBorder, r.Bottom - kTabBorder};
  r.Right = std::max(r.Left, r.Right);
  r.Bottom = std::max(r.Top, r.Bottom);
  return r;
}

bool TCustomTabControl::SelectTabByUser(int tabIndex) {
  if (tabIndex < 0 || tabIndex >= TabCount() || tabIndex == TabIndex()) return false;
  if (!CanChange()) return false;
  SetTabIndex(tabIndex);
  Change();
  return true;
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  OnChange(this);
}

void TCustomTabControl::DrawTabs() {
  if (!ownerDraw_) return;
  const Layout layout = ComputeLayout();
  const int active = TabIndex();
  for (size_t i = 0; i < layout.tabs.size() && static_cast<int>(i) < TabCount(); ++i)
    DrawTab(static_cast<int>(i), layout.tabs[i], static_cast<int>(i) == active);
}

void TCustomTabControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
  OnDrawTab(this, tabIndex, rect, active);
}

void TCustomTabControl::SelectNextTabByUser(bool goForward) {
  const int count = TabCount();
  if (count == 0) return;
  const int current = TabIndex();
  const int next =
      current < 0 ? (goForward ? 0 : count - 1) : (current + (goForward ? 1 : count - 1)) % count;
  SelectTabByUser(next);
}

void TCustomTabControl::TabsChanged() {
  Invalidate();
}

// ---- painting

namespace {

constexpr int kTabScrollButton = 16;

// The outline of a tab in a strip along `position`: lit along its outer edge and near side
// (shadowed for strips at the bottom and right), shadowed along its far side, open towards
// the page. `r` includes the rows that join the page.
void DrawTabShape(TCanvas* canvas, const TRect& r, TTabPosition position, TColor face) {
  const bool vertical = position == TTabPosition::tpLeft || position == TTabPosition::tpRight;
  const int length = vertical ? r.Height() : r.Width();
  const int depth = vertical ? r.Width() : r.Height();
  // A piece given across the strip (u) and from the outer edge towards the page (v).
  auto piece = [&](int u1, int v1, int u2, int v2) -> TRect {
    switch (position) {
      case TTabPosition::tpTop:
        return {r.Left + u1, r.Top + v1, r.Left + u2, r.Top + v2};
      case TTabPosition::tpBottom:
        return {r.Left + u1, r.Bottom - v2, r.Left + u2, r.Bottom - v1};
      case TTabPosition::tpLeft:
        return {r.Left + v1, r.Top + u1, r.Left + v2, r.Top + u2};
      case TTabPosition::tpRight:
        return {r.Right - v2, r.Top + u1, r.Right - v1, r.Top + u2};
    }
    return {};
  };
  const bool outerLit = position == TTabPosition::tpTop || position == TTabPosition::tpLeft;
  FillSolid(canvas, piece(1, 1, length - 1, depth), face);
  FillSolid(canvas, piece(2, 0, length - 2, 1), outerLit ? clBtnHighlight : cl3DDkShadow);
  if (!outerLit) FillSolid(canvas, piece(2, 1, length - 2, 2), clBtnShadow);
  FillSolid(canvas, piece(1, 1, 2, 2), outerLit ? clBtnHighlight : clBtnShadow);
  FillSolid(canvas, piece(0, 2, 1, depth), clBtnHighlight);
  FillSolid(canvas, piece(length - 2, 1, length - 1, 2), cl3DDkShadow);
  FillSolid(canvas, piece(length - 2, 2, length - 1, depth), clBtnShadow);
  FillSolid(canvas, piece(length - 1, 2, length, depth), cl3DDkShadow);
}

// Where a tab is drawn: the selected one 2 pixels wider on each side, reaching the strip's
// outer edge and 2 pixels into the page frame (joining the page); the others stop 2 pixels
// short of the outer edge.
TRect TabShapeRect(const TRect& r, TTabPosition position, bool selected) {
  const int grow = selected ? 2 : 0, outer = selected ? 0 : 2, inner = selected ? 2 : 0;
  switch (position) {
    case TTabPosition::tpTop:
      return {r.Left - grow, r.Top + outer, r.Right + grow, r.Bottom + inner};
    case TTabPosition::tpBottom:
      return {r.Left - grow, r.Top - inner, r.Right + grow, r.Bottom - outer};
    case TTabPosition::tpLeft:
      return {r.Left + outer, r.Top - grow, r.Right + inner, r.Bottom + grow};
    case TTabPosition::tpRight:
      return {r.Left - inner, r.Top - grow, r.Right - outer, r.Bottom + grow};
  }
  return r;
}

// A tab's image (at the left) and caption (centred in the rest), with a focus rectangle
// around the caption when asked.
void DrawTabContent(TCanvas* canvas, const TImageList* images, int imageIndex,
                    const AnsiString& caption, TRect rect, bool enabled, bool focus) {
  if (images && imageIndex >= 0) {
    images->Draw(canvas, rect.Left + 4, rect.Top + (rect.Height() - images->Height()) / 2,
                 imageIndex, enabled);
    rect.Left += images->Width() + 4;
  }
  constexpr unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
  DrawControlText(canvas, caption, rect, flags, enabled);
  if (!focus) return;
  TRect text{0, 0, 0, 0};
  canvas->DrawText(caption, text, DT_SINGLELINE | DT_CALCRECT);
  const int left = rect.Left + (rect.Width() - text.Width()) / 2;
  const int top = rect.Top + (rect.Height() - text.Height()) / 2;
  canvas->DrawFocusRect({std::max(rect.Left + 1, left - 2), std::max(rect.Top + 1, top - 1),
                         std::min(rect.Right - 1, left + text.Width() + 2),
                         std::min(rect.Bottom - 1, top + text.Height() + 1)});
}

}  // namespace

void TCustomTabControl::Paint() {
  TCanvas* canvas = Canvas();
  const Layout layout = ComputeLayout();
  const int w = Width(), h = Height(), depth = layout.stripDepth;
  FillSolid(canvas, {0, 0, w, h}, Color());
  const bool vertical =
      tabPosition_ == TTabPosition::tpLeft || tabPosition_ == TTabPosition::tpRight;
  TRect page{0, 0, w, h};
  switch (tabPosition_) {
    case TTabPosition::tpTop:
      page.Top += depth;
      break;
    case TTabPosition::tpBottom:
      page.Bottom -= depth;
      break;
    case TTabPosition::tpLeft:
      page.Left += depth;
      break;
    case TTabPosition::tpRight:
      page.Right -= depth;
      break;
  }
  if (style_ == TTabStyle::tsTabs) DrawEdge(canvas, page, TEdgeKind::Raised);
  const int count = std::min(static_cast<int>(layout.tabs.size()), TabCount());
  const int active = TabIndex();
  // The selected tab goes last, over its neighbours.
  std::vector<int> order;
  for (int i = 0; i < count; ++i)
    if (i != active) order.push_back(i);
  if (active >= 0 && active < count) order.push_back(active);
  for (int i : order) {
    const TRect r = layout.tabs[static_cast<size_t>(i)];
    const bool selected = i == active;
    TRect content = r;
    switch (style_) {
      case TTabStyle::tsTabs:
        DrawTabShape(canvas, TabShapeRect(r, tabPosition_, selected), tabPosition_, Color());
        break;
      case TTabStyle::tsButtons:
        content = DrawButtonFace(canvas, Inflate(r, -1, -1), selected, false);
        break;
      case TTabStyle::tsFlatButtons:
        content = DrawFlatButtonFace(canvas, Inflate(r, -1, -1), selected, false, Color());
        break;
    }
    if (!ownerDraw_)
      DrawTabContent(canvas, images_, TabImageIndex(i), TabCaption(i), content, Enabled(),
                     selected && Focused());
  }
  DrawTabs();
  // Tabs running past the end of a single-row strip: the arrows that scroll them.
  if (multiLine_ || count == 0) return;
  const TRect last = layout.tabs[static_cast<size_t>(count - 1)];
  if ((vertical ? last.Bottom : last.Right) <= (vertical ? h : w)) return;
  const int b = kTabScrollButton;
  TRect first, second;
  switch (tabPosition_) {
    case TTabPosition::tpTop:
      first = {w - 2 * b, depth - b - 2, w - b, depth - 2};
      break;
    case TTabPosition::tpBottom:
      first = {w - 2 * b, h - depth + 2, w - b, h - depth + b + 2};
      break;
    case TTabPosition::tpLeft:
      first = {depth - b - 2, h - 2 * b, depth - 2, h - b};
      break;
    case TTabPosition::tpRight:
      first = {w - depth + 2, h - 2 * b, w - depth + b + 2, h - b};
      break;
  }
  second = vertical ? TRect{first.Left, first.Top + b, first.Right, first.Bottom + b}
                    : TRect{first.Left + b, first.Top, first.Right + b, first.Bottom};
  const TColor arrow = Enabled() ? clBtnText : clGrayText;
  DrawArrow(canvas, DrawButtonFace(canvas, first, false, false),
            vertical ? TArrowDirection::Up : TArrowDirection::Left, arrow);
  DrawArrow(canvas, DrawButtonFace(canvas, second, false, false),
            vertical ? TArrowDirection::Down : TArrowDirection::Right, arrow);
}

bool TCustomTabControl::WantsKey(std::uint16_t key, TShiftState shift) const {
  if (key == VK_TAB && (shift & ssCtrl)) return true;
  if ((key == VK_LEFT || key == VK_RIGHT) && !(shift & (ssCtrl | ssAlt))) return true;
  return TWinControl::WantsKey(key, shift);
}

bool TCustomTabControl::ChildDialogKey(std::uint16_t key, TShiftState shift) {
  if (key != VK_TAB || !(shift & ssCtrl)) return false;
  SelectNextTabByUser(!(shift & ssShift));
  return true;
}

void TCustomTabControl::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_TAB && (shift & ssCtrl)) {
    key = 0;
    SelectNextTabByUser(!(shift & ssShift));
  } else if ((key == VK_LEFT || key == VK_RIGHT) && !(shift & (ssCtrl | ssAlt))) {
    // The arrows stop at the ends of the strip.
    const int current = TabIndex();
    const int next = key == VK_RIGHT ? current + 1 : (current < 0 ? 0 : current - 1);
    key = 0;
    if (next >= 0 && next < TabCount()) SelectTabByUser(next);
  }
}

void TCustomTabControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  const int index = IndexOfTabAt(x, y);
  if (index >= 0) SelectTabByUser(index);
}

// =========================================================================================
// TTabControl

VCL_IMPLEMENT_COMPONENT(TTabControl, TCustomTabControl)

void TTabControl::Publish(TPublisher& p) {
  p.Object("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs);
  p.Integer("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex);
}

TTabControl::TTabControl(TComponent* owner) : TCustomTabControl(owner), tabs_(new TStringList) {
  tabs_->OnChange = [this] { TabListChanged(); };
}

TTabControl::~TTabControl() {
  tabs_->OnChange = nullptr;
  delete tabs_;
}

void TTabControl::SetTabs(TStrings* tabs) {
  if (tabs)
    tabs_->Assign(*tabs);
  else
    tabs_->Clear();
}

AnsiString TTabControl::TabCaption(int tabIndex) const {
  return tabIndex >= 0 && tabIndex < tabs_->Count() ? tabs_->Get(tabIndex) : AnsiString();
}

void TTabControl::SetTabIndex(int tabIndex) {
  if (tabIndex < -1 || tabIndex >= tabs_->Count() || tabIndex == tabIndex_) return;
  tabIndex_ = tabIndex;
  Invalidate();
}

void TTabControl::TabListChanged() {
  const int count = tabs_->Count();
  if (tabIndex_ >= count) tabIndex_ = count - 1;
  // The first tab of an empty control becomes the selected one.
  if (tabIndex_ < 0 && count > 0) tabIndex_ = 0;
  TabsChanged();
}

// =========================================================================================
// TTabSheet

VCL_IMPLEMENT_COMPONENT(TTabSheet, TWinControl)

void TTabSheet::Publish(TPublisher& p) {
  p.String("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption);
  p.Object("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl);
  p.Integer("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex);
  p.Bool("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible);
  p.Integer("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex);
  p.Bool("Highlighted", &TTabSheet::Highlighted, &TTabSheet::SetHighlighted);
  p.Event("OnShow", "TNotifyEvent", &TTabSheet::OnShow);
  p.Event("OnHide", "TNotifyEvent", &TTabSheet::OnHide);
}

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  // Only the active page of a page control is visible.
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  SetComponentState(csDestroying);
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  SetParent(pageControl);
}

void TTabSheet::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  for (TWinControl* p = parent; p; p = p->Parent())
    if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
  auto* pageControl = dynamic_cast<TPageControl*>(parent);
  if (pageControl_ && pageControl_ != pageControl) pageControl_->RemovePage(this);
  TWinControl::SetParent(parent);
  if (pageControl && pageControl_ != pageControl) pageControl->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int index) {
  if (!pageControl_) return;
  if (index < 0 || index >= pageControl_->PageCount()) IndexError(index);
  pageControl_->MovePage(this, index);
}

int TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  int index = 0;
  for (TTabSheet* page : pageControl_->pages_) {
    if (page == this) return index;
    if (page->tabVisible_) ++index;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool value) {
  if (value == tabVisible_) return;
  tabVisible_ = value;
  if (pageControl_) pageControl_->TabsChanged();
}

void TTabSheet::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  if (pageControl_) pageControl_->TabsChanged();
}

void TTabSheet::SetHighlighted(bool value) {
  if (value == highlighted_) return;
  highlighted_ = value;
  if (pageControl_) pageControl_->Invalidate();
}

void TTabSheet::DoShow() {
  OnShow(this);
}
void TTabSheet::DoHide() {
  OnHide(this);
}

void TTabSheet::VisibleChanged() {
  TWinControl::VisibleChanged();
  if (ComponentState() & (csDestroying | csLoading)) return;
  if (Visible())
    DoShow();
  else
    DoHide();
}

void TTabSheet::Paint() {
  FillSolid(Canvas(), {0, 0, Width(), Height()}, Color());
}

void TTabSheet::TextChanged() {
  TWinControl::TextChanged();
  if (pageControl_) pageControl_->TabsChanged();
}

// =========================================================================================
// TPageControl

VCL_IMPLEMENT_COMPONENT(TPageControl, TCustomTabControl)

void TPageControl::Publish(TPublisher& p) {
  p.Object("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
}

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
  // The sheets are freed with the other children; they must not call back.
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
  pages_.clear();
  activePage_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) IndexError(index);
  return pages_[static_cast<size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page == activePage_) return;
  if (page && page->pageControl_ != this) return;
  TTabSheet* old = activePage_;
  TCustomForm* form = GetParentForm();
  TWinControl* focused = form ? form->ActiveControl() : nullptr;
  const bool focusOnOld = old && focused && old->ContainsControl(focused);
  // The new page shows before the old one hides, as the platform does.
  if (page) {
    const TRect r = DisplayRect();
    page->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    page->BringToFront();
    page->SetVisible(true);
  }
  if (old && !(old->ComponentState() & csDestroying)) old->SetVisible(false);
  activePage_ = page;
  if (focusOnOld) {
    TWinControl* target = page ? page->FindNextControl(nullptr, true, true, false) : nullptr;
    if (!target || !target->CanFocus()) target = this;
    if (target->CanFocus()) target->SetFocus();
  }
  Invalidate();
}

int TPageControl::ActivePageIndex() const {
  return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward,
                                      bool checkTabVisible) const {
  const int count = PageCount();
  if (count == 0) return nullptr;
  auto found = std::find(pages_.begin(), pages_.end(), current);
  const int start = found == pages_.end() ? (goForward ? count - 1 : 0)
                                          : static_cast<int>(found - pages_.begin());
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TTabSheet* page = pages_[static_cast<size_t>(i)];
    if (!checkTabVisible || page->TabVisible()) return page;
  } while (i != start);
  return nullptr;
}

void TPageControl::SelectNextPage(bool goForward, bool checkTabVisible) {
  TTabSheet* page = FindNextPage(activePage_, goForward, checkTabVisible);
  if (!page || page == activePage_ || !CanChange()) return;
  SetActivePage(page);
  Change();
}

void TPageControl::SelectNextTabByUser(bool goForward) {
  SelectNextPage(goForward, true);
}

TTabSheet* TPageControl::PageForTab(int tabIndex) const {
  if (tabIndex < 0) return nullptr;
  for (TTabSheet* page : pages_)
    if (page->TabVisible() && tabIndex-- == 0) return page;
  return nullptr;
}

int TPageControl::TabCount() const {
  return static_cast<int>(
      std::count_if(pages_.begin(), pages_.end(), [](TTabSheet* p) { return p->TabVisible(); }));
}

AnsiString TPageControl::TabCaption(int tabIndex) const {
  TTabSheet* page = PageForTab(tabIndex);
  return page ? page->Caption() : AnsiString();
}

int TPageControl::TabImageIndex(int tabIndex) const {
  TTabSheet* page = PageForTab(tabIndex);
  return page ? page->ImageIndex() : -1;
}

int TPageControl::TabIndex() const {
  return activePage_ ? activePage_->TabIndex() : -1;
}

void TPageControl::SetTabIndex(int tabIndex) {
  if (TTabSheet* page = PageForTab(tabIndex)) SetActivePage(page);
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  const TRect r = DisplayRect();
  page->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  if (!activePage_ && !(ComponentState() & csLoading) && page->TabVisible())
    SetActivePage(page);
  else if (page != activePage_ && page->Visible())
    page->SetVisible(false);
  TabsChanged();
}

void TPageControl::RemovePage(TTabSheet* page) {
  TTabSheet* next = FindNextPage(page, true, true);
  if (next == page) next = nullptr;
  std::erase(pages_, page);
  page->pageControl_ = nullptr;
  if (activePage_ == page) SetActivePage(next);
  TabsChanged();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end() || it - pages_.begin() == index) return;
  pages_.erase(it);
  pages_.insert(pages_.begin() + index, page);
  TabsChanged();
}

void TPageControl::PlacePages() {
  const TRect r = DisplayRect();
  for (TTabSheet* page : pages_) page->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TPageControl::TabsChanged() {
  TCustomTabControl::TabsChanged();
  PlacePages();
}

void TPageControl::Resize() {
  TCustomTabControl::Resize();
  PlacePages();
}

// =========================================================================================
// TListColumn, TListColumns

VCL_IMPLEMENT_PERSISTENT(TListColumn, TCollectionItem)

void TListColumn::Publish(TPublisher& p) {
  p.String("Caption", &TListColumn::Caption, &TListColumn::SetCaption);
  p.Integer("Width", &TListColumn::Width, &TListColumn::SetWidth);
  p.Enum("Alignment", TypeAlignment(), &TListColumn::Alignment, &TListColumn::SetAlignment);
  p.Bool("AutoSize", &TListColumn::AutoSize, &TListColumn::SetAutoSize);
  p.Integer("ImageIndex", &TListColumn::ImageIndex, &TListColumn::SetImageIndex);
}

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

void TListColumn::SetCaption(const AnsiString& caption) {
  caption_ = caption;
  Changed();
}

void TListColumn::SetWidth(int width) {
  width_ = std::max(0, width);
  Changed();
}

void TListColumn::SetAlignment(TAlignment value) {
  alignment_ = value;
  Changed();
}

void TListColumn::SetAutoSize(bool value) {
  autoSize_ = value;
  Changed();
}

void TListColumn::SetImageIndex(int value) {
  imageIndex_ = value;
  Changed();
}

void TListColumn::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TListColumn*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  caption_ = other->caption_;
  width_ = other->width_;
  alignment_ = other->alignment_;
  autoSize_ = other->autoSize_;
  imageIndex_ = other->imageIndex_;
  Changed();
}

AnsiString TListColumn::DisplayName() const {
  return caption_.empty() ? TCollectionItem::DisplayName() : caption_;
}

VCL_IMPLEMENT_PERSISTENT(TListColumns, TCollection)

void TListColumns::Publish(TPublisher&) {}

TListColumns::TListColumns(TListView* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TListColumn(c); }),
      owner_(owner) {}

TListColumn* TListColumns::Add() {
  return static_cast<TListColumn*>(TCollection::Add());
}

TListColumn* TListColumns::Items(int index) const {
  return static_cast<TListColumn*>(TCollection::Items(index));
}

void TListColumns::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (owner_) owner_->Invalidate();
}

// =========================================================================================
// TListItem

VCL_IMPLEMENT_PERSISTENT(TListItem, TPersistent)

void TListItem::Publish(TPublisher&) {}

TListItem::TListItem(TListItems* owner) : owner_(owner), subItems_(new TStringList) {
  subItems_->OnChange = [this] {
    if (TListView* lv = ListView()) lv->Invalidate();
  };
}

TListItem::~TListItem() {
  subItems_->OnChange = nullptr;
  delete subItems_;
}

TListView* TListItem::ListView() const {
  return owner_ ? owner_->owner_ : nullptr;
}

void TListItem::SetCaption(const AnsiString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  if (TListView* lv = ListView(); lv && Index() >= 0) lv->ItemCaptionChanged(this);
}

void TListItem::SetSubItems(TStrings* subItems) {
  if (subItems)
    subItems_->Assign(*subItems);
  else
    subItems_->Clear();
}

void TListItem::SetImageIndex(int value) {
  if (value == imageIndex_) return;
  imageIndex_ = value;
  if (TListView* lv = ListView(); lv && Index() >= 0) {
    lv->Change(this, TItemChange::ctImage);
    lv->Invalidate();
  }
}

void TListItem::SetData(void* data) {
  if (data == data_) return;
  data_ = data;
  if (TListView* lv = ListView(); lv && Index() >= 0) lv->ItemDataChanged(this);
}

void TListItem::SetSelected(bool value) {
  if (TListView* lv = ListView(); lv && Index() >= 0)
    lv->SelectItem(this, value);
  else
    state_ = value ? state_ | kSelected : state_ & ~kSelected;
}

void TListItem::SetFocused(bool value) {
  TListView* lv = ListView();
  if (!lv || Index() < 0) {
    state_ = value ? state_ | kFocused : state_ & ~kFocused;
    return;
  }
  if (value)
    lv->FocusItem(this);
  else
    lv->SetItemState(this, state_ & ~kFocused);
}

void TListItem::SetChecked(bool value) {
  const unsigned state = value ? state_ | kChecked : state_ & ~kChecked;
  if (TListView* lv = ListView(); lv && Index() >= 0)
    lv->SetItemState(this, state);
  else
    state_ = state;
}

int TListItem::Index() const {
  return owner_ ? owner_->IndexOf(this) : -1;
}

void TListItem::Delete() {
  if (owner_ && Index() >= 0) owner_->DeleteItem(this);
}

bool TListItem::EditCaption() {
  TListView* lv = ListView();
  if (!lv || Index() < 0) return false;
  if (lv->editItem_ == this) return true;
  if (lv->editItem_) lv->EndEdit(true);
  if (!lv->CanEdit(this)) return false;
  lv->editItem_ = this;
  lv->editText_ = caption_;
  lv->editReplaceAll_ = true;
  MakeVisible(false);
  lv->Invalidate();
  return true;
}

void TListItem::CancelEdit() {
  if (TListView* lv = ListView(); lv && lv->editItem_ == this) lv->EndEdit(false);
}

void TListItem::MakeVisible(bool) {
  TListView* lv = ListView();
  const int index = Index();
  if (!lv || index < 0 || lv->viewStyle_ != TViewStyle::vsReport) return;
  const int rows = lv->VisibleRowCount();
  int top = lv->topIndex_;
  if (index < top)
    top = index;
  else if (index >= top + rows)
    top = index - rows + 1;
  if (top != lv->topIndex_) {
    lv->topIndex_ = top;
    lv->Invalidate();
  }
}

TRect TListItem::DisplayRect() const {
  TListView* lv = ListView();
  return lv ? lv->ItemRect(Index()) : TRect{};
}

void TListItem::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TListItem*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  SetCaption(other->caption_);
  subItems_->Assign(*other->subItems_);
  SetImageIndex(other->imageIndex_);
  SetData(other->data_);
  SetChecked(other->Checked());
}

// =========================================================================================
// TListItems

VCL_IMPLEMENT_PERSISTENT(TListItems, TPersistent)

void TListItems::Publish(TPublisher&) {}

TListItems::TListItems(TListView* owner) : owner_(owner) {}

TListItems::~TListItems() {
  for (TListItem* item : items_) delete item;
}

TListItem* TListItems::Item(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)];
}

TListItem* TListItems::Add() {
  return Insert(Count());
}

TListItem* TListItems::Insert(int index) {
  if (index < 0 || index > Count()) IndexError(index);
  auto* item = new TListItem(this);
  items_.insert(items_.begin() + index, item);
  if (owner_) {
    owner_->OnInsert(owner_, item);
    if (updateCount_ == 0) owner_->Invalidate();
  }
  return item;
}

void TListItems::Delete(int index) {
  DeleteItem(Item(index));
}

void TListItems::DeleteItem(TListItem* item) {
  if (item->deleting_) return;
  item->deleting_ = true;
  if (owner_) {
    if (owner_->editItem_ == item) {
      owner_->editItem_ = nullptr;
      owner_->editText_.clear();
    }
    try {
      owner_->OnDeletion(owner_, item);
    } catch (...) {
      item->deleting_ = false;
      throw;
    }
  }
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  if (owner_) owner_->ItemRemoved(item);
  delete item;
  if (owner_ && updateCount_ == 0) owner_->Invalidate();
}

void TListItems::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  try {
    while (!items_.empty()) {
      auto it = std::find_if(items_.begin(), items_.end(),
                             [](TListItem* item) { return !item->deleting_; });
      if (it == items_.end()) break;
      DeleteItem(*it);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TListItems::IndexOf(const TListItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TListItems::BeginUpdate() {
  ++updateCount_;
}

void TListItems::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0 || !owner_) return;
  if (owner_->sortPending_) {
    owner_->sortPending_ = false;
    owner_->SortIfNeeded();
  }
  owner_->Invalidate();
}

void TListItems::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TListItems*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TListItem* item : other->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// =========================================================================================
// TListView

VCL_IMPLEMENT_COMPONENT(TListView, TWinControl)

void TListView::Publish(TPublisher& p) {
  p.Object("Columns", &TListView::Columns, &TListView::SetColumns);
  p.Object("Items", &TListView::Items, &TListView::SetItems);
  p.Enum("ViewStyle", TypeViewStyle(), &TListView::ViewStyle, &TListView::SetViewStyle);
  p.Bool("MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect);
  p.Bool("RowSelect", &TListView::RowSelect, &TListView::SetRowSelect);
  p.Bool("ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly);
  p.Bool("ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders);
  p.Bool("HideSelection", &TListView::HideSelection, &TListView::SetHideSelection);
  p.Bool("ColumnClick", &TListView::ColumnClick, &TListView::SetColumnClick);
  p.Enum("SortType", TypeSortType(), &TListView::SortType, &TListView::SetSortType);
  p.Bool("Checkboxes", &TListView::Checkboxes, &TListView::SetCheckboxes);
  p.Bool("GridLines", &TListView::GridLines, &TListView::SetGridLines);
  p.Object("SmallImages", &TListView::SmallImages, &TListView::SetSmallImages);
  p.Object("LargeImages", &TListView::LargeImages, &TListView::SetLargeImages);
  p.Event("OnCompare", "TLVCompareEvent", &TListView::OnCompare);
  p.Event("OnColumnClick", "TLVColumnClickEvent", &TListView::OnColumnClick);
  p.Event("OnSelectItem", "TLVSelectItemEvent", &TListView::OnSelectItem);
  p.Event("OnChange", "TLVChangeEvent", &TListView::OnChange);
  p.Event("OnChanging", "TLVChangingEvent", &TListView::OnChanging);
  p.Event("OnEdited", "TLVEditedEvent", &TListView::OnEdited);
  p.Event("OnEditing", "TLVEditingEvent", &TListView::OnEditing);
  p.Event("OnDeletion", "TLVDeletedEvent", &TListView::OnDeletion);
  p.Event("OnInsert", "TLVDeletedEvent", &TListView::OnInsert);
}

TListView::TListView(TComponent* owner)
    : TWinControl(owner), columns_(new TListColumns(this)), items_(new TListItems(this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 250, 150);
  smallLink_.OnChange = MethodOf<&TListView::ImagesChanged>(this);
  largeLink_.OnChange = MethodOf<&TListView::ImagesChanged>(this);
}

TListView::~TListView() {
  editItem_ = nullptr;
  // A list freed on its own tells the program about each item (to free item data); when
  // its form goes away the handlers' objects are already being torn down.
  if (OnDeletion && !AncestorDestroying(this)) items_->Clear();
  delete items_;
  delete columns_;
}

void TListView::SetColumns(TListColumns* columns) {
  if (columns)
    columns_->Assign(columns);
  else
    columns_->Clear();
}

void TListView::SetItems(TListItems* items) {
  if (items)
    items_->Assign(items);
  else
    items_->Clear();
}

void TListView::SetViewStyle(TViewStyle value) {
  if (value == viewStyle_) return;
  viewStyle_ = value;
  topIndex_ = 0;
  Invalidate();
}

void TListView::SetMultiSelect(bool value) {
  if (value == multiSelect_) return;
  multiSelect_ = value;
  if (!value) {
    bool first = true;
    for (size_t i = 0; i < items_->items_.size(); ++i) {
      TListItem* item = items_->items_[i];
      if (!item->Selected()) continue;
      if (!first) SetItemState(item, item->state_ & ~TListItem::kSelected);
      first = false;
    }
  }
  Invalidate();
}

void TListView::SetRowSelect(bool value) {
  rowSelect_ = value;
  Invalidate();
}

void TListView::SetReadOnly(bool value) {
  readOnly_ = value;
}

void TListView::SetShowColumnHeaders(bool value) {
  showColumnHeaders_ = value;
  Invalidate();
}

void TListView::SetHideSelection(bool value) {
  hideSelection_ = value;
  Invalidate();
}

void TListView::SetColumnClick(bool value) {
  columnClick_ = value;
}

void TListView::SetSortType(TSortType value) {
  if (value == sortType_) return;
  sortType_ = value;
  SortIfNeeded();
}

void TListView::SetCheckboxes(bool value) {
  checkboxes_ = value;
  Invalidate();
}

void TListView::SetGridLines(bool value) {
  gridLines_ = value;
  Invalidate();
}

void TListView::SetSmallImages(TImageList* images) {
  LinkImages(this, smallImages_, images, smallLink_);
  Invalidate();
}

void TListView::SetLargeImages(TImageList* images) {
  LinkImages(this, largeImages_, images, largeLink_);
  Invalidate();
}

void TListView::ImagesChanged(TObject*) {
  Invalidate();
}

void TListView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == smallImages_) DropImages(smallImages_, smallLink_);
  if (component == largeImages_) DropImages(largeImages_, largeLink_);
}

bool TListView::CanChange(TListItem* item, TItemChange change) {
  bool allow = true;
  OnChanging(this, item, change, allow);
  return allow;
}

void TListView::Change(TListItem* item, TItemChange change) {
  OnChange(this, item, change);
}

bool TListView::CanEdit(TListItem* item) {
  if (readOnly_) return false;
  bool allow = true;
  OnEditing(this, item, allow);
  return allow;
}

bool TListView::SetItemState(TListItem* item, unsigned state) {
  const unsigned old = item->state_;
  if (old == state) return true;
  if (!CanChange(item, TItemChange::ctState)) return false;
  item->state_ = state;
  Change(item, TItemChange::ctState);
  if ((old ^ state) & TListItem::kSelected)
    OnSelectItem(this, item, (state & TListItem::kSelected) != 0);
  Invalidate();
  return true;
}

bool TListView::SelectItem(TListItem* item, bool select) {
  if (select && !multiSelect_) {
    for (size_t i = 0; i < items_->items_.size(); ++i) {
      TListItem* other = items_->items_[i];
      if (other != item && other->Selected() &&
          !SetItemState(other, other->state_ & ~TListItem::kSelected))
        return false;
    }
  }
  const unsigned state =
      select ? item->state_ | TListItem::kSelected : item->state_ & ~TListItem::kSelected;
  return SetItemState(item, state);
}

bool TListView::SelectOnly(TListItem* item) {
  constexpr unsigned kMark = TListItem::kSelected | TListItem::kFocused;
  for (size_t i = 0; i < items_->items_.size(); ++i) {
    TListItem* other = items_->items_[i];
    if (other != item && (other->state_ & kMark) && !SetItemState(other, other->state_ & ~kMark))
      return false;
  }
  if (!SetItemState(item, item->state_ | kMark)) return false;
  anchor_ = item;
  return true;
}

void TListView::SelectRange(TListItem* item) {
  TListItem* anchor = anchor_ ? anchor_ : ItemFocused();
  if (!anchor) anchor = item;
  const int a = anchor->Index(), b = item->Index();
  const int lo = std::min(a, b), hi = std::max(a, b);
  for (size_t i = 0; i < items_->items_.size(); ++i) {
    TListItem* other = items_->items_[i];
    const int index = static_cast<int>(i);
    unsigned state = other->state_ & ~TListItem::kFocused;
    if (index >= lo && index <= hi)
      state |= TListItem::kSelected;
    else
      state &= ~TListItem::kSelected;
    if (other == item) state |= TListItem::kFocused;
    SetItemState(other, state);
  }
  anchor_ = anchor;
}

void TListView::FocusItem(TListItem* item) {
  for (size_t i = 0; i < items_->items_.size(); ++i) {
    TListItem* other = items_->items_[i];
    if (other != item && other->Focused() &&
        !SetItemState(other, other->state_ & ~TListItem::kFocused))
      return;
  }
  SetItemState(item, item->state_ | TListItem::kFocused);
}

TListItem* TListView::Selected() const {
  for (TListItem* item : items_->items_)
    if (item->Selected()) return item;
  return nullptr;
}

void TListView::SetSelected(TListItem* item) {
  if (item)
    item->SetSelected(true);
  else
    ClearSelection();
}

TListItem* TListView::ItemFocused() const {
  for (TListItem* item : items_->items_)
    if (item->Focused()) return item;
  return nullptr;
}

void TListView::SetItemFocused(TListItem* item) {
  if (item) {
    item->SetFocused(true);
  } else if (TListItem* focused = ItemFocused()) {
    focused->SetFocused(false);
  }
}

int TListView::ItemIndex() const {
  TListItem* item = Selected();
  return item ? item->Index() : -1;
}

void TListView::SetItemIndex(int index) {
  if (index == -1) {
    ClearSelection();
    return;
  }
  items_->Item(index)->SetSelected(true);
}

int TListView::SelCount() const {
  return static_cast<int>(std::count_if(items_->items_.begin(), items_->items_.end(),
                                        [](TListItem* item) { return item->Selected(); }));
}

void TListView::ClearSelection() {
  for (size_t i = 0; i < items_->items_.size(); ++i) {
    TListItem* item = items_->items_[i];
    if (item->Selected()) SetItemState(item, item->state_ & ~TListItem::kSelected);
  }
}

void TListView::SelectAll() {
  if (!multiSelect_) return;
  for (size_t i = 0; i < items_->items_.size(); ++i) {
    TListItem* item = items_->items_[i];
    if (!item->Selected()) SetItemState(item, item->state_ | TListItem::kSelected);
  }
}

int TListView::HeaderHeight() const {
  return viewStyle_ == TViewStyle::vsReport && showColumnHeaders_ ? kHeaderHeight : 0;
}

int TListView::ColumnsWidth() const {
  int width = 0;
  for (int i = 0; i < columns_->Count(); ++i) width += columns_->Items(i)->Width();
  return width;
}

int TListView::VisibleRowCount() const {
  return std::max(1, (ClientHeight() - HeaderHeight()) / kRowHeight);
}

TListItem* TListView::TopItem() const {
  if (items_->Count() == 0) return nullptr;
  const int top = viewStyle_ == TViewStyle::vsReport ? topIndex_ : 0;
  return items_->Item(std::clamp(top, 0, items_->Count() - 1));
}

TRect TListView::ItemRect(int index) const {
  if (index < 0 || index >= items_->Count()) return {};
  switch (viewStyle_) {
    case TViewStyle::vsReport: {
      const int top = HeaderHeight() + (index - topIndex_) * kRowHeight;
      const int width = columns_->Count() > 0 ? ColumnsWidth() : ClientWidth();
      return {0, top, width, top + kRowHeight};
    }
    case TViewStyle::vsList: {
      // Columns of rows, filled top to bottom.
      const int rows = std::max(1, ClientHeight() / kRowHeight);
      const int col = index / rows, row = index % rows;
      return {col * 120, row * kRowHeight, col * 120 + 120, (row + 1) * kRowHeight};
    }
    case TViewStyle::vsSmallIcon: {
      const int perRow = std::max(1, ClientWidth() / 120);
      const int row = index / perRow, col = index % perRow;
      return {col * 120, row * kRowHeight, col * 120 + 120, (row + 1) * kRowHeight};
    }
    case TViewStyle::vsIcon: {
      const int perRow = std::max(1, ClientWidth() / 76);
      const int row = index / perRow, col = index % perRow;
      return {col * 76, row * 70, col * 76 + 76, row * 70 + 70};
    }
  }
  return {};
}

TListItem* TListView::GetItemAt(int x, int y) const {
  if (x < 0 || y < 0) return nullptr;
  if (viewStyle_ == TViewStyle::vsReport) {
    if (y < HeaderHeight()) return nullptr;
    const int row = (y - HeaderHeight()) / kRowHeight + topIndex_;
    if (row >= items_->Count()) return nullptr;
    int limit = ClientWidth();
    if (columns_->Count() > 0) limit = rowSelect_ ? ColumnsWidth() : columns_->Items(0)->Width();
    return x < limit ? items_->Item(row) : nullptr;
  }
  for (int i = 0; i < items_->Count(); ++i)
    if (ItemRect(i).Contains({x, y})) return items_->Item(i);
  return nullptr;
}

TListColumn* TListView::GetColumnAt(int x, int y) const {
  if (y < 0 || y >= HeaderHeight() || x < 0) return nullptr;
  int left = 0;
  for (int i = 0; i < columns_->Count(); ++i) {
    TListColumn* column = columns_->Items(i);
    if (x < left + column->Width()) return column;
    left += column->Width();
  }
  return nullptr;
}

TListItem* TListView::FindCaption(int startIndex, const AnsiString& value, bool partial,
                                  bool inclusive, bool wrap) const {
  const int count = items_->Count();
  if (count == 0) return nullptr;
  int i = std::max(0, inclusive ? startIndex : startIndex + 1);
  for (int n = 0; n < count; ++n, ++i) {
    if (i >= count) {
      if (!wrap) return nullptr;
      i = 0;
    }
    const AnsiString& caption = items_->items_[static_cast<size_t>(i)]->caption_;
    const bool match = partial ? AnsiSameText(caption.substr(0, value.size()), value)
                               : AnsiSameText(caption, value);
    if (match) return items_->items_[static_cast<size_t>(i)];
  }
  return nullptr;
}

void TListView::SortIfNeeded() {
  if (sortType_ == TSortType::stNone) return;
  if (items_->updateCount_ > 0) {
    sortPending_ = true;
    return;
  }
  Sort(TLVCompare(), 0);
}

bool TListView::AlphaSort() {
  return Sort(TLVCompare(), 0);
}

bool TListView::CustomSort(TLVCompare compare, int data) {
  return Sort(compare, data);
}

bool TListView::Sort(const TLVCompare& compare, int data) {
  std::vector<TListItem*> sorted = items_->items_;
  StableSort(sorted, [&](TListItem* a, TListItem* b) {
    if (compare) return compare(a, b, data);
    if (OnCompare) {
      int result = 0;
      OnCompare(this, a, b, data, result);
      return result;
    }
    return AnsiCompareText(a->caption_, b->caption_);
  });
  // A handler that added or removed items leaves the list as it is.
  if (sorted.size() == items_->items_.size()) items_->items_ = std::move(sorted);
  Invalidate();
  return true;
}

void TListView::ItemCaptionChanged(TListItem* item) {
  Change(item, TItemChange::ctText);
  if (sortType_ == TSortType::stText || sortType_ == TSortType::stBoth) SortIfNeeded();
  Invalidate();
}

void TListView::ItemDataChanged(TListItem*) {
  if (sortType_ == TSortType::stData || sortType_ == TSortType::stBoth) SortIfNeeded();
}

void TListView::ItemRemoved(TListItem* item) {
  if (anchor_ == item) anchor_ = nullptr;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, items_->Count() - 1));
}

void TListView::SetEditText(const AnsiString& text) {
  if (!editItem_) return;
  editText_ = text;
  editReplaceAll_ = false;
  Invalidate();
}

void TListView::EndEdit(bool accept) {
  TListItem* item = editItem_;
  if (!item) return;
  AnsiString text = editText_;
  editItem_ = nullptr;
  editText_.clear();
  editReplaceAll_ = false;
  Invalidate();
  if (!accept) return;
  OnEdited(this, item, text);
  if (items_->IndexOf(item) >= 0) item->SetCaption(text);
}

void TListView::DoExit() {
  EndEdit(true);
  TWinControl::DoExit();
}

bool TListView::WantsKey(std::uint16_t key, TShiftState shift) const {
  if (editItem_ && (key == VK_RETURN || key == VK_ESCAPE || key == VK_LEFT || key == VK_RIGHT ||
                    key == VK_UP || key == VK_DOWN))
    return true;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
      return true;
    default:
      return TWinControl::WantsKey(key, shift);
  }
}

void TListView::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  if (editItem_) {
    // The in-place editor has the keys: Enter and Escape end it, the movement keys stay in
    // it; characters (Backspace included) follow as key presses.
    switch (key) {
      case VK_RETURN:
        key = 0;
        EndEdit(true);
        break;
      case VK_ESCAPE:
        key = 0;
        EndEdit(false);
        break;
      case VK_UP:
      case VK_DOWN:
      case VK_LEFT:
      case VK_RIGHT:
      case VK_HOME:
      case VK_END:
      case VK_PRIOR:
      case VK_NEXT:
      case VK_DELETE:
      case VK_F2:
        key = 0;
        break;
      default:
        break;
    }
    return;
  }
  const int count = items_->Count();
  if (count == 0) return;
  TListItem* focused = ItemFocused();
  const int current = focused ? focused->Index() : -1;
  const bool report = viewStyle_ == TViewStyle::vsReport;
  int target = -1;
  switch (key) {
    case VK_DOWN:
      target = current < 0 ? 0 : std::min(current + 1, count - 1);
      break;
    case VK_UP:
      target = current < 0 ? 0 : std::max(current - 1, 0);
      break;
    case VK_RIGHT:
      if (!report) target = current < 0 ? 0 : std::min(current + 1, count - 1);
      break;
    case VK_LEFT:
      if (!report) target = current < 0 ? 0 : std::max(current - 1, 0);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_NEXT:
      target = std::min(count - 1, std::max(current, 0) + VisibleRowCount() - 1);
      break;
    case VK_PRIOR:
      target = std::max(0, current - VisibleRowCount() + 1);
      break;
    case VK_SPACE:
      if (focused) {
        key = 0;
        if (checkboxes_)
          focused->SetChecked(!focused->Checked());
        else if (multiSelect_ && (shift & ssCtrl))
          SelectItem(focused, !focused->Selected());
      }
      return;
    case VK_F2:
      if (focused) {
        key = 0;
        focused->EditCaption();
      }
      return;
    default:
      return;
  }
  if (target < 0) return;
  key = 0;
  MoveByKey(target, shift);
}

void TListView::MoveByKey(int index, TShiftState shift) {
  TListItem* item = items_->Item(index);
  if (multiSelect_ && (shift & ssShift))
    SelectRange(item);
  else if (multiSelect_ && (shift & ssCtrl))
    FocusItem(item);
  else
    SelectOnly(item);
  if (items_->IndexOf(item) >= 0) item->MakeVisible(false);
}

void TListView::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (key == 0) return;
  const auto byte = static_cast<unsigned char>(key);
  if (editItem_) {
    if (key == '\b') {
      if (editReplaceAll_)
        editText_.clear();
      else if (!editText_.empty())
        RemoveLastChar(editText_);
    } else if (byte >= 0x20) {
      if (editReplaceAll_) editText_.clear();
      editText_ += key;
    } else {
      return;
    }
    editReplaceAll_ = false;
    key = 0;
    Invalidate();
    return;
  }
  // A typed letter moves to the next item whose caption starts with it.
  if (byte > 0x20 && byte < 0x80) {
    TListItem* focused = ItemFocused();
    const int start = focused ? focused->Index() : -1;
    if (TListItem* found = FindCaption(start, AnsiString(1, key), true, false, true)) {
      key = 0;
      MoveByKey(found->Index(), 0);
    }
  }
}

void TListView::WndProc(TMessage& message) {
  // Button messages carry the Shift and Ctrl keys in wParam.
  if (message.msg == WM_LBUTTONDOWN || message.msg == WM_RBUTTONDOWN) {
    mouseShift_ = static_cast<TShiftState>(((message.wParam & kMkShift) ? ssShift : 0) |
                                           ((message.wParam & kMkControl) ? ssCtrl : 0));
  }
  TWinControl::WndProc(message);
}

void TListView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  shift |= mouseShift_;
  mouseShift_ = 0;
  headerPress_ = false;
  headerRelease_ = false;
  if (editItem_) EndEdit(true);
  TWinControl::MouseDown(button, shift, x, y);
  if (button == TMouseButton::mbLeft && y >= 0 && y < HeaderHeight()) {
    // The column header: a column click, not an item click.
    headerPress_ = true;
    if (TListColumn* column = GetColumnAt(x, y); column && columnClick_)
      OnColumnClick(this, column);
    return;
  }
  TListItem* item = GetItemAt(x, y);
  if (button == TMouseButton::mbRight) {
    if (item && !item->Selected()) SelectOnly(item);
    return;
  }
  if (button != TMouseButton::mbLeft) return;
  if (!item) {
    if (!(shift & (ssCtrl | ssShift))) ClearSelection();
    return;
  }
  const int row = item->Index();
  if (checkboxes_ && viewStyle_ == TViewStyle::vsReport && x < 16) {
    // The check box at the start of the row.
    item->SetChecked(!item->Checked());
    return;
  }
  if (multiSelect_ && (shift & ssCtrl)) {
    FocusItem(item);
    if (items_->IndexOf(item) >= 0 && SetItemState(item, item->state_ ^ TListItem::kSelected))
      anchor_ = item;
  } else if (multiSelect_ && (shift & ssShift)) {
    SelectRange(item);
  } else {
    SelectOnly(item);
  }
  if (row < items_->Count() && items_->Item(row) == item) item->MakeVisible(false);
}

void TListView::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseUp(button, shift, x, y);
  // The click that follows this release belongs to the header.
  headerRelease_ = headerPress_ && button == TMouseButton::mbLeft && ClientRect().Contains({x, y});
  headerPress_ = false;
}

void TListView::Click() {
  if (headerRelease_) {
    headerRelease_ = false;
    return;
  }
  TWinControl::Click();
}

// ---- painting

namespace {

constexpr int kIconCellWidth = 76, kIconCellHeight = 70, kIconSize = 32, kListCellWidth = 120;

// How the items of a list or tree look at the moment.
struct ItemLook {
  SelectionLook selection;
  bool focused;  // the control has the focus
  bool enabled;
  TColor text;
};

// A label: filled with the selection colour when selected (and the selection shows), its
// text inset 2 pixels.
void DrawLabel(TCanvas* canvas, const AnsiString& text, const TRect& label, unsigned flags,
               bool selected, const ItemLook& look) {
  const bool highlighted = selected && look.selection.show;
  if (highlighted) FillSolid(canvas, label, look.selection.back);
  DrawTextIn(canvas, text, Inflate(label, -2, 0), flags,
             highlighted ? look.selection.text : look.text);
}

// The in-place editor over a label: a framed white box wide enough for the text, with the
// caret at its end.
void DrawEditBox(TCanvas* canvas, const AnsiString& text, TRect box) {
  const int width = canvas->TextWidth(text);
  box.Right = std::max(box.Right, box.Left + width + 8);
  FillSolid(canvas, box, clWindow);
  canvas->Brush()->SetColor(clWindowFrame);
  canvas->FrameRect(box);
  DrawTextIn(canvas, text, {box.Left + 3, box.Top, box.Right - 2, box.Bottom}, kLineFlags,
             clWindowText);
  const int caret = box.Left + 3 + width;
  FillSolid(canvas, {caret, box.Top + 2, caret + 1, box.Bottom - 2}, clWindowText);
}

// What leads an item's row: its check box and small image. Returns where its label starts.
int DrawItemLead(TCanvas* canvas, const TListView* lv, const TListItem* item, const TRect& row,
                 const ItemLook& look) {
  int x = row.Left + 2;
  const int middle = row.Top + row.Height() / 2;
  if (lv->Checkboxes()) {
    DrawCheckMark(canvas, x, middle - 6,
                  item->Checked() ? TCheckMark::Checked : TCheckMark::Unchecked, look.enabled);
    x += 16;
  }
  if (const TImageList* images = lv->SmallImages()) {
    images->Draw(canvas, x, middle - images->Height() / 2, item->ImageIndex(), look.enabled);
    x += images->Width() + 2;
  }
  return x;
}

unsigned AlignmentFlag(TAlignment alignment) {
  switch (alignment) {
    case TAlignment::taRightJustify:
      return DT_RIGHT;
    case TAlignment::taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

// An item of the small-icon and list styles: check box, small image and caption in a row.
void PaintRowItem(TCanvas* canvas, const TListView* lv, TListItem* item, const TRect& r,
                  const ItemLook& look) {
  const int left = DrawItemLead(canvas, lv, item, r, look);
  const TRect label{left, r.Top, std::min(r.Right, left + canvas->TextWidth(item->Caption()) + 4),
                    r.Bottom};
  DrawLabel(canvas, item->Caption(), label, kLineFlags | DT_END_ELLIPSIS, item->Selected(), look);
  if (lv->EditingItem() == item) DrawEditBox(canvas, lv->EditText(), label);
  if (look.focused && item->Focused()) canvas->DrawFocusRect(label);
}

// An item of the icon style: the large image centred at the top of its cell, the caption
// below it, broken into lines.
void PaintIconItem(TCanvas* canvas, const TListView* lv, TListItem* item, const TRect& r,
                   const ItemLook& look) {
  const TImageList* images = lv->LargeImages();
  const int iw = images ? images->Width() : kIconSize, ih = images ? images->Height() : kIconSize;
  const int iconLeft = r.Left + (r.Width() - iw) / 2;
  if (images) images->Draw(canvas, iconLeft, r.Top + 2, item->ImageIndex(), look.enabled);
  if (lv->Checkboxes())
    DrawCheckMark(canvas, iconLeft - 15, r.Top + 2 + ih - 13,
                  item->Checked() ? TCheckMark::Checked : TCheckMark::Unchecked, look.enabled);
  constexpr unsigned flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  TRect text{0, 0, r.Width() - 8, 0};
  canvas->DrawText(item->Caption(), text, flags | DT_CALCRECT);
  const int top = r.Top + ih + 4, middle = r.Left + r.Width() / 2;
  const TRect label{middle - text.Width() / 2 - 2, top, middle + text.Width() / 2 + 3,
                    std::min(r.Bottom, top + text.Height())};
  DrawLabel(canvas, item->Caption(), label, flags, item->Selected(), look);
  if (lv->EditingItem() == item) DrawEditBox(canvas, lv->EditText(), label);
  if (look.focused && item->Focused()) canvas->DrawFocusRect(label);
}

// The report style: rows of the caption and sub-items under the column header.
void PaintReport(TCanvas* canvas, const TListView* lv, const ItemLook& look, const TRect& content) {
  const TListColumns* columns = lv->Columns();
  const int columnCount = columns->Count();
  std::vector<int> widths;
  for (int c = 0; c < columnCount; ++c) widths.push_back(columns->Items(c)->Width());
  if (widths.empty()) widths.push_back(content.Right);
  int total = 0;
  for (int w : widths) total += w;
  const int header = lv->ShowColumnHeaders() ? kHeaderHeight : 0;
  const TListItems* items = lv->Items();
  const int first = lv->TopItem() ? lv->TopItem()->Index() : 0;
  for (int i = first; i < items->Count(); ++i) {
    const TRect row = lv->ItemRect(i);
    if (row.Top >= content.Bottom) break;
    TListItem* item = items->Item(i);
    const bool highlighted = item->Selected() && look.selection.show;
    const int labelLeft = DrawItemLead(canvas, lv, item, {0, row.Top, widths[0], row.Bottom}, look);
    TRect label{labelLeft, row.Top,
                std::min(widths[0], labelLeft + canvas->TextWidth(item->Caption()) + 4),
                row.Bottom};
    if (lv->RowSelect()) label.Right = total;
    if (highlighted) FillSolid(canvas, label, look.selection.back);
    const TColor text = highlighted ? look.selection.text : look.text;
    DrawTextIn(canvas, item->Caption(), {labelLeft + 2, row.Top, widths[0] - 2, row.Bottom},
               kLineFlags | DT_END_ELLIPSIS, text);
    int x = widths[0];
    for (int c = 1; c < columnCount; ++c) {
      const TStrings* sub = item->SubItems();
      const AnsiString cell = c - 1 < sub->Count() ? sub->Get(c - 1) : AnsiString();
      DrawTextIn(canvas, cell, {x + 6, row.Top, x + widths[static_cast<size_t>(c)] - 6, row.Bottom},
                 kLineFlags | DT_END_ELLIPSIS | AlignmentFlag(columns->Items(c)->Alignment()),
                 lv->RowSelect() ? text : look.text);
      x += widths[static_cast<size_t>(c)];
    }
    if (lv->EditingItem() == item)
      DrawEditBox(canvas, lv->EditText(), {labelLeft, row.Top, widths[0], row.Bottom});
    if (look.focused && item->Focused()) canvas->DrawFocusRect(label);
  }
  if (lv->GridLines()) {
    for (int y = header + kRowHeight - 1; y < content.Bottom; y += kRowHeight)
      FillSolid(canvas, {0, y, total, y + 1}, clBtnFace);
    for (int c = 0, x = 0; c < static_cast<int>(widths.size()); ++c) {
      x += widths[static_cast<size_t>(c)];
      FillSolid(canvas, {x - 1, header, x, content.Bottom}, clBtnFace);
    }
  }
  if (!header) return;
  canvas->Font()->SetColor(clBtnText);
  int x = 0;
  for (int c = 0; c < columnCount; ++c) {
    const TListColumn* column = columns->Items(c);
    const TRect section{x, 0, x + column->Width(), header};
    FillSolid(canvas, section, clBtnFace);
    TRect inside = Inflate(DrawEdge(canvas, section, TEdgeKind::Raised), -4, 0);
    if (lv->SmallImages() && column->ImageIndex() >= 0) {
      lv->SmallImages()->Draw(canvas, inside.Left, (header - lv->SmallImages()->Height()) / 2,
                              column->ImageIndex(), look.enabled);
      inside.Left += lv->SmallImages()->Width() + 2;
    }
    DrawControlText(canvas, column->Caption(), inside,
                    kLineFlags | DT_END_ELLIPSIS | AlignmentFlag(column->Alignment()),
                    look.enabled);
    x = section.Right;
  }
  // The header goes on past the last column as an empty section.
  const TRect rest{x, 0, std::max(x, content.Right), header};
  FillSolid(canvas, rest, clBtnFace);
  DrawEdge(canvas, rest, TEdgeKind::Raised);
}

}  // namespace

void TListView::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  FillSolid(canvas, {0, 0, w, h}, Color());
  const TRect inner{kEdge, kEdge, std::max(kEdge, w - kEdge), std::max(kEdge, h - kEdge)};
  const int count = items_->Count();
  ScrollState v, hs;
  switch (viewStyle_) {
    case TViewStyle::vsReport: {
      const int rows = VisibleRowCount();
      v = {count > rows || topIndex_ > 0, 0, count - 1, rows, topIndex_};
      const int width = inner.Width() - (v.show ? kScrollBarSize : 0);
      hs = {columns_->Count() > 0 && ColumnsWidth() > width, 0, ColumnsWidth() - 1, width, 0};
      break;
    }
    case TViewStyle::vsList: {
      const int perColumn = std::max(1, h / kRowHeight);
      const int width = (count + perColumn - 1) / perColumn * kListCellWidth;
      hs = {width > inner.Width(), 0, width - 1, inner.Width(), 0};
      break;
    }
    case TViewStyle::vsSmallIcon:
    case TViewStyle::vsIcon: {
      const bool icons = viewStyle_ == TViewStyle::vsIcon;
      const int perRow = std::max(1, w / (icons ? kIconCellWidth : kListCellWidth));
      const int height = (count + perRow - 1) / perRow * (icons ? kIconCellHeight : kRowHeight);
      v = {height > inner.Height(), 0, height - 1, inner.Height(), 0};
      break;
    }
  }
  const TRect content = ScrollClient(inner, v, hs);
  const bool focused = Focused();
  const ItemLook look{SelectionFor(focused, hideSelection_), focused, Enabled(),
                      Enabled() ? Font()->GetColor() : clGrayText};
  {
    TClipScope clip(canvas);
    canvas->IntersectClipRect(content);
    if (viewStyle_ == TViewStyle::vsReport) {
      PaintReport(canvas, this, look, content);
    } else {
      for (int i = 0; i < count; ++i) {
        const TRect r = ItemRect(i);
        if (r.Top >= content.Bottom || r.Left >= content.Right) continue;
        if (viewStyle_ == TViewStyle::vsIcon)
          PaintIconItem(canvas, this, items_->Item(i), r, look);
        else
          PaintRowItem(canvas, this, items_->Item(i), r, look);
      }
    }
  }
  DrawScrollBars(canvas, inner, v, hs, Enabled());
  DrawEdge(canvas, {0, 0, w, h}, TEdgeKind::Sunken);
}

// =========================================================================================
// TTreeNode

VCL_IMPLEMENT_PERSISTENT(TTreeNode, TPersistent)

void TTreeNode::Publish(TPublisher&) {}

TTreeNode::TTreeNode(TTreeNodes* owner) : owner_(owner) {}

TTreeNode::~TTreeNode() {
  for (TTreeNode* child : children_) delete child;
}

TTreeView* TTreeNode::TreeView() const {
  return owner_ ? owner_->owner_ : nullptr;
}

void TTreeNode::SetText(const AnsiString& text) {
  if (text == text_) return;
  text_ = text;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

TTreeNode* TTreeNode::Item(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return children_[static_cast<size_t>(index)];
}

int TTreeNode::IndexOf(const TTreeNode* child) const {
  auto it = std::find(children_.begin(), children_.end(), child);
  return it == children_.end() ? -1 : static_cast<int>(it - children_.begin());
}

void TTreeNode::SetImageIndex(int value) {
  imageIndex_ = value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetSelectedIndex(int value) {
  selectedIndex_ = value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetStateIndex(int value) {
  stateIndex_ = value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetHasChildren(bool value) {
  hasChildren_ = value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetExpanded(bool value) {
  if (value)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
  TTreeView* tv = TreeView();
  if (!expanded_ && HasChildren() && tv) {
    bool allow = true;
    tv->OnExpanding(tv, this, allow);
    if (allow) {
      if (children_.empty()) {
        // Nothing was added on demand: the button goes away.
        hasChildren_ = false;
      } else {
        expanded_ = true;
        tv->OnExpanded(tv, this);
      }
      tv->Invalidate();
    }
  }
  if (recurse)
    for (size_t i = 0; i < children_.size(); ++i) children_[i]->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  TTreeView* tv = TreeView();
  if (expanded_ && tv) {
    bool allow = true;
    tv->OnCollapsing(tv, this, allow);
    if (allow) {
      expanded_ = false;
      // The selection cannot stay hidden inside: it moves to this node.
      for (TTreeNode* p = tv->selected_ ? tv->selected_->parent_ : nullptr; p; p = p->parent_) {
        if (p == this) {
          tv->SetSelected(this);
          break;
        }
      }
      tv->OnCollapsed(tv, this);
      tv->Invalidate();
    }
  }
  if (recurse)
    for (size_t i = 0; i < children_.size(); ++i) children_[i]->Collapse(true);
}

bool TTreeNode::Selected() const {
  TTreeView* tv = TreeView();
  return tv && tv->selected_ == this;
}

void TTreeNode::SetSelected(bool value) {
  TTreeView* tv = TreeView();
  if (!tv) return;
  if (value)
    tv->SetSelected(this);
  else if (tv->selected_ == this)
    tv->SetSelected(nullptr);
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = parent_; p; p = p->parent_)
    if (!p->expanded_) return false;
  return true;
}

int TTreeNode::Index() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

int TTreeNode::Level() const {
  int level = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

int TTreeNode::AbsoluteIndex() const {
  const auto& flat = owner_->Flat();
  auto it = std::find(flat.begin(), flat.end(), this);
  return it == flat.end() ? -1 : static_cast<int>(it - flat.begin());
}

TTreeNode* TTreeNode::GetFirstChild() const {
  return children_.empty() ? nullptr : children_.front();
}

TTreeNode* TTreeNode::GetLastChild() const {
  return children_.empty() ? nullptr : children_.back();
}

TTreeNode* TTreeNode::GetNextSibling() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  const int index = Index();
  return index >= 0 && index + 1 < static_cast<int>(list.size())
             ? list[static_cast<size_t>(index + 1)]
             : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  const int index = Index();
  return index > 0 ? list[static_cast<size_t>(index - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front();
  for (const TTreeNode* n = this; n; n = n->parent_)
    if (TTreeNode* sibling = n->GetNextSibling()) return sibling;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  TTreeNode* node = GetPrevSibling();
  if (!node) return parent_;
  while (!node->children_.empty()) node = node->children_.back();
  return node;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (expanded_ && !children_.empty()) return children_.front();
  for (const TTreeNode* n = this; n; n = n->parent_)
    if (TTreeNode* sibling = n->GetNextSibling()) return sibling;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  TTreeNode* node = GetPrevSibling();
  if (!node) return parent_;
  while (node->expanded_ && !node->children_.empty()) node = node->children_.back();
  return node;
}

TRect TTreeNode::DisplayRect() const {
  TTreeView* tv = TreeView();
  const int row = tv ? tv->RowOf(this) : -1;
  if (row < 0) return {};
  return {0, row * kRowHeight, tv->ClientWidth(), (row + 1) * kRowHeight};
}

void TTreeNode::Delete() {
  owner_->DeleteNode(this, true);
}

void TTreeNode::DeleteChildren() {
  while (!children_.empty() && !children_.back()->deleting_)
    owner_->DeleteNode(children_.back(), true);
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

// =========================================================================================
// TTreeNodes

VCL_IMPLEMENT_PERSISTENT(TTreeNodes, TPersistent)

void TTreeNodes::Publish(TPublisher&) {}

TTreeNodes::TTreeNodes(TTreeView* owner) : owner_(owner) {}

TTreeNodes::~TTreeNodes() {
  for (TTreeNode* node : roots_) delete node;
}

const std::vector<TTreeNode*>& TTreeNodes::Flat() const {
  if (!flatValid_) {
    flat_.clear();
    for (TTreeNode* n = roots_.empty() ? nullptr : roots_.front(); n; n = n->GetNext())
      flat_.push_back(n);
    flatValid_ = true;
  }
  return flat_;
}

void TTreeNodes::Changed() {
  flatValid_ = false;
  if (updateCount_ == 0 && owner_) owner_->Invalidate();
}

int TTreeNodes::Count() const {
  return static_cast<int>(Flat().size());
}

TTreeNode* TTreeNodes::Item(int index) const {
  const auto& flat = Flat();
  if (index < 0 || index >= static_cast<int>(flat.size())) IndexError(index);
  return flat[static_cast<size_t>(index)];
}

TTreeNode* TTreeNodes::GetFirstNode() const {
  return roots_.empty() ? nullptr : roots_.front();
}

std::vector<TTreeNode*>& TTreeNodes::SiblingList(TTreeNode* parent) {
  return parent ? parent->children_ : roots_;
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, int index, const AnsiString& text,
                                  void* data) {
  if (parent && parent->owner_ != this)
    throw EInvalidOperation("The node belongs to another tree view");
  auto& list = SiblingList(parent);
  index = std::clamp(index, 0, static_cast<int>(list.size()));
  auto* node = new TTreeNode(this);
  node->parent_ = parent;
  node->text_ = text;
  node->data_ = data;
  list.insert(list.begin() + index, node);
  Changed();
  return node;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const AnsiString& text) {
  return AddObject(sibling, text, nullptr);
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const AnsiString& text, void* data) {
  TTreeNode* parent = sibling ? sibling->parent_ : nullptr;
  if (sibling && sibling->owner_ != this)
    throw EInvalidOperation("The node belongs to another tree view");
  return InsertNode(parent, static_cast<int>(SiblingList(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const AnsiString& text) {
  if (sibling && sibling->owner_ != this)
    throw EInvalidOperation("The node belongs to another tree view");
  return InsertNode(sibling ? sibling->parent_ : nullptr, 0, text, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const AnsiString& text) {
  return AddChildObject(parent, text, nullptr);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const AnsiString& text, void* data) {
  return InsertNode(parent, static_cast<int>(SiblingList(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const AnsiString& text) {
  return InsertNode(parent, 0, text, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const AnsiString& text) {
  if (!sibling) return InsertNode(nullptr, static_cast<int>(roots_.size()), text, nullptr);
  if (sibling->owner_ != this) throw EInvalidOperation("The node belongs to another tree view");
  return InsertNode(sibling->parent_, sibling->Index(), text, nullptr);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (node && node->owner_ == this) DeleteNode(node, true);
}

void TTreeNodes::DeleteNode(TTreeNode* node, bool moveSelection) {
  if (node->deleting_) return;
  TTreeView* tv = owner_;
  // Where the selection goes when it lies in the deleted branch.
  bool selectionInside = false;
  for (TTreeNode* n = tv ? tv->selected_ : nullptr; n; n = n->parent_)
    if (n == node) selectionInside = true;
  TTreeNode* newSelection = nullptr;
  if (selectionInside && moveSelection && !clearing_) {
    newSelection = node->GetNextSibling();
    if (!newSelection) newSelection = node->GetPrevSibling();
    if (!newSelection) newSelection = node->parent_;
  }
  node->deleting_ = true;
  // Children go first, last to first.
  while (!node->children_.empty() && !node->children_.back()->deleting_)
    DeleteNode(node->children_.back(), false);
  if (tv && tv->selected_ == node) tv->selected_ = nullptr;
  if (tv) {
    try {
      tv->OnDeletion(tv, node);
    } catch (...) {
      node->deleting_ = false;
      throw;
    }
  }
  auto& list = SiblingList(node->parent_);
  auto it = std::find(list.begin(), list.end(), node);
  if (it != list.end()) list.erase(it);
  delete node;
  Changed();
  if (tv && selectionInside && moveSelection && !clearing_) tv->SetSelected(newSelection);
}

void TTreeNodes::Clear() {
  if (roots_.empty()) return;
  clearing_ = true;
  if (owner_) owner_->selected_ = nullptr;
  BeginUpdate();
  try {
    while (!roots_.empty() && !roots_.front()->deleting_) DeleteNode(roots_.front(), false);
  } catch (...) {
    clearing_ = false;
    EndUpdate();
    throw;
  }
  clearing_ = false;
  EndUpdate();
}

void TTreeNodes::BeginUpdate() {
  ++updateCount_;
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && owner_) owner_->Invalidate();
}

void TTreeNodes::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TTreeNodes*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    std::function<void(TTreeNode*, const TTreeNode*)> copy = [&](TTreeNode* parent,
                                                                 const TTreeNode* from) {
      TTreeNode* node =
          InsertNode(parent, parent ? parent->Count() : static_cast<int>(roots_.size()),
                     from->text_, from->data_);
      node->imageIndex_ = from->imageIndex_;
      node->selectedIndex_ = from->selectedIndex_;
      node->stateIndex_ = from->stateIndex_;
      node->hasChildren_ = from->hasChildren_;
      for (const TTreeNode* child : from->children_) copy(node, child);
    };
    for (const TTreeNode* root : other->roots_) copy(nullptr, root);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// =========================================================================================
// TTreeView

VCL_IMPLEMENT_COMPONENT(TTreeView, TWinControl)

void TTreeView::Publish(TPublisher& p) {
  p.Object("Items", &TTreeView::Items, &TTreeView::SetItems);
  p.Object("Images", &TTreeView::Images, &TTreeView::SetImages);
  p.Bool("ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly);
  p.Bool("ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines);
  p.Bool("ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot);
  p.Bool("ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons);
  p.Bool("HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection);
  p.Bool("RowSelect", &TTreeView::RowSelect, &TTreeView::SetRowSelect);
  p.Bool("AutoExpand", &TTreeView::AutoExpand, &TTreeView::SetAutoExpand);
  p.Integer("Indent", &TTreeView::Indent, &TTreeView::SetIndent);
  p.Event("OnChange", "TTVChangedEvent", &TTreeView::OnChange);
  p.Event("OnChanging", "TTVChangingEvent", &TTreeView::OnChanging);
  p.Event("OnExpanding", "TTVExpandingEvent", &TTreeView::OnExpanding);
  p.Event("OnExpanded", "TTVExpandedEvent", &TTreeView::OnExpanded);
  p.Event("OnCollapsing", "TTVExpandingEvent", &TTreeView::OnCollapsing);
  p.Event("OnCollapsed", "TTVExpandedEvent", &TTreeView::OnCollapsed);
  p.Event("OnDeletion", "TTVExpandedEvent", &TTreeView::OnDeletion);
}

TTreeView::TTreeView(TComponent* owner) : TWinControl(owner), items_(new TTreeNodes(this)) {
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 121, 97);
  imageLink_.OnChange = MethodOf<&TTreeView::ImagesChanged>(this);
}

TTreeView::~TTreeView() {
  // As with the list view: a tree freed on its own reports its nodes to OnDeletion.
  if (OnDeletion && !AncestorDestroying(this)) items_->Clear();
  selected_ = nullptr;
  delete items_;
}

void TTreeView::SetItems(TTreeNodes* items) {
  if (items)
    items_->Assign(items);
  else
    items_->Clear();
}

void TTreeView::SetImages(TImageList* images) {
  LinkImages(this, images_, images, imageLink_);
  Invalidate();
}

void TTreeView::ImagesChanged(TObject*) {
  Invalidate();
}

void TTreeView::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) DropImages(images_, imageLink_);
}

void TTreeView::SetShowLines(bool value) {
  showLines_ = value;
  Invalidate();
}

void TTreeView::SetShowRoot(bool value) {
  showRoot_ = value;
  Invalidate();
}

void TTreeView::SetShowButtons(bool value) {
  showButtons_ = value;
  Invalidate();
}

void TTreeView::SetHideSelection(bool value) {
  hideSelection_ = value;
  Invalidate();
}

void TTreeView::SetRowSelect(bool value) {
  rowSelect_ = value;
  Invalidate();
}

void TTreeView::SetIndent(int value) {
  indent_ = std::max(0, value);
  Invalidate();
}

bool TTreeView::CanChange(TTreeNode* node) {
  bool allow = true;
  OnChanging(this, node, allow);
  return allow;
}

void TTreeView::Change(TTreeNode* node) {
  OnChange(this, node);
}

void TTreeView::SetSelected(TTreeNode* node) {
  if (node == selected_) return;
  if (node && node->owner_ != items_) return;
  if (!CanChange(node)) return;
  if (node) {
    std::vector<TTreeNode*> ancestors;
    for (TTreeNode* p = node->parent_; p; p = p->parent_) ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) (*it)->Expand(false);
  }
  selected_ = node;
  Change(node);
  Invalidate();
}

TTreeNode* TTreeView::TopItem() const {
  return items_->GetFirstNode();
}

void TTreeView::FullExpand() {
  for (size_t i = 0; i < items_->roots_.size(); ++i) items_->roots_[i]->Expand(true);
}

void TTreeView::FullCollapse() {
  for (size_t i = 0; i < items_->roots_.size(); ++i) items_->roots_[i]->Collapse(true);
}

int TTreeView::RowOf(const TTreeNode* node) const {
  if (!node->IsVisible()) return -1;
  int row = 0;
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextVisible(), ++row)
    if (n == node) return row;
  return -1;
}

TTreeNode* TTreeView::GetNodeAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= ClientWidth()) return nullptr;
  TTreeNode* node = items_->GetFirstNode();
  for (int row = y / kRowHeight; node && row > 0; --row) node = node->GetNextVisible();
  return node;
}

void TTreeView::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  TTreeNode* node = GetNodeAt(x, y);
  if (!node) return;
  const int textLeft = (node->Level() + (showRoot_ ? 1 : 0)) * indent_;
  const int buttonLeft = textLeft - indent_;
  if (showButtons_ && node->HasChildren() && buttonLeft >= 0 && x >= buttonLeft && x < textLeft) {
    node->SetExpanded(!node->Expanded());
    return;
  }
  SetSelected(node);
}

void TTreeView::DblClick() {
  TWinControl::DblClick();
  if (selected_) selected_->SetExpanded(!selected_->Expanded());
}

bool TTreeView::WantsKey(std::uint16_t key, TShiftState shift) const {
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
      return true;
    default:
      return TWinControl::WantsKey(key, shift);
  }
}

void TTreeView::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  TTreeNode* sel = selected_;
  TTreeNode* first = items_->GetFirstNode();
  TTreeNode* target = nullptr;
  switch (key) {
    case VK_DOWN:
      target = sel ? sel->GetNextVisible() : first;
      break;
    case VK_UP:
      target = sel ? sel->GetPrevVisible() : first;
      break;
    case VK_HOME:
      target = first;
      break;
    case VK_END:
      for (TTreeNode* n = first; n; n = n->GetNextVisible()) target = n;
      break;
    case VK_RIGHT:
      if (sel && !sel->Expanded() && sel->HasChildren())
        sel->Expand(false);
      else if (sel && sel->Expanded())
        target = sel->GetFirstChild();
      break;
    case VK_LEFT:
      if (sel && sel->Expanded())
        sel->Collapse(false);
      else if (sel)
        target = sel->Parent();
      break;
    default:
      return;
  }
  key = 0;
  if (target) SetSelected(target);
}

// ---- painting

namespace {

// The 9 x 9 expand button centred on (cx, cy): a box with a minus, and a plus while the node
// is collapsed.
void DrawExpandButton(TCanvas* canvas, int cx, int cy, bool expanded) {
  const TRect box{cx - 4, cy - 4, cx + 5, cy + 5};
  FillSolid(canvas, box, clWindow);
  canvas->Brush()->SetColor(clGray);
  canvas->FrameRect(box);
  FillSolid(canvas, {cx - 2, cy, cx + 3, cy + 1}, clWindowText);
  if (!expanded) FillSolid(canvas, {cx, cy - 2, cx + 1, cy + 3}, clWindowText);
}

}  // namespace

void TTreeView::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  FillSolid(canvas, {0, 0, w, h}, Color());
  const TRect inner{kEdge, kEdge, std::max(kEdge, w - kEdge), std::max(kEdge, h - kEdge)};
  int rows = 0;
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNextVisible()) ++rows;
  const ScrollState v{rows * kRowHeight > inner.Height(), 0, rows - 1,
                      std::max(1, inner.Height() / kRowHeight), 0};
  const TRect content = ScrollClient(inner, v, {});
  const bool focused = Focused();
  const ItemLook look{SelectionFor(focused, hideSelection_), focused, Enabled(),
                      Enabled() ? Font()->GetColor() : clGrayText};
  {
    TClipScope clip(canvas);
    canvas->IntersectClipRect(content);
    int row = 0;
    for (TTreeNode* node = items_->GetFirstNode(); node && row * kRowHeight < content.Bottom;
         node = node->GetNextVisible(), ++row) {
      const int top = row * kRowHeight, middle = top + kRowHeight / 2;
      const int rootShift = showRoot_ ? 1 : 0;
      const int textLeft = (node->Level() + rootShift) * indent_;
      const bool hasButtonColumn = node->Level() + rootShift > 0;
      const int cx = textLeft - indent_ / 2;
      if (showLines_ && hasButtonColumn) {
        // The node's own joint, then the lines of its ancestors that have more siblings below.
        const bool above = node->GetPrevSibling() || node->Parent();
        DottedLine(canvas, {cx, above ? top : middle},
                   {cx, node->GetNextSibling() ? top + kRowHeight : middle + 1}, clGray);
        DottedLine(canvas, {cx, middle}, {textLeft, middle}, clGray);
        for (const TTreeNode* a = node->Parent(); a; a = a->Parent()) {
          if (a->Level() + rootShift == 0 || !a->GetNextSibling()) continue;
          const int ax = (a->Level() + rootShift) * indent_ - indent_ / 2;
          DottedLine(canvas, {ax, top}, {ax, top + kRowHeight}, clGray);
        }
      }
      if (showButtons_ && hasButtonColumn && node->HasChildren())
        DrawExpandButton(canvas, cx, middle, node->Expanded());
      int labelLeft = textLeft + 1;
      if (images_) {
        const int index = node == selected_ && node->SelectedIndex() >= 0 ? node->SelectedIndex()
                                                                          : node->ImageIndex();
        images_->Draw(canvas, textLeft + 1, middle - images_->Height() / 2, index, look.enabled);
        labelLeft += images_->Width() + 2;
      }
      TRect label{labelLeft, top, labelLeft + canvas->TextWidth(node->Text()) + 4,
                  top + kRowHeight};
      if (rowSelect_) label = {content.Left, top, content.Right, top + kRowHeight};
      const bool selected = node == selected_;
      if (selected && look.selection.show) FillSolid(canvas, label, look.selection.back);
      DrawTextIn(canvas, node->Text(), {labelLeft + 2, top, content.Right, top + kRowHeight},
                 kLineFlags, selected && look.selection.show ? look.selection.text : look.text);
      if (focused && selected) canvas->DrawFocusRect(label);
    }
  }
  DrawScrollBars(canvas, inner, v, {}, Enabled());
  DrawEdge(canvas, {0, 0, w, h}, TEdgeKind::Sunken);
}

// =========================================================================================
// TToolButton

VCL_IMPLEMENT_COMPONENT(TToolButton, TGraphicControl)

void TToolButton::Publish(TPublisher& p) {
  p.String("Caption", &TToolButton::Caption, &TToolButton::SetCaption);
  p.Enum("Style", TypeToolButtonStyle(), &TToolButton::Style, &TToolButton::SetStyle);
  p.Object("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
  p.Object("MenuItem", &TToolButton::MenuItem, &TToolButton::SetMenuItem);
  p.Integer("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex);
  p.Bool("Down", &TToolButton::Down, &TToolButton::SetDown);
  p.Bool("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
  p.Bool("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp);
  p.Bool("Indeterminate", &TToolButton::Indeterminate, &TToolButton::SetIndeterminate);
  p.Bool("Marked", &TToolButton::Marked, &TToolButton::SetMarked);
  p.Bool("Wrap", &TToolButton::Wrap, &TToolButton::SetWrap);
}

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  SetComponentState(csDestroying);
  if (toolBar_) toolBar_->RemoveButton(this);
}

void TToolButton::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  TGraphicControl::SetParent(parent);
  auto* bar = dynamic_cast<TToolBar*>(parent);
  if (toolBar_ && toolBar_ != bar) {
    TToolBar* old = toolBar_;
    toolBar_ = nullptr;
    old->RemoveButton(this);
  }
  if (bar && toolBar_ != bar) {
    toolBar_ = bar;
    bar->InsertButton(this);
  }
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == style_) return;
  style_ = value;
  if (value == TToolButtonStyle::tbsSeparator || value == TToolButtonStyle::tbsDivider)
    SetWidth(kSeparatorWidth);
  if (toolBar_) toolBar_->ArrangeButtons();
  Invalidate();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  if (menu == dropdownMenu_) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TToolButton::SetMenuItem(TMenuItem* item) {
  if (item == menuItem_) return;
  if (menuItem_) menuItem_->RemoveFreeNotification(this);
  menuItem_ = item;
  if (item) item->FreeNotification(this);
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation != TOperation::opRemove) return;
  if (component == dropdownMenu_) dropdownMenu_ = nullptr;
  if (component == menuItem_) menuItem_ = nullptr;
}

void TToolButton::SetImageIndex(int value) {
  imageIndex_ = value;
  Invalidate();
}

std::vector<TToolButton*> TToolButton::Group() const {
  if (!toolBar_ || !grouped_ || style_ != TToolButtonStyle::tbsCheck)
    return {const_cast<TToolButton*>(this)};
  const auto& buttons = toolBar_->buttons_;
  const int index = Index();
  auto member = [&](int i) {
    return buttons[static_cast<size_t>(i)]->grouped_ &&
           buttons[static_cast<size_t>(i)]->style_ == TToolButtonStyle::tbsCheck;
  };
  int lo = index, hi = index;
  while (lo > 0 && member(lo - 1)) --lo;
  while (hi + 1 < static_cast<int>(buttons.size()) && member(hi + 1)) ++hi;
  return {buttons.begin() + lo, buttons.begin() + hi + 1};
}

void TToolButton::SetDown(bool value) {
  if (value == down_) return;
  down_ = value;
  if (value && grouped_ && style_ == TToolButtonStyle::tbsCheck) {
    for (TToolButton* other : Group()) {
      if (other != this && other->down_) {
        other->down_ = false;
        other->Invalidate();
      }
    }
  }
  Invalidate();
}

void TToolButton::SetGrouped(bool value) {
  grouped_ = value;
  Invalidate();
}

void TToolButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
}

void TToolButton::SetIndeterminate(bool value) {
  indeterminate_ = value;
  Invalidate();
}

void TToolButton::SetMarked(bool value) {
  marked_ = value;
  Invalidate();
}

void TToolButton::SetWrap(bool value) {
  if (value == wrap_) return;
  wrap_ = value;
  if (toolBar_) toolBar_->ArrangeButtons();
}

int TToolButton::Index() const {
  if (!toolBar_) return -1;
  const auto& buttons = toolBar_->buttons_;
  auto it = std::find(buttons.begin(), buttons.end(), this);
  return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

void TToolButton::Click() {
  if (style_ == TToolButtonStyle::tbsSeparator || style_ == TToolButtonStyle::tbsDivider) return;
  if (arrowRelease_) {
    // The press opened the drop-down menu; its release is no click.
    arrowRelease_ = false;
    return;
  }
  if (style_ == TToolButtonStyle::tbsCheck && !(down_ && grouped_ && !allowAllUp_)) SetDown(!down_);
  TGraphicControl::Click();
}

bool TToolButton::DropDownClick() {
  if (!dropdownMenu_) return false;
  const TPoint p = ClientToParentForm({0, Height()});
  const TCustomForm* form = GetParentForm();
  dropdownMenu_->SetPopupComponent(this);
  dropdownMenu_->Popup(p.X + (form ? form->Left() : 0), p.Y + (form ? form->Top() : 0));
  return true;
}

void TToolButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  arrowPress_ = false;
  arrowRelease_ = false;
  if (button == TMouseButton::mbLeft && style_ == TToolButtonStyle::tbsDropDown &&
      x >= Width() - kArrowWidth) {
    arrowPress_ = true;
    DropDownClick();
  }
}

void TToolButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  arrowRelease_ = arrowPress_ && button == TMouseButton::mbLeft && ClientRect().Contains({x, y});
  arrowPress_ = false;
}

void TToolButton::TextChanged() {
  TGraphicControl::TextChanged();
  if (toolBar_ && toolBar_->ShowCaptions()) toolBar_->ArrangeButtons();
}

void TToolButton::VisibleChanged() {
  TGraphicControl::VisibleChanged();
  if (toolBar_ && !(ComponentState() & csDestroying)) toolBar_->ArrangeButtons();
}

// ---- painting

namespace {

// The dithered face of a button that is down: button face and highlight pixels alternating.
void DitherFace(TCanvas* canvas, const TRect& r) {
  FillSolid(canvas, r, clBtnFace);
  canvas->Brush()->SetColor(clBtnHighlight);
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left + (y + r.Left) % 2; x < r.Right; x += 2)
      canvas->FillRect({x, y, x + 1, y + 1});
}

}  // namespace

void TToolButton::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  if (style_ == TToolButtonStyle::tbsSeparator) return;  // a gap showing the bar
  if (style_ == TToolButtonStyle::tbsDivider) {
    const int x = w / 2 - 1;
    FillSolid(canvas, {x, 1, x + 1, h - 1}, clBtnShadow);
    FillSolid(canvas, {x + 1, 1, x + 2, h - 1}, clBtnHighlight);
    return;
  }
  const bool flat = toolBar_ && toolBar_->Flat();
  const bool held = MouseCaptured() && !arrowPress_;
  const bool pressed = down_ || held;
  TRect face{0, 0, w, h}, arrowPart;
  if (style_ == TToolButtonStyle::tbsDropDown) {
    face.Right = std::max(0, w - kArrowWidth);
    arrowPart = {face.Right, 0, w, h};
  }
  const TRect inner = flat ? DrawFlatButtonFace(canvas, face, pressed, false, Color())
                           : DrawButtonFace(canvas, face, pressed, false);
  if (down_ && !held) DitherFace(canvas, inner);
  const int shift = pressed ? 1 : 0;
  const TImageList* images = toolBar_ ? toolBar_->Images() : nullptr;
  const bool captions = toolBar_ && toolBar_->ShowCaptions();
  int textTop = 0;
  if (images && imageIndex_ >= 0) {
    const int x = face.Left + (face.Width() - images->Width()) / 2 + shift;
    const int y = (captions ? 3 : (h - images->Height()) / 2) + shift;
    images->Draw(canvas, x, y, imageIndex_, Enabled());
    textTop = y + images->Height();
  }
  if (captions) {
    const TRect text{face.Left + 2 + shift, textTop + shift, face.Right - 2 + shift, h - 2 + shift};
    canvas->Font()->SetColor(clBtnText);
    DrawControlText(canvas, Caption(),
                    textTop > 0 ? text : TRect{text.Left, 2 + shift, text.Right, text.Bottom},
                    DT_CENTER | DT_SINGLELINE | (textTop > 0 ? 0u : DT_VCENTER), Enabled());
  }
  if (style_ == TToolButtonStyle::tbsDropDown) {
    const bool arrowHeld = MouseCaptured() && arrowPress_;
    const TRect arrowInner = flat ? DrawFlatButtonFace(canvas, arrowPart, arrowHeld, false, Color())
                                  : DrawButtonFace(canvas, arrowPart, arrowHeld, false);
    DrawArrow(canvas, arrowInner, TArrowDirection::Down, Enabled() ? clBtnText : clGrayText);
  }
}

// =========================================================================================
// TToolBar

VCL_IMPLEMENT_COMPONENT(TToolBar, TWinControl)

void TToolBar::Publish(TPublisher& p) {
  p.Object("Images", &TToolBar::Images, &TToolBar::SetImages);
  p.Bool("Flat", &TToolBar::Flat, &TToolBar::SetFlat);
  p.Bool("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions);
  p.Integer("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth);
  p.Integer("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight);
  p.Integer("Indent", &TToolBar::Indent, &TToolBar::SetIndent);
  p.Bool("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable);
}

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, 29);
  SetAlign(TAlign::alTop);
  imageLink_.OnChange = MethodOf<&TToolBar::ImagesChanged>(this);
}

TToolBar::~TToolBar() {
  // The buttons are freed with the other children; they must not call back.
  for (TToolButton* button : buttons_) button->toolBar_ = nullptr;
  buttons_.clear();
}

TToolButton* TToolBar::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount()) IndexError(index);
  return buttons_[static_cast<size_t>(index)];
}

void TToolBar::SetImages(TImageList* images) {
  LinkImages(this, images_, images, imageLink_);
  Invalidate();
}

void TToolBar::ImagesChanged(TObject*) {
  Invalidate();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == images_) DropImages(images_, imageLink_);
}

void TToolBar::SetFlat(bool value) {
  flat_ = value;
  Invalidate();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == showCaptions_) return;
  showCaptions_ = value;
  ArrangeButtons();
}

void TToolBar::SetButtonWidth(int value) {
  value = std::max(0, value);
  if (value == buttonWidth_) return;
  buttonWidth_ = value;
  ArrangeButtons();
}

void TToolBar::SetButtonHeight(int value) {
  value = std::max(0, value);
  if (value == buttonHeight_) return;
  buttonHeight_ = value;
  ArrangeButtons();
}

void TToolBar::SetIndent(int value) {
  value = std::max(0, value);
  if (value == indent_) return;
  indent_ = value;
  ArrangeButtons();
}

void TToolBar::SetWrapable(bool value) {
  if (value == wrapable_) return;
  wrapable_ = value;
  ArrangeButtons();
}

void TToolBar::InsertButton(TToolButton* button) {
  buttons_.push_back(button);
  ArrangeButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
  std::erase(buttons_, button);
  if (!(ComponentState() & csDestroying)) ArrangeButtons();
}

int TToolBar::WidthOf(const TToolButton* button) const {
  switch (button->Style()) {
    case TToolButtonStyle::tbsSeparator:
    case TToolButtonStyle::tbsDivider:
      return button->Width() > 0 ? button->Width() : kSeparatorWidth;
    default:
      break;
  }
  int width = buttonWidth_;
  if (showCaptions_) width = std::max(width, TabTextWidth(button, button->Caption()));
  if (button->Style() == TToolButtonStyle::tbsDropDown) width += kArrowWidth;
  return width;
}

void TToolBar::ArrangeButtons() {
  if (arranging_ || (ComponentState() & csDestroying)) return;
  arranging_ = true;
  int x = indent_, y = 0;
  const int right = ClientWidth();
  for (TToolButton* button : buttons_) {
    if (!button->Visible()) continue;
    const int width = WidthOf(button);
    if (wrapable_ && x > indent_ && x + width > right) {
      x = indent_;
      y += buttonHeight_;
    }
    button->SetBounds(x, y, width, buttonHeight_);
    x += width;
    if (button->Wrap()) {
      x = indent_;
      y += buttonHeight_;
    }
  }
  arranging_ = false;
  Invalidate();
}

void TToolBar::Resize() {
  TWinControl::Resize();
  ArrangeButtons();
}

void TToolBar::Paint() {
  FillSolid(Canvas(), {0, 0, Width(), Height()}, Color());
}

// =========================================================================================
// TStatusPanel, TStatusPanels, TStatusBar

VCL_IMPLEMENT_PERSISTENT(TStatusPanel, TCollectionItem)

void TStatusPanel::Publish(TPublisher& p) {
  p.String("Text", &TStatusPanel::Text, &TStatusPanel::SetText);
  p.Integer("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth);
  p.Enum("Alignment", TypeAlignment(), &TStatusPanel::Alignment, &TStatusPanel::SetAlignment);
  p.Enum("Bevel", TypeStatusPanelBevel(), &TStatusPanel::Bevel, &TStatusPanel::SetBevel);
  p.Enum("Style", TypeStatusPanelStyle(), &TStatusPanel::Style, &TStatusPanel::SetStyle);
}

TStatusPanel::TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

void TStatusPanel::SetText(const AnsiString& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
}

void TStatusPanel::SetWidth(int width) {
  width_ = std::max(0, width);
  Changed();
}

void TStatusPanel::SetAlignment(TAlignment value) {
  alignment_ = value;
  Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  bevel_ = value;
  Changed();
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
  style_ = value;
  Changed();
}

void TStatusPanel::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TStatusPanel*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  text_ = other->text_;
  width_ = other->width_;
  alignment_ = other->alignment_;
  bevel_ = other->bevel_;
  style_ = other->style_;
  Changed();
}

AnsiString TStatusPanel::DisplayName() const {
  return text_.empty() ? TCollectionItem::DisplayName() : text_;
}

VCL_IMPLEMENT_PERSISTENT(TStatusPanels, TCollection)

void TStatusPanels::Publish(TPublisher&) {}

TStatusPanels::TStatusPanels(TStatusBar* owner)
    : TCollection([](TCollection* c) -> TCollectionItem* { return new TStatusPanel(c); }),
      owner_(owner) {}

TStatusPanel* TStatusPanels::Add() {
  return static_cast<TStatusPanel*>(TCollection::Add());
}

TStatusPanel* TStatusPanels::Items(int index) const {
  return static_cast<TStatusPanel*>(TCollection::Items(index));
}

void TStatusPanels::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (owner_) owner_->Invalidate();
}

VCL_IMPLEMENT_COMPONENT(TStatusBar, TWinControl)

void TStatusBar::Publish(TPublisher& p) {
  p.Object("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels);
  p.Bool("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel);
  p.String("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
  p.Bool("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip);
  p.Event("OnDrawPanel", "TDrawPanelEvent", &TStatusBar::OnDrawPanel);
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), panels_(new TStatusPanels(this)) {
  SetBounds(0, 0, 150, 19);
  SetAlign(TAlign::alBottom);
}

TStatusBar::~TStatusBar() {
  delete panels_;
}

void TStatusBar::SetPanels(TStatusPanels* panels) {
  if (panels)
    panels_->Assign(panels);
  else
    panels_->Clear();
}

void TStatusBar::SetSimplePanel(bool value) {
  if (value == simplePanel_) return;
  simplePanel_ = value;
  Invalidate();
}

void TStatusBar::SetSimpleText(const AnsiString& text) {
  if (text == simpleText_) return;
  simpleText_ = text;
  Invalidate();
}

void TStatusBar::SetSizeGrip(bool value) {
  sizeGrip_ = value;
  Invalidate();
}

TRect TStatusBar::PanelRect(int index) const {
  panels_->Items(index);  // raises for a bad index
  int left = 0;
  for (int i = 0; i < index; ++i) left += panels_->Items(i)->Width();
  int right = left + panels_->Items(index)->Width();
  if (index == panels_->Count() - 1) right = std::max(right, ClientWidth());
  return {left, 0, right, ClientHeight()};
}

int TStatusBar::PanelAtPos(int x, int y) const {
  if (simplePanel_) return -1;
  for (int i = 0; i < panels_->Count(); ++i)
    if (PanelRect(i).Contains({x, y})) return i;
  return -1;
}

void TStatusBar::DrawPanels() {
  if (simplePanel_) return;
  for (int i = 0; i < panels_->Count(); ++i) {
    TStatusPanel* panel = panels_->Items(i);
    if (panel->Style() == TStatusPanelStyle::psOwnerDraw) OnDrawPanel(this, panel, PanelRect(i));
  }
}

void TStatusBar::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  FillSolid(canvas, {0, 0, w, h}, Color());
  constexpr int grip = 14;  // the size grip's square
  const int right = sizeGrip_ ? std::max(0, w - grip) : w;
  canvas->Font()->SetColor(Enabled() ? Font()->GetColor() : clGrayText);
  if (simplePanel_) {
    DrawTextIn(canvas, simpleText_, {4, 2, right, h}, kLineFlags, canvas->Font()->GetColor());
  } else {
    for (int i = 0; i < panels_->Count(); ++i) {
      const TStatusPanel* panel = panels_->Items(i);
      TRect r = PanelRect(i);
      r = {r.Left, 2, std::min(r.Right - 2, right), h};
      if (r.Width() <= 0) continue;
      if (panel->Bevel() != TStatusPanelBevel::pbNone)
        DrawEdge(canvas, r,
                 panel->Bevel() == TStatusPanelBevel::pbRaised ? TEdgeKind::RaisedOuter
                                                               : TEdgeKind::SunkenOuter);
      if (panel->Style() == TStatusPanelStyle::psText)
        DrawTextIn(canvas, panel->Text(), Inflate(r, -3, 0),
                   kLineFlags | DT_END_ELLIPSIS | AlignmentFlag(panel->Alignment()),
                   canvas->Font()->GetColor());
    }
  }
  DrawPanels();
  if (!sizeGrip_) return;
  // Three diagonal ridges in the bottom-right corner: a highlight line, two shadow lines.
  for (int ridge = 0; ridge < 3; ++ridge) {
    const int d = 4 + 4 * ridge;
    for (int line = 0; line < 3; ++line) {
      const TColor color = line == 0 ? clBtnHighlight : clBtnShadow;
      const int len = d - line;
      canvas->Brush()->SetColor(color);
      for (int t = 0; t < len; ++t)
        canvas->FillRect({w - len + t, h - 1 - t, w - len + t + 1, h - t});
    }
  }
}

// =========================================================================================
// TAnimate

namespace {

constexpr std::uintptr_t kAnimateTimer = 1;

struct ClipInfo {
  int frames = 0, width = 0, height = 0, intervalMs = 100;
};

// The common clips have no pictures here; they play as 16-frame clips of 272 x 60.
ClipInfo CommonClip() {
  return {16, 272, 60, 100};
}

std::uint32_t ReadU32(const std::string& data, size_t offset) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(data[offset + 3])) << 24;
}

// Reads the main header of an AVI file (a RIFF "AVI " file with an "avih" chunk).
bool ReadAviHeader(const AnsiString& fileName, ClipInfo& info) {
  std::ifstream in(SysPath(fileName), std::ios::binary);
  if (!in) return false;
  std::string data(65536, '\0');
  in.read(data.data(), static_cast<std::streamsize>(data.size()));
  data.resize(static_cast<size_t>(in.gcount()));
  if (data.size() < 12 || data.compare(0, 4, "RIFF") != 0 || data.compare(8, 4, "AVI ") != 0)
    return false;
  const size_t chunk = data.find("avih", 12);
  if (chunk == std::string::npos || chunk + 8 + 40 > data.size()) return false;
  const size_t body = chunk + 8;
  const std::uint32_t usPerFrame = ReadU32(data, body);
  const std::uint32_t frames = ReadU32(data, body + 16);
  if (frames == 0 || frames > 0x7FFFFFFF) return false;
  info.frames = static_cast<int>(frames);
  info.width = static_cast<int>(ReadU32(data, body + 32) & 0x7FFFFFFF);
  info.height = static_cast<int>(ReadU32(data, body + 36) & 0x7FFFFFFF);
  info.intervalMs = usPerFrame >= 1000 ? static_cast<int>(usPerFrame / 1000) : 100;
  return true;
}

}  // namespace

VCL_IMPLEMENT_COMPONENT(TAnimate, TWinControl)

void TAnimate::Publish(TPublisher& p) {
  p.Bool("Active", &TAnimate::Active, &TAnimate::SetActive);
  p.Enum("CommonAVI", TypeCommonAVI(), &TAnimate::CommonAVI, &TAnimate::SetCommonAVI);
  p.String("FileName", &TAnimate::FileName, &TAnimate::SetFileName);
  p.Bool("Open", &TAnimate::Open, &TAnimate::SetOpen);
  p.Integer("Repetitions", &TAnimate::Repetitions, &TAnimate::SetRepetitions);
  p.Integer("StartFrame", &TAnimate::StartFrame, &TAnimate::SetStartFrame);
  p.Integer("StopFrame", &TAnimate::StopFrame, &TAnimate::SetStopFrame);
  p.Bool("Center", &TAnimate::Center, &TAnimate::SetCenter);
  p.Bool("Transparent", &TAnimate::Transparent, &TAnimate::SetTransparent);
  p.Event("OnOpen", "TNotifyEvent", &TAnimate::OnOpen);
  p.Event("OnClose", "TNotifyEvent", &TAnimate::OnClose);
  p.Event("OnStart", "TNotifyEvent", &TAnimate::OnStart);
  p.Event("OnStop", "TNotifyEvent", &TAnimate::OnStop);
}

TAnimate::TAnimate(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 100, 80);
}

TAnimate::~TAnimate() {
  if (timerRunning_ && HandleAllocated()) KillTimer(Handle(), kAnimateTimer);
}

void TAnimate::Loaded() {
  TWinControl::Loaded();
  // Active and Open were only noted while loading.
  const bool active = active_, open = open_;
  active_ = open_ = false;
  if (open || active) OpenClip();
  if (active) SetActive(true);
}

void TAnimate::OpenClip() {
  if (open_) return;
  ClipInfo info;
  if (commonAVI_ != TCommonAVI::aviNone)
    info = CommonClip();
  else if (fileName_.empty() || !ReadAviHeader(fileName_, info))
    throw EInvalidOperation("Cannot open AVI");
  frameCount_ = info.frames;
  frameWidth_ = info.width;
  frameHeight_ = info.height;
  frameInterval_ = info.intervalMs;
  open_ = true;
  startFrame_ = std::clamp(startFrame_, 1, frameCount_);
  if (stopFrame_ <= 0 || stopFrame_ > frameCount_) stopFrame_ = frameCount_;
  currentFrame_ = startFrame_;
  Invalidate();
  OnOpen(this);
}

void TAnimate::CloseClip() {
  if (!open_) return;
  Stop();
  open_ = false;
  frameCount_ = frameWidth_ = frameHeight_ = 0;
  currentFrame_ = 0;
  Invalidate();
  OnClose(this);
}

void TAnimate::SetActive(bool value) {
  if (ComponentState() & csLoading) {
    active_ = value;
    return;
  }
  if (value == active_) return;
  if (value)
    Play(startFrame_, stopFrame_, repetitions_);
  else
    Stop();
}

void TAnimate::SetOpen(bool value) {
  if (ComponentState() & csLoading) {
    open_ = value;
    return;
  }
  if (value)
    OpenClip();
  else
    CloseClip();
}

void TAnimate::SetCommonAVI(TCommonAVI value) {
  if (value == commonAVI_) return;
  CloseClip();
  commonAVI_ = value;
  if (value != TCommonAVI::aviNone) fileName_.clear();
  startFrame_ = 1;
  stopFrame_ = 0;
}

void TAnimate::SetFileName(const AnsiString& fileName) {
  if (fileName == fileName_) return;
  CloseClip();
  fileName_ = fileName;
  if (!fileName.empty()) commonAVI_ = TCommonAVI::aviNone;
  startFrame_ = 1;
  stopFrame_ = 0;
}

void TAnimate::SetRepetitions(int value) {
  repetitions_ = std::max(0, value);
}
void TAnimate::SetStartFrame(int value) {
  startFrame_ = value;
}
void TAnimate::SetStopFrame(int value) {
  stopFrame_ = value;
}

void TAnimate::SetCenter(bool value) {
  center_ = value;
  Invalidate();
}

void TAnimate::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}

void TAnimate::Play(int fromFrame, int toFrame, int count) {
  OpenClip();
  if (toFrame == 0) toFrame = frameCount_;
  if (fromFrame < 1 || toFrame > frameCount_ || fromFrame > toFrame)
    throw EInvalidOperation("Invalid frame range");
  startFrame_ = fromFrame;
  stopFrame_ = toFrame;
  repetitions_ = std::max(0, count);
  currentFrame_ = fromFrame;
  passesDone_ = 0;
  Invalidate();
  if (active_) return;  // restarted in place
  active_ = true;
  StartPlaying();
  OnStart(this);
}

void TAnimate::Stop() {
  if (!active_) return;
  StopPlaying();
  OnStop(this);
}

void TAnimate::Reset() {
  Stop();
  currentFrame_ = open_ ? startFrame_ : 0;
  Invalidate();
}

void TAnimate::Seek(int frame) {
  OpenClip();
  if (frame < 1 || frame > frameCount_) throw EInvalidOperation("Invalid frame range");
  Stop();
  currentFrame_ = frame;
  Invalidate();
}

void TAnimate::StartPlaying() {
  SetTimer(Handle(), kAnimateTimer, static_cast<UINT>(frameInterval_));
  timerRunning_ = true;
}

void TAnimate::StopPlaying() {
  if (timerRunning_) {
    KillTimer(Handle(), kAnimateTimer);
    timerRunning_ = false;
  }
  active_ = false;
}

void TAnimate::NextFrame() {
  if (currentFrame_ < stopFrame_) {
    ++currentFrame_;
  } else {
    // The last frame has been shown for its time: one pass is done.
    ++passesDone_;
    if (repetitions_ > 0 && passesDone_ >= repetitions_) {
      Stop();
      return;
    }
    currentFrame_ = startFrame_;
  }
  Invalidate();
}

void TAnimate::WndProc(TMessage& message) {
  if (message.msg == WM_TIMER && message.wParam == kAnimateTimer) {
    if (active_) NextFrame();
    return;
  }
  TWinControl::WndProc(message);
}

void TAnimate::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  FillSolid(canvas, {0, 0, w, h}, Color());
  DrawEdge(canvas, {0, 0, w, h}, TEdgeKind::SunkenOuter);
  if (!open_ || frameWidth_ <= 0 || frameHeight_ <= 0) return;
  // The clip's area (its frames carry no pictures here) and a bar showing how far it played.
  const int fw = std::min(frameWidth_, w - 4), fh = std::min(frameHeight_, h - 4);
  const int left = center_ ? (w - fw) / 2 : 2, top = center_ ? (h - fh) / 2 : 2;
  const TRect clip{left, top, left + fw, top + fh};
  FillSolid(canvas, clip, clWindow);
  DrawEdge(canvas, Inflate(clip, 1, 1), TEdgeKind::SunkenOuter);
  const int done = frameCount_ > 0 ? (clip.Width() - 4) * currentFrame_ / frameCount_ : 0;
  FillSolid(canvas, {clip.Left + 2, clip.Bottom - 6, clip.Left + 2 + done, clip.Bottom - 2},
            clHighlight);
}

}  // namespace vcl
