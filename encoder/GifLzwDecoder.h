#pragma once
// The one GIF LZW decoder of the program: the GIF reader and the GIF picture decoder both use it.
// Hostile input is normal input here: every code is checked, output never runs past `out`.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace encoder {

struct LzwDecodeResult {
  std::size_t pixels = 0;  // indices written to `out` (the rest of `out` is left as it was)
  bool complete = false;   // `out` was filled, or an end-of-information code ended the data cleanly
  std::string error;       // empty, or what was wrong with the data (English)
};

// Decodes the joined data of a table-based image. minCodeSize is the byte before the sub-blocks
// (valid 1..11; a value outside gives an error and no pixels); indices are written in stream order
// (the caller undoes interlacing).
LzwDecodeResult decodeGifLzw(int minCodeSize, std::span<const std::uint8_t> data, std::span<std::uint8_t> out);

// Joins the data sub-blocks that start at bytes[pos] (length byte, data, ..., 0 terminator) into `out`
// and moves pos past the terminator. Returns false when the chain runs past the end of `bytes`
// (what could be read is still appended and pos ends at bytes.size()).
bool readSubBlocks(std::span<const std::uint8_t> bytes, std::size_t& pos, std::vector<std::uint8_t>& out);

}  // namespace encoder
