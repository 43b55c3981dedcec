// The reader against the maker (records written are records read) and against giflib (frames exported
// as BMP hold the pixels an independent decoder sees), and its behaviour on hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "encoder/GifMaker.h"
#include "encoder/GifReader.h"
#include "encoder/GifTestBytes.h"
#include "encoder/GiflibDecode.h"
#include "gfx/ImageCodec.h"

namespace encoder {
namespace {

using testing_gif::Bytes;
using testing_gif::GifBytes;
using testing_gif::parseBmp;

// A picture with a few colours in a pattern, so rows and columns cannot be swapped unnoticed.
Bytes pictureBmp(int w, int h, int seed) {
  gfx::Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.setPixel(x, y, gfx::makeArgb(255, (x * 40 + seed * 90) & 0xFF, (y * 60) & 0xFF, ((x + y) % 3) * 100));
  return gfx::encodeBmp(b);
}

// Every frame the reader exports equals giflib's decoding of the same bytes: size, indices and colours.
void expectFramesMatchGiflib(GifReader& r) {
  const Bytes gif = r.GetGifData(0);
  const auto ref = testing_gif::decodeWithGiflib(gif);
  ASSERT_TRUE(ref.ok) << ref.error;
  ASSERT_EQ(r.GetGifInfo().FrameCount, int(ref.frames.size()));
  for (std::size_t i = 0; i < ref.frames.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "frame " << i + 1);
    const auto& f = ref.frames[i];
    const auto bmp = parseBmp(r.GetGifData(int(i) + 1));
    ASSERT_TRUE(bmp.ok) << r.GetError();
    ASSERT_EQ(bmp.width, f.width);
    ASSERT_EQ(bmp.height, f.height);
    EXPECT_EQ(bmp.indices, f.indices);
    const Bytes& palette = f.palette.empty() ? ref.globalPalette : f.palette;
    ASSERT_LE(palette.size() / 3, bmp.table.size());
    for (std::size_t c = 0; c < palette.size() / 3; ++c)
      ASSERT_EQ(bmp.table[c], std::uint32_t(palette[3 * c] << 16 | palette[3 * c + 1] << 8 | palette[3 * c + 2]))
          << "entry " << c;
  }
}

struct RoundTrip {
  const char* name;
  AnimationInfo animation;
  std::vector<FrameInfo> frames;
  std::vector<std::pair<int, int>> sizes;
};

FrameInfo frame(std::uint16_t delay, std::uint16_t left, std::uint16_t top, std::uint8_t disposal, bool transparent,
                std::string comment = "", bool dither = false) {
  FrameInfo f;
  f.DelayTime = delay;
  f.Left = left;
  f.Top = top;
  f.DisposalMethod = disposal;
  f.Transparency = transparent;
  f.TransparencyIndex = 252;  // the maker ignores it and always writes 0
  f.exposition = std::move(comment);
  f.Dither = dither;
  return f;
}

AnimationInfo animation(std::uint16_t w, std::uint16_t h, bool loop, std::uint16_t count, std::string comment,
                        bool interlace) {
  AnimationInfo a;
  a.Width = w;
  a.Depth = h;
  a.LOOP = loop;
  a.LoopCount = count;
  a.exposition = std::move(comment);
  a.Interlace = interlace;
  a.ColorNum = 256;  // the recorder passes it; the maker ignores it
  return a;
}

TEST(GifReaderRoundTrip, RecordsReadBackAsTheMakerWroteThem) {
  const std::string longComment(300, 'c');
  const std::vector<RoundTrip> cases{
      {"two frames, endless loop, comments",
       animation(0, 0, true, 0, "动画注释", false),
       {frame(30, 2, 1, DisposalRestoreBackground, true, "第一帧"), frame(7, 0, 3, DisposalLeave, false)},
       {{6, 4}, {3, 5}}},
      {"three interlaced frames, no loop, explicit screen",
       animation(40, 30, false, 9, "", true),
       {frame(0, 0, 0, DisposalRestorePrevious, false), frame(65535, 65535, 1, DisposalUndefined, true),
        frame(5, 9, 9, 0x0E, false, "", true)},
       {{9, 11}, {1, 1}, {16, 3}}},
      {"loop count and comments cut to 255 bytes",
       animation(400, 0, true, 65535, longComment, false),
       {frame(60, 0, 0, 0, false, longComment), frame(60, 0, 0, 0, false, longComment)},
       {{5, 7}, {5, 7}}},
  };
  for (const RoundTrip& c : cases) {
    SCOPED_TRACE(c.name);
    GifMaker maker;
    maker.Create(c.animation);
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
      const Bytes bmp = pictureBmp(c.sizes[i].first, c.sizes[i].second, int(i));
      ASSERT_TRUE(maker.AddFrame(c.frames[i], std::nullopt, bmp)) << maker.GetError();
    }
    const Bytes gif = maker.encodeToMemory();
    GifReader r;
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(r.LoadGif(std::nullopt, gif)) << r.GetError();

    AnimationInfo want = c.animation;
    if (want.Width == 0) want.Width = std::uint16_t(c.sizes[0].first);
    if (want.Depth == 0) want.Depth = std::uint16_t(c.sizes[0].second);
    if (!want.LOOP) want.LoopCount = 0;
    want.exposition = want.exposition.substr(0, 255);
    want.FrameCount = int(c.frames.size());
    want.Interlace = false;  // interlacing is a frame's property; the animation record does not report it
    EXPECT_EQ(r.GetGifInfo(), want);

    for (std::size_t i = 0; i < c.frames.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "frame " << i + 1);
      FrameInfo f = c.frames[i];
      f.DisposalMethod &= 7;
      f.TransparencyIndex = 0;
      f.Width = std::uint16_t(c.sizes[i].first);
      f.Depth = std::uint16_t(c.sizes[i].second);
      f.exposition = f.exposition.substr(0, 255);
      f.ColorNum = 256;
      f.Dither = false;  // how colours were reduced is not stored
      EXPECT_EQ(r.GetFrameInfo(int(i) + 1), f);
    }
    expectFramesMatchGiflib(r);
  }
}

TEST(GifReaderRoundTrip, OneFrameFileKeepsOnlyWhatItStores) {
  GifMaker maker;
  maker.Create(animation(0, 0, true, 3, "still", true));
  ASSERT_TRUE(maker.AddFrame(frame(30, 4, 5, 2, true, "dropped"), std::nullopt, pictureBmp(7, 3, 1)));
  GifReader r;
  ASSERT_TRUE(r.Create());
  ASSERT_TRUE(r.LoadGif(std::nullopt, maker.encodeToMemory()));
  AnimationInfo want;
  want.Width = 7;
  want.Depth = 3;
  want.LOOP = false;  // a still picture has no loop extension
  want.exposition = "still";
  want.FrameCount = 1;
  want.ColorNum = 256;
  EXPECT_EQ(r.GetGifInfo(), want);
  FrameInfo still;
  still.DelayTime = 0;
  still.Width = 7;
  still.Depth = 3;
  EXPECT_EQ(r.GetFrameInfo(1), still);
  expectFramesMatchGiflib(r);
}

Bytes pattern(int w, int h, int colours) {
  Bytes p(std::size_t(w) * h);
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = std::uint8_t((i * 5 + i / std::size_t(w) * 3) % colours);
  return p;
}

TEST(GifReaderBitmap, DepthAndColourTableFollowTheFramesTable) {
  struct Case {
    const char* name;
    int globalBits, localBits, codeBits, colours, bmpBits;
    bool interlace;
  };
  const std::vector<Case> cases{
      {"local 2 colours", 3, 1, 2, 2, 1, false},
      {"local 4 colours, interlaced", 0, 2, 2, 4, 4, true},
      {"local 16 colours", 1, 4, 4, 16, 4, false},
      {"local 32 colours", 0, 5, 5, 32, 8, false},
      {"global 2 colours", 1, 0, 2, 2, 1, false},
      {"global 256 colours, interlaced", 8, 0, 8, 256, 8, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int w = 13, h = 9;  // rows that need padding in every depth
    const Bytes px = pattern(w, h, c.colours);
    GifBytes g;
    g.header(w, h, c.globalBits).control(0, 5, 0).image(0, 0, w, h, c.localBits, c.interlace, px, c.codeBits);
    g.image(1, 1, 2, 2, c.localBits, false, pattern(2, 2, c.colours), c.codeBits).trailer();
    GifReader r;
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(r.LoadGif(std::nullopt, g.bytes));
    const auto bmp = parseBmp(r.GetGifData(1));
    ASSERT_TRUE(bmp.ok);
    EXPECT_EQ(bmp.bits, c.bmpBits);
    EXPECT_EQ(bmp.indices, px);
    for (int i = 0; i < c.colours; ++i) EXPECT_EQ(bmp.table[std::size_t(i)] , std::uint32_t(i << 16 | (2 * i & 0xFF) << 8 | (3 * i & 0xFF)));
    expectFramesMatchGiflib(r);
  }
}

TEST(GifReaderBitmap, FramesWithoutAnyTableUseTheDefaultTables) {
  struct Case {
    int codeBits, bmpBits;
    std::vector<std::uint32_t> someEntries;  // entries 0, 1, 9 (or fewer) of the table
  };
  const std::vector<Case> cases{
      {2, 4, {0x000000, 0x800000, 0xFF0000}},  // VGA: black, dark red, ..., red
      {4, 4, {0x000000, 0x800000, 0xFF0000}},
      {8, 8, {0x000000, 0x010101, 0x090909}},  // grey ramp
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codeBits);
    const Bytes px = pattern(15, 9, 4);
    const Bytes gif = GifBytes{}.header(15, 9, 0).image(0, 0, 15, 9, 0, false, px, c.codeBits).trailer().bytes;
    GifReader r;
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(r.LoadGif(std::nullopt, gif));
    const auto bmp = parseBmp(r.GetGifData(1));
    ASSERT_TRUE(bmp.ok);
    EXPECT_EQ(bmp.bits, c.bmpBits);
    EXPECT_EQ(bmp.indices, px);
    EXPECT_EQ(bmp.table[0], c.someEntries[0]);
    EXPECT_EQ(bmp.table[1], c.someEntries[1]);
    EXPECT_EQ(bmp.table[9], c.someEntries[2]);
    EXPECT_EQ(bmp.table[15], c.bmpBits == 4 ? 0xFFFFFFu : 0x0F0F0Fu);
  }
}

// LZW codes of one width, least significant bit first, in one sub-block.
Bytes lzwBlock(int minCodeSize, std::initializer_list<unsigned> codes) {
  const int width = minCodeSize + 1;
  Bytes packed;
  unsigned acc = 0;
  int bits = 0;
  for (const unsigned c : codes) {
    acc |= c << bits;
    for (bits += width; bits >= 8; bits -= 8, acc >>= 8) packed.push_back(std::uint8_t(acc));
  }
  if (bits > 0) packed.push_back(std::uint8_t(acc));
  packed.insert(packed.begin(), {std::uint8_t(minCodeSize), std::uint8_t(packed.size())});
  packed.push_back(0);
  return packed;
}

TEST(GifReaderHostile, DamagedImagesGiveAnErrorOrABestEffortFrame) {
  struct Case {
    const char* name;
    Bytes gif;
    int width = 0, height = 0;     // of the exported frame; 0 = no frame expected
    std::string_view error = "";   // when no frame is expected
    Bytes firstPixels = {};        // when given: the start of the exported frame
  };
  auto with = [](const std::function<void(GifBytes&)>& body) {
    GifBytes g;
    g.header(4, 2, 1).control(0, 1, 0);
    body(g);
    return g.bytes;
  };
  const std::vector<Case> cases{
      {"code beyond the table", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw(lzwBlock(2, {4, 1, 7, 1})); }),
       4, 2, "", {1, 0, 0, 0}},
      {"first code not a clear code", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw(lzwBlock(2, {1, 1, 6, 5})); }),
       4, 2, "", {1, 1, 1, 1}},
      {"image larger than the screen",
       with([](GifBytes& g) { g.image(0, 0, 30, 20, 0, false, pattern(30, 20, 2)); }), 30, 20},
      {"zero width", with([](GifBytes& g) { g.descriptor(0, 0, 0, 2, 0, false).raw(lzwBlock(2, {4, 5})); }), 0, 0,
       errors::kFrameCorrupt},
      {"no image data", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw({2, 0}); }), 4, 2, "",
       {0, 0, 0, 0}},
      {"file ends after the descriptor", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false); }), 4, 2},
      {"sub-block runs past the end", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw({2, 200, 4, 1}); }),
       4, 2},
      {"code size 0", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw(lzwBlock(0, {2, 1})); }), 4, 2},
      {"code size 12", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 0, false).raw({12, 2, 0, 16, 0}); }), 4, 2},
      {"local table cut short", with([](GifBytes& g) { g.descriptor(0, 0, 4, 2, 8, false).raw(Bytes(30, 1)); }), 0, 0,
       errors::kFrameCorrupt},
      {"65535 x 65535 frame", with([](GifBytes& g) { g.descriptor(0, 0, 65535, 65535, 0, false).raw(lzwBlock(2, {4, 5})); }),
       0, 0, errors::kBitmapMemory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GifReader r;
    ASSERT_TRUE(r.Create());
    ASSERT_TRUE(r.LoadGif(std::nullopt, c.gif)) << r.GetError();
    ASSERT_EQ(r.GetGifInfo().FrameCount, 1);
    const Bytes out = r.GetGifData(1);
    if (c.width == 0) {
      EXPECT_TRUE(out.empty());
      EXPECT_EQ(r.GetError(), c.error);
      continue;
    }
    const auto bmp = parseBmp(out);
    ASSERT_TRUE(bmp.ok) << r.GetError();
    EXPECT_EQ(bmp.width, c.width);
    EXPECT_EQ(bmp.height, c.height);
    if (!c.firstPixels.empty()) {
      EXPECT_TRUE(std::equal(c.firstPixels.begin(), c.firstPixels.end(), bmp.indices.begin()));
    }
  }
}

TEST(GifReaderHostile, EveryTruncationOfAnAnimationIsHandled) {
  GifMaker maker;
  maker.Create(animation(0, 0, true, 2, "whole", true));
  ASSERT_TRUE(maker.AddFrame(frame(10, 1, 1, 2, true, "one"), std::nullopt, pictureBmp(9, 7, 0)));
  ASSERT_TRUE(maker.AddFrame(frame(20, 0, 0, 1, false), std::nullopt, pictureBmp(9, 7, 1)));
  const Bytes gif = maker.encodeToMemory();
  GifReader r;
  ASSERT_TRUE(r.Create());
  for (std::size_t n = 0; n <= gif.size(); ++n) {
    SCOPED_TRACE(n);
    const std::span<const std::uint8_t> prefix(gif.data(), n);
    if (!r.LoadGif(std::nullopt, prefix)) {
      EXPECT_TRUE(r.GetError() == errors::kNotGifData || r.GetError() == errors::kCorruptGif) << r.GetError();
      continue;
    }
    const int frames = r.GetGifInfo().FrameCount;
    EXPECT_LE(frames, 2);
    for (int f = 1; f <= frames; ++f) {
      const FrameInfo info = r.GetFrameInfo(f);
      const Bytes bmp = r.GetGifData(f);
      if (bmp.empty()) {
        EXPECT_EQ(r.GetError(), errors::kFrameCorrupt);
        continue;
      }
      const auto parsed = parseBmp(bmp);
      ASSERT_TRUE(parsed.ok);
      EXPECT_EQ(parsed.width, info.Width);
    }
  }
}

}  // namespace
}  // namespace encoder
