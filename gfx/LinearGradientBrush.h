#pragma once
// A two-colour linear gradient laid over a rectangle, with the four GDI+ direction modes.
#include "gfx/Bitmap.h"
#include "gfx/Brush.h"
#include "gfx/Geometry.h"

namespace gfx {

enum class LinearGradientMode { Horizontal = 0, Vertical = 1, ForwardDiagonal = 2, BackwardDiagonal = 3 };
enum class WrapMode { Tile = 0, TileFlipX = 1, TileFlipY = 2, TileFlipXY = 3, Clamp = 4 };

class LinearGradientBrush : public Brush {
 public:
  // Colour 1 sits on the rectangle's start side (left, top, top-left, top-right by mode), colour 2 on the
  // opposite one; diagonal modes run corner to corner, so the other two corners get the middle colour.
  LinearGradientBrush(const RectF& rect, Argb color1, Argb color2, LinearGradientMode mode);

  WrapMode wrapMode() const { return wrap_; }
  void setWrapMode(WrapMode w) { wrap_ = w; }
  CairoPatternPtr makePattern() const override;

 private:
  RectF rect_;
  Argb color1_, color2_;
  LinearGradientMode mode_;
  WrapMode wrap_ = WrapMode::Tile;
};

}  // namespace gfx
