#include "platform/vcl/Spin.h"

#include <algorithm>
#include <charconv>
#include <climits>

#include "platform/vcl/GraphUtil.h"

namespace vcl {

namespace {

// The integer in `text` (blanks around it and a leading '+' allowed); false when there is
// none or more follows.
bool ParseInteger(std::string_view text, long long& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

VCL_IMPLEMENT_COMPONENT(TSpinEdit, TCustomEdit)

void TSpinEdit::Publish(TPublisher& p) {
  p.Integer("MinValue", &TSpinEdit::MinValue, &TSpinEdit::SetMinValue);
  p.Integer("MaxValue", &TSpinEdit::MaxValue, &TSpinEdit::SetMaxValue);
  p.Integer("Value", &TSpinEdit::Value, &TSpinEdit::SetValue);
  p.Integer("Increment", &TSpinEdit::Increment, &TSpinEdit::SetIncrement);
  p.Bool("EditorEnabled", &TSpinEdit::EditorEnabled, &TSpinEdit::SetEditorEnabled);
}

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner) {
  SetBounds(0, 0, 121, 22);
  SetText("0");
}

int TSpinEdit::CheckValue(long long value) const {
  if (HasLimits()) {
    if (value < minValue_) return minValue_;
    if (value > maxValue_) return maxValue_;
  }
  if (value < INT_MIN) return INT_MIN;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

void TSpinEdit::SetMinValue(int value) {
  minValue_ = value;
}
void TSpinEdit::SetMaxValue(int value) {
  maxValue_ = value;
}

int TSpinEdit::Value() const {
  long long value = 0;
  if (!ParseInteger(GetText(), value)) return minValue_;
  return CheckValue(value);
}

void TSpinEdit::SetValue(int value) {
  SetText(std::to_string(CheckValue(value)));
}

void TSpinEdit::DoExit() {
  long long value = 0;
  if (HasLimits() && ParseInteger(GetText(), value) && CheckValue(value) != value)
    SetValue(CheckValue(value));
  TCustomEdit::DoExit();
}

bool TSpinEdit::EditKeyDown(std::uint16_t key, TShiftState shift) {
  if (key == VK_UP || key == VK_DOWN) {
    if (ReadOnly()) return false;
    const long long step = key == VK_UP ? increment_ : -static_cast<long long>(increment_);
    // Setting the text runs OnChange itself.
    SetValue(CheckValue(static_cast<long long>(Value()) + step));
    return false;
  }
  if (key == VK_DELETE && !editorEnabled_) return false;
  return TCustomEdit::EditKeyDown(key, shift);
}

bool TSpinEdit::EditChar(char c) {
  if (!editorEnabled_) return false;
  if (c != '\b' && c != '-' && !(c >= '0' && c <= '9')) return false;
  return TCustomEdit::EditChar(c);
}

void TSpinEdit::Paint() {
  constexpr int kButtonWidth = 15;
  TCanvas* c = Canvas();
  const TRect inner = PaintEdit(kButtonWidth);
  const int left = std::max(inner.Left, inner.Right - kButtonWidth);
  const int middle = inner.Top + inner.Height() / 2;
  const TColor arrow = Enabled() ? clBtnText : clGrayText;
  DrawArrow(c, DrawButtonFace(c, {left, inner.Top, inner.Right, middle}, false, false),
            TArrowDirection::Up, arrow);
  DrawArrow(c, DrawButtonFace(c, {left, middle, inner.Right, inner.Bottom}, false, false),
            TArrowDirection::Down, arrow);
}

}  // namespace vcl
