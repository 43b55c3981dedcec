// The same indexed frames coded by our LZW coder and by giflib's encoder, for bench/compare-giflib.sh.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include "BenchContent.h"
#include "encoder/ColorReducer.h"
#include "encoder/LzwEncoder.h"

namespace {

encoder::FrameImage frameFor(int content) {
  const gfx::Bitmap bmp = content == 0 ? bench_content::screenLike(1920, 1080) : bench_content::noise(1920, 1080);
  return encoder::ColorReducer::reduceByPopularity(bmp);
}

class NullSink final : public encoder::OutputSink {
 public:
  void write(std::span<const std::uint8_t> bytes) override { benchmark::DoNotOptimize(bytes.data()); }
};

void BM_Ours(benchmark::State& state) {
  const auto image = frameFor(int(state.range(0)));
  NullSink sink;
  for (auto _ : state) encoder::LzwEncoder::encode(image, false, sink);
}

int discard(GifFileType*, const GifByteType* bytes, int n) {
  benchmark::DoNotOptimize(bytes);
  return n;
}

void BM_Giflib(benchmark::State& state) {
  const auto image = frameFor(int(state.range(0)));
  std::vector<GifColorType> colours(256);
  ColorMapObject* map = GifMakeMapObject(256, colours.data());
  for (auto _ : state) {
    int err = 0;
    GifFileType* gif = EGifOpen(nullptr, discard, &err);
    EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr);
    for (int y = 0; y < image.height(); ++y)
      EGifPutLine(gif, const_cast<GifPixelType*>(image.row(y)), image.width());
    EGifCloseFile(gif, &err);
  }
  GifFreeMapObject(map);
}

BENCHMARK(BM_Ours)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Giflib)->Arg(0)->Arg(1)->ArgName("noise")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
