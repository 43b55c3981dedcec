#pragma once
// Float geometry of the drawing layer: points, sizes and (x, y, width, height) rectangles.
#include <algorithm>

namespace gfx {

struct PointF {
  float x = 0;
  float y = 0;
  friend bool operator==(const PointF&, const PointF&) = default;
};

struct SizeF {
  float width = 0;
  float height = 0;
  friend bool operator==(const SizeF&, const SizeF&) = default;
};

struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;

  float right() const { return x + width; }
  float bottom() const { return y + height; }
  bool isEmpty() const { return !(width > 0) || !(height > 0); }
  bool contains(PointF p) const { return p.x >= x && p.y >= y && p.x < right() && p.y < bottom(); }
  RectF offset(float dx, float dy) const { return {x + dx, y + dy, width, height}; }
  RectF intersect(const RectF& o) const {
    const float l = std::max(x, o.x), t = std::max(y, o.y);
    const float r = std::min(right(), o.right()), b = std::min(bottom(), o.bottom());
    if (r <= l || b <= t) return {l, t, 0, 0};
    return {l, t, r - l, b - t};
  }
  friend bool operator==(const RectF&, const RectF&) = default;
};

}  // namespace gfx
