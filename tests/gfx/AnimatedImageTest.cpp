// Animated pictures: frames and delays of a GIF, wrapping frame access, bad input.
#include "gfx/AnimatedImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A 2 x 1 GIF with two frames: all red for 10/100 s, then all blue for 20/100 s.
const std::vector<std::uint8_t> kTwoFrameGif = {
    'G', 'I', 'F', '8', '9', 'a', 2, 0, 1, 0, 0x80, 0, 0,  // screen 2 x 1, two-colour global table
    0xFF, 0, 0, 0, 0, 0xFF,                                // red, blue
    0x21, 0xF9, 4, 0, 10, 0, 0, 0,                         // delay 10
    0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0,                       // image 2 x 1
    2, 2, 0x04, 0x0A, 0,                                   // LZW: clear, 0, 0, end
    0x21, 0xF9, 4, 0, 20, 0, 0, 0,                         // delay 20
    0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0,
    2, 2, 0x4C, 0x0A, 0,                                   // LZW: clear, 1, 1, end
    0x3B};

TEST(AnimatedImageTest, GifFramesKeepTheirDelaysAndWrapAround) {
  std::string error;
  const gfx::AnimatedImage img = gfx::AnimatedImage::decode(kTwoFrameGif, &error);
  ASSERT_EQ(img.frameCount(), 2) << error;
  EXPECT_TRUE(img.isAnimated());
  EXPECT_EQ(img.width(), 2);
  EXPECT_EQ(img.delayMs(0), 100);
  EXPECT_EQ(img.delayMs(1), 200);
  EXPECT_EQ(img.frame(0).bitmap.pixel(1, 0), 0xFFFF0000u);
  EXPECT_EQ(img.frame(1).bitmap.pixel(0, 0), 0xFF0000FFu);
  EXPECT_EQ(img.frame(2).bitmap, img.frame(0).bitmap);
  EXPECT_EQ(img.frame(-1).bitmap, img.frame(1).bitmap);
}

TEST(AnimatedImageTest, BadBytesGiveAnEmptyImageWithAReason) {
  for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{20}}) {
    std::string error;
    const std::vector<std::uint8_t> bytes(kTwoFrameGif.begin(), kTwoFrameGif.begin() + static_cast<long>(cut));
    const gfx::AnimatedImage img = gfx::AnimatedImage::decode(bytes, &error);
    EXPECT_TRUE(img.empty()) << cut;
    EXPECT_FALSE(error.empty()) << cut;
    EXPECT_EQ(img.frame(3).bitmap.width(), 0);
    EXPECT_EQ(img.delayMs(0), 0);
  }
}

}  // namespace
