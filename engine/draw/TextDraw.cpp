#include "engine/draw/TextDraw.h"

#include <algorithm>
#include <array>

#include "engine/draw/Color.h"
#include "gfx/BitmapLock.h"
#include "gfx/SolidBrush.h"

namespace engine {

namespace {
constexpr float kLayoutShiftX = -1;          // the layout rectangle moves 1 px left
constexpr int kEffectGrow = 7;               // effect bitmaps are the layout size plus 7 px each way
constexpr float kEffectOrigin = 4;           // ... and the text sits 4 px in
constexpr std::array<gfx::PointF, 5> kEffectOffsets = {{{5, 4}, {3, 4}, {4, 3}, {4, 5}, {4, 4}}};
constexpr int kGlowShrink = 3;
constexpr int kOutlineShrink = 1;
constexpr int kClearTypePad = 3;             // the ClearType bitmap is the measured size plus 3 px
constexpr int kNearlyOpaque = 254;
constexpr gfx::Argb kRgbMask = 0x00FFFFFF;

void drawEffect(gfx::Graphics& g, const gfx::RectF& rect, std::u16string_view text, const gfx::Font& font,
                const gfx::StringFormat* format, int effect, gfx::Argb color) {
  const int w = static_cast<int>(rect.width) + kEffectGrow, h = static_cast<int>(rect.height) + kEffectGrow;
  if (w <= 0 || h <= 0) return;
  gfx::Bitmap spread(w, h);
  {
    gfx::Graphics eg(spread);
    eg.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
    eg.setTextRenderingHint(gfx::TextRenderingHint::AntiAliasGridFit);
    const gfx::SolidBrush brush(color);
    for (gfx::PointF o : kEffectOffsets) eg.drawString(text, font, {o.x, o.y, rect.width, rect.height}, format, brush);
  }
  const int f = effect == kTextEffectGlow ? kGlowShrink : kOutlineShrink;
  gfx::Bitmap shrunk(std::max(1, w / f), std::max(1, h / f));
  {
    gfx::Graphics sg(shrunk);
    sg.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
    sg.setCompositingQuality(gfx::CompositingQuality::GammaCorrected);
    sg.setInterpolationMode(gfx::InterpolationMode::HighQualityBilinear);
    sg.drawImage(spread, {0, 0, static_cast<float>(shrunk.width()), static_cast<float>(shrunk.height())});
  }
  // Stretched back over the layout rectangle grown by the effect margin (the target's interpolation).
  g.drawImage(shrunk, {rect.x - kEffectOrigin, rect.y - kEffectOrigin, rect.width + kEffectGrow,
                       rect.height + kEffectGrow});
}

void drawClearType(gfx::Graphics& g, gfx::Argb textColor, const gfx::RectF& rect, std::u16string_view text,
                   const gfx::Font& font, const gfx::StringFormat* format) {
  const gfx::RectF placed = g.measureString(text, font, rect, format);
  const int w = static_cast<int>(placed.width) + kClearTypePad, h = static_cast<int>(placed.height) + kClearTypePad;
  if (placed.width <= 0 || placed.height <= 0) return;
  const gfx::Argb background = (~textColor & kRgbMask) | 0xFF000000u;
  gfx::Bitmap tmp(w, h, background);
  {
    gfx::Graphics tg(tmp);
    tg.setTextRenderingHint(gfx::TextRenderingHint::ClearTypeGridFit);
    gfx::StringFormat unclipped = format ? *format : gfx::StringFormat();
    unclipped.setFlags(unclipped.flags() | gfx::StringFormatFlags::NoClip);
    tg.drawString(text, font, {0, 0, placed.width, placed.height}, &unclipped, gfx::SolidBrush(textColor));
  }
  ClearTypeToCoverage(tmp, textColor, background);
  // Drawn where the layout puts the text, so alignment inside the rectangle is kept.
  g.drawImage(tmp, placed.x, placed.y);
}
}  // namespace

gfx::Argb AutoEffectColor(gfx::Argb textColor) { return IsDark(textColor) ? kHaloOnDark : kHaloOnLight; }

void ClearTypeToCoverage(gfx::Bitmap& rendered, gfx::Argb textColor, gfx::Argb background) {
  // Coverage is the projection of (P - B) onto (T - B) per colour channel. Taking the colours as single
  // 24-bit numbers instead lets the top byte decide alone, and breaks down when the text colour and its
  // complement nearly agree there (purple 0x800080 against 0x7FFF7F differ by 257 in all).
  const int tc[] = {gfx::redOf(textColor), gfx::greenOf(textColor), gfx::blueOf(textColor)};
  const int bc[] = {gfx::redOf(background), gfx::greenOf(background), gfx::blueOf(background)};
  long long denominator = 0;
  for (int c = 0; c < 3; ++c) denominator += static_cast<long long>(tc[c] - bc[c]) * (tc[c] - bc[c]);
  if (denominator == 0) return;
  const gfx::Argb T = textColor & kRgbMask, B = background & kRgbMask;
  gfx::BitmapLock lock(rendered);
  for (int y = 0; y < lock.height(); ++y) {
    for (gfx::Argb& p : lock.row(y)) {
      const gfx::Argb P = p & kRgbMask;
      if (P == B) {
        p = 0;
      } else if (P != T) {
        const int pc[] = {gfx::redOf(p), gfx::greenOf(p), gfx::blueOf(p)};
        long long numerator = 0;
        for (int c = 0; c < 3; ++c) numerator += static_cast<long long>(pc[c] - bc[c]) * (tc[c] - bc[c]);
        const long long a = std::clamp<long long>((kOpaque * numerator + denominator / 2) / denominator, 0, kOpaque);
        p = WithAlpha(textColor, static_cast<int>(a));
      }
    }
  }
}

void DrawTextEx(gfx::Graphics& g, gfx::Argb textColor, const gfx::RectF& rectIn, std::u16string_view text,
                const gfx::Font& font, const gfx::StringFormat* format, int effect,
                std::optional<gfx::Argb> effectColor) {
  if (text.empty() || !font.ok()) return;
  const gfx::Argb halo = effectColor.value_or(AutoEffectColor(textColor));
  const gfx::RectF rect = rectIn.offset(kLayoutShiftX, 0);
  if (effect == kTextEffectGlow || effect == kTextEffectOutline) drawEffect(g, rect, text, font, format, effect, halo);
  if (g.textRenderingHint() != gfx::TextRenderingHint::ClearTypeGridFit) {
    // Alpha 254 keeps the text renderer from treating the surface as opaque.
    const gfx::Argb color = AlphaOf(textColor) == kOpaque ? WithAlpha(textColor, kNearlyOpaque) : textColor;
    g.drawString(text, font, rect, format, gfx::SolidBrush(color));
  } else {
    drawClearType(g, textColor, rect, text, font, format);
  }
}

gfx::SizeF MeasureText(gfx::Graphics& g, std::u16string_view text, const gfx::Font& font,
                       const gfx::StringFormat* format) {
  const gfx::RectF r = g.measureString(text, font, {}, format);
  return {r.width, r.height};
}

}  // namespace engine
