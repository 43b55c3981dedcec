#include "gfx/Pen.h"

#include <cmath>
#include <span>

namespace gfx {

namespace {
// Dash and gap lengths in units of the pen width.
constexpr double kDash[] = {3, 1};
constexpr double kDot[] = {1, 1};
constexpr double kDashDot[] = {3, 1, 1, 1};
constexpr double kDashDotDot[] = {3, 1, 1, 1, 1, 1};
constexpr int kMaxDashes = 6;

std::span<const double> pattern(DashStyle d) {
  switch (d) {
    case DashStyle::Dash: return kDash;
    case DashStyle::Dot: return kDot;
    case DashStyle::DashDot: return kDashDot;
    case DashStyle::DashDotDot: return kDashDotDot;
    case DashStyle::Solid: break;
  }
  return {};
}
}  // namespace

void Pen::applyTo(cairo_t* cr) const {
  cairo_set_source_rgba(cr, redOf(color_) / 255.0, greenOf(color_) / 255.0, blueOf(color_) / 255.0,
                        alphaOf(color_) / 255.0);
  // GDI+ draws a pen thinner than one pixel as one pixel wide.
  const double w = std::isfinite(width_) && width_ > 1 ? width_ : 1.0;
  cairo_set_line_width(cr, w);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  const auto p = pattern(dash_);
  double scaled[kMaxDashes];
  for (std::size_t i = 0; i < p.size(); ++i) scaled[i] = p[i] * w;
  cairo_set_dash(cr, scaled, static_cast<int>(p.size()), 0);
}

}  // namespace gfx
