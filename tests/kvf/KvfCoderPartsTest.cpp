#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "KvfTestFiles.h"
#include "kvf/KvfBitStream.h"
#include "kvf/KvfQuality.h"
#include "kvf/KvfTrees.h"

namespace kvf {
namespace {

using test::ByteBuilder;
using test::MemoryReadFile;

TEST(KvfQuality, PassesFollowTheQualityMappingAndBack) {
  EXPECT_EQ(PassesForQuality(512, 10), 10);
  EXPECT_EQ(PassesForQuality(700, 10), 14);
  EXPECT_EQ(PassesForQuality(900, 10), 20);
  EXPECT_EQ(PassesForQuality(1024, 10), 30);
  EXPECT_EQ(PassesForQuality(0, 10), 4);
  EXPECT_EQ(PassesForQuality(300, 7), 4);
  EXPECT_EQ(QualityForPasses(4, 10), 0);
  EXPECT_EQ(QualityForPasses(10, 10), 512);
  EXPECT_EQ(QualityForPasses(15, 10), 706);
  EXPECT_EQ(QualityForPasses(25, 10), 962);
  EXPECT_EQ(QualityForPasses(30, 10), 1024);
  for (std::int32_t planes = 1; planes <= 31; ++planes) {
    std::int32_t previous = -100;
    for (std::int32_t quality = 0; quality <= 1024; ++quality) {
      const std::int32_t passes = PassesForQuality(quality, planes);
      ASSERT_GE(passes, previous);
      previous = passes;
      if (passes >= 1) {
        ASSERT_LE(QualityForPasses(passes, planes), 1024);
      }
    }
    EXPECT_EQ(QualityForPasses(3 * planes, planes), 1024);
  }
}

TEST(KvfQuality, StripeBudgetsShareWhatIsLeft) {
  EXPECT_EQ(StripeBudget(0, 100, 3), 0u);  // no limit
  EXPECT_EQ(StripeBudget(1000, 100, 3), 300u);
  EXPECT_EQ(StripeBudget(1000, 990, 3), 8u);   // the smallest stripe still fits
  EXPECT_EQ(StripeBudget(1000, 5000, 2), 8u);  // already over: keep the rest small
  EXPECT_EQ(EffectiveStopPlane(-1, 6), 2);
  EXPECT_EQ(EffectiveStopPlane(-1, 2), 1);
  EXPECT_EQ(EffectiveStopPlane(-1, 1), 0);
  EXPECT_EQ(EffectiveStopPlane(5, 4), 3);
}

// Writes `words` as 32 bits each through a writer with `budget`; returns the bytes.
std::vector<std::uint8_t> WriteWords(const std::vector<std::uint32_t>& words, std::uint32_t budget,
                                     bool& exhausted) {
  test::MemoryWriteFile file(4096);
  KvfOutputStream out;
  EXPECT_EQ(out.Open(file.Target()), KvfStatus::ok);
  KvfBitWriter writer(out, budget);
  for (std::uint32_t word : words) {
    for (int b = 31; b >= 0; --b) {
      bool bit = (word >> b & 1u) != 0;
      writer.Code(bit);
    }
  }
  exhausted = writer.Exhausted();
  EXPECT_EQ(writer.Finish(), KvfStatus::ok);
  EXPECT_EQ(out.Flush(), KvfStatus::ok);
  EXPECT_EQ(writer.BytesWritten(), file.Bytes().size());
  return file.Bytes();
}

std::vector<std::uint32_t> ReadWords(const std::vector<std::uint8_t>& bytes, std::uint32_t limit,
                                     bool& sawEnd) {
  MemoryReadFile file(bytes, 8);
  KvfInputStream in;
  EXPECT_EQ(in.Open(file.Source()), KvfStatus::ok);
  KvfBitReader reader(in, limit);
  std::vector<std::uint32_t> words;
  for (;;) {
    std::uint32_t word = 0;
    int b = 31;
    for (; b >= 0; --b) {
      bool bit = false;
      if (!reader.Code(bit)) break;
      word |= std::uint32_t{bit} << b;
    }
    if (b >= 0) break;
    words.push_back(word);
  }
  sawEnd = reader.SawEndWord();
  return words;
}

TEST(KvfBitStream, ReservedWordsTravelBehindAnEscape) {
  bool exhausted = true;
  const auto bytes = WriteWords({0x12345678, 0xFFFFFFFF, 0xFFFFFF00, 0xFFFFFEFF}, 0, exhausted);
  EXPECT_FALSE(exhausted);
  const auto expected = ByteBuilder()
                            .U32(0x12345678)
                            .U32(0xFFFFFF00)
                            .U32(0xFFFFFFFF)
                            .U32(0xFFFFFF00)
                            .U32(0xFFFFFF00)
                            .U32(0xFFFFFEFF)
                            .U32(0xFFFFFFFF)
                            .Bytes();
  EXPECT_EQ(bytes, expected);
  bool sawEnd = false;
  EXPECT_EQ(ReadWords(bytes, 0, sawEnd),
            (std::vector<std::uint32_t>{0x12345678, 0xFFFFFFFF, 0xFFFFFF00, 0xFFFFFEFF}));
  EXPECT_TRUE(sawEnd);
}

TEST(KvfBitStream, BudgetIsNeverExceeded) {
  for (std::uint32_t budget = 8; budget <= 28; budget += 4) {
    bool exhausted = false;
    const auto bytes = WriteWords({1, 0xFFFFFFFF, 2, 3, 4, 5}, budget, exhausted);
    EXPECT_LE(bytes.size(), budget);
    EXPECT_TRUE(exhausted);
    EXPECT_EQ(ByteBuilder().U32(0xFFFFFFFF).Bytes(),
              std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()));
  }
  // Room for one word but not for an escaped pair: the filler takes its place.
  bool exhausted = false;
  EXPECT_EQ(WriteWords({7, 0xFFFFFFFF}, 12, exhausted),
            ByteBuilder().U32(7).U32(0xFFFFFFFE).U32(0xFFFFFFFF).Bytes());
}

TEST(KvfBitStream, ReaderSkipsFillerAndUnknownReservedWords) {
  const auto bytes = ByteBuilder()
                         .U32(1)
                         .U32(0xFFFFFFFE)
                         .U32(2)
                         .U32(0xFFFFFF05)
                         .U32(0xAAAAAAAA)
                         .U32(0xFFFFFFFF)  // skipped pair, data
                         .U32(0xFFFFFFFF)
                         .Bytes();
  bool sawEnd = false;
  EXPECT_EQ(ReadWords(bytes, 0, sawEnd), (std::vector<std::uint32_t>{1, 2, 0xFFFFFFFF}));
  EXPECT_TRUE(sawEnd);
  EXPECT_EQ(ReadWords(bytes, 8, sawEnd), (std::vector<std::uint32_t>{1}));  // the limit
  EXPECT_FALSE(sawEnd);
  EXPECT_EQ(ReadWords(ByteBuilder().U32(5).U32(6).Bytes(), 0, sawEnd),
            (std::vector<std::uint32_t>{5, 6}));  // the file ends: no end word, no error
  EXPECT_FALSE(sawEnd);
}

TEST(KvfBitStream, SkippingToTheStripeEndChecksTheEndWord) {
  const auto stripe = ByteBuilder().U32(1).U32(2).U32(3).U32(0xFFFFFFFF).U32(99).Bytes();
  for (const std::uint32_t size : {0u, 16u}) {
    MemoryReadFile file(stripe, 8);
    KvfInputStream in;
    ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
    KvfBitReader reader(in, 0);
    bool bit = false;
    ASSERT_TRUE(reader.Code(bit));
    EXPECT_EQ(reader.SkipToStripeEnd(size), KvfStatus::ok);
    std::uint32_t next = 0;
    ASSERT_EQ(in.ReadU32(next), KvfStatus::ok);
    EXPECT_EQ(next, 99u);
  }
  MemoryReadFile file(stripe, 8);
  KvfInputStream in;
  ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
  KvfBitReader reader(in, 0);
  EXPECT_EQ(reader.SkipToStripeEnd(12), KvfStatus::corruptedFile);  // the size misses the end
}

TEST(KvfTrees, NodesSitWhereTheirLevelAndOrientationPutThem) {
  for (std::uint32_t levels = 1; levels <= 6; ++levels) {
    std::vector<std::byte> memory(KvfTreeTables::BytesNeeded(levels));
    KvfTreeTables tables;
    tables.Build(levels, 1000, memory);
    const std::uint32_t size = 1u << levels;
    std::set<std::uint32_t> positions;
    for (std::size_t n = 0; n < tables.nodeX.size(); ++n) {
      const std::uint32_t x = tables.nodeX[n];
      const std::uint32_t y = tables.nodeY[n];
      ASSERT_LT(x, size);
      ASSERT_LT(y, size);
      positions.insert(y * size + x);
      EXPECT_EQ(tables.nodeOffset[n], y * 1000u + x);
      if (n == 0) continue;
      std::uint32_t level = levels;
      for (std::size_t first = 4; first <= n; first *= 4) --level;
      const std::uint32_t odd = 1u << (level - 1);
      const bool xOdd = x % (2 * odd) == odd;
      const bool yOdd = y % (2 * odd) == odd;
      switch (KvfOrientation(n)) {
        case 1:
          EXPECT_TRUE(xOdd && y % (2 * odd) == 0) << n;
          break;
        case 2:
          EXPECT_TRUE(yOdd && x % (2 * odd) == 0) << n;
          break;
        default:
          EXPECT_TRUE(xOdd && yOdd) << n;
          break;
      }
    }
    EXPECT_EQ(positions.size(), std::size_t{size} * size);  // every position exactly once
  }
}

TEST(KvfTrees, ShiftsFavourCoarseLevelsAndRegions) {
  std::vector<std::byte> memory(KvfTreeTables::BytesNeeded(4));
  KvfTreeTables tables;
  tables.Build(4, 16, memory);
  std::vector<std::uint32_t> entries(tables.quadShift.size());
  const auto shift = [&](std::size_t k) { return entries[k] >> 24; };
  AssignTreeShifts(tables, 0, {}, 0, 0, entries);
  EXPECT_EQ(shift(0), 5u);
  EXPECT_EQ(shift(1), 3u);
  EXPECT_EQ(shift(2), 3u);
  EXPECT_EQ(shift(3), 2u);
  EXPECT_EQ(shift(16), 1u);  // finest, under node 1
  EXPECT_EQ(shift(32), 1u);  // under node 2
  EXPECT_EQ(shift(48), 0u);  // under node 3
  EXPECT_EQ(entries[0] >> 20 & 0xF, 0u);
  AssignTreeShifts(tables, 2, {}, 0, 0, entries);
  EXPECT_EQ(shift(0), 7u);

  const KvfRegion region{0, 20, 7, 7};  // the top left quarter of the tree at (0, 16)
  const KvfStripeRegions regions{std::span(&region, 1), 3, 4};
  AssignTreeShifts(tables, 0, regions, 0, 16, entries);
  EXPECT_EQ(shift(0), 8u);
  EXPECT_EQ(entries[0] >> 20 & 0xF, 0u);                  // quads outside keep their low shifts
  AssignTreeShifts(tables, 0, regions, 16, 16, entries);  // the tree beside: untouched
  EXPECT_EQ(shift(0), 5u);
  EXPECT_EQ(KvfEffectiveRegionWeight(200, 6), 6u);
  EXPECT_EQ(KvfEffectiveRegionWeight(200, 12), 0u);
}

}  // namespace
}  // namespace kvf
