#include "encoder/ColorReducer.h"

#include <algorithm>
#include <utility>

namespace encoder {

namespace {

std::uint16_t keyOfPixel(std::uint32_t p) {
  return ColorReducer::keyOf(gfx::redOf(p), gfx::greenOf(p), gfx::blueOf(p));
}

int squaredDistance(Rgb a, Rgb b) {
  const int dr = a.red - b.red, dg = a.green - b.green, db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

FrameImage ColorReducer::reduceByPopularity(const gfx::Bitmap& canvas) {
  FrameImage image(canvas.width(), canvas.height());

  std::array<std::uint32_t, kKeyCount> count{};
  std::array<std::uint16_t, kKeyCount> key{};
  for (int y = 0; y < canvas.height(); ++y) {
    const std::uint32_t* src = canvas.row(y);
    for (int x = 0; x < canvas.width(); ++x) ++count[keyOfPixel(src[x])];
  }

  // Compact the used keys, in ascending key order, to the front of both tables.
  int n = 0;
  for (int k = 0; k < kKeyCount; ++k) {
    if (count[k] != 0) {
      count[n] = count[k];
      key[n] = static_cast<std::uint16_t>(k);
      ++n;
    }
  }
  std::fill(count.begin() + n, count.end(), 0);
  std::fill(key.begin() + n, key.end(), 0);

  // This exchange sort is not stable; its exact order of equal counts decides the palette, so it is
  // kept as it is rather than replaced by std::sort.
  for (int i = 0; i + 1 < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (count[j] > count[i]) {
        std::swap(count[i], count[j]);
        std::swap(key[i], key[j]);
      }
    }
  }

  constexpr int kPalette = FrameImage::kPaletteEntries;
  std::array<Rgb, kPalette> palette{};
  for (int i = 0; i < kPalette; ++i) {
    palette[i] = colourOfKey(i < n ? key[i] : 0);
    image.setPaletteEntry(i, palette[i]);
  }

  // Key -> palette index; colours past the first 256 take the nearest entry, lowest index on ties.
  std::array<std::uint8_t, kKeyCount> indexOfKey{};
  for (int i = 0; i < std::min(n, kPalette); ++i) indexOfKey[key[i]] = static_cast<std::uint8_t>(i);
  for (int j = kPalette; j < n; ++j) {
    const Rgb c = colourOfKey(key[j]);
    int best = 1'000'000'000;
    int bestIndex = 0;
    for (int i = 0; i < kPalette; ++i) {
      const int d = squaredDistance(c, palette[i]);
      if (d < best) {
        best = d;
        bestIndex = i;
      }
    }
    indexOfKey[key[j]] = static_cast<std::uint8_t>(bestIndex);
  }

  for (int y = 0; y < canvas.height(); ++y) {
    const std::uint32_t* src = canvas.row(y);
    std::uint8_t* dst = image.row(y);
    for (int x = 0; x < canvas.width(); ++x) dst[x] = indexOfKey[keyOfPixel(src[x])];
  }
  return image;
}

FrameImage ColorReducer::reduceByDither(const gfx::Bitmap& canvas) {
  FrameImage image(canvas.width(), canvas.height());
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        image.setPaletteEntry(36 * r + 6 * g + b, {kCubeLevels[r], kCubeLevels[g], kCubeLevels[b]});
  for (int i = kCubeColours; i < FrameImage::kPaletteEntries; ++i) image.setPaletteEntry(i, {0, 0, 0});

  // levels[t][v]: cube level number of channel value v under threshold t.
  static const auto levels = [] {
    std::array<std::array<std::uint8_t, 256>, 64> table{};
    for (int t = 0; t < 64; ++t)
      for (int v = 0; v < 256; ++v) table[t][v] = static_cast<std::uint8_t>(ditherLevel(v, t));
    return table;
  }();

  const int height = canvas.height();
  for (int y = 0; y < height; ++y) {
    // The threshold row counts canvas rows from the bottom, as the canvas is stored.
    const auto& thresholds = kBayer[(height - 1 - y) & 7];
    const std::uint32_t* src = canvas.row(y);
    std::uint8_t* dst = image.row(y);
    for (int x = 0; x < canvas.width(); ++x) {
      const auto& level = levels[thresholds[x & 7]];
      const std::uint32_t p = src[x];
      dst[x] = static_cast<std::uint8_t>(36 * level[gfx::redOf(p)] + 6 * level[gfx::greenOf(p)] +
                                         level[gfx::blueOf(p)]);
    }
  }
  return image;
}

}  // namespace encoder
