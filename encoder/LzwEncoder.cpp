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

// The string table, (prefix code, pixel) -> code. The output depends only on which strings it holds, so
// it is built for speed: linear probing over 8192 slots (at most 3838 strings live between clears, so
// probes stay short) with a multiplicative hash. A slot belongs to the table only while it carries the
// current generation, which makes a clear one increment instead of a fill.
class Dictionary {
 public:
  struct Lookup {
    bool found;
    std::uint32_t slot;
  };

  Dictionary() { slots_.fill({}); }

  Lookup find(unsigned prefix, unsigned pixel) const {
    const std::uint32_t key = (prefix << kPixelBits) | pixel;
    const std::uint32_t tag = (generation_ << kKeyBits) | key;
    std::uint32_t h = (key * kHashMultiplier) >> (32 - kSlotBits);
    while (true) {
      const std::uint32_t t = slots_[h].tag;
      if (t == tag) return {true, h};
      if ((t >> kKeyBits) != generation_) return {false, h};
      h = (h + 1) & kSlotMask;
    }
  }
  std::uint16_t code(std::uint32_t slot) const { return slots_[slot].code; }
  // Stores a string in the empty slot find() pointed at.
  void insert(std::uint32_t slot, unsigned prefix, unsigned pixel, unsigned code) {
    slots_[slot] = {(generation_ << kKeyBits) | (prefix << kPixelBits) | pixel, static_cast<std::uint16_t>(code)};
  }
  void clear() {
    if (++generation_ == kGenerations) {
      slots_.fill({});
      generation_ = 1;
    }
  }

 private:
  static constexpr int kPixelBits = 8;
  static constexpr int kKeyBits = LzwEncoder::kMaxCodeWidth + kPixelBits;  // prefix code and pixel
  static constexpr std::uint32_t kGenerations = 1u << (32 - kKeyBits);
  static constexpr int kSlotBits = 13;
  static constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;
  static constexpr std::uint32_t kHashMultiplier = 0x9E3779B1u;  // 2^32 / golden ratio

  struct Slot {
    std::uint32_t tag;  // generation above the key; a stale generation marks a free slot
    std::uint16_t code;
  };
  std::array<Slot, std::size_t{1} << kSlotBits> slots_;
  std::uint32_t generation_ = 1;
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
      const Dictionary::Lookup hit = dict->find(prefix, pixel);
      if (hit.found) {
        prefix = dict->code(hit.slot);
        continue;
      }
      out.emit(prefix, codeWidth);
      const unsigned assigned = nextCode;
      if (assigned < kMaxCodes) {
        dict->insert(hit.slot, prefix, pixel, assigned);
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
