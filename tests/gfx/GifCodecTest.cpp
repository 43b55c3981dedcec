#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gfx/CodecTestTools.h"
#include "gfx/ImageCodec.h"

namespace {

using namespace codec_test;
using gfx::Argb;
using gfx::Bitmap;

constexpr Argb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr Argb kClear = 0;

// --- GIFs written by giflib, so the files come from an independent writer ---

struct FramePlan {
  int left = 0, top = 0, width = 1, height = 1;
  Bytes indices;                   // rows top to bottom
  std::vector<Argb> localPalette;  // none when empty; sizes are powers of two
  bool interlace = false;
  int disposal = -1;  // no graphic control extension when negative
  int delayCs = 0;
  int transparent = -1;
};

struct GifPlan {
  int width = 1, height = 1;
  std::vector<Argb> globalPalette{kRed, kGreen, kBlue, kWhite};
  std::vector<FramePlan> frames;
};

ColorMapObject* makeMap(const std::vector<Argb>& colours) {
  if (colours.empty()) return nullptr;
  std::vector<GifColorType> entries;
  for (Argb c : colours) entries.push_back({gfx::redOf(c), gfx::greenOf(c), gfx::blueOf(c)});
  return GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
}

Bytes buildGif(const GifPlan& plan) {
  Bytes file;
  auto writeFn = [](GifFileType* gif, const GifByteType* buf, int n) -> int {
    auto* f = static_cast<Bytes*>(gif->UserData);
    f->insert(f->end(), buf, buf + n);
    return n;
  };
  int err = 0;
  GifFileType* gif = EGifOpen(&file, writeFn, &err);
  if (!gif) return {};
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = makeMap(plan.globalPalette);
  bool ok = EGifPutScreenDesc(gif, plan.width, plan.height, 8, 0, global) == GIF_OK;
  for (const FramePlan& f : plan.frames) {
    if (ok && f.disposal >= 0) {
      GraphicsControlBlock gcb{f.disposal, false, f.delayCs, f.transparent >= 0 ? f.transparent : NO_TRANSPARENT_COLOR};
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK;
    }
    ColorMapObject* local = makeMap(f.localPalette);
    if (!local && gif->Image.ColorMap) {
      // giflib drops the previous frame's table here without freeing it.
      GifFreeMapObject(gif->Image.ColorMap);
      gif->Image.ColorMap = nullptr;
    }
    ok = ok && EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local) == GIF_OK;
    GifFreeMapObject(local);
    // giflib takes the rows in the order they are stored: pass by pass when interlaced.
    std::vector<int> order;
    if (f.interlace) {
      for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int y = start; y < f.height; y += step) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      Bytes row(f.indices.begin() + y * f.width, f.indices.begin() + (y + 1) * f.width);
      ok = ok && EGifPutLine(gif, row.data(), f.width) == GIF_OK;
    }
  }
  GifFreeMapObject(global);
  if (EGifCloseFile(gif, &err) != GIF_OK || !ok) return {};
  return file;
}

// Straight pixels of a bitmap, rows top to bottom.
std::vector<Argb> pixelsOf(const Bitmap& b) {
  std::vector<Argb> out;
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) out.push_back(b.pixel(x, y));
  }
  return out;
}

TEST(GifCodec, FirstImageSitsOnATransparentScreen) {
  GifPlan plan{.width = 5, .height = 3};
  plan.frames.push_back({.left = 1, .top = 1, .width = 3, .height = 2, .indices = {0, 1, 3, 2, 0, 1},
                         .disposal = 1, .delayCs = 7, .transparent = 3});
  plan.frames.push_back({.width = 5, .height = 3, .indices = Bytes(15, 2)});  // never shown by decodeImage
  const Bytes file = buildGif(plan);
  ASSERT_FALSE(file.empty());
  const gfx::DecodeResult r = gfx::decodeImage(file);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.format, gfx::ImageFormat::Gif);
  EXPECT_EQ(pixelsOf(r.bitmap), (std::vector<Argb>{kClear, kClear, kClear, kClear, kClear,  //
                                                   kClear, kRed, kGreen, kClear, kClear,    //
                                                   kClear, kBlue, kRed, kGreen, kClear}));
}

TEST(GifCodec, AnimationFollowsEachDisposal) {
  GifPlan plan{.width = 4, .height = 2};
  plan.frames = {
      {.width = 4, .height = 2, .indices = Bytes(8, 0), .disposal = 1, .delayCs = 10},
      {.left = 1, .width = 2, .height = 1, .indices = {1, 1}, .disposal = 2, .delayCs = 20},
      // Its own table: index 0 is blue here.
      {.top = 1, .indices = {0}, .localPalette = {kBlue, kRed}, .disposal = 3, .delayCs = 30},
      {.left = 3, .top = 1, .indices = {3}, .disposal = 0, .delayCs = 40},
  };
  const Bytes file = buildGif(plan);
  ASSERT_FALSE(file.empty());
  std::string error = "stale";
  const auto frames = gfx::decodeAnimation(file, &error);
  EXPECT_TRUE(error.empty()) << error;
  ASSERT_EQ(frames.size(), 4u);
  const std::vector<std::vector<Argb>> expected{
      {kRed, kRed, kRed, kRed, kRed, kRed, kRed, kRed},
      {kRed, kGreen, kGreen, kRed, kRed, kRed, kRed, kRed},
      // Frame 2 was cleared to transparent; frame 3 draws and is then undone.
      {kRed, kClear, kClear, kRed, kBlue, kRed, kRed, kRed},
      {kRed, kClear, kClear, kRed, kRed, kRed, kRed, kWhite},
  };
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(pixelsOf(frames[i].bitmap), expected[i]) << "frame " << i;
    EXPECT_EQ(frames[i].delayCs, static_cast<int>(10 * (i + 1)));
  }
}

TEST(GifCodec, InterlacedImageComesOutInRowOrder) {
  // 11 rows reach every pass; each row has its own pattern.
  FramePlan frame{.width = 3, .height = 11};
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) frame.indices.push_back(static_cast<std::uint8_t>((y * 3 + x) % 4));
  }
  GifPlan plain{.width = 3, .height = 11, .frames = {frame}};
  frame.interlace = true;
  GifPlan interlaced{.width = 3, .height = 11, .frames = {frame}};
  const gfx::DecodeResult a = gfx::decodeImage(buildGif(plain));
  const gfx::DecodeResult b = gfx::decodeImage(buildGif(interlaced));
  ASSERT_TRUE(a.ok() && b.ok()) << a.error << b.error;
  EXPECT_EQ(a.bitmap, b.bitmap);
  EXPECT_EQ(a.bitmap.pixel(1, 10), plain.globalPalette[(10 * 3 + 1) % 4]);
}

TEST(GifCodec, MissingPaletteGivesAGreyRamp) {
  GifPlan plan{.width = 4, .height = 1, .frames = {{.width = 4, .indices = {0, 1, 2, 3}}}};
  Bytes file = buildGif(plan);
  ASSERT_FALSE(file.empty());
  // Drop the global table (4 entries) and its flag.
  file[10] &= 0x7F;
  file.erase(file.begin() + 13, file.begin() + 13 + 12);
  const gfx::DecodeResult r = gfx::decodeImage(file);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(pixelsOf(r.bitmap), (std::vector<Argb>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
}

TEST(GifCodec, ScreenSizeAndClipping) {
  // A frame hanging over the right and bottom edges is clipped to the screen.
  GifPlan plan{.width = 3, .height = 2};
  plan.frames = {{.width = 3, .height = 2, .indices = Bytes(6, 0), .disposal = 1},
                 {.left = 2, .top = 1, .width = 2, .height = 2, .indices = {2, 1, 1, 1}, .disposal = 1}};
  const auto frames = gfx::decodeAnimation(buildGif(plan));
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(pixelsOf(frames[1].bitmap), (std::vector<Argb>{kRed, kRed, kRed, kRed, kRed, kBlue}));

  // A zero logical screen takes the first image's size.
  GifPlan zero{.width = 2, .height = 2, .frames = {{.width = 2, .height = 3, .indices = {0, 1, 2, 3, 0, 1}}}};
  Bytes file = buildGif(zero);
  std::fill(file.begin() + 6, file.begin() + 10, 0);
  const gfx::DecodeResult r = gfx::decodeImage(file);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(pixelsOf(r.bitmap), (std::vector<Argb>{kRed, kGreen, kBlue, kWhite, kRed, kGreen}));
}

// ImageMagick composes the same animation (-coalesce) as an independent viewer would.
TEST(GifCodec, AnimationMatchesImageMagickCoalesce) {
  if (!haveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  TempDir dir;
  const Bitmap background = fewColours(12, 8, 9);
  const Bitmap patch = fewColours(5, 4, 6, false, true);  // index 0 of its colours is transparent
  const Bitmap strip = fewColours(6, 2, 3);
  writePam(dir.file("f0.pam"), background);
  writePam(dir.file("f1.pam"), patch);
  writePam(dir.file("f2.pam"), strip);
  const std::string gif = dir.file("anim.gif");
  ASSERT_TRUE(runConvert("-dispose None -delay 10 " + dir.file("f0.pam") + " -dispose Background -delay 20 -page +3+2 " +
                         dir.file("f1.pam") + " -dispose Previous -delay 30 -page +1+5 " + dir.file("f2.pam") +
                         " -dispose None -delay 40 -page +9+6 " + dir.file("f1.pam") + " -loop 0 GIF:" + gif));
  ASSERT_TRUE(runConvert(gif + " -coalesce +adjoin -depth 8 RGBA:" + dir.file("c%d.rgba")));

  std::string error;
  const auto frames = gfx::decodeAnimation(readFile(gif), &error);
  ASSERT_EQ(frames.size(), 4u) << error;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const Bitmap expected = readRawRgba(dir.file("c" + std::to_string(i) + ".rgba"), 12, 8);
    EXPECT_EQ(maxStoredDiff(frames[i].bitmap, expected), 0) << "frame " << i;
    EXPECT_EQ(frames[i].delayCs, static_cast<int>(10 * (i + 1)));
  }
  // And the interlaced still from ImageMagick.
  ASSERT_TRUE(runConvert(dir.file("f0.pam") + " -interlace GIF GIF:" + dir.file("i.gif")));
  const Bytes interlaced = readFile(dir.file("i.gif"));
  const gfx::DecodeResult r = gfx::decodeImage(interlaced);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.bitmap, background);
}

Bytes sampleGif() {
  FramePlan frame{.width = 40, .height = 30};
  std::mt19937 rng(5);
  for (int i = 0; i < 40 * 30; ++i) frame.indices.push_back(static_cast<std::uint8_t>(rng() % 4));
  FramePlan second = frame;
  second.disposal = 2;
  return buildGif({.width = 40, .height = 30, .frames = {frame, second}});
}

TEST(GifCodec, CutFiles) {
  const Bytes whole = sampleGif();
  const gfx::DecodeResult full = gfx::decodeImage(whole);
  ASSERT_TRUE(full.ok()) << full.error;
  constexpr std::size_t kDataStart = 13 + 12 + 10 + 1;  // header, table, descriptor, code size
  const struct {
    std::size_t keep;
    bool decodes;
  } cases[] = {{6, false}, {12, false}, {20, false}, {30, false}, {kDataStart, false}, {kDataStart + 1, false},
               {whole.size() / 3, true}};
  for (const auto& c : cases) {
    const Bytes f(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.keep));
    const gfx::DecodeResult r = gfx::decodeImage(f);
    EXPECT_EQ(r.ok(), c.decodes) << c.keep << " bytes: " << r.error;
    EXPECT_EQ(r.error.empty(), c.decodes) << c.keep << " bytes";
    std::string error;
    EXPECT_EQ(gfx::decodeAnimation(f, &error).size(), c.decodes ? 1u : 0u) << c.keep << " bytes";
    EXPECT_EQ(error.empty(), c.decodes) << c.keep << " bytes";
  }
  // A partly written image keeps its first rows; the rest is left transparent.
  const Bytes third(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 3));
  const gfx::DecodeResult part = gfx::decodeImage(third);
  ASSERT_TRUE(part.ok());
  EXPECT_EQ(part.bitmap.crop(0, 0, 40, 5), full.bitmap.crop(0, 0, 40, 5));
  EXPECT_EQ(part.bitmap.pixel(39, 29), kClear);
}

TEST(GifCodec, HugeClaimsAreRefused) {
  // A tiny file claiming a screen beyond the limits, or frames that together would need gigabytes.
  GifPlan wide{.width = 40000, .height = 1, .frames = {{.indices = {0}}}};
  EXPECT_FALSE(gfx::decodeImage(buildGif(wide)).ok());
  GifPlan many{.width = 8192, .height = 8192};
  many.frames.assign(5, FramePlan{.indices = {0}});
  std::string error;
  EXPECT_TRUE(gfx::decodeAnimation(buildGif(many), &error).empty());
  EXPECT_FALSE(error.empty());
}

// A 1x1 screen with one 65535 x 65535 image whose data is about 1 MB of zero bytes: enough LZW codes
// to claim gigabytes of indices, of which only the first row shows.
Bytes hugeImageOnATinyScreen() {
  Bytes f{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0};
  f.insert(f.end(), {0xFF, 0, 0, 0, 0xFF, 0});  // red, green
  f.insert(f.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 8});
  constexpr int kSubBlocks = 4096;
  for (int i = 0; i < kSubBlocks; ++i) {
    f.push_back(255);
    f.insert(f.end(), 255, 0);
  }
  f.push_back(0);
  f.push_back(0x3B);
  return f;
}

// Decodes in a process whose address space may grow by no more than 512 MB beyond what it already
// maps; exits 0 when the first row shows red.
[[noreturn]] void decodeWithLittleMemory(const Bytes& f) {
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t limit =
      static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{512} << 20);
  const rlimit rl{limit, limit};
  ::setrlimit(RLIMIT_AS, &rl);
  const gfx::DecodeResult r = gfx::decodeImage(f);
  const auto frames = gfx::decodeAnimation(f);
  const bool good = r.ok() && r.bitmap.pixel(0, 0) == kRed && frames.size() == 1 && frames[0].bitmap.pixel(0, 0) == kRed;
  std::_Exit(good ? 0 : 1);
}

TEST(GifCodec, AnImageFarLargerThanItsScreenDecodesInLittleMemory) {
  const Bytes f = hugeImageOnATinyScreen();
  EXPECT_EXIT(decodeWithLittleMemory(f), ::testing::ExitedWithCode(0), "");
}

TEST(GifCodec, DamagedFilesNeverCrash) {
  const Bytes original = sampleGif();
  std::mt19937 rng(99);
  for (int round = 0; round < 300; ++round) {
    Bytes f = original;
    const int flips = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < flips; ++i) f[6 + rng() % (f.size() - 6)] = static_cast<std::uint8_t>(rng());
    if (rng() % 3 == 0) f.resize(6 + rng() % (f.size() - 6));
    const gfx::DecodeResult r = gfx::decodeImage(f);
    EXPECT_EQ(r.ok(), r.error.empty()) << r.error;
    std::string error;
    const auto frames = gfx::decodeAnimation(f, &error);
    EXPECT_EQ(frames.empty(), !error.empty()) << error;
    EXPECT_LE(frames.size(), 2u);
  }
}

}  // namespace
