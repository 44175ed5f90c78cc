#include "platform/vcl/ExtCtrls.h"

#include <algorithm>

#include <cmath>

#include "platform/rtl/MessageQueue.h"
#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

const TTypeInfo* TypeBevelCut() {
  static const TTypeInfo* type =
      MakeEnumType("TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
  return type;
}

const TTypeInfo* TypeResizeStyle() {
  static const TTypeInfo* type =
      MakeEnumType("TResizeStyle", {"rsNone", "rsLine", "rsUpdate", "rsPattern"});
  return type;
}

const TTypeInfo* TypeBevelShape() {
  static const TTypeInfo* type = MakeEnumType(
      "TBevelShape",
      {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"});
  return type;
}

const TTypeInfo* TypeBevelStyle() {
  static const TTypeInfo* type = MakeEnumType("TBevelStyle", {"bsLowered", "bsRaised"});
  return type;
}

const TTypeInfo* TypeShapeType() {
  static const TTypeInfo* type = MakeEnumType(
      "TShapeType",
      {"stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle"});
  return type;
}

// ---------------------------------------------------------------------------------------
// TPanel

VCL_IMPLEMENT_COMPONENT(TPanel, TCustomControl)

void TPanel::Publish(TPublisher& p) {
  p.String("Caption", &TPanel::Caption, &TPanel::SetCaption);
  p.Enum("Alignment", TypeAlignment(), &TPanel::Alignment, &TPanel::SetAlignment);
  p.Enum("BevelInner", TypeBevelCut(), &TPanel::BevelInner, &TPanel::SetBevelInner);
  p.Enum("BevelOuter", TypeBevelCut(), &TPanel::BevelOuter, &TPanel::SetBevelOuter);
  p.Integer("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth);
  p.Integer("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth);
  p.Enum("BorderStyle", TypeBorderStyle(), &TPanel::BorderStyle, &TPanel::SetBorderStyle);
  p.Bool("FullRepaint", &TPanel::FullRepaint, &TPanel::SetFullRepaint);
  p.Bool("Locked", &TPanel::Locked, &TPanel::SetLocked);
}

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TPanel::SetBevelInner(TBevelCut value) {
  if (bevelInner_ == value) return;
  bevelInner_ = value;
  FrameChanged();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  if (bevelOuter_ == value) return;
  bevelOuter_ = value;
  FrameChanged();
}

void TPanel::SetBevelWidth(int value) {
  value = std::max(1, value);
  if (bevelWidth_ == value) return;
  bevelWidth_ = value;
  FrameChanged();
}

void TPanel::SetBorderWidth(int value) {
  value = std::max(0, value);
  if (borderWidth_ == value) return;
  borderWidth_ = value;
  FrameChanged();
}

void TPanel::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  FrameChanged();
}

int TPanel::FrameWidth() const {
  int width = borderWidth_;
  if (borderStyle_ == TBorderStyle::bsSingle) width += 1;
  if (bevelOuter_ != TBevelCut::bvNone) width += bevelWidth_;
  if (bevelInner_ != TBevelCut::bvNone) width += bevelWidth_;
  return width;
}

TRect TPanel::ClientRect() const {
  const int f = FrameWidth();
  // A panel smaller than its frame has an empty client area at the frame's inner corner.
  return {f, f, std::max(f, Width() - f), std::max(f, Height() - f)};
}

void TPanel::FrameChanged() {
  AlignControls();
  Invalidate();
}

void TPanel::Paint() {
  TCanvas* c = Canvas();
  TRect r{0, 0, Width(), Height()};
  c->FillRect(r);
  if (borderStyle_ == TBorderStyle::bsSingle) Frame3D(c, r, clWindowFrame, clWindowFrame, 1);
  auto bevel = [&](TBevelCut cut) {
    switch (cut) {
      case TBevelCut::bvRaised:
        Frame3D(c, r, clBtnHighlight, clBtnShadow, bevelWidth_);
        break;
      case TBevelCut::bvLowered:
        Frame3D(c, r, clBtnShadow, clBtnHighlight, bevelWidth_);
        break;
      case TBevelCut::bvSpace:
        Frame3D(c, r, Color(), Color(), bevelWidth_);
        break;
      case TBevelCut::bvNone:
        break;
    }
  };
  bevel(bevelOuter_);
  Frame3D(c, r, Color(), Color(), borderWidth_);
  bevel(bevelInner_);
  unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
  if (alignment_ == TAlignment::taCenter)
    flags |= DT_CENTER;
  else if (alignment_ == TAlignment::taRightJustify)
    flags |= DT_RIGHT;
  DrawControlText(c, GetText(), r, flags, Enabled());
}

// ---------------------------------------------------------------------------------------
// TSplitter

VCL_IMPLEMENT_COMPONENT(TSplitter, TGraphicControl)

void TSplitter::Publish(TPublisher& p) {
  p.Integer("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize);
  p.Bool("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled);
  p.Enum("ResizeStyle", TypeResizeStyle(), &TSplitter::ResizeStyle, &TSplitter::SetResizeStyle);
  p.Bool("AutoSnap", &TSplitter::AutoSnap, &TSplitter::SetAutoSnap);
  p.Event("OnMoved", "TNotifyEvent", &TSplitter::OnMoved);
  p.Event("OnCanResize", "TCanResizeEvent", &TSplitter::OnCanResize);
}

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(TAlign::alLeft);
  SetCursor(crHSplit);
}

void TSplitter::SetBeveled(bool value) {
  if (beveled_ == value) return;
  beveled_ = value;
  Invalidate();
}

bool TSplitter::Horizontal() const {
  return Align() == TAlign::alLeft || Align() == TAlign::alRight;
}

int TSplitter::SizeOf(const TControl* c) const {
  return Horizontal() ? c->Width() : c->Height();
}

int TSplitter::AxisPos(int x, int y) const {
  return Horizontal() ? Left() + x : Top() + y;
}

TControl* TSplitter::FindResizeControl() const {
  TWinControl* parent = Parent();
  if (!parent) return nullptr;
  // A point just outside the splitter, on the side of the control it resizes.
  TPoint p{Left(), Top()};
  switch (Align()) {
    case TAlign::alLeft:
      --p.X;
      break;
    case TAlign::alRight:
      p.X += Width();
      break;
    case TAlign::alTop:
      --p.Y;
      break;
    case TAlign::alBottom:
      p.Y += Height();
      break;
    default:
      return nullptr;
  }
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    if (c == this || !c->Visible() || !c->Enabled() || c->Align() != Align()) continue;
    TRect r = c->BoundsRect();
    // A control collapsed to nothing is still found at its edge.
    if (r.Width() == 0) {
      if (Align() == TAlign::alLeft)
        --r.Left;
      else
        ++r.Right;
    }
    if (r.Height() == 0) {
      if (Align() == TAlign::alTop)
        --r.Top;
      else
        ++r.Bottom;
    }
    if (r.Contains(p)) return c;
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft || Dragging()) return;
  TControl* control = FindResizeControl();
  if (!control) return;
  // The largest size leaves MinSize for the parent's unaligned rest.
  const TWinControl* parent = Parent();
  int max = (Horizontal() ? parent->ClientWidth() : parent->ClientHeight()) - minSize_;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    const TControl* c = parent->Controls(i);
    if (!c->Visible()) continue;
    const bool sameAxis = Horizontal()
                              ? (c->Align() == TAlign::alLeft || c->Align() == TAlign::alRight)
                              : (c->Align() == TAlign::alTop || c->Align() == TAlign::alBottom);
    if (sameAxis) max -= SizeOf(c);
  }
  max += SizeOf(control);
  control_ = control;
  control_->FreeNotification(this);
  downPos_ = AxisPos(x, y);
  startSize_ = SizeOf(control);
  maxSize_ = max;
  pendingSize_ = -1;
}

bool TSplitter::CalcNewSize(int pos, int& newSize) {
  const int delta = pos - downPos_;
  const bool grows = Align() == TAlign::alLeft || Align() == TAlign::alTop;
  const int wanted = startSize_ + (grows ? delta : -delta);
  newSize = wanted < minSize_ ? minSize_ : std::min(wanted, maxSize_);
  bool accept = true;
  OnCanResize(this, newSize, accept);
  if (!accept) return false;
  if (autoSnap_ && wanted < minSize_) newSize = 0;
  return true;
}

void TSplitter::ApplySize(int newSize) {
  if (!control_ || newSize == SizeOf(control_)) return;
  TControl* c = control_;
  switch (Align()) {
    case TAlign::alLeft:
      c->SetWidth(newSize);
      break;
    case TAlign::alTop:
      c->SetHeight(newSize);
      break;
    // Right and bottom neighbours keep their outer edge.
    case TAlign::alRight:
      c->SetBounds(c->Left() + c->Width() - newSize, c->Top(), newSize, c->Height());
      break;
    case TAlign::alBottom:
      c->SetBounds(c->Left(), c->Top() + c->Height() - newSize, c->Width(), newSize);
      break;
    default:
      return;
  }
  OnMoved(this);
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!Dragging()) return;
  int newSize = 0;
  if (!CalcNewSize(AxisPos(x, y), newSize)) return;
  if (resizeStyle_ == TResizeStyle::rsUpdate) {
    ApplySize(newSize);
  } else {
    pendingSize_ = newSize;
    Invalidate();  // the drag line is shown at the pending size
  }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (button != TMouseButton::mbLeft || !Dragging()) return;
  int newSize = 0;
  const bool accepted = CalcNewSize(AxisPos(x, y), newSize);
  if (!accepted && pendingSize_ >= 0) newSize = pendingSize_;
  if (accepted || pendingSize_ >= 0) ApplySize(newSize);
  StopDrag();
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  const TRect r{0, 0, Width(), Height()};
  c->FillRect(r);
  if (beveled_) DrawEdge(c, r, TEdgeKind::RaisedOuter);
}

void TSplitter::StopDrag() {
  // The free-notification link stays: other parts may share it.
  control_ = nullptr;
  pendingSize_ = -1;
}

void TSplitter::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == control_) {
    control_ = nullptr;
    pendingSize_ = -1;
  }
}

// ---------------------------------------------------------------------------------------
// TTimer

namespace {
constexpr std::uintptr_t kTimerId = 1;
}

TTimerEventProperty& TTimerEventProperty::operator=(const TNotifyEvent& handler) {
  TNotifyEvent::operator=(handler);
  timer_->UpdateTimer();
  return *this;
}

VCL_IMPLEMENT_COMPONENT(TTimer, TComponent)

void TTimer::Publish(TPublisher& p) {
  p.Bool("Enabled", &TTimer::Enabled, &TTimer::SetEnabled);
  p.Integer("Interval", &TTimer::Interval, &TTimer::SetInterval, TypeCardinal());
  // Through the property, so that setting the handler starts the timer.
  TPropInfo onTimer;
  onTimer.Name = "OnTimer";
  static const TTypeInfo* notifyType =
      MakeMethodType("TNotifyEvent", TNotifyEvent::SignatureType());
  onTimer.PropType = notifyType;
  onTimer.GetMethod = [](TObject* o) { return static_cast<TTimer*>(o)->OnTimer.Method(); };
  onTimer.SetMethod = [](TObject* o, const TMethod& m) {
    static_cast<TTimer*>(o)->OnTimer = TNotifyEvent::FromMethod(m);
  };
  p.Add(std::move(onTimer));
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  handle_ = AllocateHWnd([this](TMessage& m) -> LRESULT {
    if (m.msg == WM_TIMER && m.wParam == kTimerId) Timer();
    return 0;
  });
}

TTimer::~TTimer() {
  running_ = false;
  DeallocateHWnd(handle_);  // drops the timer and any pending WM_TIMER
}

void TTimer::SetEnabled(bool value) {
  if (enabled_ == value) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(int value) {
  if (value < 0) value = 0;
  if (interval_ == value) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (running_) {
    KillTimer(handle_, kTimerId);
    running_ = false;
  }
  if (enabled_ && interval_ > 0 && OnTimer && !(ComponentState() & csDesigning))
    running_ = SetTimer(handle_, kTimerId, static_cast<UINT>(interval_));
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::Timer() {
  if (enabled_) OnTimer(this);
}

// ---------------------------------------------------------------------------------------
// TRadioGroup

VCL_IMPLEMENT_COMPONENT(TRadioGroup, TCustomControl)

void TRadioGroup::Publish(TPublisher& p) {
  p.String("Caption", &TRadioGroup::Caption, &TRadioGroup::SetCaption);
  p.Object("Items", &TRadioGroup::Items, &TRadioGroup::SetItems);
  p.Integer("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex);
  p.Integer("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns);
}

TRadioGroup::TRadioGroup(TComponent* owner) : TCustomControl(owner), items_(new TStringList) {
  SetBounds(0, 0, 185, 105);
  items_->OnChange = [this] { ItemsChanged(); };
}

TRadioGroup::~TRadioGroup() {
  items_->OnChange = nullptr;
  // The buttons call back into the group: free them while it is whole.
  while (!buttons_.empty()) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  delete items_;
}

void TRadioGroup::SetItems(TStrings* items) {
  if (items) items_->Assign(*items);
}

TRadioButton* TRadioGroup::Buttons(int index) const {
  if (index < 0 || index >= ButtonCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return buttons_[static_cast<size_t>(index)];
}

void TRadioGroup::SetItemIndex(int index) {
  if (index < -1) index = -1;
  if (index >= ButtonCount()) index = ButtonCount() - 1;
  if (index == itemIndex_) return;
  if (itemIndex_ >= 0) {
    updating_ = true;
    buttons_[static_cast<size_t>(itemIndex_)]->SetChecked(false);
    updating_ = false;
  }
  itemIndex_ = index;
  // Checking the button runs its click, which runs the group's OnClick.
  if (index >= 0) buttons_[static_cast<size_t>(index)]->SetChecked(true);
}

void TRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, 16);
  if (columns_ == value) return;
  columns_ = value;
  ArrangeButtons();
  Invalidate();
}

void TRadioGroup::ItemsChanged() {
  if (itemIndex_ >= items_->Count()) itemIndex_ = items_->Count() - 1;
  UpdateButtons();
}

void TRadioGroup::UpdateButtons() {
  updating_ = true;
  const auto count = static_cast<size_t>(items_->Count());
  while (buttons_.size() > count) {
    delete buttons_.back();
    buttons_.pop_back();
  }
  while (buttons_.size() < count) {
    auto* button = new TRadioButton(nullptr);
    button->OnClick = MethodOf<&TRadioGroup::ButtonClick>(this);
    button->SetEnabled(Enabled());
    // The buttons show on the group's colour.
    button->SetParentColor(true);
    button->SetParent(this);
    buttons_.push_back(button);
  }
  for (size_t i = 0; i < count; ++i) {
    buttons_[i]->SetCaption(items_->Get(static_cast<int>(i)));
    buttons_[i]->SetChecked(static_cast<int>(i) == itemIndex_);
  }
  updating_ = false;
  ArrangeButtons();
  Invalidate();
}

void TRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  const int count = ButtonCount();
  const int perColumn = (count + columns_ - 1) / columns_;
  const TRect client = ClientRect();
  constexpr int kCaptionHeight = 16, kMargin = 8;
  const int buttonWidth = std::max(1, (client.Width() - 2 * kMargin) / columns_);
  const int buttonHeight = std::max(1, (client.Height() - kCaptionHeight - 4) / perColumn);
  for (int i = 0; i < count; ++i) {
    const int column = i / perColumn, row = i % perColumn;
    buttons_[static_cast<size_t>(i)]->SetBounds(client.Left + kMargin + column * buttonWidth,
                                                client.Top + kCaptionHeight + row * buttonHeight,
                                                buttonWidth, buttonHeight);
  }
}

void TRadioGroup::ButtonClick(TObject* sender) {
  if (updating_) return;
  auto it = std::find(buttons_.begin(), buttons_.end(), sender);
  if (it == buttons_.end() || !(*it)->Checked()) return;
  itemIndex_ = static_cast<int>(it - buttons_.begin());
  Click();
}

void TRadioGroup::Resize() {
  TCustomControl::Resize();
  ArrangeButtons();
}

void TRadioGroup::EnabledChanged() {
  TCustomControl::EnabledChanged();
  for (TRadioButton* button : buttons_) button->SetEnabled(Enabled());
}

void TRadioGroup::Paint() {
  PaintGroupFrame(Canvas(), {0, 0, Width(), Height()}, GetText(), Color(), Enabled());
}

// ---------------------------------------------------------------------------------------
// TImage

VCL_IMPLEMENT_COMPONENT(TImage, TGraphicControl)

void TImage::Publish(TPublisher& p) {
  p.Object("Picture", &TImage::Picture, &TImage::SetPicture);
  p.Bool("Stretch", &TImage::Stretch, &TImage::SetStretch);
  p.Bool("Proportional", &TImage::Proportional, &TImage::SetProportional);
  p.Bool("Center", &TImage::Center, &TImage::SetCenter);
  p.Bool("Transparent", &TImage::Transparent, &TImage::SetTransparent);
  p.Bool("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TBitmap) {
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = MethodOf<&TImage::PictureChanged>(this);
}

TImage::~TImage() {
  delete picture_;
}

void TImage::SetPicture(TBitmap* picture) {
  if (picture == picture_) return;
  if (picture)
    picture_->Assign(picture);
  else
    picture_->SetSize(0, 0);
  PictureChanged(picture_);
}

void TImage::PictureChanged(TObject*) {
  if (autoSize_ && !picture_->Empty())
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (stretch_ == value) return;
  stretch_ = value;
  Invalidate();
}

void TImage::SetProportional(bool value) {
  if (proportional_ == value) return;
  proportional_ = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  if (center_ == value) return;
  center_ = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Invalidate();
}

void TImage::SetAutoSize(bool value) {
  autoSize_ = value;
  if (value) PictureChanged(picture_);
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  const int cw = ClientWidth(), ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      const double aspect = double(w) / h;
      if (w > h) {
        w = cw;
        h = int(cw / aspect);
        if (h > ch) {
          h = ch;
          w = int(ch * aspect);
        }
      } else {
        h = ch;
        w = int(ch * aspect);
        if (w > cw) {
          w = cw;
          h = int(cw / aspect);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r{0, 0, w, h};
  if (center_) {
    const int dx = (cw - w) / 2, dy = (ch - h) / 2;
    r = {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
  }
  return r;
}

void TImage::Paint() {
  // Without a picture the parent shows through.
  if (picture_->Empty()) return;
  TCanvas* c = Canvas();
  if (transparent_ == picture_->Transparent()) {
    c->StretchDraw(DestRect(), picture_);
    return;
  }
  // The image's Transparent decides, whatever the picture says.
  TBitmap shown;
  shown.Assign(picture_);
  shown.SetTransparent(transparent_);
  c->StretchDraw(DestRect(), &shown);
}

// ---------------------------------------------------------------------------------------
// TBevel, TShape

VCL_IMPLEMENT_COMPONENT(TBevel, TGraphicControl)

void TBevel::Publish(TPublisher& p) {
  p.Enum("Shape", TypeBevelShape(), &TBevel::Shape, &TBevel::SetShape);
  p.Enum("Style", TypeBevelStyle(), &TBevel::Style, &TBevel::SetStyle);
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
  if (shape_ == value) return;
  shape_ = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (style_ == value) return;
  style_ = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* c = Canvas();
  const bool lowered = style_ == TBevelStyle::bsLowered;
  // The first colour goes above and left, the second below and right.
  const TColor first = lowered ? clBtnShadow : clBtnHighlight;
  const TColor second = lowered ? clBtnHighlight : clBtnShadow;
  const int w = Width(), h = Height();
  auto lines = [&](const TRect& a, const TRect& b) {
    c->Brush()->SetColor(first);
    c->FillRect(a);
    c->Brush()->SetColor(second);
    c->FillRect(b);
  };
  switch (shape_) {
    case TBevelShape::bsBox: {
      TRect r{0, 0, w, h};
      Frame3D(c, r, first, second, 1);
      break;
    }
    case TBevelShape::bsFrame:
      DrawEdge(c, {0, 0, w, h}, lowered ? TEdgeKind::Etched : TEdgeKind::Bump);
      break;
    case TBevelShape::bsTopLine:
      lines({0, 0, w, 1}, {0, 1, w, 2});
      break;
    case TBevelShape::bsBottomLine:
      lines({0, h - 2, w, h - 1}, {0, h - 1, w, h});
      break;
    case TBevelShape::bsLeftLine:
      lines({0, 0, 1, h}, {1, 0, 2, h});
      break;
    case TBevelShape::bsRightLine:
      lines({w - 2, 0, w - 1, h}, {w - 1, 0, w, h});
      break;
    case TBevelShape::bsSpacer:
      break;
  }
}

VCL_IMPLEMENT_COMPONENT(TShape, TGraphicControl)

void TShape::Publish(TPublisher& p) {
  p.Enum("Shape", TypeShapeType(), &TShape::Shape, &TShape::SetShape);
  p.Integer("BrushColor", &TShape::BrushColor, &TShape::SetBrushColor, TypeColor());
  p.Integer("PenColor", &TShape::PenColor, &TShape::SetPenColor, TypeColor());
  p.Integer("PenWidth", &TShape::PenWidth, &TShape::SetPenWidth);
}

TShape::TShape(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 65);
}

void TShape::SetShape(TShapeType value) {
  if (shape_ == value) return;
  shape_ = value;
  Invalidate();
}

void TShape::SetBrushColor(TColor value) {
  if (brushColor_ == value) return;
  brushColor_ = value;
  Invalidate();
}

void TShape::SetPenColor(TColor value) {
  if (penColor_ == value) return;
  penColor_ = value;
  Invalidate();
}

void TShape::SetPenWidth(int value) {
  value = std::max(0, value);
  if (penWidth_ == value) return;
  penWidth_ = value;
  Invalidate();
}

TRect TShape::ShapeRect() const {
  // The pen is centred on the outline, so the shape is inset by half of it.
  int x = penWidth_ / 2, y = x;
  int w = Width() - penWidth_ + 1, h = Height() - penWidth_ + 1;
  if (penWidth_ == 0) {
    --w;
    --h;
  }
  w = std::max(0, w);
  h = std::max(0, h);
  if (shape_ == TShapeType::stSquare || shape_ == TShapeType::stRoundSquare ||
      shape_ == TShapeType::stCircle) {
    const int side = std::min(w, h);
    x += (w - side) / 2;
    y += (h - side) / 2;
    w = h = side;
  }
  return {x, y, x + w, y + h};
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->SetColor(penColor_);
  c->Pen()->SetWidth(std::max(1, penWidth_));
  c->Pen()->SetStyle(penWidth_ == 0 ? TPenStyle::psClear : TPenStyle::psSolid);
  c->Brush()->SetColor(brushColor_);
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  const TRect r = ShapeRect();
  switch (shape_) {
    case TShapeType::stRectangle:
    case TShapeType::stSquare:
      c->Rectangle(r);
      break;
    case TShapeType::stRoundRect:
    case TShapeType::stRoundSquare: {
      // Corners of a quarter of the shorter side, as arcs of eight steps.
      const double radius = std::min(r.Width(), r.Height()) / 4.0;
      const double left = r.Left + radius, right = r.Right - 1 - radius;
      const double top = r.Top + radius, bottom = r.Bottom - 1 - radius;
      const struct {
        double x, y, from;
      } corners[] = {
          {right, top, -M_PI / 2}, {right, bottom, 0}, {left, bottom, M_PI / 2}, {left, top, M_PI}};
      std::vector<TPoint> points;
      for (const auto& corner : corners)
        for (int step = 0; step <= 8; ++step) {
          const double a = corner.from + step * (M_PI / 2) / 8;
          points.push_back({static_cast<int>(std::lround(corner.x + radius * std::cos(a))),
                            static_cast<int>(std::lround(corner.y + radius * std::sin(a)))});
        }
      c->Polygon(points);
      break;
    }
    case TShapeType::stEllipse:
    case TShapeType::stCircle:
      c->Ellipse(r);
      break;
  }
}

}  // namespace vcl
