#pragma once
// A gradient from a centre colour out to a surround colour at the edge of a path; nothing is painted
// outside the path.
#include "gfx/Bitmap.h"
#include "gfx/Brush.h"
#include "gfx/GraphicsPath.h"

namespace gfx {

class PathGradientBrush : public Brush {
 public:
  // The centre point defaults to the centre of the path's bounds.
  explicit PathGradientBrush(const GraphicsPath& path);

  void setCenterColor(Argb c) { center_ = c; }
  void setSurroundColor(Argb c) { surround_ = c; }
  void setCenterPoint(PointF p) { centerPoint_ = p; }
  Argb centerColor() const { return center_; }
  Argb surroundColor() const { return surround_; }
  PointF centerPoint() const { return centerPoint_; }
  CairoPatternPtr makePattern() const override;

 private:
  std::vector<std::vector<PointF>> outline_;
  PointF centerPoint_;
  Argb center_ = 0xFFFFFFFF;
  Argb surround_ = 0xFFFFFFFF;
};

}  // namespace gfx
