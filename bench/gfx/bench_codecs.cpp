// Picture codec speed on a full-HD screen-sized picture.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/ImageCodec.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Screen-like content: flat areas, soft gradients and busy text-like stripes.
const gfx::Bitmap& screenPicture() {
  static const gfx::Bitmap picture = [] {
    gfx::Bitmap b(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        gfx::Argb c = gfx::makeArgb(255, 240, 240, 240);
        if (y < 40) c = gfx::makeArgb(255, 30, 60 + y, 120 + x / 16);
        else if (x > 300 && x < 1500 && (y / 18) % 2 == 0 && ((x * 7 + y * 3) % 11) < 4) c = gfx::makeArgb(255, 20, 20, 20);
        else if (x >= 1500) c = gfx::makeArgb(255, x / 8, y / 5, (x + y) / 12);
        b.setPixel(x, y, c);
      }
    }
    return b;
  }();
  return picture;
}

void BM_DecodeJpeg(benchmark::State& state) {
  const std::vector<std::uint8_t> file = gfx::encodeJpeg(screenPicture(), 90);
  for (auto _ : state) benchmark::DoNotOptimize(gfx::decodeImage(file));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_EncodeJpegQuality100(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(gfx::encodeJpeg(screenPicture(), 100));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_EncodeJpegQuality100)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
  const std::vector<std::uint8_t> file = gfx::encodePng(screenPicture());
  for (auto _ : state) benchmark::DoNotOptimize(gfx::decodeImage(file));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);

void BM_EncodePng(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(gfx::encodePng(screenPicture()));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

void BM_DecodeBmp(benchmark::State& state) {
  const std::vector<std::uint8_t> file = gfx::encodeBmp(screenPicture());
  for (auto _ : state) benchmark::DoNotOptimize(gfx::decodeImage(file));
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
