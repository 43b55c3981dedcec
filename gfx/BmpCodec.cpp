#include "gfx/BmpCodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string>

#include "gfx/CodecBytes.h"

namespace gfx {
namespace {

using codec_bytes::readLe16;
using codec_bytes::readLe32;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderOffset = kFileHeaderSize;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kV3HeaderSize = 56;  // info header + RGB and alpha masks
constexpr std::uint32_t kOs2V2HeaderSize = 64;
constexpr std::uint32_t kV5HeaderSize = 124;
constexpr std::size_t kMaskBlockOffset = kInfoHeaderOffset + kInfoHeaderSize;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kAlphaBitFields = 6,
};

constexpr int kPaletteMax = 256;
constexpr Argb kOpaqueBlack = 0xFF000000u;

// One channel described by a bit mask, scaled to 0..255.
class MaskChannel {
 public:
  MaskChannel() = default;
  explicit MaskChannel(std::uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = std::bit_width(mask >> shift_);
  }
  bool present() const { return mask_ != 0; }
  unsigned extract(std::uint32_t pixel) const {
    if (mask_ == 0) return 0;
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return v >> (bits_ - 8);
    // Short fields widen by repeating their bits (5-bit 3 -> 24, 31 -> 255), as GDI and viewers do.
    unsigned wide = v << (8 - bits_);
    for (int s = bits_; s < 8; s += bits_) wide |= wide >> s;
    return wide & 0xFF;
  }

 private:
  std::uint32_t mask_ = 0;
  int shift_ = 0;
  int bits_ = 0;
};

struct Header {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;  // as stored: negative means top-down
  unsigned bitCount = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t coloursUsed = 0;
  std::size_t paletteEntrySize = 4;
};

DecodeResult failure(std::string why) {
  DecodeResult r;
  r.format = ImageFormat::Bmp;
  r.error = std::move(why);
  return r;
}

// Run-length coded 4 or 8-bit indices; pixels the stream skips stay transparent, as viewers show them.
void decodeRle(std::span<const std::uint8_t> data, bool fourBit, const std::array<Argb, kPaletteMax>& palette,
               bool topDown, Bitmap& out) {
  const int width = out.width();
  const int height = out.height();
  int x = 0;
  int fileRow = 0;
  std::size_t pos = 0;
  auto put = [&](unsigned index) {
    if (x < width && fileRow < height) {
      const int y = topDown ? fileRow : height - 1 - fileRow;
      out.row(y)[x] = palette[index];
    }
    ++x;
  };
  while (pos + 1 < data.size() && fileRow < height) {
    const unsigned count = data[pos];
    const unsigned value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < width; ++i) {
        put(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
      }
      continue;
    }
    constexpr unsigned kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2;
    if (value == kEndOfLine) {
      x = 0;
      ++fileRow;
    } else if (value == kEndOfBitmap) {
      break;
    } else if (value == kDelta) {
      if (pos + 1 >= data.size()) break;
      x += data[pos];
      fileRow += data[pos + 1];
      pos += 2;
    } else {  // absolute run of `value` indices, padded to a 16-bit boundary
      const std::size_t bytes = fourBit ? (value + 1) / 2 : value;
      if (pos + bytes > data.size()) break;
      for (unsigned i = 0; i < value && x < width; ++i) {
        put(fourBit ? ((i & 1) ? data[pos + i / 2] & 0x0F : data[pos + i / 2] >> 4) : data[pos + i]);
      }
      pos += bytes + (bytes & 1);
    }
  }
}

}  // namespace

DecodeResult BmpCodec::decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') {
    return failure("not a BMP file");
  }
  const std::uint32_t pixelOffset = readLe32(bytes, 10);
  Header h;
  h.size = readLe32(bytes, kInfoHeaderOffset);
  if (h.size == kCoreHeaderSize) {
    if (bytes.size() < kInfoHeaderOffset + kCoreHeaderSize) return failure("BMP header is truncated");
    h.width = readLe16(bytes, 18);
    h.height = readLe16(bytes, 20);
    h.bitCount = readLe16(bytes, 24);
    h.paletteEntrySize = 3;
  } else if (h.size >= kInfoHeaderSize && h.size <= kV5HeaderSize) {
    if (bytes.size() < kInfoHeaderOffset + h.size) return failure("BMP header is truncated");
    h.width = static_cast<std::int32_t>(readLe32(bytes, 18));
    h.height = static_cast<std::int32_t>(readLe32(bytes, 22));
    h.bitCount = readLe16(bytes, 28);
    h.compression = readLe32(bytes, 30);
    h.coloursUsed = readLe32(bytes, 46);
    // OS/2 2.x reuses 3 and 4 for Huffman and 24-bit RLE coding.
    if (h.size == kOs2V2HeaderSize && h.compression >= kBitFields) {
      return failure("OS/2 BMP compression " + std::to_string(h.compression) + " is not supported");
    }
  } else {
    return failure("unsupported BMP header size " + std::to_string(h.size));
  }

  const bool topDown = h.height < 0;
  const std::int64_t width = h.width;
  const std::int64_t height = topDown ? -h.height : h.height;
  if (!imageSizeAllowed(width, height)) {
    return failure("BMP size " + std::to_string(width) + "x" + std::to_string(height) + " is empty or too large");
  }

  const unsigned bpp = h.bitCount;
  const bool paletted = bpp == 1 || bpp == 4 || bpp == 8;
  const bool rle = h.compression == kRle8 || h.compression == kRle4;
  const bool bitFields = h.compression == kBitFields || h.compression == kAlphaBitFields;
  if (!paletted && bpp != 16 && bpp != 24 && bpp != 32) return failure("unsupported BMP bit count " + std::to_string(bpp));
  if (h.compression == kRle8 && bpp != 8) return failure("RLE8 BMP must have 8 bits per pixel");
  if (h.compression == kRle4 && bpp != 4) return failure("RLE4 BMP must have 4 bits per pixel");
  if (bitFields && bpp != 16 && bpp != 32) return failure("BMP bit fields need 16 or 32 bits per pixel");
  if (h.compression != kRgb && !rle && !bitFields) {
    return failure("unsupported BMP compression " + std::to_string(h.compression));
  }

  // Masks: inside V2+ headers, or right after a 40-byte header.
  std::size_t paletteOffset = kInfoHeaderOffset + h.size;
  MaskChannel red, green, blue, alpha;
  if (bitFields) {
    const std::size_t maskCount = (h.compression == kAlphaBitFields || h.size >= kV3HeaderSize) ? 4 : 3;
    if (h.size == kInfoHeaderSize) paletteOffset += maskCount * 4;
    if (bytes.size() < kMaskBlockOffset + maskCount * 4) return failure("BMP bit masks are truncated");
    red = MaskChannel(readLe32(bytes, kMaskBlockOffset));
    green = MaskChannel(readLe32(bytes, kMaskBlockOffset + 4));
    blue = MaskChannel(readLe32(bytes, kMaskBlockOffset + 8));
    if (maskCount == 4) alpha = MaskChannel(readLe32(bytes, kMaskBlockOffset + 12));
  } else if (bpp == 16) {
    red = MaskChannel(0x7C00);
    green = MaskChannel(0x03E0);
    blue = MaskChannel(0x001F);
  }

  std::array<Argb, kPaletteMax> palette;
  palette.fill(kOpaqueBlack);
  if (paletted) {
    std::size_t entries = std::size_t{1} << bpp;
    if (h.coloursUsed != 0 && h.coloursUsed < entries) entries = h.coloursUsed;
    // Tables cut short by the pixel offset or the file end leave the remaining entries black.
    std::size_t end = bytes.size();
    if (pixelOffset > paletteOffset && pixelOffset < end) end = pixelOffset;
    const std::size_t room = end > paletteOffset ? (end - paletteOffset) / h.paletteEntrySize : 0;
    entries = std::min(entries, room);
    for (std::size_t i = 0; i < entries; ++i) {
      const std::size_t at = paletteOffset + i * h.paletteEntrySize;
      palette[i] = makeArgb(255, bytes[at + 2], bytes[at + 1], bytes[at]);  // the fourth byte is unused
    }
  }

  if (pixelOffset >= bytes.size()) return failure("BMP pixel offset lies beyond the file");
  const std::span<const std::uint8_t> pixels = bytes.subspan(pixelOffset);
  Bitmap out(static_cast<int>(width), static_cast<int>(height));
  if (rle) {
    decodeRle(pixels, h.compression == kRle4, palette, topDown, out);
    DecodeResult r;
    r.format = ImageFormat::Bmp;
    r.bitmap = std::move(out);
    return r;
  }

  const std::uint64_t stride = ((static_cast<std::uint64_t>(bpp) * width + 31) / 32) * 4;
  if (stride * static_cast<std::uint64_t>(height) > pixels.size()) return failure("BMP pixel data is truncated");

  bool anyAlpha = false;
  for (std::int64_t fileRow = 0; fileRow < height; ++fileRow) {
    const std::uint8_t* src = pixels.data() + static_cast<std::size_t>(fileRow * stride);
    std::uint32_t* dst = out.row(static_cast<int>(topDown ? fileRow : height - 1 - fileRow));
    for (std::int64_t x = 0; x < width; ++x) {
      switch (bpp) {
        case 1: dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
        case 4: dst[x] = palette[(x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4]; break;
        case 8: dst[x] = palette[src[x]]; break;
        case 24: dst[x] = makeArgb(255, src[3 * x + 2], src[3 * x + 1], src[3 * x]); break;
        case 16:
        case 32: {
          const std::uint32_t v = bpp == 16 ? static_cast<std::uint32_t>(src[2 * x] | (src[2 * x + 1] << 8))
                                            : readLe32(std::span(src + 4 * x, 4), 0);
          if (!bitFields && bpp == 32) {  // BI_RGB: the fourth byte is not alpha, as GDI treats it
            dst[x] = makeArgb(255, src[4 * x + 2], src[4 * x + 1], src[4 * x]);
            break;
          }
          const unsigned a = alpha.present() ? alpha.extract(v) : 255;
          anyAlpha = anyAlpha || a != 0;
          dst[x] = makeArgb(a, red.extract(v), green.extract(v), blue.extract(v));
          break;
        }
        default: break;
      }
    }
  }
  if (alpha.present()) {
    // Many writers declare an alpha mask and leave it zero: such a picture is meant opaque.
    const std::size_t count = static_cast<std::size_t>(width * height);
    std::uint32_t* p = out.data();
    for (std::size_t i = 0; i < count; ++i) p[i] = anyAlpha ? premultiply(p[i]) : (p[i] | kOpaqueBlack);
  }
  DecodeResult r;
  r.format = ImageFormat::Bmp;
  r.bitmap = std::move(out);
  return r;
}

std::vector<std::uint8_t> BmpCodec::encode(const Bitmap& bitmap) {
  using codec_bytes::appendLe16;
  using codec_bytes::appendLe32;
  if (bitmap.empty()) return {};
  constexpr std::uint16_t kBitCount = 24;
  constexpr std::uint32_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;
  const std::uint32_t width = static_cast<std::uint32_t>(bitmap.width());
  const std::uint32_t height = static_cast<std::uint32_t>(bitmap.height());
  const std::uint32_t stride = ((kBitCount * width + 31) / 32) * 4;
  const std::uint32_t imageSize = stride * height;

  std::vector<std::uint8_t> out;
  out.reserve(kHeadersSize + imageSize);
  out.push_back('B');
  out.push_back('M');
  appendLe32(out, kHeadersSize + imageSize);
  appendLe32(out, 0);  // reserved
  appendLe32(out, kHeadersSize);
  appendLe32(out, kInfoHeaderSize);
  appendLe32(out, width);
  appendLe32(out, height);  // positive: bottom-up rows
  appendLe16(out, 1);       // planes
  appendLe16(out, kBitCount);
  appendLe32(out, kRgb);
  appendLe32(out, imageSize);
  appendLe32(out, 0);  // horizontal resolution: unspecified
  appendLe32(out, 0);  // vertical resolution
  appendLe32(out, 0);  // colours used
  appendLe32(out, 0);  // important colours

  const std::size_t padding = stride - 3 * width;
  for (int y = bitmap.height() - 1; y >= 0; --y) {
    const std::uint32_t* src = bitmap.row(y);
    for (std::uint32_t x = 0; x < width; ++x) {
      out.push_back(blueOf(src[x]));
      out.push_back(greenOf(src[x]));
      out.push_back(redOf(src[x]));
    }
    out.insert(out.end(), padding, 0);
  }
  return out;
}

}  // namespace gfx
