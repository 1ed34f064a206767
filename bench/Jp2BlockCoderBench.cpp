// Tier-1 throughput of the JPEG 2000 encoder's block coder: the code-blocks (64 x 64, five
// levels) that the encoder's own transform stage makes of a 2048 x 2048 grey picture, coded
// again and again; lossless (5/3, no quantization) and lossy (9/7, expounded steps), with
// and without the style bits that cost extra work. Msamples/s counts block coefficients.
// A natural 8-bit grey picture can stand in for the built-in photograph stand-in: set
// QUILLON_BENCH_PGM to a binary PGM (P5) file. For reference, the same run times the whole
// one-thread encoders of OpenJPEG and Grok on the same picture (wall time of the tool, of
// which tier 1 is a part), lossless and irreversible without rate limit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "encoder/BlockCoder.h"
#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "jp2.h"

namespace {

using namespace quillon::jp2;

struct GreyPicture {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> samples;
};

// Light falling off over a curved surface, a few hard-edged shapes, a striped region and
// grain: structure at every scale, as a photograph has.
GreyPicture StandInPicture(std::uint32_t size) {
  GreyPicture picture{size, size, std::vector<std::uint8_t>(std::size_t{size} * size)};
  std::mt19937 random(7);
  std::normal_distribution<double> grain(0.0, 2.5);
  for (std::uint32_t y = 0; y < size; ++y) {
    for (std::uint32_t x = 0; x < size; ++x) {
      const double u = 2.0 * x / size - 1.0, v = 2.0 * y / size - 1.0;
      double value = 128 + 70 * std::cos(1.3 * u * u + 0.9 * v) - 30 * v;
      if (std::fabs(u + 0.3) < 0.25 && std::fabs(v - 0.2) < 0.35) value -= 60;
      if ((u - 0.45) * (u - 0.45) + (v + 0.4) * (v + 0.4) < 0.08) value += 50;
      if (v > 0.5) value += 18 * std::sin(0.6 * x + 3 * std::sin(0.02 * y));
      value += grain(random);
      picture.samples[std::size_t{y} * size + x] = static_cast<std::uint8_t>(value < 0     ? 0
                                                                             : value > 255 ? 255
                                                                                           : value);
    }
  }
  return picture;
}

// A binary PGM of depth 255 at most; an empty picture when the file is not one.
GreyPicture ReadPgm(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  GreyPicture picture;
  int maxValue = 0;
  if (!(file >> magic >> picture.width >> picture.height >> maxValue) || magic != "P5" ||
      maxValue > 255 || picture.width == 0 || picture.height == 0 ||
      std::uint64_t{picture.width} * picture.height > (std::uint64_t{1} << 28)) {
    return {};
  }
  file.get();
  picture.samples.resize(std::size_t{picture.width} * picture.height);
  if (!file.read(reinterpret_cast<char*>(picture.samples.data()),
                 static_cast<std::streamsize>(picture.samples.size()))) {
    return {};
  }
  return picture;
}

const GreyPicture& Picture() {
  static const GreyPicture picture = [] {
    const char* path = std::getenv("QUILLON_BENCH_PGM");
    return path != nullptr ? ReadPgm(path) : StandInPicture(2048);
  }();
  return picture;
}

std::int32_t PictureRow(void* buffer, std::int16_t, std::uint32_t row, std::uint32_t column,
                        std::uint32_t count, std::uintptr_t) {
  const GreyPicture& picture = Picture();
  const std::uint8_t* source = picture.samples.data() + std::size_t{row} * picture.width + column;
  std::copy(source, source + count, static_cast<std::uint8_t*>(buffer));
  return 0;
}

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

struct StoredBlock {
  std::vector<std::uint32_t> samples;
  CodeBlockCoefficients input;
};

// Keeps a copy of every code-block the transform stage hands over.
class CollectingSink final : public CodeBlockSink {
 public:
  explicit CollectingSink(bool reversible) : reversible_(reversible) {}

  Status TakeCodeBlock(const CodeBlock& block) override {
    auto stored = std::make_unique<StoredBlock>();
    const std::uint32_t width = block.area.Width(), height = block.area.Height();
    for (std::uint32_t y = 0; y < height; ++y) {
      const std::uint32_t* row = block.coefficients + std::size_t{y} * block.stride;
      stored->samples.insert(stored->samples.end(), row, row + width);
    }
    CodeBlockCoefficients& in = stored->input;
    in.samples = stored->samples.data();
    in.stride = in.width = width;
    in.height = height;
    in.band = BandKindOf(block.band);
    in.reversible = reversible_;
    in.magnitudeBits = block.quantization->magnitudeBits;
    in.roiShift = block.roiShift;
    in.weight = block.quantization->weight;
    blocks.push_back(std::move(stored));
    return JP2_Success;
  }

  std::vector<std::unique_ptr<StoredBlock>> blocks;

 private:
  bool reversible_;
};

// The code-blocks of the picture as the encoder's transform stage makes them.
const CollectingSink& Blocks(bool reversible) {
  static std::unique_ptr<CollectingSink> sinks[2];
  std::unique_ptr<CollectingSink>& sink = sinks[reversible ? 1 : 0];
  if (sink != nullptr) return *sink;
  sink = std::make_unique<CollectingSink>(reversible);
  const GreyPicture& picture = Picture();
  CompressHandle handle = nullptr;
  if (picture.samples.empty() || JP2_Compress_Start(&handle, nullptr, 0, nullptr, 0, 1) != 0) {
    return *sink;
  }
  JP2_Compress_SetProp(handle, JP2_Prop_Width, picture.width, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_Height, picture.height, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, 8, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_Reversible, reversible ? 1 : 0, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_InputCallback,
                       reinterpret_cast<std::uintptr_t>(&PictureRow), -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&NoOutput),
                       -1, -1);
  if (!CompressImageInto(*StateOf(handle), *sink).ok()) sink->blocks.clear();
  JP2_Compress_End(handle);
  return *sink;
}

void BlockCoderThroughput(benchmark::State& state) {
  const bool reversible = state.range(0) != 0;
  const auto style = static_cast<std::uint8_t>(state.range(1));
  const CollectingSink& sink = Blocks(reversible);
  if (sink.blocks.empty()) {
    state.SkipWithError("no picture: QUILLON_BENCH_PGM is not a binary 8-bit PGM");
    return;
  }
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  BlockCoder coder;
  if (!coder.Init(memory).ok()) {
    state.SkipWithError("no memory");
    return;
  }
  auto out = std::make_unique<BlockCoderOutput>();
  std::uint64_t samples = 0, bytes = 0, passes = 0;
  for (auto _ : state) {
    samples = bytes = passes = 0;
    for (const auto& block : sink.blocks) {
      CodeBlockCoefficients in = block->input;
      in.style = style;
      if (!coder.Code(in, out.get()).ok()) state.SkipWithError("coding failed");
      samples += std::uint64_t{in.width} * in.height;
      bytes += out->length;
      passes += out->passCount;
    }
    benchmark::DoNotOptimize(bytes);
  }
  static_cast<void>(coder.Release());
  state.counters["Msamples/s"] = benchmark::Counter(static_cast<double>(samples) / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
  state.counters["bits/sample"] = 8.0 * static_cast<double>(bytes) / static_cast<double>(samples);
  state.counters["passes"] = static_cast<double>(passes);
  state.SetLabel(std::string(reversible ? "lossless 5/3" : "lossy 9/7") +
                 (style != 0 ? " style " + std::to_string(style) : ""));
}

// Writes the picture as a PGM file for the peers' tools.
bool WritePgm(const std::string& path) {
  const GreyPicture& picture = Picture();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P5\n%u %u\n255\n", picture.width, picture.height);
  const bool written = std::fwrite(picture.samples.data(), 1, picture.samples.size(), file) ==
                       picture.samples.size();
  return std::fclose(file) == 0 && written;
}

void PeerWholeEncoder(benchmark::State& state) {
  const bool grok = state.range(0) != 0;
  const bool reversible = state.range(1) != 0;
  const std::string tool = grok ? "grk_compress -H 1" : "opj_compress -threads 1";
  const std::string source = "/tmp/jp2-block-coder-bench-" + std::to_string(::getpid()) + ".pgm";
  const std::string coded = source + ".j2k";
  const std::string command =
      tool + " -i " + source + " -o " + coded + (reversible ? "" : " -I") + " > /dev/null 2>&1";
  if (!WritePgm(source)) {
    state.SkipWithError("cannot write the picture to /tmp");
    return;
  }
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError((tool + " failed or is not installed").c_str());
      break;
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  std::remove(coded.c_str());
  std::remove(source.c_str());
  const GreyPicture& picture = Picture();
  const double samples = static_cast<double>(picture.width) * picture.height;
  if (seconds > 0) {
    state.counters["Msamples/s"] =
        samples * static_cast<double>(state.iterations()) / seconds / 1e6;
  }
  state.SetLabel(std::string(grok ? "Grok" : "OpenJPEG") +
                 (reversible ? " whole encoder, lossless 5/3" : " whole encoder, 9/7"));
}

BENCHMARK(BlockCoderThroughput)
    ->ArgNames({"reversible", "style"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, kStyleResetContexts | kStyleTerminateEachPass | kStyleSegmentationSymbols})
    ->Args({1, kStyleVerticallyCausal})
    ->UseRealTime()  // wall time, as the peers' tools are timed
    ->Unit(benchmark::kMillisecond);

BENCHMARK(PeerWholeEncoder)
    ->ArgNames({"grok", "reversible"})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Args({1, 0})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
