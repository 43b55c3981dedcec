// DrawTextEx: the halo colour, the 254-alpha rule, the 1 px shift, glow and outline, ClearType coverage.
#include "engine/draw/TextDraw.h"

#include <gtest/gtest.h>

#include "gfx/SolidBrush.h"
#include "gfx/PixelProbe.h"

namespace {

using testing_pixels::inkBox;

const gfx::Font& font() {
  static const gfx::Font f("微软雅黑", 16);
  return f;
}

int maxAlpha(const gfx::Bitmap& b) {
  int m = 0;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) m = std::max<int>(m, gfx::alphaOf(b.pixel(x, y)));
  return m;
}

TEST(TextDrawTest, AutoEffectColourDependsOnTheTextColour) {
  EXPECT_EQ(engine::AutoEffectColor(0xFF000000), engine::kHaloOnDark);
  EXPECT_EQ(engine::AutoEffectColor(0xFFBFBFBF), engine::kHaloOnDark);
  EXPECT_EQ(engine::AutoEffectColor(0xFFC0C0C0), engine::kHaloOnLight);
  EXPECT_EQ(engine::AutoEffectColor(0xFFFFFFFF), 0x4B000000u);
}

TEST(TextDrawTest, OpaqueTextIsDrawnAtAlpha254UnlessClearType) {
  for (const auto& [colour, expected] : {std::pair{0xFF000000u, 254}, {0x80000000u, 128}}) {
    gfx::Bitmap b(120, 30);
    gfx::Graphics g(b);
    g.setTextRenderingHint(gfx::TextRenderingHint::SingleBitPerPixelGridFit);  // whole pixels only
    engine::DrawTextEx(g, colour, {2, 2, 110, 24}, u"录制 Text", font(), nullptr, engine::kTextEffectNone);
    EXPECT_EQ(maxAlpha(b), expected) << std::hex << colour;
  }
}

TEST(TextDrawTest, LayoutMovesOnePixelLeft) {
  gfx::Bitmap plain(120, 30), ex(120, 30);
  gfx::Graphics gp(plain), ge(ex);
  gp.setTextRenderingHint(gfx::TextRenderingHint::SingleBitPerPixelGridFit);
  ge.setTextRenderingHint(gfx::TextRenderingHint::SingleBitPerPixelGridFit);
  gp.drawString(u"Hello", font(), {10, 2, 100, 24}, nullptr, gfx::SolidBrush(0xFE000000));
  engine::DrawTextEx(ge, 0xFF000000, {10, 2, 100, 24}, u"Hello", font(), nullptr, engine::kTextEffectNone);
  const auto a = inkBox(plain), b = inkBox(ex);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(b->left, a->left - 1);
  EXPECT_EQ(b->top, a->top);
}

TEST(TextDrawTest, GlowAndOutlineSpreadBeyondTheGlyphs) {
  const gfx::RectF rect{10, 10, 120, 30};
  gfx::Bitmap plain(150, 50);
  {
    gfx::Graphics g(plain);
    engine::DrawTextEx(g, 0xFF000000, rect, u"Glow 光", font(), nullptr, engine::kTextEffectNone);
  }
  const auto plainInk = inkBox(plain);
  ASSERT_TRUE(plainInk);
  for (int effect : {engine::kTextEffectGlow, engine::kTextEffectOutline}) {
    gfx::Bitmap b(150, 50);
    gfx::Graphics g(b);
    engine::DrawTextEx(g, 0xFF000000, rect, u"Glow 光", font(), nullptr, effect, 0xFFFF0000);
    const auto ink = inkBox(b);
    ASSERT_TRUE(ink) << effect;
    EXPECT_LT(ink->left, plainInk->left) << effect;
    EXPECT_GT(ink->right, plainInk->right) << effect;
    // The halo is in the effect colour: a pixel left of the text is reddish.
    const gfx::Argb edge = b.pixel(ink->left, (ink->top + ink->bottom) / 2);
    bool reddish = false;
    for (int y = ink->top; y <= ink->bottom; ++y) {
      const gfx::Argb p = b.pixel(ink->left, y);
      reddish = reddish || (gfx::alphaOf(p) > 0 && gfx::redOf(p) > 200 && gfx::blueOf(p) < 50);
    }
    EXPECT_TRUE(reddish) << effect << std::hex << " " << edge;
  }
}

TEST(TextDrawTest, GlowIsSofterThanOutline) {
  auto partialPixels = [](int effect) {
    gfx::Bitmap b(150, 50);
    gfx::Graphics g(b);
    engine::DrawTextEx(g, 0xFFFFFFFF, {10, 10, 120, 30}, u"Soft", font(), nullptr, effect, 0xFF000000);
    int spread = 0;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 150; ++x) spread += gfx::alphaOf(b.pixel(x, y)) > 0;
    return spread;
  };
  EXPECT_GT(partialPixels(engine::kTextEffectGlow), partialPixels(engine::kTextEffectOutline));
}

TEST(TextDrawTest, ClearTypeCoverageTurnsBackgroundTransparent) {
  struct Case {
    gfx::Argb text, background, pixel;
    int alpha;  // expected coverage; -1: the pixel is kept as it is
  };
  const Case cases[] = {
      {0xFF800080, 0xFF7FFF7F, 0xFF7FFF7F, 0},    // the background vanishes
      {0xFF800080, 0xFF7FFF7F, 0xFF800080, -1},   // the text colour stays
      {0xFF800080, 0xFF7FFF7F, 0xFF80C080, 64},   // purple against its complement: green carries it
      {0xFF000000, 0xFFFFFFFF, 0xFF808080, 127},  // grey half way between black and white
      {0xFF000000, 0xFFFFFFFF, 0xFFFF8000, 128},  // a colour fringe averages its channels
  };
  for (const Case& c : cases) {
    gfx::Bitmap b(1, 1, c.pixel);
    engine::ClearTypeToCoverage(b, c.text, c.background);
    const gfx::Argb p = b.pixel(0, 0);
    if (c.alpha < 0) {
      EXPECT_EQ(p, c.pixel);
    } else if (c.alpha == 0) {
      EXPECT_EQ(p, 0u);
    } else {
      EXPECT_NEAR(gfx::alphaOf(p), c.alpha, 2) << std::hex << c.pixel;
      EXPECT_TRUE(testing_pixels::near(p | 0xFF000000, c.text, 3)) << std::hex << p;
    }
  }
}

TEST(TextDrawTest, ClearTypeTextLandsOnATransparentSurfaceInTheTextColour) {
  gfx::StringFormat centred;
  centred.setAlignment(gfx::StringAlignment::Center);
  gfx::Bitmap b(200, 40);
  gfx::Graphics g(b);
  g.setTextRenderingHint(gfx::TextRenderingHint::ClearTypeGridFit);
  engine::DrawTextEx(g, 0xFF000000, {0, 5, 200, 30}, u"开始录制", font(), &centred, engine::kTextEffectNone);
  const auto ink = inkBox(b);
  ASSERT_TRUE(ink);
  EXPECT_GT(ink->left, 50);  // centred, not at the rectangle's left
  EXPECT_LT(ink->right, 150);
  EXPECT_EQ(gfx::alphaOf(b.pixel(1, 1)), 0);
  EXPECT_EQ(maxAlpha(b), 255);
  for (int x = ink->left; x <= ink->right; ++x) {
    const gfx::Argb p = b.pixel(x, 20);
    if (gfx::alphaOf(p) > 0) {
      EXPECT_EQ(p & 0xFFFFFF, 0u) << x;
    }
  }
}

TEST(TextDrawTest, MeasureTextGrowsWithTheText) {
  gfx::Bitmap b(1, 1);
  gfx::Graphics g(b);
  const gfx::SizeF one = engine::MeasureText(g, u"录制", font(), nullptr);
  const gfx::SizeF two = engine::MeasureText(g, u"录制录制", font(), nullptr);
  EXPECT_GT(one.width, 20);
  EXPECT_NEAR(two.width, 2 * one.width, 2);
  EXPECT_NEAR(one.height, font().lineHeight(), 2);
  EXPECT_EQ(engine::MeasureText(g, u"", font(), nullptr).width, 0);
}

}  // namespace
