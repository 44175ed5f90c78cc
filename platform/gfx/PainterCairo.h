// The cairo objects behind a painter, shared by the drawing and the text code.
#pragma once

#include <cairo.h>

#include "platform/gfx/Painter.h"

namespace vcl::gfx {

struct Painter::Cairo {
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
};

// Text drawing reaches the painter's cairo context through here.
struct PainterAccess {
  // Prepares the context (clip, origin) for drawing; End flushes it.
  static cairo_t* Begin(const Painter& p) {
    p.BeginCairo();
    return p.cairo_->cr;
  }
  static void End(const Painter& p) { p.EndCairo(); }
  static TRect ToView(const Painter& p, const TRect& r) { return p.ToView(r); }
};

}  // namespace vcl::gfx
