#include "platform/vcl/Tabs.h"

#include <algorithm>

#include "platform/vcl/GraphUtil.h"

namespace vcl {

namespace {

// A tab's width: its caption in the control's font and a margin.
int TabTextWidth(const TControl* control, const AnsiString& text) {
  return control->Canvas()->TextWidth(text) + 12;
}

}  // namespace

VCL_IMPLEMENT_COMPONENT(TTabSet, TCustomControl)

void TTabSet::Publish(TPublisher& p) {
  p.Object("Tabs", &TTabSet::Tabs, &TTabSet::SetTabs);
  p.Integer("TabIndex", &TTabSet::TabIndex, &TTabSet::SetTabIndex);
  p.Integer("StartMargin", &TTabSet::StartMargin, &TTabSet::SetStartMargin);
  p.Integer("EndMargin", &TTabSet::EndMargin, &TTabSet::SetEndMargin);
  p.Integer("SelectedColor", &TTabSet::SelectedColor, &TTabSet::SetSelectedColor, TypeColor());
  p.Integer("UnselectedColor", &TTabSet::UnselectedColor, &TTabSet::SetUnselectedColor,
            TypeColor());
  p.Integer("BackgroundColor", &TTabSet::BackgroundColor, &TTabSet::SetBackgroundColor,
            TypeColor());
  p.Event("OnChange", "TTabChangeEvent", &TTabSet::OnChange);
}

TTabSet::TTabSet(TComponent* owner) : TCustomControl(owner), tabs_(new TStringList) {
  tabs_->OnChange = [this] { TabsChanged(); };
  SetBounds(0, 0, 185, 21);
}

TTabSet::~TTabSet() {
  tabs_->OnChange = nullptr;
  delete tabs_;
}

void TTabSet::SetTabs(TStrings* tabs) {
  if (tabs)
    tabs_->Assign(*tabs);
  else
    tabs_->Clear();
}

void TTabSet::TabsChanged() {
  const int count = tabs_->Count();
  if (tabIndex_ >= count) tabIndex_ = count - 1;
  if (firstIndex_ >= count) firstIndex_ = std::max(0, count - 1);
  Invalidate();
}

void TTabSet::SetTabIndex(int index) {
  if (index == tabIndex_) return;
  if (ComponentState() & csLoading) {
    // The tabs may not be read yet; Loaded checks the value.
    tabIndex_ = index;
    return;
  }
  if (index < -1 || index >= tabs_->Count()) throw EListError("Tab index out of bounds");
  if (!CanChange(index)) return;
  tabIndex_ = index;
  // Keep the selected tab in view.
  if (index >= 0 && index < firstIndex_) firstIndex_ = index;
  if (index >= 0 && Width() > 0) {
    while (firstIndex_ < index && ItemRect(index).Width() == 0) ++firstIndex_;
  }
  Invalidate();
  TCustomControl::Click();
}

void TTabSet::Loaded() {
  TCustomControl::Loaded();
  if (tabIndex_ < -1 || tabIndex_ >= tabs_->Count()) tabIndex_ = -1;
}

bool TTabSet::CanChange(int newIndex) {
  bool allow = true;
  OnChange(this, newIndex, allow);
  return allow;
}

void TTabSet::SetFirstIndex(int index) {
  const int count = tabs_->Count();
  index = std::clamp(index, 0, std::max(0, count - 1));
  if (index == firstIndex_) return;
  firstIndex_ = index;
  Invalidate();
}

void TTabSet::SetStartMargin(int value) {
  startMargin_ = std::max(0, value);
  Invalidate();
}

void TTabSet::SetEndMargin(int value) {
  endMargin_ = std::max(0, value);
  Invalidate();
}

void TTabSet::SetSelectedColor(TColor color) {
  selectedColor_ = color;
  Invalidate();
}

void TTabSet::SetUnselectedColor(TColor color) {
  unselectedColor_ = color;
  Invalidate();
}

void TTabSet::SetBackgroundColor(TColor color) {
  backgroundColor_ = color;
  Invalidate();
}

TRect TTabSet::ItemRect(int index) const {
  if (index < firstIndex_ || index >= tabs_->Count()) return {};
  int x = startMargin_;
  for (int i = firstIndex_; i < index; ++i) x += TabTextWidth(this, tabs_->Get(i));
  const int right = x + TabTextWidth(this, tabs_->Get(index));
  // A tab that would cross the end margin is not shown (the first one always is).
  if (index > firstIndex_ && right > Width() - endMargin_) return {};
  return {x, 0, right, Height()};
}

int TTabSet::ItemAtPos(TPoint p) const {
  for (int i = firstIndex_; i < tabs_->Count(); ++i) {
    const TRect r = ItemRect(i);
    if (r.Width() == 0) break;
    if (r.Contains(p)) return i;
  }
  return -1;
}

bool TTabSet::SelectNext(bool goForward) {
  const int count = tabs_->Count();
  if (count == 0) return false;
  int next;
  if (tabIndex_ < 0)
    next = goForward ? 0 : count - 1;
  else
    next = (tabIndex_ + (goForward ? 1 : count - 1)) % count;
  if (next == tabIndex_) return false;
  const int before = tabIndex_;
  SetTabIndex(next);
  return tabIndex_ != before;
}

bool TTabSet::WantsKey(std::uint16_t key, TShiftState shift) const {
  return key == VK_LEFT || key == VK_RIGHT || TCustomControl::WantsKey(key, shift);
}

void TTabSet::KeyDown(std::uint16_t& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_LEFT || key == VK_RIGHT) {
    const bool forward = key == VK_RIGHT;
    key = 0;
    SelectNext(forward);
  }
}

void TTabSet::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  releasing_ = false;
  pressed_ = button == TMouseButton::mbLeft;
  if (button != TMouseButton::mbLeft) return;
  const int index = ItemAtPos({x, y});
  if (index >= 0) SetTabIndex(index);
}

void TTabSet::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  // Selecting the tab on the press ran the click event already: the click that follows
  // this release is not repeated.
  releasing_ = pressed_ && button == TMouseButton::mbLeft && ClientRect().Contains({x, y});
  pressed_ = false;
}

void TTabSet::Paint() {
  TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  canvas->Brush()->SetColor(backgroundColor_);
  canvas->FillRect({0, 0, w, h});
  canvas->Brush()->SetColor(cl3DDkShadow);
  canvas->FillRect({0, 0, w, 1});
  int last = firstIndex_ - 1;
  while (last + 1 < tabs_->Count() && ItemRect(last + 1).Width() > 0) ++last;
  // Slanted tabs below the line; the selected one last, over its neighbours.
  std::vector<int> order;
  for (int i = firstIndex_; i <= last; ++i)
    if (i != tabIndex_) order.push_back(i);
  if (tabIndex_ >= firstIndex_ && tabIndex_ <= last) order.push_back(tabIndex_);
  canvas->Pen()->SetColor(cl3DDkShadow);
  for (int i : order) {
    const TRect r = ItemRect(i);
    const bool selected = i == tabIndex_;
    canvas->Brush()->SetColor(selected ? selectedColor_ : unselectedColor_);
    canvas->Polygon({{r.Left, 0}, {r.Left + 4, h - 2}, {r.Right - 4, h - 2}, {r.Right, 0}});
    if (selected) canvas->FillRect({r.Left + 1, 0, r.Right, 1});
    // Captions may use the whole width: the slanted sides leave room at mid-height.
    const TRect text{r.Left + 1, 1, r.Right - 1, h - 2};
    canvas->Font()->SetColor(Font()->GetColor());
    DrawControlText(canvas, tabs_->Get(i), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled());
    if (selected && Focused())
      canvas->DrawFocusRect({text.Left + 3, text.Top + 1, text.Right - 3, text.Bottom - 1});
  }
  // Tabs out of view on either side: the arrows that scroll them.
  if (firstIndex_ == 0 && last == tabs_->Count() - 1) return;
  const int b = 16, bottom = std::min(h - 1, b + 1);
  const TColor arrow = Enabled() ? clBtnText : clGrayText;
  DrawArrow(canvas, DrawButtonFace(canvas, {w - 2 * b, 1, w - b, bottom}, false, false),
            TArrowDirection::Left, firstIndex_ > 0 ? arrow : clGrayText);
  DrawArrow(canvas, DrawButtonFace(canvas, {w - b, 1, w, bottom}, false, false),
            TArrowDirection::Right, last < tabs_->Count() - 1 ? arrow : clGrayText);
}

void TTabSet::Click() {
  if (releasing_) {
    releasing_ = false;
    return;
  }
  TCustomControl::Click();
}

}  // namespace vcl
