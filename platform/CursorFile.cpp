#include "platform/CursorFile.h"

#include <algorithm>
#include <array>

#include "gfx/ImageCodec.h"

namespace platform {
namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kInfoHeaderMinSize = 40;
constexpr std::uint16_t kTypeIcon = 1;
constexpr std::uint16_t kTypeCursor = 2;
constexpr int kMaxSide = 1024;
constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

constexpr std::size_t kPngSizeAt = 16;  // width and height of the IHDR chunk, big-endian

std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) << 24 | static_cast<std::uint32_t>(b[at + 1]) << 16 |
         static_cast<std::uint32_t>(b[at + 2]) << 8 | static_cast<std::uint32_t>(b[at + 3]);
}
std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::optional<PointerShape> fail(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

std::optional<gfx::Bitmap> failImage(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

// A DIB image of an icon resource: header, palette, XOR bits, AND mask; height counts both masks.
std::optional<gfx::Bitmap> decodeDib(std::span<const std::uint8_t> img, std::string* error) {
  if (img.size() < kInfoHeaderMinSize) return failImage(error, "image header truncated");
  const std::uint32_t headerSize = u32(img, 0);
  const auto width = static_cast<std::int32_t>(u32(img, 4));
  const auto doubledHeight = static_cast<std::int32_t>(u32(img, 8));
  const std::uint16_t bits = u16(img, 14);
  const std::uint32_t compression = u32(img, 16);
  std::uint32_t paletteCount = u32(img, 32);
  if (headerSize < kInfoHeaderMinSize || headerSize > img.size()) return failImage(error, "bad image header");
  if (width <= 0 || width > kMaxSide || doubledHeight <= 0 || doubledHeight > 2 * kMaxSide)
    return failImage(error, "bad image size");
  if (compression != 0) return failImage(error, "compressed image");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return failImage(error, "unsupported bit count");
  const int height = doubledHeight / 2;
  if (height <= 0) return failImage(error, "bad image size");
  if (bits <= 8 && paletteCount == 0) paletteCount = 1u << bits;
  if (bits > 8) paletteCount = 0;
  if (paletteCount > 256) return failImage(error, "bad palette");
  const std::size_t paletteAt = headerSize;
  const std::size_t xorAt = paletteAt + paletteCount * 4;
  const std::size_t xorStride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  const std::size_t andStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  const std::size_t andAt = xorAt + xorStride * height;
  const bool hasMask = andAt + andStride * height <= img.size();
  if (andAt > img.size()) return failImage(error, "image data truncated");

  // A 32-bit image whose alpha bytes are all 0 is an old-style one: opaque colours cut by the AND mask.
  bool anyAlpha = false;
  if (bits == 32)
    for (std::size_t p = xorAt + 3; p < andAt && !anyAlpha; p += 4) anyAlpha = img[p] != 0;

  gfx::Bitmap out(width, height);
  for (int y = 0; y < height; ++y) {
    const std::size_t row = xorAt + xorStride * (height - 1 - y);  // rows are stored bottom-up
    for (int x = 0; x < width; ++x) {
      gfx::Argb c = 0;
      if (bits == 32) {
        const std::size_t p = row + x * 4u;
        c = gfx::makeArgb(anyAlpha ? img[p + 3] : 255, img[p + 2], img[p + 1], img[p]);
      } else if (bits == 24) {
        const std::size_t p = row + x * 3u;
        c = gfx::makeArgb(255, img[p + 2], img[p + 1], img[p]);
      } else {
        const std::size_t bitPos = static_cast<std::size_t>(x) * bits;
        const std::uint8_t byte = img[row + bitPos / 8];
        const unsigned shift = 8 - bits - (bitPos % 8);
        const unsigned index = (byte >> shift) & ((1u << bits) - 1);
        if (index < paletteCount) {
          const std::size_t p = paletteAt + index * 4u;
          c = gfx::makeArgb(255, img[p + 2], img[p + 1], img[p]);
        }
      }
      out.setPixel(x, y, c);
    }
  }
  // The AND mask decides transparency unless the 32-bit image carries its own alpha.
  if (hasMask && !(bits == 32 && anyAlpha)) {
    for (int y = 0; y < height; ++y) {
      const std::size_t row = andAt + andStride * (height - 1 - y);
      for (int x = 0; x < width; ++x) {
        const bool transparent = (img[row + x / 8] >> (7 - x % 8)) & 1;
        gfx::Argb c = out.pixel(x, y);
        out.setPixel(x, y, transparent ? 0 : (c | 0xFF000000u));
      }
    }
  }
  return out;
}

}  // namespace

std::optional<PointerShape> CursorFile::parse(std::span<const std::uint8_t> bytes, std::string* error) {
  if (bytes.size() < kDirHeaderSize) return fail(error, "file too short");
  const std::uint16_t type = u16(bytes, 2);
  const std::uint16_t count = u16(bytes, 4);
  if (u16(bytes, 0) != 0 || (type != kTypeCursor && type != kTypeIcon)) return fail(error, "not a cursor file");
  if (count == 0) return fail(error, "no images");
  if (kDirHeaderSize + count * kDirEntrySize > bytes.size()) return fail(error, "directory truncated");

  // The largest entry wins (a width or height byte of 0 means 256).
  std::size_t best = 0;
  int bestArea = -1;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t e = kDirHeaderSize + i * kDirEntrySize;
    const int w = bytes[e] ? bytes[e] : 256;
    const int h = bytes[e + 1] ? bytes[e + 1] : 256;
    if (w * h > bestArea) {
      bestArea = w * h;
      best = e;
    }
  }
  const std::uint32_t size = u32(bytes, best + 8);
  const std::uint32_t offset = u32(bytes, best + 12);
  if (offset > bytes.size() || size > bytes.size() - offset || size == 0) return fail(error, "image out of the file");
  const auto img = bytes.subspan(offset, size);

  PointerShape shape;
  if (type == kTypeCursor) shape.hotSpot = {u16(bytes, best + 4), u16(bytes, best + 6)};
  if (img.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), img.begin())) {
    // The same size limit as a DIB image, read from the header before anything is decoded: a small
    // file must not make a cursor of a gigabyte.
    if (img.size() < kPngSizeAt + 8 || be32(img, kPngSizeAt) > kMaxSide || be32(img, kPngSizeAt + 4) > kMaxSide)
      return fail(error, "bad image size");
    auto decoded = gfx::decodeImage(img);
    if (!decoded.ok()) return fail(error, "bad PNG image");
    if (decoded.bitmap.width() > kMaxSide || decoded.bitmap.height() > kMaxSide) return fail(error, "bad image size");
    shape.image = std::move(decoded.bitmap);
  } else {
    auto dib = decodeDib(img, error);
    if (!dib) return std::nullopt;
    shape.image = std::move(*dib);
  }
  shape.hotSpot.x = std::clamp(shape.hotSpot.x, 0, shape.image.width() - 1);
  shape.hotSpot.y = std::clamp(shape.hotSpot.y, 0, shape.image.height() - 1);
  return shape;
}

}  // namespace platform
