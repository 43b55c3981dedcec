#include "encoder/GifLzwDecoder.h"

#include <array>
#include <cstring>

namespace encoder {
namespace {

constexpr int kMinCodeSizeLow = 1;
constexpr int kMinCodeSizeHigh = 11;
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;  // 4096 codes
constexpr int kMaxIndex = 255;                 // indices are stored in bytes

// Every string in the table is a copy of output already written: a code added after code `old` is
// old's string followed by the first index of the next string, and those two strings lie next to each
// other in the output. So an entry is just (where it starts in `out`, how long it is) and emitting a
// code is a copy within `out` - no per-code allocation and no prefix-chain walks.
struct Entry {
  std::uint32_t start = 0;
  std::uint32_t length = 0;
};

// LSB-first code reader over the joined sub-block data.
class CodeReader {
 public:
  explicit CodeReader(std::span<const std::uint8_t> data) : data_(data) {}

  // False when fewer than `bits` bits are left.
  bool read(int bits, int& code) {
    while (count_ < bits) {
      if (pos_ >= data_.size()) return false;
      acc_ |= static_cast<std::uint32_t>(data_[pos_++]) << count_;
      count_ += 8;
    }
    code = static_cast<int>(acc_ & ((1u << bits) - 1));
    acc_ >>= bits;
    count_ -= bits;
    return true;
  }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

}  // namespace

LzwDecodeResult decodeGifLzw(int minCodeSize, std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
  LzwDecodeResult result;
  if (minCodeSize < kMinCodeSizeLow || minCodeSize > kMinCodeSizeHigh) {
    result.error = "LZW minimum code size " + std::to_string(minCodeSize) + " is outside 1..11";
    return result;
  }
  if (out.empty()) {
    result.complete = true;
    return result;
  }

  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  std::array<Entry, kTableSize> table{};
  int codeBits = minCodeSize + 1;
  int nextCode = endCode + 1;
  int previous = -1;  // no previous code right after a clear
  Entry previousEntry;
  std::size_t written = 0;
  const std::size_t capacity = out.size();
  CodeReader reader(data);

  // A stream that does not start with a clear code is decoded as if it did, as common decoders do.
  for (;;) {
    int code = 0;
    if (!reader.read(codeBits, code)) {
      result.error = "LZW data ends after " + std::to_string(written) + " of " + std::to_string(capacity) + " pixels";
      break;
    }
    if (code == clearCode) {
      codeBits = minCodeSize + 1;
      nextCode = endCode + 1;
      previous = -1;
      continue;
    }
    if (code == endCode) {
      result.complete = true;
      break;
    }

    Entry current;
    if (code < clearCode) {
      if (code > kMaxIndex) {
        result.error = "LZW literal " + std::to_string(code) + " does not fit a colour index";
        break;
      }
      current = {static_cast<std::uint32_t>(written), 1};
      out[written] = static_cast<std::uint8_t>(code);
    } else if (code < nextCode || (code == nextCode && previous >= 0 && nextCode < kTableSize)) {
      // code > endCode here; code == nextCode is the code being defined right now: the previous
      // string plus its own first index.
      current = code < nextCode ? table[static_cast<std::size_t>(code)]
                                : Entry{previousEntry.start, previousEntry.length + 1};
      const std::size_t room = capacity - written;
      const std::size_t length = current.length < room ? current.length : room;
      std::uint8_t* dst = out.data() + written;
      const std::uint8_t* src = out.data() + current.start;
      if (code == nextCode && length == current.length) {
        // The source runs into the destination by its last index, which repeats the first.
        std::memcpy(dst, src, length - 1);
        dst[length - 1] = *src;
      } else {
        std::memcpy(dst, src, length);
      }
      current.start = static_cast<std::uint32_t>(written);
      if (length < current.length) {  // `out` is full; the rest of the string has no place
        written = capacity;
        result.complete = true;
        break;
      }
    } else {
      result.error = "LZW code " + std::to_string(code) + " is beyond the table (next free " +
                     std::to_string(nextCode) + ")";
      break;
    }

    // A full table keeps decoding with 12-bit codes and adds nothing until the next clear code.
    if (previous >= 0 && nextCode < kTableSize) {
      table[static_cast<std::size_t>(nextCode)] = {previousEntry.start, previousEntry.length + 1};
      ++nextCode;
    }
    if (nextCode == (1 << codeBits) && codeBits < kMaxCodeBits) ++codeBits;
    previous = code;
    previousEntry = current;
    written += current.length;
    if (written == capacity) {
      result.complete = true;
      break;
    }
  }
  result.pixels = written;
  return result;
}

bool readSubBlocks(std::span<const std::uint8_t> bytes, std::size_t& pos, std::vector<std::uint8_t>& out) {
  while (pos < bytes.size()) {
    const std::size_t length = bytes[pos++];
    if (length == 0) return true;
    const std::size_t available = bytes.size() - pos;
    const std::size_t take = length < available ? length : available;
    out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(pos),
               bytes.begin() + static_cast<std::ptrdiff_t>(pos + take));
    pos += take;
    if (take < length) return false;
  }
  return false;
}

}  // namespace encoder
