#pragma once
// A window region (the SetWindowRgn role): a rectangle with optionally rounded corners, and the
// conversion of regions and alpha masks into the rectangle lists that backends use as window shapes.
#include <cstdint>
#include <vector>

#include "gfx/Bitmap.h"
#include "platform/Types.h"

namespace platform {

class Region {
 public:
  Region() = default;
  // CreateRoundRectRgn(left, top, right, bottom, ellipseWidth, ellipseHeight); corners of an ellipse
  // ellipseWidth x ellipseHeight. Unlike GDI, right and bottom are exclusive here.
  static Region roundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
  static Region rect(const Rect& r) { return roundRect(r.left, r.top, r.right, r.bottom, 0, 0); }

  bool contains(Point p) const;
  Rect bounds() const { return bounds_; }
  bool empty() const { return bounds_.empty(); }
  // The region as disjoint rectangles, clipped to (0, 0, width, height).
  std::vector<Rect> rectangles(int width, int height) const;

  friend bool operator==(const Region&, const Region&) = default;

 private:
  Rect bounds_;
  int ellipseWidth_ = 0;
  int ellipseHeight_ = 0;
};

// Rectangles covering the pixels of `pixels` whose alpha is at least `minAlpha`.
std::vector<Rect> rectanglesWhereAlpha(const gfx::Bitmap& pixels, std::uint8_t minAlpha);

}  // namespace platform
