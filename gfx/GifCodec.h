#pragma once
// GIF pictures: our own block parser over the shared GIF LZW decoder.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"

namespace gfx {

class GifCodec {
 public:
  // The first image composed on the logical screen.
  static DecodeResult decodeFirst(std::span<const std::uint8_t> bytes);
  // Every image composed as a viewer shows it, after the previous image's disposal.
  static std::vector<AnimationFrame> decodeAll(std::span<const std::uint8_t> bytes, std::string* error);
};

}  // namespace gfx
