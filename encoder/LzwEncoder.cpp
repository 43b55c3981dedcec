#include "encoder/LzwEncoder.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace encoder {

namespace {

// Packs codes least significant bit first into 255-byte sub-blocks and stages the sub-blocks so the
// sink sees writes of up to 32768 bytes.
class CodeWriter {
 public:
  explicit CodeWriter(OutputSink& sink) : sink_(sink), staging_(LzwEncoder::kStagingSize) {}

  void emit(unsigned code, int width) {
    accumulator_ |= static_cast<std::uint32_t>(code) << bitCount_;
    bitCount_ += width;
    while (bitCount_ >= 8) {
      pushByte(static_cast<std::uint8_t>(accumulator_));
      accumulator_ >>= 8;
      bitCount_ -= 8;
    }
  }

  // Moves out the last partial byte and sub-block, then hands every staged byte to the sink.
  void finish() {
    if (bitCount_ > 0) {
      pushByte(static_cast<std::uint8_t>(accumulator_));
      accumulator_ = 0;
      bitCount_ = 0;
    }
    if (subBlockLength_ > 1) moveSubBlockOut();
    flushStaging();
  }

 private:
  void pushByte(std::uint8_t b) {
    subBlock_[subBlockLength_++] = b;
    if (subBlockLength_ > kMaxData) moveSubBlockOut();
  }

  void moveSubBlockOut() {
    if (staged_ + LzwEncoder::kSubBlockSize >= LzwEncoder::kStagingSize) flushStaging();
    subBlock_[0] = static_cast<std::uint8_t>(subBlockLength_ - 1);
    std::memcpy(staging_.data() + staged_, subBlock_.data(), subBlockLength_);
    staged_ += subBlockLength_;
    subBlockLength_ = 1;
  }

  void flushStaging() {
    if (staged_ == 0) return;
    sink_.write(std::span(staging_.data(), staged_));
    staged_ = 0;
  }

  static constexpr int kMaxData = 255;
  OutputSink& sink_;
  std::vector<std::uint8_t> staging_;
  std::size_t staged_ = 0;
  std::array<std::uint8_t, LzwEncoder::kSubBlockSize> subBlock_{};
  int subBlockLength_ = 1;  // index 0 is the length byte
  std::uint32_t accumulator_ = 0;
  int bitCount_ = 0;
};

// The string table: open addressing over a prime number of slots, keyed by (prefix code, pixel).
struct Dictionary {
  std::array<std::uint16_t, LzwEncoder::kHashSize> code;
  std::array<std::uint16_t, LzwEncoder::kHashSize> prefix;
  std::array<std::uint8_t, LzwEncoder::kHashSize> suffix;
  void clear() { code.fill(LzwEncoder::kEmptySlot); }
};

}  // namespace

std::vector<int> LzwEncoder::rowOrder(int height, bool interlace) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(std::max(height, 0)));
  if (!interlace) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int kStart[] = {0, 4, 2, 1};
  constexpr int kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

void LzwEncoder::encode(const std::uint8_t* bottomUpRows, int width, int height, int stride, int bitsPerPixel,
                        bool interlace, OutputSink& sink) {
  const int minCodeSize = std::max(bitsPerPixel, 2);
  const std::uint8_t sizeByte = static_cast<std::uint8_t>(minCodeSize);
  sink.write(std::span(&sizeByte, 1));

  const unsigned clearCode = 1u << minCodeSize;
  const unsigned endCode = clearCode + 1;
  unsigned nextCode = clearCode + 2;
  int codeWidth = minCodeSize + 1;
  unsigned widthLimit = 1u << codeWidth;

  auto dict = std::make_unique<Dictionary>();
  dict->clear();
  CodeWriter out(sink);
  out.emit(clearCode, codeWidth);

  bool started = false;
  unsigned prefix = 0;
  for (const int y : rowOrder(height, interlace)) {
    const std::uint8_t* row = bottomUpRows + static_cast<std::size_t>(height - 1 - y) * stride;
    int x = 0;
    if (!started) {
      if (width <= 0) break;
      prefix = row[0];
      x = 1;
      started = true;
    }
    for (; x < width; ++x) {
      const unsigned pixel = row[x];
      int h = static_cast<int>(((pixel << 4) ^ prefix) & 0xFFFF);
      const int step = h == 0 ? 1 : kHashSize - h;
      bool found = false;
      while (dict->code[h] != kEmptySlot) {
        if (dict->prefix[h] == prefix && dict->suffix[h] == pixel) {
          found = true;
          break;
        }
        h -= step;
        if (h < 0) h += kHashSize;
      }
      if (found) {
        prefix = dict->code[h];
        continue;
      }
      out.emit(prefix, codeWidth);
      const unsigned assigned = nextCode;
      if (assigned < kMaxCodes) {
        dict->code[h] = static_cast<std::uint16_t>(assigned);
        dict->prefix[h] = static_cast<std::uint16_t>(prefix);
        dict->suffix[h] = static_cast<std::uint8_t>(pixel);
        nextCode = assigned + 1;
      }
      if (assigned == widthLimit) {
        if (codeWidth < kMaxCodeWidth) {
          ++codeWidth;
          widthLimit <<= 1;
        } else {
          // The table is full: start over with a clear code at the full width.
          out.emit(clearCode, kMaxCodeWidth);
          codeWidth = minCodeSize + 1;
          widthLimit = 1u << codeWidth;
          nextCode = clearCode + 2;
          dict->clear();
        }
      }
      prefix = pixel;
    }
  }
  if (started) out.emit(prefix, codeWidth);
  out.emit(endCode, codeWidth);
  out.finish();
}

}  // namespace encoder
