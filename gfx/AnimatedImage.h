#pragma once
// A picture with its frames and their display times: an animated GIF frame by frame, or any other
// picture as one frame.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace gfx {

class AnimatedImage {
 public:
  struct Frame {
    Bitmap bitmap;
    int delayCs = 0;  // 1/100 s, as stored in the file
  };

  AnimatedImage() = default;
  explicit AnimatedImage(std::vector<Frame> frames) : frames_(std::move(frames)) {}

  // Decodes a picture file held in memory; an empty image (with `error` set) when it cannot be read.
  static AnimatedImage decode(std::span<const std::uint8_t> bytes, std::string* error = nullptr);

  bool empty() const { return frames_.empty(); }
  int frameCount() const { return static_cast<int>(frames_.size()); }
  bool isAnimated() const { return frames_.size() > 1; }
  int width() const { return empty() ? 0 : frames_.front().bitmap.width(); }
  int height() const { return empty() ? 0 : frames_.front().bitmap.height(); }
  // Frame `index` (0-based, wrapping around, so a player can just count up).
  const Frame& frame(int index) const;
  // Display time of a frame in milliseconds.
  int delayMs(int index) const { return frame(index).delayCs * kMsPerCs; }

 private:
  static constexpr int kMsPerCs = 10;
  std::vector<Frame> frames_;
};

}  // namespace gfx
