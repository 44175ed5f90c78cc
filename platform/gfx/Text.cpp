// Text through pango, with the repository's font configuration, so that the same text
// measures the same on every machine with the packaged fonts.
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

#include "platform/gfx/PainterCairo.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"

namespace vcl::gfx {

extern const char kFontsConf[];  // fonts.conf, built into the library

namespace {

constexpr int kDefaultCharHeight = 12;  // a font height of 0 asks for the default size

class TextEngine {
 public:
  static TextEngine& Get() {
    static TextEngine* engine = new TextEngine;  // kept for the life of the process
    return *engine;
  }

  std::mutex mutex;

  PangoLayout* NewLayout() { return pango_layout_new(context_); }

  // The pango description of a font; cached, since forms ask for few distinct fonts.
  const PangoFontDescription* Describe(const FontSpec& font) {
    std::string key = font.name + '\x01' + std::to_string(font.height) + '\x01' +
                      std::to_string(font.codePage) + (font.bold ? "b" : "") +
                      (font.italic ? "i" : "");
    auto it = descriptions_.find(key);
    if (it != descriptions_.end()) return it->second;
    PangoFontDescription* d = pango_font_description_new();
    std::string family = font.name.empty() ? std::string("MS Sans Serif")
                                           : WideToUtf8(CodePageToWide(font.name, font.codePage));
    std::replace(family.begin(), family.end(), ',', ' ');
    pango_font_description_set_family(d, family.c_str());
    pango_font_description_set_weight(d, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    double pixels = kDefaultCharHeight;
    if (font.height < 0) {
      pixels = -font.height;
    } else if (font.height > 0) {
      // A cell height: scale the character height so that ascent + descent matches it.
      pango_font_description_set_absolute_size(d, 100.0 * PANGO_SCALE);
      PangoFontMetrics* m = pango_context_get_metrics(context_, d, nullptr);
      const double cell =
          double(pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) /
          PANGO_SCALE;
      pango_font_metrics_unref(m);
      pixels = cell > 0 ? font.height * 100.0 / cell : font.height;
    }
    pango_font_description_set_absolute_size(d, pixels * PANGO_SCALE);
    if (descriptions_.size() > 256) Clear();
    descriptions_.emplace(std::move(key), d);
    return d;
  }

  // Widths of short texts, cached: layouts measure the same few strings over and over.
  std::unordered_map<std::string, TextExtent> extents;

 private:
  TextEngine() {
    FcConfig* config = FcConfigCreate();
    if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontsConf),
                                        FcTrue) ||
        !FcConfigBuildFonts(config)) {
      FcConfigDestroy(config);
      throw Exception("The font configuration could not be loaded");
    }
    PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config);
    FcConfigDestroy(config);  // the font map keeps its own reference
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(map), 96.0);
    context_ = pango_font_map_create_context(map);
    g_object_unref(map);  // the context keeps the map
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
    pango_cairo_context_set_font_options(context_, options);
    cairo_font_options_destroy(options);
    PangoLanguage* language = pango_language_from_string("zh-cn");
    pango_context_set_language(context_, language);
  }

  void Clear() {
    for (auto& [k, d] : descriptions_) pango_font_description_free(d);
    descriptions_.clear();
  }

  PangoContext* context_ = nullptr;
  std::unordered_map<std::string, PangoFontDescription*> descriptions_;
};

// A layout with its text and attributes, released on scope exit.
class Layout {
 public:
  Layout(TextEngine& engine, const FontSpec& font, const std::string& utf8, int underlineAt,
         int underlineLength)
      : layout_(engine.NewLayout()) {
    pango_layout_set_font_description(layout_, engine.Describe(font));
    pango_layout_set_text(layout_, utf8.data(), int(utf8.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.underline)
      pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font.strikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    if (underlineAt >= 0) {
      PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
      a->start_index = unsigned(underlineAt);
      a->end_index = unsigned(underlineAt + underlineLength);
      pango_attr_list_insert(attrs, a);
    }
    pango_layout_set_attributes(layout_, attrs);
    pango_attr_list_unref(attrs);
  }
  ~Layout() { g_object_unref(layout_); }
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;

  PangoLayout* get() const { return layout_; }
  TextExtent Extent() const {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout_, nullptr, &logical);
    return {logical.width, logical.height};
  }

 private:
  PangoLayout* layout_;
};

struct DecodedText {
  std::string utf8;
  int underlineAt = -1;  // byte offset of the character after "&", or -1
  int underlineLength = 0;
};

// Decodes the bytes by the font's code page; with `prefix`, "&x" marks x for underlining
// and "&&" stands for "&". Line breaks are dropped for single-line text.
DecodedText Decode(std::string_view bytes, UINT codePage, bool prefix, bool singleLine) {
  const WideString wide = CodePageToWide(bytes, codePage);
  WideString shown;
  shown.reserve(wide.size());
  int underlineIndex = -1;
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char16_t c = wide[i];
    if (c == u'\r' || (singleLine && c == u'\n')) continue;
    if (prefix && c == u'&') {
      if (i + 1 < wide.size() && wide[i + 1] == u'&') {
        shown.push_back(u'&');
        ++i;
        continue;
      }
      if (i + 1 < wide.size()) underlineIndex = int(shown.size());
      continue;
    }
    shown.push_back(c);
  }
  DecodedText out;
  if (underlineIndex >= 0) {
    out.underlineAt = int(WideToUtf8(shown.substr(0, std::size_t(underlineIndex))).size());
    std::size_t n = (shown[std::size_t(underlineIndex)] >= 0xD800 &&
                     shown[std::size_t(underlineIndex)] < 0xDC00)
                        ? 2
                        : 1;
    out.underlineLength = int(WideToUtf8(shown.substr(std::size_t(underlineIndex), n)).size());
  }
  out.utf8 = WideToUtf8(shown);
  return out;
}

void SetColor(cairo_t* cr, Rgb color) {
  cairo_set_source_rgb(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                       (color & 0xFF) / 255.0);
}

}  // namespace

FontMetrics GetFontMetrics(const FontSpec& font) {
  TextEngine& engine = TextEngine::Get();
  std::lock_guard lock(engine.mutex);
  Layout layout(engine, font, "x", -1, 0);
  FontMetrics m;
  const TextExtent e = layout.Extent();
  m.height = e.cy;
  m.ascent = pango_layout_get_baseline(layout.get()) / PANGO_SCALE;
  m.descent = m.height - m.ascent;
  m.averageCharWidth = e.cx;
  return m;
}

TextExtent MeasureText(std::string_view text, const FontSpec& font) {
  TextEngine& engine = TextEngine::Get();
  std::lock_guard lock(engine.mutex);
  std::string key;
  const bool cacheable = text.size() <= 64;
  if (cacheable) {
    key.append(font.name).append(1, '\x01').append(std::to_string(font.height));
    key.append(1, '\x01').append(std::to_string(font.codePage));
    key.append(font.bold ? "b" : "-").append(font.italic ? "i" : "-").append(1, '\x02');
    key.append(text);
    auto it = engine.extents.find(key);
    if (it != engine.extents.end()) return it->second;
  }
  const DecodedText d = Decode(text, font.codePage, false, true);
  Layout layout(engine, font, d.utf8, -1, 0);
  TextExtent e = layout.Extent();
  if (e.cy == 0) e.cy = Layout(engine, font, " ", -1, 0).Extent().cy;
  if (cacheable) {
    if (engine.extents.size() > 8192) engine.extents.clear();
    engine.extents.emplace(std::move(key), e);
  }
  return e;
}

void Painter::TextOut(int x, int y, std::string_view text, const FontSpec& font, Rgb color,
                      std::optional<Rgb> background) {
  if (background) {
    const TextExtent e = MeasureText(text, font);
    FillRect({x, y, x + e.cx, y + e.cy}, *background);
  }
  TextEngine& engine = TextEngine::Get();
  std::lock_guard lock(engine.mutex);
  const DecodedText d = Decode(text, font.codePage, false, true);
  Layout layout(engine, font, d.utf8, -1, 0);
  cairo_t* cr = PainterAccess::Begin(*this);
  SetColor(cr, color);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout.get());
  PainterAccess::End(*this);
}

int Painter::DrawText(std::string_view text, TRect& rect, unsigned flags, const FontSpec& font,
                      Rgb color) {
  TextEngine& engine = TextEngine::Get();
  std::lock_guard lock(engine.mutex);
  const bool singleLine = (flags & DT_SINGLELINE) != 0;
  const DecodedText d = Decode(text, font.codePage, !(flags & DT_NOPREFIX), singleLine);
  Layout layout(engine, font, d.utf8, d.underlineAt, d.underlineLength);
  PangoLayout* pl = layout.get();
  const int width = std::max(0, rect.Width());
  bool boxed = false;  // pango places the lines inside the rectangle's width
  if ((flags & DT_WORDBREAK) && !singleLine) {
    pango_layout_set_width(pl, width * PANGO_SCALE);
    pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    boxed = true;
  } else if (flags & DT_END_ELLIPSIS) {
    pango_layout_set_width(pl, width * PANGO_SCALE);
    pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_END);
    boxed = true;
  }
  if (boxed)
    pango_layout_set_alignment(pl, (flags & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                   : (flags & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                        : PANGO_ALIGN_LEFT);
  TextExtent e = layout.Extent();
  if (e.cy == 0) e.cy = Layout(engine, font, " ", -1, 0).Extent().cy;
  if (flags & DT_CALCRECT) {
    rect.Right = rect.Left + (boxed && !(flags & DT_END_ELLIPSIS) ? std::min(e.cx, width) : e.cx);
    rect.Bottom = rect.Top + e.cy;
    return e.cy;
  }
  int x = rect.Left;
  if (!boxed) {
    if (flags & DT_CENTER)
      x = rect.Left + (width - e.cx) / 2;
    else if (flags & DT_RIGHT)
      x = rect.Right - e.cx;
  }
  int y = rect.Top;
  if (singleLine && (flags & DT_VCENTER))
    y = rect.Top + (rect.Height() - e.cy) / 2;
  else if (singleLine && (flags & DT_BOTTOM))
    y = rect.Bottom - e.cy;
  const TRect savedClip = Clip();
  if (!(flags & DT_NOCLIP)) IntersectClip(rect);
  cairo_t* cr = PainterAccess::Begin(*this);
  SetColor(cr, color);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, pl);
  PainterAccess::End(*this);
  SetClip(savedClip);
  return e.cy;
}

}  // namespace vcl::gfx
