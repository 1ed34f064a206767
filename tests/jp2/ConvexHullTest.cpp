// The convex hull of truncation points: equal lengths, merging, the slopes left behind and
// the lengths of removed points, on hand-made points and on random ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "encoder/ConvexHull.h"

namespace quillon::jp2::test {
namespace {

struct Points {
  std::vector<std::uint32_t> lengths;  // storage order: the first pass last
  std::vector<float> values;
};

// Takes points in coding order and hands them to the hull in storage order.
Points Hull(std::vector<std::uint32_t> lengths, std::vector<float> distortions) {
  Points points{{lengths.rbegin(), lengths.rend()}, {distortions.rbegin(), distortions.rend()}};
  ConvexHull(points.lengths.data(), points.values.data(), static_cast<int>(points.lengths.size()));
  // Back to coding order for reading.
  return {{points.lengths.rbegin(), points.lengths.rend()},
          {points.values.rbegin(), points.values.rend()}};
}

TEST(ConvexHull, LaterOfTwoEqualLengthsIsRemovedAndRidesWithTheEarlier) {
  const Points hull = Hull({10, 10, 20}, {100, 150, 180});
  EXPECT_EQ(hull.lengths, (std::vector<std::uint32_t>{10, 10, 20}));
  EXPECT_EQ(hull.values, (std::vector<float>{10, 0, 8}));
}

TEST(ConvexHull, PointAboveTheChordIsMergedIntoTheOneBefore) {
  // Slopes 5, 1, 4: the third is not below the second, so the second takes its place.
  const Points hull = Hull({10, 20, 30}, {50, 60, 100});
  EXPECT_EQ(hull.lengths, (std::vector<std::uint32_t>{10, 30, 30}));
  EXPECT_EQ(hull.values, (std::vector<float>{5, 2.5f, 0}));
}

TEST(ConvexHull, MergesCascadeUntilSlopesFall) {
  // 1, 0.2, 0.8, 2: merging ends with one point of slope 1 carrying every pass.
  const Points hull = Hull({10, 20, 30, 40}, {10, 12, 20, 40});
  EXPECT_EQ(hull.lengths, (std::vector<std::uint32_t>{40, 40, 40, 40}));
  EXPECT_EQ(hull.values, (std::vector<float>{1, 0, 0, 0}));
}

TEST(ConvexHull, LeadingPointWithoutBytesIsRemoved) {
  const Points hull = Hull({0, 5}, {1, 10});
  EXPECT_EQ(hull.lengths, (std::vector<std::uint32_t>{0, 5}));
  EXPECT_EQ(hull.values, (std::vector<float>{0, 2}));
}

TEST(ConvexHull, FallingDistortionAtTheEndKeepsANegativeSlope) {
  const Points hull = Hull({10, 20}, {100, 90});
  EXPECT_EQ(hull.values, (std::vector<float>{10, -1}));
}

TEST(ConvexHull, RandomPointsLeaveStrictlyFallingSlopes) {
  std::mt19937 rng(4);
  for (int round = 0; round < 500; ++round) {
    const int count = 1 + static_cast<int>(rng() % 40);
    std::vector<std::uint32_t> lengths;
    std::vector<float> distortions;
    std::uint32_t length = 0;
    float distortion = 0;
    for (int i = 0; i < count; ++i) {
      length += rng() % 4;  // equal lengths happen often
      distortion += static_cast<float>(rng() % 1000) - 100.0f;
      lengths.push_back(length);
      distortions.push_back(distortion);
    }
    const Points hull = Hull(lengths, distortions);
    float previousSlope = 1e30f;
    std::uint32_t keptLength = 0;
    float keptDistortion = 0;
    for (int i = 0; i < count; ++i) {
      const bool kept = hull.lengths[i] > keptLength;
      if (!kept) {
        ASSERT_EQ(hull.lengths[i], keptLength) << round << " " << i;
        ASSERT_EQ(hull.values[i], 0.0f);
        continue;
      }
      ASSERT_LT(hull.values[i], previousSlope) << round << " " << i;
      // A kept point's length is one of the original lengths at or after it.
      ASSERT_GE(hull.lengths[i], lengths[i]);
      previousSlope = hull.values[i];
      keptDistortion += hull.values[i] * static_cast<float>(hull.lengths[i] - keptLength);
      keptLength = hull.lengths[i];
    }
    // Taking every kept point adds up to the distortion of the first pass that reaches the
    // final length; the equal-length passes after it ride along uncounted.
    if (lengths.back() > 0) {
      const auto first = std::find(lengths.begin(), lengths.end(), lengths.back());
      EXPECT_NEAR(keptDistortion, distortions[first - lengths.begin()], 1.0f) << round;
    }
  }
}

}  // namespace
}  // namespace quillon::jp2::test
