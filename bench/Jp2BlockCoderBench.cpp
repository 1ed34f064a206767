// Tier-1 throughput of the JPEG 2000 encoder's block coder: the code-blocks (64 x 64, five
// levels) that the encoder's own transform stage makes of a 2048 x 2048 grey picture, coded
// again and again; lossless (5/3, no quantization) and lossy (9/7, expounded steps), with
// and without the style bits that cost extra work, and with or without the rate points that
// layers and size targets need (a lossless file of one layer has none), and with the passes
// for processors with BMI2 and LZCNT (where it has them) or the portable ones. Msamples/s
// counts block coefficients.
// A natural 8-bit grey picture can stand in for the built-in photograph stand-in: set
// QUILLON_BENCH_PGM to a binary PGM (P5) file. For reference, the same run times the whole
// one-thread encoders of OpenJPEG and Grok on the same picture (processor time of the tool,
// of which tier 1 is a part; wall time beside it), lossless and irreversible without rate
// limit. Our blocks are timed in processor time too.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "EncoderCodeBlocks.h"
#include "PeerToolTiming.h"
#include "encoder/BlockCoder.h"
#include "jp2.h"

namespace {

using namespace quillon::jp2;
using namespace quillon::bench;

void BlockCoderThroughput(benchmark::State& state) {
  const bool reversible = state.range(0) != 0;
  const auto style = static_cast<std::uint8_t>(state.range(1));
  const bool ratePoints = state.range(2) != 0;
  const bool bitInstructions = state.range(3) != 0;
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
  coder.UseBitInstructions(bitInstructions);
  auto out = std::make_unique<BlockCoderOutput>();
  std::uint64_t samples = 0, bytes = 0, passes = 0;
  for (auto _ : state) {
    samples = bytes = passes = 0;
    for (const auto& block : sink.blocks) {
      CodeBlockCoefficients in = block->input;
      in.style = style;
      in.ratePoints = ratePoints;
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
                 (style != 0 ? " style " + std::to_string(style) : "") +
                 (ratePoints ? "" : ", no rate points") +
                 (bitInstructions ? "" : ", portable passes"));
}

void PeerWholeEncoder(benchmark::State& state) {
  const bool grok = state.range(0) != 0;
  const bool reversible = state.range(1) != 0;
  const std::string tool = grok ? "grk_compress -H 1" : "opj_compress -threads 1";
  const std::string source = "/tmp/jp2-block-coder-bench-" + std::to_string(::getpid()) + ".pgm";
  const std::string coded = source + ".j2k";
  if (!WritePgm(source)) {
    state.SkipWithError("cannot write the picture to /tmp");
    return;
  }
  const GreyPicture& picture = Picture();
  TimePeerTool(state, tool + " -i " + source + " -o " + coded + (reversible ? "" : " -I"),
               static_cast<double>(picture.width) * picture.height);
  std::remove(coded.c_str());
  std::remove(source.c_str());
  state.SetLabel(std::string(grok ? "Grok" : "OpenJPEG") +
                 (reversible ? " whole encoder, lossless 5/3" : " whole encoder, 9/7"));
}

BENCHMARK(BlockCoderThroughput)
    ->ArgNames({"reversible", "style", "rate", "bits"})
    ->Args({1, 0, 1, 1})
    ->Args({1, 0, 0, 1})
    ->Args({1, 0, 0, 0})
    ->Args({0, 0, 1, 1})
    ->Args({0, 0, 1, 0})
    ->Args({1, kStyleResetContexts | kStyleTerminateEachPass | kStyleSegmentationSymbols, 1, 1})
    ->Args({1, kStyleVerticallyCausal, 1, 1})
    ->Unit(benchmark::kMillisecond);  // processor time, as the peers' tools are timed

BENCHMARK(PeerWholeEncoder)->Apply(PeerRuns);

}  // namespace

BENCHMARK_MAIN();
