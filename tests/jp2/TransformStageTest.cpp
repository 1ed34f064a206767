// The transform stage behind JP2_Compress_Image: the order and arguments of the input
// callback, the intake of delivered elements, the component transform, the code-blocks handed
// on, regions of interest, palette forcing and the memory bound.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "common/ComponentTransforms.h"
#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "encoder/TransformStage.h"
#include "support/EncoderFixture.h"

namespace quillon::jp2::test {
namespace {

struct InputCall {
  int component;
  std::uint32_t row, column, count;
  bool operator==(const InputCall&) const = default;
};

std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

// Coefficients of one band, by absolute band coordinates, from the code-blocks handed on.
using BandKey = std::tuple<std::uint32_t, int, int, int>;  // tile, component, resolution, band

class TransformStage : public EncoderTest, public CodeBlockSink {
 protected:
  // Writes one element per sample: element(component, row, column) in elementBytes bytes of
  // the given byte order.
  std::function<std::uint32_t(int, std::uint32_t, std::uint32_t)> element =
      [](int, std::uint32_t, std::uint32_t) { return 0u; };
  std::uint32_t elementBytes = 1;
  bool bigEndian = false;
  int refuseAt = -1;  // the input call that returns -100
  std::vector<InputCall> calls;

  // What a code-block carried; its pointers are only valid during the hand-over.
  struct Block {
    CodeBlock block;
    std::size_t callsBefore;
    std::uint8_t exponent;
  };
  std::vector<Block> blocks;
  std::map<BandKey, std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t>> bands;

  static std::int32_t Input(void* buffer, std::int16_t component, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
    auto* self = reinterpret_cast<TransformStage*>(param);
    self->calls.push_back({component, row, column, count});
    if (static_cast<int>(self->calls.size()) - 1 == self->refuseAt) return -100;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t value = self->element(component, row, column + i);
      for (std::uint32_t b = 0; b < self->elementBytes; ++b) {
        const std::uint32_t shift = self->bigEndian ? 8 * (self->elementBytes - 1 - b) : 8 * b;
        bytes[i * self->elementBytes + b] = static_cast<std::uint8_t>(value >> shift);
      }
    }
    return 0;
  }

  Status TakeCodeBlock(const CodeBlock& block) override {
    blocks.push_back({block, calls.size(), block.quantization->exponent});
    auto& band = bands[{block.tile, block.component, block.resolution, block.band}];
    for (std::uint32_t y = block.area.y0; y < block.area.y1; ++y) {
      for (std::uint32_t x = block.area.x0; x < block.area.x1; ++x) {
        const std::uint32_t value =
            block.coefficients[std::size_t{y - block.area.y0} * block.stride + (x - block.area.x0)];
        EXPECT_TRUE(band.emplace(std::pair{x, y}, value).second) << "twice: " << x << "," << y;
      }
    }
    return JP2_Success;
  }

  void StartImage(std::int16_t components, std::uint32_t width, std::uint32_t height,
                  std::uint32_t depth, std::uint32_t levels) {
    Start(components);
    SetSize(width, height, depth);
    ASSERT_EQ(Set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&Input)), 0);
    ASSERT_EQ(Set(JP2_Prop_InputParam, reinterpret_cast<std::uintptr_t>(this)), 0);
    ASSERT_EQ(Set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&NoOutput)), 0);
    ASSERT_EQ(Set(JP2_Prop_Levels, levels), 0);
    elementBytes = depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
  }

  Status Run() { return CompressImageInto(*StateOf(handle), *this); }

  // The coefficient at (x, y) of the LL band of component 0, tile 0, as a signed value.
  std::int64_t Coefficient(std::uint32_t x, std::uint32_t y, int component = 0) {
    const auto& band = bands[{0, component, 0, kBandLL}];
    const auto found = band.find({x, y});
    EXPECT_NE(found, band.end()) << x << "," << y;
    if (found == band.end()) return 0;
    const std::int64_t magnitude = found->second & ~kSignBit;
    return (found->second & kSignBit) != 0 ? -magnitude : magnitude;
  }
};

TEST_F(TransformStage, RowsArePulledByTileThenGridRowThenComponent) {
  StartImage(2, 8, 6, 8, 1);
  ASSERT_EQ(Set(JP2_Prop_Width, 4, -1, 1), 0);   // factor 2 across
  ASSERT_EQ(Set(JP2_Prop_Height, 3, -1, 1), 0);  // and down
  ASSERT_EQ(Set(JP2_Prop_TileWidth, 4), 0);
  ASSERT_TRUE(Run().ok());
  std::vector<InputCall> expected;
  for (std::uint32_t tile = 0; tile < 2; ++tile) {
    for (std::uint32_t y = 0; y < 6; ++y) {
      expected.push_back({0, y, 4 * tile, 4});
      if (y % 2 == 0) expected.push_back({1, y / 2, 2 * tile, 2});
    }
  }
  EXPECT_EQ(calls, expected);
}

TEST_F(TransformStage, SixteenBitBigEndianIsSwappedBeforeMasking) {
  StartImage(1, 4, 1, 16, 0);
  ASSERT_EQ(Set(JP2_Prop_ByteOrder, 1), 0);
  bigEndian = true;
  element = [](int, std::uint32_t, std::uint32_t x) { return 0x1234u + 0x1000u * x; };
  ASSERT_TRUE(Run().ok());
  for (std::uint32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(Coefficient(x, 0), std::int64_t{0x1234} + 0x1000 * x - 0x8000) << x;
  }
}

TEST_F(TransformStage, BitsAboveTheDepthAreIgnored) {
  StartImage(1, 2, 1, 12, 0);
  ASSERT_EQ(Set(JP2_Prop_ByteOrder, 1), 0);
  bigEndian = true;
  element = [](int, std::uint32_t, std::uint32_t x) { return x == 0 ? 0xF123u : 0x0FFFu; };
  ASSERT_TRUE(Run().ok());
  EXPECT_EQ(Coefficient(0, 0), 0x123 - 2048);
  EXPECT_EQ(Coefficient(1, 0), 2047);
}

TEST_F(TransformStage, SignedTwelveBitSamplesAreSignExtended) {
  StartImage(1, 5, 1, 12, 0);
  ASSERT_EQ(Set(JP2_Prop_Signed, 1), 0);
  const std::uint32_t delivered[] = {0x0800, 0x07FF, 0x0FFF, 0xF800, 0x0000};
  element = [&](int, std::uint32_t, std::uint32_t x) { return delivered[x]; };
  ASSERT_TRUE(Run().ok());
  const std::int64_t expected[] = {-2048, 2047, -1, -2048, 0};
  for (std::uint32_t x = 0; x < 5; ++x) EXPECT_EQ(Coefficient(x, 0), expected[x]) << x;
}

TEST_F(TransformStage, IrreversibleScalingAndStepCancelWithoutLevels) {
  // Depth 10 and style 2: the samples are scaled by 2^20 and divided by a step of 2^20.
  StartImage(1, 6, 2, 10, 0);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  element = [](int, std::uint32_t y, std::uint32_t x) { return 200 * x + 3 * y; };
  ASSERT_TRUE(Run().ok());
  for (std::uint32_t y = 0; y < 2; ++y) {
    for (std::uint32_t x = 0; x < 6; ++x) {
      EXPECT_EQ(Coefficient(x, y), std::int64_t{200} * x + 3 * y - 512) << x << "," << y;
    }
  }
}

TEST_F(TransformStage, ReversibleColourTransformInvertsExactly) {
  StartImage(3, 7, 5, 8, 0);
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  std::mt19937 random(3);
  std::vector<std::uint32_t> samples(3 * 7 * 5);
  for (std::uint32_t& s : samples) s = random() & 0xFF;
  element = [&](int c, std::uint32_t y, std::uint32_t x) { return samples[(c * 5 + y) * 7 + x]; };
  ASSERT_TRUE(Run().ok());
  for (std::uint32_t y = 0; y < 5; ++y) {
    for (std::uint32_t x = 0; x < 7; ++x) {
      std::int32_t c[3];
      for (int k = 0; k < 3; ++k) c[k] = static_cast<std::int32_t>(Coefficient(x, y, k));
      EXPECT_EQ(c[1], static_cast<std::int32_t>(samples[(2 * 5 + y) * 7 + x]) -
                          static_cast<std::int32_t>(samples[(1 * 5 + y) * 7 + x]))
          << "Y1 = B - G";
      InverseRct(&c[0], &c[1], &c[2], 1);
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(c[k], static_cast<std::int32_t>(samples[(k * 5 + y) * 7 + x]) - 128);
      }
    }
  }
}

TEST(ComponentTransforms, RctInverseIsExactOverTheWholeRange) {
  std::mt19937 random(11);
  std::uniform_int_distribution<std::int32_t> value(-(1 << 27), (1 << 27) - 1);
  std::vector<std::int32_t> r(4096), g(4096), b(4096);
  for (std::size_t i = 0; i < r.size(); ++i) {
    r[i] = value(random);
    g[i] = value(random);
    b[i] = value(random);
  }
  r[0] = g[0] = b[0] = -(1 << 27);
  r[1] = -(1 << 27), g[1] = (1 << 27) - 1, b[1] = -(1 << 27);
  auto c0 = r, c1 = g, c2 = b;
  ForwardRct(c0.data(), c1.data(), c2.data(), c0.size());
  EXPECT_EQ(c0[1], ((-(1 << 27)) * 2 + 2 * ((1 << 27) - 1)) >> 2);
  InverseRct(c0.data(), c1.data(), c2.data(), c0.size());
  EXPECT_EQ(c0, r);
  EXPECT_EQ(c1, g);
  EXPECT_EQ(c2, b);
}

TEST(ComponentTransforms, IctUsesItsConstants) {
  float y = 100, cb = 50, cr = 20;
  ForwardIct(&y, &cb, &cr, 1);
  EXPECT_FLOAT_EQ(y, 0.299f * 100 + 0.587f * 50 + 0.114f * 20);
  EXPECT_FLOAT_EQ(cb, 0.5f * 20 - 0.33126f * 50 - 0.16875f * 100);
  EXPECT_FLOAT_EQ(cr, 0.5f * 100 - 0.41869f * 50 - 0.08131f * 20);
}

TEST_F(TransformStage, CodeBlocksLeaveAsSoonAsTheirLastRowExists) {
  StartImage(1, 20, 19, 8, 0);
  ASSERT_EQ(Set(JP2_Prop_CodeBlockWidth, 8), 0);
  ASSERT_EQ(Set(JP2_Prop_CodeBlockHeight, 4), 0);
  ASSERT_TRUE(Run().ok());
  ASSERT_EQ(blocks.size(), 3u * 5u);  // columns 0-8-16-20, rows 0-4-...-16-19
  for (const Block& b : blocks) {
    EXPECT_EQ(b.callsBefore, b.block.area.y1) << "handed on right after its last row";
    EXPECT_EQ(b.block.area.y0 % 4, 0u);
    EXPECT_EQ(b.block.area.x0 % 8, 0u);
  }
  EXPECT_EQ((bands[{0, 0, 0, kBandLL}].size()), 20u * 19u);
}

TEST_F(TransformStage, CodeBlocksFollowPrecinctsAndCoverEveryBand) {
  StartImage(1, 37, 29, 8, 2);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  ASSERT_EQ(JP2_Compress_SetPrecinct(handle, 4, 3, -1, -1, -1), 0);
  ASSERT_TRUE(Run().ok());
  std::size_t coefficients = 0;
  for (const auto& [key, band] : bands) coefficients += band.size();
  EXPECT_EQ(coefficients, 37u * 29u);
  for (const Block& b : blocks) {
    // Precincts of 16 x 8 hold code-blocks of 16 x 8 at resolution 0, 8 x 4 above it.
    const std::uint32_t width = b.block.resolution == 0 ? 16 : 8;
    const std::uint32_t height = b.block.resolution == 0 ? 8 : 4;
    EXPECT_LE(b.block.area.Width(), width);
    EXPECT_LE(b.block.area.Height(), height);
    EXPECT_EQ(b.block.area.x0 % width == 0 || b.block.area.x0 == 0, true);
  }
}

TEST_F(TransformStage, AnInputErrorStopsAtOnceAndIsReturned) {
  StartImage(1, 16, 16, 8, 3);
  refuseAt = 2;
  EXPECT_EQ(JP2_Compress_Image(handle), -100);
  EXPECT_EQ(calls.size(), 3u);
  EXPECT_TRUE(blocks.empty());
}

TEST_F(TransformStage, AFailedTileAllocationGivesMinusOneBeforeAnyInput) {
  StartImage(1, 16, 16, 8, 3);
  allocator.failAt = allocator.allocations;  // the next request: the tile's working memory
  EXPECT_EQ(JP2_Compress_Image(handle), JP2_Error_OutOfMemory);
  EXPECT_TRUE(calls.empty());
}

TEST_F(TransformStage, ValidImagesStillStopAfterTheTransformStage) {
  StartImage(3, 16, 16, 8, 3);
  EXPECT_EQ(JP2_Compress_Image(handle), JP2_Success);
  EXPECT_EQ(calls.size(), 3u * 16u);
}

TEST_F(TransformStage, RegionCoefficientsAreShiftedByTheLargestBitPlaneCount) {
  StartImage(1, 16, 4, 8, 0);
  ASSERT_EQ(JP2_Compress_SetROI(handle, 0, 0, 500, 1000), 0);
  element = [](int, std::uint32_t, std::uint32_t) { return 131u; };
  ASSERT_TRUE(Run().ok());
  ASSERT_FALSE(blocks.empty());
  EXPECT_EQ(blocks[0].block.roiShift, 2 + 8 - 1);
  for (std::uint32_t x = 0; x < 16; ++x) {
    EXPECT_EQ(Coefficient(x, 1), x < 8 ? 3 << 9 : 3) << x;
  }
}

TEST_F(TransformStage, RegionsReachFurtherAtCoarserLevels) {
  StartImage(1, 64, 64, 8, 2);
  ASSERT_EQ(JP2_Compress_SetROI(handle, 500, 500, 0, 0), 0);  // the bottom right quarter
  element = [](int, std::uint32_t, std::uint32_t) { return 200u; };
  ASSERT_TRUE(Run().ok());
  // LL of 2 levels: 16 x 16, region from 8; the 5/3 margin reaches one position further.
  const auto& ll = bands[{0, 0, 0, kBandLL}];
  const std::uint32_t shift = blocks[0].block.roiShift;
  EXPECT_EQ((ll.at({7, 7}) >> shift), 72u) << "inside the widened span: shifted";
  EXPECT_EQ((ll.at({6, 6})), 72u) << "outside: as it was";
  EXPECT_EQ((ll.at({15, 15}) >> shift), 72u);
}

TEST_F(TransformStage, RegionShiftAbove16BitPlanesFailsBeforeAnyInput) {
  StartImage(1, 8, 8, 16, 1);  // Mb of HH: 2 + 18 - 1 = 19
  ASSERT_EQ(JP2_Compress_SetROI(handle, 0, 0, 0, 0), 0);
  EXPECT_EQ(JP2_Compress_Image(handle), JP2_Error_RoiShift);
  EXPECT_TRUE(calls.empty());
  ASSERT_EQ(Set(JP2_Prop_GuardBits, 0), 0);  // 0 + 18 - 1 = 17
  EXPECT_EQ(JP2_Compress_Image(handle), JP2_Error_RoiShift);
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 15), 0);  // 0 + 17 - 1 = 16 fits the limit
  EXPECT_EQ(JP2_Compress_Image(handle), JP2_Error_RoiShift) << "but 16 + 16 magnitude bits do not";
  ASSERT_EQ(Set(JP2_Prop_BitDepth, 14), 0);
  EXPECT_NE(JP2_Compress_Image(handle), JP2_Error_RoiShift);
  EXPECT_FALSE(calls.empty());
}

TEST_F(TransformStage, LossyRegionsAtFiveLevelsFitTheShiftLimit) {
  StartImage(1, 64, 64, 8, 5);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  ASSERT_EQ(JP2_Compress_SetROI(handle, 100, 100, 300, 300), 0);
  ASSERT_TRUE(Run().ok());
  ASSERT_FALSE(blocks.empty());
  // LL5: s = 2^-8 / 33.9249 = 2^-14 x (1 + 1816/2048), so Mb = 2 + 14 - 1.
  EXPECT_EQ(blocks[0].block.roiShift, 15);
}

TEST_F(TransformStage, PaletteIndicesAreCodedReversiblyWithoutLevels) {
  StartImage(1, 9, 7, 8, 4);
  ASSERT_EQ(Set(JP2_Prop_Reversible, 0), 0);
  ASSERT_EQ(Set(JP2_Prop_QuantStyle, 1), 0);
  ASSERT_EQ(SetTwoEntryPalette(3), 0);
  element = [](int, std::uint32_t y, std::uint32_t x) { return (x + y) & 1; };
  ASSERT_TRUE(Run().ok());
  for (const Block& b : blocks) {
    EXPECT_EQ(b.block.resolution, 0);
    EXPECT_EQ(b.exponent, 8) << "no quantization: the range bits";
  }
  EXPECT_EQ(Coefficient(1, 0), 1 - 128);
  EXPECT_EQ(Coefficient(1, 1), -128);
}

TEST_F(TransformStage, PreparationSetsLayersTransformAndTargetFactor) {
  StartImage(3, 64, 64, 8, 2);
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  ASSERT_EQ(Set(JP2_Prop_Layers, 3), 0);
  ASSERT_EQ(Set(JP2_Prop_TargetSize, 1536), 0);  // 12288 bytes at a ratio of 8
  CompressState& state = *StateOf(handle);
  TransformSetup setup;
  ASSERT_TRUE(PrepareTransforms(state, &setup).ok());
  EXPECT_TRUE(setup.componentTransform);
  EXPECT_TRUE(setup.targeted);
  EXPECT_DOUBLE_EQ(setup.targetStepFactor, 0.5);
  EXPECT_EQ(state.tiles[0].layers, 3);

  ASSERT_EQ(Set(JP2_Prop_BitDepth, 1, -1, 2), 0);
  ASSERT_TRUE(PrepareTransforms(state, &setup).ok());
  EXPECT_EQ(state.tiles[0].layers, 1) << "a 1-bit component leaves one layer";
  EXPECT_FALSE(setup.componentTransform) << "the colour components differ in depth";

  ASSERT_EQ(Set(JP2_Prop_BitDepth, 8), 0);
  ASSERT_EQ(JP2_Compress_SetROI(handle, 0, 0, 0, 0), 0);
  ASSERT_TRUE(PrepareTransforms(state, &setup).ok());
  EXPECT_FALSE(setup.targeted) << "regions keep the plain steps";
  EXPECT_EQ(setup.regionCount, 1u);
  EXPECT_EQ(setup.regions[0].x1, 64u);

  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sYCC), 0);
  EXPECT_FALSE(UsesComponentTransform(state));
  ASSERT_EQ(Set(JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
  ASSERT_EQ(SetTwoEntryPalette(3), 0);
  EXPECT_FALSE(UsesComponentTransform(state)) << "palette indices are not colours";
}

TEST_F(TransformStage, MemoryFollowsTheTileWidthNotTheHeight) {
  std::uint32_t largest[2][2] = {};
  for (const int reversible : {0, 1}) {
    for (const int tall : {0, 1}) {
      allocator.largest = 0;
      // Both tall enough that every band holds full rows of 64-row code-blocks.
      StartImage(1, 256, tall ? 8192 : 2048, 8, 5);
      ASSERT_EQ(Set(JP2_Prop_Reversible, reversible), 0);
      EXPECT_EQ(JP2_Compress_Image(handle), JP2_Success);
      largest[reversible][tall] = allocator.largest;
      ASSERT_EQ(JP2_Compress_End(handle), 0);
      handle = nullptr;
    }
    EXPECT_EQ(largest[reversible][0], largest[reversible][1]) << reversible;
    EXPECT_LT(largest[reversible][1], 256u * 64u * 4u * 4u)
        << "a few code-block heights of rows, not the 8 MiB of the tile";
  }
}

}  // namespace
}  // namespace quillon::jp2::test
