// Forward transform throughput of the JPEG 2000 encoder: rows pulled through the input
// callback, level shift, 5 levels of the 5/3 or 9/7 wavelet and quantization, on one 8-bit
// component of 4096 x height in a single tile. Reports Msamples/s and the peak of the
// codec's live memory, which must follow the width and not the height.
//
// Beside it, the two wavelets alone on a 4096 x 4096 plane: the encoder's forward cascade
// and the decoder's line-based inverse, 5 levels each, band rows kept in memory.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>

#include <cstring>
#include <map>
#include <type_traits>
#include <vector>

#include "BenchPicture.h"
#include "PeakMemory.h"
#include "decoder/InverseWavelet.h"
#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "encoder/WaveletCascade.h"
#include "jp2.h"

namespace {

// Takes the code-blocks without coding them, so that only the transform stage is timed.
class DiscardingSink final : public quillon::jp2::CodeBlockSink {
 public:
  quillon::jp2::Status TakeCodeBlock(const quillon::jp2::CodeBlock&) override {
    return JP2_Success;
  }
};

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

void ForwardTransform(benchmark::State& state) {
  const auto height = static_cast<std::uint32_t>(state.range(0));
  const bool reversible = state.range(1) != 0;
  constexpr std::uint32_t kWidth = 4096;
  quillon::bench::PeakMemory memory;
  for (auto _ : state) {
    CompressHandle handle = nullptr;
    JP2_Compress_Start(
        &handle, quillon::bench::PeakMemory::Allocate, reinterpret_cast<std::uintptr_t>(&memory),
        quillon::bench::PeakMemory::Release, reinterpret_cast<std::uintptr_t>(&memory), 1);
    JP2_Compress_SetProp(handle, JP2_Prop_Width, kWidth, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_Height, height, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, 8, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_Reversible, reversible ? 1 : 0, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_InputCallback,
                         reinterpret_cast<std::uintptr_t>(&quillon::bench::GradientRow), -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_OutputCallback,
                         reinterpret_cast<std::uintptr_t>(&NoOutput), -1, -1);
    DiscardingSink sink;
    const std::int32_t status =
        quillon::jp2::CompressImageInto(*quillon::jp2::StateOf(handle), sink).code();
    if (status != JP2_Success) {
      state.SkipWithError(JP2_General_ErrorText(status));
    }
    JP2_Compress_End(handle);
  }
  const double samples = static_cast<double>(kWidth) * height;
  state.counters["Msamples/s"] =
      benchmark::Counter(samples / 1e6, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["peak_KiB"] = static_cast<double>(memory.peak) / 1024.0;
  state.SetLabel(reversible ? "5/3" : "9/7");
}

BENCHMARK(ForwardTransform)
    ->ArgNames({"height", "reversible"})
    ->Args({4096, 1})
    ->Args({4096, 0})
    ->Args({1024, 1})
    ->Args({16384, 1})
    ->Args({1024, 0})
    ->Args({16384, 0})
    ->Unit(benchmark::kMillisecond);

namespace jp2 = quillon::jp2;

constexpr std::uint32_t kPlaneSize = 4096;
constexpr int kPlaneLevels = 5;

// Band rows of a whole plane, stored by the forward cascade and served to the inverse.
template <typename Sample>
class BandRows final : public jp2::BandRowSink<Sample>, public jp2::CoefficientSource<Sample> {
 public:
  bool store = true;

  jp2::Status TakeBandRow(int level, jp2::BandOrientation band, std::uint32_t row,
                          const Sample* samples, std::uint32_t count) override {
    if (!store) return JP2_Success;
    std::vector<Sample>& plane = bands_[{level, band}];
    if (plane.empty()) first_[{level, band}] = row;
    plane.insert(plane.end(), samples, samples + count);
    width_[{level, band}] = count;
    return JP2_Success;
  }

  jp2::Status FillRows(int level, jp2::BandOrientation band, std::uint32_t firstRow,
                       std::uint32_t endRow, Sample* rows, std::size_t stride) override {
    const std::pair<int, int> key{level, band};
    const std::size_t width = width_[key];
    const Sample* plane = bands_[key].data();
    for (std::uint32_t y = firstRow; y < endRow; ++y) {
      std::memcpy(rows + (y - firstRow) * stride, plane + (y - first_[key]) * width,
                  sizeof(Sample) * width);
    }
    return JP2_Success;
  }

 private:
  std::map<std::pair<int, int>, std::vector<Sample>> bands_;
  std::map<std::pair<int, int>, std::uint32_t> first_;
  std::map<std::pair<int, int>, std::size_t> width_;
};

template <typename Sample>
std::vector<Sample> GradientPlane() {
  std::vector<Sample> plane(std::size_t{kPlaneSize} * kPlaneSize);
  for (std::uint32_t y = 0; y < kPlaneSize; ++y) {
    for (std::uint32_t x = 0; x < kPlaneSize; ++x) {
      plane[std::size_t{y} * kPlaneSize + x] =
          static_cast<Sample>(static_cast<int>((x + y) / 32 + ((x * 7 + y * 13) & 15)) - 128);
    }
  }
  return plane;
}

template <typename Sample>
void RunForward(const std::vector<Sample>& plane, BandRows<Sample>& sink) {
  const jp2::Rect area{0, 0, kPlaneSize, kPlaneSize};
  jp2::WaveletCascade<Sample> cascade;
  jp2::WorkArena sizing;
  cascade.Plan(area, kPlaneLevels, sizing);
  std::vector<std::uint8_t> memory(sizing.Layout().Size() + 16);
  jp2::WorkArena carving(reinterpret_cast<std::uint8_t*>(
      (reinterpret_cast<std::uintptr_t>(memory.data()) + 15) & ~std::uintptr_t{15}));
  cascade.Plan(area, kPlaneLevels, carving);
  for (std::uint32_t y = 0; y < kPlaneSize; ++y) {
    static_cast<void>(cascade.PushRow(plane.data() + std::size_t{y} * kPlaneSize, sink));
  }
}

void CountPlane(benchmark::State& state, bool reversible) {
  state.counters["Msamples/s"] = benchmark::Counter(double{kPlaneSize} * kPlaneSize / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
  state.SetLabel(reversible ? "5/3" : "9/7");
}

template <typename Sample>
void ForwardWavelet(benchmark::State& state) {
  const std::vector<Sample> plane = GradientPlane<Sample>();
  BandRows<Sample> sink;
  sink.store = false;
  for (auto _ : state) RunForward(plane, sink);
  CountPlane(state, std::is_same_v<Sample, std::int32_t>);
}

template <typename Sample>
void InverseWavelet(benchmark::State& state) {
  BandRows<Sample> bands;
  RunForward(GradientPlane<Sample>(), bands);
  const jp2::MemoryCallbacks memory = jp2::MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  double checksum = 0;
  for (auto _ : state) {
    jp2::InverseWavelet<Sample> inverse;
    if (!inverse
             .Init(memory, jp2::Bounds{0, 0, kPlaneSize, kPlaneSize}, kPlaneLevels, kPlaneLevels,
                   &bands)
             .ok()) {
      state.SkipWithError("no memory");
      break;
    }
    for (std::uint32_t y = 0; y < kPlaneSize; ++y) {
      const Sample* row = nullptr;
      static_cast<void>(inverse.NextRow(&row));
      checksum += static_cast<double>(row[y]);
    }
    static_cast<void>(inverse.Release());
  }
  benchmark::DoNotOptimize(checksum);
  CountPlane(state, std::is_same_v<Sample, std::int32_t>);
}

BENCHMARK(ForwardWavelet<std::int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(InverseWavelet<std::int32_t>)->Unit(benchmark::kMillisecond);
BENCHMARK(ForwardWavelet<float>)->Unit(benchmark::kMillisecond);
BENCHMARK(InverseWavelet<float>)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
