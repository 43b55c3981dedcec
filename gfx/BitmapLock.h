#pragma once
// Direct pixel access in straight (not premultiplied) ARGB, the GDI+ LockBits role in 32bppARGB.
//
// Locking converts the rectangle's premultiplied pixels to straight ARGB; unlocking (the destructor)
// writes back, premultiplied, only the pixels that were changed, so a read-only pass or an untouched
// pixel never loses precision.
#include <span>
#include <vector>

#include "gfx/Bitmap.h"

namespace gfx {

class BitmapLock {
 public:
  enum class Mode { Read, ReadWrite };

  // Locks the rectangle (x, y, w, h), clipped to the bitmap.
  BitmapLock(Bitmap& bitmap, int x, int y, int w, int h, Mode mode = Mode::ReadWrite);
  explicit BitmapLock(Bitmap& bitmap, Mode mode = Mode::ReadWrite)
      : BitmapLock(bitmap, 0, 0, bitmap.width(), bitmap.height(), mode) {}
  ~BitmapLock();
  BitmapLock(const BitmapLock&) = delete;
  BitmapLock& operator=(const BitmapLock&) = delete;

  int width() const { return w_; }
  int height() const { return h_; }
  // Straight ARGB pixels of row y of the locked rectangle.
  std::span<Argb> row(int y) { return {pixels_.data() + static_cast<std::size_t>(y) * w_, static_cast<std::size_t>(w_)}; }
  std::span<const Argb> row(int y) const {
    return {pixels_.data() + static_cast<std::size_t>(y) * w_, static_cast<std::size_t>(w_)};
  }

 private:
  Bitmap& bitmap_;
  int x_ = 0, y_ = 0, w_ = 0, h_ = 0;
  Mode mode_;
  std::vector<Argb> pixels_;
  std::vector<Argb> original_;
};

}  // namespace gfx
