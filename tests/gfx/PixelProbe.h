#pragma once
// Reading drawn pixels back in tests: where the ink is, and colour comparison with a tolerance.
#include <cstdlib>
#include <optional>

#include "gfx/Bitmap.h"

namespace testing_pixels {

struct PixelBox {
  int left, top, right, bottom;  // inclusive
};

// The box of pixels whose alpha exceeds `minAlpha`; nullopt when there are none.
inline std::optional<PixelBox> inkBox(const gfx::Bitmap& b, int minAlpha = 0) {
  std::optional<PixelBox> box;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) {
      if (gfx::alphaOf(b.pixel(x, y)) <= minAlpha) continue;
      if (!box) box = PixelBox{x, y, x, y};
      box->left = std::min(box->left, x), box->right = std::max(box->right, x);
      box->top = std::min(box->top, y), box->bottom = std::max(box->bottom, y);
    }
  return box;
}

// True when every channel of the two straight colours differs by at most `tolerance`.
inline bool near(gfx::Argb a, gfx::Argb b, int tolerance) {
  auto d = [](int x, int y) { return std::abs(x - y); };
  return d(gfx::alphaOf(a), gfx::alphaOf(b)) <= tolerance && d(gfx::redOf(a), gfx::redOf(b)) <= tolerance &&
         d(gfx::greenOf(a), gfx::greenOf(b)) <= tolerance && d(gfx::blueOf(a), gfx::blueOf(b)) <= tolerance;
}

}  // namespace testing_pixels
