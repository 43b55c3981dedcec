#pragma once
// The two ways a true-colour picture becomes a 256-colour frame.
//
// The true-colour canvas is the decoded gfx::Bitmap itself: its stored (premultiplied) channels are the
// picture composited onto black, which is what the reductions read.
#include <array>
#include <cstdint>

#include "encoder/FrameImage.h"
#include "gfx/Bitmap.h"

namespace encoder {

class ColorReducer {
 public:
  // 12-bit colour key: the top 4 bits of blue, green and red.
  static constexpr int kKeyCount = 4096;
  static constexpr std::uint16_t keyOf(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint16_t>(((blue >> 4) << 8) | ((green >> 4) << 4) | (red >> 4));
  }
  static constexpr Rgb colourOfKey(std::uint16_t key) {
    return {static_cast<std::uint8_t>((key & 0x00F) << 4), static_cast<std::uint8_t>(key & 0x0F0),
            static_cast<std::uint8_t>((key >> 4) & 0x0F0)};
  }

  // Palette of the 256 most frequent 12-bit colours (ties keep ascending key order through the exchange
  // sort); rarer colours take the nearest palette entry. Entry 0 is the most frequent colour.
  static FrameImage reduceByPopularity(const gfx::Bitmap& canvas);

  // Fixed 216-colour cube (levels 64..224 in steps of 32; entries 216..255 black) and 8x8 ordered
  // dithering. Entry 0 is (64, 64, 64).
  static FrameImage reduceByDither(const gfx::Bitmap& canvas);

  static constexpr std::array<std::uint8_t, 6> kCubeLevels{64, 96, 128, 160, 192, 224};
  static constexpr int kCubeColours = 216;
  static constexpr std::array<std::array<std::uint8_t, 8>, 8> kBayer{{
      {0, 32, 8, 40, 2, 34, 10, 42},
      {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38},
      {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},
      {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37},
      {63, 31, 55, 23, 61, 29, 53, 21},
  }};

  // Cube level number (0..5) of one channel value v under threshold t.
  static constexpr int ditherLevel(int v, int t) {
    constexpr int kLow = 64, kHigh = 224, kStep = 32;
    if (v <= kLow) return 0;
    const int down = v & 0xE0;
    int value = (2 * (v & 31) < t) ? down : down + kStep;
    if (value > kHigh) value = kHigh;
    return (value - kLow) / kStep;
  }
};

}  // namespace encoder
