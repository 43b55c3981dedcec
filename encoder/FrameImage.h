#pragma once
// One frame as the encoder keeps it: an 8-bit indexed, bottom-up device-independent bitmap in one block
// (40-byte BITMAPINFOHEADER, 256 blue-green-red-zero colour entries, rows padded to 4 bytes, last row
// first), the form the writer reads.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace encoder {

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class FrameImage {
 public:
  static constexpr int kInfoHeaderSize = 40;
  static constexpr int kPaletteEntries = 256;
  static constexpr int kPaletteBytes = kPaletteEntries * 4;
  static constexpr int kBitsPerPixel = 8;

  FrameImage() = default;
  // Allocates the block for a width x height frame; throws std::bad_alloc when memory runs out.
  FrameImage(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return kBitsPerPixel; }
  // Bytes per stored row: ((8 * width + 31) / 32) * 4.
  int stride() const { return stride_; }
  static int strideFor(int width) { return ((kBitsPerPixel * width + 31) / 32) * 4; }

  Rgb paletteEntry(int index) const;
  void setPaletteEntry(int index, Rgb colour);

  // Indices of image row y counted from the top (stored bottom-up).
  std::uint8_t* row(int y) { return pixels() + static_cast<std::size_t>(height_ - 1 - y) * stride_; }
  const std::uint8_t* row(int y) const {
    return pixels() + static_cast<std::size_t>(height_ - 1 - y) * stride_;
  }
  // The pixel area, last image row first.
  std::uint8_t* pixels() { return block_.data() + kInfoHeaderSize + kPaletteBytes; }
  const std::uint8_t* pixels() const { return block_.data() + kInfoHeaderSize + kPaletteBytes; }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> block_;
};

}  // namespace encoder
