#include "encoder/GifLzwDecoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xEE;

// Packs (code, width) pairs LSB-first the way GIF stores them, so streams can be written by hand.
Bytes packCodes(const std::vector<std::pair<int, int>>& codes) {
  Bytes out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes) {
    acc |= static_cast<std::uint32_t>(code) << bits;
    bits += width;
    while (bits >= 8) {
      out.push_back(static_cast<std::uint8_t>(acc));
      acc >>= 8;
      bits -= 8;
    }
  }
  if (bits > 0) out.push_back(static_cast<std::uint8_t>(acc));
  return out;
}

struct StreamCase {
  const char* name;
  int minCodeSize;
  std::vector<std::pair<int, int>> codes;
  std::size_t outSize;
  Bytes expected;  // the indices decoded, in order
  bool complete;
  bool error;
};

class HandMadeStream : public testing::TestWithParam<StreamCase> {};

TEST_P(HandMadeStream, DecodesOrStopsCleanly) {
  const StreamCase& c = GetParam();
  const Bytes data = packCodes(c.codes);
  Bytes out(c.outSize, kUntouched);
  const auto r = encoder::decodeGifLzw(c.minCodeSize, data, out);
  EXPECT_EQ(r.pixels, c.expected.size());
  EXPECT_EQ(r.complete, c.complete);
  EXPECT_EQ(!r.error.empty(), c.error) << r.error;
  ASSERT_LE(r.pixels, out.size());
  EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(r.pixels)), c.expected);
  for (std::size_t i = r.pixels; i < out.size(); ++i) EXPECT_EQ(out[i], kUntouched) << "index " << i;
}

// Min code size 2: clear 4, end 5, first free code 6, codes start at 3 bits.
INSTANTIATE_TEST_SUITE_P(
    Lzw, HandMadeStream,
    testing::Values(
        StreamCase{"OnePixel", 8, {{256, 9}, {5, 9}, {257, 9}}, 1, {5}, true, false},
        StreamCase{"CodeDefinedByItself", 2, {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, 3, {1, 1, 1}, true, false},
        StreamCase{"NoLeadingClear", 2, {{1, 3}, {2, 3}, {6, 3}, {5, 3}}, 4, {1, 2, 1, 2}, true, false},
        StreamCase{"CodeBeyondTable", 2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}, 4, {1}, false, true},
        StreamCase{"FreeCodeWithoutPrevious", 2, {{4, 3}, {6, 3}, {5, 3}}, 4, {}, false, true},
        // 27 bits: the padding of the last byte is too short for another code.
        StreamCase{"DataEndsEarly", 8, {{256, 9}, {1, 9}, {2, 9}}, 5, {1, 2}, false, true},
        StreamCase{"NoEndCodeButFull", 2, {{4, 3}, {1, 3}, {2, 3}}, 2, {1, 2}, true, false},
        StreamCase{"EndCodeBeforeFull", 2, {{4, 3}, {1, 3}, {5, 3}}, 4, {1}, true, false},
        StreamCase{"MoreDataThanRoom", 2, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {5, 3}}, 3, {1, 2, 1}, true, false},
        StreamCase{"SelfDefinedCodeCut", 2, {{4, 3}, {1, 3}, {6, 3}}, 2, {1, 1}, true, false},
        // After codes 1, 2, 3 the table reaches 8 entries and codes widen to 4 bits; a clear narrows them.
        StreamCase{"WidenThenClear", 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {7, 4}, {4, 4}, {1, 3}, {5, 3}}, 8,
                   {1, 2, 3, 2, 3, 1}, true, false},
        // Min code size 1: clear 2, end 3; the first literal already fills the 2-bit code space.
        StreamCase{"MinCodeSizeOne", 1, {{2, 2}, {1, 2}, {0, 3}, {4, 3}, {3, 3}}, 4, {1, 0, 1, 0}, true, false},
        StreamCase{"MinCodeSizeZero", 0, {{0, 1}}, 4, {}, false, true},
        StreamCase{"MinCodeSizeTwelve", 12, {{4096, 13}}, 4, {}, false, true},
        StreamCase{"WideCodesSmallLiteral", 9, {{512, 10}, {7, 10}, {513, 10}}, 1, {7}, true, false},
        StreamCase{"LiteralBeyondByte", 9, {{512, 10}, {300, 10}, {513, 10}}, 1, {}, false, true},
        StreamCase{"EmptyData", 8, {}, 3, {}, false, true}),
    [](const testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

TEST(GifLzwDecoder, OnePixelStreamHasTheExpectedBits) {
  // Codes 256, 5, 257 at 9 bits, LSB first.
  const Bytes data{0x00, 0x0B, 0x04, 0x04};
  EXPECT_EQ(packCodes({{256, 9}, {5, 9}, {257, 9}}), data);
  std::uint8_t pixel = 0;
  const auto r = encoder::decodeGifLzw(8, data, std::span(&pixel, 1));
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.pixels, 1u);
  EXPECT_EQ(pixel, 5);
}

// Fills the table to 4096 entries with literals only (entry 258 + j is then literal j followed by
// literal j + 1), then keeps sending 12-bit codes without a clear: nothing may be added or
// overwritten any more, and code widths must not grow past 12 bits.
TEST(GifLzwDecoder, FullTableKeepsDecodingWithTwelveBitCodes) {
  constexpr int kClear = 256, kEnd = 257, kFirstFree = 258, kTable = 4096;
  std::vector<std::pair<int, int>> codes{{kClear, 9}};
  Bytes expected;
  int next = kFirstFree;
  int width = 9;
  int sent = 0;
  auto literal = [&](int value) {
    codes.emplace_back(value, width);
    expected.push_back(static_cast<std::uint8_t>(value));
    if (sent > 0 && next < kTable) ++next;
    ++sent;
    if (next == (1 << width) && width < 12) ++width;
  };
  std::mt19937 rng(7);
  while (next < kTable) literal(static_cast<int>(rng() % 256));
  ASSERT_EQ(width, 12);
  const std::vector<std::uint8_t> literals = expected;

  literal(17);
  literal(99);
  // The last entry defined, 4095, is literal 3837 followed by literal 3838.
  codes.emplace_back(4095, 12);
  expected.push_back(literals[3837]);
  expected.push_back(literals[3838]);
  // Entry 300 is literals 42 and 43 whatever came after the table filled.
  codes.emplace_back(300, 12);
  expected.push_back(literals[42]);
  expected.push_back(literals[43]);
  codes.emplace_back(kEnd, 12);

  const Bytes data = packCodes(codes);
  Bytes out(expected.size() + 5, kUntouched);
  const auto r = encoder::decodeGifLzw(8, data, out);
  EXPECT_TRUE(r.complete) << r.error;
  EXPECT_TRUE(r.error.empty()) << r.error;
  ASSERT_EQ(r.pixels, expected.size());
  EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(r.pixels)), expected);
}

// --- Cross-check against giflib's encoder ---

struct GiflibImage {
  int width, height, colourBits;
  const char* pattern;  // "noise", "runs" or "stripes"
};

Bytes makeIndices(const GiflibImage& g, unsigned seed) {
  std::mt19937 rng(seed);
  const int colours = 1 << g.colourBits;
  Bytes idx(static_cast<std::size_t>(g.width) * g.height);
  const std::string pattern = g.pattern;
  std::uint8_t run = 0;
  for (std::size_t i = 0; i < idx.size(); ++i) {
    if (pattern == "noise") {
      idx[i] = static_cast<std::uint8_t>(rng() % colours);
    } else if (pattern == "runs") {
      if (rng() % 23 == 0) run = static_cast<std::uint8_t>(rng() % colours);
      idx[i] = run;
    } else {
      idx[i] = static_cast<std::uint8_t>((i / 3 + i % static_cast<std::size_t>(g.width) / 5) % colours);
    }
  }
  return idx;
}

Bytes encodeWithGiflib(const GiflibImage& g, const Bytes& indices) {
  Bytes file;
  auto writeFn = [](GifFileType* gif, const GifByteType* buf, int n) -> int {
    auto* f = static_cast<Bytes*>(gif->UserData);
    f->insert(f->end(), buf, buf + n);
    return n;
  };
  int err = 0;
  GifFileType* gif = EGifOpen(&file, writeFn, &err);
  if (!gif) return {};
  std::vector<GifColorType> colours(static_cast<std::size_t>(1) << g.colourBits);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    colours[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(i), static_cast<GifByteType>(i)};
  }
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  bool ok = map && EGifPutScreenDesc(gif, g.width, g.height, g.colourBits, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, g.width, g.height, false, nullptr) == GIF_OK;
  Bytes row(static_cast<std::size_t>(g.width));
  for (int y = 0; ok && y < g.height; ++y) {
    std::memcpy(row.data(), indices.data() + static_cast<std::size_t>(y) * g.width, row.size());
    ok = EGifPutLine(gif, row.data(), g.width) == GIF_OK;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &err) != GIF_OK || !ok) return {};
  return file;
}

// The minimum code size and joined LZW data of the first image of a GIF made by giflib.
bool extractLzw(const Bytes& file, int& minCodeSize, Bytes& data) {
  constexpr std::size_t kHeader = 13, kDescriptor = 10;
  if (file.size() < kHeader) return false;
  std::size_t pos = kHeader;
  if (file[10] & 0x80) pos += 3u << ((file[10] & 7) + 1);
  while (pos < file.size() && file[pos] == 0x21) {
    pos += 2;
    Bytes skipped;
    if (!encoder::readSubBlocks(file, pos, skipped)) return false;
  }
  if (pos + kDescriptor + 1 > file.size() || file[pos] != 0x2C) return false;
  pos += kDescriptor;
  minCodeSize = file[pos++];
  return encoder::readSubBlocks(file, pos, data);
}

class AgainstGiflib : public testing::TestWithParam<GiflibImage> {};

TEST_P(AgainstGiflib, DecodesWhatGiflibEncoded) {
  const GiflibImage& g = GetParam();
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const Bytes indices = makeIndices(g, seed);
    const Bytes file = encodeWithGiflib(g, indices);
    ASSERT_FALSE(file.empty());
    int minCodeSize = 0;
    Bytes data;
    ASSERT_TRUE(extractLzw(file, minCodeSize, data));
    Bytes out(indices.size(), kUntouched);
    const auto r = encoder::decodeGifLzw(minCodeSize, data, out);
    EXPECT_TRUE(r.complete) << r.error;
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.pixels, indices.size());
    EXPECT_TRUE(out == indices) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Lzw, AgainstGiflib,
                         testing::Values(GiflibImage{1, 1, 1, "noise"}, GiflibImage{17, 5, 1, "noise"},
                                         GiflibImage{64, 48, 4, "runs"}, GiflibImage{300, 200, 8, "noise"},
                                         GiflibImage{640, 480, 8, "runs"}, GiflibImage{257, 129, 3, "stripes"},
                                         GiflibImage{1000, 300, 8, "stripes"}));

TEST(ReadSubBlocks, JoinsChainAndReportsTruncation) {
  const Bytes chain{3, 'a', 'b', 'c', 2, 'd', 'e', 0, 0x3B};
  std::size_t pos = 0;
  Bytes joined;
  EXPECT_TRUE(encoder::readSubBlocks(chain, pos, joined));
  EXPECT_EQ(joined, (Bytes{'a', 'b', 'c', 'd', 'e'}));
  EXPECT_EQ(pos, 8u);

  // A length byte promising more than is left, and a chain without its terminator.
  for (const Bytes& cut : {Bytes{3, 'a', 'b', 'c', 5, 'd'}, Bytes{2, 'x', 'y'}}) {
    pos = 0;
    joined.clear();
    EXPECT_FALSE(encoder::readSubBlocks(cut, pos, joined));
    EXPECT_EQ(pos, cut.size());
    EXPECT_FALSE(joined.empty());
  }
}

}  // namespace
