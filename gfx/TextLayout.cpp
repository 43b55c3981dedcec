#include "gfx/TextLayout.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace gfx {

namespace {
constexpr char16_t kReplacement = 0xFFFD;

float alignFactor(StringAlignment a) {
  switch (a) {
    case StringAlignment::Center: return 0.5f;
    case StringAlignment::Far: return 1.0f;
    case StringAlignment::Near: break;
  }
  return 0.0f;
}

bool bounded(float v) { return std::isfinite(v) && v > 0; }

struct PreparedText {
  std::string text;
  std::vector<std::pair<int, int>> underlined;  // byte ranges of hot-key letters
};

// Applies the hot-key prefix rule ("&F" -> F, "&&" -> "&") and drops spaces at line ends unless they
// are measured, keeping the hot-key letter's byte range in step.
PreparedText prepare(std::string_view in, const StringFormat* fmt) {
  PreparedText out;
  const HotkeyPrefix prefix = fmt ? fmt->hotkeyPrefix() : HotkeyPrefix::None;
  std::string text;
  text.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (prefix != HotkeyPrefix::None && in[i] == '&' && i + 1 < in.size()) {
      ++i;
      if (in[i] != '&' && prefix == HotkeyPrefix::Show) {
        const char* next = g_utf8_find_next_char(in.data() + i, in.data() + in.size());
        const std::size_t len = next ? static_cast<std::size_t>(next - (in.data() + i)) : in.size() - i;
        out.underlined.emplace_back(static_cast<int>(text.size()), static_cast<int>(text.size() + len));
      }
    }
    text.push_back(in[i]);
  }
  if (fmt && fmt->hasFlag(StringFormatFlags::MeasureTrailingSpaces)) {
    out.text = std::move(text);
    return out;
  }
  // Drop runs of spaces that end a line.
  std::string kept;
  kept.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      std::size_t j = i;
      while (j < text.size() && text[j] == ' ') ++j;
      const bool lineEnd = j == text.size() || text[j] == '\n' || text[j] == '\r';
      if (lineEnd) {
        auto shift = [&](int& pos) {
          if (pos > static_cast<int>(kept.size())) pos = std::max<int>(static_cast<int>(kept.size()), pos - static_cast<int>(j - i));
        };
        for (auto& [start, end] : out.underlined) {
          shift(start);
          shift(end);
        }
      } else {
        kept.append(text, i, j - i);
      }
      i = j;
    } else {
      kept.push_back(text[i++]);
    }
  }
  out.text = std::move(kept);
  std::erase_if(out.underlined, [](const auto& r) { return r.second <= r.first; });
  return out;
}
}  // namespace

std::string TextLayout::utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;  // a lone surrogate
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

void TextLayout::setFontOptions(cairo_font_options_t* o, TextRenderingHint hint) {
  cairo_antialias_t aa = CAIRO_ANTIALIAS_GRAY;
  cairo_hint_style_t style = CAIRO_HINT_STYLE_FULL;
  cairo_hint_metrics_t metrics = CAIRO_HINT_METRICS_ON;
  switch (hint) {
    case TextRenderingHint::SystemDefault: style = CAIRO_HINT_STYLE_SLIGHT; break;
    case TextRenderingHint::SingleBitPerPixelGridFit: aa = CAIRO_ANTIALIAS_NONE; break;
    case TextRenderingHint::SingleBitPerPixel: aa = CAIRO_ANTIALIAS_NONE, style = CAIRO_HINT_STYLE_NONE; break;
    case TextRenderingHint::AntiAliasGridFit: break;
    case TextRenderingHint::AntiAlias:
      style = CAIRO_HINT_STYLE_NONE, metrics = CAIRO_HINT_METRICS_OFF;
      break;
    case TextRenderingHint::ClearTypeGridFit:
      aa = CAIRO_ANTIALIAS_SUBPIXEL;
      cairo_font_options_set_subpixel_order(o, CAIRO_SUBPIXEL_ORDER_RGB);
      break;
  }
  cairo_font_options_set_antialias(o, aa);
  cairo_font_options_set_hint_style(o, style);
  cairo_font_options_set_hint_metrics(o, metrics);
}

TextLayout::TextLayout(cairo_t* cr, std::string_view utf8, const Font& font, const RectF& rect,
                       const StringFormat* fmt, TextRenderingHint hint) {
  // Invalid UTF-8 is replaced rather than handed to pango.
  char* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
  PreparedText prepared = prepare(valid, fmt);
  g_free(valid);

  layout_.reset(pango_cairo_create_layout(cr));
  PangoContext* ctx = pango_layout_get_context(layout_.get());
  CairoFontOptionsPtr options(cairo_font_options_create());
  setFontOptions(options.get(), hint);
  pango_cairo_context_set_font_options(ctx, options.get());
  pango_layout_context_changed(layout_.get());
  pango_layout_set_font_description(layout_.get(), font.description());

  PangoAttrListPtr attrs(pango_attr_list_new());
  if (font.style() & FontStyle::Underline) pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  if (font.style() & FontStyle::Strikeout) pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
  if (fmt && fmt->hasFlag(StringFormatFlags::NoFontFallback)) pango_attr_list_insert(attrs.get(), pango_attr_fallback_new(FALSE));
  for (const auto& [start, end] : prepared.underlined) {
    PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
    u->start_index = static_cast<guint>(start);
    u->end_index = static_cast<guint>(end);
    pango_attr_list_insert(attrs.get(), u);
  }
  pango_layout_set_attributes(layout_.get(), attrs.get());

  const bool noWrap = fmt && fmt->hasFlag(StringFormatFlags::NoWrap);
  const StringTrimming trimming = fmt ? fmt->trimming() : StringTrimming::Character;
  const bool ellipsis = trimming == StringTrimming::EllipsisCharacter || trimming == StringTrimming::EllipsisWord ||
                        trimming == StringTrimming::EllipsisPath;
  const bool hasWidth = bounded(rect.width), hasHeight = bounded(rect.height);
  const float hf = alignFactor(fmt ? fmt->alignment() : StringAlignment::Near);
  const float vf = alignFactor(fmt ? fmt->lineAlignment() : StringAlignment::Near);

  bool widthSet = false;
  if (hasWidth && (!noWrap || ellipsis)) {
    pango_layout_set_width(layout_.get(), static_cast<int>(rect.width * PANGO_SCALE));
    pango_layout_set_wrap(layout_.get(), trimming == StringTrimming::Word || trimming == StringTrimming::EllipsisWord
                                             ? PANGO_WRAP_WORD
                                             : PANGO_WRAP_WORD_CHAR);
    widthSet = true;
  }
  // Without wrapping every paragraph is one ellipsized line; with it, the lines that fit the height.
  // Wrapped text with no height limit always fits, so nothing is trimmed (pango's default height of
  // -1 would cut every paragraph to one line).
  if (ellipsis && widthSet && (noWrap || hasHeight)) {
    pango_layout_set_ellipsize(layout_.get(), trimming == StringTrimming::EllipsisPath ? PANGO_ELLIPSIZE_MIDDLE
                                                                                       : PANGO_ELLIPSIZE_END);
    if (!noWrap) pango_layout_set_height(layout_.get(), static_cast<int>(rect.height * PANGO_SCALE));
    else pango_layout_set_height(layout_.get(), -1);
  }
  pango_layout_set_alignment(layout_.get(), hf == 0.5f ? PANGO_ALIGN_CENTER : hf == 1.0f ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
  pango_layout_set_text(layout_.get(), prepared.text.data(), static_cast<int>(prepared.text.size()));

  // Line limit: only whole lines that fit the height are shown.
  if (fmt && fmt->hasFlag(StringFormatFlags::LineLimit) && hasHeight) {
    const int lines = pango_layout_get_line_count(layout_.get());
    int fit = 0;
    int lastEnd = 0;
    for (int i = 0; i < lines; ++i) {
      PangoRectangle logical;
      PangoLayoutIter* it = pango_layout_get_iter(layout_.get());
      for (int k = 0; k < i; ++k) pango_layout_iter_next_line(it);
      pango_layout_iter_get_line_extents(it, nullptr, &logical);
      pango_layout_iter_free(it);
      if (static_cast<float>(logical.y + logical.height) / PANGO_SCALE > rect.height + 0.01f) break;
      PangoLayoutLine* line = pango_layout_get_line_readonly(layout_.get(), i);
      lastEnd = line->start_index + line->length;
      fit = i + 1;
    }
    if (fit == 0) {
      visible_ = false;
    } else if (fit < lines) {
      pango_layout_set_text(layout_.get(), prepared.text.data(), lastEnd);
    }
  }

  PangoRectangle logical;
  pango_layout_get_extents(layout_.get(), nullptr, &logical);
  const float lx = static_cast<float>(logical.x) / PANGO_SCALE, ly = static_cast<float>(logical.y) / PANGO_SCALE;
  const float lw = static_cast<float>(logical.width) / PANGO_SCALE, lh = static_cast<float>(logical.height) / PANGO_SCALE;

  // Horizontal alignment is done by pango inside a set width; otherwise the block is moved here, around
  // the rectangle's left edge when there is no width at all.
  origin_.x = rect.x;
  if (!widthSet) origin_.x += hasWidth ? (rect.width - lw) * hf : -lw * hf;
  origin_.y = rect.y + (hasHeight ? (rect.height - lh) * vf : -lh * vf);
  if (!visible_) {
    bounds_ = {rect.x, rect.y, 0, 0};
  } else {
    bounds_ = {origin_.x + lx, origin_.y + ly, lw, lh};
    if (hasHeight && bounds_.height > rect.height) {
      // Measured bounds stay inside the layout box, as GDI+ reports them.
      bounds_.y = std::max(bounds_.y, rect.y);
      bounds_.height = rect.height;
    }
  }
  clipped_ = hasWidth && hasHeight && !(fmt && fmt->hasFlag(StringFormatFlags::NoClip));
  clip_ = rect;
}

void TextLayout::draw(cairo_t* cr) const {
  if (!visible_) return;
  cairo_save(cr);
  if (clipped_) {
    cairo_rectangle(cr, clip_.x, clip_.y, clip_.width, clip_.height);
    cairo_clip(cr);
  }
  cairo_move_to(cr, origin_.x, origin_.y);
  pango_cairo_show_layout(cr, layout_.get());
  cairo_restore(cr);
}

}  // namespace gfx
