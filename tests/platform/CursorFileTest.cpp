// Cursor files: the picture, its transparency and the hot spot, and refusal of malformed files.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gfx/ImageCodec.h"
#include "platform/CursorFile.h"

namespace platform {
namespace {

void put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A one-image .cur file with a `bits`-deep DIB of width x height, hot spot (hx, hy).
std::vector<std::uint8_t> makeCur(int width, int height, int bits, int hx, int hy,
                                  const std::vector<std::uint8_t>& palette, const std::vector<std::uint8_t>& xorBits,
                                  const std::vector<std::uint8_t>& andBits) {
  std::vector<std::uint8_t> dib;
  put32(dib, 40);
  put32(dib, static_cast<std::uint32_t>(width));
  put32(dib, static_cast<std::uint32_t>(height * 2));
  put16(dib, 1);
  put16(dib, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) put32(dib, 0);
  dib.insert(dib.end(), palette.begin(), palette.end());
  dib.insert(dib.end(), xorBits.begin(), xorBits.end());
  dib.insert(dib.end(), andBits.begin(), andBits.end());
  std::vector<std::uint8_t> f;
  put16(f, 0);
  put16(f, 2);
  put16(f, 1);
  f.push_back(static_cast<std::uint8_t>(width));
  f.push_back(static_cast<std::uint8_t>(height));
  f.push_back(0);
  f.push_back(0);
  put16(f, static_cast<unsigned>(hx));
  put16(f, static_cast<unsigned>(hy));
  put32(f, static_cast<std::uint32_t>(dib.size()));
  put32(f, 22);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

TEST(CursorFile, ThirtyTwoBitImageKeepsAlphaAndHotSpotRowsBottomUp) {
  // 2 x 2, stored bottom row first: bottom = blue opaque, clear; top = red half, green opaque.
  const std::vector<std::uint8_t> pixels{255, 0, 0, 255, 0, 0, 0, 0, 0, 0, 255, 128, 0, 255, 0, 255};
  const std::vector<std::uint8_t> mask(8, 0);
  auto shape = CursorFile::parse(makeCur(2, 2, 32, 1, 0, {}, pixels, mask));
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->hotSpot, (Point{1, 0}));
  EXPECT_EQ(shape->image.pixel(0, 1), gfx::makeArgb(255, 0, 0, 255));
  EXPECT_EQ(gfx::alphaOf(shape->image.pixel(1, 1)), 0);
  EXPECT_EQ(gfx::alphaOf(shape->image.pixel(0, 0)), 128);
  EXPECT_EQ(shape->image.pixel(1, 0), gfx::makeArgb(255, 0, 255, 0));
}

TEST(CursorFile, PaletteImageTakesTransparencyFromTheAndMask) {
  // 1-bit, 2 x 1: pixel 0 colour 1 (white), pixel 1 masked away.
  const std::vector<std::uint8_t> palette{0, 0, 0, 0, 255, 255, 255, 0};
  const std::vector<std::uint8_t> xorBits{0x80, 0, 0, 0};
  const std::vector<std::uint8_t> andBits{0x40, 0, 0, 0};
  auto shape = CursorFile::parse(makeCur(2, 1, 1, 5, 5, palette, xorBits, andBits));
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->image.pixel(0, 0), gfx::makeArgb(255, 255, 255, 255));
  EXPECT_EQ(gfx::alphaOf(shape->image.pixel(1, 0)), 0);
  EXPECT_EQ(shape->hotSpot, (Point{1, 0}));  // clamped into the picture
}

TEST(CursorFile, ThirtyTwoBitImageWithoutAlphaKeepsItsColoursUnderTheAndMask) {
  // Older 32-bit cursors leave the alpha byte 0 and rely on the AND mask: 2 x 1, red kept, green masked.
  const std::vector<std::uint8_t> pixels{0, 0, 255, 0, 0, 255, 0, 0};
  const std::vector<std::uint8_t> andBits{0x40, 0, 0, 0};
  auto shape = CursorFile::parse(makeCur(2, 1, 32, 0, 0, {}, pixels, andBits));
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->image.pixel(0, 0), gfx::makeArgb(255, 255, 0, 0));
  EXPECT_EQ(gfx::alphaOf(shape->image.pixel(1, 0)), 0);
}

TEST(CursorFile, PngImageLargerThanACursorCanBeIsRefused) {
  // A PNG inside the file is held to the same size limit as a DIB image.
  for (const int side : {1024, 1025}) {
    const auto png = gfx::encodePng(gfx::Bitmap(side, 1, gfx::makeArgb(255, 1, 2, 3)));
    std::vector<std::uint8_t> f;
    put16(f, 0);
    put16(f, 2);
    put16(f, 1);
    for (int i = 0; i < 8; ++i) f.push_back(0);
    put32(f, static_cast<std::uint32_t>(png.size()));
    put32(f, 22);
    f.insert(f.end(), png.begin(), png.end());
    std::string error;
    EXPECT_EQ(CursorFile::parse(f, &error).has_value(), side == 1024) << side << " " << error;
  }
}

TEST(CursorFile, MalformedFilesAreRefusedWithAReason) {
  const auto good = makeCur(2, 2, 32, 0, 0, {}, std::vector<std::uint8_t>(16, 255), std::vector<std::uint8_t>(8, 0));
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases{
      {"empty", {}},
      {"truncated directory", {good.begin(), good.begin() + 10}},
      {"truncated image", {good.begin(), good.end() - 20}},
  };
  auto wrongType = good;
  wrongType[2] = 7;
  cases.push_back({"wrong type", wrongType});
  auto hugeOffset = good;
  hugeOffset[18] = 0xFF;
  hugeOffset[19] = 0xFF;
  hugeOffset[20] = 0xFF;
  cases.push_back({"offset outside", hugeOffset});
  auto badBits = good;
  badBits[22 + 14] = 3;
  cases.push_back({"bit count", badBits});
  auto hugeWidth = good;
  hugeWidth[22 + 7] = 0x7F;
  cases.push_back({"huge width", hugeWidth});
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(CursorFile::parse(c.bytes, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace platform
