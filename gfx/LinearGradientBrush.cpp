#include "gfx/LinearGradientBrush.h"

namespace gfx {

namespace {
void addStop(cairo_pattern_t* p, double offset, Argb c) {
  cairo_pattern_add_color_stop_rgba(p, offset, redOf(c) / 255.0, greenOf(c) / 255.0, blueOf(c) / 255.0,
                                    alphaOf(c) / 255.0);
}
}  // namespace

LinearGradientBrush::LinearGradientBrush(const RectF& rect, Argb color1, Argb color2, LinearGradientMode mode)
    : rect_(rect), color1_(color1), color2_(color2), mode_(mode) {}

CairoPatternPtr LinearGradientBrush::makePattern() const {
  // The gradient is built in the unit square and mapped onto the rectangle, which makes the diagonal
  // modes corner to corner whatever the rectangle's aspect ratio.
  double x0 = 0, y0 = 0, x1 = 1, y1 = 0;
  switch (mode_) {
    case LinearGradientMode::Horizontal: break;
    case LinearGradientMode::Vertical: x1 = 0, y1 = 1; break;
    case LinearGradientMode::ForwardDiagonal: x1 = 1, y1 = 1; break;
    case LinearGradientMode::BackwardDiagonal: x0 = 1, y0 = 0, x1 = 0, y1 = 1; break;
  }
  CairoPatternPtr p(cairo_pattern_create_linear(x0, y0, x1, y1));
  addStop(p.get(), 0, color1_);
  addStop(p.get(), 1, color2_);
  switch (wrap_) {
    case WrapMode::Tile: cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_REPEAT); break;
    case WrapMode::Clamp: cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD); break;
    default: cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_REFLECT); break;
  }
  // Pattern matrices map user space to pattern space; a degenerate rectangle keeps the identity.
  if (rect_.width != 0 && rect_.height != 0) {
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 1.0 / rect_.width, 1.0 / rect_.height);
    // A hair of a pixel keeps the start edge itself from rounding to just below 0, which tiling would
    // wrap round to the far colour.
    constexpr double kEdgeNudge = 1.0 / 256;
    cairo_matrix_translate(&m, -rect_.x + kEdgeNudge, -rect_.y + kEdgeNudge);
    cairo_pattern_set_matrix(p.get(), &m);
  }
  return p;
}

}  // namespace gfx
