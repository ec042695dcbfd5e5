// Filling placeholders: the time must grow linearly with the page, however often the
// placeholder occurs (a template holding it 100000 times included).
#include <benchmark/benchmark.h>

#include <string>

#include "base/text.h"
#include "page/page.h"

namespace {

std::string RepeatedPlaceholder(int64_t count) {
  std::string text;
  for (int64_t i = 0; i < count; ++i) text += "<p>[TOWNLAYER]</p>\n";
  return text;
}

void ReplaceAllRepeated(benchmark::State& state) {
  const std::string text = RepeatedPlaceholder(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(tlmaper::ReplaceAll(text, "[TOWNLAYER]", "L.marker(1)"));
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(ReplaceAllRepeated)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

// A layer kept apart from the page text at every occurrence, not copied into it.
void FillPlaceholderRepeated(benchmark::State& state) {
  const std::string text = RepeatedPlaceholder(state.range(0));
  std::string layer = "L.marker(map.unproject([1,2],map.getZoom()))";
  while (layer.size() < 8192) layer += ",\nL.marker(map.unproject([1,2],map.getZoom()))";
  for (auto _ : state) {
    tlmaper::PageTemplate page = tlmaper::MakePageTemplate(text);
    tlmaper::FillPlaceholder(page, "[TOWNLAYER]", layer);
    benchmark::DoNotOptimize(page.parts.data());
    if (page.parts.size() != 2 * static_cast<size_t>(state.range(0)) + 1) {
      state.SkipWithError("the layer was not kept apart");
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(FillPlaceholderRepeated)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

}  // namespace

BENCHMARK_MAIN();
