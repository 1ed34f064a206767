// The tier-1 decoder against the block coder and against the tests' own slow decoder: random
// blocks of every size class, orientation and style combination, coded by the encoder and
// decoded from every pass prefix, delivered in one or two layers; exact coefficients when
// every pass arrived, the middle of the remaining interval when not. Then regions of
// interest, dequantization, and hostile input: random bytes, cut codewords, absurd counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "decoder/BandStepSize.h"
#include "decoder/BlockDecoder.h"
#include "encoder/BlockCoder.h"
#include "support/Tier1TestDecoder.h"

namespace quillon::jp2::test {
namespace {

constexpr std::uint32_t kSign = 0x80000000u;
constexpr std::uint8_t kMagnitudeBits = 14;

struct Size {
  std::uint32_t width, height;
};

// Mostly small magnitudes with long zero runs and a few large ones, so that every pass and
// the run-length mode get work.
std::vector<std::uint32_t> RandomBlock(std::mt19937& rng, Size size, int maxBits) {
  std::vector<std::uint32_t> samples(std::size_t{size.width} * size.height);
  for (auto& sample : samples) {
    if (rng() % 3 == 0) continue;
    const int bits = static_cast<int>(rng() % (maxBits + 1));
    const std::uint32_t magnitude =
        bits == 0 ? 0 : (rng() & ((1u << bits) - 1)) | (1u << (bits - 1));
    sample = magnitude != 0 && (rng() & 1) != 0 ? (magnitude | kSign) : magnitude;
  }
  return samples;
}

std::int32_t Signed(std::uint32_t sample) {
  const auto magnitude = static_cast<std::int32_t>(sample & ~kSign);
  return (sample & kSign) != 0 ? -magnitude : magnitude;
}

// A coded block and, per pass in coding order, the bytes a decoder needs up to its end.
struct Coded {
  std::vector<std::uint8_t> bytes;
  int passCount = 0;
  int planes = 0;
  std::vector<std::uint32_t> cumulative;
};

class BlockDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_ = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
    ASSERT_TRUE(coder_.Init(memory_).ok());
    ASSERT_TRUE(decoder_.Init(memory_).ok());
  }
  void TearDown() override {
    EXPECT_TRUE(coder_.Release().ok());
    EXPECT_TRUE(decoder_.Release().ok());
  }

  Coded Encode(const std::vector<std::uint32_t>& samples, Size size, int orientation,
               std::uint8_t style, std::uint8_t roiShift = 0) {
    CodeBlockCoefficients in;
    in.samples = samples.data();
    in.stride = size.width;
    in.width = size.width;
    in.height = size.height;
    in.band = BandKindOf(orientation);
    in.style = style;
    in.magnitudeBits = kMagnitudeBits;
    in.roiShift = roiShift;
    EXPECT_TRUE(coder_.Code(in, out_.get()).ok());
    Coded coded{{out_->codeword, out_->codeword + out_->length},
                out_->passCount,
                out_->planes,
                std::vector<std::uint32_t>(out_->passCount)};
    std::uint32_t ends[kMaxCodingPasses] = {};
    const bool segmented = SegmentEnds(*out_, style, ends);
    std::uint32_t previous = 0;
    for (int pass = 0; pass < coded.passCount; ++pass) {
      const bool segmentEnd = segmented && EndsCodewordSegment(style, pass, coded.passCount);
      previous = segmentEnd ? ends[pass]
                            : std::max(previous, out_->truncation[coded.passCount - 1 - pass]);
      coded.cumulative[pass] = previous;
    }
    return coded;
  }

  // The segments of the first passes as the packet walk builds them, the passes arriving in
  // two layers split at layerSplit.
  static std::vector<CodewordSegment> Segments(const Coded& coded, std::uint8_t style, int passes,
                                               int layerSplit) {
    std::vector<CodewordSegment> segments(kMaxCodewordSegments);
    std::uint32_t count = 0;
    std::uint32_t done = 0;
    for (const int layerEnd : {layerSplit, passes}) {
      std::uint32_t pieces[kMaxCodingPasses];
      const std::uint32_t n = SplitNewPasses(style, done, layerEnd - done, pieces);
      for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t start = done == 0 ? 0 : coded.cumulative[done - 1];
        const CodewordSegment piece{pieces[i], coded.cumulative[done + pieces[i] - 1] - start};
        EXPECT_TRUE(
            AddSegmentPiece(style, done, piece, segments.data(), &count, kMaxCodewordSegments));
        done += pieces[i];
      }
    }
    segments.resize(count);
    return segments;
  }

  CodeBlockInput Input(const Coded& coded, const std::vector<CodewordSegment>& segments, int passes,
                       Size size, int orientation, std::uint8_t style, std::uint8_t roiShift = 0) {
    CodeBlockInput in;
    in.data = coded.bytes.data();
    in.length = static_cast<std::uint32_t>(coded.bytes.size());
    in.segments = segments.data();
    in.segmentCount = static_cast<std::uint32_t>(segments.size());
    in.passes = passes;
    in.magnitudeBits = kMagnitudeBits;
    in.roiShift = roiShift;
    in.zeroBitPlanes = static_cast<std::uint8_t>(kMagnitudeBits + roiShift - coded.planes);
    in.style = style;
    in.orientation = static_cast<std::uint8_t>(orientation);
    in.width = size.width;
    in.height = size.height;
    return in;
  }

  std::vector<std::int32_t> DecodeInts(const CodeBlockInput& in) {
    std::vector<std::int32_t> rows(std::size_t{in.width} * in.height + 3, 0x5A5A5A5A);
    EXPECT_TRUE(decoder_.Decode(in, rows.data(), in.width).ok());
    EXPECT_EQ(rows.back(), 0x5A5A5A5A) << "wrote past the block";
    rows.resize(rows.size() - 3);
    return rows;
  }

  MemoryCallbacks memory_;
  BlockCoder coder_;
  BlockDecoder decoder_;
  std::unique_ptr<BlockCoderOutput> out_ = std::make_unique<BlockCoderOutput>();
};

// The reversible value of a coefficient the oracle decoded down to the last pass's plane:
// after a significance pass, what was significant before has that plane still to come.
std::int32_t MidpointOf(std::uint32_t decoded, int plane, bool afterSignificance) {
  const std::uint32_t magnitude = decoded & ~kSign;
  if (magnitude == 0) return 0;
  const int lowest = afterSignificance && magnitude >= (2u << plane) ? plane + 1 : plane;
  return Signed((magnitude + ((1u << lowest) >> 1)) | (decoded & kSign));
}

const Size kSizes[] = {{1, 1}, {3, 5}, {17, 13}, {64, 64}, {1024, 4}, {5, 256}};

TEST_F(BlockDecoderTest, EveryStyleOrientationAndSizeRoundTripsExactly) {
  std::mt19937 rng(22);
  for (int style = 0; style < 64; ++style) {
    for (const Size size : kSizes) {
      const int orientation = static_cast<int>(rng() % 4);
      const auto samples = RandomBlock(rng, size, 12);
      const Coded coded = Encode(samples, size, orientation, static_cast<std::uint8_t>(style));
      if (coded.passCount == 0) continue;
      const auto s = static_cast<std::uint8_t>(style);
      const int split = static_cast<int>(rng() % coded.passCount);
      const auto segments = Segments(coded, s, coded.passCount, split);
      const auto decoded =
          DecodeInts(Input(coded, segments, coded.passCount, size, orientation, s));
      for (std::size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(decoded[i], Signed(samples[i]))
            << "style " << style << " size " << size.width << "x" << size.height << " at " << i;
      }
    }
  }
}

// Every pass prefix of every style, in two layers, against the independent decoder.
TEST_F(BlockDecoderTest, EveryPassPrefixReconstructsAtTheMidpointLikeTheOracle) {
  std::mt19937 rng(5);
  const Size size{19, 10};
  for (int style = 0; style < 64; ++style) {
    for (int orientation = 0; orientation < 4; ++orientation) {
      const auto s = static_cast<std::uint8_t>(style);
      const auto samples = RandomBlock(rng, size, 9);
      const Coded coded = Encode(samples, size, orientation, s);
      ASSERT_GT(coded.passCount, 10) << "the block must reach the raw passes";
      for (int passes = 1; passes <= coded.passCount; ++passes) {
        const auto segments = Segments(coded, s, passes, static_cast<int>(rng() % passes));
        const auto decoded = DecodeInts(Input(coded, segments, passes, size, orientation, s));
        Tier1TestDecoder oracle(
            {19, 10, static_cast<int>(BandKindOf(orientation)), style, coded.planes});
        std::vector<std::uint32_t> lengths;
        for (const CodewordSegment& segment : segments) lengths.push_back(segment.length);
        const auto expected = oracle.Decode(coded.bytes.data(), lengths, passes);
        EXPECT_TRUE(oracle.ok);
        const int plane = coded.planes - 1 - (passes + 1) / 3;
        const bool afterSignificance = (passes - 1) % 3 == 1;
        for (std::size_t i = 0; i < samples.size(); ++i) {
          ASSERT_EQ(decoded[i], MidpointOf(expected[i], plane, afterSignificance))
              << "style " << style << " orientation " << orientation << " passes " << passes
              << " at " << i;
        }
      }
    }
  }
}

TEST_F(BlockDecoderTest, RegionCoefficientsAreShiftedBackDown) {
  std::mt19937 rng(9);
  const Size size{32, 32};
  constexpr std::uint8_t kShift = 6;
  auto samples = RandomBlock(rng, size, 5);
  std::vector<std::uint32_t> shifted = samples;
  for (std::size_t i = 0; i < samples.size(); i += 3) {
    if ((samples[i] & ~kSign) != 0)
      shifted[i] = ((samples[i] & ~kSign) << kShift) | (samples[i] & kSign);
  }
  const Coded coded = Encode(shifted, size, 0, 0, kShift);
  const auto segments = Segments(coded, 0, coded.passCount, 0);
  const auto decoded = DecodeInts(Input(coded, segments, coded.passCount, size, 0, 0, kShift));
  for (std::size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(decoded[i], Signed(samples[i])) << i;
}

TEST_F(BlockDecoderTest, IrreversibleValuesAreMidpointsTimesTheStep) {
  std::mt19937 rng(3);
  const Size size{16, 8};
  const auto samples = RandomBlock(rng, size, 8);
  const Coded coded = Encode(samples, size, 3, 0);
  for (const int passes : {coded.passCount, coded.passCount - 3}) {
    const auto segments = Segments(coded, 0, passes, 0);
    CodeBlockInput in = Input(coded, segments, passes, size, 3, 0);
    in.stepSize = 0.375f;
    std::vector<float> rows(samples.size());
    ASSERT_TRUE(decoder_.Decode(in, rows.data(), size.width).ok());
    // Down to plane 0, or with the last plane missing after a cleanup pass at plane 1.
    const int lowest = passes == coded.passCount ? 0 : 1;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const std::uint32_t kept = (samples[i] & ~kSign) >> lowest << lowest;
      const float magnitude = kept == 0 ? 0.0f : (kept + 0.5f * (1u << lowest)) * 0.375f;
      ASSERT_FLOAT_EQ(rows[i], (samples[i] & kSign) != 0 ? -magnitude : magnitude) << i;
    }
  }
}

TEST(BandStepSizeTest, StepFromExponentMantissaAndRange) {
  EXPECT_FLOAT_EQ(BandStepSize(8, 0, 8), 1.0f);
  EXPECT_FLOAT_EQ(BandStepSize(10, 1024, 9), 0.75f);
  EXPECT_FLOAT_EQ(BandStepSize(0, 2047, 2), 4.0f * (1.0f + 2047.0f / 2048.0f));
  // Derived: the LL exponent signalled, finer bands fewer.
  EXPECT_EQ(DerivedExponent(13, 5, 5), 13);
  EXPECT_EQ(DerivedExponent(13, 5, 1), 9);
}

// Where segments split with the style, and how layers' pieces join them.
TEST(CodeBlockSegmentsTest, PiecesFollowTheStyleAndJoinAcrossLayers) {
  struct Case {
    std::uint8_t style;
    std::uint32_t before, passes;
    std::vector<std::uint32_t> pieces;
  };
  const Case cases[] = {
      {0, 0, 7, {7}},
      {0, 7, 5, {5}},
      {kStyleTerminateEachPass, 2, 3, {1, 1, 1}},
      {kStyleBypass, 0, 20, {10, 2, 1, 2, 1, 2, 1, 1}},
      {kStyleBypass, 8, 4, {2, 2}},
      {kStyleBypass, 10, 1, {1}},
      {kStyleBypass | kStyleTerminateEachPass, 9, 3, {1, 1, 1}},
      {0, 3, 0, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::uint32_t> pieces(c.passes + 1);
    pieces.resize(SplitNewPasses(c.style, c.before, c.passes, pieces.data()));
    EXPECT_EQ(pieces, c.pieces) << int{c.style} << " " << c.before << " " << c.passes;
  }
  // A raw significance pass in one layer and its refinement in the next share a segment.
  CodewordSegment segments[2];
  std::uint32_t count = 0;
  EXPECT_TRUE(AddSegmentPiece(kStyleBypass, 0, {10, 40}, segments, &count, 2));
  EXPECT_TRUE(AddSegmentPiece(kStyleBypass, 10, {1, 3}, segments, &count, 2));
  EXPECT_TRUE(AddSegmentPiece(kStyleBypass, 11, {1, 2}, segments, &count, 2));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(segments[1].passes, 2u);
  EXPECT_EQ(segments[1].length, 5u);
  EXPECT_FALSE(AddSegmentPiece(kStyleBypass, 12, {1, 1}, segments, &count, 2));
}

// Nothing the bytes or counts claim makes the decoder fail, read outside its input or write
// outside the block; under the sanitizers that is the check.
// The pass loops' MQ decoder against the tests' own one, decision for decision, on bytes no
// encoder wrote: long renormalizations that span two bytes, stuffed bytes (near and far from
// a refill), markers, and decisions far past the end of the segment (fed 0xFF there).
TEST(MqDecoderTest, DecidesLikeTheTestDecoderOnAnyBytes) {
  std::mt19937 rng(5);
  // Without markers, a 0xFF is followed by a byte below 0x90, and the decoder takes in all
  // the bytes.
  const auto random = [&](std::size_t count, std::uint32_t ffEvery, bool markers = true) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
      if (!markers && i != 0 && bytes[i - 1] == 0xFF) {
        bytes[i] = static_cast<std::uint8_t>(rng() % 0x90);
      } else {
        bytes[i] = rng() % ffEvery == 0 ? 0xFF : static_cast<std::uint8_t>(rng());
      }
    }
    return bytes;
  };
  const std::vector<std::vector<std::uint8_t>> cases = {
      {},
      {0xFF},
      {0x00},
      {0xFF, 0x8F, 0xFF, 0x7F, 0xFF, 0x00},  // stuffed bytes
      {0x12, 0xFF, 0x90, 0x34, 0x56},        // a marker inside the segment
      {0x12, 0x34, 0xFF},                    // a 0xFF last
      random(64, 256),
      random(300, 4),
      random(300, 2),
      random(20000, 16, false),
  };
  // A context in every state with either more probable symbol, as the decoder takes them over
  // from the shared table: skewed ones (small Qe, long shifts on a less probable symbol) and
  // the uniform state among them.
  constexpr std::size_t kStarts = kMqStates.size();
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const std::vector<std::uint8_t>& bytes = cases[c];
    MqDecoder mq;
    mq.Start(bytes.data(), bytes.data() + bytes.size());
    TestMqDecoder oracle(bytes.data(), bytes.size());
    MqDecoderContext contexts[kStarts];
    int index[kStarts], mps[kStarts];
    for (std::size_t k = 0; k < kStarts; ++k) {
      contexts[k] = MqDecoderContextOf(MqContext{kMqStates[k]});
      index[k] = static_cast<int>(k / 2);
      mps[k] = static_cast<int>(k % 2);
    }
    for (int i = 0; i < 20000; ++i) {
      // Either way of decoding, mixed in one segment, as the passes mix them, and bytes
      // taken in ahead at any point, as the passes do before a column.
      if (rng() % 8 == 0) mq.Refill();
      const std::size_t k = rng() % kStarts;
      const bool branchFree = rng() % 2 == 0;
      const std::uint32_t decision =
          branchFree ? mq.DecodeWithoutBranches(contexts[k]) : mq.Decode(contexts[k]);
      ASSERT_EQ(static_cast<int>(decision), oracle.Decode(index[k], mps[k]))
          << "case " << c << ", decision " << i << (branchFree ? " without branches" : "");
    }
  }
}

TEST_F(BlockDecoderTest, HostileInputDecodesWithoutFailing) {
  std::mt19937 rng(77);
  const Size size{64, 64};
  const auto samples = RandomBlock(rng, size, 10);
  for (int style = 0; style < 64; style += 5) {
    const auto s = static_cast<std::uint8_t>(style);
    const Coded coded = Encode(samples, size, 1, s);
    const auto segments = Segments(coded, s, coded.passCount, 0);
    // Cut at every byte count with every pass still claimed.
    for (std::size_t cut = 0; cut <= coded.bytes.size(); cut += 1 + cut / 16) {
      const std::vector<std::uint8_t> bytes(coded.bytes.begin(), coded.bytes.begin() + cut);
      CodeBlockInput in = Input(coded, segments, coded.passCount, size, 1, s);
      in.data = bytes.data();
      in.length = static_cast<std::uint32_t>(cut);
      DecodeInts(in);
    }
  }
  struct Claim {
    std::int32_t passes;
    std::uint8_t magnitudeBits, zeroBitPlanes, roiShift;
    std::uint32_t segmentPasses, segmentLength;
  };
  const Claim claims[] = {
      {1000, 14, 0, 0, 1000, 1u << 31}, {164, 31, 0, 0, 7, 100},
      {91, 40, 0, 0, 91, 5000},         {0x7FFFFFFF, 255, 0, 255, 0xFFFFFFFF, 0xFFFFFFFF},
      {20, 5, 9, 0, 20, 400},           {20, 1, 0, 30, 3, 4},
      {-1, 14, 0, 0, 10, 400},          {5, 14, 14, 0, 5, 400},
  };
  std::vector<std::uint8_t> garbage(600);
  for (const Claim& claim : claims) {
    for (const Size shape : {Size{64, 64}, Size{1024, 4}, Size{4, 1024}, Size{1, 1}}) {
      for (int style = 0; style < 64; style += 9) {
        for (auto& byte : garbage) byte = static_cast<std::uint8_t>(rng());
        const CodewordSegment segments[3] = {{claim.segmentPasses, claim.segmentLength},
                                             {claim.segmentPasses, 7},
                                             {claim.segmentPasses, claim.segmentLength}};
        CodeBlockInput in;
        in.data = garbage.data();
        in.length = static_cast<std::uint32_t>(garbage.size());
        in.segments = segments;
        in.segmentCount = 3;
        in.passes = claim.passes;
        in.magnitudeBits = claim.magnitudeBits;
        in.zeroBitPlanes = claim.zeroBitPlanes;
        in.roiShift = claim.roiShift;
        in.style = static_cast<std::uint8_t>(style);
        in.orientation = static_cast<std::uint8_t>(style % 4);
        in.width = shape.width;
        in.height = shape.height;
        DecodeInts(in);
        std::vector<float> floats(std::size_t{shape.width} * shape.height);
        EXPECT_TRUE(decoder_.Decode(in, floats.data(), shape.width).ok());
      }
    }
  }
}

TEST_F(BlockDecoderTest, NothingToDecodeGivesZerosAndBadGeometryIsRefused) {
  CodeBlockInput in;
  in.width = 7;
  in.height = 3;
  in.magnitudeBits = 8;
  for (const std::int32_t passes : {0, -1, 5}) {  // 5 passes but no segments
    in.passes = passes;
    EXPECT_EQ(DecodeInts(in), std::vector<std::int32_t>(21, 0));
  }
  std::int32_t row[8];
  in.width = 8;
  in.height = 1;
  EXPECT_EQ(decoder_.Decode(in, row, 7).code(), JP2_Error_ValueOutOfRange);
  in.width = 65;
  in.height = 64;
  EXPECT_EQ(decoder_.Decode(in, row, 65).code(), JP2_Error_ValueOutOfRange);
  in.width = 8;
  EXPECT_EQ(decoder_.Decode(in, static_cast<std::int32_t*>(nullptr), 8).code(),
            JP2_Error_NullArgument);
  BlockDecoder uninitialised;
  in.height = 1;
  EXPECT_EQ(uninitialised.Decode(in, row, 8).code(), JP2_Error_Internal);
}

}  // namespace
}  // namespace quillon::jp2::test
