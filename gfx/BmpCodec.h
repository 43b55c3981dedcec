#pragma once
// Windows and OS/2 bitmap files (.bmp).
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"

namespace gfx {

class BmpCodec {
 public:
  // Core (OS/2), info, V2..V5 headers; 1/4/8-bit paletted (also RLE8/RLE4), 16, 24 and 32-bit with or
  // without bit fields; bottom-up and top-down rows.
  static DecodeResult decode(std::span<const std::uint8_t> bytes);
  // 24-bit bottom-up BI_RGB with the usual 54 bytes of headers; the stored (premultiplied) colours.
  static std::vector<std::uint8_t> encode(const Bitmap& bitmap);
};

}  // namespace gfx
