#include "platform/vcl/Buttons.h"

#include <algorithm>

#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"

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

// ---------------------------------------------------------------------------------------
// Painting glyph buttons

// Which image of a glyph strip a button shows.
enum class GlyphState { Up, Disabled, Clicked, Down };

// The strip's image for a state: up 0, disabled 1, clicked 2, down 3, falling back to the
// up image (drawn embossed for the disabled state) when the strip has fewer.
void DrawStateGlyph(TCanvas* c, int x, int y, const TBitmap* glyph, int count, GlyphState state) {
  switch (state) {
    case GlyphState::Up:
      DrawGlyph(c, x, y, glyph, count, 0);
      break;
    case GlyphState::Disabled:
      DrawGlyph(c, x, y, glyph, count, count >= 2 ? 1 : 0, count < 2);
      break;
    case GlyphState::Clicked:
      DrawGlyph(c, x, y, glyph, count, count >= 3 ? 2 : 0);
      break;
    case GlyphState::Down:
      DrawGlyph(c, x, y, glyph, count, count >= 4 ? 3 : 0);
      break;
  }
}

// Places the glyph and the caption in `r` as Layout, Margin and Spacing ask (a margin of -1
// centres them; a spacing of -1 spreads them evenly) and draws them.
void DrawGlyphAndCaption(TCanvas* c, const TRect& r, const TBitmap* glyph, int count,
                         const AnsiString& caption, TButtonLayout layout, int margin, int spacing,
                         GlyphState state) {
  count = std::max(1, count);
  const bool hasGlyph = glyph && !glyph->Empty();
  const TSize glyphSize = hasGlyph ? TSize{glyph->Width() / count, glyph->Height()} : TSize{};
  TSize textSize;
  if (!caption.empty()) {
    TRect extent{0, 0, r.Width(), 0};
    c->DrawText(caption, extent, DT_SINGLELINE | DT_CALCRECT);
    textSize = {extent.Width(), extent.Height()};
  }
  const bool horizontal =
      layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
  const int room = horizontal ? r.Width() : r.Height();
  const int g = horizontal ? glyphSize.cx : glyphSize.cy;
  const int t = horizontal ? textSize.cx : textSize.cy;
  if (g == 0 || t == 0) spacing = 0;
  if (margin < 0 && spacing < 0) {
    margin = spacing = (room - g - t) / 3;
  } else if (margin < 0) {
    margin = (room - g - spacing - t) / 2;
  } else if (spacing < 0) {
    spacing = (room - margin - g - t) / 2;
  }
  // Offsets along the layout's axis.
  int glyphAt = margin, textAt = margin + g + spacing;
  if (layout == TButtonLayout::blGlyphRight || layout == TButtonLayout::blGlyphBottom) {
    glyphAt = room - margin - g;
    textAt = glyphAt - spacing - t;
  }
  if (g == 0) textAt = margin;
  if (hasGlyph) {
    const int x = horizontal ? r.Left + glyphAt : r.Left + (r.Width() - glyphSize.cx) / 2;
    const int y = horizontal ? r.Top + (r.Height() - glyphSize.cy) / 2 : r.Top + glyphAt;
    DrawStateGlyph(c, x, y, glyph, count, state);
  }
  if (caption.empty()) return;
  const TRect text = horizontal ? TRect{r.Left + textAt, r.Top, r.Left + textAt + t, r.Bottom}
                                : TRect{r.Left, r.Top + textAt, r.Right, r.Top + textAt + t};
  DrawControlText(c, caption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE,
                  state != GlyphState::Disabled);
}

void Dot(TBitmap& b, int x, int y, TColor color) {
  b.SetPixel(x, y, 0xFF000000u | ToRgb(color));
}

void Block(TBitmap& b, const TRect& r, TColor color) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) Dot(b, x, y, color);
}

// A tick whose short stroke starts at (x, y), `size` pixels tall, three pixels thick.
void Tick(TBitmap& b, int x, int y, int size, TColor color) {
  const int down = size / 3, up = size - down;
  for (int i = 0; i <= down + up; ++i) {
    const int top = i <= down ? y + i : y + down - (i - down);
    Block(b, {x + i, top, x + i + 1, top + 3}, color);
  }
}

// Two diagonal strokes two pixels wide across the square at (x, y).
void Cross(TBitmap& b, int x, int y, int size, TColor color) {
  for (int i = 0; i < size; ++i) {
    Block(b, {x + i, y + i, x + i + 2, y + i + 1}, color);
    Block(b, {x + size - i - 1, y + i, x + size - i + 1, y + i + 1}, color);
  }
}

// A ring around (cx, cy) between the two radii, leaving out the points `skip` refuses.
template <class Skip>
void Ring(TBitmap& b, int cx, int cy, int inner, int outer, TColor color, Skip skip) {
  for (int y = cy - outer; y <= cy + outer; ++y)
    for (int x = cx - outer; x <= cx + outer; ++x) {
      const int d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (d >= inner * inner && d <= outer * outer && !skip(x, y)) Dot(b, x, y, color);
    }
}

// The picture a button of a standard kind shows: 18 x 18 on olive, the transparent colour
// (a strip's bottom-left pixel).
void MakeKindGlyph(TBitBtnKind kind, TBitmap& glyph) {
  constexpr int kSize = 18;
  glyph.SetSize(kSize, kSize);
  Block(glyph, {0, 0, kSize, kSize}, clOlive);
  auto none = [](int, int) { return false; };
  switch (kind) {
    case TBitBtnKind::bkOK:
    case TBitBtnKind::bkYes:
      Tick(glyph, 3, 7, 11, clGreen);
      break;
    case TBitBtnKind::bkAll:
      Tick(glyph, 1, 5, 8, clGreen);
      Tick(glyph, 8, 8, 8, clGreen);
      break;
    case TBitBtnKind::bkCancel:
      Cross(glyph, 4, 4, 10, clRed);
      break;
    case TBitBtnKind::bkAbort:
      Ring(glyph, 8, 8, 6, 8, clRed, none);
      Cross(glyph, 5, 5, 7, clRed);
      break;
    case TBitBtnKind::bkNo:
      Ring(glyph, 8, 8, 5, 7, clRed, none);
      for (int i = 0; i < 10; ++i) Block(glyph, {4 + i, 3 + i, 6 + i, 4 + i}, clRed);
      break;
    case TBitBtnKind::bkHelp: {
      // A question mark, two pixels a dot.
      static const char* const kMark[] = {".###.", "#...#", "....#", "...#.",
                                          "..#..", "..#..", ".....", "..#.."};
      for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 5; ++col)
          if (kMark[row][col] == '#')
            Block(glyph, {4 + 2 * col, 1 + 2 * row, 6 + 2 * col, 3 + 2 * row}, clNavy);
      break;
    }
    case TBitBtnKind::bkClose:
      // An open door.
      Block(glyph, {4, 1, 14, 16}, clBlack);
      Block(glyph, {5, 2, 13, 15}, clTeal);
      Block(glyph, {10, 8, 12, 10}, clYellow);
      break;
    case TBitBtnKind::bkRetry:
      // A circular arrow, open at the top right with its head there.
      Ring(glyph, 8, 9, 4, 6, clGreen, [](int x, int y) { return x > 8 && y < 9; });
      for (int i = 0; i < 4; ++i) Block(glyph, {9 + i, 3 + i, 16 - i, 4 + i}, clGreen);
      break;
    case TBitBtnKind::bkIgnore:
      // An arrow past a bar.
      Block(glyph, {3, 3, 5, 15}, clNavy);
      Block(glyph, {7, 8, 13, 10}, clNavy);
      for (int i = 0; i < 4; ++i) Block(glyph, {12 + i, 5 + i, 13 + i, 13 - i}, clNavy);
      break;
    default:
      break;
  }
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

void TBitBtn::Paint() {
  TCanvas* c = Canvas();
  const bool pressed = ShowsPressed(), framed = ShowsDefaultFrame();
  TRect face = ClientRect();
  DrawButtonFace(c, face, pressed, framed);
  if (framed) face = {face.Left + 1, face.Top + 1, face.Right - 1, face.Bottom - 1};
  TRect content{face.Left + 2, face.Top + 2, face.Right - 2, face.Bottom - 2};
  if (pressed) content = {content.Left + 1, content.Top + 1, content.Right + 1, content.Bottom + 1};
  // A standard kind without a glyph of its own shows the kind's picture.
  TBitmap kindGlyph;
  const TBitmap* glyph = glyph_;
  int count = numGlyphs_;
  if (glyph_->Empty() && Kind() != TBitBtnKind::bkCustom) {
    MakeKindGlyph(kind_, kindGlyph);
    glyph = &kindGlyph;
    count = 1;
  }
  const GlyphState state = !Enabled() ? GlyphState::Disabled
                           : pressed  ? GlyphState::Clicked
                                      : GlyphState::Up;
  {
    const TClipScope clip(c, content);
    DrawGlyphAndCaption(c, content, glyph, count, GetText(), layout_, margin_, spacing_, state);
  }
  if (Focused()) c->DrawFocusRect({face.Left + 3, face.Top + 3, face.Right - 3, face.Bottom - 3});
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

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  mouseInside_ = true;
  Invalidate();
  TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  const bool inside = TRect{0, 0, Width(), Height()}.Contains({x, y});
  if (inside != mouseInside_ && MouseCaptured()) Invalidate();
  mouseInside_ = inside;
  TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  const bool enabled = Enabled();
  const bool pressed = enabled && MouseCaptured() && mouseInside_;
  const bool sunken = pressed || down_;
  TRect content;
  if (flat_) {
    // A transparent flat button shows its parent until it is pushed in.
    if (!transparent_ || sunken) c->FillRect(r);
    content = sunken ? DrawEdge(c, r, TEdgeKind::SunkenOuter)
                     : TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  } else if (sunken) {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(r);
    content = DrawEdge(c, r, TEdgeKind::Sunken);
  } else {
    content = DrawButtonFace(c, r, false, false);
  }
  if (down_ && !pressed && !flat_) {
    // A button that stays down shows a checkered face.
    for (int y = content.Top; y < content.Bottom; ++y)
      for (int x = content.Left + (y + content.Left) % 2; x < content.Right; x += 2)
        c->SetPixel(x, y, clBtnHighlight);
  }
  if (sunken) content = {content.Left + 1, content.Top + 1, content.Right + 1, content.Bottom + 1};
  const GlyphState state = !enabled  ? GlyphState::Disabled
                           : pressed ? GlyphState::Clicked
                           : down_   ? GlyphState::Down
                                     : GlyphState::Up;
  const TClipScope clip(c, content);
  DrawGlyphAndCaption(c, content, glyph_, numGlyphs_, GetText(), layout_, margin_, spacing_, state);
}

}  // namespace vcl
