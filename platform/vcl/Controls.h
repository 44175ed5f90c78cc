// Controls: the visual component base (TControl), windowed controls with focus, keys, tab
// order and child alignment (TWinControl), and the custom and graphic bases.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/MessageQueue.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

class TWinControl;
class TCustomForm;
class TPopupMenu;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
const TTypeInfo* TypeAlign();
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
const TTypeInfo* TypeAlignment();
enum class TBiDiMode { bdLeftToRight, bdRightToLeft };

using TCursor = int;
inline constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                         crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9,
                         crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13,
                         crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17,
                         crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21,
                         crSizeAll = -22;

// Virtual key codes.
inline constexpr std::uint16_t VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10,
                               VK_CONTROL = 0x11, VK_MENU = 0x12, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                               VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
                               VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                               VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70, VK_F2 = 0x71,
                               VK_F3 = 0x72, VK_F4 = 0x73, VK_F5 = 0x74, VK_F10 = 0x79,
                               VK_F12 = 0x7B;

// Messages of the component model (beyond the system's WM_ ones).
inline constexpr UINT WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_PAINT = 0x000F,
                      WM_MOUSEMOVE = 0x0200, WM_LBUTTONDBLCLK = 0x0203, WM_RBUTTONDOWN = 0x0204,
                      WM_RBUTTONUP = 0x0205, WM_CONTEXTMENU = 0x007B, WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT CM_BASE = 0xB000;
inline constexpr UINT CM_RELEASE = CM_BASE + 33;
// Mouse message coordinates: low word x, high word y (signed 16-bit each).
constexpr LPARAM MakeMousePos(int x, int y) {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}

VCL_DECLARE_EXCEPTION(EInvalidOperation, Exception)

class TControl : public TComponent {
  VCL_DECLARE_COMPONENT(TControl)
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* parent);
  // The form the control is on (itself for a form), or nullptr.
  TCustomForm* GetParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  // The area inside the control's borders, in its own coordinates.
  virtual TRect ClientRect() const { return {0, 0, width_, height_}; }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  // Converts between this control's client coordinates and the form's.
  TPoint ClientToParentForm(TPoint p) const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible here and in every parent up to a form that is showing (or up to the top).
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);
  TFont* Font() const { return font_; }
  void SetFont(TFont* font);  // copies the font
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value);
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint) { hint_ = hint; }
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor cursor) { cursor_ = cursor; }
  // The popup menu shown on a right click (kept with free notification).
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  // The control's text: a caption for labels, buttons and forms, the content for edits.
  AnsiString GetText() const { return GetTextValue(); }
  void SetText(const AnsiString& text);
  AnsiString Caption() const { return GetText(); }
  void SetCaption(const AnsiString& caption) { SetText(caption); }

  // Runs the click event (buttons override to add their action).
  virtual void Click();
  virtual void DblClick();
  // Sends a message to this control's window procedure.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual void WndProc(TMessage& message);
  // Marks the control for repainting.
  virtual void Invalidate();
  void Repaint() { Invalidate(); }
  void BringToFront();
  void SendToBack();
  // Number of times the control was invalidated (a repaint request counter).
  int InvalidateCount() const { return invalidateCount_; }

  // The control's canvas, with the control's font. While the control paints it draws on the
  // target with (0, 0) at the control's top-left; at other times it only measures text.
  TCanvas* Canvas() const;
  // Paints the control and, for a windowed control, its visible children (controls without a
  // window first, then windowed ones, each in z-order) into `target`, with `origin` the
  // control's top-left in the target and drawing clipped to `clip` (target coordinates).
  void PaintTo(const gfx::PixelView& target, TPoint origin, const TRect& clip);
  // Paints what the control shows above the form (an open drop-down list, an open menu) on
  // Canvas(), after the whole form is painted; `clip` is the form's area. False when the
  // control shows nothing there.
  bool PaintPopupTo(const gfx::PixelView& target, TPoint origin, const TRect& clip);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnResize;

 protected:
  // Where the text is kept; edits override to keep their content.
  virtual AnsiString GetTextValue() const { return text_; }
  virtual void SetTextValue(const AnsiString& text) { text_ = text; }
  virtual void TextChanged() {}
  virtual void FontChanged();
  virtual void EnabledChanged() {}
  virtual void VisibleChanged();
  virtual void Resize();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  // Draws the control on Canvas(), which has the control's font, its colour as brush and a
  // black pen when this is called. Children are painted afterwards by PaintTo.
  virtual void Paint() {}
  // Draws what lies above the form (see PaintPopupTo); nothing by default.
  virtual bool PaintPopup() { return false; }
  // Parent property changes reach children that follow their parent.
  virtual void ParentFontChanged();
  virtual void ParentColorChanged();
  void Notification(TComponent* component, TOperation operation) override;
  // True while a left button press on this control has not been released.
  bool MouseCaptured() const { return mousePressed_; }

 private:
  friend class TWinControl;
  void FontOnChange(TObject*);
  // Popup-menu plumbing, implemented with the menus (ControlMenus.cpp).
  void SetPopupMenuComponent(TComponent* menu);
  void PopupAt(int x, int y);
  static TPopupMenu* PopupMenuOf(TComponent* menu);
  bool adoptingParentFont_ = false;
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clBtnFace;
  bool parentColor_ = false;
  TFont* font_;
  bool parentFont_ = true;
  AnsiString hint_;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TCursor cursor_ = crDefault;
  TPopupMenu* popupMenu_ = nullptr;
  TComponent* popupMenuComponent_ = nullptr;  // the same object, as a component
  AnsiString text_;
  bool mousePressed_ = false;
  int invalidateCount_ = 0;
  mutable std::unique_ptr<TCanvas> canvas_;
};

class TWinControl : public TControl {
  VCL_DECLARE_COMPONENT(TWinControl)
 public:
  explicit TWinControl(TComponent* owner);
  // Frees the child controls, then the window.
  ~TWinControl() override;

  // The window handle, created on first use and registered with the message queue.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != 0; }
  void DestroyHandle();

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  TControl* Controls(int index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // True when `control` is this control or lies inside it.
  bool ContainsControl(const TControl* control) const;
  // The visible child at a point of the client area (topmost first), or nullptr.
  TControl* ControlAtPos(TPoint p, bool allowDisabled) const;

  // Position among the parent's windowed children in tab order; -1 when there is no parent.
  int TabOrder() const;
  void SetTabOrder(int order);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value) { tabStop_ = value; }
  // Windowed children in tab order.
  std::vector<TWinControl*> TabList() const;
  // All focusable controls below this one in tab order, containers walked in place.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;

  // Visible and enabled here and up the parent chain, on a form.
  virtual bool CanFocus() const;
  bool Focused() const;
  // Moves the focus here; raises EInvalidOperation "Cannot focus a disabled or invisible
  // window" when that is not possible.
  virtual void SetFocus();
  // The next control after `current` in tab order among this control's descendants.
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // Lays out the children with an Align other than alNone.
  void AlignControls();
  void DisableAlign() { ++alignDisabled_; }
  void EnableAlign();

  void WndProc(TMessage& message) override;

  // Becomes false when the control is destroyed: lets callers notice that an event handler
  // freed it.
  std::shared_ptr<bool> AliveToken() const { return alive_; }

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

  // Run the enter and exit events; the form calls these as the focus moves.
  virtual void DoEnter();
  virtual void DoExit();

  // Key handling for a key sent to this control: the events run first; a key set to 0 is
  // consumed. Controls override to act on keys and characters.
  virtual void KeyDown(std::uint16_t& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void KeyUp(std::uint16_t& key, TShiftState shift);
  // True when the control handles this key itself instead of the form (e.g. arrows in an
  // edit or a list, Enter in a multi-line memo); Tab, arrows, Enter and Escape go to the
  // form's dialog keys otherwise.
  virtual bool WantsKey(std::uint16_t key, TShiftState shift) const;

  // A key arriving at this control as the platform delivers it: dialog keys the control does
  // not want go to the form first (Tab moves the focus, Enter and Escape click the default and
  // cancel buttons); otherwise the form sees the key first when it has key preview, then the
  // control. Returns false when the key was consumed (no character follows).
  bool DispatchKeyDown(std::uint16_t& key, TShiftState shift);
  // A dialog key of a control inside this one, offered to its containers (innermost first)
  // before the form handles it; true when used (page controls take Ctrl+Tab this way).
  virtual bool ChildDialogKey(std::uint16_t key, TShiftState shift) { return false; }
  void DispatchKeyPress(char& key);
  void DispatchKeyUp(std::uint16_t& key, TShiftState shift);

 protected:
  void VisibleChanged() override;
  void EnabledChanged() override;
  void Resize() override;
  // A windowed control can take the focus through the mouse (buttons, edits).
  virtual bool FocusOnClick() const { return tabStop_; }

 private:
  friend class TControl;
  HWND handle_ = 0;
  std::vector<TControl*> controls_;  // children in z-order (first is bottom)
  std::vector<TWinControl*> tabList_;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool aligning_ = false;
  std::shared_ptr<bool> alive_;  // cleared on destruction; guards queued window procedures
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
  VCL_DECLARE_COMPONENT(TCustomControl)
 public:
  explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
};

// A control without a window of its own (labels, speed buttons); its parent's window
// passes it the mouse.
class TGraphicControl : public TControl {
  VCL_DECLARE_COMPONENT(TGraphicControl)
 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

// The form that contains `control` (or the control itself when it is a form).
TCustomForm* GetParentForm(const TControl* control);

// The type of popup-menu properties ("TPopupMenu").
const TTypeInfo* TypePopupMenu();

}  // namespace vcl
