#include "kvf/KvfQuality.h"

#include <algorithm>

namespace kvf {

namespace {

constexpr std::uint32_t kSmallestBudget = 8;  // one data word and the end word
constexpr std::int32_t kDefaultStopPlane = 2;
constexpr std::int32_t kLargestPlane = 31;

}  // namespace

std::int32_t PassesForQuality(std::int32_t quality, std::int32_t planes) {
  const std::int32_t q = std::clamp(quality, 0, 1024);
  const std::int32_t floor = planes / 2 - 1;
  if (q <= 512) return floor + ((planes - floor) * q) / 512;
  if (q <= 900) return planes + ((q - 512) * planes) / 388;
  return 2 * planes + ((q - 900) * planes) / 124;
}

std::int32_t QualityForPasses(std::int32_t passes, std::int32_t planes) {
  const std::int32_t floor = planes / 2 - 1;
  std::int32_t quality = 0;
  if (passes < floor) {
    quality = 0;
  } else if (passes <= planes) {
    quality = ((passes - floor) * 512) / (planes - floor);
  } else if (passes > 2 * planes) {
    quality = ((passes - 2 * planes) * 124) / planes + 900;
  } else {
    quality = ((passes - planes) * 388) / planes + 512;
  }
  return std::clamp(quality, 0, 1024);
}

std::uint32_t StripeBudget(std::uint64_t limit, std::uint64_t used, std::uint32_t stripesLeft) {
  if (limit == 0 || stripesLeft == 0) return 0;
  const std::uint64_t share = limit > used ? (limit - used) / stripesLeft : 0;
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(share, kSmallestBudget, 0xFFFFFFFFu));
}

std::int32_t EffectiveStopPlane(std::int32_t stored, std::uint32_t levels) {
  const std::int32_t wanted = stored < 0 ? kDefaultStopPlane : std::min(stored, kLargestPlane);
  return std::min(wanted, static_cast<std::int32_t>(levels) - 1);
}

}  // namespace kvf
