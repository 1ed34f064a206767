// The MQ encoder against the published test sequence of the arithmetic coder (ITU-T T.88
// H.2, the same coder as T.800 Annex C), its packed state table against the printed one, its
// termination and the growth of its buffer.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/MqStateTable.h"
#include "encoder/MqEncoder.h"
#include "support/CountingAllocator.h"
#include "support/Tier1TestDecoder.h"

namespace quillon::jp2::test {
namespace {

const std::vector<std::uint8_t> kTestInput = {
    0x00, 0x02, 0x00, 0x51, 0x00, 0x00, 0x00, 0xC0, 0x03, 0x52, 0x87, 0x2A, 0xAA, 0xAA, 0xAA, 0xAA,
    0x82, 0xC0, 0x20, 0x00, 0xFC, 0xD7, 0x9E, 0xF6, 0xBF, 0x7F, 0xED, 0x90, 0x4F, 0x46, 0xA3, 0xBF};

// The published output without the 0xFF 0xAC that the JBIG2 flush appends as a marker.
const std::vector<std::uint8_t> kTestOutput = {
    0x84, 0xC7, 0x3B, 0xFC, 0xE1, 0xA1, 0x43, 0x04, 0x02, 0x20, 0x00, 0x00, 0x41, 0x0D,
    0xBB, 0x86, 0xF4, 0x31, 0x7F, 0xFF, 0x88, 0xFF, 0x37, 0x47, 0x1A, 0xDB, 0x6A, 0xDF};

int InputBit(std::size_t i) {
  return (kTestInput[i / 8] >> (7 - i % 8)) & 1;
}

class MqEncoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory_ = MemoryCallbacksOrDefaults(nullptr, 0, nullptr, 0);
    ASSERT_TRUE(buffer_.Reserve(memory_, 4096).ok());
  }
  void TearDown() override { EXPECT_TRUE(buffer_.Release(memory_).ok()); }

  std::vector<std::uint8_t> Bytes(std::uint32_t length) {
    return {buffer_.Bytes(), buffer_.Bytes() + length};
  }

  MemoryCallbacks memory_;
  CodewordBuffer buffer_;
};

TEST_F(MqEncoderTest, ReproducesThePublishedTestSequence) {
  MqEncoder mq;
  mq.Start(&buffer_, &memory_);
  MqContext context;
  for (std::size_t i = 0; i < kTestInput.size() * 8; ++i) mq.Encode(context, InputBit(i));
  mq.Terminate();
  EXPECT_EQ(Bytes(mq.Length()), kTestOutput);
}

TEST_F(MqEncoderTest, TestDecoderReadsThePublishedSequenceBack) {
  // Checks the tests' own decoder before it judges the block coder.
  TestMqDecoder decoder(kTestOutput.data(), kTestOutput.size());
  int index = 0, mps = 0;
  for (std::size_t i = 0; i < kTestInput.size() * 8; ++i) {
    ASSERT_EQ(decoder.Decode(index, mps), InputBit(i)) << i;
  }
}

TEST(MqStateTable, PackedWordsHoldThePrintedTable) {
  for (int i = 0; i < kMqStateCount; ++i) {
    for (std::uint32_t mps = 0; mps < 2; ++mps) {
      const std::uint32_t state = kMqStates[2 * i + mps];
      const std::uint32_t lpsMps = kQeTable[i].switchMps != 0 ? 1 - mps : mps;
      EXPECT_EQ(MqQe(state), kQeTable[i].qe) << i;
      EXPECT_EQ(MqMps(state), mps) << i;
      EXPECT_EQ(MqAfterMps(state), kMqStates[2 * kQeTable[i].nextMps + mps]) << i;
      EXPECT_EQ(MqAfterLps(state), kMqStates[2 * kQeTable[i].nextLps + lpsMps]) << i;
    }
  }
}

// Many contexts and skewed bits, so that carries, stuffed bytes and every state occur.
std::vector<std::pair<int, int>> SkewedSymbols(unsigned seed, int count) {
  std::mt19937 rng(seed);
  std::vector<std::pair<int, int>> symbols;
  for (int i = 0; i < count; ++i) {
    const int context = static_cast<int>(rng() % 5);
    const int bit = static_cast<int>(rng() % (2 + 30 * context)) == 0 ? 1 : 0;
    symbols.push_back({context, bit});
  }
  return symbols;
}

std::vector<int> DecodeSymbols(const std::vector<std::uint8_t>& bytes,
                               const std::vector<std::pair<int, int>>& symbols) {
  TestMqDecoder decoder(bytes.data(), bytes.size());
  int index[5] = {}, mps[5] = {};
  std::vector<int> bits;
  for (const auto& [context, bit] : symbols)
    bits.push_back(decoder.Decode(index[context], mps[context]));
  return bits;
}

TEST_F(MqEncoderTest, TerminatedCodewordsNeverEndInFFAndDecode) {
  int sawTrim = 0;
  for (unsigned seed = 1; seed <= 300; ++seed) {
    const auto symbols = SkewedSymbols(seed, 1 + static_cast<int>(seed % 97) * 13);
    MqEncoder mq;
    mq.Start(&buffer_, &memory_);
    MqContext contexts[5];
    for (const auto& [context, bit] : symbols) mq.Encode(contexts[context], bit);
    mq.Terminate();
    const auto bytes = Bytes(mq.Length());
    if (!bytes.empty()) {
      ASSERT_NE(bytes.back(), 0xFF) << seed;
    }
    std::vector<int> expected;
    for (const auto& symbol : symbols) expected.push_back(symbol.second);
    ASSERT_EQ(DecodeSymbols(bytes, symbols), expected) << seed;
    // The flush writes three bytes; the trailing ones a decoder fills in are dropped again.
    sawTrim += buffer_.Bytes()[mq.Length()] == 0xFF || buffer_.Bytes()[mq.Length()] == 0x7F;
  }
  EXPECT_GT(sawTrim, 0);
}

TEST_F(MqEncoderTest, BufferGrowsKeepingWhatWasWritten) {
  CodewordBuffer small;
  ASSERT_TRUE(small.Reserve(memory_, 1).ok());
  const auto symbols = SkewedSymbols(7, 40000);
  MqEncoder mq;
  mq.Start(&small, &memory_);
  MqContext contexts[5];
  for (const auto& [context, bit] : symbols) mq.Encode(contexts[context], bit);
  mq.Terminate();
  EXPECT_FALSE(mq.Failed());
  EXPECT_GT(small.Capacity(), 1u);
  const std::vector<std::uint8_t> bytes(small.Bytes(), small.Bytes() + mq.Length());
  std::vector<int> expected;
  for (const auto& symbol : symbols) expected.push_back(symbol.second);
  EXPECT_EQ(DecodeSymbols(bytes, symbols), expected);
  EXPECT_TRUE(small.Release(memory_).ok());
}

TEST(MqEncoderMemory, RefusedGrowthFailsWithoutOverrun) {
  CountingAllocator allocator;
  const MemoryCallbacks memory =
      MemoryCallbacksOrDefaults(CountingAllocator::Allocate, allocator.Param(),
                                CountingAllocator::Release, allocator.Param());
  CodewordBuffer small;
  ASSERT_TRUE(small.Reserve(memory, 8).ok());
  allocator.failAt = allocator.allocations;
  MqEncoder mq;
  mq.Start(&small, &memory);
  MqContext contexts[5];
  for (const auto& [context, bit] : SkewedSymbols(3, 5000)) mq.Encode(contexts[context], bit);
  mq.Terminate();
  EXPECT_TRUE(mq.Failed());
  EXPECT_EQ(small.Capacity(), 8u);
  EXPECT_TRUE(small.Release(memory).ok());
  EXPECT_TRUE(allocator.live.empty());
}

TEST_F(MqEncoderTest, TruncationEstimateCoversWhatTheDecoderNeeds) {
  // Cut after any symbol at the estimate, the final codeword still decodes up to there.
  const auto symbols = SkewedSymbols(11, 3000);
  MqEncoder mq;
  mq.Start(&buffer_, &memory_);
  MqContext contexts[5];
  std::vector<std::int64_t> cuts;
  for (const auto& [context, bit] : symbols) {
    mq.Encode(contexts[context], bit);
    cuts.push_back(mq.TruncationEstimate());
  }
  mq.Terminate();
  const auto bytes = Bytes(mq.Length());
  for (std::size_t n = 1; n <= symbols.size(); n += 37) {
    const auto cut = static_cast<std::size_t>(std::min<std::int64_t>(cuts[n - 1], bytes.size()));
    const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + cut);
    const std::vector<std::pair<int, int>> head(symbols.begin(), symbols.begin() + n);
    std::vector<int> expected;
    for (const auto& symbol : head) expected.push_back(symbol.second);
    ASSERT_EQ(DecodeSymbols(prefix, head), expected) << n;
  }
}

TEST_F(MqEncoderTest, ShortestCutDecodesWhatTheDecoderNeeds) {
  // Cut after any symbol at its shortest cut, the final codeword still decodes up to there,
  // also where a carry sits in the bit stuffed after a 0xFF; and the cut is often shorter than
  // the running estimate, which it never passes. Ones every second to fifth symbol on average.
  for (unsigned seed = 1; seed <= 120; ++seed) {
    std::mt19937 rng(seed);
    std::vector<std::pair<int, int>> symbols;
    for (int i = 0; i < 600; ++i) {
      symbols.push_back({static_cast<int>(rng() % 5), rng() % (2 + seed % 4) == 0 ? 1 : 0});
    }
    MqEncoder mq;
    mq.Start(&buffer_, &memory_);
    MqContext contexts[5];
    std::vector<MqIntervalEnd> ends;
    std::vector<std::int64_t> estimates;
    for (const auto& [context, bit] : symbols) {
      mq.Encode(contexts[context], bit);
      ends.push_back(mq.IntervalEnd());
      estimates.push_back(mq.TruncationEstimate());
    }
    mq.Terminate();
    const auto bytes = Bytes(mq.Length());
    std::size_t shorter = 0;
    std::vector<int> expected;
    for (std::size_t n = 1; n <= symbols.size(); ++n) {
      expected.push_back(symbols[n - 1].second);
      const auto estimate =
          static_cast<std::uint32_t>(std::min<std::int64_t>(estimates[n - 1], bytes.size()));
      const std::uint32_t cut = ShortestCut(bytes.data(), mq.Length(), ends[n - 1], estimate);
      ASSERT_LE(cut, estimate);
      shorter += cut < estimate ? 1 : 0;
      const std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + cut);
      const std::vector<std::pair<int, int>> head(symbols.begin(), symbols.begin() + n);
      ASSERT_EQ(DecodeSymbols(prefix, head), expected) << "seed " << seed << " symbols " << n;
    }
    EXPECT_GT(shorter, symbols.size() / 2) << seed;
  }
}

}  // namespace
}  // namespace quillon::jp2::test
