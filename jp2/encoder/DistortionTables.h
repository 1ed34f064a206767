// Distortion reduction per coded coefficient, indexed by the seven magnitude bits from the
// current bit plane down (index i stands for x = i / 64 of the plane's unit), in units of
// 1/8192: what the squared error falls by when the coefficient becomes significant or is
// refined, for the midpoint reconstruction of the irreversible path and the exact one of the
// reversible path.
#pragma once

#include <array>
#include <cstdint>

namespace quillon::jp2 {

inline constexpr int kDistortionIndexBits = 7;

// The index bits below plane 0 for a magnitude at the midpoint of its lowest unit.
inline constexpr std::uint32_t kMidpointBelowPlaneZero = 1u << (kDistortionIndexBits - 2);

using DistortionTable = std::array<std::int32_t, 1 << kDistortionIndexBits>;

namespace distortion_detail {

constexpr std::int32_t Scaled(double value) {
  const double scaled = 8192.0 * value + 0.5;
  const auto truncated = static_cast<std::int32_t>(scaled);
  return static_cast<double>(truncated) > scaled ? truncated - 1 : truncated;  // floor
}

template <typename Fn>
constexpr DistortionTable Build(Fn value) {
  DistortionTable table{};
  for (int i = 0; i < (1 << kDistortionIndexBits); ++i) table[i] = Scaled(value(i / 64.0));
  return table;
}

}  // namespace distortion_detail

inline constexpr DistortionTable kSignificanceLossy =
    distortion_detail::Build([](double x) { return x * x - (x - 1.5) * (x - 1.5); });
inline constexpr DistortionTable kRefinementLossy = distortion_detail::Build([](double x) {
  return x >= 1.0 ? (x - 1.0) * (x - 1.0) - (x - 1.5) * (x - 1.5)
                  : (x - 1.0) * (x - 1.0) - (x - 0.5) * (x - 0.5);
});
inline constexpr DistortionTable kSignificanceLossless =
    distortion_detail::Build([](double x) { return x * x; });
inline constexpr DistortionTable kRefinementLossless =
    distortion_detail::Build([](double x) { return (x - 1.0) * (x - 1.0); });

}  // namespace quillon::jp2
