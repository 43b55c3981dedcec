#pragma once
// The GIF89a block layout: the one set of names for its introducers, labels, flags and sizes, shared by
// the writer, the reader and the picture decoder.
#include <cstddef>
#include <cstdint>

namespace encoder::gif_format {

constexpr std::size_t kHeaderBytes = 13;      // signature, version and logical screen descriptor
constexpr std::size_t kDescriptorBytes = 10;  // separator, left, top, width, height, packed byte
constexpr std::size_t kBytesPerColour = 3;

constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kBlockTerminator = 0x00;

constexpr std::uint8_t kGraphicControlLabel = 0xF9;
constexpr std::uint8_t kApplicationLabel = 0xFF;
constexpr std::uint8_t kCommentLabel = 0xFE;
constexpr std::uint8_t kGraphicControlBytes = 4;  // packed byte, delay, transparent colour index

// Packed bytes of the screen and image descriptors.
constexpr std::uint8_t kColourTableFlag = 0x80;
constexpr std::uint8_t kInterlaceFlag = 0x40;
constexpr std::uint8_t kTableSizeMask = 0x07;  // table size is 2^(field + 1)

// Packed byte of the graphic control extension.
constexpr std::uint8_t kTransparentFlag = 0x01;
constexpr int kDisposalShift = 2;
constexpr std::uint8_t kDisposalMask = 0x07;

constexpr std::size_t kMaxSubBlockBytes = 255;

}  // namespace encoder::gif_format
