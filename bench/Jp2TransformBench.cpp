// Forward transform throughput of the JPEG 2000 encoder: rows pulled through the input
// callback, level shift, 5 levels of the 5/3 or 9/7 wavelet and quantization, on one 8-bit
// component of 4096 x height in a single tile. Reports Msamples/s and the peak of the
// codec's live memory, which must follow the width and not the height.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <map>

#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "jp2.h"

namespace {

// Allocation callbacks that track the live bytes and their peak.
struct PeakMemory {
  std::map<void*, std::uint32_t> live;
  std::uint64_t current = 0;
  std::uint64_t peak = 0;

  static void* Allocate(std::uint32_t size, std::uintptr_t param) {
    auto* self = reinterpret_cast<PeakMemory*>(param);
    void* block = std::malloc(size);
    if (block == nullptr) return nullptr;
    self->live[block] = size;
    self->current += size;
    if (self->current > self->peak) self->peak = self->current;
    return block;
  }

  static std::int32_t Release(void* block, std::uintptr_t param) {
    auto* self = reinterpret_cast<PeakMemory*>(param);
    const auto found = self->live.find(block);
    if (found != self->live.end()) {
      self->current -= found->second;
      self->live.erase(found);
    }
    std::free(block);
    return 0;
  }
};

// A smooth gradient with some texture, so that no path is taken only for flat input.
std::int32_t GradientRow(void* buffer, std::int16_t, std::uint32_t row, std::uint32_t column,
                         std::uint32_t count, std::uintptr_t) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t x = column + i;
    bytes[i] = static_cast<std::uint8_t>((x + row) / 32 + ((x * 7 + row * 13) & 15));
  }
  return 0;
}

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
  PeakMemory memory;
  for (auto _ : state) {
    CompressHandle handle = nullptr;
    JP2_Compress_Start(&handle, PeakMemory::Allocate, reinterpret_cast<std::uintptr_t>(&memory),
                       PeakMemory::Release, reinterpret_cast<std::uintptr_t>(&memory), 1);
    JP2_Compress_SetProp(handle, JP2_Prop_Width, kWidth, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_Height, height, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, 8, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_Reversible, reversible ? 1 : 0, -1, -1);
    JP2_Compress_SetProp(handle, JP2_Prop_InputCallback,
                         reinterpret_cast<std::uintptr_t>(&GradientRow), -1, -1);
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

}  // namespace

BENCHMARK_MAIN();
