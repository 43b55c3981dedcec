#pragma once
// Lays out a GIF89a file from the frames a GifMaker holds.
#include <cstdint>
#include <string>
#include <vector>

#include "encoder/FrameImage.h"
#include "encoder/GifFormat.h"
#include "encoder/OutputSink.h"

namespace encoder {

// What one frame carries besides its image.
struct FrameRecord {
  static constexpr std::size_t kMaxComment = 255;
  std::uint16_t delay = 0;
  std::uint16_t left = 0;
  std::uint16_t top = 0;
  std::uint8_t disposal = 0;
  std::uint32_t transparency = 0;  // non-zero: palette index 0 is transparent
  std::string comment;             // at most kMaxComment bytes
};

struct Animation {
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  bool loop = true;
  std::uint16_t loopCount = 0;
  std::string comment;
  bool interlace = false;
  std::vector<FrameImage> images;
  std::vector<FrameRecord> records;
};

class GifWriter {
 public:
  // Writes the whole file. Requires at least one frame; failures arrive as EncoderError from the sink.
  static void write(const Animation& animation, OutputSink& sink);
};

}  // namespace encoder
