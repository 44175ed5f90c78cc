// Extra controls: panels with bevels, splitters that resize their neighbour, timers driven
// by the message queue, radio groups, images, bevels and shapes.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/TStringList.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
const TTypeInfo* TypeBevelCut();

// A container with a caption, an outer and an inner bevel and a border between them. The
// client area (where aligned children go) lies inside the frame, the bevels and the border.
class TPanel : public TCustomControl {
  VCL_DECLARE_COMPONENT(TPanel)
 public:
  explicit TPanel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);  // at least 1
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);  // at least 0
  // bsSingle adds a one-pixel frame outside the bevels.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  bool FullRepaint() const { return fullRepaint_; }
  void SetFullRepaint(bool value) { fullRepaint_ = value; }
  bool Locked() const { return locked_; }
  void SetLocked(bool value) { locked_ = value; }

  // Width of the frame on each side: frame + outer bevel + border + inner bevel.
  int FrameWidth() const;
  TRect ClientRect() const override;

 protected:
  void TextChanged() override { Invalidate(); }
  void Paint() override;

 private:
  // The frame changed: children are laid out again.
  void FrameChanged();
  TAlignment alignment_ = TAlignment::taCenter;
  TBevelCut bevelInner_ = TBevelCut::bvNone;
  TBevelCut bevelOuter_ = TBevelCut::bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = TBorderStyle::bsNone;
  bool fullRepaint_ = true;
  bool locked_ = false;
};

enum class TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
const TTypeInfo* TypeResizeStyle();
// Asked before a splitter resizes its neighbour: the new size may be changed, or refused.
using TCanResizeEvent = TEvent<TObject*, int&, bool&>;

// A bar between an aligned control and the rest of its parent. Dragging it (left button
// press, moves, release) resizes the control aligned the same way that lies just before it
// (to its left for alLeft, above it for alTop, ...). The new size stays at least MinSize and
// leaves at least MinSize for the rest of the parent; with AutoSnap a size below MinSize
// collapses the control to 0. rsUpdate resizes while dragging; the other styles when the
// button is released.
class TSplitter : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TSplitter)
 public:
  explicit TSplitter(TComponent* owner);

  int MinSize() const { return minSize_; }
  void SetMinSize(int value) { minSize_ = value < 1 ? 1 : value; }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool value);
  TResizeStyle ResizeStyle() const { return resizeStyle_; }
  void SetResizeStyle(TResizeStyle value) { resizeStyle_ = value; }
  bool AutoSnap() const { return autoSnap_; }
  void SetAutoSnap(bool value) { autoSnap_ = value; }
  // True between a press that found a neighbour and the release.
  bool Dragging() const { return control_ != nullptr; }

  // The control the splitter resizes, or nullptr.
  TControl* FindResizeControl() const;

  TNotifyEvent OnMoved;
  TCanResizeEvent OnCanResize;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;

 private:
  bool Horizontal() const;  // true for alLeft/alRight: sizes are widths
  // The mouse position along the resizing axis, in the parent's client coordinates.
  int AxisPos(int x, int y) const;
  int SizeOf(const TControl* c) const;
  // The size for the mouse at `pos`, clamped; false when OnCanResize refused it.
  bool CalcNewSize(int pos, int& newSize);
  void ApplySize(int newSize);
  void StopDrag();
  int minSize_ = 30;
  bool beveled_ = false;
  TResizeStyle resizeStyle_ = TResizeStyle::rsPattern;
  bool autoSnap_ = true;
  TControl* control_ = nullptr;  // the neighbour being resized
  int downPos_ = 0;
  int startSize_ = 0;
  int maxSize_ = 0;
  int pendingSize_ = -1;
};

class TTimer;

// Assigning a timer's OnTimer starts or stops the timer as needed (the event behaves as a
// TNotifyEvent otherwise).
class TTimerEventProperty : public TNotifyEvent {
 public:
  explicit TTimerEventProperty(TTimer* timer) : timer_(timer) {}
  TTimerEventProperty(const TTimerEventProperty&) = delete;
  TTimerEventProperty& operator=(const TNotifyEvent& handler);
  TTimerEventProperty& operator=(const TTimerEventProperty& other) {
    return *this = static_cast<const TNotifyEvent&>(other);
  }

 private:
  TTimer* timer_;
};

// Runs OnTimer every Interval milliseconds through the message queue (the queue must be
// pumped: Application()->ProcessMessages, the message loop, or WaitMessage with
// ProcessMessages). It runs only while Enabled, Interval > 0 and OnTimer is assigned.
class TTimer : public TComponent {
  VCL_DECLARE_COMPONENT(TTimer)
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; changing it restarts the interval.
  int Interval() const { return interval_; }
  void SetInterval(int value);
  // True while the timer is set in the message queue.
  bool Running() const { return running_; }

  TTimerEventProperty OnTimer{this};

 protected:
  // Runs OnTimer.
  virtual void Timer();
  void Loaded() override;

 private:
  friend class TTimerEventProperty;
  void UpdateTimer();
  HWND handle_ = 0;
  bool enabled_ = true;
  int interval_ = 1000;
  bool running_ = false;
};

// A framed group of radio buttons, one per line of Items, laid out in Columns. ItemIndex is
// the checked button (-1 for none); checking a button, by the user or by setting ItemIndex,
// runs OnClick.
class TRadioGroup : public TCustomControl {
  VCL_DECLARE_COMPONENT(TRadioGroup)
 public:
  explicit TRadioGroup(TComponent* owner);
  ~TRadioGroup() override;

  TStrings* Items() const { return items_; }
  void SetItems(TStrings* items);  // copies the lines
  // -1 for none; values past the last item select the last one, values below -1 none.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  int Columns() const { return columns_; }
  void SetColumns(int value);  // 1 to 16
  // The button of item `index`; raises EListError "List index out of bounds (<index>)".
  TRadioButton* Buttons(int index) const;
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }

 protected:
  void Resize() override;
  void EnabledChanged() override;
  // The group's frame and caption; the buttons paint themselves.
  void Paint() override;

 private:
  void ItemsChanged();
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClick(TObject* sender);
  TStringList* items_;
  std::vector<TRadioButton*> buttons_;
  int itemIndex_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

// A picture (a bitmap owned by the image) with the rectangle it is drawn into.
class TImage : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TImage)
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TBitmap* Picture() const { return picture_; }
  void SetPicture(TBitmap* picture);  // copies the bitmap; nullptr empties it
  TBitmap* Bitmap() const { return picture_; }
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  // The image sizes itself to its picture.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);

  // Where the picture is drawn in the client area: stretched to it (keeping the aspect with
  // Proportional), centred, or at the top left in its own size.
  TRect DestRect() const;

 protected:
  void Paint() override;

 private:
  void PictureChanged(TObject*);
  TBitmap* picture_;
  bool stretch_ = false;
  bool proportional_ = false;
  bool center_ = false;
  bool transparent_ = false;
  bool autoSize_ = false;
};

enum class TBevelShape {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
const TTypeInfo* TypeBevelShape();
enum class TBevelStyle { bsLowered, bsRaised };
const TTypeInfo* TypeBevelStyle();

// A lowered or raised box, frame or line.
class TBevel : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TBevel)
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = TBevelShape::bsBox;
  TBevelStyle style_ = TBevelStyle::bsLowered;
};

enum class TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
const TTypeInfo* TypeShapeType();

// A geometric shape filled with the brush colour and outlined with the pen.
class TShape : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TShape)
 public:
  explicit TShape(TComponent* owner);
  TShapeType Shape() const { return shape_; }
  void SetShape(TShapeType value);
  TColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TColor value);
  TColor PenColor() const { return penColor_; }
  void SetPenColor(TColor value);
  int PenWidth() const { return penWidth_; }
  void SetPenWidth(int value);  // at least 0

  // The rectangle the shape is drawn in: the client area, or for the square and circle
  // shapes the largest centred square.
  TRect ShapeRect() const;

 protected:
  void Paint() override;

 private:
  TShapeType shape_ = TShapeType::stRectangle;
  TColor brushColor_ = clWhite;
  TColor penColor_ = clBlack;
  int penWidth_ = 1;
};

}  // namespace vcl
