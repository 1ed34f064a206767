// Packets of whole tiles against OpenJPEG's decoder: code-blocks from the encoder's transform
// stage and block coder, layers from the allocation, packets emitted in each progression with
// precincts, SOP and EPH, wrapped by hand into a minimal codestream and decoded by
// opj_decompress.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "encoder/BlockCoder.h"
#include "encoder/ConvexHull.h"
#include "encoder/ImageValidation.h"
#include "encoder/TilePackets.h"
#include "support/CountingAllocator.h"
#include "support/TilePacketsSupport.h"

namespace quillon::jp2::test {
namespace {

constexpr std::uint32_t kWidth = 64, kHeight = 48;
constexpr int kLevels = 2;
constexpr int kGuardBits = 2;
// Component 1 has half the width and height of component 0.
constexpr std::uint32_t kFactor[2] = {1, 2};

std::uint8_t Sample(int component, std::uint32_t x, std::uint32_t y) {
  return static_cast<std::uint8_t>(component == 0 ? (x * 5 + y * 3) ^ ((x * y) % 29) * 7
                                                  : (x * 11) ^ (y * 9) ^ 0x55);
}

std::int32_t Rows(void* buffer, std::int16_t component, std::uint32_t row, std::uint32_t column,
                  std::uint32_t count, std::uintptr_t) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) bytes[i] = Sample(component, column + i, row);
  return 0;
}

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

// A coded block's passes in coding order, after the hull.
struct BlockStore {
  std::vector<std::uint32_t> lengths;
  std::vector<float> slopes;
  std::vector<std::uint32_t> segments;
  std::vector<std::uint8_t> codeword;
};

// Codes every code-block as it arrives and keeps it in the tile's packet structure.
class CodingSink final : public CodeBlockSink {
 public:
  CodingSink(TilePackets& packets, BlockCoder& coder, std::uint8_t style)
      : packets_(packets), coder_(coder), style_(style) {}

  Status TakeCodeBlock(const CodeBlock& block) override {
    CodeBlockCoefficients in;
    in.samples = block.coefficients;
    in.stride = block.stride;
    in.width = block.area.Width();
    in.height = block.area.Height();
    in.band = BandKindOf(block.band);
    in.style = style_;
    in.magnitudeBits = block.quantization->magnitudeBits;
    JP2_RETURN_IF_ERROR(coder_.Code(in, out_.get()));
    ConvexHull(out_->truncation, out_->distortion, out_->passCount);
    auto store = std::make_unique<BlockStore>();
    const int count = out_->passCount;
    for (int p = 0; p < count; ++p) {
      store->lengths.push_back(out_->truncation[count - 1 - p]);
      store->slopes.push_back(out_->distortion[count - 1 - p]);
    }
    store->segments.resize(out_->passCount);
    const bool segmented = SegmentEnds(*out_, style_, store->segments.data());
    store->codeword.assign(out_->codeword, out_->codeword + out_->length);
    CodedBlock* coded = packets_.BlockOf(block.component, block.resolution, block.band, block.area);
    if (coded == nullptr) return JP2_Error_Internal;
    coded->passCount = out_->passCount;
    coded->zeroBitPlanes = static_cast<std::uint8_t>(in.magnitudeBits - out_->planes);
    coded->style = style_;
    coded->lengths = store->lengths.data();
    coded->slopes = store->slopes.data();
    coded->segmentEnds = segmented ? store->segments.data() : nullptr;
    coded->codeword = store->codeword.data();
    magnitudeBits[BandIndex(block.resolution, block.band)] = in.magnitudeBits;
    stores_.push_back(std::move(store));
    return Status();
  }

  std::map<int, int> magnitudeBits;  // by band index

 private:
  TilePackets& packets_;
  BlockCoder& coder_;
  std::uint8_t style_;
  std::unique_ptr<BlockCoderOutput> out_ = std::make_unique<BlockCoderOutput>();
  std::vector<std::unique_ptr<BlockStore>> stores_;
};

struct StreamSetup {
  int progression = 0;
  int layers = 1;
  std::uint8_t style = 0;
  const std::uint8_t* precincts = nullptr;  // PPy * 16 + PPx per resolution
};

std::vector<std::uint8_t> Codestream(const StreamSetup& setup, const std::vector<int>& exponents,
                                     const std::vector<std::uint8_t>& packets) {
  std::vector<std::uint8_t> out;
  Put16(out, 0xFF4F);
  Put16(out, 0xFF51);  // SIZ
  Put16(out, 38 + 3 * 2);
  Put16(out, 0);
  for (const std::uint32_t value : {kWidth, kHeight, 0u, 0u, kWidth, kHeight, 0u, 0u}) {
    Put32(out, value);
  }
  Put16(out, 2);
  for (const std::uint32_t factor : kFactor) {
    out.insert(out.end(),
               {7, static_cast<std::uint8_t>(factor), static_cast<std::uint8_t>(factor)});
  }
  Put16(out, 0xFF52);  // COD: precincts given, SOP, EPH
  Put16(out, 12 + kLevels + 1);
  out.push_back(1 | 2 | 4);
  out.push_back(static_cast<std::uint8_t>(setup.progression));
  Put16(out, static_cast<std::uint32_t>(setup.layers));
  out.push_back(0);
  out.insert(out.end(), {kLevels, 2, 2, setup.style, 1});  // 16 x 16 blocks, 5/3
  out.insert(out.end(), setup.precincts, setup.precincts + kLevels + 1);
  AppendReversibleTile(out, kGuardBits, exponents, packets);
  return out;
}

// The samples of an 8-bit PGX file, or nothing.
std::vector<std::uint8_t> ReadPgx(const std::string& path, std::uint32_t width,
                                  std::uint32_t height) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  if (!std::getline(file, line)) return {};
  std::vector<std::uint8_t> samples(std::size_t{width} * height);
  if (!file.read(reinterpret_cast<char*>(samples.data()),
                 static_cast<std::streamsize>(samples.size()))) {
    return {};
  }
  return samples;
}

// Encodes the picture's one tile with the setup, decodes it (the first decodedLayers, 0 for
// all) with OpenJPEG and returns the largest difference of a sample from the picture (256
// when decoding failed).
int LargestError(const StreamSetup& setup, const std::vector<std::uint64_t>& budgets,
                 int decodedLayers = 0) {
  CountingAllocator allocator;
  CompressHandle handle = nullptr;
  EXPECT_EQ(allocator.Start(&handle, 2), 0);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Width, kWidth / kFactor[c], -1,
                                   static_cast<std::int16_t>(c)),
              0);
    EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Height, kHeight / kFactor[c], -1,
                                   static_cast<std::int16_t>(c)),
              0);
  }
  for (const auto& [id, value] : std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
           {JP2_Prop_BitDepth, 8},
           {JP2_Prop_Levels, kLevels},
           {JP2_Prop_CodeBlockWidth, 16},
           {JP2_Prop_CodeBlockHeight, 16},
           {JP2_Prop_CodeBlockStyle, setup.style},
           {JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&Rows)},
           {JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&NoOutput)}}) {
    EXPECT_EQ(JP2_Compress_SetProp(handle, id, value, -1, -1), 0) << id;
  }
  for (int r = 0; r <= kLevels; ++r) {
    EXPECT_EQ(JP2_Compress_SetPrecinct(handle, setup.precincts[r] & 15, setup.precincts[r] >> 4, -1,
                                       -1, r),
              0);
  }
  CompressState& state = *StateOf(handle);
  WalkComponent walks[2];
  const Rect tile = TileRect(state, 0);
  for (int c = 0; c < 2; ++c) {
    walks[c].tileComponent = TileComponentRect(state, tile, c);
    walks[c].factorX = kFactor[c];
    walks[c].factorY = kFactor[c];
    walks[c].levels = kLevels;
    walks[c].precincts = state.Coding(0, c).precincts;
  }
  TilePacketPlan plan{tile,        walks, &state.Coding(0, 0), 2, setup.layers, setup.progression,
                      {true, true}};
  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  TilePackets packets;
  OwnedBlock block;
  CarveTilePackets(plan, memory, &packets, &block);

  BlockCoder coder;
  EXPECT_TRUE(coder.Init(memory).ok());
  CodingSink sink(packets, coder, setup.style);
  EXPECT_TRUE(CompressImageInto(state, sink).ok());
  RateTile rate = packets.Rate();
  if (setup.layers == 1) {
    IncludeEverything(rate);
  } else {
    EXPECT_TRUE(AllocateLayers(rate, budgets.data(), memory).ok());
  }
  VectorSink stream;
  EXPECT_TRUE(packets.Emit(stream, memory).ok());
  EXPECT_TRUE(coder.Release().ok());
  EXPECT_TRUE(Release(memory, &block).ok());
  EXPECT_EQ(JP2_Compress_End(handle), 0);

  std::vector<int> exponents;
  for (const auto& [band, bits] : sink.magnitudeBits) exponents.push_back(bits - kGuardBits + 1);
  const std::string dir = ::testing::TempDir();
  // Per process: ctest runs the tests of one progression side by side.
  const std::string name = dir + "quillon-packets-" + std::to_string(::getpid()) + "-" +
                           std::to_string(setup.progression);
  const auto bytes = Codestream(setup, exponents, stream.data);
  std::ofstream(name + ".j2k", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  for (int c = 0; c < 2; ++c) std::remove((name + "_" + std::to_string(c) + ".pgx").c_str());
  const std::string layers = decodedLayers == 0 ? "" : " -l " + std::to_string(decodedLayers);
  const std::string command =
      "opj_decompress -i " + name + ".j2k -o " + name + ".pgx" + layers + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return 256;
  int largest = 0;
  for (int c = 0; c < 2; ++c) {
    const std::uint32_t width = kWidth / kFactor[c], height = kHeight / kFactor[c];
    const auto samples = ReadPgx(name + "_" + std::to_string(c) + ".pgx", width, height);
    if (samples.size() != std::size_t{width} * height) return 256;
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        largest = std::max(largest, std::abs(samples[y * width + x] - Sample(c, x, y)));
      }
    }
  }
  for (const char* suffix : {".j2k", "_0.pgx", "_1.pgx"}) std::remove((name + suffix).c_str());
  return largest;
}

constexpr std::uint8_t kPrecincts[] = {3 * 16 + 3, 4 * 16 + 3, 5 * 16 + 4};

class PacketInterop : public ::testing::TestWithParam<int> {};

TEST_P(PacketInterop, OneLayerWithPrecinctsSopAndEphDecodesExactly) {
  EXPECT_EQ(LargestError({GetParam(), 1, 0, kPrecincts}, {}), 0);
}

TEST_P(PacketInterop, TerminatedPassesDecodeExactly) {
  EXPECT_EQ(LargestError({GetParam(), 1, kStyleTerminateEachPass, kPrecincts}, {}), 0);
}

TEST_P(PacketInterop, ThreeLayersDecodeWithTheLastLayerNearlyLossless) {
  const StreamSetup setup{GetParam(), 3, 0, kPrecincts};
  const std::vector<std::uint64_t> budgets = {400, 1200, 1u << 30};
  const int first = LargestError(setup, budgets, 1);
  EXPECT_LT(first, 256);
  EXPECT_GT(first, 2);  // the first layer alone is lossy
  EXPECT_LE(LargestError(setup, budgets), 2);
}

INSTANTIATE_TEST_SUITE_P(Progressions, PacketInterop, ::testing::Values(0, 1, 2, 3, 4));

}  // namespace
}  // namespace quillon::jp2::test
