#pragma once
// A 32-bit ARGB picture held in memory.
//
// Pixels are stored premultiplied, one native-endian uint32 0xAARRGGBB per pixel, rows top-down with a
// stride of width * 4 bytes: exactly cairo's CAIRO_FORMAT_ARGB32, so the graphics layer draws into a
// Bitmap without copying. GDI+'s 32bppARGB is straight (not premultiplied) alpha; pixel()/setPixel()
// speak straight ARGB like it, data() is the raw premultiplied store.
#include <cstdint>
#include <vector>

namespace gfx {

using Argb = std::uint32_t;

constexpr std::uint8_t alphaOf(Argb c) { return static_cast<std::uint8_t>(c >> 24); }
constexpr std::uint8_t redOf(Argb c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr std::uint8_t greenOf(Argb c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t blueOf(Argb c) { return static_cast<std::uint8_t>(c); }
constexpr Argb makeArgb(unsigned a, unsigned r, unsigned g, unsigned b) {
  return (Argb(a & 0xFF) << 24) | (Argb(r & 0xFF) << 16) | (Argb(g & 0xFF) << 8) | Argb(b & 0xFF);
}

// Straight <-> premultiplied conversion of one pixel (rounded to nearest).
Argb premultiply(Argb straight);
Argb unpremultiply(Argb premultiplied);

class Bitmap {
 public:
  Bitmap() = default;
  // A width x height bitmap filled with the straight colour `fill` (transparent black by default).
  // Sizes below 1 give an empty bitmap.
  Bitmap(int width, int height, Argb fill = 0);

  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return width_ * 4; }  // bytes per row
  bool empty() const { return width_ <= 0 || height_ <= 0; }

  // Raw premultiplied pixels, row-major, top row first.
  std::uint32_t* data() { return pixels_.data(); }
  const std::uint32_t* data() const { return pixels_.data(); }
  std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

  // Straight ARGB of one pixel; outside the bitmap reads 0 and writes are ignored.
  Argb pixel(int x, int y) const;
  void setPixel(int x, int y, Argb straight);
  void fill(Argb straight);

  // True when every pixel has alpha 255.
  bool isOpaque() const;

  // A copy of the rectangle (x, y, w, h), clipped to the bitmap; empty when nothing is left.
  Bitmap crop(int x, int y, int w, int h) const;

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
};

}  // namespace gfx
