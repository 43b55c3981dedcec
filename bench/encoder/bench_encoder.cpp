// Encoder throughput: colour reduction, LZW coding, AddFrame of a full-HD JPEG, SaveGif of 100 frames.
#include <benchmark/benchmark.h>

#include "BenchContent.h"
#include "encoder/ColorReducer.h"
#include "encoder/GifMaker.h"
#include "encoder/LzwEncoder.h"
#include "gfx/ImageCodec.h"

namespace {

using encoder::ColorReducer;

class NullSink final : public encoder::OutputSink {
 public:
  void write(std::span<const std::uint8_t> bytes) override { benchmark::DoNotOptimize(bytes.data()); }
};

void setPixelRate(benchmark::State& state, int w, int h) {
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(w) * h * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

template <bool Noise>
void BM_ReduceByPopularity(benchmark::State& state) {
  const gfx::Bitmap bmp = Noise ? bench_content::noise(1920, 1080) : bench_content::screenLike(1920, 1080);
  for (auto _ : state) benchmark::DoNotOptimize(ColorReducer::reduceByPopularity(bmp));
  setPixelRate(state, 1920, 1080);
}
BENCHMARK(BM_ReduceByPopularity<false>)->Name("ReduceByPopularity/screen/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReduceByPopularity<true>)->Name("ReduceByPopularity/noise/1920x1080")->Unit(benchmark::kMillisecond);

void BM_ReduceByDither(benchmark::State& state) {
  const gfx::Bitmap bmp = bench_content::noise(1920, 1080);
  for (auto _ : state) benchmark::DoNotOptimize(ColorReducer::reduceByDither(bmp));
  setPixelRate(state, 1920, 1080);
}
BENCHMARK(BM_ReduceByDither)->Name("ReduceByDither/1920x1080")->Unit(benchmark::kMillisecond);

template <bool Noise>
void BM_Lzw(benchmark::State& state) {
  const gfx::Bitmap bmp = Noise ? bench_content::noise(1920, 1080) : bench_content::screenLike(1920, 1080);
  const encoder::FrameImage image = ColorReducer::reduceByPopularity(bmp);
  NullSink sink;
  for (auto _ : state) encoder::LzwEncoder::encode(image, false, sink);
  setPixelRate(state, 1920, 1080);
}
BENCHMARK(BM_Lzw<false>)->Name("LzwEncode/screen/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lzw<true>)->Name("LzwEncode/noise/1920x1080")->Unit(benchmark::kMillisecond);

// One recording tick's encoder half: a 1920x1080 JPEG (quality 100, as captured) becomes a frame.
void BM_AddFrameFullHdJpeg(benchmark::State& state) {
  const auto jpeg = gfx::encodeJpeg(bench_content::screenLike(1920, 1080), 100);
  encoder::GifMaker maker;
  encoder::FrameInfo frame;
  frame.Dither = state.range(0) != 0;
  maker.Create({});
  for (auto _ : state) {
    if (!maker.AddFrame(frame, std::nullopt, jpeg)) state.SkipWithError(maker.GetError().c_str());
    if (maker.frameCount() >= 20) {
      state.PauseTiming();
      maker.Reset();
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_AddFrameFullHdJpeg)->Arg(0)->Arg(1)->ArgName("dither")->Unit(benchmark::kMillisecond);

void BM_SaveGif100Frames(benchmark::State& state) {
  encoder::GifMaker maker;
  maker.Create({});
  for (int i = 0; i < 100; ++i) {
    const auto bmp = gfx::encodeBmp(bench_content::screenLike(640, 480, i));
    maker.AddFrame({}, std::nullopt, bmp);
  }
  const std::string path = "/tmp/morogif-bench-save.gif";
  for (auto _ : state)
    if (!maker.SaveGif(path)) state.SkipWithError(maker.GetError().c_str());
  std::remove(path.c_str());
}
BENCHMARK(BM_SaveGif100Frames)->Name("SaveGif/100x640x480")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
