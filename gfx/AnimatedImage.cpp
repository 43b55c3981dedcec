#include "gfx/AnimatedImage.h"

#include "gfx/ImageCodec.h"

namespace gfx {

AnimatedImage AnimatedImage::decode(std::span<const std::uint8_t> bytes, std::string* error) {
  std::vector<AnimationFrame> decoded = decodeAnimation(bytes, error);
  std::vector<Frame> frames;
  frames.reserve(decoded.size());
  for (AnimationFrame& f : decoded) {
    if (!f.bitmap.empty()) frames.push_back({std::move(f.bitmap), f.delayCs});
  }
  if (frames.empty() && error && error->empty()) *error = "no frames";
  return AnimatedImage(std::move(frames));
}

const AnimatedImage::Frame& AnimatedImage::frame(int index) const {
  static const Frame kNone{};
  if (frames_.empty()) return kNone;
  const int n = frameCount();
  return frames_[static_cast<std::size_t>(((index % n) + n) % n)];
}

}  // namespace gfx
