// Any bytes through the GIF reader: load and scan, every frame's record, colour tables and BMP export, and
// the in-place edits. Besides the sanitizers' checks, an exported BMP must describe itself correctly.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "encoder/GifReader.h"

namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  encoder::GifReader reader;
  reader.Create();
  const std::span<const std::uint8_t> bytes(data, size);
  const bool loaded = reader.LoadGif(std::nullopt, bytes);
  const encoder::AnimationInfo info = reader.GetGifInfo();
  check(loaded || info.FrameCount == 0);
  reader.GetPalette(0, 0);
  reader.GetPalette(0, 255);

  for (int n = 1; n <= info.FrameCount; ++n) {
    const encoder::FrameInfo frame = reader.GetFrameInfo(n);
    reader.GetPalette(n, 0);
    // Forged sizes up to the reader's limit are legal but make each run slow; the limit itself is tested
    // elsewhere, so exports stay small here and the fuzzer gets more runs.
    constexpr std::size_t kMaxFuzzPixels = std::size_t{1} << 20;
    if (std::size_t{frame.Width} * frame.Depth > kMaxFuzzPixels) continue;
    const std::vector<std::uint8_t> bmp = reader.GetGifData(n);
    if (!bmp.empty()) {
      constexpr std::size_t kHeaders = 54;
      check(bmp.size() >= kHeaders && bmp[0] == 'B' && bmp[1] == 'M');
      check(u32At(bmp, 2) == bmp.size() && u32At(bmp, 10) <= bmp.size());
      check(u32At(bmp, 18) == frame.Width && u32At(bmp, 22) == frame.Depth);
    }
    reader.SetFrameInfo(frame, n);
  }
  // Edits write bytes in place and never change the length.
  reader.SetGifInfo(info);
  reader.SetPalette(0, 1, 0x123456);
  if (info.FrameCount > 0) reader.SetPalette(1, 1, 0x654321);
  const std::vector<std::uint8_t> after = reader.GetGifData(0);
  check(after.empty() || after.size() == size);
  return 0;
}
