// The streaming wavelet against a plain whole-tile transform written from T.800 Annex F:
// symmetric extension of each whole row and column, lifting over the extended signal, then
// deinterleaving, level by level. Exact for 5/3, within float rounding for 9/7.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "encoder/WaveletCascade.h"

namespace quillon::jp2::test {
namespace {

// A picture of doubles addressed by absolute coordinates.
struct Plane {
  Rect area;
  std::vector<double> values;

  explicit Plane(const Rect& rect)
      : area(rect), values(std::size_t{rect.Width()} * rect.Height()) {}
  double& At(std::uint32_t x, std::uint32_t y) {
    return values[std::size_t{y - area.y0} * area.Width() + (x - area.x0)];
  }
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return static_cast<std::int64_t>(std::floor(static_cast<double>(a) / static_cast<double>(b)));
}

// T.800 F.4.8: the 1-D transform of x over absolute coordinates [i0, i0 + n), interleaved.
std::vector<double> Forward1D(const std::vector<double>& x, std::int64_t i0, bool reversible) {
  const std::int64_t n = static_cast<std::int64_t>(x.size());
  if (n == 0) return {};
  if (n == 1) return {(i0 & 1) == 0 ? x[0] : 2 * x[0]};
  const std::int64_t margin = 6;
  // Periodic symmetric extension: index k mirrors into [0, n).
  std::vector<double> e(static_cast<std::size_t>(n + 2 * margin));
  for (std::int64_t k = -margin; k < n + margin; ++k) {
    std::int64_t m = k;
    const std::int64_t period = 2 * (n - 1);
    m = ((m % period) + period) % period;
    if (m >= n) m = period - m;
    e[static_cast<std::size_t>(k + margin)] = x[static_cast<std::size_t>(m)];
  }
  auto at = [&](std::int64_t absolute) -> double& {
    return e[static_cast<std::size_t>(absolute - i0 + margin)];
  };
  const std::int64_t i1 = i0 + n;
  if (reversible) {
    for (std::int64_t k = i0 - 1; k < i1 + 1; ++k) {
      if ((k & 1) != 0) {
        at(k) -= static_cast<double>(FloorDiv(static_cast<std::int64_t>(at(k - 1) + at(k + 1)), 2));
      }
    }
    for (std::int64_t k = i0; k < i1; ++k) {
      if ((k & 1) == 0) {
        at(k) +=
            static_cast<double>(FloorDiv(static_cast<std::int64_t>(at(k - 1) + at(k + 1)) + 2, 4));
      }
    }
  } else {
    const double alpha = -1.586134342059924, beta = -0.052980118572961;
    const double gamma = 0.882911075530934, delta = 0.443506852043971, K = 1.230174104914001;
    const double steps[4] = {alpha, beta, gamma, delta};
    for (int s = 0; s < 4; ++s) {
      const std::int64_t parity = (s & 1) == 0 ? 1 : 0;
      const std::int64_t reach = 3 - s;
      for (std::int64_t k = i0 - reach; k < i1 + reach; ++k) {
        if ((k & 1) == parity) at(k) += steps[s] * (at(k - 1) + at(k + 1));
      }
    }
    for (std::int64_t k = i0; k < i1; ++k) at(k) = (k & 1) == 0 ? at(k) / K : at(k) * K;
  }
  std::vector<double> y(static_cast<std::size_t>(n));
  for (std::int64_t k = i0; k < i1; ++k) y[static_cast<std::size_t>(k - i0)] = at(k);
  return y;
}

using BandKey = std::pair<int, int>;  // level, orientation

// Levels of vertical-then-horizontal transforms; the bands by absolute band coordinates.
std::map<BandKey, Plane> ReferenceTransform(Plane input, int levels, bool reversible) {
  std::map<BandKey, Plane> bands;
  for (int level = 1; level <= levels; ++level) {
    const Rect a = input.area;
    for (std::uint32_t x = a.x0; x < a.x1; ++x) {
      std::vector<double> column;
      for (std::uint32_t y = a.y0; y < a.y1; ++y) column.push_back(input.At(x, y));
      column = Forward1D(column, a.y0, reversible);
      for (std::uint32_t y = a.y0; y < a.y1; ++y) input.At(x, y) = column[y - a.y0];
    }
    for (std::uint32_t y = a.y0; y < a.y1; ++y) {
      std::vector<double> row;
      for (std::uint32_t x = a.x0; x < a.x1; ++x) row.push_back(input.At(x, y));
      row = Forward1D(row, a.x0, reversible);
      for (std::uint32_t x = a.x0; x < a.x1; ++x) input.At(x, y) = row[x - a.x0];
    }
    for (int o = kBandLL; o <= kBandHH; ++o) {
      bands.emplace(BandKey{level, o}, Plane(BandRect(a, 1, static_cast<BandOrientation>(o))));
    }
    for (std::uint32_t y = a.y0; y < a.y1; ++y) {
      for (std::uint32_t x = a.x0; x < a.x1; ++x) {
        const int o = (x & 1) + 2 * (y & 1);
        bands.at({level, o}).At(x / 2, y / 2) = input.At(x, y);
      }
    }
    if (level < levels) {
      input = bands.at({level, kBandLL});
      bands.erase({level, kBandLL});
    }
  }
  return bands;
}

// Collects band rows, checking that each arrives once and in order.
template <typename Sample>
class CollectingSink : public BandRowSink<Sample> {
 public:
  Status TakeBandRow(int level, BandOrientation band, std::uint32_t row, const Sample* samples,
                     std::uint32_t count) override {
    std::vector<double>& next = nextRow_[{level, band}];
    rows[{level, band}].push_back({row, std::vector<double>(samples, samples + count)});
    if (!next.empty()) {
      EXPECT_EQ(row, next[0] + 1) << "level " << level << " band " << band;
    }
    next = {static_cast<double>(row)};
    return JP2_Success;
  }

  std::map<BandKey, std::vector<std::pair<std::uint32_t, std::vector<double>>>> rows;

 private:
  std::map<BandKey, std::vector<double>> nextRow_;
};

template <typename Sample>
void CompareWithReference(const Rect& area, int levels, std::mt19937& random) {
  const bool reversible = std::is_same_v<Sample, std::int32_t>;
  Plane input(area);
  std::uniform_int_distribution<int> value(-128, 127);
  for (double& v : input.values) v = value(random);

  WaveletCascade<Sample> cascade;
  WorkArena sizing;
  cascade.Plan(area, levels, sizing);
  std::vector<std::uint8_t> memory(sizing.Layout().Size() + 16);
  auto* base = reinterpret_cast<std::uint8_t*>(
      (reinterpret_cast<std::uintptr_t>(memory.data()) + 15) & ~std::uintptr_t{15});
  WorkArena carving(base);
  cascade.Plan(area, levels, carving);

  CollectingSink<Sample> sink;
  std::vector<Sample> row(area.Width());
  for (std::uint32_t y = area.y0; y < area.y1; ++y) {
    for (std::uint32_t x = area.x0; x < area.x1; ++x)
      row[x - area.x0] = static_cast<Sample>(input.At(x, y));
    ASSERT_TRUE(cascade.PushRow(row.data(), sink).ok());
  }

  const auto reference = ReferenceTransform(input, levels, reversible);
  const double tolerance = reversible ? 0.0 : 2e-3;
  std::size_t compared = 0;
  for (auto [key, plane] : reference) {
    const auto& got = sink.rows[key];
    const std::size_t expectedRows = plane.area.Width() == 0 ? 0 : plane.area.Height();
    ASSERT_EQ(got.size(), expectedRows) << "level " << key.first << " band " << key.second;
    for (const auto& [y, samples] : got) {
      ASSERT_EQ(samples.size(), plane.area.Width());
      for (std::uint32_t x = plane.area.x0; x < plane.area.x1; ++x) {
        ASSERT_NEAR(samples[x - plane.area.x0], plane.At(x, y), tolerance)
            << "level " << key.first << " band " << key.second << " at " << x << "," << y;
        ++compared;
      }
    }
  }
  std::size_t delivered = 0;
  for (const auto& [key, rows] : sink.rows) {
    for (const auto& row : rows) delivered += row.second.size();
  }
  EXPECT_EQ(delivered, compared) << "rows of bands the reference does not have";
  EXPECT_EQ(compared, input.values.size()) << "the transform keeps the sample count";
}

class WaveletCascadeTest : public ::testing::Test {
 protected:
  template <typename Sample>
  void Sweep() {
    const std::uint32_t sizes[] = {1, 2, 3, 4, 5, 8, 13, 17, 32};
    const std::uint32_t origins[][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {6, 3}, {7, 5}};
    for (int levels = 1; levels <= 8; ++levels) {
      for (const auto& origin : origins) {
        for (const std::uint32_t width : sizes) {
          for (const std::uint32_t height : sizes) {
            const Rect area{origin[0], origin[1], origin[0] + width, origin[1] + height};
            SCOPED_TRACE(::testing::Message() << width << "x" << height << " at " << origin[0]
                                              << "," << origin[1] << ", " << levels << " levels");
            CompareWithReference<Sample>(area, levels, random_);
            if (HasFatalFailure()) return;
          }
        }
      }
    }
  }

  std::mt19937 random_{7};
};

TEST_F(WaveletCascadeTest, Reversible53EqualsTheWholeTileTransform) {
  Sweep<std::int32_t>();
}

TEST_F(WaveletCascadeTest, Irreversible97EqualsTheWholeTileTransform) {
  Sweep<float>();
}

TEST_F(WaveletCascadeTest, LargerTilesAtOddOffsets) {
  const Rect areas[] = {{123, 77, 190, 122}, {5, 1000, 134, 1003}, {0, 0, 3, 150}};
  for (const Rect& area : areas) {
    for (const int levels : {2, 5}) {
      CompareWithReference<std::int32_t>(area, levels, random_);
      CompareWithReference<float>(area, levels, random_);
    }
  }
}

// The irreversible lowpass keeps a constant; the highpass doubles the highest frequency.
TEST_F(WaveletCascadeTest, IrreversibleGainsAreOneAtDcAndTwoAtNyquist) {
  const Rect area{0, 0, 16, 16};
  WaveletCascade<float> cascade;
  WorkArena sizing;
  cascade.Plan(area, 1, sizing);
  std::vector<std::uint8_t> memory(sizing.Layout().Size() + 16);
  WorkArena carving(reinterpret_cast<std::uint8_t*>(
      (reinterpret_cast<std::uintptr_t>(memory.data()) + 15) & ~std::uintptr_t{15}));
  cascade.Plan(area, 1, carving);
  CollectingSink<float> sink;
  for (int y = 0; y < 16; ++y) {
    std::vector<float> row(16);
    for (int x = 0; x < 16; ++x) row[x] = 10.0f + ((x & 1) != 0 ? -3.0f : 3.0f);
    ASSERT_TRUE(cascade.PushRow(row.data(), sink).ok());
  }
  for (const auto& [y, samples] : sink.rows[{1, kBandLL}]) {
    for (const double v : samples) EXPECT_NEAR(v, 10.0, 1e-4);
  }
  for (const auto& [y, samples] : sink.rows[{1, kBandHL}]) {
    for (const double v : samples) EXPECT_NEAR(std::fabs(v), 6.0, 1e-3);
  }
}

}  // namespace
}  // namespace quillon::jp2::test
