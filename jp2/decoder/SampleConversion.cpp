#include "decoder/SampleConversion.h"

#include <algorithm>
#include <cmath>

namespace quillon::jp2 {
namespace {

constexpr int kOutputBits = 32;
// Integers up to 2^24 are exact in a float.
constexpr int kExactFloatBits = 24;

// The sample range of a component, and the DC shift that unsigned samples get back.
struct SampleRange {
  std::int64_t low;
  std::int64_t high;
  std::int64_t shift;
  int dropBits;  // bits below the 32 that are kept
};

SampleRange RangeOf(const ComponentInfo& component) {
  const int depth = std::clamp<int>(component.depth, 1, 38);
  const std::int64_t half = std::int64_t{1} << (depth - 1);
  const bool isSigned = component.isSigned != 0;
  return SampleRange{isSigned ? -half : 0, isSigned ? half - 1 : 2 * half - 1, isSigned ? 0 : half,
                     std::max(depth - kOutputBits, 0)};
}

// value is already DC-shifted back.
std::uint32_t Narrow(std::int64_t value, const SampleRange& range) {
  const std::int64_t clamped = std::clamp(value, range.low, range.high);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(clamped >> range.dropBits));
}

}  // namespace

void ConvertReversible(const std::int32_t* values, std::uint32_t* samples, std::size_t count,
                       const ComponentInfo& component) {
  const SampleRange range = RangeOf(component);
  if (range.dropBits != 0) {
    for (std::size_t i = 0; i < count; ++i) samples[i] = Narrow(values[i] + range.shift, range);
    return;
  }
  // Up to 32 bits the range before the shift fits an int32, so the loop stays 32-bit wide.
  const auto low = static_cast<std::int32_t>(range.low - range.shift);
  const auto high = static_cast<std::int32_t>(range.high - range.shift);
  const auto shift = static_cast<std::uint32_t>(range.shift);
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<std::uint32_t>(std::clamp(values[i], low, high)) + shift;
  }
}

void ConvertIrreversible(const float* values, std::uint32_t* samples, std::size_t count,
                         const ComponentInfo& component) {
  const SampleRange range = RangeOf(component);
  // Clamping in float first keeps the conversion to int64 defined; the bounds may round
  // outwards, which the integer clamp in Narrow takes back.
  const auto low = static_cast<float>(range.low - range.shift);
  const auto high = static_cast<float>(range.high - range.shift);
  if (component.depth <= kExactFloatBits) {
    // Every integer of the range is a float and fits an int32: floor(clamp(v + 1/2)) equals
    // the clamp of the floor, and is a truncation corrected by one below zero, which the
    // compiler vectorises (std::floor is a library call on baseline x86-64).
    const auto shift = static_cast<std::int32_t>(range.shift);
    for (std::size_t i = 0; i < count; ++i) {
      const float half = values[i] + 0.5f;
      const float bounded = half >= low ? std::min(half, high) : low;
      auto whole = static_cast<std::int32_t>(bounded);
      whole -= static_cast<float>(whole) > bounded ? 1 : 0;
      samples[i] = static_cast<std::uint32_t>(whole + shift);
    }
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const float rounded = std::floor(values[i] + 0.5f);
    const float bounded = rounded >= low ? std::min(rounded, high) : low;
    samples[i] = Narrow(static_cast<std::int64_t>(bounded) + range.shift, range);
  }
}

}  // namespace quillon::jp2
