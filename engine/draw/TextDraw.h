#pragma once
// Text drawing that stays readable on per-pixel-alpha surfaces: the halo colour chosen from the text
// colour, the 254-alpha rule, glow and outline effects, and ClearType text turned into coverage.
#include <optional>
#include <string_view>

#include "gfx/Bitmap.h"
#include "gfx/Font.h"
#include "gfx/Geometry.h"
#include "gfx/Graphics.h"
#include "gfx/StringFormat.h"

namespace engine {

constexpr int kTextEffectNone = 0;
constexpr int kTextEffectGlow = 3;
constexpr int kTextEffectOutline = 4;

constexpr gfx::Argb kHaloOnDark = 0x55FFFFFF;   // white at alpha 85, behind dark text
constexpr gfx::Argb kHaloOnLight = 0x4B000000;  // black at alpha 75, behind light text

// Draws `text` in the layout rectangle (moved 1 px left), after its glow (3) or outline (4) effect.
// Without an effect colour the halo is kHaloOnDark for a dark text colour, else kHaloOnLight.
void DrawTextEx(gfx::Graphics& g, gfx::Argb textColor, const gfx::RectF& rect, std::u16string_view text,
                const gfx::Font& font, const gfx::StringFormat* format, int effect,
                std::optional<gfx::Argb> effectColor = std::nullopt);

// Bounding size of the text without a layout limit.
gfx::SizeF MeasureText(gfx::Graphics& g, std::u16string_view text, const gfx::Font& font,
                       const gfx::StringFormat* format);

// The halo colour DrawTextEx picks when none is given.
gfx::Argb AutoEffectColor(gfx::Argb textColor);

// The ClearType coverage step: every pixel of `rendered` (text in `textColor` on the opaque background
// `background`) becomes transparent when it is the background, stays when it is the text colour, and
// otherwise becomes the text colour with alpha 255 x the pixel's share of the way from background to
// text colour (the per-channel projection of P - B onto T - B), clamped to 0..255.
void ClearTypeToCoverage(gfx::Bitmap& rendered, gfx::Argb textColor, gfx::Argb background);

}  // namespace engine
