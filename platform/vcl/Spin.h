// Spin edits: an edit holding an integer that Up and Down step within limits.
#pragma once

#include "platform/vcl/StdCtrls.h"

namespace vcl {

// Limits apply when MinValue and MaxValue differ (both 0: none). Value reads the text (text
// that is no number reads as MinValue) within the limits; setting it writes the text. Up and
// Down step by Increment; typing takes digits and '-' only (nothing when EditorEnabled is
// off). Leaving the control puts an out-of-range text back within the limits.
class TSpinEdit : public TCustomEdit {
  VCL_DECLARE_COMPONENT(TSpinEdit)
 public:
  explicit TSpinEdit(TComponent* owner);

  int MinValue() const { return minValue_; }
  void SetMinValue(int value);
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int value);
  int Value() const;
  void SetValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value; }
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool value) { editorEnabled_ = value; }

  void DoExit() override;

 protected:
  bool EditKeyDown(std::uint16_t key, TShiftState shift) override;
  bool EditChar(char c) override;
  // The edit with the up and down buttons at its right.
  void Paint() override;

 private:
  bool HasLimits() const { return minValue_ != maxValue_; }
  int CheckValue(long long value) const;
  int minValue_ = 0;
  int maxValue_ = 0;
  int increment_ = 1;
  bool editorEnabled_ = true;
};

}  // namespace vcl
