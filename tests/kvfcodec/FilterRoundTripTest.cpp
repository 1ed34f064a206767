// Every filter of the bank against its inverse, in one dimension and over the 2-D levels.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "FloatFilters.h"
#include "IntegerFilters.h"
#include "WaveletTransform.h"
#include "kvfcodec.h"

namespace kvfcodec {
namespace {

class EveryFilter : public ::testing::TestWithParam<int> {};

TEST_P(EveryFilter, TwoDimensionalRoundTripRestoresThePlane) {
  const int filter = GetParam();
  const int levels = 2;
  const int size = std::max(32, filterSupport(filter) * 8);
  std::mt19937 random(filter);
  if (filter < kFloatFilterCount) {
    std::vector<double> plane(static_cast<size_t>(size * size * 2));
    for (double& v : plane) v = std::uniform_real_distribution<double>(-128, 127)(random);
    const std::vector<double> original = plane;
    const Plane<double> p{plane.data(), size, size, 2, size * 2, 2};
    forwardTransform(p, levels, filter);
    EXPECT_NE(plane, original);
    inverseTransform(p, levels, filter);
    double worst = 0;
    for (size_t i = 0; i < plane.size(); ++i)
      worst = std::max(worst, std::fabs(plane[i] - original[i]));
    EXPECT_LT(worst, 1e-6) << GetFilterShortName(filter);
  } else {
    // Every 16-bit value, also where sums wrap.
    std::vector<int16_t> plane(static_cast<size_t>(size * size));
    for (int16_t& v : plane)
      v = static_cast<int16_t>(std::uniform_int_distribution<int>(-32768, 32767)(random));
    const std::vector<int16_t> original = plane;
    const Plane<int16_t> p{plane.data(), size, size, 1, size, 1};
    forwardTransform(p, levels, filter);
    EXPECT_NE(plane, original);
    inverseTransform(p, levels, filter);
    EXPECT_EQ(plane, original) << GetFilterShortName(filter);
  }
}

INSTANTIATE_TEST_SUITE_P(Filters, EveryFilter,
                         ::testing::Range(0, static_cast<int>(KVF_FILTER_COUNT)));

TEST(FloatFilters, FoldTheSymmetricExtensionIntoTheFirstPair) {
  // BO5_3: L[0] = (2 x0 + 5 x1 + 2 x2 - x3) / 8, H[0] = (x0 - x1) / 2.
  const std::vector<double> x = {3, 7, -2, 5, 11, 4, 0, 9};
  std::vector<double> out(x.size());
  analyseFloat(1, x, out);
  EXPECT_DOUBLE_EQ(out[0], (2 * 3 + 5 * 7 + 2 * -2 - 5) / 8.0);
  EXPECT_DOUBLE_EQ(out[4], (3 - 7) / 2.0);
}

TEST(FloatFilters, SynthesisIsExactAtEveryAllowedLength) {
  for (int filter = 0; filter < kFloatFilterCount; ++filter)
    for (int length = floatFilterSupport(filter) + floatFilterSupport(filter) % 2; length <= 48;
         length += 2) {
      const FloatSynthesis synthesis(filter, length);
      ASSERT_TRUE(synthesis.valid()) << filter << " " << length;
      std::vector<double> x(static_cast<size_t>(length)), y(x.size()), back(x.size());
      for (int i = 0; i < length; ++i) x[static_cast<size_t>(i)] = std::sin(i * 1.7) * 100;
      analyseFloat(filter, x, y);
      synthesis.synthesise(y, back);
      for (int i = 0; i < length; ++i)
        ASSERT_NEAR(back[static_cast<size_t>(i)], x[static_cast<size_t>(i)], 1e-8)
            << filter << " " << length;
    }
}

TEST(IntegerFilters, EndsExtrapolateLinearly) {
  // IT2_2 on a ramp: every detail is 0, so the linear extrapolation at the ends is exact.
  std::vector<int16_t> ramp = {0, 2, 4, 6, 8, 10, 12, 14};
  analyseInteger(0, ramp);
  EXPECT_EQ(ramp, (std::vector<int16_t>{0, 4, 8, 12, 0, 0, 0, 0}));
}

TEST(WavTrafoD, RefusesSizesAndLevelsThatDoNotFit) {
  std::vector<double> plane(100 * 64);
  EXPECT_EQ(WavTrafoD(plane.data(), 100, 64, 1, 100, 1, 3, 0), -2);
  EXPECT_EQ(WavTrafoD(plane.data(), 64, 64, 1, 64, 1, 7, 0), -1);
  EXPECT_EQ(WavTrafoD(plane.data(), 16, 16, 1, 16, 1, 2, 8), -1);  // 8 < support 9
  EXPECT_EQ(WavTrafoD(plane.data(), 64, 64, 1, 64, 1, 2, 12), -4);
  EXPECT_EQ(WavTrafoD(nullptr, 64, 64, 1, 64, 1, 2, 0), -5);
  EXPECT_EQ(WavTrafoD(plane.data(), 64, 64, 1, 64, 1, 2, 0), 0);
  EXPECT_EQ(RWavTrafoD(plane.data(), 64, 64, 1, 64, 1, 2, 0), 0);
}

}  // namespace
}  // namespace kvfcodec
