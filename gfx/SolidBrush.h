#pragma once
#include "gfx/Bitmap.h"
#include "gfx/Brush.h"

namespace gfx {

class SolidBrush : public Brush {
 public:
  explicit SolidBrush(Argb color) : color_(color) {}
  Argb color() const { return color_; }
  void setColor(Argb c) { color_ = c; }
  CairoPatternPtr makePattern() const override;

 private:
  Argb color_;
};

}  // namespace gfx
