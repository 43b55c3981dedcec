// Shapes, clipping, images and brushes of the drawing layer, read back pixel by pixel.
#include "gfx/Graphics.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "gfx/BitmapLock.h"
#include "gfx/LinearGradientBrush.h"
#include "gfx/PathGradientBrush.h"
#include "gfx/SolidBrush.h"
#include "gfx/PixelProbe.h"

namespace {

using testing_pixels::near;

constexpr gfx::Argb kRed = 0xFFFF0000;
constexpr gfx::Argb kBlue = 0xFF0000FF;

// One character per pixel: '#' where alpha > 0, '.' elsewhere.
std::string rowPattern(const gfx::Bitmap& b, int y) {
  std::string s;
  for (int x = 0; x < b.width(); ++x) s += gfx::alphaOf(b.pixel(x, y)) ? '#' : '.';
  return s;
}

std::string columnPattern(const gfx::Bitmap& b, int x) {
  std::string s;
  for (int y = 0; y < b.height(); ++y) s += gfx::alphaOf(b.pixel(x, y)) ? '#' : '.';
  return s;
}

TEST(GraphicsLines, AliasedOnePixelLinesCoverBothEndsInEitherDirection) {
  struct Case {
    gfx::PointF from, to;
    int row, column;  // the row or column the line lies in (-1: not that way)
    const char* expected;
  };
  const Case cases[] = {
      {{2, 1}, {7, 1}, 1, -1, "..######.."},
      {{7, 1}, {2, 1}, 1, -1, "..######.."},
      {{3, 0}, {3, 9}, -1, 3, "##########"},
      {{3, 8}, {3, 2}, -1, 3, "..#######."},
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(10, 10);
    gfx::Graphics g(b);
    g.drawLine(gfx::Pen(kRed), c.from, c.to);
    const std::string got = c.row >= 0 ? rowPattern(b, c.row) : columnPattern(b, c.column);
    EXPECT_EQ(got, c.expected) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
    EXPECT_EQ(b.pixel(static_cast<int>(c.from.x), static_cast<int>(c.from.y)), kRed);
  }
}

TEST(GraphicsLines, DashStylesFollowTheWidthScaledPattern) {
  const std::pair<gfx::DashStyle, const char*> cases[] = {
      {gfx::DashStyle::Solid, "################"},
      {gfx::DashStyle::Dash, "###.###.###.###."},
      {gfx::DashStyle::Dot, "#.#.#.#.#.#.#.#."},
      {gfx::DashStyle::DashDot, "###.#.###.#.###."},
      {gfx::DashStyle::DashDotDot, "###.#.#.###.#.#."},
  };
  for (const auto& [style, expected] : cases) {
    gfx::Bitmap b(16, 3);
    gfx::Graphics g(b);
    gfx::Pen pen(kRed);
    pen.setDashStyle(style);
    g.drawLine(pen, {0, 1}, {15, 1});
    EXPECT_EQ(rowPattern(b, 1), expected) << static_cast<int>(style);
    EXPECT_EQ(rowPattern(b, 0), std::string(16, '.'));
  }
}

TEST(GraphicsShapes, RectangleOutlineAndFillCoverExactPixels) {
  gfx::Bitmap b(8, 6);
  gfx::Graphics g(b);
  g.fillRectangle(gfx::SolidBrush(kBlue), {2, 1, 4, 3});
  g.drawRectangle(gfx::Pen(kRed), {0, 0, 7, 5});  // a GDI+ outline covers width + 1 pixels
  const char* expected[] = {"########", "#.####.#", "#.####.#", "#.####.#", "#......#", "########"};
  for (int y = 0; y < 6; ++y) EXPECT_EQ(rowPattern(b, y), expected[y]) << "row " << y;
  EXPECT_EQ(b.pixel(2, 1), kBlue);
  EXPECT_EQ(b.pixel(7, 5), kRed);
}

TEST(GraphicsShapes, AntiAliasedEllipseIsSymmetricAndSoftEdged) {
  gfx::Bitmap b(21, 21);
  gfx::Graphics g(b);
  g.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
  g.fillEllipse(gfx::SolidBrush(kRed), {0, 0, 20, 20});
  EXPECT_EQ(b.pixel(10, 10), kRed);
  EXPECT_EQ(gfx::alphaOf(b.pixel(0, 0)), 0);
  int partial = 0;
  for (int x = 0; x < 21; ++x) {
    const int a = gfx::alphaOf(b.pixel(x, 3));
    EXPECT_NEAR(a, gfx::alphaOf(b.pixel(20 - x, 3)), 2) << x;
    if (a > 0 && a < 255) ++partial;
  }
  EXPECT_GT(partial, 0);
}

TEST(GraphicsClip, CombineModesLimitDrawing) {
  struct Case {
    const char* name;
    void (*setup)(gfx::Graphics&);
    const char* row2;  // the middle row after filling everything
  };
  const Case cases[] = {
      {"rect", [](gfx::Graphics& g) { g.setClip(gfx::RectF{2, 0, 4, 5}); }, "..####...."},
      {"intersect", [](gfx::Graphics& g) {
         g.setClip(gfx::RectF{2, 0, 4, 5});
         g.setClip(gfx::RectF{4, 0, 6, 5}, gfx::CombineMode::Intersect);
       }, "....##...."},
      {"exclude", [](gfx::Graphics& g) { g.excludeClip({3, 1, 3, 3}); }, "###...####"},
      {"xor band", [](gfx::Graphics& g) {
         g.setClip(gfx::RectF{0, 0, 10, 5});
         g.setClip(gfx::RectF{2, 1, 6, 3}, gfx::CombineMode::Xor);
       }, "##......##"},
      {"reset", [](gfx::Graphics& g) {
         g.setClip(gfx::RectF{0, 0, 1, 1});
         g.resetClip();
       }, "##########"},
      {"empty", [](gfx::Graphics& g) { g.setClip(gfx::RectF{3, 3, 0, 0}); }, ".........."},
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(10, 5);
    gfx::Graphics g(b);
    c.setup(g);
    g.fillRectangle(gfx::SolidBrush(kRed), {0, 0, 10, 5});
    EXPECT_EQ(rowPattern(b, 2), c.row2) << c.name;
  }
}

TEST(GraphicsClip, XorWithRoundedRegionLeavesTheCornersAndTheBand) {
  gfx::Bitmap b(40, 30);
  gfx::Graphics g(b);
  g.setClip(gfx::RectF{0, 0, 40, 30});
  gfx::GraphicsPath inner;
  inner.addEllipse({5, 5, 30, 20});
  g.setClip(inner, gfx::CombineMode::Xor);
  g.clear(kRed);
  EXPECT_EQ(b.pixel(0, 0), kRed);
  EXPECT_EQ(b.pixel(20, 2), kRed);
  EXPECT_EQ(b.pixel(20, 15), 0u);  // inside the ellipse
  EXPECT_TRUE(g.isVisible(1, 1));
  EXPECT_FALSE(g.isVisible(20, 15));
}

TEST(GraphicsClip, SaveAndRestoreBringBackTheClip) {
  gfx::Bitmap b(6, 1);
  gfx::Graphics g(b);
  g.setClip(gfx::RectF{0, 0, 3, 1});
  const gfx::GraphicsState s = g.save();
  g.setClip(gfx::RectF{0, 0, 1, 1});
  g.restore(s);
  g.clear(kRed);
  EXPECT_EQ(rowPattern(b, 0), "###...");
}

gfx::Bitmap quadrants() {
  // 2 x 2: red, green / blue, half-transparent white.
  gfx::Bitmap q(2, 2);
  q.setPixel(0, 0, kRed);
  q.setPixel(1, 0, 0xFF00FF00);
  q.setPixel(0, 1, kBlue);
  q.setPixel(1, 1, 0x80FFFFFF);
  return q;
}

TEST(GraphicsImages, NaturalSizeCopiesPixelsExactly) {
  const gfx::Bitmap q = quadrants();
  gfx::Bitmap b(4, 4);
  gfx::Graphics g(b);
  g.drawImage(q, 1, 2);
  EXPECT_EQ(b.pixel(1, 2), kRed);
  EXPECT_EQ(b.pixel(2, 2), 0xFF00FF00u);
  EXPECT_EQ(b.pixel(1, 3), kBlue);
  EXPECT_TRUE(near(b.pixel(2, 3), 0x80FFFFFF, 1));
  EXPECT_EQ(b.pixel(0, 0), 0u);
}

TEST(GraphicsImages, SourceRectangleIsStretchedOverTheDestination) {
  const gfx::Bitmap q = quadrants();
  gfx::Bitmap b(6, 6);
  gfx::Graphics g(b);
  g.setInterpolationMode(gfx::InterpolationMode::NearestNeighbor);
  g.drawImage(q, {1, 1, 4, 2}, {1, 0, 1, 1});  // the green pixel as a 4 x 2 block
  EXPECT_EQ(rowPattern(b, 1), ".####.");
  EXPECT_EQ(rowPattern(b, 2), ".####.");
  EXPECT_EQ(rowPattern(b, 3), "......");
  EXPECT_EQ(b.pixel(4, 2), 0xFF00FF00u);
}

TEST(GraphicsImages, StretchedEdgesDoNotFadeIntoTransparency) {
  gfx::Bitmap src(2, 2, kBlue);
  gfx::Bitmap b(20, 20);
  gfx::Graphics g(b);
  g.setInterpolationMode(gfx::InterpolationMode::HighQualityBilinear);
  g.drawImage(src, {0, 0, 20, 20});
  for (int i : {0, 10, 19}) {
    EXPECT_EQ(b.pixel(i, 0), kBlue) << i;
    EXPECT_EQ(b.pixel(19, i), kBlue) << i;
  }
}

TEST(GraphicsImages, ColourMatrixScalesAlphaOrMixesChannels) {
  gfx::Bitmap src(1, 1, 0xFF204080);
  {
    gfx::Bitmap b(1, 1);
    gfx::Graphics g(b);
    gfx::ImageAttributes half;
    half.setColorMatrix(gfx::ImageAttributes::constantAlpha(0.5f));
    g.drawImage(src, {0, 0, 1, 1}, {0, 0, 1, 1}, &half);
    EXPECT_TRUE(near(b.pixel(0, 0), 0x80204080, 2)) << std::hex << b.pixel(0, 0);
  }
  {
    gfx::Bitmap b(1, 1);
    gfx::Graphics g(b);
    gfx::ColorMatrix swap{};  // red <-> blue
    swap[0][2] = swap[2][0] = swap[1][1] = swap[3][3] = swap[4][4] = 1;
    gfx::ImageAttributes attrs;
    attrs.setColorMatrix(swap);
    g.drawImage(src, {0, 0, 1, 1}, {0, 0, 1, 1}, &attrs);
    EXPECT_EQ(b.pixel(0, 0), 0xFF804020u);
  }
}

TEST(GraphicsImages, BadRectanglesDrawNothingAndDoNotCrash) {
  const gfx::Bitmap q = quadrants();
  gfx::Bitmap b(4, 4);
  gfx::Graphics g(b);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  g.drawImage(q, {0, 0, 4, 4}, {5, 5, 2, 2});       // source outside the image
  g.drawImage(q, {0, 0, 0, 4});                     // empty destination
  g.drawImage(q, {nan, 0, 4, 4});
  g.drawImage(gfx::Bitmap(), {0, 0, 4, 4});
  g.drawImage(b, {0, 0, 4, 4});                     // onto itself
  EXPECT_FALSE(testing_pixels::inkBox(b).has_value());
  gfx::Bitmap empty;
  gfx::Graphics nothing(empty);
  nothing.fillRectangle(gfx::SolidBrush(kRed), {0, 0, 5, 5});
  nothing.drawImage(q, 0, 0);
}

TEST(GraphicsBrushes, LinearGradientEndsSitOnTheStartAndEndSides) {
  constexpr gfx::Argb c1 = 0xFF000000, c2 = 0xFFFFFFFF;
  struct Case {
    gfx::LinearGradientMode mode;
    int x1, y1, x2, y2;  // pixel nearest colour 1, pixel nearest colour 2
    int midX, midY;      // a pixel that gets the middle colour
  };
  const Case cases[] = {
      {gfx::LinearGradientMode::Horizontal, 0, 10, 39, 10, 20, 0},
      {gfx::LinearGradientMode::Vertical, 10, 0, 10, 19, 0, 10},
      {gfx::LinearGradientMode::ForwardDiagonal, 0, 0, 39, 19, 39, 0},
      {gfx::LinearGradientMode::BackwardDiagonal, 39, 0, 0, 19, 0, 0},
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(40, 20);
    gfx::Graphics g(b);
    gfx::LinearGradientBrush brush({0, 0, 40, 20}, c1, c2, c.mode);
    g.fillRectangle(brush, {0, 0, 40, 20});
    const int mode = static_cast<int>(c.mode);
    EXPECT_TRUE(near(b.pixel(c.x1, c.y1), c1, 14)) << mode << std::hex << " " << b.pixel(c.x1, c.y1);
    EXPECT_TRUE(near(b.pixel(c.x2, c.y2), c2, 14)) << mode << std::hex << " " << b.pixel(c.x2, c.y2);
    EXPECT_TRUE(near(b.pixel(c.midX, c.midY), 0xFF808080, 14)) << mode << std::hex << " " << b.pixel(c.midX, c.midY);
  }
}

TEST(GraphicsBrushes, TileFlipXYMirrorsBeyondTheBrushRectangle) {
  gfx::Bitmap b(40, 1);
  gfx::Graphics g(b);
  gfx::LinearGradientBrush brush({0, 0, 20, 1}, 0xFFFF0000, 0xFF0000FF, gfx::LinearGradientMode::Horizontal);
  brush.setWrapMode(gfx::WrapMode::TileFlipXY);
  g.fillRectangle(brush, {0, 0, 40, 1});
  // Pixel x sits at x / 20 of the brush; pixel 40 - x at 2 - x / 20, its mirror image.
  for (int x = 1; x < 20; ++x) EXPECT_TRUE(near(b.pixel(x, 0), b.pixel(40 - x, 0), 3)) << x;
  EXPECT_FALSE(near(b.pixel(1, 0), b.pixel(19, 0), 100));
}

TEST(GraphicsBrushes, PathGradientRunsFromCentreToSurroundInsideThePathOnly) {
  gfx::Bitmap b(40, 40);
  gfx::Graphics g(b);
  g.setSmoothingMode(gfx::SmoothingMode::AntiAlias);
  gfx::GraphicsPath e;
  e.addEllipse({2, 2, 36, 36});
  gfx::PathGradientBrush brush(e);
  brush.setCenterColor(0xFFFFFFFF);
  brush.setSurroundColor(0x32FFFFFF);
  g.fillRectangle(brush, {0, 0, 40, 40});
  EXPECT_TRUE(near(b.pixel(20, 20), 0xFFFFFFFF, 12));
  EXPECT_TRUE(near(b.pixel(20, 3), 0x32FFFFFF, 16)) << std::hex << b.pixel(20, 3);
  EXPECT_GT(gfx::alphaOf(b.pixel(20, 12)), gfx::alphaOf(b.pixel(20, 5)));
  EXPECT_EQ(b.pixel(0, 0), 0u);
}

TEST(GraphicsPathTest, ArcsJoinIntoARoundedOutline) {
  gfx::GraphicsPath p;
  p.addArc({0, 0, 10, 10}, 180, 90);
  p.addArc({30, 0, 10, 10}, 270, 90);
  p.addArc({30, 20, 10, 10}, 0, 90);
  p.addArc({0, 20, 10, 10}, 90, 90);
  p.closeFigure();
  const gfx::RectF bounds = p.bounds();
  EXPECT_NEAR(bounds.x, 0, 1e-3);
  EXPECT_NEAR(bounds.right(), 40, 1e-3);
  EXPECT_NEAR(bounds.bottom(), 30, 1e-3);
  EXPECT_TRUE(p.contains({20, 15}));
  EXPECT_TRUE(p.contains({5, 1}));    // on the straight top edge
  EXPECT_FALSE(p.contains({0.5f, 0.5f}));  // cut off by the corner arc
}

TEST(GraphicsPathTest, EllipseArcAnglesNameTheRayPoint) {
  // On a wide ellipse the 45 degree point lies on the diagonal ray from the centre.
  gfx::GraphicsPath p;
  p.addArc({-40, -10, 80, 20}, 45, 0.001f);
  const auto fig = p.flatten().at(0);
  EXPECT_NEAR(fig.front().x, fig.front().y, 1e-3);
  EXPECT_GT(fig.front().x, 0);
}

TEST(BitmapLockTest, GivesStraightPixelsAndWritesBackOnlyChanges) {
  gfx::Bitmap b(2, 1);
  b.data()[0] = 0x40102030;  // premultiplied, alpha 64
  b.data()[1] = 0x80404040;
  {
    gfx::BitmapLock lock(b);
    EXPECT_EQ(lock.row(0)[0], gfx::unpremultiply(0x40102030));
    lock.row(0)[1] = 0x40FF0000;
  }
  EXPECT_EQ(b.data()[0], 0x40102030u);  // untouched pixel keeps its exact premultiplied value
  EXPECT_EQ(b.data()[1], gfx::premultiply(0x40FF0000));
  gfx::BitmapLock outside(b, 5, 5, 3, 3);
  EXPECT_EQ(outside.width(), 0);
}

}  // namespace
