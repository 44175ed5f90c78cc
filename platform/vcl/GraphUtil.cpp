#include "platform/vcl/GraphUtil.h"

#include <algorithm>

namespace vcl {

namespace {

void HLine(TCanvas* c, int x1, int x2, int y, TColor color) {
  c->Brush()->SetColor(color);
  c->FillRect({x1, y, x2, y + 1});
}

void VLine(TCanvas* c, int x, int y1, int y2, TColor color) {
  c->Brush()->SetColor(color);
  c->FillRect({x, y1, x + 1, y2});
}

// One ring: top and left in `tl`, bottom and right in `br`.
TRect Ring(TCanvas* c, TRect r, TColor tl, TColor br) {
  if (r.Width() <= 0 || r.Height() <= 0) return r;
  HLine(c, r.Left, r.Right - 1, r.Top, tl);
  VLine(c, r.Left, r.Top, r.Bottom - 1, tl);
  HLine(c, r.Left, r.Right, r.Bottom - 1, br);
  VLine(c, r.Right - 1, r.Top, r.Bottom, br);
  return {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

// Keeps the canvas brush across a helper.
class BrushKeeper {
 public:
  explicit BrushKeeper(TCanvas* c)
      : c_(c), color_(c->Brush()->GetColor()), style_(c->Brush()->GetStyle()) {}
  ~BrushKeeper() {
    c_->Brush()->SetColor(color_);
    c_->Brush()->SetStyle(style_);
  }

 private:
  TCanvas* c_;
  TColor color_;
  TBrushStyle style_;
};

}  // namespace

TClipScope::TClipScope(TCanvas* canvas) : painter_(canvas->Painter()) {
  if (painter_) saved_ = painter_->Clip();
}

TClipScope::TClipScope(TCanvas* canvas, const TRect& rect) : TClipScope(canvas) {
  if (painter_) painter_->IntersectClip(rect);
}

TClipScope::~TClipScope() {
  if (painter_) painter_->SetClip(saved_);
}

void FillSolid(TCanvas* canvas, const TRect& rect, TColor color) {
  canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->FillRect(rect);
}

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width) {
  BrushKeeper keep(canvas);
  for (int i = 0; i < width; ++i) rect = Ring(canvas, rect, topColor, bottomColor);
}

TRect DrawEdge(TCanvas* canvas, TRect rect, TEdgeKind kind) {
  BrushKeeper keep(canvas);
  switch (kind) {
    case TEdgeKind::Raised:
      rect = Ring(canvas, rect, clBtnHighlight, cl3DDkShadow);
      return Ring(canvas, rect, cl3DLight, clBtnShadow);
    case TEdgeKind::Sunken:
      rect = Ring(canvas, rect, clBtnShadow, clBtnHighlight);
      return Ring(canvas, rect, cl3DDkShadow, cl3DLight);
    case TEdgeKind::RaisedOuter:
      return Ring(canvas, rect, clBtnHighlight, clBtnShadow);
    case TEdgeKind::SunkenOuter:
      return Ring(canvas, rect, clBtnShadow, clBtnHighlight);
    case TEdgeKind::Etched:
      rect = Ring(canvas, rect, clBtnShadow, clBtnHighlight);
      return Ring(canvas, rect, clBtnHighlight, clBtnShadow);
    case TEdgeKind::Bump:
      rect = Ring(canvas, rect, clBtnHighlight, clBtnShadow);
      return Ring(canvas, rect, clBtnShadow, clBtnHighlight);
  }
  return rect;
}

TRect DrawButtonFace(TCanvas* canvas, const TRect& rect, bool pressed, bool isDefault) {
  BrushKeeper keep(canvas);
  TRect r = rect;
  if (isDefault) r = Ring(canvas, r, cl3DDkShadow, cl3DDkShadow);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(r);
  if (pressed) {
    r = Ring(canvas, r, clBtnShadow, clBtnShadow);
    return {r.Left + 1, r.Top + 1, r.Right, r.Bottom};
  }
  return DrawEdge(canvas, r, TEdgeKind::Raised);
}

TRect DrawFlatButtonFace(TCanvas* canvas, const TRect& rect, bool pressed, bool hot, TColor color) {
  BrushKeeper keep(canvas);
  canvas->Brush()->SetColor(color);
  canvas->FillRect(rect);
  if (pressed) return DrawEdge(canvas, rect, TEdgeKind::SunkenOuter);
  if (hot) return DrawEdge(canvas, rect, TEdgeKind::RaisedOuter);
  return {rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1};
}

void DrawCheckMark(TCanvas* canvas, int x, int y, TCheckMark state, bool enabled) {
  BrushKeeper keep(canvas);
  TRect box = DrawEdge(canvas, {x, y, x + 13, y + 13}, TEdgeKind::Sunken);
  canvas->Brush()->SetColor(enabled && state != TCheckMark::Grayed ? clWindow : clBtnFace);
  canvas->FillRect(box);
  if (state == TCheckMark::Unchecked) return;
  const TColor mark = enabled && state == TCheckMark::Checked ? clWindowText : clBtnShadow;
  // The classic tick: a 7-pixel wide, 3-pixel thick check.
  const int cx = x + 3, cy = y + 5;
  canvas->Brush()->SetColor(mark);
  for (int i = 0; i < 7; ++i) {
    const int top = i < 3 ? cy + i : cy + 4 - i + 2;
    canvas->FillRect({cx + i, top, cx + i + 1, top + 3});
  }
}

void DrawRadioMark(TCanvas* canvas, int x, int y, bool checked, bool enabled) {
  BrushKeeper keep(canvas);
  TPen* pen = canvas->Pen();
  const TColor penColor = pen->GetColor();
  // Outer ring: shadow above-left, highlight below-right; inner ring darker.
  struct Arc {
    TColor color;
    std::vector<TPoint> points;
  };
  const Arc arcs[] = {
      {clBtnShadow, {{x + 4, y + 0}, {x + 8, y + 0}}},
      {clBtnShadow, {{x + 2, y + 1}, {x + 4, y + 1}}},
      {clBtnShadow, {{x + 8, y + 1}, {x + 10, y + 1}}},
      {clBtnShadow, {{x + 1, y + 2}, {x + 1, y + 4}}},
      {clBtnShadow, {{x + 0, y + 4}, {x + 0, y + 8}}},
      {clBtnShadow, {{x + 1, y + 8}, {x + 1, y + 10}}},
      {clBtnHighlight, {{x + 2, y + 10}, {x + 4, y + 10}}},
      {clBtnHighlight, {{x + 4, y + 11}, {x + 8, y + 11}}},
      {clBtnHighlight, {{x + 8, y + 10}, {x + 10, y + 10}}},
      {clBtnHighlight, {{x + 10, y + 8}, {x + 10, y + 10}}},
      {clBtnHighlight, {{x + 11, y + 4}, {x + 11, y + 8}}},
      {clBtnHighlight, {{x + 10, y + 2}, {x + 10, y + 4}}},
  };
  canvas->Brush()->SetColor(enabled ? clWindow : clBtnFace);
  canvas->Pen()->SetColor(enabled ? clWindow : clBtnFace);
  canvas->Ellipse(x + 1, y + 1, x + 11, y + 11);
  for (const Arc& a : arcs) {
    canvas->Pen()->SetColor(a.color);
    canvas->MoveTo(a.points[0].X, a.points[0].Y);
    canvas->LineTo(a.points[1].X, a.points[1].Y);
  }
  if (checked) {
    canvas->Brush()->SetColor(enabled ? clWindowText : clBtnShadow);
    canvas->FillRect({x + 5, y + 4, x + 7, y + 8});
    canvas->FillRect({x + 4, y + 5, x + 8, y + 7});
  }
  pen->SetColor(penColor);
}

void DrawArrow(TCanvas* canvas, const TRect& rect, TArrowDirection direction, TColor color) {
  BrushKeeper keep(canvas);
  canvas->Brush()->SetColor(color);
  const int size = std::max(2, std::min(4, std::min(rect.Width(), rect.Height()) / 3));
  const int cx = rect.Left + rect.Width() / 2, cy = rect.Top + rect.Height() / 2;
  for (int i = 0; i < size; ++i) {
    switch (direction) {
      case TArrowDirection::Down:
        canvas->FillRect(
            {cx - size + 1 + i, cy - size / 2 + i, cx + size - i, cy - size / 2 + i + 1});
        break;
      case TArrowDirection::Up:
        canvas->FillRect({cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1});
        break;
      case TArrowDirection::Right:
        canvas->FillRect(
            {cx - size / 2 + i, cy - size + 1 + i, cx - size / 2 + i + 1, cy + size - i});
        break;
      case TArrowDirection::Left:
        canvas->FillRect({cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1});
        break;
    }
  }
}

void DrawScrollBar(TCanvas* canvas, const TRect& rect, bool vertical, int min, int max, int page,
                   int position, bool enabled) {
  BrushKeeper keep(canvas);
  canvas->Brush()->SetColor(clScrollBar);
  canvas->FillRect(rect);
  const int thick = vertical ? rect.Width() : rect.Height();
  const int length = vertical ? rect.Height() : rect.Width();
  const int button = std::min(thick, length / 2);
  TRect first = vertical ? TRect{rect.Left, rect.Top, rect.Right, rect.Top + button}
                         : TRect{rect.Left, rect.Top, rect.Left + button, rect.Bottom};
  TRect second = vertical ? TRect{rect.Left, rect.Bottom - button, rect.Right, rect.Bottom}
                          : TRect{rect.Right - button, rect.Top, rect.Right, rect.Bottom};
  const TColor arrow = enabled ? clBtnText : clGrayText;
  DrawArrow(canvas, DrawButtonFace(canvas, first, false, false),
            vertical ? TArrowDirection::Up : TArrowDirection::Left, arrow);
  DrawArrow(canvas, DrawButtonFace(canvas, second, false, false),
            vertical ? TArrowDirection::Down : TArrowDirection::Right, arrow);
  const int track = length - 2 * button;
  const int range = max - min + 1;
  if (!enabled || track < 8 || range <= 0 || page >= range) return;
  const int thumb = std::max(8, page > 0 ? track * page / range : 8);
  const int span = std::max(1, range - std::max(page, 1));
  const int offset = (track - thumb) * std::clamp(position - min, 0, span) / span;
  const int start = button + offset;
  const TRect thumbRect =
      vertical ? TRect{rect.Left, rect.Top + start, rect.Right, rect.Top + start + thumb}
               : TRect{rect.Left + start, rect.Top, rect.Left + start + thumb, rect.Bottom};
  DrawButtonFace(canvas, thumbRect, false, false);
}

void DrawControlText(TCanvas* canvas, const AnsiString& text, TRect rect, unsigned flags,
                     bool enabled) {
  TFont* font = canvas->Font();
  const TColor saved = font->GetColor();
  if (enabled) {
    canvas->DrawText(text, rect, flags);
    return;
  }
  TRect shifted{rect.Left + 1, rect.Top + 1, rect.Right + 1, rect.Bottom + 1};
  font->SetColor(clBtnHighlight);
  canvas->DrawText(text, shifted, flags);
  font->SetColor(clGrayText);
  canvas->DrawText(text, rect, flags);
  font->SetColor(saved);
}

void DrawGlyph(TCanvas* canvas, int x, int y, const TBitmap* glyph, int count, int index,
               bool embossed) {
  if (!glyph || glyph->Empty()) return;
  count = std::max(1, count);
  const int w = glyph->Width() / count, h = glyph->Height();
  if (w <= 0) return;
  index = std::clamp(index, 0, count - 1);
  const std::uint32_t key = glyph->Pixel(0, h - 1) & 0xFFFFFF;
  TBitmap image;
  image.SetSize(w, h);
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) image.SetPixel(xx, yy, glyph->Pixel(index * w + xx, yy));
  image.SetTransparent(true);
  image.SetTransparentColor(FromRgb(key));
  if (!embossed) {
    canvas->Draw(x, y, &image);
    return;
  }
  // Dark pixels (and the image's edge) become the picture; drawn in highlight one pixel down
  // and right, then in shadow in place.
  TBitmap highlight, shadow;
  highlight.SetSize(w, h);
  shadow.SetSize(w, h);
  const std::uint32_t hi = ToRgb(clBtnHighlight) | 0xFF000000u,
                      sh = ToRgb(clBtnShadow) | 0xFF000000u;
  const std::uint32_t none = hi == 0xFF00FF00u ? 0xFFFF00FFu : 0xFF00FF00u;
  for (int yy = 0; yy < h; ++yy)
    for (int xx = 0; xx < w; ++xx) {
      const std::uint32_t p = image.Pixel(xx, yy) & 0xFFFFFF;
      const bool marked = p != key && ((p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF)) < 0x180;
      highlight.SetPixel(xx, yy, marked ? hi : none);
      shadow.SetPixel(xx, yy, marked ? sh : none);
    }
  for (TBitmap* b : {&highlight, &shadow}) {
    b->SetTransparent(true);
    b->SetTransparentColor(FromRgb(none & 0xFFFFFF));
  }
  canvas->Draw(x + 1, y + 1, &highlight);
  canvas->Draw(x, y, &shadow);
}

}  // namespace vcl
