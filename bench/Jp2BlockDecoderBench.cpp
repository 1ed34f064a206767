// Tier-1 throughput of the JPEG 2000 decoder's block decoder: the code-blocks (64 x 64, five
// levels) our encoder's transform stage makes of the picture (EncoderCodeBlocks.h), coded once
// by our block coder and decoded again and again into a row buffer, lossless (5/3) and lossy
// (9/7, expounded steps, every pass), with and without the style bits that cost extra work.
// Msamples/s counts block coefficients per second of processor time (wall time beside it).
// For reference, the same run times the one-thread OpenJPEG and Grok decoders on the same
// picture coded by our encoder as a .j2k file (processor time of the whole tool, of which
// tier 1 is the bulk).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "EncoderCodeBlocks.h"
#include "PeerToolTiming.h"
#include "decoder/BlockDecoder.h"
#include "encoder/BlockCoder.h"
#include "jp2.h"

namespace {

using namespace quillon::jp2;
using namespace quillon::bench;

struct CodedBlock {
  std::vector<std::uint8_t> bytes;
  std::vector<CodewordSegment> segments;
  CodeBlockInput input;
};

// The picture's code-blocks coded by our block coder with the style, ready to decode.
std::vector<CodedBlock> CodeBlocks(bool reversible, std::uint8_t style) {
  std::vector<CodedBlock> coded;
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  BlockCoder coder;
  if (!coder.Init(memory).ok()) return coded;
  auto out = std::make_unique<BlockCoderOutput>();
  for (const auto& block : Blocks(reversible).blocks) {
    CodeBlockCoefficients in = block->input;
    in.style = style;
    if (!coder.Code(in, out.get()).ok()) return {};
    CodedBlock& c = coded.emplace_back();
    c.bytes.assign(out->codeword, out->codeword + out->length);
    std::uint32_t pieces[kMaxCodingPasses];
    const std::uint32_t count = SplitNewPasses(style, 0, out->passCount, pieces);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t length = out->segmentCount != 0 ? out->segmentLengths[i] : out->length;
      c.segments.push_back({pieces[i], length});
    }
    CodeBlockInput& d = c.input;
    d.length = out->length;
    d.segmentCount = count;
    d.passes = out->passCount;
    d.magnitudeBits = in.magnitudeBits;
    d.roiShift = in.roiShift;
    d.zeroBitPlanes = static_cast<std::uint8_t>(in.magnitudeBits + in.roiShift - out->planes);
    d.style = style;
    d.orientation = static_cast<std::uint8_t>(in.band == BandKind::kHorizontal ? 1
                                              : in.band == BandKind::kDiagonal ? 3
                                                                               : 0);
    d.width = in.width;
    d.height = in.height;
  }
  for (CodedBlock& c : coded) {
    c.input.data = c.bytes.data();
    c.input.segments = c.segments.data();
  }
  static_cast<void>(coder.Release());
  return coded;
}

template <typename Value>
void DecodeAll(benchmark::State& state, const std::vector<CodedBlock>& blocks) {
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  BlockDecoder decoder;
  if (!decoder.Init(memory).ok()) {
    state.SkipWithError("no memory");
    return;
  }
  std::vector<Value> rows(kMaxCodeBlockArea);
  std::uint64_t samples = 0;
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    samples = 0;
    for (const CodedBlock& block : blocks) {
      if (!decoder.Decode(block.input, rows.data(), block.input.width).ok()) {
        state.SkipWithError("decoding failed");
      }
      samples += std::uint64_t{block.input.width} * block.input.height;
    }
    benchmark::DoNotOptimize(rows.data());
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  static_cast<void>(decoder.Release());
  state.counters["Msamples/s"] = benchmark::Counter(static_cast<double>(samples) / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
  if (wall > 0) {
    state.counters["wall Msamples/s"] =
        static_cast<double>(samples) * static_cast<double>(state.iterations()) / wall / 1e6;
  }
}

void BlockDecoderThroughput(benchmark::State& state) {
  const bool reversible = state.range(0) != 0;
  const auto style = static_cast<std::uint8_t>(state.range(1));
  const std::vector<CodedBlock> blocks = CodeBlocks(reversible, style);
  if (blocks.empty()) {
    state.SkipWithError("no picture: QUILLON_BENCH_PGM is not a binary 8-bit PGM");
    return;
  }
  if (reversible) {
    DecodeAll<std::int32_t>(state, blocks);
  } else {
    DecodeAll<float>(state, blocks);
  }
  state.SetLabel(std::string(reversible ? "ours tier 1, lossless 5/3" : "ours tier 1, 9/7") +
                 (style != 0 ? " style " + std::to_string(style) : ""));
}

std::int32_t AppendToFile(const void* data, std::uint32_t offset, std::uint32_t length,
                          std::uintptr_t param) {
  FILE* file = reinterpret_cast<FILE*>(param);
  if (std::fseek(file, offset, SEEK_SET) != 0) return -1;
  return std::fwrite(data, 1, length, file) == length ? 0 : -1;
}

// The picture coded by our encoder as a codestream file, every pass kept.
bool WriteCodestream(const std::string& path, bool reversible) {
  const GreyPicture& picture = Picture();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  CompressHandle handle = nullptr;
  std::int32_t status = JP2_Compress_Start(&handle, nullptr, 0, nullptr, 0, 1);
  const auto set = [&](std::uint32_t id, std::uintptr_t value) {
    if (status == 0) status = JP2_Compress_SetProp(handle, id, value, -1, -1);
  };
  set(JP2_Prop_Width, picture.width);
  set(JP2_Prop_Height, picture.height);
  set(JP2_Prop_BitDepth, 8);
  set(JP2_Prop_FileFormat, JP2_Format_Codestream);
  if (!reversible) {
    set(JP2_Prop_Reversible, 0);
    set(JP2_Prop_QuantStyle, 2);
  }
  set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&PictureRow));
  set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&AppendToFile));
  set(JP2_Prop_OutputParam, reinterpret_cast<std::uintptr_t>(file));
  if (status == 0) status = JP2_Compress_Image(handle);
  if (handle != nullptr && JP2_Compress_End(handle) != 0) status = -1;
  return std::fclose(file) == 0 && status == 0;
}

void PeerWholeDecoder(benchmark::State& state) {
  const bool grok = state.range(0) != 0;
  const bool reversible = state.range(1) != 0;
  const std::string tool = grok ? "grk_decompress -H 1" : "opj_decompress -threads 1";
  const std::string coded = "/tmp/jp2-block-decoder-bench-" + std::to_string(::getpid()) + ".j2k";
  const std::string decoded = coded + ".pgm";
  if (!WriteCodestream(coded, reversible)) {
    state.SkipWithError("cannot encode the picture to /tmp");
    return;
  }
  const GreyPicture& picture = Picture();
  TimePeerTool(state, tool + " -i " + coded + " -o " + decoded,
               static_cast<double>(picture.width) * picture.height);
  std::remove(decoded.c_str());
  std::remove(coded.c_str());
  state.SetLabel(std::string(grok ? "Grok" : "OpenJPEG") +
                 (reversible ? " whole decoder, lossless 5/3" : " whole decoder, 9/7"));
}

BENCHMARK(BlockDecoderThroughput)
    ->ArgNames({"reversible", "style"})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, kStyleResetContexts | kStyleTerminateEachPass | kStyleSegmentationSymbols})
    ->Args({1, kStyleBypass})
    ->Args({1, kStyleVerticallyCausal})
    ->Unit(benchmark::kMillisecond);  // processor time, as the peers' tools are timed

BENCHMARK(PeerWholeDecoder)->Apply(PeerRuns);

}  // namespace

BENCHMARK_MAIN();
