#include "engine/draw/Color.h"

#include <algorithm>

namespace engine {

namespace {
constexpr double kLumaRed = 0.299, kLumaGreen = 0.587, kLumaBlue = 0.114;
constexpr double kDarkBelow = 192;

std::uint32_t clampAlpha(int a) { return static_cast<std::uint32_t>(std::clamp(a, 0, kOpaque)); }
}  // namespace

Argb ToARGB(ColorRef c, std::optional<int> alpha) {
  const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  return gfx::makeArgb(clampAlpha(alpha.value_or(kOpaque)), r, g, b);
}

ColorRef ToColorRef(Argb c) {
  return (ColorRef{gfx::blueOf(c)} << 16) | (ColorRef{gfx::greenOf(c)} << 8) | gfx::redOf(c);
}

Argb WithAlpha(Argb color, int alpha) { return (color & 0x00FFFFFFu) | (clampAlpha(alpha) << 24); }

bool IsDark(Argb c) {
  return kLumaRed * gfx::redOf(c) + kLumaGreen * gfx::greenOf(c) + kLumaBlue * gfx::blueOf(c) < kDarkBelow;
}

}  // namespace engine
