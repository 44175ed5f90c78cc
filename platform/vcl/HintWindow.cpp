#include "platform/vcl/HintWindow.h"

#include <algorithm>
#include <utility>

#include "platform/vcl/Forms.h"

namespace vcl {

namespace {

constexpr int kCursorHeight = 20;  // the hint starts this far below the mouse

// Keeps the hint showing and forgets it when its control or form is freed.
class HintKeeper : public TComponent {
 public:
  HintKeeper() : TComponent(nullptr) {}

  void Show(TControl* control, THintInfo info) {
    Cancel();
    control_ = control;
    info_ = std::move(info);
    control_->FreeNotification(this);
    info_.form->FreeNotification(this);
    showing_ = true;
  }

  void Cancel() {
    if (!showing_) return;
    showing_ = false;
    RemoveFreeNotification(control_);
    RemoveFreeNotification(info_.form);
    control_ = nullptr;
    info_ = {};
  }

  const THintInfo* Active() const { return showing_ ? &info_ : nullptr; }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && showing_ &&
        (component == control_ || component == info_.form))
      Cancel();
  }

 private:
  bool showing_ = false;
  TControl* control_ = nullptr;
  THintInfo info_;
};

// Lives as long as the process, as the application and screen objects do.
HintKeeper& Keeper() {
  static HintKeeper* keeper = new HintKeeper;
  return *keeper;
}

const TFont* HintFontOr(const TFont* font) {
  return font ? font : Screen()->HintFont();
}

}  // namespace

AnsiString GetShortHint(const AnsiString& hint) {
  const size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(0, bar);
}

AnsiString GetLongHint(const AnsiString& hint) {
  const size_t bar = hint.find('|');
  return bar == AnsiString::npos ? hint : hint.substr(bar + 1);
}

void ActivateHint(TControl* control, TPoint pos) {
  TCustomForm* form = control ? control->GetParentForm() : nullptr;
  const AnsiString text = control ? GetShortHint(control->Hint()) : AnsiString();
  if (!form || text.empty() || !control->ShowHint() || !Application()->ShowHint()) {
    CancelHint();
    return;
  }
  const TPoint at = control->ClientToParentForm(pos);
  TRect rect = CalcHintRect(text, nullptr, Screen()->Width());
  rect = {at.X, at.Y + kCursorHeight, at.X + rect.Width(), at.Y + kCursorHeight + rect.Height()};
  Keeper().Show(control, {form, rect, text});
}

void CancelHint() {
  Keeper().Cancel();
}

const THintInfo* ActiveHint() {
  return Keeper().Active();
}

TRect CalcHintRect(const AnsiString& text, const TFont* font, int maxWidth) {
  TCanvas canvas;
  canvas.Font()->Assign(HintFontOr(font));
  // Frame and margins: 3 pixels each side across, 2 down.
  TRect r{0, 0, std::max(1, maxWidth - 6), 0};
  canvas.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return {0, 0, r.Width() + 6, r.Height() + 4};
}

void PaintHintWindow(TCanvas* canvas, const TRect& rect, const AnsiString& text,
                     const TFont* font) {
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(clInfoBk);
  canvas->FillRect(rect);
  canvas->Brush()->SetColor(clBlack);
  canvas->FrameRect(rect);
  canvas->Font()->Assign(HintFontOr(font));
  canvas->Font()->SetColor(clInfoText);
  TRect textRect{rect.Left + 3, rect.Top + 2, rect.Right - 3, rect.Bottom - 2};
  canvas->DrawText(text, textRect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace vcl
