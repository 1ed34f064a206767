// The block coder against OpenJPEG's decoder: code-blocks of the encoder's own transform
// stage, coded for each style combination, wrapped by hand into a minimal codestream (one
// tile, one layer, one code-block per band) and decoded by opj_decompress, which must give
// the picture back exactly (reversible path).
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
#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "support/CodewordSegments.h"
#include "support/CountingAllocator.h"
#include "support/TilePacketsSupport.h"

namespace quillon::jp2::test {
namespace {

constexpr std::uint32_t kSize = 64;
constexpr int kGuardBits = 2;

std::uint8_t PictureSample(std::uint32_t x, std::uint32_t y) {
  return static_cast<std::uint8_t>((x * 3 + y * 2) ^ ((x * y) % 23) * 5 ^ (x % 7 == 0 ? 90 : 0));
}

std::int32_t PictureRow(void* buffer, std::int16_t, std::uint32_t row, std::uint32_t column,
                        std::uint32_t count, std::uintptr_t) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) bytes[i] = PictureSample(column + i, row);
  return 0;
}

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

struct BandBlock {
  std::vector<std::uint32_t> samples;
  CodeBlockCoefficients input;
};

// Keeps the one code-block of each band, by quantization order.
class BandCollector final : public CodeBlockSink {
 public:
  Status TakeCodeBlock(const CodeBlock& block) override {
    BandBlock& stored = bands[BandIndex(block.resolution, block.band)];
    const std::uint32_t width = block.area.Width(), height = block.area.Height();
    for (std::uint32_t y = 0; y < height; ++y) {
      const std::uint32_t* row = block.coefficients + std::size_t{y} * block.stride;
      stored.samples.insert(stored.samples.end(), row, row + width);
    }
    stored.input.stride = stored.input.width = width;
    stored.input.height = height;
    stored.input.band = BandKindOf(block.band);
    stored.input.magnitudeBits = block.quantization->magnitudeBits;
    return JP2_Success;
  }

  std::map<int, BandBlock> bands;
};

// Packet header bits, with a 0 bit stuffed after every 0xFF byte.
class HeaderBits {
 public:
  void Put(int bit) {
    current_ = static_cast<std::uint8_t>(current_ << 1 | bit);
    if (++filled_ == capacity_) Flush();
  }
  void Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) Put(static_cast<int>((value >> i) & 1));
  }
  std::vector<std::uint8_t> Finish() {
    while (filled_ != 0) Put(0);
    if (!bytes_.empty() && bytes_.back() == 0xFF) bytes_.push_back(0);
    return bytes_;
  }

 private:
  void Flush() {
    bytes_.push_back(current_);
    capacity_ = current_ == 0xFF ? 7 : 8;
    current_ = 0;
    filled_ = 0;
  }
  std::vector<std::uint8_t> bytes_;
  std::uint8_t current_ = 0;
  int filled_ = 0, capacity_ = 8;
};

void PutPassCount(HeaderBits& bits, std::uint32_t passes) {
  if (passes == 1)
    bits.Put(0, 1);
  else if (passes == 2)
    bits.Put(0b10, 2);
  else if (passes <= 5)
    bits.Put(0b1100 | (passes - 3), 4);
  else if (passes <= 36)
    bits.Put((0b1111u << 5) | (passes - 6), 9);
  else
    bits.Put((0x1FFu << 7) | (passes - 37), 16);
}

int FloorLog2(std::uint32_t value) {
  return 31 - __builtin_clz(value);
}

struct Coded {
  BlockCoderOutput out;
  std::vector<std::uint8_t> codeword;
};

// One packet of a resolution: its bands' single code-blocks, header then bodies.
void AppendPacket(const std::vector<std::pair<const BandBlock*, const Coded*>>& blocks, int style,
                  std::vector<std::uint8_t>& stream) {
  HeaderBits bits;
  bits.Put(1);
  for (const auto& [band, coded] : blocks) {
    const BlockCoderOutput& out = coded->out;
    if (out.passCount == 0) {
      bits.Put(0);  // inclusion tag tree: not in layer 0
      continue;
    }
    bits.Put(1);  // inclusion tag tree: value 0
    for (int z = band->input.magnitudeBits - out.planes; z > 0; --z) bits.Put(0);
    bits.Put(1);  // zero bit-plane tag tree
    PutPassCount(bits, out.passCount);
    std::vector<std::pair<std::uint32_t, int>> segments;  // length, passes
    if (out.segmentCount != 0) {
      int start = 0;
      for (int pass = 0; pass < out.passCount; ++pass) {
        if (pass + 1 != out.passCount && !SegmentEndsAfter(style, pass)) continue;
        const std::size_t index = segments.size();
        segments.push_back({out.segmentLengths[index], pass + 1 - start});
        start = pass + 1;
      }
      EXPECT_EQ(segments.size(), std::size_t{out.segmentCount});
    } else {
      segments.push_back({out.length, out.passCount});
    }
    int lblock = 3;
    for (const auto& [length, passes] : segments) {
      while (length >= (1u << (lblock + FloorLog2(static_cast<std::uint32_t>(passes))))) {
        bits.Put(1);
        ++lblock;
      }
    }
    bits.Put(0);
    for (const auto& [length, passes] : segments) {
      bits.Put(length, lblock + FloorLog2(static_cast<std::uint32_t>(passes)));
    }
  }
  const auto header = bits.Finish();
  stream.insert(stream.end(), header.begin(), header.end());
  for (const auto& entry : blocks) {
    stream.insert(stream.end(), entry.second->codeword.begin(), entry.second->codeword.end());
  }
}

std::vector<std::uint8_t> Codestream(int levels, int style,
                                     const std::vector<std::uint8_t>& packets,
                                     const std::vector<int>& exponents) {
  std::vector<std::uint8_t> out;
  Put16(out, 0xFF4F);
  Put16(out, 0xFF51);  // SIZ
  Put16(out, 41);
  Put16(out, 0);
  for (const std::uint32_t value : {kSize, kSize, 0u, 0u, kSize, kSize, 0u, 0u}) Put32(out, value);
  Put16(out, 1);
  out.insert(out.end(), {7, 1, 1});
  Put16(out, 0xFF52);  // COD
  Put16(out, 12);
  out.push_back(0);
  out.push_back(0);  // LRCP
  Put16(out, 1);
  out.push_back(0);
  out.insert(out.end(),
             {static_cast<std::uint8_t>(levels), 4, 4, static_cast<std::uint8_t>(style), 1});
  AppendReversibleTile(out, kGuardBits, exponents, packets);
  return out;
}

// The samples of an 8-bit binary PGM (comment lines allowed in the header), or nothing.
std::vector<std::uint8_t> ReadPgm(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string token;
  std::vector<std::uint32_t> fields;
  if (!(file >> token) || token != "P5") return {};
  while (fields.size() < 3 && file >> token) {
    if (token[0] == '#') {
      std::getline(file, token);
    } else {
      fields.push_back(static_cast<std::uint32_t>(std::stoul(token)));
    }
  }
  if (fields.size() != 3 || fields[2] != 255) return {};
  file.get();
  std::vector<std::uint8_t> samples(std::size_t{fields[0]} * fields[1]);
  if (!file.read(reinterpret_cast<char*>(samples.data()),
                 static_cast<std::streamsize>(samples.size()))) {
    return {};
  }
  return samples;
}

// Releases the coder also when an assertion ends the test early.
struct CoderScope {
  BlockCoder coder;
  ~CoderScope() { EXPECT_TRUE(coder.Release().ok()); }
};

class BlockCoderInterop : public ::testing::TestWithParam<int> {};

TEST_P(BlockCoderInterop, OpenJpegDecodesThePictureBackForEveryStyle) {
  const int levels = GetParam();
  CountingAllocator allocator;
  CompressHandle handle = nullptr;
  ASSERT_EQ(allocator.Start(&handle, 1), 0);
  for (const auto& [id, value] : std::vector<std::pair<std::uint32_t, std::uintptr_t>>{
           {JP2_Prop_Width, kSize},
           {JP2_Prop_Height, kSize},
           {JP2_Prop_BitDepth, 8},
           {JP2_Prop_Levels, static_cast<std::uintptr_t>(levels)},
           {JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&PictureRow)},
           {JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&NoOutput)}}) {
    ASSERT_EQ(JP2_Compress_SetProp(handle, id, value, -1, -1), 0) << id;
  }
  BandCollector collector;
  ASSERT_TRUE(CompressImageInto(*StateOf(handle), collector).ok());
  ASSERT_EQ(JP2_Compress_End(handle), 0);
  ASSERT_EQ(collector.bands.size(), std::size_t(1 + 3 * levels));

  const MemoryCallbacks memory = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
  CoderScope scope;
  BlockCoder& coder = scope.coder;
  ASSERT_TRUE(coder.Init(memory).ok());
  const std::string base = ::testing::TempDir() + "quillon-tier1-" + std::to_string(::getpid()) +
                           "-" + std::to_string(levels);
  for (int style = 0; style < 64; ++style) {
    std::map<int, std::unique_ptr<Coded>> coded;
    std::vector<int> exponents;
    for (auto& [index, band] : collector.bands) {
      CodeBlockCoefficients in = band.input;
      in.samples = band.samples.data();
      in.style = static_cast<std::uint8_t>(style);
      auto result = std::make_unique<Coded>();
      ASSERT_TRUE(coder.Code(in, &result->out).ok());
      result->codeword.assign(result->out.codeword, result->out.codeword + result->out.length);
      coded[index] = std::move(result);
      exponents.push_back(in.magnitudeBits - kGuardBits + 1);
    }
    std::vector<std::uint8_t> packets;
    for (int resolution = 0; resolution <= levels; ++resolution) {
      std::vector<std::pair<const BandBlock*, const Coded*>> blocks;
      const int first = resolution == 0 ? 0 : BandIndex(resolution, kBandHL);
      const int count = resolution == 0 ? 1 : 3;
      for (int i = first; i < first + count; ++i) {
        blocks.push_back({&collector.bands[i], coded[i].get()});
      }
      AppendPacket(blocks, style, packets);
    }
    const std::string stream = base + ".j2k";
    const std::string decoded = base + ".pgm";
    const auto bytes = Codestream(levels, style, packets, exponents);
    std::ofstream(stream, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::remove(decoded.c_str());
    const std::string command =
        "opj_decompress -i " + stream + " -o " + decoded + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << "style " << style;
    const auto samples = ReadPgm(decoded);
    std::remove(stream.c_str());
    std::remove(decoded.c_str());
    ASSERT_EQ(samples.size(), std::size_t{kSize} * kSize) << "style " << style;
    for (std::uint32_t y = 0; y < kSize; ++y) {
      for (std::uint32_t x = 0; x < kSize; ++x) {
        ASSERT_EQ(samples[y * kSize + x], PictureSample(x, y))
            << "style " << style << " at " << x << "," << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, BlockCoderInterop, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace quillon::jp2::test
