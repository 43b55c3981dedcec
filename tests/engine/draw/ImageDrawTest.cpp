// Image primitives: drawing with alpha, the four fill types, nine-grid, cropping and edge fading.
#include "engine/draw/ImageDraw.h"

#include <gtest/gtest.h>

#include "gfx/PixelProbe.h"

namespace {

using testing_pixels::near;

constexpr gfx::Argb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// 9 x 9 skin cell for the nine-grid: borders of 2 (left), 3 (top), 1 (right), 2 (bottom); each of the
// nine regions gets its own colour, so every destination pixel tells which piece it came from.
constexpr int kL = 2, kT = 3, kR = 1, kB = 2, kCellSize = 9;
gfx::Argb pieceColour(int col, int row) { return gfx::makeArgb(255, 40 + col * 80, 40 + row * 80, 128); }
gfx::Bitmap nineCell() {
  gfx::Bitmap b(kCellSize, kCellSize);
  for (int y = 0; y < kCellSize; ++y)
    for (int x = 0; x < kCellSize; ++x) {
      const int col = x < kL ? 0 : x < kCellSize - kR ? 1 : 2, row = y < kT ? 0 : y < kCellSize - kB ? 1 : 2;
      b.setPixel(x, y, pieceColour(col, row));
    }
  return b;
}
const gfx::RectF kCentre{kL, kT, kCellSize - kL - kR, kCellSize - kT - kB};

gfx::Bitmap quad() {  // 4 x 2: left half red, right half blue
  gfx::Bitmap b(4, 2, kRed);
  for (int y = 0; y < 2; ++y) b.setPixel(2, y, kBlue), b.setPixel(3, y, kBlue);
  return b;
}

TEST(DrawImageRectTest, OpaqueTakesThePlainPathAndAlphaTheSharedMatrix) {
  const gfx::Bitmap src = quad();
  auto& shared = engine::SharedImageAttributes();
  const gfx::ColorMatrix sentinel = gfx::ImageAttributes::constantAlpha(0.123f);
  shared.setColorMatrix(sentinel);
  gfx::Bitmap b(4, 2);
  gfx::Graphics g(b);
  engine::DrawImageRect(g, src, {0, 0, 4, 2}, std::nullopt, 255);
  EXPECT_EQ(b, src);
  EXPECT_EQ(shared.colorMatrix(), sentinel);  // untouched by the plain path

  gfx::Bitmap half(4, 2);
  gfx::Graphics gh(half);
  engine::DrawImageRect(gh, src, {0, 0, 4, 2}, gfx::RectF{2, 0, 2, 2}, 128);
  EXPECT_TRUE(near(half.pixel(0, 0), 0x800000FF, 2)) << std::hex << half.pixel(0, 0);
  EXPECT_TRUE(shared.isIdentity());  // reset after use
}

TEST(DrawImageFillTest, EachFillTypePlacesTheImage) {
  const gfx::Bitmap src = quad();
  struct Probe {
    int x, y;
    gfx::Argb colour;
  };
  struct Case {
    int fillType;
    std::vector<Probe> probes;
  };
  const gfx::RectF dst{2, 1, 3, 6};
  const Case cases[] = {
      // natural size at the top-left, clipped to the 3-wide destination (x 2..4)
      {engine::kFillNatural, {{2, 1, kRed}, {4, 1, kBlue}, {5, 1, 0}, {2, 3, 0}}},
      // stretched over 3 x 6
      {engine::kFillStretch, {{2, 1, kRed}, {2, 6, kRed}, {4, 6, kBlue}, {2, 7, 0}, {1, 1, 0}}},
      // centred: x = 2 + (3 - 4) / 2 = 1.5, y = 1 + (6 - 2) / 2 = 3
      {engine::kFillCentre, {{2, 3, kRed}, {2, 4, kRed}, {4, 3, kBlue}, {2, 2, 0}, {2, 5, 0}}},
      {7, {{2, 1, 0}, {3, 3, 0}}},
      {-1, {{2, 1, 0}}},
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(8, 8);
    gfx::Graphics g(b);
    g.setInterpolationMode(gfx::InterpolationMode::NearestNeighbor);
    engine::DrawImageFill(g, src, dst, std::nullopt, c.fillType);
    for (const Probe& p : c.probes) {
      EXPECT_TRUE(near(b.pixel(p.x, p.y), p.colour, 8))
          << "type " << c.fillType << " at " << p.x << "," << p.y << ": " << std::hex << b.pixel(p.x, p.y);
    }
  }
}

TEST(DrawImageFillTest, SourceRectangleIsCutFirstAndClipIsRestored) {
  const gfx::Bitmap src = quad();
  gfx::Bitmap b(6, 4);
  gfx::Graphics g(b);
  engine::DrawImageFill(g, src, {0, 0, 2, 2}, gfx::RectF{2, 0, 2, 2}, engine::kFillNatural);
  EXPECT_EQ(b.pixel(0, 0), kBlue);
  g.clear(kGreen);  // the natural fill's clip must not linger
  EXPECT_EQ(b.pixel(5, 3), kGreen);
}

TEST(DrawImageFillTest, NineGridFillUsesTheCentreRectangle) {
  gfx::Bitmap b(20, 20);
  gfx::Graphics g(b);
  engine::DrawImageFill(g, nineCell(), {0, 0, 20, 20}, std::nullopt, engine::kFillNineGrid, kCentre);
  EXPECT_EQ(b.pixel(0, 0), pieceColour(0, 0));
  EXPECT_EQ(b.pixel(19, 19), pieceColour(2, 2));
  EXPECT_EQ(b.pixel(10, 10), pieceColour(1, 1));
}

TEST(NineGridTest, BordersKeepTheirSizeAndTheRestStretches) {
  constexpr int W = 30, H = 20;
  gfx::Bitmap b(W, H);
  gfx::Graphics g(b);
  engine::DrawNineGrid(g, nineCell(), {0, 0, W, H}, kCentre);
  auto colAt = [](int x) { return x < kL ? 0 : x < W - kR ? 1 : 2; };
  auto rowAt = [](int y) { return y < kT ? 0 : y < H - kB ? 1 : 2; };
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      ASSERT_EQ(b.pixel(x, y), pieceColour(colAt(x), rowAt(y))) << x << "," << y;
}

TEST(NineGridTest, DestinationSmallerThanTheBordersStillDrawsTheCorners) {
  gfx::Bitmap b(3, 4);
  gfx::Graphics g(b);
  engine::DrawNineGrid(g, nineCell(), {0, 0, 3, 4}, kCentre);
  // left corners at x 0..1, right corners at x 2 (= 3 - 1); top corners y 0..2, bottom corners at y 2..3
  EXPECT_EQ(b.pixel(0, 0), pieceColour(0, 0));
  EXPECT_EQ(b.pixel(2, 0), pieceColour(2, 0));
  EXPECT_EQ(b.pixel(0, 3), pieceColour(0, 2));
  EXPECT_EQ(b.pixel(2, 3), pieceColour(2, 2));
  EXPECT_EQ(b.pixel(1, 1), pieceColour(0, 0));  // nothing of the centre was drawn
}

TEST(NineGridTest, AlphaAppliesToEveryPiece) {
  gfx::Bitmap b(12, 12);
  gfx::Graphics g(b);
  engine::DrawNineGrid(g, nineCell(), {0, 0, 12, 12}, kCentre, 51);
  for (auto [x, y] : {std::pair{0, 0}, {6, 6}, {11, 11}, {6, 0}})
    EXPECT_NEAR(gfx::alphaOf(b.pixel(x, y)), 51, 1) << x << "," << y;
}

TEST(CropImageTest, CopiesTheAreaClippedToTheImage) {
  const gfx::Bitmap src = quad();
  const gfx::Bitmap c = engine::CropImage(src, 1, 0, 2, 2);
  ASSERT_EQ(c.width(), 2);
  EXPECT_EQ(c.pixel(0, 0), kRed);
  EXPECT_EQ(c.pixel(1, 1), kBlue);
  EXPECT_EQ(engine::CropImage(src, 3, 1, 10, 10).width(), 1);
  EXPECT_TRUE(engine::CropImage(src, 10, 0, 2, 2).empty());
  EXPECT_TRUE(engine::CropImage(src, 0, 0, -2, 2).empty());
}

TEST(FadeEdgesTest, BandIsAQuarterOfTheShorterSide) {
  // 100 x 40, fraction 0.25: L = 10; a pixel at distance d < 10 from a faded edge gets 255 * d / 10.
  struct Case {
    bool left, top, right, bottom;
    int x, y;
    int alpha;
  };
  const Case cases[] = {
      {true, false, false, false, 0, 20, 0},     {true, false, false, false, 9, 20, 229},
      {true, false, false, false, 10, 20, 255},  {true, false, false, false, 99, 20, 255},
      {false, false, true, false, 99, 20, 0},    {false, false, true, false, 95, 20, 102},
      {false, true, false, false, 50, 3, 76},    {false, false, false, true, 50, 39, 0},
      {false, false, false, true, 50, 29, 255},  {true, true, false, false, 5, 5, 63},  // 255*5/10 = 127, *5/10
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(100, 40, kWhite);
    engine::FadeEdges(b, c.left, c.top, c.right, c.bottom);
    EXPECT_EQ(gfx::alphaOf(b.pixel(c.x, c.y)), c.alpha) << c.x << "," << c.y;
    EXPECT_EQ(gfx::redOf(b.pixel(c.x, c.y)), c.alpha ? 255 : 0) << "colour kept";
  }
}

TEST(FadeEdgesTest, DegenerateInputChangesNothing) {
  for (float fraction : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
    gfx::Bitmap b(10, 10, kWhite);
    engine::FadeEdges(b, true, true, true, true, fraction);
    EXPECT_EQ(b, gfx::Bitmap(10, 10, kWhite)) << fraction;
  }
  gfx::Bitmap empty;
  engine::FadeEdges(empty, true, true, true, true);
}

TEST(DrawImageFillTest, FadeBitsFadeTheCutCellOnly) {
  const gfx::Bitmap src(40, 40, kWhite);
  gfx::Bitmap b(40, 40);
  gfx::Graphics g(b);
  engine::DrawImageFill(g, src, {0, 0, 40, 40}, std::nullopt, engine::kFillNatural, {}, 255,
                        engine::kFadeRight | engine::kFadeBottom);
  EXPECT_EQ(gfx::alphaOf(b.pixel(0, 0)), 255);
  EXPECT_EQ(gfx::alphaOf(b.pixel(39, 20)), 0);
  EXPECT_EQ(gfx::alphaOf(b.pixel(20, 39)), 0);
  EXPECT_EQ(src.pixel(39, 20), kWhite);
}

}  // namespace
