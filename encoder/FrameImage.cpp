#include "encoder/FrameImage.h"

namespace encoder {

namespace {
void putLe16(std::uint8_t* p, std::uint32_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
void putLe32(std::uint8_t* p, std::uint32_t v) {
  putLe16(p, v);
  putLe16(p + 2, v >> 16);
}
}  // namespace

FrameImage::FrameImage(int width, int height)
    : width_(width), height_(height), stride_(strideFor(width)),
      block_(kInfoHeaderSize + kPaletteBytes + static_cast<std::size_t>(strideFor(width)) * height) {
  std::uint8_t* h = block_.data();
  putLe32(h, kInfoHeaderSize);                  // biSize
  putLe32(h + 4, static_cast<std::uint32_t>(width));
  putLe32(h + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
  putLe16(h + 12, 1);                           // biPlanes
  putLe16(h + 14, kBitsPerPixel);               // biBitCount; compression, sizes and counts stay 0
}

Rgb FrameImage::paletteEntry(int index) const {
  const std::uint8_t* e = block_.data() + kInfoHeaderSize + index * 4;
  return {e[2], e[1], e[0]};
}

void FrameImage::setPaletteEntry(int index, Rgb c) {
  std::uint8_t* e = block_.data() + kInfoHeaderSize + index * 4;
  e[0] = c.blue;
  e[1] = c.green;
  e[2] = c.red;
  e[3] = 0;
}

}  // namespace encoder
