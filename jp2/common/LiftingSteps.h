// The 1-D lifting steps of the two wavelets, shared by the forward and inverse transforms.
// Each step adds a function of a sample's two neighbours (of the other parity) to it; the
// inverse subtracts the same function. The vertical transforms apply a step to whole rows,
// the horizontal ones along one row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "common/WrappingInt.h"

namespace quillon::jp2 {

// Reversible 5/3: two steps on integers (floor division by arithmetic shift).
inline constexpr int kLiftingSteps53 = 2;
// Irreversible 9/7: four steps on single-precision values, then the lowpass samples are
// divided and the highpass samples multiplied by kScale97.
inline constexpr int kLiftingSteps97 = 4;
inline constexpr float kLifting97[kLiftingSteps97] = {-1.586134342059924f, -0.052980118572961f,
                                                      0.882911075530934f, 0.443506852043971f};
inline constexpr float kScale97 = 1.230174104914001f;

// The steps of the wavelet that works on Sample values: int32 for 5/3, float for 9/7.
template <typename Sample>
inline constexpr int kLiftingStepsOf =
    std::is_same_v<Sample, float> ? kLiftingSteps97 : kLiftingSteps53;
// Rows a line-based transform keeps per level: the newest row, the rows its steps finish and
// a neighbour on each side, rounded up to a power of two.
template <typename Sample>
inline constexpr std::int64_t kWindowRowsOf = std::is_same_v<Sample, float> ? 8 : 4;

// Step 0 targets the odd (highpass) positions, step 1 the even ones, and so on alternately.
constexpr int TargetParityOfStep(int step) {
  return (step & 1) == 0 ? 1 : 0;
}

enum class LiftDirection { kForward, kInverse };

// What the forward 5/3 step adds to its target.
inline std::int32_t Update53(int step, std::int32_t left, std::int32_t right) {
  const std::int32_t sum = WrappingAdd(left, right);
  return step == 0 ? -(sum >> 1) : WrappingAdd(sum, 2) >> 2;
}

template <LiftDirection kDirection>
inline std::int32_t Lift53(int step, std::int32_t target, std::int32_t left, std::int32_t right) {
  const std::int32_t update = Update53(step, left, right);
  return kDirection == LiftDirection::kForward ? WrappingAdd(target, update)
                                               : WrappingSub(target, update);
}

template <LiftDirection kDirection>
inline float Lift97(int step, float target, float left, float right) {
  const float update = kLifting97[step] * (left + right);
  return kDirection == LiftDirection::kForward ? target + update : target - update;
}

// One step over count samples held in three rows; simple enough to vectorise.
template <LiftDirection kDirection>
inline void RowLift53(int step, std::int32_t* target, const std::int32_t* left,
                      const std::int32_t* right, std::size_t count) {
  if (step == 0) {
    for (std::size_t i = 0; i < count; ++i) {
      target[i] = Lift53<kDirection>(0, target[i], left[i], right[i]);
    }
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      target[i] = Lift53<kDirection>(1, target[i], left[i], right[i]);
    }
  }
}

template <LiftDirection kDirection>
inline void RowLift97(int step, float* target, const float* left, const float* right,
                      std::size_t count) {
  const float factor = kDirection == LiftDirection::kForward ? kLifting97[step] : -kLifting97[step];
  for (std::size_t i = 0; i < count; ++i) target[i] += factor * (left[i] + right[i]);
}

template <LiftDirection kDirection>
inline void RowLift(int step, std::int32_t* target, const std::int32_t* left,
                    const std::int32_t* right, std::size_t count) {
  RowLift53<kDirection>(step, target, left, right, count);
}
template <LiftDirection kDirection>
inline void RowLift(int step, float* target, const float* left, const float* right,
                    std::size_t count) {
  RowLift97<kDirection>(step, target, left, right, count);
}
template <LiftDirection kDirection>
inline std::int32_t Lift(int step, std::int32_t target, std::int32_t left, std::int32_t right) {
  return Lift53<kDirection>(step, target, left, right);
}
template <LiftDirection kDirection>
inline float Lift(int step, float target, float left, float right) {
  return Lift97<kDirection>(step, target, left, right);
}

// One step along a line held as deinterleaved halves: target[i] takes source[i + d] and
// source[i + d + 1]; a neighbour beyond either end of the line stands for its mirror image,
// which is the other neighbour (symmetric extension).
template <LiftDirection kDirection, typename Sample>
void LiftHalves(int step, Sample* target, std::int64_t targetCount, const Sample* source,
                std::int64_t sourceCount, std::int64_t d) {
  const std::int64_t begin = std::min(targetCount, std::max<std::int64_t>(0, -d));
  const std::int64_t end = std::max(begin, std::min(targetCount, sourceCount - 1 - d));
  for (std::int64_t i = 0; i < begin; ++i) {
    const Sample mirrored = source[i + d + 1];
    target[i] = Lift<kDirection>(step, target[i], mirrored, mirrored);
  }
  RowLift<kDirection>(step, target + begin, source + begin + d, source + begin + d + 1,
                      static_cast<std::size_t>(end - begin));
  for (std::int64_t i = end; i < targetCount; ++i) {
    const Sample mirrored = source[i + d];
    target[i] = Lift<kDirection>(step, target[i], mirrored, mirrored);
  }
}

}  // namespace quillon::jp2
