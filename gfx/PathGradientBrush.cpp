#include "gfx/PathGradientBrush.h"

namespace gfx {

namespace {
void cornerColor(cairo_pattern_t* p, unsigned corner, Argb c) {
  cairo_mesh_pattern_set_corner_color_rgba(p, corner, redOf(c) / 255.0, greenOf(c) / 255.0, blueOf(c) / 255.0,
                                           alphaOf(c) / 255.0);
}
}  // namespace

PathGradientBrush::PathGradientBrush(const GraphicsPath& path) : outline_(path.flatten()) {
  const RectF b = path.bounds();
  centerPoint_ = {b.x + b.width / 2, b.y + b.height / 2};
}

CairoPatternPtr PathGradientBrush::makePattern() const {
  // A fan of triangles from the centre to every edge of the flattened outline, each shaded from the
  // centre colour to the surround colour.
  CairoPatternPtr p(cairo_pattern_create_mesh());
  for (const auto& fig : outline_) {
    if (fig.size() < 2) continue;
    for (std::size_t i = 0; i < fig.size(); ++i) {
      const PointF a = fig[i], b = fig[(i + 1) % fig.size()];
      if (a == b) continue;
      cairo_mesh_pattern_begin_patch(p.get());
      cairo_mesh_pattern_move_to(p.get(), centerPoint_.x, centerPoint_.y);
      cairo_mesh_pattern_line_to(p.get(), a.x, a.y);
      cairo_mesh_pattern_line_to(p.get(), b.x, b.y);
      cornerColor(p.get(), 0, center_);
      cornerColor(p.get(), 1, surround_);
      cornerColor(p.get(), 2, surround_);
      cornerColor(p.get(), 3, center_);
      cairo_mesh_pattern_end_patch(p.get());
    }
  }
  return p;
}

}  // namespace gfx
