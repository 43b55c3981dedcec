#pragma once
// A pen: colour, width and dash style of outlines. Dashes scale with the width as in GDI+.
#include <cairo.h>

#include "gfx/Bitmap.h"

namespace gfx {

enum class DashStyle { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4 };

class Pen {
 public:
  explicit Pen(Argb color, float width = 1.0f) : color_(color), width_(width) {}

  Argb color() const { return color_; }
  void setColor(Argb c) { color_ = c; }
  float width() const { return width_; }
  void setWidth(float w) { width_ = w; }
  DashStyle dashStyle() const { return dash_; }
  void setDashStyle(DashStyle d) { dash_ = d; }

  // Sets source colour, line width, flat caps, miter joins and the dash pattern on `cr`.
  void applyTo(cairo_t* cr) const;

 private:
  Argb color_;
  float width_;
  DashStyle dash_ = DashStyle::Solid;
};

}  // namespace gfx
