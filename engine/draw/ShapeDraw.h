#pragma once
// Shape helpers: gradient bands, rectangle outlines in five styles, rounded-rectangle paths.
#include <cstdint>
#include <optional>

#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"
#include "gfx/Graphics.h"
#include "gfx/GraphicsPath.h"

namespace engine {

// Outline styles of DrawRectOutline; any other style value is the ARGB colour of a solid outline.
constexpr int kOutlineNone = 0;
constexpr int kOutlineSunken = 1;
constexpr int kOutlineRaised = 2;
constexpr int kOutlineSolid = 3;
constexpr int kOutlineDashed = 4;

constexpr gfx::Argb kOutlineShade = 0x6E000000;        // black at alpha 110
constexpr gfx::Argb kOutlineLight = 0xF5FFFFFF;        // white at alpha 245
constexpr gfx::Argb kOutlineSolidDefault = 0xFF646464;
constexpr gfx::Argb kOutlineDashedDefault = 0x51000000;

// Fills the rectangle with a linear gradient from colour 1 to colour 2 (direction 0 horizontal,
// 1 vertical, 2 and 3 diagonal), wrap mode TileFlipXY; other directions draw nothing.
void FillGradient(gfx::Graphics& g, const gfx::RectF& rect, gfx::Argb color1, gfx::Argb color2, int direction = 1);

void DrawRectOutline(gfx::Graphics& g, const gfx::RectF& rect, std::int32_t style,
                     std::optional<gfx::Argb> color = std::nullopt, float penWidth = 1);

// Closed path of four arcs of a size x size box at the corners of (x, y, w, h).
gfx::GraphicsPath RoundRectPath(const gfx::RectF& rect, float size);

// Moves each side outward by its delta (a negative delta moves it inward).
void InflateRect(gfx::RectF& rect, float left, float top, float right, float bottom);

}  // namespace engine
