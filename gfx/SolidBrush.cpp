#include "gfx/SolidBrush.h"

namespace gfx {

CairoPatternPtr SolidBrush::makePattern() const {
  return CairoPatternPtr(cairo_pattern_create_rgba(redOf(color_) / 255.0, greenOf(color_) / 255.0,
                                                   blueOf(color_) / 255.0, alphaOf(color_) / 255.0));
}

}  // namespace gfx
