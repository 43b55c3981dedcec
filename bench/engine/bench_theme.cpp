// Theme costs paid at start-up (reading the stored pack) and on every uncached skin lookup.
#include <benchmark/benchmark.h>

#include "engine/theme/ThemeStore.h"
#include "engine/theme/ThemeValues.h"
#include "resources/Resources.h"

namespace {

void BM_ReadDefaultPack(benchmark::State& state) {
  for (auto _ : state) {
    engine::PackContents contents = engine::ReadPack(resources::defaultThemePack(), "");
    benchmark::DoNotOptimize(contents.image);
  }
}
BENCHMARK(BM_ReadDefaultPack)->Unit(benchmark::kMillisecond);

void BM_LoadDefaultTheme(benchmark::State& state) {
  for (auto _ : state) {
    engine::ThemeStore store;
    benchmark::DoNotOptimize(store.LoadDefaultTheme(resources::defaultThemePack()));
  }
}
BENCHMARK(BM_LoadDefaultTheme)->Unit(benchmark::kMillisecond);

// An element near the end of the description, named in another case: close to the slowest hit.
void BM_GetThemeAttribute(benchmark::State& state) {
  engine::ThemeStore store;
  store.LoadDefaultTheme(resources::defaultThemePack());
  for (auto _ : state) {
    engine::ThemeAttribute answer = store.GetThemeAttribute(nullptr, "scrollbar", "h_right_down");
    gfx::RectF rect;
    benchmark::DoNotOptimize(engine::ParseRect(answer.text, rect));
  }
}
BENCHMARK(BM_GetThemeAttribute);

}  // namespace

BENCHMARK_MAIN();
