#pragma once
// JPEG files through libjpeg(-turbo)'s classic interface.
#include <cstdint>
#include <span>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"

namespace gfx {

class JpegCodec {
 public:
  // Grey, YCbCr/RGB and CMYK/YCCK, baseline or progressive. A file cut short after its header still
  // decodes (the missing part comes out grey, as libjpeg fills it); a broken header is an error.
  static DecodeResult decode(std::span<const std::uint8_t> bytes);
  // quality 1..100 (0 or less: 75); chroma 4:2:0, at 100 full (4:4:4); accurate integer DCT, no
  // Huffman optimisation (speed first).
  // The stored (premultiplied) colours are written, i.e. the picture composited on black.
  static std::vector<std::uint8_t> encode(const Bitmap& bitmap, int quality);

  static constexpr int kDefaultQuality = 75;
};

}  // namespace gfx
