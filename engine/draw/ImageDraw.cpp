#include "engine/draw/ImageDraw.h"

#include <algorithm>
#include <cmath>

#include "engine/draw/Color.h"
#include "gfx/BitmapLock.h"

namespace engine {

namespace {
gfx::RectF wholeOf(const gfx::Bitmap& b) {
  return {0, 0, static_cast<float>(b.width()), static_cast<float>(b.height())};
}

void drawPiece(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, const gfx::RectF& src,
               int alpha) {
  if (dst.isEmpty() || src.isEmpty()) return;  // pieces squeezed to nothing are skipped
  DrawImageRect(g, image, dst, src, alpha);
}
}  // namespace

gfx::ImageAttributes& SharedImageAttributes() {
  static gfx::ImageAttributes attributes;  // program-wide, like the rest of the engine's shared objects
  return attributes;
}

void DrawImageRect(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, std::optional<gfx::RectF> src,
                   int alpha) {
  if (image.empty()) return;
  const gfx::RectF source = src.value_or(wholeOf(image));
  alpha = std::clamp(alpha, 0, kOpaque);
  if (alpha == kOpaque) {
    g.drawImage(image, dst, source);
    return;
  }
  gfx::ImageAttributes& attributes = SharedImageAttributes();
  attributes.setColorMatrix(gfx::ImageAttributes::constantAlpha(static_cast<float>(alpha) / kOpaque));
  g.drawImage(image, dst, source, &attributes);
  attributes.setColorMatrix(gfx::ImageAttributes::identity());
}

gfx::Bitmap CropImage(const gfx::Bitmap& image, int x, int y, int width, int height) {
  return image.crop(x, y, width, height);
}

void FadeEdges(gfx::Bitmap& image, bool left, bool top, bool right, bool bottom, float fraction) {
  const int w = image.width(), h = image.height();
  const float band = static_cast<float>(std::min(w, h)) * fraction;
  if (image.empty() || !std::isfinite(band) || !(band > 0)) return;
  gfx::BitmapLock lock(image);
  auto fade = [band](gfx::Argb& p, int d) {
    if (static_cast<float>(d) >= band) return;
    const int a = static_cast<int>(static_cast<float>(gfx::alphaOf(p)) * static_cast<float>(d) / band);
    p = WithAlpha(p, a);
  };
  for (int y = 0; y < h; ++y) {
    auto row = lock.row(y);
    if (left) for (int x = 0; x < w; ++x) fade(row[x], x);
  }
  if (top) for (int y = 0; y < h; ++y) for (gfx::Argb& p : lock.row(y)) fade(p, y);
  for (int y = 0; y < h; ++y) {
    auto row = lock.row(y);
    if (right) for (int x = 0; x < w; ++x) fade(row[x], w - 1 - x);
  }
  if (bottom) for (int y = 0; y < h; ++y) for (gfx::Argb& p : lock.row(y)) fade(p, h - 1 - y);
}

void DrawNineGrid(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, const gfx::RectF& c, int alpha) {
  if (image.empty()) return;
  const float W = static_cast<float>(image.width()), H = static_cast<float>(image.height());
  const float l = c.x, t = c.y, r = W - c.x - c.width, b = H - c.y - c.height;
  // Source columns and rows: border, centre, border.
  const float sx[] = {0, l, l + c.width}, sw[] = {l, c.width, r};
  const float sy[] = {0, t, t + c.height}, sh[] = {t, c.height, b};
  const float dx[] = {dst.x, dst.x + l, dst.x + dst.width - r}, dw[] = {l, dst.width - l - r, r};
  const float dy[] = {dst.y, dst.y + t, dst.y + dst.height - b}, dh[] = {t, dst.height - t - b, b};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      drawPiece(g, image, {dx[col], dy[row], dw[col], dh[row]}, {sx[col], sy[row], sw[col], sh[row]}, alpha);
}

void DrawImageFill(gfx::Graphics& g, const gfx::Bitmap& image, const gfx::RectF& dst, std::optional<gfx::RectF> src,
                   int fillType, const gfx::RectF& centre, int alpha, int fadeEdges, float fadeFraction) {
  if (image.empty() || fillType < kFillNatural || fillType > kFillNineGrid) return;
  gfx::Bitmap cell = src ? CropImage(image, static_cast<int>(src->x), static_cast<int>(src->y),
                                     static_cast<int>(src->width), static_cast<int>(src->height))
                         : image;
  if (cell.empty()) return;
  if (fadeEdges & (kFadeLeft | kFadeTop | kFadeRight | kFadeBottom)) {
    FadeEdges(cell, fadeEdges & kFadeLeft, fadeEdges & kFadeTop, fadeEdges & kFadeRight, fadeEdges & kFadeBottom,
              fadeFraction);
  }
  const float cw = static_cast<float>(cell.width()), ch = static_cast<float>(cell.height());
  switch (fillType) {
    case kFillNatural: {
      const gfx::GraphicsState state = g.save();
      g.setClip(dst, gfx::CombineMode::Intersect);
      DrawImageRect(g, cell, {dst.x, dst.y, cw, ch}, std::nullopt, alpha);
      g.restore(state);
      break;
    }
    case kFillStretch:
      DrawImageRect(g, cell, dst, std::nullopt, alpha);
      break;
    case kFillCentre:
      DrawImageRect(g, cell, {dst.x + (dst.width - cw) / 2, dst.y + (dst.height - ch) / 2, cw, ch}, std::nullopt, alpha);
      break;
    case kFillNineGrid:
      DrawNineGrid(g, cell, dst, centre, alpha);
      break;
  }
}

}  // namespace engine
