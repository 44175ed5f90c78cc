// Buttons with glyphs: the bitmap button (a push button of a standard kind) and the speed
// button (a graphic button that can stay down, alone or in a group).
#pragma once

#include "platform/vcl/StdCtrls.h"

namespace vcl {

enum class TBitBtnKind {
  bkCustom,
  bkOK,
  bkCancel,
  bkHelp,
  bkYes,
  bkNo,
  bkClose,
  bkAbort,
  bkRetry,
  bkIgnore,
  bkAll
};
const TTypeInfo* TypeBitBtnKind();
enum class TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
const TTypeInfo* TypeButtonLayout();

// A push button with a glyph. Setting Kind sets the caption, the modal result and Default
// (OK, Yes) or Cancel (Cancel, No); Kind reads bkCustom once any of those or the glyph was
// changed afterwards.
class TBitBtn : public TButton {
  VCL_DECLARE_COMPONENT(TBitBtn)
 public:
  explicit TBitBtn(TComponent* owner);
  ~TBitBtn() override;

  TBitBtnKind Kind() const;
  void SetKind(TBitBtnKind kind);
  // The glyph bitmap, owned by the button; setting copies (nullptr empties it). A glyph whose
  // width is 1 to 4 times its height sets NumGlyphs to that number.
  TBitmap* Glyph() const { return glyph_; }
  void SetGlyph(TBitmap* glyph);
  // Images side by side in the glyph: up, disabled, clicked, down (1 to 4).
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  // Pixels between the edge and the glyph (-1: centred) and between glyph and caption.
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);

 protected:
  void Paint() override;

 private:
  TBitBtnKind kind_ = TBitBtnKind::bkCustom;
  TBitmap* glyph_;
  bool glyphModified_ = false;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
};

// A button without a window: it never takes the focus. With GroupIndex 0 it only clicks;
// with a GroupIndex a click puts it down and the other speed buttons of the same parent and
// group up. A down button of a group stays down when clicked unless AllowAllUp.
class TSpeedButton : public TGraphicControl {
  VCL_DECLARE_COMPONENT(TSpeedButton)
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  int GroupIndex() const { return groupIndex_; }
  // On joining a group the group takes this button's AllowAllUp, and puts its other buttons
  // up when this one is down.
  void SetGroupIndex(int value);
  bool Down() const { return down_; }
  // Ignored for GroupIndex 0; putting a down button up is refused unless AllowAllUp.
  void SetDown(bool value);
  // Set for every speed button of the group.
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  TBitmap* Glyph() const { return glyph_; }
  void SetGlyph(TBitmap* glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

  // A user's click: moves Down as above, then runs OnClick.
  void Click() override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;

 private:
  // The other speed buttons of this button's parent and group.
  std::vector<TSpeedButton*> GroupMates() const;
  bool mouseInside_ = false;
  bool flat_ = false;
  int groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  TBitmap* glyph_;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool transparent_ = true;
};

}  // namespace vcl
