#include "encoder/LzwEncoder.h"

#include <gtest/gtest.h>

#include <random>

#include "encoder/GifWriter.h"
#include "encoder/GiflibDecode.h"

namespace encoder {
namespace {

// An image given top row first, turned into the bottom-up rows a FrameImage keeps.
FrameImage makeImage(int width, int height, const std::vector<std::uint8_t>& topDown) {
  FrameImage image(width, height);
  for (int y = 0; y < height; ++y)
    std::copy_n(topDown.begin() + std::ptrdiff_t(y) * width, width, image.row(y));
  return image;
}

std::vector<std::uint8_t> code(const FrameImage& image, bool interlace) {
  MemorySink sink;
  LzwEncoder::encode(image, interlace, sink);
  return std::move(sink.bytes());
}

// Splits image data (minimum code size byte, sub-blocks, no terminator) into its sub-block lengths and
// joined payload.
struct SubBlocks {
  std::vector<int> lengths;
  std::vector<std::uint8_t> payload;
};
SubBlocks splitSubBlocks(const std::vector<std::uint8_t>& data) {
  SubBlocks out;
  std::size_t pos = 1;
  while (pos < data.size()) {
    const int n = data[pos];
    out.lengths.push_back(n);
    out.payload.insert(out.payload.end(), data.begin() + std::ptrdiff_t(pos) + 1,
                       data.begin() + std::ptrdiff_t(pos) + 1 + n);
    pos += 1 + std::size_t(n);
  }
  return out;
}

// Reads the code stream back the way a standard decoder does, keeping every code with its width.
struct Code {
  unsigned value;
  int width;
};
std::vector<Code> readCodes(const std::vector<std::uint8_t>& payload, int minCodeSize) {
  const unsigned clear = 1u << minCodeSize, end = clear + 1;
  std::vector<Code> codes;
  int width = minCodeSize + 1;
  unsigned next = clear + 2;
  bool first = true;
  std::size_t bit = 0;
  while (bit + std::size_t(width) <= payload.size() * 8) {
    unsigned v = 0;
    for (int i = 0; i < width; ++i, ++bit) v |= ((payload[bit / 8] >> (bit % 8)) & 1u) << i;
    codes.push_back({v, width});
    if (v == end) break;
    if (v == clear) {
      width = minCodeSize + 1;
      next = clear + 2;
      first = true;
      continue;
    }
    if (!first && next < 4096) ++next;
    first = false;
    if (next == (1u << width) && width < 12) ++width;
  }
  return codes;
}

TEST(LzwEncoder, OnePixelGivesTheKnownBytes) {
  const auto data = code(makeImage(1, 1, {5}), false);
  EXPECT_EQ(data, (std::vector<std::uint8_t>{0x08, 0x04, 0x00, 0x0B, 0x04, 0x04}));
}

TEST(LzwEncoder, InterlacedRowOrder) {
  EXPECT_EQ(LzwEncoder::rowOrder(3, true), (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(LzwEncoder::rowOrder(5, true), (std::vector<int>{0, 4, 2, 1, 3}));
  EXPECT_EQ(LzwEncoder::rowOrder(10, true), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));
  EXPECT_EQ(LzwEncoder::rowOrder(3, false), (std::vector<int>{0, 1, 2}));
}

// Frames that fill the table: noise adds a code with nearly every pixel; one colour adds codes for
// ever longer runs (code k covers k pixels), so it needs some 7.4 million pixels.
class LzwTableFull : public ::testing::TestWithParam<bool> {};

TEST_P(LzwTableFull, ClearsAfterCode4095AndRestartsAtNineBits) {
  const bool oneColour = GetParam();
  const int w = oneColour ? 4000 : 100, h = oneColour ? 2000 : 100;
  std::vector<std::uint8_t> pixels(std::size_t(w) * h, 7);
  std::mt19937 rng(3);
  if (!oneColour)
    for (auto& p : pixels) p = std::uint8_t(rng());
  const auto data = code(makeImage(w, h, pixels), false);
  ASSERT_EQ(data[0], 8);
  const auto codes = readCodes(splitSubBlocks(data).payload, 8);
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes.front().value, 256u);
  EXPECT_EQ(codes.front().width, 9);
  EXPECT_EQ(codes.back().value, 257u);

  // Every emitted code after the first assigns one new code, 258 to 4095; the first miss after that
  // emits its prefix and then the clear, both 12 bits wide.
  std::size_t clearAt = 0;
  for (std::size_t i = 1; i < codes.size(); ++i)
    if (codes[i].value == 256) {
      clearAt = i;
      break;
    }
  ASSERT_NE(clearAt, 0u) << "no clear code in the stream";
  EXPECT_EQ(clearAt, std::size_t(1 + (4095 - 258 + 1) + 1));
  EXPECT_EQ(codes[clearAt].width, 12);
  EXPECT_EQ(codes[clearAt - 1].width, 12);
  ASSERT_GT(codes.size(), clearAt + 2);
  EXPECT_EQ(codes[clearAt + 1].width, 9);
  EXPECT_EQ(codes[clearAt + 2].width, 9);
  // The width grows right after code 512 is assigned: the 255th code is the last 9-bit one.
  EXPECT_EQ(codes[255].width, 9);
  EXPECT_EQ(codes[256].width, 10);
}

INSTANTIATE_TEST_SUITE_P(Content, LzwTableFull, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "oneColour" : "noise"; });

TEST(LzwEncoder, DataOfWholeSubBlocksHasNoEmptyBlock) {
  // Find a noise image whose coded data is an exact multiple of 255 bytes.
  std::mt19937 rng(42);
  for (int width = 1; width < 2000; ++width) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * 4);
    for (auto& p : pixels) p = std::uint8_t(rng());
    const auto blocks = splitSubBlocks(code(makeImage(width, 4, pixels), false));
    if (blocks.payload.size() % 255 != 0) continue;
    for (const int n : blocks.lengths) EXPECT_EQ(n, 255);
    return;
  }
  FAIL() << "no image with an exact multiple of 255 data bytes found";
}

// Every coded image must decode back to its pixels with giflib.
struct RoundTripCase {
  const char* name;
  int width, height;
  bool interlace;
  int colours;  // 0 = screen-like runs, else uniform noise over this many indices
};

class LzwRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(LzwRoundTrip, GiflibDecodesThePixels) {
  const auto& c = GetParam();
  std::mt19937 rng(7);
  std::vector<std::uint8_t> pixels(std::size_t(c.width) * c.height);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = c.colours ? std::uint8_t(rng() % unsigned(c.colours)) : std::uint8_t((i / 37 + i / 1001) % 5);
  Animation a;
  a.width = std::uint16_t(c.width);
  a.height = std::uint16_t(c.height);
  a.interlace = c.interlace;
  a.images.push_back(makeImage(c.width, c.height, pixels));
  a.records.emplace_back();
  MemorySink sink;
  GifWriter::write(a, sink);

  const auto gif = testing_gif::decodeWithGiflib(sink.bytes());
  ASSERT_TRUE(gif.ok) << gif.error;
  ASSERT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.frames[0].interlace, c.interlace);
  EXPECT_EQ(gif.frames[0].indices, pixels);
}

INSTANTIATE_TEST_SUITE_P(Images, LzwRoundTrip,
                         ::testing::Values(RoundTripCase{"single", 1, 1, false, 256},
                                           RoundTripCase{"noise", 97, 61, false, 256},
                                           RoundTripCase{"severalClears", 300, 200, false, 256},
                                           RoundTripCase{"fewColours", 200, 150, false, 3},
                                           RoundTripCase{"screenLike", 640, 480, false, 0},
                                           RoundTripCase{"interlacedOdd", 33, 21, true, 256},
                                           RoundTripCase{"interlacedTall", 5, 300, true, 4},
                                           RoundTripCase{"oneColumn", 1, 500, false, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace encoder
