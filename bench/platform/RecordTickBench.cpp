// One recording tick as the recorder runs it: grab the rectangle from the X screen, encode it as a
// JPEG at quality 100 and add it to the GIF encoder. The budget at 20 frames per second is 50 ms.
// Starts its own Xvfb (3840x1080) showing two desktops side by side, a photo-like picture with noise on
// the left (the hard case for JPEG) and a typical screen of flat panels and text on the right; needs
// Xvfb installed, not DISPLAY.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "app/FrameCapture.h"
#include "encoder/GifMaker.h"
#include "platform/Platform.h"
#include "platform/x11/X11Backend.h"
#include "support/TestDisplay.h"

namespace {

constexpr int kHalfWidth = 1920;  // each kind of content fills one half
constexpr int kScreenWidth = 2 * kHalfWidth;
constexpr int kScreenHeight = 1080;
constexpr int kFramesPerAnimation = 20;  // start a new animation now and then to bound memory

struct Desktop {
  std::unique_ptr<morogif::test::TestDisplay> display;
  std::unique_ptr<platform::Platform> ui;
};

// A shared desktop: a photo-like picture (gradients with noise, so JPEG has real work) on the left, a
// screen of flat panels, a title gradient and text-like strokes on the right.
Desktop& desktop() {
  static Desktop d = [] {
    Desktop made;
    made.display = morogif::test::TestDisplay::start({.width = kScreenWidth, .height = kScreenHeight});
    if (!made.display) return made;
    auto backend = platform::X11Backend::open(made.display->name().c_str(), nullptr);
    if (!backend) return made;
    made.ui = std::make_unique<platform::Platform>(std::move(backend));
    made.ui->RegisterClass({u"Bench", 0, {}, 0});
    const auto w = made.ui->CreateWindowEx(platform::WS_EX_TOOLWINDOW, u"Bench", u"", platform::WS_POPUP, 0, 0,
                                           kScreenWidth, kScreenHeight, {});
    gfx::Bitmap picture(kScreenWidth, kScreenHeight);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kHalfWidth; ++x)
        picture.setPixel(x, y, gfx::makeArgb(255, std::clamp(x * 255 / kHalfWidth + noise(rng), 0, 255),
                                             std::clamp(y * 255 / kScreenHeight + noise(rng), 0, 255),
                                             std::clamp(((x / 40 + y / 40) % 2) * 160 + noise(rng), 0, 255)));
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kHalfWidth; ++x) {
        gfx::Argb c = 0xFFF3F3F3;
        if (y < 60) c = gfx::makeArgb(255, 40 + x * 60 / kHalfWidth, 90, 160);
        else if (x < 300) c = 0xFF2B2D31;
        else if ((y / 18) % 2 == 0 && (x / 7) % 4 != 0 && rng() % 3 == 0) c = 0xFF1A1A1A;
        picture.setPixel(kHalfWidth + x, y, c);
      }
    made.ui->BlitToWindow(w, picture, {0, 0, kScreenWidth, kScreenHeight});
    made.ui->ShowWindow(w, platform::SW_SHOWNA);
    morogif::test::TestDisplay::waitUntil([&] {
      platform::Msg m;
      while (made.ui->PeekMessage(m, {}, 0, 0, platform::PM_REMOVE)) made.ui->DispatchMessage(m);
      return made.ui->GrabScreen({100, 100, 101, 101}).pixel(0, 0) == picture.pixel(100, 100);
    });
    return made;
  }();
  return d;
}

void BM_RecordTick(benchmark::State& state) {
  Desktop& d = desktop();
  if (!d.ui) {
    state.SkipWithError("could not start Xvfb");
    return;
  }
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const int left = state.range(2) != 0 ? kHalfWidth : 0;
  encoder::AnimationInfo info;
  info.ColorNum = 256;
  encoder::FrameInfo frame;
  frame.DelayTime = 10;
  frame.DisposalMethod = encoder::DisposalRestoreBackground;
  encoder::GifMaker maker;
  maker.Create(info);
  int added = 0;
  for (auto _ : state) {
    const auto jpeg = app::CaptureScreen(*d.ui, left, 0, width, height, static_cast<int>(app::CaptureFormat::Jpeg), 100);
    benchmark::DoNotOptimize(maker.AddFrame(frame, std::nullopt, std::span<const std::uint8_t>(jpeg)));
    if (++added == kFramesPerAnimation) {
      state.PauseTiming();
      maker.Create(info);
      added = 0;
      state.ResumeTiming();
    }
  }
  state.counters["budget_ms"] = 50;
}
// Third argument: 0 photo-like content, 1 typical screen content.
BENCHMARK(BM_RecordTick)
    ->ArgNames({"width", "height", "screen"})
    ->Args({640, 480, 0})
    ->Args({1920, 1080, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The grab alone, to see how the tick divides.
void BM_GrabOnly(benchmark::State& state) {
  Desktop& d = desktop();
  if (!d.ui) {
    state.SkipWithError("could not start Xvfb");
    return;
  }
  const auto r = platform::Rect::fromXywh(0, 0, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(d.ui->GrabScreen(r));
}
BENCHMARK(BM_GrabOnly)->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
