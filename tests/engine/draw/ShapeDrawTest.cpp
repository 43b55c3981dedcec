// Gradient bands, rectangle outlines at their exact pixels, rounded-rectangle paths, rectangle growth.
#include "engine/draw/ShapeDraw.h"

#include <gtest/gtest.h>

#include <map>

#include "gfx/SolidBrush.h"
#include "gfx/PixelProbe.h"

namespace {

using testing_pixels::near;

// Pixel map of a drawn outline: 'D' shade (black 110), 'L' light (white 245), '.' nothing, '?' other
// (where two translucent edges overlap and composite).
std::vector<std::string> outlineMap(const gfx::Bitmap& b) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.height(); ++y) {
    std::string r;
    for (int x = 0; x < b.width(); ++x) {
      const gfx::Argb p = b.pixel(x, y);
      r += p == 0 ? '.' : near(p, engine::kOutlineShade, 1) ? 'D' : near(p, engine::kOutlineLight, 1) ? 'L' : '?';
    }
    rows.push_back(r);
  }
  return rows;
}

TEST(RectOutlineTest, SunkenAndRaisedEdgesLieOnTheirPixels) {
  // Outline over (1, 1, 6, 4) on an 8 x 6 bitmap.
  const std::map<int, std::vector<std::string>> expected = {
      {engine::kOutlineSunken, {"........",
                                ".?DDDD?.",
                                ".D....L.",
                                ".D....L.",
                                ".?LLLL?L",   // the bottom edge runs to x + w, one past the right edge
                                "........"}},
      {engine::kOutlineRaised, {"........",
                                ".?LLLLD.",
                                ".L....D.",
                                ".L....D.",
                                ".DDDDDD.",
                                "........"}},
  };
  for (const auto& [style, rows] : expected) {
    gfx::Bitmap b(8, 6);
    gfx::Graphics g(b);
    engine::DrawRectOutline(g, {1, 1, 6, 4}, style);
    EXPECT_EQ(outlineMap(b), rows) << "style " << style;
  }
}

TEST(RectOutlineTest, SolidDashedAndColourForms) {
  struct Case {
    std::int32_t style;
    std::optional<gfx::Argb> colour;
    gfx::Argb expect;
    const char* top;  // row 1 of a 10 x 6 bitmap with the outline over (1, 1, 8, 4)
  };
  const Case cases[] = {
      {engine::kOutlineSolid, std::nullopt, engine::kOutlineSolidDefault, ".########."},
      {engine::kOutlineSolid, 0xFF00FF00, 0xFF00FF00, ".########."},
      {engine::kOutlineDashed, std::nullopt, engine::kOutlineDashedDefault, ".###.###.."},
      {static_cast<std::int32_t>(0xC8FF0000), std::nullopt, 0xC8FF0000, ".########."},
      {engine::kOutlineNone, 0xFF00FF00, 0, ".........."},
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(10, 6);
    gfx::Graphics g(b);
    engine::DrawRectOutline(g, {1, 1, 8, 4}, c.style, c.colour);
    std::string top;
    for (int x = 0; x < 10; ++x) top += b.pixel(x, 1) ? '#' : '.';
    EXPECT_EQ(top, c.top) << c.style;
    if (c.expect) {
      EXPECT_TRUE(near(b.pixel(1, 1), c.expect, 1)) << c.style << std::hex << " " << b.pixel(1, 1);
    }
    EXPECT_EQ(b.pixel(4, 2), 0u) << "inside stays empty";
    EXPECT_EQ(b.pixel(9, 1), 0u) << "right edge is at x + w - 1";
  }
}

TEST(RectOutlineTest, WidePenIsCentredOnTheEdge) {
  gfx::Bitmap b(30, 30);
  gfx::Graphics g(b);
  engine::DrawRectOutline(g, {0, 0, 30, 30}, static_cast<std::int32_t>(0xC8FF0000), std::nullopt, 5);
  // A 5 px pen centred on pixel row 0 covers rows -2..2: three rows show.
  EXPECT_NE(b.pixel(15, 2), 0u);
  EXPECT_EQ(b.pixel(15, 3), 0u);
  EXPECT_NE(b.pixel(27, 15), 0u);
  EXPECT_EQ(b.pixel(26, 15), 0u);
}

TEST(FillGradientTest, DirectionsRunFromColourOneToColourTwo) {
  struct Case {
    int direction;
    int x1, y1, x2, y2;
  };
  const Case cases[] = {{0, 0, 5, 49, 5}, {1, 5, 0, 5, 19}, {2, 0, 0, 49, 19}, {3, 49, 0, 0, 19}};
  for (const Case& c : cases) {
    gfx::Bitmap b(50, 20);
    gfx::Graphics g(b);
    engine::FillGradient(g, {0, 0, 50, 20}, 0xFFFF0000, 0xFF0000FF, c.direction);
    EXPECT_TRUE(near(b.pixel(c.x1, c.y1), 0xFFFF0000, 14)) << c.direction << std::hex << " " << b.pixel(c.x1, c.y1);
    EXPECT_TRUE(near(b.pixel(c.x2, c.y2), 0xFF0000FF, 14)) << c.direction << std::hex << " " << b.pixel(c.x2, c.y2);
  }
  for (int bad : {-1, 4}) {
    gfx::Bitmap b(5, 5);
    gfx::Graphics g(b);
    engine::FillGradient(g, {0, 0, 5, 5}, 0xFFFF0000, 0xFF0000FF, bad);
    EXPECT_FALSE(testing_pixels::inkBox(b)) << bad;
  }
}

TEST(FillGradientTest, DefaultDirectionIsVerticalWithAlphaEnds) {
  gfx::Bitmap b(4, 40);
  gfx::Graphics g(b);
  engine::FillGradient(g, {0, 0, 4, 40}, 0x64FFFFFF, 0xC8FFFFFF);
  EXPECT_NEAR(gfx::alphaOf(b.pixel(2, 0)), 100, 3);
  EXPECT_NEAR(gfx::alphaOf(b.pixel(2, 39)), 198, 4);
  EXPECT_EQ(gfx::alphaOf(b.pixel(0, 20)), gfx::alphaOf(b.pixel(3, 20)));
}

TEST(RoundRectPathTest, CornersAreCutAndTheBoxIsOnePixelNarrower) {
  const gfx::GraphicsPath p = engine::RoundRectPath({10, 10, 40, 30}, 10);
  const gfx::RectF bounds = p.bounds();
  EXPECT_NEAR(bounds.x, 10, 1e-3);
  EXPECT_NEAR(bounds.y, 10, 1e-3);
  EXPECT_NEAR(bounds.right(), 49, 1e-3);   // x + w - 1
  EXPECT_NEAR(bounds.bottom(), 39, 1e-3);  // y + h - 1

  gfx::Bitmap b(60, 50);
  gfx::Graphics g(b);
  g.fillPath(gfx::SolidBrush(0xFFFF0000), p);
  EXPECT_EQ(b.pixel(10, 10), 0u);
  EXPECT_EQ(b.pixel(48, 38), 0u);
  EXPECT_EQ(b.pixel(30, 10), 0xFFFF0000u);
  EXPECT_EQ(b.pixel(10, 25), 0xFFFF0000u);
  EXPECT_EQ(b.pixel(30, 25), 0xFFFF0000u);
}

TEST(InflateRectTest, MovesEachSideByItsDelta) {
  gfx::RectF r{10, 20, 30, 40};
  engine::InflateRect(r, 1, 2, 3, 4);
  EXPECT_EQ(r, (gfx::RectF{9, 18, 34, 46}));
  engine::InflateRect(r, -1, -2, -3, -4);
  EXPECT_EQ(r, (gfx::RectF{10, 20, 30, 40}));
}

}  // namespace
