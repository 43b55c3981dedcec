// CaptureScreen on the in-memory screen: the rectangle rules and the choice of picture format.
#include <gtest/gtest.h>

#include <climits>

#include "app/FrameCapture.h"
#include "gfx/ImageCodec.h"
#include "platform/Platform.h"
#include "platform/memory/MemoryBackend.h"

namespace {

class FrameCaptureTest : public ::testing::Test {
 protected:
  FrameCaptureTest() {
    auto backend = std::make_unique<platform::MemoryBackend>(platform::Size{320, 200});
    mem = backend.get();
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) mem->screen().setPixel(x, y, gfx::makeArgb(255, x & 0xFF, y, (x + y) & 0xFF));
    ui = std::make_unique<platform::Platform>(std::move(backend));
  }
  platform::MemoryBackend* mem = nullptr;
  std::unique_ptr<platform::Platform> ui;
};

TEST_F(FrameCaptureTest, TakesTheScreenPixelsOfTheRectangle) {
  auto decoded = gfx::decodeImage(app::CaptureScreen(*ui, 10, 20, 200, 100, 5, 0));
  ASSERT_TRUE(decoded.ok()) << decoded.error;
  EXPECT_EQ(decoded.bitmap, mem->screen().crop(10, 20, 200, 100));
}

TEST_F(FrameCaptureTest, EmptyOrOffScreenRectanglesGiveNothingAndPartlyOffOnesAreClipped) {
  struct Case {
    int x, y, w, h;
    int width, height;  // of the picture; 0 = no bytes at all
  };
  const Case cases[] = {
      {0, 0, 0, 10, 0, 0},      {0, 0, 10, -1, 0, 0},    {320, 0, 10, 10, 0, 0},  {-20, 0, 20, 10, 0, 0},
      {0, 200, 5, 5, 0, 0},     {-5, -5, 10, 20, 5, 15}, {300, 190, 50, 50, 20, 10}, {0, 0, 1, 1, 1, 1},
      // Far off, where x + width or y + height does not fit in an int.
      {INT_MAX - 5, 0, 100, 10, 0, 0}, {0, INT_MAX - 5, 10, 100, 0, 0}, {-5, -5, INT_MAX, INT_MAX, 320, 200},
  };
  for (const auto& c : cases) {
    const auto bytes = app::CaptureScreen(*ui, c.x, c.y, c.w, c.h, 1, 0);
    if (c.width == 0) {
      EXPECT_TRUE(bytes.empty()) << c.x << "," << c.y << "," << c.w << "," << c.h;
      continue;
    }
    auto decoded = gfx::decodeImage(bytes);
    ASSERT_TRUE(decoded.ok()) << decoded.error;
    EXPECT_EQ(decoded.bitmap.width(), c.width);
    EXPECT_EQ(decoded.bitmap.height(), c.height);
    EXPECT_EQ(decoded.bitmap.pixel(0, 0), mem->screen().pixel(std::max(c.x, 0), std::max(c.y, 0)));
  }
}

TEST_F(FrameCaptureTest, FormatNumbersChooseTheEncoderAndOnlyTheWrittenBytesComeBack) {
  struct Case {
    int format;
    gfx::ImageFormat expected;
  };
  const Case cases[] = {
      {1, gfx::ImageFormat::Bmp}, {2, gfx::ImageFormat::Jpeg}, {3, gfx::ImageFormat::Gif},
      {4, gfx::ImageFormat::Bmp},  // no TIFF encoder: BMP instead
      {5, gfx::ImageFormat::Png}, {0, gfx::ImageFormat::Bmp},  {9, gfx::ImageFormat::Bmp},
  };
  for (const auto& c : cases) {
    const auto bytes = app::CaptureScreen(*ui, 0, 0, 40, 30, c.format, 80);
    auto decoded = gfx::decodeImage(bytes);
    ASSERT_TRUE(decoded.ok()) << "format " << c.format << ": " << decoded.error;
    EXPECT_EQ(decoded.format, c.expected) << "format " << c.format;
    EXPECT_EQ(decoded.bitmap.width(), 40);
  }
  // BMP: exactly the file, no spare bytes after it.
  const auto bmp = app::CaptureScreen(*ui, 0, 0, 40, 30, 1, 0);
  ASSERT_GE(bmp.size(), 6u);
  const std::uint32_t declared = bmp[2] | bmp[3] << 8 | bmp[4] << 16 | static_cast<std::uint32_t>(bmp[5]) << 24;
  EXPECT_EQ(bmp.size(), declared);
}

TEST_F(FrameCaptureTest, JpegQualityIsPassedOnAndZeroMeansTheDefault) {
  const auto q100 = app::CaptureScreen(*ui, 0, 0, 200, 150, 2, 100);
  const auto q10 = app::CaptureScreen(*ui, 0, 0, 200, 150, 2, 10);
  const auto q0 = app::CaptureScreen(*ui, 0, 0, 200, 150, 2, 0);
  const auto q75 = app::CaptureScreen(*ui, 0, 0, 200, 150, 2, 75);
  EXPECT_GT(q100.size(), q10.size());
  EXPECT_EQ(q0, q75);
  EXPECT_EQ(app::CaptureScreen(*ui, 0, 0, 200, 150, 2, 500), q100);  // clamped
}

}  // namespace
