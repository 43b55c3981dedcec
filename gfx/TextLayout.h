#pragma once
// Lays out one string for drawing or measuring: the GDI+ string-format rules on a pango layout.
#include <cairo.h>

#include <string>
#include <string_view>

#include "gfx/CairoPtr.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/RenderingHints.h"
#include "gfx/StringFormat.h"

namespace gfx {

class TextLayout {
 public:
  // `layoutRect` with a width or height of 0 (or less) is unbounded in that direction. The layout is
  // made for the font options of `hint` on `cr` (the target's transform is taken into account).
  TextLayout(cairo_t* cr, std::string_view utf8, const Font& font, const RectF& layoutRect,
             const StringFormat* format, TextRenderingHint hint);

  // The box of the laid-out text (the GDI+ measured bounds), in user space.
  RectF bounds() const { return bounds_; }
  // Draws with the current source of `cr`, clipped to the layout rectangle unless the format says no.
  void draw(cairo_t* cr) const;

  static std::string utf16ToUtf8(std::u16string_view text);
  static void setFontOptions(cairo_font_options_t* options, TextRenderingHint hint);

 private:
  GObjectPtr<PangoLayout> layout_;
  PointF origin_;
  RectF bounds_;
  RectF clip_;
  bool clipped_ = false;
  bool visible_ = true;
};

}  // namespace gfx
