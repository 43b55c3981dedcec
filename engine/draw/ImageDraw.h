#pragma once
// Image drawing primitives: drawing with a constant alpha, the four fill types, nine-grid stretching of
// skin cells, cutting cells out of a skin image and fading an image's edges.
#include <optional>

#include "gfx/Bitmap.h"
#include "gfx/Geometry.h"
#include "gfx/Graphics.h"
#include "gfx/ImageAttributes.h"

namespace engine {

// Fill types of DrawImageFill.
constexpr int kFillNatural = 0;   // natural size at the destination's top-left, clipped to it
constexpr int kFillStretch = 1;   // stretched over the destination
constexpr int kFillCentre = 2;    // natural size, centred
constexpr int kFillNineGrid = 3;  // nine-grid with the given centre rectangle

// Edge bits of DrawImageFill's fading.
constexpr int kFadeLeft = 1;
constexpr int kFadeTop = 2;
constexpr int kFadeRight = 4;
constexpr int kFadeBottom = 8;
constexpr float kDefaultFadeFraction = 0.25f;

// The engine's one image-attributes object, re-programmed for every drawing with alpha and reset after.
gfx::ImageAttributes& SharedImageAttributes();

// Draws `src` of the image (the whole image when not given) over `dst`. Alpha 255 draws plainly; any
// other alpha (clamped to 0..255) goes through the shared attributes with matrix element [3][3] =
// alpha / 255.
void DrawImageRect(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst,
                   std::optional<gfx::RectF> src = std::nullopt, int alpha = 255);

// Cuts `src` out (whole image when not given), fades the chosen edges, then draws it by `fillType`;
// unknown fill types draw nothing.
void DrawImageFill(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, std::optional<gfx::RectF> src,
                   int fillType, const gfx::RectF& centre = {}, int alpha = 255, int fadeEdges = 0,
                   float fadeFraction = kDefaultFadeFraction);

// Nine-grid: corners unscaled, edges stretched along their edge, centre stretched both ways. `centre` is
// (cx, cy, cw, ch) in the image; the borders are cx, cy, W - cx - cw and H - cy - ch.
void DrawNineGrid(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, const gfx::RectF& centre,
                  int alpha = 255);

// A new bitmap holding the area (clipped to the image; empty when nothing is left).
gfx::Bitmap CropImage(const gfx::Bitmap& image, int x, int y, int width, int height);

// Fades the chosen edges in place: with band L = min(width, height) x fraction, a pixel at distance d
// (0 at the edge) from a chosen edge, d < L, gets alpha x d / L (truncated). Edges are done in the order
// left, top, right, bottom.
void FadeEdges(gfx::Bitmap& image, bool left, bool top, bool right, bool bottom,
               float fraction = kDefaultFadeFraction);

}  // namespace engine
