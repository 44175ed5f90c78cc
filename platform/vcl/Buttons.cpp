#include "platform/vcl/Buttons.h"

#include <algorithm>

#include "platform/vcl/Forms.h"

namespace vcl {

namespace {

struct KindInfo {
  const char* caption;
  int modalResult;
};

KindInfo InfoOf(TBitBtnKind kind) {
  switch (kind) {
    case TBitBtnKind::bkOK:
      return {"OK", mrOk};
    case TBitBtnKind::bkCancel:
      return {"Cancel", mrCancel};
    case TBitBtnKind::bkHelp:
      return {"&Help", mrNone};
    case TBitBtnKind::bkYes:
      return {"&Yes", mrYes};
    case TBitBtnKind::bkNo:
      return {"&No", mrNo};
    case TBitBtnKind::bkClose:
      return {"&Close", mrNone};
    case TBitBtnKind::bkAbort:
      return {"Abort", mrAbort};
    case TBitBtnKind::bkRetry:
      return {"&Retry", mrRetry};
    case TBitBtnKind::bkIgnore:
      return {"&Ignore", mrIgnore};
    case TBitBtnKind::bkAll:
      return {"&All", mrAll};
    default:
      return {"", mrNone};
  }
}

bool IsDefaultKind(TBitBtnKind kind) {
  return kind == TBitBtnKind::bkOK || kind == TBitBtnKind::bkYes;
}
bool IsCancelKind(TBitBtnKind kind) {
  return kind == TBitBtnKind::bkCancel || kind == TBitBtnKind::bkNo;
}

// Copies `source` into `glyph` (empties it for nullptr).
void CopyGlyph(TBitmap* glyph, const TBitmap* source) {
  if (source) {
    glyph->Assign(source);
  } else {
    const TBitmap empty;
    glyph->Assign(&empty);
  }
}

// A glyph made of 1 to 4 square-ish images side by side gives the number of images.
int GlyphCount(const TBitmap* glyph, int current) {
  if (glyph->Height() <= 0 || glyph->Width() % glyph->Height() != 0) return current;
  const int count = glyph->Width() / glyph->Height();
  return count >= 1 && count <= 4 ? count : current;
}

}  // namespace

const TTypeInfo* TypeBitBtnKind() {
  static const TTypeInfo* type =
      MakeEnumType("TBitBtnKind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo",
                                   "bkClose", "bkAbort", "bkRetry", "bkIgnore", "bkAll"});
  return type;
}

const TTypeInfo* TypeButtonLayout() {
  static const TTypeInfo* type =
      MakeEnumType("TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
  return type;
}

// ---------------------------------------------------------------------------------------
// TBitBtn

VCL_IMPLEMENT_COMPONENT(TBitBtn, TButton)

void TBitBtn::Publish(TPublisher& p) {
  p.Enum("Kind", TypeBitBtnKind(), &TBitBtn::Kind, &TBitBtn::SetKind);
  p.Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
  p.Integer("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs);
  p.Enum("Layout", TypeButtonLayout(), &TBitBtn::Layout, &TBitBtn::SetLayout);
  p.Integer("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin);
  p.Integer("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing);
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(new TBitmap) {}

TBitBtn::~TBitBtn() {
  delete glyph_;
}

TBitBtnKind TBitBtn::Kind() const {
  if (kind_ == TBitBtnKind::bkCustom) return kind_;
  // A changed property makes the button a custom one.
  if (Default() != IsDefaultKind(kind_) || Cancel() != IsCancelKind(kind_) ||
      ModalResult() != InfoOf(kind_).modalResult || glyphModified_)
    return TBitBtnKind::bkCustom;
  return kind_;
}

void TBitBtn::SetKind(TBitBtnKind kind) {
  if (kind == Kind()) return;
  if (kind != TBitBtnKind::bkCustom) {
    SetDefault(IsDefaultKind(kind));
    SetCancel(IsCancelKind(kind));
    // A form file's own caption wins over the kind's.
    if (!(ComponentState() & csLoading) || GetText().empty()) SetCaption(InfoOf(kind).caption);
    SetModalResult(InfoOf(kind).modalResult);
    CopyGlyph(glyph_, nullptr);
    glyphModified_ = false;
  }
  kind_ = kind;
  Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* glyph) {
  CopyGlyph(glyph_, glyph);
  numGlyphs_ = GlyphCount(glyph_, numGlyphs_);
  glyphModified_ = glyph != nullptr;
  Invalidate();
}

void TBitBtn::SetNumGlyphs(int value) {
  numGlyphs_ = std::clamp(value, 1, 4);
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
  layout_ = value;
  Invalidate();
}

void TBitBtn::SetMargin(int value) {
  margin_ = value < -1 ? -1 : value;
  Invalidate();
}

void TBitBtn::SetSpacing(int value) {
  spacing_ = value;
  Invalidate();
}

// ---------------------------------------------------------------------------------------
// TSpeedButton

VCL_IMPLEMENT_COMPONENT(TSpeedButton, TGraphicControl)

void TSpeedButton::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
  p.Integer("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex);
  p.Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp);
  p.Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown);
  p.Object("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
  p.Integer("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs);
  p.Enum("Layout", TypeButtonLayout(), &TSpeedButton::Layout, &TSpeedButton::SetLayout);
  p.Integer("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin);
  p.Integer("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing);
  p.Bool("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent);
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(new TBitmap) {
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() {
  delete glyph_;
}

std::vector<TSpeedButton*> TSpeedButton::GroupMates() const {
  std::vector<TSpeedButton*> mates;
  TWinControl* parent = Parent();
  if (!parent || groupIndex_ == 0) return mates;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* button = dynamic_cast<TSpeedButton*>(parent->Controls(i));
    if (button && button != this && button->groupIndex_ == groupIndex_) mates.push_back(button);
  }
  return mates;
}

void TSpeedButton::SetFlat(bool value) {
  flat_ = value;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
  if (groupIndex_ == value) return;
  groupIndex_ = value;
  if (value == 0) {
    down_ = false;
  } else {
    for (TSpeedButton* mate : GroupMates()) {
      mate->allowAllUp_ = allowAllUp_;
      if (down_ && mate->down_) {
        mate->down_ = false;
        mate->Invalidate();
      }
    }
  }
  Invalidate();
}

void TSpeedButton::SetDown(bool value) {
  if (groupIndex_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allowAllUp_) return;
  down_ = value;
  if (value) {
    for (TSpeedButton* mate : GroupMates()) {
      if (!mate->down_) continue;
      mate->down_ = false;
      mate->Invalidate();
    }
  }
  Invalidate();
}

void TSpeedButton::SetAllowAllUp(bool value) {
  allowAllUp_ = value;
  for (TSpeedButton* mate : GroupMates()) mate->allowAllUp_ = value;
}

void TSpeedButton::SetGlyph(TBitmap* glyph) {
  CopyGlyph(glyph_, glyph);
  numGlyphs_ = GlyphCount(glyph_, numGlyphs_);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(int value) {
  numGlyphs_ = std::clamp(value, 1, 4);
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  layout_ = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  margin_ = value < -1 ? -1 : value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  spacing_ = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(!down_);
  TGraphicControl::Click();
}

}  // namespace vcl
