// A typical window composition: a 350 x 250 surface with gradient bands, a stretched picture, ten
// nine-grid cells and captions, drawn and then read back pixel by pixel as the layered-window push does.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/draw/ImageDraw.h"
#include "engine/draw/ShapeDraw.h"
#include "engine/draw/Surface.h"
#include "engine/draw/TextDraw.h"

namespace {

constexpr int kWidth = 350, kHeight = 250, kCells = 10;

gfx::Bitmap makePicture() {
  gfx::Bitmap b(120, 80);
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x) b.setPixel(x, y, gfx::makeArgb(255, x * 2, y * 3, 255 - x));
  return b;
}

gfx::Bitmap makeCell() {
  gfx::Bitmap b(13, 28, 0xFF6080A0);
  for (int y = 5; y < 20; ++y)
    for (int x = 5; x < 8; ++x) b.setPixel(x, y, 0xFFE0E8F0);
  return b;
}

void BM_ComposeWindow(benchmark::State& state) {
  const gfx::Bitmap picture = makePicture(), cell = makeCell();
  const gfx::Font font("微软雅黑", 13);
  gfx::StringFormat centred;
  centred.setAlignment(gfx::StringAlignment::Center);
  centred.setLineAlignment(gfx::StringAlignment::Center);
  engine::Surface surface(kWidth, kHeight);
  gfx::Graphics& g = surface.graphics();
  g.setTextRenderingHint(gfx::TextRenderingHint::SingleBitPerPixelGridFit);
  std::uint64_t checksum = 0;
  for (auto _ : state) {
    g.clear(0);
    engine::FillGradient(g, {0, 0, kWidth, 35}, 0x64FFFFFF, 0xC8FFFFFF);
    engine::FillGradient(g, {0, 35, kWidth, kHeight - 75}, 0xC8FFFFFF, 0xE6FFFFFF);
    engine::FillGradient(g, {0, kHeight - 40, kWidth, 40}, 0xE6FFFFFF, 0xFFFFFFFF);
    engine::DrawImageFill(g, picture, {20, 40, 200, 120}, std::nullopt, engine::kFillStretch);
    for (int i = 0; i < kCells; ++i) {
      const gfx::RectF r{10.0f + (i % 5) * 66.0f, 170.0f + (i / 5) * 36.0f, 60, 30};
      engine::DrawImageFill(g, cell, r, std::nullopt, engine::kFillNineGrid, {5, 5, 3, 15});
      engine::DrawTextEx(g, 0xFF000000, r, u"按钮", font, &centred, engine::kTextEffectNone);
    }
    engine::DrawTextEx(g, 0xC8800080, {5, 5, 340, 25}, u"当前未选择录制区域!", font, nullptr, engine::kTextEffectNone);
    engine::DrawRectOutline(g, {0, 0, kWidth, kHeight}, engine::kOutlineSolid, 0x32646464);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) checksum += surface.alphaAt(x, y);
  }
  benchmark::DoNotOptimize(checksum);
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ComposeWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
