#include "gfx/ImageCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "gfx/CodecTestTools.h"

namespace {

using namespace codec_test;
using gfx::Argb;
using gfx::Bitmap;
using gfx::ImageFormat;

std::uint32_t le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}
std::uint16_t le16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }

// --- What variant a file really is, so each case proves it tested what it names ---

std::function<bool(const Bytes&)> bmpVariant(std::uint32_t headerSize, unsigned bpp, std::uint32_t compression) {
  return [=](const Bytes& f) {
    if (f.size() < 30 || le32(f, 14) != headerSize) return false;
    if (headerSize == 12) return le16(f, 24) == bpp;
    return le16(f, 28) == bpp && le32(f, 30) == compression;
  };
}

std::function<bool(const Bytes&)> pngVariant(unsigned depth, unsigned colourType, bool interlaced) {
  return [=](const Bytes& f) {
    return f.size() > 28 && f[24] == depth && f[25] == colourType && (f[28] != 0) == interlaced;
  };
}

// The frame header's kind (0xC0 baseline, 0xC2 progressive) and its component count.
std::function<bool(const Bytes&)> jpegVariant(std::uint8_t frameMarker, unsigned components) {
  return [=](const Bytes& f) {
    for (std::size_t i = 2; i + 9 < f.size();) {
      if (f[i] != 0xFF) return false;
      const std::uint8_t marker = f[i + 1];
      if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) return marker == frameMarker && f[i + 9] == components;
      i += 2 + ((f[i + 2] << 8) | f[i + 3]);
    }
    return false;
  };
}

// --- Files made by ImageMagick, decoded by us, compared with what it was asked to store ---

struct ConvertCase {
  const char* name;
  Bitmap (*picture)();
  const char* options;  // convert options between input and output
  const char* output;   // format prefix and file name
  std::function<bool(const Bytes&)> isVariant;
  bool alphaKept;  // false: the format stores colour only, the picture comes back opaque
  int tolerance;   // per stored channel
  ImageFormat format;
};

class DecodesConvertFiles : public testing::TestWithParam<ConvertCase> {};

TEST_P(DecodesConvertFiles, MatchesThePictureAskedFor) {
  if (!haveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  const ConvertCase& c = GetParam();
  TempDir dir;
  const Bitmap source = c.picture();
  writePam(dir.file("in.pam"), source);
  const std::string output = c.output;
  const std::string outPath = dir.file(output.substr(output.find(':') + 1));
  ASSERT_TRUE(runConvert(dir.file("in.pam") + " " + c.options + " " + output.substr(0, output.find(':') + 1) + outPath));
  const Bytes file = readFile(outPath);
  ASSERT_TRUE(c.isVariant(file)) << "convert did not write the variant this case is about";

  EXPECT_EQ(gfx::sniffImageFormat(file), c.format);
  const gfx::DecodeResult r = gfx::decodeImage(file);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_TRUE(r.error.empty());
  EXPECT_EQ(r.format, c.format);
  const Bitmap expected = c.alphaKept ? source : opaqueCopy(source);
  const int diff = maxStoredDiff(r.bitmap, expected);
  EXPECT_GE(diff, 0) << "size " << r.bitmap.width() << "x" << r.bitmap.height();
  EXPECT_LE(diff, c.tolerance);
}

constexpr int kW = 13, kH = 9;  // odd sizes: row padding and partial bytes of packed pixels
Bitmap smallGradient() { return gradient(kW, kH); }
Bitmap smallGradientAlpha() { return withAlpha(gradient(kW, kH)); }
Bitmap twoColours() { return fewColours(kW, kH, 2); }
Bitmap twelveColours() { return fewColours(kW, kH, 12); }
Bitmap fortyColours() { return fewColours(kW, kH, 40); }
Bitmap exact16() { return fewColours(kW, kH, 30, true); }
Bitmap exact16BinaryAlpha() { return fewColours(kW, kH, 30, true, true); }
Bitmap binaryAlphaColours() { return fewColours(kW, kH, 40, false, true); }
Bitmap grey() { return greyRamp(kW, kH); }
Bitmap greyAlpha() { return withAlpha(greyRamp(kW, kH)); }
Bitmap photo() { return gradient(96, 64); }
Bitmap greyPhoto() {
  Bitmap b = gradient(96, 64);
  for (int y = 0; y < b.height(); ++y) {
    for (int x = 0; x < b.width(); ++x) b.setPixel(x, y, gfx::makeArgb(255, x * 2, x * 2, x * 2));
  }
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Bmp, DecodesConvertFiles,
    testing::Values(
        ConvertCase{"Info24", smallGradient, "-alpha off", "BMP3:a.bmp", bmpVariant(40, 24, 0), false, 0, ImageFormat::Bmp},
        ConvertCase{"Core24", smallGradient, "-alpha off", "BMP2:a.bmp", bmpVariant(12, 24, 0), false, 0, ImageFormat::Bmp},
        ConvertCase{"Core8", fortyColours, "-alpha off -type palette -compress none", "BMP2:a.bmp", bmpVariant(12, 8, 0),
                    false, 0, ImageFormat::Bmp},
        ConvertCase{"Palette8", fortyColours, "-alpha off -type palette -compress none", "BMP3:a.bmp",
                    bmpVariant(40, 8, 0), false, 0, ImageFormat::Bmp},
        ConvertCase{"Rle8", fortyColours, "-alpha off -type palette -compress RLE", "BMP3:a.bmp", bmpVariant(40, 8, 1),
                    false, 0, ImageFormat::Bmp},
        ConvertCase{"Palette4", twelveColours, "-alpha off -type palette -compress none", "BMP3:a.bmp",
                    bmpVariant(40, 4, 0), false, 0, ImageFormat::Bmp},
        ConvertCase{"Palette1", twoColours, "-alpha off -type palette -compress none", "BMP3:a.bmp",
                    bmpVariant(40, 1, 0), false, 0, ImageFormat::Bmp},
        ConvertCase{"Fields565", exact16, "-alpha off -define bmp:subtype=RGB565", "BMP:a.bmp", bmpVariant(124, 16, 3),
                    false, 0, ImageFormat::Bmp},
        ConvertCase{"Fields555", exact16, "-alpha off -define bmp:subtype=RGB555", "BMP:a.bmp", bmpVariant(124, 16, 3),
                    false, 0, ImageFormat::Bmp},
        ConvertCase{"Fields1555", exact16BinaryAlpha, "-define bmp:subtype=ARGB1555", "BMP:a.bmp",
                    bmpVariant(124, 16, 3), true, 0, ImageFormat::Bmp},
        ConvertCase{"V5Alpha32", smallGradientAlpha, "", "BMP:a.bmp", bmpVariant(124, 32, 3), true, 0, ImageFormat::Bmp},
        // BI_RGB 32-bit: the fourth byte is not alpha (GDI ignores it), however the writer filled it.
        ConvertCase{"Rgb32AlphaIgnored", smallGradientAlpha, "-define bmp3:alpha=true", "BMP3:a.bmp",
                    bmpVariant(40, 32, 0), false, 0, ImageFormat::Bmp}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Png, DecodesConvertFiles,
    testing::Values(
        ConvertCase{"Rgb8", smallGradient, "", "PNG24:a.png", pngVariant(8, 2, false), false, 0, ImageFormat::Png},
        ConvertCase{"Rgba8", smallGradientAlpha, "", "PNG32:a.png", pngVariant(8, 6, false), true, 0, ImageFormat::Png},
        ConvertCase{"PaletteTrns", binaryAlphaColours, "", "PNG8:a.png", pngVariant(8, 3, false), true, 0,
                    ImageFormat::Png},
        ConvertCase{"Grey", grey, "-type Grayscale", "PNG:a.png", pngVariant(8, 0, false), false, 0, ImageFormat::Png},
        ConvertCase{"GreyAlpha", greyAlpha, "-type GrayscaleAlpha", "PNG:a.png", pngVariant(8, 4, false), true, 0,
                    ImageFormat::Png},
        ConvertCase{"Rgba16", smallGradientAlpha, "", "PNG64:a.png", pngVariant(16, 6, false), true, 1, ImageFormat::Png},
        ConvertCase{"Interlaced", smallGradientAlpha, "-interlace PNG", "PNG32:a.png", pngVariant(8, 6, true), true, 0,
                    ImageFormat::Png}),
    [](const auto& info) { return std::string(info.param.name); });

// Lossy: smooth pictures at high quality come back within a few steps per channel.
INSTANTIATE_TEST_SUITE_P(
    Jpeg, DecodesConvertFiles,
    testing::Values(
        ConvertCase{"Baseline", photo, "-quality 95", "JPG:a.jpg", jpegVariant(0xC0, 3), false, 8, ImageFormat::Jpeg},
        ConvertCase{"Progressive", photo, "-quality 95 -interlace Plane", "JPG:a.jpg", jpegVariant(0xC2, 3), false, 8,
                    ImageFormat::Jpeg},
        ConvertCase{"Grey", greyPhoto, "-colorspace Gray -quality 95", "JPG:a.jpg", jpegVariant(0xC0, 1), false, 3,
                    ImageFormat::Jpeg},
        ConvertCase{"Cmyk", photo, "-colorspace CMYK -quality 95", "JPG:a.jpg", jpegVariant(0xC0, 4), false, 8,
                    ImageFormat::Jpeg}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Hand-made BMPs for what ImageMagick does not write ---

struct BmpPlan {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t bpp = 24;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::vector<std::uint32_t> masks;  // inside a V2+ header, or after a 40-byte one
  std::vector<Argb> palette;         // written as B, G, R, 0
  Bytes pixels;                      // rows as stored, padding included
};

Bytes buildBmp(const BmpPlan& s) {
  Bytes header(s.headerSize, 0);
  auto put32 = [&](std::size_t at, std::uint32_t v) { std::memcpy(&header[at], &v, 4); };
  auto put16 = [&](std::size_t at, std::uint16_t v) { std::memcpy(&header[at], &v, 2); };
  put32(0, s.headerSize);
  put32(4, static_cast<std::uint32_t>(s.width));
  put32(8, static_cast<std::uint32_t>(s.height));
  put16(12, 1);
  put16(14, s.bpp);
  put32(16, s.compression);
  put32(32, s.coloursUsed);
  Bytes afterHeader;
  for (std::size_t i = 0; i < s.masks.size(); ++i) {
    if (s.headerSize > 40) {
      put32(40 + 4 * i, s.masks[i]);
    } else {
      for (int k = 0; k < 4; ++k) afterHeader.push_back(static_cast<std::uint8_t>(s.masks[i] >> (8 * k)));
    }
  }
  for (Argb c : s.palette) afterHeader.insert(afterHeader.end(), {gfx::blueOf(c), gfx::greenOf(c), gfx::redOf(c), 0});
  const std::uint32_t offset = static_cast<std::uint32_t>(14 + header.size() + afterHeader.size());
  Bytes file{'B', 'M'};
  for (std::uint32_t v : {offset + static_cast<std::uint32_t>(s.pixels.size()), 0u, offset}) {
    for (int k = 0; k < 4; ++k) file.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
  }
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), afterHeader.begin(), afterHeader.end());
  file.insert(file.end(), s.pixels.begin(), s.pixels.end());
  return file;
}

constexpr Argb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

struct HandBmpCase {
  const char* name;
  BmpPlan plan;
  int width;
  std::vector<Argb> expected;  // straight colours, rows top to bottom
};

class DecodesHandMadeBmp : public testing::TestWithParam<HandBmpCase> {};

TEST_P(DecodesHandMadeBmp, GivesTheStoredPixels) {
  const HandBmpCase& c = GetParam();
  const gfx::DecodeResult r = gfx::decodeImage(buildBmp(c.plan));
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.bitmap.width(), c.width);
  ASSERT_EQ(static_cast<std::size_t>(r.bitmap.width() * r.bitmap.height()), c.expected.size());
  for (std::size_t i = 0; i < c.expected.size(); ++i) {
    const int x = static_cast<int>(i % c.width), y = static_cast<int>(i / c.width);
    EXPECT_EQ(r.bitmap.pixel(x, y), c.expected[i]) << "pixel " << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bmp, DecodesHandMadeBmp,
    testing::Values(
        // Bottom-up: the first stored row is the bottom one.
        HandBmpCase{"Rgb16Is555", {.width = 2, .height = 2, .bpp = 16, .pixels = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0x7F}},
                    2, {0xFF0000FF, 0xFFFFFFFF, kRed, kGreen}},
        HandBmpCase{"FieldsAfterInfoHeader",
                    {.width = 2, .bpp = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}, .pixels = {0x00, 0xF8, 0xE0, 0x07}},
                    2, {kRed, kGreen}},
        HandBmpCase{"V4AlphaMask",
                    {.headerSize = 108, .bpp = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                     .pixels = {10, 20, 30, 128}},
                    1, {gfx::unpremultiply(gfx::premultiply(0x801E140A))}},
        HandBmpCase{"ZeroAlphaEverywhereMeansOpaque",
                    {.headerSize = 124, .width = 2, .bpp = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                     .pixels = {10, 20, 30, 0, 1, 2, 3, 0}},
                    2, {0xFF1E140A, 0xFF030201}},
        HandBmpCase{"TopDown", {.height = -2, .pixels = {0, 0, 255, 0, 0, 255, 0, 0}}, 1, {kRed, kGreen}},
        HandBmpCase{"ShortPaletteGivesBlack",
                    {.width = 2, .bpp = 8, .coloursUsed = 2, .palette = {kRed, kBlue}, .pixels = {1, 5, 0, 0}},
                    2, {kBlue, kBlack}},
        // RLE8: bottom row "2 x 1, move right 1, 1 x 2", top row absolute 2, 0, 1; unpainted pixels stay clear.
        HandBmpCase{"Rle8WithDeltaAndAbsolute",
                    {.width = 4, .height = 2, .bpp = 8, .compression = 1, .palette = {kRed, kGreen, kBlue},
                     .pixels = {2, 1, 0, 2, 1, 0, 1, 2, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1}},
                    4, {kBlue, kRed, kGreen, 0, kGreen, kGreen, 0, kBlue}},
        HandBmpCase{"Rle4", {.width = 5, .bpp = 4, .compression = 2, .palette = {kRed, kGreen, kBlue}, .pixels = {4, 0x12, 0, 1}},
                    5, {kGreen, kBlue, kGreen, kBlue, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Broken and hostile files: a clear error, never a crash or a huge allocation ---

struct BadBmpCase {
  const char* name;
  std::function<Bytes()> make;
};

class RejectsBadBmp : public testing::TestWithParam<BadBmpCase> {};

TEST_P(RejectsBadBmp, WithAnError) {
  const gfx::DecodeResult r = gfx::decodeImage(GetParam().make());
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(r.format, ImageFormat::Bmp);
}

Bytes validBmp() { return buildBmp({.width = 3, .height = 2, .pixels = Bytes(24, 0x40)}); }

INSTANTIATE_TEST_SUITE_P(
    Bmp, RejectsBadBmp,
    testing::Values(
        BadBmpCase{"OnlySignature", [] { return Bytes{'B', 'M'}; }},
        BadBmpCase{"HeaderCut", [] { Bytes f = validBmp(); f.resize(40); return f; }},
        BadBmpCase{"PixelsCut", [] { Bytes f = validBmp(); f.pop_back(); return f; }},
        BadBmpCase{"ZeroWidth", [] { return buildBmp({.width = 0, .pixels = Bytes(4)}); }},
        BadBmpCase{"ZeroHeight", [] { return buildBmp({.height = 0, .pixels = Bytes(4)}); }},
        BadBmpCase{"TooWide", [] { return buildBmp({.width = 40000, .pixels = Bytes(4)}); }},
        BadBmpCase{"TooManyPixels", [] { return buildBmp({.width = 20000, .height = 20000, .pixels = Bytes(4)}); }},
        BadBmpCase{"MostNegativeHeight", [] { return buildBmp({.height = INT32_MIN, .pixels = Bytes(4)}); }},
        BadBmpCase{"OddBitCount", [] { return buildBmp({.bpp = 7, .pixels = Bytes(4)}); }},
        BadBmpCase{"Rle8On24Bit", [] { return buildBmp({.compression = 1, .pixels = Bytes(4)}); }},
        BadBmpCase{"EmbeddedJpeg", [] { return buildBmp({.compression = 4, .pixels = Bytes(4)}); }},
        BadBmpCase{"FieldsOn24Bit", [] { return buildBmp({.compression = 3, .masks = {1, 2, 4}, .pixels = Bytes(4)}); }},
        BadBmpCase{"UnknownHeaderSize", [] { Bytes f = validBmp(); f[14] = 20; return f; }},
        BadBmpCase{"PixelOffsetBeyondFile",
                   [] {
                     Bytes f = validBmp();
                     f[10] = 0xFF;
                     f[11] = 0xFF;
                     return f;
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageCodec, SniffsSignaturesOnly) {
  const struct {
    Bytes bytes;
    ImageFormat format;
  } cases[] = {
      {{'B', 'M', 0}, ImageFormat::Bmp},
      {{0xFF, 0xD8, 0xFF, 0xE0}, ImageFormat::Jpeg},
      {{'G', 'I', 'F', '8', '7', 'a'}, ImageFormat::Gif},
      {{'G', 'I', 'F', '8', '9', 'a', 0}, ImageFormat::Gif},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, ImageFormat::Png},
      {{'G', 'I', 'F', '8', '8', 'a'}, ImageFormat::Unknown},
      {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A}, ImageFormat::Unknown},
      {{0xFF, 0xD8}, ImageFormat::Unknown},
      {{'B'}, ImageFormat::Unknown},
      {{}, ImageFormat::Unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(gfx::sniffImageFormat(c.bytes), c.format) << c.bytes.size() << " bytes";
  const gfx::DecodeResult r = gfx::decodeImage(Bytes{'h', 'e', 'l', 'l', 'o'});
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.format, ImageFormat::Unknown);
  EXPECT_FALSE(r.error.empty());
}

// --- Encoders ---

TEST(ImageCodec, BmpAndPngRoundTripExactly) {
  const Bitmap opaque = gradient(37, 11);
  const gfx::DecodeResult bmp = gfx::decodeImage(gfx::encodeBmp(opaque));
  ASSERT_TRUE(bmp.ok()) << bmp.error;
  EXPECT_EQ(bmp.bitmap, opaque);

  // PNG keeps alpha: every alpha value over a few colours must survive premultiplied storage.
  Bitmap alpha(256, 4);
  for (int a = 0; a < 256; ++a) {
    alpha.setPixel(a, 0, gfx::makeArgb(a, 255, 128, 3));
    alpha.setPixel(a, 1, gfx::makeArgb(a, 17, 250, 91));
    alpha.setPixel(a, 2, gfx::makeArgb(a, a, 255 - a, 0));
    alpha.setPixel(a, 3, gfx::makeArgb(a, 0, 0, 0));
  }
  const gfx::DecodeResult png = gfx::decodeImage(gfx::encodePng(alpha));
  ASSERT_TRUE(png.ok()) << png.error;
  EXPECT_EQ(png.bitmap, alpha);
}

TEST(ImageCodec, BmpAndJpegStoreThePictureCompositedOnBlack) {
  Bitmap b(8, 8, 0x80FF8040);  // half-transparent orange
  const Bitmap onBlack(8, 8, b.data()[0] | 0xFF000000u);
  const gfx::DecodeResult bmp = gfx::decodeImage(gfx::encodeBmp(b));
  ASSERT_TRUE(bmp.ok()) << bmp.error;
  EXPECT_EQ(bmp.bitmap, onBlack);
  const gfx::DecodeResult jpeg = gfx::decodeImage(gfx::encodeJpeg(b, 100));
  ASSERT_TRUE(jpeg.ok()) << jpeg.error;
  EXPECT_LE(maxStoredDiff(jpeg.bitmap, onBlack), 2);
}

TEST(ImageCodec, JpegQualityDrivesFidelityAndSize) {
  const Bitmap picture = gradient(160, 120);
  const Bytes best = gfx::encodeJpeg(picture, 100);
  const Bytes standard = gfx::encodeJpeg(picture, 0);
  const Bytes worst = gfx::encodeJpeg(picture, 1);
  ASSERT_FALSE(best.empty());
  EXPECT_EQ(standard, gfx::encodeJpeg(picture, 75));  // 0 means the default quality
  EXPECT_EQ(gfx::encodeJpeg(picture, 250), best);     // above 100 is 100
  EXPECT_GT(best.size(), standard.size());
  EXPECT_GT(standard.size(), worst.size());

  // Quality 100 keeps full chroma: only DCT and colour conversion rounding is left.
  const gfx::DecodeResult r = gfx::decodeImage(best);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_LE(maxStoredDiff(r.bitmap, picture), 4);
  const gfx::DecodeResult rough = gfx::decodeImage(worst);
  ASSERT_TRUE(rough.ok()) << rough.error;
  EXPECT_GT(maxStoredDiff(rough.bitmap, picture), 3);
}

TEST(ImageCodec, EmptyBitmapsEncodeToNothing) {
  EXPECT_TRUE(gfx::encodeBmp(Bitmap()).empty());
  EXPECT_TRUE(gfx::encodeJpeg(Bitmap(), 90).empty());
  EXPECT_TRUE(gfx::encodePng(Bitmap()).empty());
}

// Our files read by an independent reader.
TEST(ImageCodec, ConvertReadsWhatWeWrite) {
  if (!haveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed";
  const Bitmap opaque = gradient(23, 17);
  const Bitmap translucent = withAlpha(gradient(23, 17));
  const struct {
    const char* name;
    Bytes file;
    Bitmap expected;
    int tolerance;
  } cases[] = {
      {"bmp", gfx::encodeBmp(opaque), opaque, 0},
      {"png", gfx::encodePng(translucent), translucent, 0},
      {"jpg", gfx::encodeJpeg(opaque, 100), opaque, 4},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const std::string in = dir.file(std::string("ours.") + c.name), out = dir.file(std::string(c.name) + ".rgba");
    writeFile(in, c.file);
    ASSERT_TRUE(runConvert(in + " -depth 8 RGBA:" + out)) << c.name;
    EXPECT_LE(maxStoredDiff(readRawRgba(out, 23, 17), c.expected), c.tolerance) << c.name;
    EXPECT_GE(maxStoredDiff(readRawRgba(out, 23, 17), c.expected), 0) << c.name;
  }
}

// --- Cut and damaged files of every format ---

constexpr int kSampleW = 40, kSampleH = 64;
Bytes sampleFile(ImageFormat format) {
  const Bitmap picture = withAlpha(gradient(kSampleW, kSampleH));
  switch (format) {
    case ImageFormat::Bmp: return gfx::encodeBmp(picture);
    case ImageFormat::Png: return gfx::encodePng(picture);
    case ImageFormat::Jpeg: return gfx::encodeJpeg(picture, 90);
    default: return {};
  }
}

TEST(ImageCodec, CutFilesFailCleanlyExceptAJpegPastItsHeader) {
  const struct {
    ImageFormat format;
    double keep;  // fraction of the file kept
    bool decodes;
  } cases[] = {
      {ImageFormat::Bmp, 0.01, false}, {ImageFormat::Bmp, 0.3, false}, {ImageFormat::Bmp, 0.99, false},
      {ImageFormat::Png, 0.01, false}, {ImageFormat::Png, 0.3, false}, {ImageFormat::Png, 0.99, false},
      {ImageFormat::Jpeg, 0.01, false}, {ImageFormat::Jpeg, 0.05, false},
      // Past the header a partly written JPEG still shows what it has; libjpeg greys the rest.
      {ImageFormat::Jpeg, 0.75, true},
  };
  for (const auto& c : cases) {
    Bytes f = sampleFile(c.format);
    f.resize(static_cast<std::size_t>(static_cast<double>(f.size()) * c.keep));
    const gfx::DecodeResult r = gfx::decodeImage(f);
    SCOPED_TRACE(testing::Message() << int(c.format) << " cut to " << f.size() << " bytes");
    EXPECT_EQ(r.ok(), c.decodes) << r.error;
    EXPECT_EQ(r.error.empty(), c.decodes);
    if (r.ok()) {
      EXPECT_EQ(r.bitmap.width(), kSampleW);
      EXPECT_EQ(r.bitmap.height(), kSampleH);
    }
  }
  // The top of the cut JPEG is the picture, not filler.
  Bytes f = sampleFile(ImageFormat::Jpeg);
  f.resize(f.size() * 3 / 4);
  const gfx::DecodeResult cut = gfx::decodeImage(f);
  ASSERT_TRUE(cut.ok());
  const gfx::DecodeResult whole = gfx::decodeImage(sampleFile(ImageFormat::Jpeg));
  EXPECT_EQ(maxStoredDiff(cut.bitmap.crop(0, 0, kSampleW, 8), whole.bitmap.crop(0, 0, kSampleW, 8)), 0);
  EXPECT_GT(maxStoredDiff(cut.bitmap, whole.bitmap), 0);
}

TEST(ImageCodec, DamagedFilesNeverCrash) {
  std::mt19937 rng(1234);
  for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png, ImageFormat::Jpeg}) {
    const Bytes original = sampleFile(format);
    for (int round = 0; round < 150; ++round) {
      Bytes f = original;
      const int flips = 1 + static_cast<int>(rng() % 8);
      for (int i = 0; i < flips; ++i) f[rng() % f.size()] = static_cast<std::uint8_t>(rng());
      if (rng() % 3 == 0) f.resize(rng() % f.size());
      const gfx::DecodeResult r = gfx::decodeImage(f);
      // Either a picture within the limits or an explanation, never both or neither.
      EXPECT_EQ(r.ok(), r.error.empty()) << r.error;
      if (r.ok()) {
        EXPECT_TRUE(gfx::imageSizeAllowed(r.bitmap.width(), r.bitmap.height()));
      }
    }
  }
}

TEST(ImageCodec, StillPictureIsAOneFrameAnimation) {
  const Bitmap picture = gradient(5, 4);
  std::string error = "stale";
  const auto frames = gfx::decodeAnimation(gfx::encodePng(picture), &error);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bitmap, picture);
  EXPECT_EQ(frames[0].delayCs, 0);
  EXPECT_TRUE(error.empty());
  EXPECT_TRUE(gfx::decodeAnimation(Bytes{1, 2, 3}, &error).empty());
  EXPECT_FALSE(error.empty());
}

}  // namespace
