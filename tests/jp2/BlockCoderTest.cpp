// The block coder against the tests' own tier-1 decoder: every pass of random blocks, cut at
// its truncation length, decodes to what the whole codeword gives after that pass, and after
// every cleanup pass to the coefficients' bit planes; for every combination of style bits.
// Then the pass bookkeeping: counts, storage order, lengths, distortions, segments.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <memory>
#include <random>
#include <vector>

#include "encoder/BlockCoder.h"
#include "support/CountingAllocator.h"
#include "support/Tier1TestDecoder.h"

namespace quillon::jp2::test {
namespace {

constexpr std::uint32_t kSign = 0x80000000u;

struct Block {
  int width = 0, height = 0;
  std::vector<std::uint32_t> samples;
};

// Mostly small magnitudes with long zero runs, a few large ones: every pass and the
// run-length mode get work.
Block RandomBlock(std::mt19937& rng, int width, int height, int maxBits) {
  Block block{width, height, std::vector<std::uint32_t>(std::size_t(width) * height)};
  for (auto& sample : block.samples) {
    if (rng() % 3 == 0) continue;
    const int bits = static_cast<int>(rng() % (maxBits + 1));
    const std::uint32_t magnitude =
        bits == 0 ? 0 : (rng() & ((1u << bits) - 1)) | (1u << (bits - 1));
    sample = magnitude != 0 && (rng() & 1) != 0 ? (magnitude | kSign) : magnitude;
  }
  return block;
}

class BlockCoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_ = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
    ASSERT_TRUE(coder_.Init(memory_).ok());
  }
  void TearDown() override { EXPECT_TRUE(coder_.Release().ok()); }

  CodeBlockCoefficients Input(const Block& block, int band = 0, int style = 0) {
    CodeBlockCoefficients in;
    in.samples = block.samples.data();
    in.stride = static_cast<std::uint32_t>(block.width);
    in.width = static_cast<std::uint32_t>(block.width);
    in.height = static_cast<std::uint32_t>(block.height);
    in.band = static_cast<BandKind>(band);
    in.style = static_cast<std::uint8_t>(style);
    in.magnitudeBits = 31;
    return in;
  }

  // Codes the block and returns its codeword (empty for a block of zeros).
  std::vector<std::uint8_t> Code(const CodeBlockCoefficients& in) {
    const Status status = coder_.Code(in, out_.get());
    EXPECT_TRUE(status.ok()) << status.code();
    return {out_->codeword, out_->codeword + out_->length};
  }

  MemoryCallbacks memory_;
  BlockCoder coder_;
  std::unique_ptr<BlockCoderOutput> out_ = std::make_unique<BlockCoderOutput>();
};

std::vector<std::uint32_t> KeepPlanesFrom(const std::vector<std::uint32_t>& samples, int plane) {
  std::vector<std::uint32_t> kept;
  for (const std::uint32_t sample : samples) {
    const std::uint32_t magnitude = (sample & ~kSign) >> plane << plane;
    kept.push_back(magnitude == 0 ? 0 : magnitude | (sample & kSign));
  }
  return kept;
}

// The segment lengths a decoder is given for the first passes of a codeword cut at bytes:
// the whole segments before the last pass's one, and what the cut leaves of that.
std::vector<std::uint32_t> SegmentsFor(const BlockCoderOutput& out, int style, int passes,
                                       std::uint32_t bytes) {
  if (out.segmentCount == 0) return {bytes};
  std::vector<std::uint32_t> lengths;
  std::uint32_t start = 0;
  for (int pass = 0; pass < passes; ++pass) {
    if (pass + 1 == passes) {
      lengths.push_back(bytes - start);
    } else if (SegmentEndsAfter(style, pass)) {
      lengths.push_back(out.segmentLengths[lengths.size()]);
      start += lengths.back();
    }
  }
  return lengths;
}

// stoppedEarly: the coder may have ended the block after any cleanup pass.
void CheckRoundTrip(const Block& block, const BlockCoderOutput& out,
                    const std::vector<std::uint8_t>& codeword, int band, int style,
                    bool stoppedEarly = false) {
  std::uint32_t any = 0;
  for (const std::uint32_t sample : block.samples) any |= sample & ~kSign;
  const int planes = std::bit_width(any);
  ASSERT_EQ(out.planes, planes);
  if (stoppedEarly && planes != 0) {
    ASSERT_LE(out.passCount, 3 * planes - 2);
    ASSERT_EQ(out.passCount % 3, 1);
  } else {
    ASSERT_EQ(out.passCount, planes == 0 ? 0 : 3 * planes - 2);
  }
  if (planes == 0) return;

  const Tier1Setup setup{block.width, block.height, band, style, planes};
  for (int passes = 1; passes <= out.passCount; ++passes) {
    const std::uint32_t cut = out.truncation[out.passCount - passes];
    ASSERT_LE(cut, codeword.size());
    const std::vector<std::uint8_t> prefix(codeword.begin(), codeword.begin() + cut);
    Tier1TestDecoder whole(setup), truncated(setup);
    const auto full =
        whole.Decode(codeword.data(), SegmentsFor(out, style, out.passCount, out.length), passes);
    const auto cutDecode =
        truncated.Decode(prefix.data(), SegmentsFor(out, style, passes, cut), passes);
    ASSERT_TRUE(whole.ok && truncated.ok) << passes;
    ASSERT_EQ(cutDecode, full) << "passes " << passes << " cut at " << cut;
    if (passes % 3 == 1) {
      const int plane = planes - 1 - (passes - 1) / 3;
      ASSERT_EQ(full, KeepPlanesFrom(block.samples, plane)) << "plane " << plane;
    }
  }
}

void CheckTruncationPoints(const BlockCoderOutput& out, const std::vector<std::uint8_t>& codeword,
                           int style = 0) {
  if (out.passCount == 0) return;
  EXPECT_EQ(out.truncation[0], out.length);
  if (!codeword.empty()) {
    EXPECT_NE(codeword.back(), 0xFF);
  }
  for (int i = 0; i < out.passCount; ++i) {
    const std::uint32_t cut = out.truncation[i];
    if (i + 1 < out.passCount) {
      EXPECT_LE(out.truncation[i + 1], cut) << i;
    }
    if (cut >= 1) {
      EXPECT_NE(codeword[cut - 1], 0xFF) << i;
    }
    if (cut >= 2) {
      EXPECT_FALSE(codeword[cut - 2] == 0xFF && codeword[cut - 1] == 0x7F) << i;
    }
  }
  // Every segment end is an exact truncation point.
  if (out.segmentCount != 0) {
    std::uint32_t end = 0;
    int segment = 0;
    for (int k = 0; k < out.passCount; ++k) {
      if (k + 1 != out.passCount && !SegmentEndsAfter(style, k)) continue;
      ASSERT_LT(segment, out.segmentCount);
      end += out.segmentLengths[segment++];
      EXPECT_EQ(out.truncation[out.passCount - 1 - k], end) << k;
    }
    EXPECT_EQ(segment, out.segmentCount);
    EXPECT_EQ(end, out.length);
  }
}

TEST_F(BlockCoderTest, EveryPassOfRandomBlocksDecodesForEveryStyle) {
  const int sizes[][2] = {{1, 1}, {1, 9}, {9, 1}, {3, 5}, {7, 13}, {16, 16}, {32, 7}};
  std::mt19937 rng(2024);
  int checked = 0;
  // The lossy path cuts its arithmetic segments at the shortest cuts, the reversible one at
  // the running estimates.
  for (const bool reversible : {true, false}) {
    for (int style = 0; style < 64; ++style) {
      for (int band = 0; band < 3; ++band) {
        for (const auto& size : sizes) {
          const Block block = RandomBlock(rng, size[0], size[1], 1 + static_cast<int>(rng() % 9));
          CodeBlockCoefficients in = Input(block, band, style);
          in.reversible = reversible;
          const auto codeword = Code(in);
          SCOPED_TRACE(testing::Message()
                       << "reversible " << reversible << " style " << style << " band " << band
                       << " size " << size[0] << "x" << size[1]);
          CheckRoundTrip(block, *out_, codeword, band, style);
          CheckTruncationPoints(*out_, codeword, style);
          if (HasFatalFailure()) return;
          checked += out_->passCount;
        }
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

// Skipping the rate points must leave the codeword and its segments as they are.
TEST_F(BlockCoderTest, WithoutRatePointsTheCodewordAndItsSegmentsStay) {
  std::mt19937 rng(77);
  for (const bool reversible : {true, false}) {
    for (int style = 0; style < 64; ++style) {
      const Block block = RandomBlock(rng, 24, 20, 2 + static_cast<int>(rng() % 8));
      CodeBlockCoefficients in = Input(block, style % 3, style);
      in.reversible = reversible;
      const auto measured = Code(in);
      const std::vector<std::uint32_t> segments(out_->segmentLengths,
                                                out_->segmentLengths + out_->segmentCount);
      in.ratePoints = false;
      SCOPED_TRACE(testing::Message() << "reversible " << reversible << " style " << style);
      EXPECT_EQ(Code(in), measured);
      EXPECT_EQ(std::vector<std::uint32_t>(out_->segmentLengths,
                                           out_->segmentLengths + out_->segmentCount),
                segments);
      for (int i = 0; i < out_->passCount; ++i) EXPECT_EQ(out_->truncation[i], out_->length);
    }
  }
}

// The passes compiled for BMI2 and LZCNT and the portable ones give the same output: the
// codeword, every truncation length, distortion and segment. (Where the processor lacks the
// instructions both runs take the portable passes.)
TEST_F(BlockCoderTest, BitInstructionsGiveThePortableOutput) {
  std::mt19937 rng(4242);
  const int sizes[][2] = {{64, 64}, {32, 7}, {5, 64}, {1024, 4}};
  for (const bool reversible : {true, false}) {
    for (const bool ratePoints : {true, false}) {
      for (int style = 0; style < 64; style += 3) {
        for (const auto& size : sizes) {
          const Block block = RandomBlock(rng, size[0], size[1], 1 + static_cast<int>(rng() % 14));
          CodeBlockCoefficients in = Input(block, style % 3, style);
          in.reversible = reversible;
          in.ratePoints = ratePoints;
          in.roiShift = static_cast<std::uint8_t>(style % 2 == 0 ? 0 : 3);
          in.enhance = static_cast<std::uint8_t>(style % 11);
          in.weight = 0.75;
          coder_.UseBitInstructions(false);
          const auto portable = Code(in);
          const BlockCoderOutput expected = *out_;
          coder_.UseBitInstructions(true);
          SCOPED_TRACE(testing::Message()
                       << "reversible " << reversible << " rate points " << ratePoints << " style "
                       << style << " size " << size[0] << "x" << size[1]);
          EXPECT_EQ(Code(in), portable);
          const int passes = expected.passCount;
          ASSERT_EQ(out_->passCount, passes);
          EXPECT_TRUE(
              std::equal(expected.truncation, expected.truncation + passes, out_->truncation));
          EXPECT_TRUE(
              std::equal(expected.distortion, expected.distortion + passes, out_->distortion));
          EXPECT_EQ(std::vector<std::uint32_t>(out_->segmentLengths,
                                               out_->segmentLengths + out_->segmentCount),
                    std::vector<std::uint32_t>(expected.segmentLengths,
                                               expected.segmentLengths + expected.segmentCount));
        }
      }
    }
  }
}

TEST_F(BlockCoderTest, LargeAndExtremeBlocksDecodeWhole) {
  std::mt19937 rng(99);
  const int sizes[][2] = {{64, 64}, {1024, 4}, {4, 1024}, {1024, 1}, {1, 1024}, {33, 65}};
  for (const auto& size : sizes) {
    for (const int maxBits : {3, 16, 31}) {
      const Block block = RandomBlock(rng, size[0], size[1], maxBits);
      for (const int style : {0, 8 | 32, 4 | 2, 1, 1 | 4 | 16}) {
        const auto codeword = Code(Input(block, 2, style));
        CheckTruncationPoints(*out_, codeword, style);
        Tier1TestDecoder decoder({block.width, block.height, 2, style, out_->planes});
        EXPECT_EQ(decoder.Decode(codeword.data(),
                                 SegmentsFor(*out_, style, out_->passCount, out_->length),
                                 out_->passCount),
                  block.samples)
            << size[0] << "x" << size[1] << " bits " << maxBits << " style " << style;
      }
    }
  }
}

TEST_F(BlockCoderTest, TruncationPointsStepBackOverFFAndFF7F) {
  std::mt19937 rng(61);
  int steppedBack = 0;
  for (int round = 0; round < 150; ++round) {
    const Block block = RandomBlock(rng, 32, 32, 12);
    const auto codeword =
        Code(Input(block, round % 3, round % 2 == 0 ? 0 : kStyleVerticallyCausal));
    CheckTruncationPoints(*out_, codeword);
    if (HasFailure()) return;
    for (int i = 1; i < out_->passCount; ++i) {
      // A cut that stepped back leaves the 0xFF it stepped over right behind it.
      const std::uint32_t cut = out_->truncation[i];
      steppedBack += cut < codeword.size() && codeword[cut] == 0xFF;
    }
  }
  EXPECT_GT(steppedBack, 0);
}

TEST_F(BlockCoderTest, BlockReadWithAStride) {
  std::mt19937 rng(5);
  const Block wide = RandomBlock(rng, 40, 12, 8);
  CodeBlockCoefficients in = Input(wide);
  in.width = 17;  // the left 17 columns of each row
  in.height = 11;
  const auto codeword = Code(in);
  Block inner{17, 11, {}};
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 17; ++x) inner.samples.push_back(wide.samples[y * 40 + x]);
  }
  CheckRoundTrip(inner, *out_, codeword, 0, 0);
}

TEST_F(BlockCoderTest, SingleCoefficientOfOneIsOneCleanupPass) {
  Block block{5, 6, std::vector<std::uint32_t>(30)};
  block.samples[13] = 1 | kSign;
  CodeBlockCoefficients in = Input(block);
  in.weight = 3.0;
  const auto codeword = Code(in);
  EXPECT_EQ(out_->planes, 1);
  EXPECT_EQ(out_->passCount, 1);
  EXPECT_FALSE(codeword.empty());
  EXPECT_EQ(out_->truncation[0], out_->length);
  // Lossless: x = 1 gives 8192 x 1^2, times 2^0 and the weight.
  EXPECT_FLOAT_EQ(out_->distortion[0], 8192.0f * 3.0f);
  CheckRoundTrip(block, *out_, codeword, 0, 0);
}

TEST_F(BlockCoderTest, OneByOneBlocksOfEveryMagnitudeWidth) {
  for (int bits = 1; bits <= 31; ++bits) {
    for (const std::uint32_t sign : {0u, kSign}) {
      Block block{1, 1, {((1u << (bits - 1)) | 1u) | sign}};
      const auto codeword = Code(Input(block, 1, 4));
      EXPECT_EQ(out_->planes, bits);
      CheckRoundTrip(block, *out_, codeword, 1, 4);
      CheckTruncationPoints(*out_, codeword, kStyleTerminateEachPass);
    }
  }
}

TEST_F(BlockCoderTest, ZeroBlocksAndEmptyBlocksHaveNoPasses) {
  Block zeros{8, 8, std::vector<std::uint32_t>(64)};
  zeros.samples[5] = kSign;  // a signed zero is still zero
  Code(Input(zeros));
  EXPECT_EQ(out_->planes, 0);
  EXPECT_EQ(out_->passCount, 0);
  EXPECT_EQ(out_->length, 0u);
  Block empty{0, 0, {}};
  EXPECT_TRUE(coder_.Code(Input(empty), out_.get()).ok());
  EXPECT_EQ(out_->passCount, 0);
}

TEST_F(BlockCoderTest, RefusesBlocksBeyondTheLimitsAndMissingBitPlanes) {
  Block block{8, 8, std::vector<std::uint32_t>(64, 5)};
  CodeBlockCoefficients in = Input(block);
  in.magnitudeBits = 2;  // 5 needs three planes
  EXPECT_EQ(coder_.Code(in, out_.get()).code(), JP2_Error_Limit);
  in.roiShift = 1;
  EXPECT_TRUE(coder_.Code(in, out_.get()).ok());
  in = Input(block);
  in.width = 1025;
  in.height = 1;
  EXPECT_EQ(coder_.Code(in, out_.get()).code(), JP2_Error_ValueOutOfRange);
  in.width = 128;
  in.height = 64;
  EXPECT_EQ(coder_.Code(in, out_.get()).code(), JP2_Error_ValueOutOfRange);
  in = Input(block);
  in.stride = 7;
  EXPECT_EQ(coder_.Code(in, out_.get()).code(), JP2_Error_ValueOutOfRange);
  in = Input(block);
  in.samples = nullptr;
  EXPECT_EQ(coder_.Code(in, out_.get()).code(), JP2_Error_NullArgument);
  BlockCoder unprepared;
  EXPECT_EQ(unprepared.Code(Input(block), out_.get()).code(), JP2_Error_Internal);
}

// A block whose lower planes lie well below the slope floor ends after a cleanup pass; what
// it codes decodes as before, every pass kept has the distortion of the whole coding, and a
// floor no plane reaches below changes nothing.
TEST_F(BlockCoderTest, ASlopeFloorEndsTheBlockAfterACleanupPass) {
  std::mt19937 rng(31);
  int stopped = 0, blocks = 0;
  for (const bool reversible : {true, false}) {
    for (const int style : {0, 1, 2, 4, 8, 16, 32, 63, 0, 5, 10, 63}) {
      const Block block = RandomBlock(rng, 24, 24, 10 + static_cast<int>(rng() % 6));
      ++blocks;
      CodeBlockCoefficients in = Input(block, style % 3, style);
      in.reversible = reversible;
      const auto wholeCodeword = Code(in);
      const BlockCoderOutput whole = *out_;
      SCOPED_TRACE(testing::Message() << "reversible " << reversible << " style " << style);
      for (const float floor : {whole.distortion[0] / static_cast<float>(whole.length), 1e-30f}) {
        in.slopeFloor = floor;
        const auto codeword = Code(in);
        CheckRoundTrip(block, *out_, codeword, style % 3, style, true);
        CheckTruncationPoints(*out_, codeword, style);
        if (HasFatalFailure()) return;
        for (int k = 0; k < out_->passCount; ++k) {
          ASSERT_EQ(out_->distortion[out_->passCount - 1 - k],
                    whole.distortion[whole.passCount - 1 - k]);
        }
        if (floor < 1.0f) {
          ASSERT_EQ(codeword, wholeCodeword);
        }
        stopped += out_->passCount < whole.passCount ? 1 : 0;
      }
    }
  }
  EXPECT_GE(stopped, blocks * 3 / 4);
}

TEST_F(BlockCoderTest, PassesAreStoredLastFirstWithGrowingDistortion) {
  std::mt19937 rng(17);
  const Block block = RandomBlock(rng, 32, 32, 7);
  Code(Input(block));
  ASSERT_EQ(out_->passCount, 3 * out_->planes - 2);
  // Lossless tables never take distortion away, so the first pass (highest index) holds the
  // least and the last (index 0) the most.
  for (int i = 0; i + 1 < out_->passCount; ++i) {
    EXPECT_GE(out_->distortion[i], out_->distortion[i + 1]) << i;
  }
  EXPECT_GT(out_->distortion[out_->passCount - 1], 0.0f);
}

TEST_F(BlockCoderTest, LossyDistortionUsesTheMidpointTables) {
  Block block{1, 1, {0b110}};  // planes 2, 1, 0
  CodeBlockCoefficients in = Input(block);
  in.reversible = false;
  Code(in);
  ASSERT_EQ(out_->passCount, 7);
  // The index 110b stands for a coefficient at its interval's midpoint, 6.5.
  // Cleanup of plane 2: x = 6.5 / 4 = 1.625 -> x^2 - (x - 1.5)^2 = 2.625, times 2^4.
  EXPECT_FLOAT_EQ(out_->distortion[6], 8192.0f * 2.625f * 16.0f);
  // Refinement of plane 1: x = 2.5 / 2 = 1.25 -> (x - 1)^2 - (x - 1.5)^2 = 0, times 2^2.
  EXPECT_FLOAT_EQ(out_->distortion[4], out_->distortion[6]);
  // Refinement of plane 0: x = 0.5 -> (x - 1)^2 - (x - 0.5)^2 = 0.25.
  EXPECT_FLOAT_EQ(out_->distortion[1], out_->distortion[4] + 8192.0f * 0.25f);
}

// On the lossy path, coding every pass of a magnitude below 64 (all of whose bits the
// distortion index reads) takes away the whole squared error of the coefficient at the midpoint
// of its quantization interval, also where the low planes have fewer bits below them than the
// index reads.
TEST_F(BlockCoderTest, LossyPassesTakeAwayTheWholeSquaredMidpoint) {
  for (const std::uint32_t magnitude : {1u, 2u, 3u, 6u, 37u, 63u}) {
    Block block{1, 1, {magnitude}};
    CodeBlockCoefficients in = Input(block);
    in.reversible = false;
    Code(in);
    ASSERT_GT(out_->passCount, 0) << magnitude;
    const double midpoint = magnitude + 0.5;
    EXPECT_FLOAT_EQ(out_->distortion[0], static_cast<float>(8192.0 * midpoint * midpoint))
        << magnitude;
  }
}

TEST_F(BlockCoderTest, BackgroundPlanesWeighMoreWithWeakerEnhancement) {
  Block block{1, 1, {0b110}};
  CodeBlockCoefficients in = Input(block);
  in.roiShift = 2;
  in.enhance = 10;
  Code(in);
  const float strong = out_->distortion[1] - out_->distortion[2];  // refinement of plane 0
  in.enhance = 0;
  Code(in);
  const float weak = out_->distortion[1] - out_->distortion[2];
  // Plane 0 lies below the shift of 2: E = 0 weighs it 2^(2 x 2) times more.
  EXPECT_FLOAT_EQ(weak, 16.0f * strong);
  EXPECT_GT(strong, 0.0f);
}

TEST_F(BlockCoderTest, TerminatingEveryPassRecordsOneSegmentPerPass) {
  std::mt19937 rng(23);
  const Block block = RandomBlock(rng, 16, 8, 6);
  const auto codeword = Code(Input(block, 0, kStyleTerminateEachPass));
  EXPECT_EQ(out_->segmentCount, out_->passCount);
  CheckTruncationPoints(*out_, codeword, kStyleTerminateEachPass);
  // A refinement pass of the second plane has nothing to refine: it is an empty segment.
  Block single{1, 1, {0b10}};
  Code(Input(single, 0, kStyleTerminateEachPass));
  ASSERT_EQ(out_->passCount, 4);
  EXPECT_EQ(out_->segmentLengths[1], 0u);  // significance pass of plane 0: no neighbours
  EXPECT_GT(out_->segmentLengths[2], 0u);  // refinement of the one coefficient
}

// Bypass: one arithmetic segment for the first four planes, then per plane a raw segment
// (significance and refinement) and an arithmetic one (cleanup); fewer planes, one segment.
TEST_F(BlockCoderTest, BypassSplitsTheCodewordFromTheFifthPlaneOn) {
  std::mt19937 rng(5);
  Block block = RandomBlock(rng, 16, 16, 6);
  block.samples[0] = 0b100000;  // six planes
  const auto codeword = Code(Input(block, 0, kStyleBypass));
  ASSERT_EQ(out_->planes, 6);
  EXPECT_EQ(out_->segmentCount, 1 + 2 * 2);
  CheckTruncationPoints(*out_, codeword, kStyleBypass);
  Block shallow = RandomBlock(rng, 16, 16, 4);
  Code(Input(shallow, 0, kStyleBypass));
  EXPECT_EQ(out_->segmentCount, 0) << "one segment needs no list";
}

TEST_F(BlockCoderTest, CodewordsOutgrowingTheFirstBufferAreKept) {
  std::mt19937 rng(31);
  Block block{64, 64, std::vector<std::uint32_t>(4096)};
  for (auto& sample : block.samples) sample = (rng() & 0x7FFFFFFF) | (rng() & kSign);
  const auto codeword = Code(Input(block, 2, kStyleTerminateEachPass | kStyleResetContexts));
  EXPECT_GT(codeword.size(), 16384u);
  Tier1TestDecoder decoder(
      {64, 64, 2, kStyleTerminateEachPass | kStyleResetContexts, out_->planes});
  EXPECT_EQ(decoder.Decode(codeword.data(),
                           SegmentsFor(*out_, kStyleTerminateEachPass | kStyleResetContexts,
                                       out_->passCount, out_->length),
                           out_->passCount),
            block.samples);
}

TEST(BlockCoderMemory, RefusedWorkspaceOrGrowthGivesOutOfMemory) {
  CountingAllocator allocator;
  const MemoryCallbacks memory =
      MemoryCallbacksOrDefaults(CountingAllocator::Allocate, allocator.Param(),
                                CountingAllocator::Release, allocator.Param());
  BlockCoder coder;
  allocator.failAt = 0;
  EXPECT_EQ(coder.Init(memory).code(), JP2_Error_OutOfMemory);
  EXPECT_TRUE(coder.Release().ok());
  allocator.failAt = allocator.allocations + 2;  // workspace, buffer, then the first growth
  ASSERT_TRUE(coder.Init(memory).ok());
  std::mt19937 rng(8);
  std::vector<std::uint32_t> samples(4096);
  for (auto& sample : samples) sample = rng() & 0x7FFFFFFF;
  CodeBlockCoefficients in;
  in.samples = samples.data();
  in.stride = in.width = in.height = 64;
  in.magnitudeBits = 31;
  auto out = std::make_unique<BlockCoderOutput>();
  EXPECT_EQ(coder.Code(in, out.get()).code(), JP2_Error_OutOfMemory);
  EXPECT_TRUE(coder.Release().ok());
  EXPECT_TRUE(allocator.live.empty());
}

}  // namespace
}  // namespace quillon::jp2::test
