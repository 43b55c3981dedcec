#pragma once
// PNG files through libpng.
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"

namespace gfx {

class PngCodec {
 public:
  // Every colour type and depth (palette with tRNS, grey with alpha, 16-bit, interlaced); alpha kept.
  static DecodeResult decode(std::span<const std::uint8_t> bytes);
  // 8-bit RGBA with straight alpha, fast compression.
  static std::vector<std::uint8_t> encode(const Bitmap& bitmap);
};

}  // namespace gfx
