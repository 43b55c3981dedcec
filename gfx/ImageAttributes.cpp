#include "gfx/ImageAttributes.h"

#include <algorithm>
#include <cmath>

namespace gfx {

ColorMatrix ImageAttributes::identity() {
  ColorMatrix m{};
  for (int i = 0; i < 5; ++i) m[i][i] = 1;
  return m;
}

ColorMatrix ImageAttributes::constantAlpha(float alpha) {
  ColorMatrix m = identity();
  m[3][3] = alpha;
  return m;
}

bool ImageAttributes::isIdentity() const { return !matrix_ || *matrix_ == identity(); }

std::optional<float> ImageAttributes::alphaScale() const {
  if (!matrix_) return 1.0f;
  ColorMatrix m = *matrix_;
  const float a = m[3][3];
  m[3][3] = 1;
  if (m != identity()) return std::nullopt;
  return a;
}

Argb ImageAttributes::apply(Argb c) const {
  if (!matrix_) return c;
  const float in[5] = {redOf(c) / 255.0f, greenOf(c) / 255.0f, blueOf(c) / 255.0f, alphaOf(c) / 255.0f, 1};
  unsigned out[4];
  for (int j = 0; j < 4; ++j) {
    float v = 0;
    for (int i = 0; i < 5; ++i) v += in[i] * (*matrix_)[i][j];
    out[j] = static_cast<unsigned>(std::lround(std::clamp(std::isfinite(v) ? v : 0.0f, 0.0f, 1.0f) * 255));
  }
  return makeArgb(out[3], out[0], out[1], out[2]);
}

}  // namespace gfx
