// The line-based inverse wavelet against the encoder's forward cascade: every size, offset
// and level count comes back exactly (5/3) or within float rounding (9/7); a reduced run
// gives the lowpass band of fewer levels without touching the finer bands; the working memory
// does not follow the height.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "decoder/InverseWavelet.h"
#include "encoder/WaveletCascade.h"
#include "support/CountingAllocator.h"

namespace quillon::jp2::test {
namespace {

using BandKey = std::tuple<int, int, std::uint32_t>;  // level, orientation, band row

// Keeps the forward transform's band rows and serves them back, checking that each band is
// asked for in increasing row order, each row once and at its full width.
template <typename Sample>
class BandStore : public BandRowSink<Sample>, public CoefficientSource<Sample> {
 public:
  Status TakeBandRow(int level, BandOrientation band, std::uint32_t row, const Sample* samples,
                     std::uint32_t count) override {
    rows_[{level, band, row}] = std::vector<Sample>(samples, samples + count);
    return JP2_Success;
  }

  Status FillRows(int level, BandOrientation band, std::uint32_t firstRow, std::uint32_t endRow,
                  Sample* out, std::size_t stride) override {
    if (failWith != 0) return failWith;
    std::uint32_t& next = nextRow_[{level, band}];
    EXPECT_TRUE(next == 0 || firstRow == next) << "band rows out of order";
    next = endRow;
    for (std::uint32_t y = firstRow; y < endRow; ++y) {
      const auto found = rows_.find({level, band, y});
      if (found == rows_.end()) {
        ADD_FAILURE() << "asked for missing row " << y << " of band " << band << ", level "
                      << level;
        return JP2_Error_Internal;
      }
      const std::vector<Sample>& row = found->second;
      EXPECT_LE(row.size(), stride);
      std::copy(row.begin(), row.end(), out + std::size_t{y - firstRow} * stride);
    }
    return JP2_Success;
  }

  const std::vector<Sample>* Row(int level, BandOrientation band, std::uint32_t row) const {
    const auto found = rows_.find({level, band, row});
    return found == rows_.end() ? nullptr : &found->second;
  }

  std::int32_t failWith = 0;

 private:
  std::map<BandKey, std::vector<Sample>> rows_;
  std::map<std::pair<int, int>, std::uint32_t> nextRow_;
};

template <typename Sample>
std::vector<Sample> RandomPlane(const Bounds& area, std::mt19937& random) {
  std::uniform_int_distribution<int> value(-2048, 2047);
  std::vector<Sample> plane(std::size_t{area.Width()} * area.Height());
  for (Sample& v : plane) v = static_cast<Sample>(value(random));
  return plane;
}

template <typename Sample>
void Forward(const Bounds& area, int levels, const std::vector<Sample>& plane,
             BandStore<Sample>& store) {
  const Rect rect{area.x0, area.y0, area.x1, area.y1};
  WaveletCascade<Sample> cascade;
  WorkArena sizing;
  cascade.Plan(rect, levels, sizing);
  std::vector<std::uint8_t> memory(sizing.Layout().Size() + 16);
  WorkArena carving(reinterpret_cast<std::uint8_t*>(
      (reinterpret_cast<std::uintptr_t>(memory.data()) + 15) & ~std::uintptr_t{15}));
  cascade.Plan(rect, levels, carving);
  for (std::uint32_t y = 0; y < area.Height(); ++y) {
    ASSERT_TRUE(cascade.PushRow(plane.data() + std::size_t{y} * area.Width(), store).ok());
  }
}

// Runs the inverse to the kept resolution and compares each row with expected(row, x).
template <typename Sample, typename Expected>
void ExpectInverse(BandStore<Sample>& store, const Bounds& area, int levels, int kept,
                   double tolerance, Expected expected) {
  CountingAllocator allocator;
  const MemoryCallbacks memory = allocator.Callbacks();
  InverseWavelet<Sample> inverse;
  ASSERT_EQ(inverse.Init(memory, area, levels, kept, &store).code(), JP2_Success);
  const Bounds out = inverse.Output();
  EXPECT_EQ(out.Width(), (ResolutionBounds(area, levels, kept).Width()));
  for (std::uint32_t y = 0; y < out.Height(); ++y) {
    const Sample* row = nullptr;
    ASSERT_EQ(inverse.NextRow(&row).code(), JP2_Success);
    for (std::uint32_t x = 0; x < out.Width(); ++x) {
      ASSERT_NEAR(static_cast<double>(row[x]), static_cast<double>(expected(y, x)), tolerance)
          << "at " << x << "," << y << " of " << out.Width() << "x" << out.Height();
    }
  }
  const Sample* extra = nullptr;
  EXPECT_EQ(inverse.NextRow(&extra).code(), JP2_Error_Internal) << "a row past the last";
  EXPECT_EQ(inverse.Release().code(), JP2_Success);
  EXPECT_TRUE(allocator.live.empty());
}

template <typename Sample>
void RoundTrip(const Bounds& area, int levels, double tolerance, std::mt19937& random) {
  const std::vector<Sample> plane = RandomPlane<Sample>(area, random);
  BandStore<Sample> store;
  Forward(area, levels, plane, store);
  ExpectInverse(store, area, levels, levels, tolerance, [&](std::uint32_t y, std::uint32_t x) {
    return plane[std::size_t{y} * area.Width() + x];
  });
}

template <typename Sample>
void SweepRoundTrips(double tolerance) {
  std::mt19937 random(23);
  const std::uint32_t sizes[] = {1, 2, 3, 4, 5, 7, 16, 29};
  const std::uint32_t origins[][2] = {{0, 0}, {1, 1}, {1, 0}, {0, 3}, {5, 2}, {7, 9}};
  for (int levels = 0; levels <= 6; ++levels) {
    for (const auto& origin : origins) {
      for (const std::uint32_t width : sizes) {
        for (const std::uint32_t height : sizes) {
          const Bounds area{origin[0], origin[1], origin[0] + width, origin[1] + height};
          SCOPED_TRACE(::testing::Message() << width << "x" << height << " at " << origin[0] << ","
                                            << origin[1] << ", " << levels << " levels");
          RoundTrip<Sample>(area, levels, tolerance, random);
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
  for (const Bounds& area : {Bounds{123, 77, 390, 122}, Bounds{5, 1001, 70, 1203}}) {
    RoundTrip<Sample>(area, 5, tolerance, random);
  }
}

TEST(InverseWaveletTest, Reversible53UndoesTheForwardCascadeExactly) {
  SweepRoundTrips<std::int32_t>(0.0);
}

TEST(InverseWaveletTest, Irreversible97UndoesTheForwardCascadeWithinFloatRounding) {
  SweepRoundTrips<float>(0.02);
}

// A lone sample at an odd coordinate holds twice its value: the inverse halves it, with an
// arithmetic shift for 5/3, along rows and along columns.
TEST(InverseWaveletTest, LoneOddSamplesAreHalved) {
  struct Case {
    Bounds area;
    BandOrientation band;
    std::int32_t coefficient;
    std::int32_t expected;
  };
  const Case cases[] = {
      {{1, 0, 2, 1}, kBandHL, 7, 3},   {{1, 0, 2, 1}, kBandHL, -7, -4},
      {{0, 1, 1, 2}, kBandLH, 6, 3},   {{1, 1, 2, 2}, kBandHH, -8, -2},
      {{0, 0, 1, 1}, kBandLL, -5, -5},
  };
  for (const Case& c : cases) {
    BandStore<std::int32_t> store;
    store.TakeBandRow(1, c.band, c.area.y0 / 2, &c.coefficient, 1).code();
    ExpectInverse(store, c.area, 1, 1, 0.0,
                  [&](std::uint32_t, std::uint32_t) { return c.expected; });
  }
}

// Keeping resolution L - r gives what a forward transform of r levels leaves in its LL band,
// and the bands of the finer levels are never asked for (the source would fail on them).
TEST(InverseWaveletTest, ReducedRunsStopAtTheKeptResolution) {
  std::mt19937 random(5);
  const Bounds areas[] = {{0, 0, 37, 21}, {3, 5, 40, 17}, {1, 1, 2, 9}};
  for (const Bounds& area : areas) {
    const std::vector<std::int32_t> plane = RandomPlane<std::int32_t>(area, random);
    constexpr int kLevels = 4;
    for (int dropped = 1; dropped <= kLevels; ++dropped) {
      BandStore<std::int32_t> full;
      Forward(area, kLevels, plane, full);
      BandStore<std::int32_t> partial;
      Forward(area, dropped, plane, partial);
      // Only the coarse bands of the full transform may be served.
      BandStore<std::int32_t> coarse;
      const Bounds kept = ResolutionBounds(area, kLevels, kLevels - dropped);
      const auto copy = [&](int level, int band) {
        for (std::uint32_t row = 0; row < 64; ++row) {
          const auto* samples = full.Row(level, static_cast<BandOrientation>(band), row);
          if (samples != nullptr) {
            static_cast<void>(coarse.TakeBandRow(level, static_cast<BandOrientation>(band), row,
                                                 samples->data(),
                                                 static_cast<std::uint32_t>(samples->size())));
          }
        }
      };
      copy(kLevels, kBandLL);
      for (int level = dropped + 1; level <= kLevels; ++level) {
        for (int band = kBandHL; band <= kBandHH; ++band) copy(level, band);
      }
      SCOPED_TRACE(::testing::Message() << "dropping " << dropped << " of " << kLevels);
      ExpectInverse(coarse, area, kLevels, kLevels - dropped, 0.0,
                    [&](std::uint32_t y, std::uint32_t x) {
                      return (*partial.Row(dropped, kBandLL, kept.y0 + y))[x];
                    });
    }
  }
}

// A source that makes up coefficients for any band row.
class SyntheticSource : public CoefficientSource<float> {
 public:
  Status FillRows(int, BandOrientation band, std::uint32_t firstRow, std::uint32_t endRow,
                  float* rows, std::size_t stride) override {
    if (failAtRow >= 0 && firstRow >= static_cast<std::uint32_t>(failAtRow)) return -77;
    for (std::uint32_t y = firstRow; y < endRow; ++y) {
      for (std::size_t x = 0; x < stride; ++x) {
        rows[(y - firstRow) * stride + x] = static_cast<float>((x * 7 + y * 3 + band) % 11) - 5;
      }
    }
    return JP2_Success;
  }
  std::int64_t failAtRow = -1;
};

TEST(InverseWaveletTest, WorkingMemoryFollowsTheWidthNotTheHeight) {
  std::uint32_t largest[2] = {};
  const std::uint32_t heights[2] = {64, 40000};
  for (int i = 0; i < 2; ++i) {
    CountingAllocator allocator;
    const MemoryCallbacks memory = allocator.Callbacks();
    SyntheticSource source;
    InverseWavelet<float> inverse;
    ASSERT_EQ(inverse.Init(memory, Bounds{3, 1, 3 + 24, 1 + heights[i]}, 5, 5, &source).code(),
              JP2_Success);
    for (std::uint32_t y = 0; y < heights[i]; ++y) {
      const float* row = nullptr;
      ASSERT_EQ(inverse.NextRow(&row).code(), JP2_Success);
    }
    EXPECT_EQ(allocator.allocations, 1) << "rows produced without further allocations";
    largest[i] = allocator.largest;
    ASSERT_EQ(inverse.Release().code(), JP2_Success);
  }
  EXPECT_EQ(largest[0], largest[1]);
  EXPECT_LT(largest[1], 24u * 8 * 4 * 6 + 1024) << "the lifting windows and little else";
}

TEST(InverseWaveletTest, FailuresAreReportedNotHidden) {
  CountingAllocator allocator;
  const MemoryCallbacks memory = allocator.Callbacks();
  SyntheticSource source;
  InverseWavelet<float> inverse;
  const Bounds area{0, 0, 16, 16};
  EXPECT_EQ(inverse.Init(memory, area, 3, 4, &source).code(), JP2_Error_Internal);
  EXPECT_EQ(inverse.Init(memory, area, 33, 33, &source).code(), JP2_Error_Internal);
  allocator.failAt = 0;
  EXPECT_EQ(inverse.Init(memory, area, 3, 3, &source).code(), JP2_Error_OutOfMemory);
  allocator.failAt = -1;
  source.failAtRow = 2;
  ASSERT_EQ(inverse.Init(memory, area, 3, 3, &source).code(), JP2_Success);
  const float* row = nullptr;
  Status status;
  for (int y = 0; y < 16 && status.ok(); ++y) status = inverse.NextRow(&row);
  EXPECT_EQ(status.code(), -77);
  EXPECT_EQ(inverse.Release().code(), JP2_Success);
  EXPECT_TRUE(allocator.live.empty());
}

}  // namespace
}  // namespace quillon::jp2::test
