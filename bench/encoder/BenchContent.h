#pragma once
// Frames that look like what the recorder sees: flat panels, text-like strokes and a gradient, or
// noise for the worst case.
#include <cstdint>
#include <random>
#include <vector>

#include "gfx/Bitmap.h"

namespace bench_content {

inline gfx::Bitmap screenLike(int w, int h, int seed = 1) {
  gfx::Bitmap bmp(w, h, 0xFFF0F0F0);
  std::mt19937 rng(static_cast<unsigned>(seed));
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = bmp.row(y);
    for (int x = 0; x < w; ++x) {
      if (y < h / 10) row[x] = gfx::makeArgb(255, 30 + x * 60 / w, 60 + y, 140);  // title gradient
      else if (x < w / 5) row[x] = 0xFF2B2B2B;                                        // side panel
      else if ((y / 14) % 2 == 0 && (x / 6) % 3 != 0 && rng() % 5 == 0) row[x] = 0xFF101010;  // "text"
    }
  }
  return bmp;
}

inline gfx::Bitmap noise(int w, int h, int seed = 2) {
  gfx::Bitmap bmp(w, h);
  std::mt19937 rng(static_cast<unsigned>(seed));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.row(y)[x] = 0xFF000000u | (rng() & 0xFFFFFFu);
  return bmp;
}

}  // namespace bench_content
