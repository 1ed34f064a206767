#include "core/document/OptionBytes.h"

#include <algorithm>
#include <limits>

namespace quillon {

namespace {

constexpr double kTwoTo64 = 18446744073709551616.0;

// A positive count of bytes as an integer; counts from 2^64 on saturate instead of overflowing.
std::uint64_t Saturated(double bytes) {
  if (bytes >= kTwoTo64) return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(bytes);
}

}  // namespace

std::uint64_t BytesAtQuality(std::uint64_t rawSize, int quality) {
  return rawSize / static_cast<std::uint64_t>(501 - 5 * std::clamp(quality, 1, 100));
}

std::optional<std::uint64_t> BytesAtRate(std::uint64_t rawSize, double rate) {
  if (!(rate > 0.0)) return std::nullopt;  // also NaN
  return Saturated(static_cast<double>(rawSize) / rate);
}

std::optional<std::uint64_t> BytesOfKilobytes(double sizeKb) {
  if (!(sizeKb > 0.0)) return std::nullopt;
  return Saturated(sizeKb * 1024.0);
}

}  // namespace quillon
