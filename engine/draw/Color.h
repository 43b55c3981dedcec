#pragma once
// Colour helpers of the engine: ARGB 0xAARRGGBB as the drawing layer uses it, and Windows colours
// 0x00BBGGRR.
#include <cstdint>
#include <optional>

#include "gfx/Bitmap.h"

namespace engine {

using gfx::Argb;
using ColorRef = std::uint32_t;  // 0x00BBGGRR

constexpr int kOpaque = 255;

// Swaps red and blue of a Windows colour and puts `alpha` on top (255 when none is given; a given alpha
// is clamped to 0..255).
Argb ToARGB(ColorRef color, std::optional<int> alpha = std::nullopt);
// The Windows colour (0x00BBGGRR) of an ARGB colour; alpha is dropped.
ColorRef ToColorRef(Argb color);

constexpr int AlphaOf(Argb color) { return static_cast<int>(color >> 24); }
Argb WithAlpha(Argb color, int alpha);
// True when 0.299 R + 0.587 G + 0.114 B is below 192.
bool IsDark(Argb color);

}  // namespace engine
