// The tab set: a row of tabs named by a string list, one of them selected.
#pragma once

#include <cstdint>

#include "platform/rtl/TStringList.h"
#include "platform/vcl/Controls.h"

namespace vcl {

// Asks before the selected tab changes to `newTab`; clearing the flag keeps the old tab.
using TTabChangeEvent = TEvent<TObject*, int, bool&>;

// Tabs are laid out left to right from StartMargin, starting with FirstIndex; each tab is
// (bytes of its text) * 6 + 12 pixels wide and as tall as the control. Selecting a tab (by
// TabIndex, a click or the arrow keys) asks OnChange, then runs OnClick.
class TTabSet : public TCustomControl {
  VCL_DECLARE_COMPONENT(TTabSet)
 public:
  explicit TTabSet(TComponent* owner);
  ~TTabSet() override;

  TStrings* Tabs() const { return tabs_; }
  void SetTabs(TStrings* tabs);  // copies the strings
  int TabIndex() const { return tabIndex_; }
  // -1 selects no tab; other values outside the tabs raise EListError "Tab index out of
  // bounds". Refused by OnChange: nothing changes.
  void SetTabIndex(int index);
  // The first tab shown (earlier ones are scrolled out of view).
  int FirstIndex() const { return firstIndex_; }
  void SetFirstIndex(int index);
  int StartMargin() const { return startMargin_; }
  void SetStartMargin(int value);
  int EndMargin() const { return endMargin_; }
  void SetEndMargin(int value);
  TColor SelectedColor() const { return selectedColor_; }
  void SetSelectedColor(TColor color);
  TColor UnselectedColor() const { return unselectedColor_; }
  void SetUnselectedColor(TColor color);
  TColor BackgroundColor() const { return backgroundColor_; }
  void SetBackgroundColor(TColor color);

  // The rectangle of tab `index` in client coordinates; empty for tabs scrolled out of view
  // or beyond the right margin.
  TRect ItemRect(int index) const;
  // The tab at a client point, or -1.
  int ItemAtPos(TPoint p) const;
  // Selects the next (or previous) tab, wrapping around; false when it did not change.
  bool SelectNext(bool goForward);

  bool WantsKey(std::uint16_t key, TShiftState shift) const override;
  void KeyDown(std::uint16_t& key, TShiftState shift) override;
  void Click() override;

  TTabChangeEvent OnChange;

 protected:
  virtual bool CanChange(int newIndex);
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Loaded() override;
  // The tabs hanging from a line along the top, the selected one joined to it in its colour,
  // and scroll arrows when tabs lie out of view.
  void Paint() override;

 private:
  void TabsChanged();
  TStringList* tabs_;
  int tabIndex_ = -1;
  int firstIndex_ = 0;
  int startMargin_ = 5;
  int endMargin_ = 5;
  TColor selectedColor_ = clBtnFace;
  TColor unselectedColor_ = clWindow;
  TColor backgroundColor_ = clBtnFace;
  bool pressed_ = false;    // a left press on the control
  bool releasing_ = false;  // its release is about to click
};

}  // namespace vcl
