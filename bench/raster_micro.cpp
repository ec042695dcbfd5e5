// Google Benchmark micro-benchmarks of the raster module's inner loops (per pixel or per
// row figures); bench/raster_bench.sh gives the whole-program figures.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>

#include "raster/render.h"

namespace {

using tlmaper::PixelQuad;
using tlmaper::RasterImage;

std::string ScratchFile() {
  return "/tmp/raster_micro." + std::to_string(getpid()) + ".bmp";
}

void PaintedImage(RasterImage& image, int32_t side) {
  image.SetBitsPerPixel(24);
  image.SetDimensions(side, side);
  for (int32_t y = 0; y < side; ++y) {
    PixelQuad* row = image.MutableRow(y);
    for (int32_t x = 0; x < side; ++x) row[x] = PixelQuad{uint8_t(x), uint8_t(y), 7, 0};
  }
}

void BM_PixelAtEveryPixel(benchmark::State& state) {
  const int32_t side = int32_t(state.range(0));
  RasterImage image;
  image.SetDimensions(side, side);
  for (auto _ : state) {
    for (int32_t y = 0; y < side; ++y) {
      for (int32_t x = 0; x < side; ++x) image.PixelAt(x, y).red = uint8_t(x);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(BM_PixelAtEveryPixel)->Arg(1024);

void BM_WriteDepth(benchmark::State& state) {
  const int32_t bits = int32_t(state.range(0));
  RasterImage image;
  PaintedImage(image, 1024);
  image.SetBitsPerPixel(bits);
  const std::string path = ScratchFile();
  for (auto _ : state) benchmark::DoNotOptimize(image.BmpWriter(path));
  unlink(path.c_str());
  state.SetItemsProcessed(state.iterations() * 1024 * 1024);
}
BENCHMARK(BM_WriteDepth)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32);

void BM_PlotLineDiagonal(benchmark::State& state) {
  RasterImage image;
  image.SetDimensions(1024, 1024);
  for (auto _ : state) tlmaper::PlotLine(image, 0, 0, 1023, 700, tlmaper::IslandColour);
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_PlotLineDiagonal);

void BM_RecordSquares(benchmark::State& state) {
  RasterImage image;
  image.SetDimensions(4064, 4064);
  int32_t k = 0;
  for (auto _ : state) {
    tlmaper::DrawRecordSquare(image, k % 2000, (k * 7) % 2000, tlmaper::ShipColour);
    ++k;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordSquares);

}  // namespace

BENCHMARK_MAIN();
