#include "encoder/ColorReducer.h"

#include <gtest/gtest.h>

namespace encoder {
namespace {

gfx::Bitmap solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return gfx::Bitmap(w, h, gfx::makeArgb(255, r, g, b));
}

TEST(ReduceByPopularity, OneColourIsEntryZeroAndTheRestBlack) {
  const FrameImage image = ColorReducer::reduceByPopularity(solid(7, 3, 200, 100, 50));
  EXPECT_EQ(image.paletteEntry(0), (Rgb{192, 96, 48}));
  for (int i = 1; i < 256; ++i) ASSERT_EQ(image.paletteEntry(i), (Rgb{0, 0, 0})) << i;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) ASSERT_EQ(image.row(y)[x], 0);
}

TEST(ReduceByPopularity, FrequencyOrdersThePaletteAndTiesKeepKeyOrder) {
  // Three pixels of a, two of b, two of c. b and c tie; c has the smaller key (blue nibble compared
  // first), so c comes before b.
  gfx::Bitmap bmp(7, 1);
  const gfx::Argb a = gfx::makeArgb(255, 0, 255, 0), b = gfx::makeArgb(255, 0, 0, 255),
                  c = gfx::makeArgb(255, 255, 0, 0);
  const gfx::Argb row[] = {b, a, c, a, b, c, a};
  for (int x = 0; x < 7; ++x) bmp.setPixel(x, 0, row[x]);
  const FrameImage image = ColorReducer::reduceByPopularity(bmp);
  EXPECT_EQ(image.paletteEntry(0), (Rgb{0, 240, 0}));
  EXPECT_EQ(image.paletteEntry(1), (Rgb{240, 0, 0}));
  EXPECT_EQ(image.paletteEntry(2), (Rgb{0, 0, 240}));
  const std::uint8_t expected[] = {2, 0, 1, 0, 2, 1, 0};
  for (int x = 0; x < 7; ++x) EXPECT_EQ(image.row(0)[x], expected[x]) << x;
}

TEST(ReduceByPopularity, ExchangeSortOrderOfEqualCountsIsKept) {
  // Counts in key order 2, 1, 2, 3: the exchange procedure ends with 3, then the later 2, then the
  // earlier 2 - not what a stable sort gives.
  const std::uint8_t reds[] = {0x00, 0x10, 0x20, 0x30};
  const int counts[] = {2, 1, 2, 3};
  gfx::Bitmap bmp(8, 1);
  int x = 0;
  for (int k = 0; k < 4; ++k)
    for (int n = 0; n < counts[k]; ++n) bmp.setPixel(x++, 0, gfx::makeArgb(255, reds[k], 0, 0));
  const FrameImage image = ColorReducer::reduceByPopularity(bmp);
  EXPECT_EQ(image.paletteEntry(0).red, 0x30);
  EXPECT_EQ(image.paletteEntry(1).red, 0x20);
  EXPECT_EQ(image.paletteEntry(2).red, 0x00);
  EXPECT_EQ(image.paletteEntry(3).red, 0x10);
}

TEST(ReduceByPopularity, RareColoursTakeTheNearestEntry) {
  // 256 grey-blue colours each twice, then one rare pure red pixel: red is the 257th colour and must
  // map to the palette entry nearest to it.
  gfx::Bitmap bmp(513, 1);
  int x = 0;
  for (int i = 0; i < 256; ++i) {
    const auto c = gfx::makeArgb(255, (i & 15) << 4, (i >> 4) << 4, 0x80);
    bmp.setPixel(x++, 0, c);
    bmp.setPixel(x++, 0, c);
  }
  bmp.setPixel(x, 0, gfx::makeArgb(255, 255, 0, 0));
  const FrameImage image = ColorReducer::reduceByPopularity(bmp);
  const Rgb got = image.paletteEntry(image.row(0)[512]);
  // The nearest of the 256 colours to (240, 0, 0) is (240, 0, 128).
  EXPECT_EQ(got, (Rgb{240, 0, 128}));
}

TEST(ReduceByPopularity, TransparentPixelsCountAsBlack) {
  gfx::Bitmap bmp(2, 1);
  bmp.setPixel(0, 0, gfx::makeArgb(0, 255, 255, 255));
  bmp.setPixel(1, 0, gfx::makeArgb(0, 255, 255, 255));
  EXPECT_EQ(ColorReducer::reduceByPopularity(bmp).paletteEntry(0), (Rgb{0, 0, 0}));
}

TEST(ReduceByDither, CubePaletteAndExtremes) {
  const FrameImage white = ColorReducer::reduceByDither(solid(8, 8, 255, 255, 255));
  const FrameImage black = ColorReducer::reduceByDither(solid(8, 8, 0, 0, 0));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(white.row(y)[x], 215);
      ASSERT_EQ(black.row(y)[x], 0);
    }
  EXPECT_EQ(white.paletteEntry(0), (Rgb{64, 64, 64}));
  EXPECT_EQ(white.paletteEntry(215), (Rgb{224, 224, 224}));
  EXPECT_EQ(white.paletteEntry(36 * 1 + 6 * 2 + 3), (Rgb{96, 128, 160}));
  EXPECT_EQ(white.paletteEntry(216), (Rgb{0, 0, 0}));
  EXPECT_EQ(white.paletteEntry(255), (Rgb{0, 0, 0}));
}

TEST(ReduceByDither, ValueEightyFollowsTheThresholdFromTheBottomRow) {
  // Blue 80 rounds down to 64 (level 0) where the threshold exceeds 32, else up to 96 (level 1).
  // The matrix row is counted from the bottom of the picture, so use a height that is not a multiple
  // of 8 to tell the two orders apart.
  const int w = 8, h = 11;
  const FrameImage image = ColorReducer::reduceByDither(solid(w, h, 0, 0, 80));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int t = ColorReducer::kBayer[(h - 1 - y) & 7][x & 7];
      ASSERT_EQ(image.row(y)[x], t > 32 ? 0 : 1) << x << "," << y;
    }
}

TEST(ReduceByDither, LevelRule) {
  struct Case {
    int v, t, level;
  } cases[] = {{0, 0, 0}, {64, 0, 0}, {65, 0, 1}, {65, 3, 0}, {100, 8, 2}, {100, 9, 1},
               {224, 0, 5}, {230, 63, 5}, {255, 0, 5}, {191, 63, 3}, {192, 0, 5}, {192, 1, 4}};
  for (const auto& c : cases) EXPECT_EQ(ColorReducer::ditherLevel(c.v, c.t), c.level) << c.v << "/" << c.t;
}

}  // namespace
}  // namespace encoder
