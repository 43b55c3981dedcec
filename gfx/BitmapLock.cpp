#include "gfx/BitmapLock.h"

#include <algorithm>

namespace gfx {

BitmapLock::BitmapLock(Bitmap& bitmap, int x, int y, int w, int h, Mode mode) : bitmap_(bitmap), mode_(mode) {
  const long long x0 = std::max(x, 0), y0 = std::max(y, 0);
  const long long x1 = std::min<long long>(static_cast<long long>(x) + w, bitmap.width());
  const long long y1 = std::min<long long>(static_cast<long long>(y) + h, bitmap.height());
  if (x1 <= x0 || y1 <= y0) return;
  x_ = static_cast<int>(x0), y_ = static_cast<int>(y0);
  w_ = static_cast<int>(x1 - x0), h_ = static_cast<int>(y1 - y0);
  pixels_.resize(static_cast<std::size_t>(w_) * h_);
  for (int r = 0; r < h_; ++r) {
    const std::uint32_t* src = bitmap.row(y_ + r) + x_;
    std::transform(src, src + w_, pixels_.begin() + static_cast<std::ptrdiff_t>(r) * w_, unpremultiply);
  }
  if (mode_ == Mode::ReadWrite) original_ = pixels_;
}

BitmapLock::~BitmapLock() {
  if (mode_ != Mode::ReadWrite) return;
  for (int r = 0; r < h_; ++r) {
    std::uint32_t* dst = bitmap_.row(y_ + r) + x_;
    for (int c = 0; c < w_; ++c) {
      const std::size_t i = static_cast<std::size_t>(r) * w_ + c;
      if (pixels_[i] != original_[i]) dst[c] = premultiply(pixels_[i]);
    }
  }
}

}  // namespace gfx
