#pragma once
// An off-screen 32-bit drawing surface: a bitmap plus a graphics on it. The pixels are BGRA bytes,
// premultiplied, rows top-down; the alpha of pixel (x, y) is byte y * stride + x * 4 + 3, read directly
// for alpha hit testing and composition.
#include <cstdint>
#include <memory>

#include "gfx/Bitmap.h"
#include "gfx/Graphics.h"

namespace engine {

class Surface {
 public:
  // Sizes below 1 give an empty surface on which drawing does nothing.
  Surface(int width, int height);
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return bitmap_.width(); }
  int height() const { return bitmap_.height(); }
  int stride() const { return bitmap_.stride(); }
  gfx::Bitmap& bitmap() { return bitmap_; }
  const gfx::Bitmap& bitmap() const { return bitmap_; }
  gfx::Graphics& graphics() { return *graphics_; }

  const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(bitmap_.data()); }
  // The alpha byte of pixel (x, y); 0 outside the surface.
  std::uint8_t alphaAt(int x, int y) const;

 private:
  gfx::Bitmap bitmap_;
  std::unique_ptr<gfx::Graphics> graphics_;  // draws on bitmap_, so the surface never moves
};

std::unique_ptr<Surface> CreateSurface(int width, int height);
// Releases the surface's bitmap and graphics and leaves `surface` empty.
void ReleaseSurface(std::unique_ptr<Surface>& surface);

}  // namespace engine
