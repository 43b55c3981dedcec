// Colour helpers and the byte layout of surfaces.
#include "engine/draw/Color.h"

#include <gtest/gtest.h>

#include "engine/draw/Surface.h"

namespace {

TEST(ColorTest, ToARGBSwapsRedAndBlueAndSetsAlpha) {
  struct Case {
    engine::ColorRef in;
    std::optional<int> alpha;
    engine::Argb out;
  };
  const Case cases[] = {
      {0x00332211, std::nullopt, 0xFF112233}, {0x00332211, 0x64, 0x64112233}, {0x000000FF, 0, 0x00FF0000},
      {0x00FF0000, 300, 0xFF0000FF},          {0x00FF0000, -5, 0x000000FF},
  };
  for (const Case& c : cases) EXPECT_EQ(engine::ToARGB(c.in, c.alpha), c.out) << std::hex << c.in;
  EXPECT_EQ(engine::ToColorRef(0x7F112233), 0x00332211u);
}

TEST(ColorTest, AlphaHelpers) {
  EXPECT_EQ(engine::AlphaOf(0x80123456), 0x80);
  EXPECT_EQ(engine::WithAlpha(0x80123456, 0x20), 0x20123456u);
  EXPECT_EQ(engine::WithAlpha(0x80123456, 999), 0xFF123456u);
}

TEST(ColorTest, IsDarkUsesLumaBelow192) {
  // 0.299 R + 0.587 G + 0.114 B: grey g has luma g.
  EXPECT_TRUE(engine::IsDark(0xFFBFBFBF));   // 191
  EXPECT_FALSE(engine::IsDark(0xFFC0C0C0));  // 192
  EXPECT_TRUE(engine::IsDark(0xFFFF0000));   // pure red: 76
  EXPECT_FALSE(engine::IsDark(0xFFFFFF00));  // yellow: 226
  EXPECT_FALSE(engine::IsDark(0x00FFFFFF));  // alpha plays no part
}

TEST(SurfaceTest, AlphaIsTheFourthByteOfEachPixel) {
  auto s = engine::CreateSurface(5, 3);
  ASSERT_EQ(s->stride(), 20);
  s->bitmap().setPixel(4, 2, 0x80FF0000);
  const std::uint8_t* p = s->bytes() + 2 * s->stride() + 4 * 4;
  EXPECT_EQ(p[3], 0x80);
  EXPECT_EQ(p[2], 0x80);  // red, premultiplied, in BGRA order
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(s->alphaAt(4, 2), 0x80);
  EXPECT_EQ(s->alphaAt(5, 2), 0);
  EXPECT_EQ(s->alphaAt(-1, 0), 0);
  engine::ReleaseSurface(s);
  EXPECT_EQ(s, nullptr);
  auto empty = engine::CreateSurface(0, 10);
  empty->graphics().clear(0xFFFFFFFF);
  EXPECT_EQ(empty->alphaAt(0, 0), 0);
}

}  // namespace
