#include "core/document/LoadOptions.h"

#include <gtest/gtest.h>

#include "core/document/DocumentTitle.h"

namespace quillon {
namespace {

LoadOptions options(LoadType type, int quality = 80, double rate = 10.0, double size = 10.0) {
  return {type, quality, rate, size};
}

TEST(Jp2Budget, QualityDividesTheRawSize) {
  const std::uint64_t raw = RawSize(1000, 1000, 24);
  EXPECT_EQ(raw, 3'000'000u);
  const LoadOptions q100 = options(LoadType::Quality, 100);
  EXPECT_EQ(Jp2ByteBudget(&q100, raw), raw) << "divisor 1";
  const LoadOptions q1 = options(LoadType::Quality, 1);
  EXPECT_EQ(Jp2ByteBudget(&q1, raw), raw / 496);
  const LoadOptions q80 = options(LoadType::Quality, 80);
  EXPECT_EQ(Jp2ByteBudget(&q80, raw), raw / 101);
}

TEST(Jp2Budget, RateSizeAndTheFloorOf1024) {
  const std::uint64_t raw = RawSize(100, 100, 8);
  const LoadOptions rate = options(LoadType::CompressionRate, 80, 4.0);
  EXPECT_EQ(Jp2ByteBudget(&rate, raw), 2500u);
  const LoadOptions steep = options(LoadType::CompressionRate, 80, 100.0);
  EXPECT_EQ(Jp2ByteBudget(&steep, raw), 1024u);
  const LoadOptions size = options(LoadType::FileSize, 80, 10.0, 2.5);
  EXPECT_EQ(Jp2ByteBudget(&size, raw), 2560u);
  const LoadOptions tiny = options(LoadType::FileSize, 80, 10.0, 0.1);
  EXPECT_EQ(Jp2ByteBudget(&tiny, raw), 1024u);
}

TEST(Jp2Budget, WholeFileWithoutOptionsOrAtBestQuality) {
  EXPECT_FALSE(Jp2ByteBudget(nullptr, 1'000'000));
  const LoadOptions best = options(LoadType::BestQuality);
  EXPECT_FALSE(Jp2ByteBudget(&best, 1'000'000));
  const LoadOptions zeroRate = options(LoadType::CompressionRate, 80, 0.0);
  EXPECT_FALSE(Jp2ByteBudget(&zeroRate, 1'000'000)) << "no division by zero";
}

TEST(Jp2Budget, GrowthStepIsAQuarterOfTheFirstBudgetAtLeast1024) {
  EXPECT_EQ(Jp2BudgetStep(100'000), 25'000u);
  EXPECT_EQ(Jp2BudgetStep(2048), 1024u);
  EXPECT_EQ(Jp2BudgetStep(1024), 1024u);
}

TEST(KvfLimits, EachOptionGivesItsLimitAndRatio) {
  const std::uint64_t raw = RawSize(512, 512, 24);
  const LoadOptions quality = options(LoadType::Quality, 50);
  EXPECT_EQ(KvfLimits(&quality, raw).quality, 512u);
  EXPECT_FALSE(KvfLimits(&quality, raw).bytes);

  const LoadOptions rate = options(LoadType::CompressionRate, 80, 8.0);
  EXPECT_EQ(KvfLimits(&rate, raw).bytes, raw / 8);
  EXPECT_DOUBLE_EQ(KvfLimits(&rate, raw).ratio, 8.0);

  const LoadOptions size = options(LoadType::FileSize, 80, 10.0, 48.0);
  EXPECT_EQ(KvfLimits(&size, raw).bytes, 48u * 1024);
  EXPECT_DOUBLE_EQ(KvfLimits(&size, raw).ratio, double(raw) / (48 * 1024));

  EXPECT_FALSE(KvfLimits(nullptr, raw).quality);
  EXPECT_FALSE(KvfLimits(nullptr, raw).bytes);
}

TEST(LegacyLimits, QualityOnItsOwnScaleAndNoFileSizeOption) {
  const LoadOptions quality = options(LoadType::Quality, 9);
  EXPECT_EQ(LegacyLimits(&quality, 1000).quality, 9);
  const LoadOptions high = options(LoadType::Quality, 80);
  EXPECT_EQ(LegacyLimits(&high, 1000).quality, 15);
  EXPECT_EQ(LegacyLimits(nullptr, 1000).quality, 15);
  const LoadOptions size = options(LoadType::FileSize);
  EXPECT_FALSE(LegacyLimits(&size, 1000).bytes);
  const LoadOptions rate = options(LoadType::CompressionRate, 80, 5.0);
  EXPECT_EQ(LegacyLimits(&rate, 1000).bytes, 200u);
}

TEST(DocumentTitle, RatioDecimalsDependOnItsSize) {
  const auto strings = StringTable::Parse("120\t%s [Compression Rate 1 to %s]\n");
  ASSERT_TRUE(strings);
  EXPECT_EQ(DocumentTitle("a.jp2", 8.25, *strings), "a.jp2 [Compression Rate 1 to 8.25]");
  EXPECT_EQ(DocumentTitle("a.jp2", 30.0, *strings), "a.jp2 [Compression Rate 1 to 30]");
  EXPECT_EQ(DocumentTitle("a.jp2", 12.34, *strings), "a.jp2 [Compression Rate 1 to 12.3]");
  EXPECT_EQ(DocumentTitle("a.jp2", 24.96, *strings), "a.jp2 [Compression Rate 1 to 25.0]");
  EXPECT_EQ(DocumentTitle("a.bmp", 0.0, *strings), "a.bmp");
  // A BMP read from disk: raw size over file length.
  EXPECT_EQ(DocumentTitle("b.bmp", CompressionRatio(30'000, 30'054), *strings),
            "b.bmp [Compression Rate 1 to 1.00]");
  EXPECT_EQ(CompressionRatio(10, 0), 0.0);
}

}  // namespace
}  // namespace quillon
