// Paint cost of the picture view: converting the visible 1280 x 1024 part of an 8000 x 8000
// colour picture to screen pixels at several zooms, as every paint does, and building the
// dithered copy of small displays.
//
// Usage: view-paint-bench [Google Benchmark options]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "core/display/HalftoneDither.h"
#include "core/display/ScaledRender.h"

namespace {

using namespace quillon;

const Picture& bigPicture() {
  static Picture picture;
  if (picture.IsEmpty()) {
    picture.Header().biWidth = 8000;
    picture.Header().biHeight = 8000;
    if (!picture.CreatePicture(true)) std::abort();
    std::mt19937 random(7);
    const std::uint32_t size = picture.Header().biSizeImage;
    for (std::uint32_t i = 0; i < size; i += 4096) {
      const auto v = static_cast<std::uint8_t>(random());
      for (std::uint32_t j = i; j < std::min(i + 4096, size); ++j) {
        picture.Bits()[j] = static_cast<std::uint8_t>(v + j);
      }
    }
  }
  return picture;
}

ZoomRatio zoomOf(int code) {
  return code > 0 ? ZoomRatio{code, 1} : ZoomRatio{1, -code};
}

void PaintVisiblePart(benchmark::State& state) {
  const Picture& picture = bigPicture();
  const ZoomRatio zoom = zoomOf(static_cast<int>(state.range(0)));
  // Scrolled to the middle of the scaled picture.
  const int midX = zoom.Scale(4000), midY = zoom.Scale(4000);
  const ScaledRect rect = ClipToScaledPicture(picture, zoom, {midX - 640, midY - 512, 1280, 1024});
  std::vector<std::uint8_t> rgb(std::size_t(rect.width) * rect.height * 3);
  for (auto _ : state) {
    RenderScaled(picture, zoom, rect, rgb.data());
    benchmark::DoNotOptimize(rgb.data());
  }
  state.SetItemsProcessed(state.iterations() * std::int64_t(rect.width) * rect.height);
  state.SetLabel(std::to_string(zoom.numerator) + ":" + std::to_string(zoom.denominator));
}
BENCHMARK(PaintVisiblePart)
    ->Arg(1)
    ->Arg(2)
    ->Arg(8)
    ->Arg(-2)
    ->Arg(-8)
    ->Unit(benchmark::kMillisecond);

void DitherWholeCopyAtOneToEight(benchmark::State& state) {
  const Picture& picture = bigPicture();
  const ErrorLimitTable limits = BuildErrorLimitTable();
  std::vector<std::uint8_t> cache(32768, 0);
  for (auto _ : state) {
    Picture copy;
    benchmark::DoNotOptimize(DitherToHalftone(picture, {1, 8}, limits, cache, copy));
  }
}
BENCHMARK(DitherWholeCopyAtOneToEight)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
