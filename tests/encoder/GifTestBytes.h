#pragma once
// Hand-made GIF files for the reader's tests, and a small BMP parser for the frames it exports.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "encoder/LzwEncoder.h"
#include "encoder/OutputSink.h"

namespace testing_gif {

using Bytes = std::vector<std::uint8_t>;

// Builds a GIF block by block; every method appends exactly the bytes it names.
class GifBytes {
 public:
  // Header and logical screen; globalBits 0 = no global table, else a table of 2^globalBits entries whose
  // entry i is (i, 2i, 3i) mod 256.
  GifBytes& header(std::uint16_t w, std::uint16_t h, int globalBits, std::uint8_t bg = 0,
                   std::string_view signature = "GIF89a") {
    raw(signature);
    u16(w);
    u16(h);
    bytes.push_back(globalBits ? std::uint8_t(0x80 | 0x70 | (globalBits - 1)) : 0);
    bytes.push_back(bg);
    bytes.push_back(0);
    table(globalBits);
    return *this;
  }
  GifBytes& control(std::uint8_t packed, std::uint16_t delay, std::uint8_t transparentIndex) {
    raw({0x21, 0xF9, 0x04, packed});
    u16(delay);
    raw({transparentIndex, 0x00});
    return *this;
  }
  GifBytes& loop(std::uint16_t count) {
    raw({0x21, 0xFF, 0x0B});
    raw("NETSCAPE2.0");
    raw({0x03, 0x01});
    u16(count);
    bytes.push_back(0);
    return *this;
  }
  // A comment in one sub-block per text.
  GifBytes& comment(std::initializer_list<std::string_view> texts) {
    raw({0x21, 0xFE});
    for (std::string_view t : texts) {
      bytes.push_back(std::uint8_t(t.size()));
      raw(t);
    }
    bytes.push_back(0);
    return *this;
  }
  // An image whose pixels (top row first) are LZW coded with a minimum code size of max(codeBits, 2);
  // localBits 0 = no local table.
  GifBytes& image(std::uint16_t left, std::uint16_t top, std::uint16_t w, std::uint16_t h, int localBits,
                  bool interlace, std::span<const std::uint8_t> pixels, int codeBits = 8) {
    descriptor(left, top, w, h, localBits, interlace);
    table(localBits);
    Bytes bottomUp;
    for (int y = h - 1; y >= 0; --y)
      bottomUp.insert(bottomUp.end(), pixels.begin() + std::ptrdiff_t(y) * w, pixels.begin() + std::ptrdiff_t(y + 1) * w);
    encoder::MemorySink sink;
    encoder::LzwEncoder::encode(bottomUp.data(), w, h, w, codeBits, interlace, sink);
    raw(std::span<const std::uint8_t>(sink.bytes()));
    bytes.push_back(0);
    return *this;
  }
  // An image descriptor with its local table but no image data.
  GifBytes& descriptor(std::uint16_t left, std::uint16_t top, std::uint16_t w, std::uint16_t h, int localBits,
                       bool interlace) {
    bytes.push_back(0x2C);
    u16(left);
    u16(top);
    u16(w);
    u16(h);
    bytes.push_back(std::uint8_t((localBits ? 0x80 | (localBits - 1) : 0) | (interlace ? 0x40 : 0)));
    return *this;
  }
  GifBytes& table(int bits) {
    if (bits)
      for (int i = 0; i < (1 << bits); ++i) raw({std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i)});
    return *this;
  }
  GifBytes& raw(std::initializer_list<std::uint8_t> b) { return raw(std::span<const std::uint8_t>(b.begin(), b.size())); }
  GifBytes& raw(std::span<const std::uint8_t> b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  GifBytes& raw(std::string_view s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  GifBytes& u16(std::uint16_t v) { return raw({std::uint8_t(v & 0xFF), std::uint8_t(v >> 8)}); }
  GifBytes& trailer() { return raw({0x3B}); }

  Bytes bytes;
};

// The colour of entry i of the tables GifBytes writes, in the reader's red + green*256 + blue*65536 form.
inline int builtColour(int i) { return (i & 0xFF) | ((2 * i & 0xFF) << 8) | ((3 * i & 0xFF) << 16); }

// An indexed BMP as the reader exports it.
struct ParsedBmp {
  bool ok = false;
  int width = 0, height = 0, bits = 0;
  std::vector<std::uint32_t> table;      // 0x00RRGGBB
  std::vector<std::uint8_t> indices;     // top row first
  std::uint32_t rgb(int x, int y) const { return table.at(indices.at(std::size_t(y) * width + x)); }
};

inline ParsedBmp parseBmp(std::span<const std::uint8_t> b) {
  auto u16 = [&](std::size_t at) { return std::uint32_t(b[at] | b[at + 1] << 8); };
  auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  ParsedBmp bmp;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || u32(2) != b.size() || u32(14) != 40) return bmp;
  bmp.width = int(u32(18));
  bmp.height = int(u32(22));
  bmp.bits = int(u16(28));
  const std::uint32_t offset = u32(10);
  const std::size_t entries = std::size_t(1) << bmp.bits;
  if (offset != 54 + 4 * entries || u16(26) != 1 || u32(30) != 0) return bmp;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t at = 54 + 4 * i;
    bmp.table.push_back(std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 1]) << 8 | b[at]);
  }
  const std::size_t stride = (std::size_t(bmp.width) * bmp.bits + 31) / 32 * 4;
  if (offset + stride * bmp.height != b.size()) return bmp;
  bmp.indices.resize(std::size_t(bmp.width) * bmp.height);
  for (int y = 0; y < bmp.height; ++y) {
    const std::uint8_t* row = b.data() + offset + stride * std::size_t(bmp.height - 1 - y);
    for (int x = 0; x < bmp.width; ++x) {
      const int bitPos = x * bmp.bits;
      const int shift = 8 - bmp.bits - bitPos % 8;
      bmp.indices[std::size_t(y) * bmp.width + x] = std::uint8_t((row[bitPos / 8] >> shift) & ((1 << bmp.bits) - 1));
    }
  }
  bmp.ok = true;
  return bmp;
}

}  // namespace testing_gif
