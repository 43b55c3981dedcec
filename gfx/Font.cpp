#include "gfx/Font.h"

#include <pango/pangocairo.h>

#include <array>
#include <cmath>
#include <utility>

namespace gfx {

namespace {
constexpr std::string_view kCjkFamilies = "WenQuanYi Micro Hei,Noto Sans CJK SC,Droid Sans Fallback";
constexpr std::string_view kLatinSans = "DejaVu Sans";

// Windows face names the skins ask for, and whether the face is a CJK one. CJK faces go straight to a
// CJK family, so that Latin letters in Chinese captions keep the CJK font's metrics as on Windows.
struct FaceAlias {
  std::string_view face;
  bool cjk;
};
constexpr std::array kAliases = {
    FaceAlias{"宋体", true},     FaceAlias{"新宋体", true},  FaceAlias{"微软雅黑", true},
    FaceAlias{"楷体", true},     FaceAlias{"黑体", true},    FaceAlias{"SimSun", true},
    FaceAlias{"Microsoft YaHei", true}, FaceAlias{"KaiTi", true}, FaceAlias{"SimHei", true},
    FaceAlias{"Tahoma", false},  FaceAlias{"Arial", false},  FaceAlias{"Verdana", false},
    FaceAlias{"Segoe UI", false}, FaceAlias{"MS Shell Dlg", false},
};

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

PangoFontDescriptionPtr makeDescription(std::string_view face, float size, int style) {
  PangoFontDescriptionPtr d(pango_font_description_new());
  pango_font_description_set_family(d.get(), Font::familiesFor(face).c_str());
  pango_font_description_set_absolute_size(d.get(), std::max(1.0f, size) * PANGO_SCALE);
  pango_font_description_set_weight(d.get(), (style & FontStyle::Bold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(d.get(), (style & FontStyle::Italic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return d;
}
}  // namespace

std::string Font::familiesFor(std::string_view face) {
  for (const FaceAlias& a : kAliases) {
    if (a.face == face || equalsIgnoreCase(a.face, face)) {
      return a.cjk ? std::string(kCjkFamilies) : std::string(kLatinSans) + "," + std::string(kCjkFamilies);
    }
  }
  // Unknown faces are asked for by name first; fontconfig substitutes when they are missing.
  std::string name(face);
  std::erase(name, ',');
  return name.empty() ? std::string(kCjkFamilies) : name + "," + std::string(kCjkFamilies);
}

Font::Font(std::string_view face, float sizePx, int style)
    : face_(face),
      size_(sizePx),
      style_(style),
      ok_(!face.empty() && std::isfinite(sizePx) && sizePx > 0),
      desc_(makeDescription(face, std::isfinite(sizePx) ? sizePx : 1.0f, style)) {}

Font::Font(const Font& o)
    : face_(o.face_), size_(o.size_), style_(o.style_), ok_(o.ok_),
      desc_(pango_font_description_copy(o.desc_.get())) {}

Font& Font::operator=(const Font& o) {
  if (this != &o) {
    Font copy(o);
    *this = std::move(copy);
  }
  return *this;
}

float Font::lineHeight() const {
  PangoFontMap* map = pango_cairo_font_map_get_default();  // owned by pango, one per thread
  GObjectPtr<PangoContext> ctx(pango_font_map_create_context(map));
  PangoFontMetricsPtr m(pango_context_get_metrics(ctx.get(), desc_.get(), nullptr));
  int h = pango_font_metrics_get_height(m.get());
  if (h <= 0) h = pango_font_metrics_get_ascent(m.get()) + pango_font_metrics_get_descent(m.get());
  return static_cast<float>(h) / PANGO_SCALE;
}

}  // namespace gfx
