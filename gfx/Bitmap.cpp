#include "gfx/Bitmap.h"

#include <algorithm>

namespace gfx {

Argb premultiply(Argb c) {
  const unsigned a = alphaOf(c);
  if (a == 255) return c;
  if (a == 0) return 0;
  auto mul = [a](unsigned v) { return (v * a + 127) / 255; };
  return makeArgb(a, mul(redOf(c)), mul(greenOf(c)), mul(blueOf(c)));
}

Argb unpremultiply(Argb c) {
  const unsigned a = alphaOf(c);
  if (a == 255) return c;
  if (a == 0) return 0;
  auto div = [a](unsigned v) { return std::min(255u, (v * 255 + a / 2) / a); };
  return makeArgb(a, div(redOf(c)), div(greenOf(c)), div(blueOf(c)));
}

Bitmap::Bitmap(int width, int height, Argb fill) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<std::size_t>(width) * height, premultiply(fill));
}

Argb Bitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return unpremultiply(row(y)[x]);
}

void Bitmap::setPixel(int x, int y, Argb straight) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  row(y)[x] = premultiply(straight);
}

void Bitmap::fill(Argb straight) { std::fill(pixels_.begin(), pixels_.end(), premultiply(straight)); }

bool Bitmap::isOpaque() const {
  return std::all_of(pixels_.begin(), pixels_.end(), [](std::uint32_t p) { return alphaOf(p) == 255; });
}

Bitmap Bitmap::crop(int x, int y, int w, int h) const {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min<long long>(static_cast<long long>(x) + w, width_);
  const int y1 = std::min<long long>(static_cast<long long>(y) + h, height_);
  if (x1 <= x0 || y1 <= y0) return {};
  Bitmap out(x1 - x0, y1 - y0);
  for (int yy = y0; yy < y1; ++yy) std::copy(row(yy) + x0, row(yy) + x1, out.row(yy - y0));
  return out;
}

}  // namespace gfx
