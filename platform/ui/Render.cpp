#include "platform/ui/Render.h"

#include <algorithm>

#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/HintWindow.h"
#include "platform/vcl/Menus.h"

namespace vcl {

namespace {

constexpr int kCaptionHeight = 18;
constexpr int kToolCaptionHeight = 16;

// Paints the open parts above the form of every visible control inside `control`.
void PaintPopups(TControl* control, const gfx::PixelView& view, TPoint origin, const TRect& clip) {
  if (!control->Visible()) return;
  control->PaintPopupTo(view, origin, clip);
  if (auto* win = dynamic_cast<TWinControl*>(control))
    for (int i = 0; i < win->ControlCount(); ++i) {
      TControl* child = win->Controls(i);
      PaintPopups(child, view, {origin.X + child->Left(), origin.Y + child->Top()}, clip);
    }
}

// The caption bar: a gradient from the caption colour to its gradient partner, the form's
// caption in bold, and the close box at the right.
void PaintCaptionBar(TCanvas* canvas, const TCustomForm& form, const TRect& bar, bool active) {
  const gfx::Rgb from = ToRgb(active ? clActiveCaption : clInactiveCaption);
  const gfx::Rgb to = ToRgb(active ? clGradientActiveCaption : clGradientInactiveCaption);
  const int w = std::max(1, bar.Width());
  for (int x = 0; x < bar.Width(); ++x) {
    auto mix = [&](int shift) {
      const int a = int((from >> shift) & 0xFF), b = int((to >> shift) & 0xFF);
      return gfx::Rgb(a + (b - a) * x / w) << shift;
    };
    canvas->Brush()->SetColor(FromRgb(mix(16) | mix(8) | mix(0)));
    canvas->FillRect({bar.Left + x, bar.Top, bar.Left + x + 1, bar.Bottom});
  }
  const int box = bar.Height() - 4;
  TRect close{bar.Right - box - 2, bar.Top + 2, bar.Right - 2, bar.Bottom - 2};
  const TRect inner = DrawButtonFace(canvas, close, false, false);
  canvas->Pen()->SetColor(clBtnText);
  const int cx = (inner.Left + inner.Right) / 2, cy = (inner.Top + inner.Bottom) / 2;
  for (int d = 0; d < 2; ++d) {
    canvas->MoveTo(cx - 4 + d, cy - 3);
    canvas->LineTo(cx + 3 + d, cy + 4);
    canvas->MoveTo(cx + 2 + d, cy - 3);
    canvas->LineTo(cx - 5 + d, cy + 4);
  }
  canvas->Font()->SetName("Tahoma");
  canvas->Font()->SetHeight(-11);
  canvas->Font()->SetCharset(form.Font()->GetCharset());
  canvas->Font()->SetStyle(fsBold);
  canvas->Font()->SetColor(active ? clCaptionText : clInactiveCaptionText);
  TRect text{bar.Left + 4, bar.Top, close.Left - 2, bar.Bottom};
  canvas->DrawText(form.Caption(), text,
                   DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool IsActive(const TCustomForm& form) {
  return Screen()->ActiveForm() == &form;
}

}  // namespace

TFrameMetrics FrameMetrics(const TCustomForm& form) {
  TFrameMetrics m;
  switch (form.BorderStyle()) {
    case TFormBorderStyle::bsNone:
      return m;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin:
      m.border = 4;
      break;
    default:
      m.border = 3;
  }
  const bool tool = form.BorderStyle() == TFormBorderStyle::bsToolWindow ||
                    form.BorderStyle() == TFormBorderStyle::bsSizeToolWin;
  m.caption = tool ? kToolCaptionHeight : kCaptionHeight;
  m.menu = MenuBarHeight(FormMainMenu(form));
  return m;
}

void RenderForm(TCustomForm& form, TBitmap& out) {
  const TFrameMetrics m = FrameMetrics(form);
  const int width = form.Width() + 2 * m.border;
  const int height = form.Height() + 2 * m.border + m.caption + m.menu;
  out.SetPixelFormat(TPixelFormat::pf24bit);
  out.SetTransparent(false);
  out.SetSize(width, height);
  TCanvas* canvas = out.Canvas();
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect({0, 0, width, height});
  if (m.border > 0) {
    DrawEdge(canvas, {0, 0, width, height}, TEdgeKind::Raised);
  }
  if (m.caption > 0)
    PaintCaptionBar(canvas, form, {m.border, m.border, width - m.border, m.border + m.caption - 1},
                    IsActive(form));
  if (m.menu > 0)
    PaintMenuBar(canvas, FormMainMenu(form),
                 {m.border, m.border + m.caption, width - m.border, m.border + m.caption + m.menu});
  const TPoint origin{m.border, m.border + m.caption + m.menu};
  const TRect client{origin.X, origin.Y, origin.X + form.Width(), origin.Y + form.Height()};
  const gfx::PixelView view = out.View();
  form.PaintTo(view, origin, client);
  for (int i = 0; i < form.ControlCount(); ++i) {
    TControl* child = form.Controls(i);
    PaintPopups(child, view, {origin.X + child->Left(), origin.Y + child->Top()}, client);
  }
  // Open menus and the hint window lie above everything, within the window.
  PaintOpenMenus(canvas, form, origin);
  if (const THintInfo* hint = ActiveHint(); hint && hint->form == &form) {
    const TRect at{hint->rect.Left + origin.X, hint->rect.Top + origin.Y,
                   hint->rect.Right + origin.X, hint->rect.Bottom + origin.Y};
    PaintHintWindow(canvas, at, hint->text, Screen()->HintFont());
  }
}

void RenderToPng(TCustomForm& form, const std::string& path) {
  TBitmap image;
  RenderForm(form, image);
  image.SaveToFile(path);
}

TRect ScreenBounds(const TCustomForm& form) {
  const TFrameMetrics m = FrameMetrics(form);
  const int w = form.Width() + 2 * m.border;
  const int h = form.Height() + 2 * m.border + m.caption + m.menu;
  TRect area{0, 0, Screen()->Width(), Screen()->Height()};
  switch (form.Position()) {
    case TPosition::poMainFormCenter:
    case TPosition::poOwnerFormCenter: {
      const TCustomForm* owner = form.Position() == TPosition::poMainFormCenter
                                     ? Application()->MainForm()
                                     : dynamic_cast<const TCustomForm*>(form.Owner());
      if (owner && owner != &form) area = ScreenBounds(*owner);
      [[fallthrough]];
    }
    case TPosition::poScreenCenter:
    case TPosition::poDesktopCenter: {
      const int left = area.Left + (area.Width() - w) / 2, top = area.Top + (area.Height() - h) / 2;
      return {left, top, left + w, top + h};
    }
    default:
      return {form.Left(), form.Top(), form.Left() + w, form.Top() + h};
  }
}

void RenderScreen(TBitmap& out) {
  out.SetPixelFormat(TPixelFormat::pf24bit);
  out.SetSize(Screen()->Width(), Screen()->Height());
  TCanvas* canvas = out.Canvas();
  canvas->Brush()->SetColor(clBackground);
  canvas->FillRect({0, 0, out.Width(), out.Height()});
  std::vector<TCustomForm*> forms;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f->Visible()) forms.push_back(f);
  }
  // The active form and modal forms lie above the others, the active one topmost.
  std::stable_sort(forms.begin(), forms.end(), [](const TCustomForm* a, const TCustomForm* b) {
    auto rank = [](const TCustomForm* f) { return IsActive(*f) ? 2 : f->Modal() ? 1 : 0; };
    return rank(a) < rank(b);
  });
  for (TCustomForm* f : forms) {
    TBitmap window;
    RenderForm(*f, window);
    const TRect at = ScreenBounds(*f);
    canvas->Draw(at.Left, at.Top, &window);
  }
}

void RenderScreenToPng(const std::string& path) {
  TBitmap image;
  RenderScreen(image);
  image.SaveToFile(path);
}

}  // namespace vcl
