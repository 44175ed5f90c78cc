#include "platform/gfx/Painter.h"

#include "platform/gfx/PainterCairo.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/CodePages.h"

namespace vcl::gfx {

UINT CharsetCodePage(int charset) {
  switch (charset) {
    case 134:
      return 936;
    case 136:
      return 950;
    default:
      return GetACP();
  }
}

namespace {

TRect Normalized(const TRect& r) {
  return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
          std::max(r.Top, r.Bottom)};
}

void SetSource(cairo_t* cr, Rgb color) {
  cairo_set_source_rgb(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                       (color & 0xFF) / 255.0);
}

}  // namespace

Painter::Painter(PixelView view) : view_(view) {
  clip_ = {0, 0, view.width, view.height};
}

Painter::~Painter() {
  if (cairo_) {
    cairo_destroy(cairo_->cr);
    cairo_surface_destroy(cairo_->surface);
    delete cairo_;
  }
}

Painter::Cairo& Painter::C() const {
  if (!cairo_) {
    cairo_ = new Cairo;
    cairo_->surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(view_.pixels), CAIRO_FORMAT_RGB24, view_.width,
        view_.height, view_.width * 4);
    cairo_->cr = cairo_create(cairo_->surface);
  }
  return *cairo_;
}

void Painter::SetClip(const TRect& viewRect) {
  clip_ = IntersectRect(Normalized(viewRect), {0, 0, view_.width, view_.height});
}

void Painter::IntersectClip(const TRect& rect) {
  clip_ = IntersectRect(clip_, ToView(Normalized(rect)));
}

TRect Painter::ToView(const TRect& r) const {
  return {r.Left + origin_.X, r.Top + origin_.Y, r.Right + origin_.X, r.Bottom + origin_.Y};
}

TRect Painter::Clipped(const TRect& viewRect) const {
  return IntersectRect(Normalized(viewRect), clip_);
}

// Cairo works on the same memory as direct pixel access: it is told before it draws that the
// pixels may have changed, and flushes when done, so both ways can be mixed freely.
void Painter::BeginCairo() const {
  Cairo& c = C();
  cairo_surface_mark_dirty(c.surface);
  cairo_save(c.cr);
  cairo_rectangle(c.cr, clip_.Left, clip_.Top, clip_.Width(), clip_.Height());
  cairo_clip(c.cr);
  cairo_translate(c.cr, origin_.X, origin_.Y);
  cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_NONE);
}

void Painter::EndCairo() const {
  cairo_restore(cairo_->cr);
  cairo_surface_flush(cairo_->surface);
}

void Painter::ApplyPen(const Pen& pen) const {
  cairo_t* cr = cairo_->cr;
  cairo_set_line_width(cr, std::max(1, pen.width));
  SetSource(cr, pen.color);
  const double w = std::max(1, pen.width);
  static const double kDash[] = {6, 2}, kDot[] = {1, 1}, kDashDot[] = {6, 2, 1, 2},
                      kDashDotDot[] = {6, 2, 1, 2, 1, 2};
  auto dashes = [&](const double* d, int n) {
    double scaled[6];
    for (int i = 0; i < n; ++i) scaled[i] = d[i] * w;
    cairo_set_dash(cr, scaled, n, 0);
  };
  switch (pen.style) {
    case PenStyle::Dash:
      dashes(kDash, 2);
      break;
    case PenStyle::Dot:
      dashes(kDot, 2);
      break;
    case PenStyle::DashDot:
      dashes(kDashDot, 4);
      break;
    case PenStyle::DashDotDot:
      dashes(kDashDotDot, 6);
      break;
    default:
      cairo_set_dash(cr, nullptr, 0, 0);
  }
}

void Painter::FillRect(const TRect& rect, Rgb color) {
  const TRect r = Clipped(ToView(rect));
  for (int y = r.Top; y < r.Bottom; ++y)
    std::fill(view_.Row(y) + r.Left, view_.Row(y) + r.Right, color);
}

void Painter::FrameRect(const TRect& rect, Rgb color) {
  const TRect r = Normalized(rect);
  if (r.Width() == 0 || r.Height() == 0) return;
  FillRect({r.Left, r.Top, r.Right, r.Top + 1}, color);
  FillRect({r.Left, r.Bottom - 1, r.Right, r.Bottom}, color);
  FillRect({r.Left, r.Top, r.Left + 1, r.Bottom}, color);
  FillRect({r.Right - 1, r.Top, r.Right, r.Bottom}, color);
}

void Painter::Line(TPoint from, TPoint to, const Pen& pen) {
  if (pen.style == PenStyle::Clear) return;
  if (pen.width <= 1 && pen.style == PenStyle::Solid && (from.X == to.X || from.Y == to.Y)) {
    // Exact pixels for the common case, the end point left out.
    if (from.Y == to.Y && from.X != to.X) {
      const int x0 = from.X < to.X ? from.X : to.X + 1;
      const int x1 = from.X < to.X ? to.X : from.X + 1;
      FillRect({x0, from.Y, x1, from.Y + 1}, pen.color);
    } else if (from.X == to.X && from.Y != to.Y) {
      const int y0 = from.Y < to.Y ? from.Y : to.Y + 1;
      const int y1 = from.Y < to.Y ? to.Y : from.Y + 1;
      FillRect({from.X, y0, from.X + 1, y1}, pen.color);
    }
    return;
  }
  Polyline({from, to}, pen);
}

void Painter::Polyline(const std::vector<TPoint>& points, const Pen& pen) {
  if (points.size() < 2 || pen.style == PenStyle::Clear) return;
  BeginCairo();
  cairo_t* cr = cairo_->cr;
  ApplyPen(pen);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_move_to(cr, points[0].X + 0.5, points[0].Y + 0.5);
  for (std::size_t i = 1; i < points.size(); ++i)
    cairo_line_to(cr, points[i].X + 0.5, points[i].Y + 0.5);
  cairo_stroke(cr);
  EndCairo();
}

// Fills the current path (when a colour is given), outlines it with the pen, and ends the
// drawing.
void Painter::FillAndStroke(std::optional<Rgb> fill, const Pen& pen) const {
  cairo_t* cr = cairo_->cr;
  if (fill) {
    SetSource(cr, *fill);
    cairo_fill_preserve(cr);
  }
  if (pen.style != PenStyle::Clear) {
    ApplyPen(pen);
    cairo_stroke(cr);
  }
  cairo_new_path(cr);
  EndCairo();
}

void Painter::Polygon(const std::vector<TPoint>& points, std::optional<Rgb> fill, const Pen& pen) {
  if (points.size() < 2) return;
  BeginCairo();
  cairo_t* cr = cairo_->cr;
  cairo_move_to(cr, points[0].X + 0.5, points[0].Y + 0.5);
  for (std::size_t i = 1; i < points.size(); ++i)
    cairo_line_to(cr, points[i].X + 0.5, points[i].Y + 0.5);
  cairo_close_path(cr);
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  FillAndStroke(fill, pen);
}

void Painter::Ellipse(const TRect& bounds, std::optional<Rgb> fill, const Pen& pen) {
  const TRect r = Normalized(bounds);
  if (r.Width() < 1 || r.Height() < 1) return;
  BeginCairo();
  cairo_t* cr = cairo_->cr;
  cairo_save(cr);
  cairo_translate(cr, r.Left + r.Width() / 2.0, r.Top + r.Height() / 2.0);
  cairo_scale(cr, (r.Width() - 1) / 2.0, (r.Height() - 1) / 2.0);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  FillAndStroke(fill, pen);
}

void Painter::FocusRect(const TRect& rect) {
  const TRect v = Normalized(ToView(rect));
  if (v.Width() <= 0 || v.Height() <= 0) return;
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) == 0 && clip_.Contains({x, y})) view_.Row(y)[x] ^= 0xFFFFFF;
  };
  for (int x = v.Left; x < v.Right; ++x) {
    invert(x, v.Top);
    if (v.Bottom - 1 != v.Top) invert(x, v.Bottom - 1);
  }
  for (int y = v.Top + 1; y < v.Bottom - 1; ++y) {
    invert(v.Left, y);
    if (v.Right - 1 != v.Left) invert(v.Right - 1, y);
  }
}

void Painter::InvertRect(const TRect& rect) {
  const TRect r = Clipped(ToView(rect));
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) view_.Row(y)[x] ^= 0xFFFFFF;
}

Rgb Painter::GetPixel(int x, int y) const {
  const TPoint p{x + origin_.X, y + origin_.Y};
  if (!clip_.Contains(p)) return 0;
  return view_.Row(p.Y)[p.X] & 0xFFFFFF;
}

void Painter::SetPixel(int x, int y, Rgb color) {
  const TPoint p{x + origin_.X, y + origin_.Y};
  if (clip_.Contains(p)) view_.Row(p.Y)[p.X] = color;
}

void Painter::CopyPixels(const TRect& dest, const PixelView& src, const TRect& srcRect) {
  CopyTransparentImpl(dest, src, srcRect, std::nullopt);
}

void Painter::CopyTransparent(const TRect& dest, const PixelView& src, const TRect& srcRect,
                              Rgb key) {
  CopyTransparentImpl(dest, src, srcRect, key & 0xFFFFFF);
}

void Painter::CopyTransparentImpl(const TRect& dest, const PixelView& src, const TRect& srcRect,
                                  std::optional<Rgb> key) {
  const TRect d = ToView(dest);
  const int dw = d.Width(), dh = d.Height();
  const int sw = srcRect.Width(), sh = srcRect.Height();
  if (src.Empty() || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const TRect r = Clipped(d);
  // The source (and its copy, when the source is this view) is read before writing.
  std::vector<std::uint32_t> copy;
  const std::uint32_t* base = src.pixels;
  if (src.pixels == view_.pixels) {
    copy.assign(src.pixels, src.pixels + std::size_t(src.width) * std::size_t(src.height));
    base = copy.data();
  }
  for (int y = r.Top; y < r.Bottom; ++y) {
    const int sy = srcRect.Top + int((std::int64_t(y - d.Top) * sh) / dh);
    if (sy < 0 || sy >= src.height) continue;
    for (int x = r.Left; x < r.Right; ++x) {
      const int sx = srcRect.Left + int((std::int64_t(x - d.Left) * sw) / dw);
      if (sx < 0 || sx >= src.width) continue;
      const std::uint32_t p = base[std::size_t(sy) * std::size_t(src.width) + sx] & 0xFFFFFF;
      if (key && p == *key) continue;
      view_.Row(y)[x] = p;
    }
  }
}

void Painter::RasterOp(TPoint dest, int width, int height, const PixelView& src, TPoint srcPos,
                       DWORD rop, Rgb brush) {
  const TRect d = ToView({dest.X, dest.Y, dest.X + width, dest.Y + height});
  const TRect r = Clipped(d);
  const unsigned code = (rop >> 16) & 0xFF;
  std::vector<std::uint32_t> copy;
  const std::uint32_t* base = src.pixels;
  if (!src.Empty() && src.pixels == view_.pixels) {
    copy.assign(src.pixels, src.pixels + std::size_t(src.width) * std::size_t(src.height));
    base = copy.data();
  }
  const std::uint32_t p = brush & 0xFFFFFF;
  for (int y = r.Top; y < r.Bottom; ++y) {
    for (int x = r.Left; x < r.Right; ++x) {
      std::uint32_t s = 0;
      const int sx = srcPos.X + (x - d.Left), sy = srcPos.Y + (y - d.Top);
      if (!src.Empty() && sx >= 0 && sy >= 0 && sx < src.width && sy < src.height)
        s = base[std::size_t(sy) * std::size_t(src.width) + sx] & 0xFFFFFF;
      const std::uint32_t dv = view_.Row(y)[x] & 0xFFFFFF;
      // Bit i of the operation code is the result for pattern, source and destination bits
      // forming i = P*4 + S*2 + D; every colour bit is computed at once.
      std::uint32_t out = 0;
      for (unsigned i = 0; i < 8; ++i) {
        if (!((code >> i) & 1)) continue;
        out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? dv : ~dv);
      }
      view_.Row(y)[x] = out & 0xFFFFFF;
    }
  }
}

}  // namespace vcl::gfx
