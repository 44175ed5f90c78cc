#include "platform/vcl/Controls.h"

#include <algorithm>

#include "platform/vcl/Forms.h"

namespace vcl {

namespace {

const TTypeInfo* TypeAlignImpl() {
  static const TTypeInfo* type =
      MakeEnumType("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"});
  return type;
}

bool IsDialogKey(std::uint16_t key) {
  switch (key) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_RETURN:
    case VK_ESCAPE:
      return true;
    default:
      return false;
  }
}

TPoint MousePos(LPARAM lParam) {
  return {static_cast<std::int16_t>(lParam & 0xFFFF),
          static_cast<std::int16_t>((lParam >> 16) & 0xFFFF)};
}

// The control that holds the mouse between a left button press and its release: moves and
// the release go to it wherever the mouse is.
TControl* g_mouseCapture = nullptr;

// Shift state from the key flags of a mouse message.
TShiftState ShiftOf(WPARAM flags) {
  TShiftState shift = 0;
  if (flags & 0x01) shift |= ssLeft;
  if (flags & 0x02) shift |= ssRight;
  if (flags & 0x04) shift |= ssShift;
  if (flags & 0x08) shift |= ssCtrl;
  if (flags & 0x10) shift |= ssMiddle;
  return shift;
}

bool IsMouseMessage(UINT msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK ||
         msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP || msg == WM_MOUSEMOVE;
}

}  // namespace

const TTypeInfo* TypeAlign() {
  return TypeAlignImpl();
}

const TTypeInfo* TypeAlignment() {
  static const TTypeInfo* type =
      MakeEnumType("TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"});
  return type;
}

// ---------------------------------------------------------------------------------------
// TControl

VCL_IMPLEMENT_COMPONENT(TControl, TComponent)

void TControl::Publish(TPublisher& p) {
  p.Integer("Left", &TControl::Left, &TControl::SetLeft);
  p.Integer("Top", &TControl::Top, &TControl::SetTop);
  p.Integer("Width", &TControl::Width, &TControl::SetWidth);
  p.Integer("Height", &TControl::Height, &TControl::SetHeight);
  p.Enum("Align", TypeAlign(), &TControl::Align, &TControl::SetAlign);
  p.Bool("Visible", &TControl::Visible, &TControl::SetVisible);
  p.Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled);
  p.Integer("Color", &TControl::Color, &TControl::SetColor, TypeColor());
  p.Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
  p.Object("Font", &TControl::Font, &TControl::SetFont);
  p.Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
  p.String("Hint", &TControl::Hint, &TControl::SetHint);
  p.Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
  p.Bool("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint);
  p.Integer("Cursor", &TControl::Cursor, &TControl::SetCursor, TypeCursor());
  TPropInfo popup;
  popup.Name = "PopupMenu";
  popup.PropType = TypePopupMenu();
  popup.GetObj = [](TObject* o) -> TObject* {
    return static_cast<TControl*>(o)->popupMenuComponent_;
  };
  popup.SetObj = [](TObject* o, TObject* v) {
    auto* control = static_cast<TControl*>(o);
    if (!v) {
      control->SetPopupMenu(nullptr);
      return;
    }
    if (!v->InheritsFrom(TypePopupMenu()->ClassType))
      throw EPropertyConvertError("Invalid property value");
    control->SetPopupMenuComponent(static_cast<TComponent*>(v));
  };
  p.Add(std::move(popup));
  p.Event("OnClick", "TNotifyEvent", &TControl::OnClick);
  p.Event("OnDblClick", "TNotifyEvent", &TControl::OnDblClick);
  p.Event("OnMouseDown", "TMouseEvent", &TControl::OnMouseDown);
  p.Event("OnMouseUp", "TMouseEvent", &TControl::OnMouseUp);
  p.Event("OnMouseMove", "TMouseMoveEvent", &TControl::OnMouseMove);
  p.Event("OnResize", "TNotifyEvent", &TControl::OnResize);
}

TControl::TControl(TComponent* owner) : TComponent(owner), font_(new TFont) {
  font_->OnChange = MethodOf<&TControl::FontOnChange>(this);
}

TControl::~TControl() {
  SetComponentState(csDestroying);
  if (g_mouseCapture == this) g_mouseCapture = nullptr;
  if (parent_) parent_->RemoveControl(this);
  delete font_;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent) {
    for (TWinControl* p = parent; p; p = p->Parent())
      if (p == this) throw EInvalidOperation("A control cannot have itself as its parent");
  }
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

TCustomForm* TControl::GetParentForm() const {
  return vcl::GetParentForm(this);
}

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* c = control;
  while (c && c->Parent()) c = c->Parent();
  return c ? dynamic_cast<TCustomForm*>(const_cast<TControl*>(c)) : nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool resized = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (resized) Resize();
  if (parent_ && align_ != TAlign::alNone) parent_->AlignControls();
  Invalidate();
}

TPoint TControl::ClientToParentForm(TPoint p) const {
  for (const TControl* c = this; c && c->parent_; c = c->parent_) {
    p.X += c->left_;
    p.Y += c->top_;
  }
  return p;
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  if (parent_) {
    if (align_ != TAlign::alNone) parent_->AlignControls();
    parent_->Invalidate();
  }
}

bool TControl::Showing() const {
  if (!visible_) return false;
  if (parent_) return parent_->Showing();
  return dynamic_cast<const TCustomForm*>(this) != nullptr;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  EnabledChanged();
  Invalidate();
}

void TControl::SetColor(TColor color) {
  parentColor_ = false;
  if (color == color_) return;
  color_ = color;
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < self->ControlCount(); ++i) self->Controls(i)->ParentColorChanged();
  }
  Invalidate();
}

void TControl::SetParentColor(bool value) {
  parentColor_ = value;
  if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!parentColor_ || !parent_) return;
  SetColor(parent_->Color());
  parentColor_ = true;
}

void TControl::SetFont(TFont* font) {
  if (font) font_->Assign(font);
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  adoptingParentFont_ = true;
  font_->Assign(parent_->Font());
  adoptingParentFont_ = false;
}

void TControl::FontOnChange(TObject*) {
  if (!adoptingParentFont_) parentFont_ = false;
  FontChanged();
}

void TControl::FontChanged() {
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < self->ControlCount(); ++i) self->Controls(i)->ParentFontChanged();
  }
  Invalidate();
}

void TControl::SetShowHint(bool value) {
  parentShowHint_ = false;
  showHint_ = value;
  if (auto* self = dynamic_cast<TWinControl*>(this)) {
    for (int i = 0; i < self->ControlCount(); ++i) {
      TControl* child = self->Controls(i);
      if (child->parentShowHint_) {
        child->SetShowHint(value);
        child->parentShowHint_ = true;
      }
    }
  }
}

void TControl::SetParentShowHint(bool value) {
  parentShowHint_ = value;
  if (value && parent_) {
    SetShowHint(parent_->ShowHint());
    parentShowHint_ = true;
  }
}

void TControl::SetPopupMenuComponent(TComponent* menu) {
  if (menu == popupMenuComponent_) return;
  // The old menu's link stays: free-notification links are shared by both sides, and the
  // menu may rely on it (it remembers the control it popped up for).
  popupMenuComponent_ = menu;
  popupMenu_ = menu ? PopupMenuOf(menu) : nullptr;
  if (menu) menu->FreeNotification(this);
}

void TControl::SetText(const AnsiString& text) {
  if (text == GetTextValue()) return;
  SetTextValue(text);
  TextChanged();
  Invalidate();
}

void TControl::Click() {
  OnClick(this);
}
void TControl::DblClick() {
  OnDblClick(this);
}

void TControl::Resize() {
  OnResize(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{0, msg, wParam, lParam};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (!IsMouseMessage(m.msg) || !enabled_) return;
  const TPoint p = MousePos(m.lParam);
  const TShiftState shift = ShiftOf(m.wParam);
  switch (m.msg) {
    case WM_LBUTTONDOWN:
      mousePressed_ = true;
      g_mouseCapture = this;
      MouseDown(TMouseButton::mbLeft, shift | ssLeft, p.X, p.Y);
      break;
    case WM_LBUTTONUP: {
      const bool wasPressed = mousePressed_;
      mousePressed_ = false;
      if (g_mouseCapture == this) g_mouseCapture = nullptr;
      MouseUp(TMouseButton::mbLeft, shift, p.X, p.Y);
      // Last: a click may free the control.
      if (wasPressed && TRect{0, 0, width_, height_}.Contains(p)) Click();
      break;
    }
    case WM_LBUTTONDBLCLK:
      DblClick();
      break;
    case WM_RBUTTONDOWN:
      MouseDown(TMouseButton::mbRight, shift | ssRight, p.X, p.Y);
      break;
    case WM_RBUTTONUP:
      MouseUp(TMouseButton::mbRight, shift, p.X, p.Y);
      if (popupMenu_) PopupAt(p.X, p.Y);
      break;
    case WM_MOUSEMOVE:
      MouseMove(shift, p.X, p.Y);
      break;
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseUp(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  OnMouseMove(this, shift, x, y);
}

void TControl::Invalidate() {
  ++invalidateCount_;
  if (TPresentation* presentation = GetPresentation()) presentation->Invalidated(*this);
}

TCanvas* TControl::Canvas() const {
  if (!canvas_) canvas_ = std::make_unique<TCanvas>();
  // Measuring outside painting uses the control's current font.
  if (!canvas_->HasTarget()) canvas_->Font()->Assign(font_);
  return canvas_.get();
}

namespace {

// Binds a control's canvas to the target for one paint, with fresh drawing tools.
class PaintScope {
 public:
  PaintScope(TCanvas* canvas, const gfx::PixelView& target, TPoint origin, const TRect& clip,
             const TFont* font, TColor color)
      : canvas_(canvas) {
    canvas_->SetTarget(target, origin, clip);
    canvas_->Font()->Assign(font);
    canvas_->Brush()->SetColor(color);
    canvas_->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas_->Pen()->SetColor(clBlack);
    canvas_->Pen()->SetStyle(TPenStyle::psSolid);
    canvas_->Pen()->SetWidth(1);
    canvas_->SetCopyMode(SRCCOPY);
  }
  ~PaintScope() { canvas_->ClearTarget(); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

 private:
  TCanvas* canvas_;
};

}  // namespace

void TControl::PaintTo(const gfx::PixelView& target, TPoint origin, const TRect& clip) {
  const TRect own =
      IntersectRect(clip, {origin.X, origin.Y, origin.X + width_, origin.Y + height_});
  if (own.Width() <= 0 || own.Height() <= 0 || target.Empty()) return;
  Canvas();
  {
    PaintScope scope(canvas_.get(), target, origin, own, font_, color_);
    Paint();
  }
  auto* self = dynamic_cast<TWinControl*>(this);
  if (!self) return;
  // Controls without a window are part of their parent's surface; windowed ones lie above.
  for (int pass = 0; pass < 2; ++pass)
    for (TControl* child : self->controls_) {
      const bool windowed = dynamic_cast<TWinControl*>(child) != nullptr;
      if (windowed != (pass == 1) || !child->Visible()) continue;
      child->PaintTo(target, {origin.X + child->left_, origin.Y + child->top_}, own);
    }
}

bool TControl::PaintPopupTo(const gfx::PixelView& target, TPoint origin, const TRect& clip) {
  if (target.Empty()) return false;
  Canvas();
  PaintScope scope(canvas_.get(), target, origin, clip, font_, color_);
  return PaintPopup();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.push_back(this);
  parent_->Invalidate();
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  list.erase(std::find(list.begin(), list.end(), this));
  list.insert(list.begin(), this);
  parent_->Invalidate();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opRemove && component == popupMenuComponent_) {
    popupMenuComponent_ = nullptr;
    popupMenu_ = nullptr;
  }
}

// ---------------------------------------------------------------------------------------
// TWinControl

VCL_IMPLEMENT_COMPONENT(TWinControl, TControl)

void TWinControl::Publish(TPublisher& p) {
  p.Integer("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
  p.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
  p.Event("OnEnter", "TNotifyEvent", &TWinControl::OnEnter);
  p.Event("OnExit", "TNotifyEvent", &TWinControl::OnExit);
  p.Event("OnKeyDown", "TKeyEvent", &TWinControl::OnKeyDown);
  p.Event("OnKeyPress", "TKeyPressEvent", &TWinControl::OnKeyPress);
  p.Event("OnKeyUp", "TKeyEvent", &TWinControl::OnKeyUp);
}

TWinControl::TWinControl(TComponent* owner)
    : TControl(owner), alive_(std::make_shared<bool>(true)) {}

TWinControl::~TWinControl() {
  SetComponentState(csDestroying);
  *alive_ = false;
  if (TCustomForm* form = GetParentForm()) form->DefocusControl(this);
  // Child controls go with their parent; each removes itself from this list.
  while (!controls_.empty()) controls_.back()->Free();
  DestroyHandle();
}

HWND TWinControl::Handle() {
  if (!handle_) {
    std::shared_ptr<bool> alive = alive_;
    handle_ = AllocateHWnd([this, alive](TMessage& m) -> LRESULT {
      if (!*alive) return 0;
      WndProc(m);
      return m.Result;
    });
  }
  return handle_;
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  DeallocateHWnd(handle_);
  handle_ = 0;
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  if (!control || control->parent_ == this) return;
  control->parent_ = this;
  controls_.push_back(control);
  if (auto* win = dynamic_cast<TWinControl*>(control)) tabList_.push_back(win);
  control->ParentFontChanged();
  control->ParentColorChanged();
  if (control->parentShowHint_) {
    control->SetShowHint(ShowHint());
    control->parentShowHint_ = true;
  }
  if (control->Align() != TAlign::alNone) AlignControls();
  Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  if (auto* win = dynamic_cast<TWinControl*>(control)) {
    if (TCustomForm* form = GetParentForm()) form->DefocusControl(win);
    std::erase(tabList_, win);
  }
  control->mousePressed_ = false;
  controls_.erase(std::find(controls_.begin(), controls_.end(), control));
  control->parent_ = nullptr;
  if (control->Align() != TAlign::alNone && !(ComponentState() & csDestroying)) AlignControls();
  Invalidate();
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p)) return c;
  }
  return nullptr;
}

int TWinControl::TabOrder() const {
  if (!Parent()) return -1;
  const auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!Parent()) return;
  auto& list = Parent()->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (order < 0 || order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
  list.insert(list.begin() + order, this);
}

std::vector<TWinControl*> TWinControl::TabList() const {
  return tabList_;
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm();
  if (!form) return false;
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const {
  TCustomForm* form = GetParentForm();
  return form && form->ActiveControl() == this && Screen()->ActiveForm() == form;
}

void TWinControl::SetFocus() {
  TCustomForm* form = GetParentForm();
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (form == this) {
    form->BringToForeground();
    return;
  }
  form->SetFocusedControl(this);
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  const int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), current);
  int start =
      found == list.end() ? (goForward ? count - 1 : 0) : static_cast<int>(found - list.begin());
  int i = start;
  do {
    if (goForward) {
      if (++i == count) i = 0;
    } else {
      if (i == 0) i = count;
      --i;
    }
    TWinControl* c = list[static_cast<size_t>(i)];
    if (c != current && c->CanFocus() && (!checkTabStop || c->TabStop()) &&
        (!checkParent || c->Parent() == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
    next->SetFocus();
}

void TWinControl::EnableAlign() {
  if (alignDisabled_ > 0 && --alignDisabled_ == 0) AlignControls();
}

void TWinControl::AlignControls() {
  if (alignDisabled_ > 0 || aligning_ || (ComponentState() & csDestroying)) return;
  aligning_ = true;
  TRect rest = ClientRect();
  auto place = [&](TAlign align) {
    std::vector<TControl*> group;
    for (TControl* c : controls_)
      if (c->Align() == align && c->Visible()) group.push_back(c);
    // Controls keep the order of their current positions along the aligned edge.
    std::stable_sort(group.begin(), group.end(), [align](TControl* a, TControl* b) {
      switch (align) {
        case TAlign::alTop:
          return a->Top() < b->Top();
        case TAlign::alBottom:
          return a->Top() + a->Height() > b->Top() + b->Height();
        case TAlign::alLeft:
          return a->Left() < b->Left();
        case TAlign::alRight:
          return a->Left() + a->Width() > b->Left() + b->Width();
        default:
          return false;
      }
    });
    for (TControl* c : group) {
      switch (align) {
        case TAlign::alTop:
          c->SetBounds(rest.Left, rest.Top, rest.Width(), c->Height());
          rest.Top = std::min(rest.Bottom, rest.Top + c->Height());
          break;
        case TAlign::alBottom:
          c->SetBounds(rest.Left, rest.Bottom - c->Height(), rest.Width(), c->Height());
          rest.Bottom = std::max(rest.Top, rest.Bottom - c->Height());
          break;
        case TAlign::alLeft:
          c->SetBounds(rest.Left, rest.Top, c->Width(), rest.Height());
          rest.Left = std::min(rest.Right, rest.Left + c->Width());
          break;
        case TAlign::alRight:
          c->SetBounds(rest.Right - c->Width(), rest.Top, c->Width(), rest.Height());
          rest.Right = std::max(rest.Left, rest.Right - c->Width());
          break;
        case TAlign::alClient:
          c->SetBounds(rest.Left, rest.Top, rest.Width(), rest.Height());
          break;
        case TAlign::alNone:
          break;
      }
    }
  };
  place(TAlign::alTop);
  place(TAlign::alBottom);
  place(TAlign::alLeft);
  place(TAlign::alRight);
  place(TAlign::alClient);
  aligning_ = false;
}

void TWinControl::Resize() {
  TControl::Resize();
  AlignControls();
}

void TWinControl::VisibleChanged() {
  TControl::VisibleChanged();
  if (!Visible()) {
    if (TCustomForm* form = GetParentForm(); form && form != this) form->DefocusControl(this);
  }
}

void TWinControl::EnabledChanged() {
  TControl::EnabledChanged();
  if (!Enabled()) {
    if (TCustomForm* form = GetParentForm(); form && form != this) form->DefocusControl(this);
  }
}

void TWinControl::DoEnter() {
  OnEnter(this);
}
void TWinControl::DoExit() {
  OnExit(this);
}

void TWinControl::KeyDown(std::uint16_t& key, TShiftState shift) {
  OnKeyDown(this, key, shift);
}
void TWinControl::KeyPress(char& key) {
  OnKeyPress(this, key);
}
void TWinControl::KeyUp(std::uint16_t& key, TShiftState shift) {
  OnKeyUp(this, key, shift);
}

bool TWinControl::WantsKey(std::uint16_t, TShiftState) const {
  return false;
}

bool TWinControl::DispatchKeyDown(std::uint16_t& key, TShiftState shift) {
  TCustomForm* form = GetParentForm();
  std::shared_ptr<bool> alive = alive_;
  if (form && IsDialogKey(key) && !WantsKey(key, shift) && form->DialogKey(key, shift)) {
    key = 0;
    return false;
  }
  if (!*alive) return false;
  const bool alnum = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
  if (form && (shift & ssAlt) && !(shift & ssCtrl) && alnum &&
      form->DialogChar(static_cast<char>(key))) {
    key = 0;
    return false;
  }
  if (form && form != this && form->KeyPreview()) {
    form->KeyDown(key, shift);
    if (key == 0 || !*alive) return false;
  }
  KeyDown(key, shift);
  return key != 0;
}

void TWinControl::DispatchKeyPress(char& key) {
  TCustomForm* form = GetParentForm();
  std::shared_ptr<bool> alive = alive_;
  if (form && form != this && form->KeyPreview()) {
    form->KeyPress(key);
    if (key == 0 || !*alive) return;
  }
  KeyPress(key);
}

void TWinControl::DispatchKeyUp(std::uint16_t& key, TShiftState shift) {
  TCustomForm* form = GetParentForm();
  std::shared_ptr<bool> alive = alive_;
  if (form && form != this && form->KeyPreview()) {
    form->KeyUp(key, shift);
    if (key == 0 || !*alive) return;
  }
  KeyUp(key, shift);
}

void TWinControl::WndProc(TMessage& m) {
  if (IsMouseMessage(m.msg)) {
    if (!Enabled()) return;
    const TPoint p = MousePos(m.lParam);
    // A child holding the mouse gets moves and the release; otherwise the control under the
    // mouse gets the message, in its own coordinates.
    TControl* target = nullptr;
    if (g_mouseCapture && g_mouseCapture != this && ContainsControl(g_mouseCapture) &&
        (m.msg == WM_MOUSEMOVE || m.msg == WM_LBUTTONUP))
      target = g_mouseCapture;
    else
      target = ControlAtPos(p, false);
    if (target) {
      TPoint origin{0, 0};
      for (const TControl* c = target; c && c != this; c = c->Parent()) {
        origin.X += c->Left();
        origin.Y += c->Top();
      }
      TMessage forwarded = m;
      forwarded.lParam = MakeMousePos(p.X - origin.X, p.Y - origin.Y);
      target->WndProc(forwarded);
      m.Result = forwarded.Result;
      return;
    }
    if (m.msg == WM_LBUTTONDOWN && FocusOnClick() && CanFocus() && !Focused()) {
      std::shared_ptr<bool> alive = alive_;
      TCustomForm* form = GetParentForm();
      form->SetFocusedControl(this);
      // An exit handler that kept the focus elsewhere cancels the press.
      if (!*alive || form->ActiveControl() != this) return;
    }
    TControl::WndProc(m);
    return;
  }
  switch (m.msg) {
    case WM_KEYDOWN: {
      auto key = static_cast<std::uint16_t>(m.wParam);
      DispatchKeyDown(key, static_cast<TShiftState>(m.lParam & 0xFF));
      break;
    }
    case WM_CHAR: {
      char c = static_cast<char>(m.wParam);
      DispatchKeyPress(c);
      break;
    }
    case WM_KEYUP: {
      auto key = static_cast<std::uint16_t>(m.wParam);
      DispatchKeyUp(key, static_cast<TShiftState>(m.lParam & 0xFF));
      break;
    }
    case WM_SETFOCUS:
      if (CanFocus()) SetFocus();
      break;
    case WM_PAINT:
      Invalidate();
      break;
    default:
      TControl::WndProc(m);
  }
}

VCL_IMPLEMENT_COMPONENT(TCustomControl, TWinControl)
void TCustomControl::Publish(TPublisher&) {}

VCL_IMPLEMENT_COMPONENT(TGraphicControl, TControl)
void TGraphicControl::Publish(TPublisher&) {}

}  // namespace vcl
