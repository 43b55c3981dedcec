#pragma once
// GIF LZW coding of one indexed image: the minimum code size byte followed by data sub-blocks
// (without the block terminator, which the writer adds).
#include <array>
#include <cstdint>
#include <vector>

#include "encoder/FrameImage.h"
#include "encoder/OutputSink.h"

namespace encoder {

class LzwEncoder {
 public:
  static constexpr int kMaxCodeWidth = 12;
  static constexpr int kMaxCodes = 1 << kMaxCodeWidth;  // 4096
  static constexpr int kStagingSize = 32768;
  static constexpr int kSubBlockSize = 256;  // length byte + up to 255 data bytes

  // Codes `height` rows of `width` indices, one byte each, each row `stride` bytes apart, the first
  // stored row being the bottom image row (as a FrameImage keeps them). bitsPerPixel decides the
  // minimum code size (at least 2). Rows go in GIF interlace order when `interlace` is set.
  static void encode(const std::uint8_t* bottomUpRows, int width, int height, int stride, int bitsPerPixel,
                     bool interlace, OutputSink& sink);
  static void encode(const FrameImage& image, bool interlace, OutputSink& sink) {
    encode(image.pixels(), image.width(), image.height(), image.stride(), image.bitsPerPixel(), interlace, sink);
  }

  // Image rows (0 = top) in the order they are coded.
  static std::vector<int> rowOrder(int height, bool interlace);
};

}  // namespace encoder
