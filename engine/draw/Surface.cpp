#include "engine/draw/Surface.h"

#include <bit>

namespace engine {

namespace {
constexpr int kBytesPerPixel = 4;
constexpr int kAlphaByte = 3;
// The BGRA byte order of the pixels is the in-memory form of 0xAARRGGBB on a little-endian machine.
static_assert(std::endian::native == std::endian::little, "surfaces assume BGRA byte order");
}  // namespace

Surface::Surface(int width, int height)
    : bitmap_(width, height), graphics_(std::make_unique<gfx::Graphics>(bitmap_)) {}

std::uint8_t Surface::alphaAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
  return bytes()[static_cast<std::size_t>(y) * stride() + static_cast<std::size_t>(x) * kBytesPerPixel + kAlphaByte];
}

std::unique_ptr<Surface> CreateSurface(int width, int height) { return std::make_unique<Surface>(width, height); }

void ReleaseSurface(std::unique_ptr<Surface>& surface) { surface.reset(); }

}  // namespace engine
