// The 1-D lifting steps of the two wavelets, shared by the forward and inverse transforms.
// Each step adds a function of a sample's two neighbours (of the other parity) to it; the
// vertical transforms apply a step to whole rows, the horizontal ones along one row.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::jp2 {

// Reversible 5/3: two steps on integers (floor division by arithmetic shift).
inline constexpr int kLiftingSteps53 = 2;
// Irreversible 9/7: four steps on single-precision values, then the lowpass samples are
// divided and the highpass samples multiplied by kScale97.
inline constexpr int kLiftingSteps97 = 4;
inline constexpr float kLifting97[kLiftingSteps97] = {-1.586134342059924f, -0.052980118572961f,
                                                      0.882911075530934f, 0.443506852043971f};
inline constexpr float kScale97 = 1.230174104914001f;

// Step 0 targets the odd (highpass) positions, step 1 the even ones, and so on alternately.
constexpr int TargetParityOfStep(int step) {
  return (step & 1) == 0 ? 1 : 0;
}

// The forward step of the 5/3 wavelet: target += f(left, right).
inline std::int32_t Forward53(int step, std::int32_t target, std::int32_t left,
                              std::int32_t right) {
  return step == 0 ? target - ((left + right) >> 1) : target + ((left + right + 2) >> 2);
}

inline float Forward97(int step, float target, float left, float right) {
  return target + kLifting97[step] * (left + right);
}

// One forward step over count samples held in three rows.
inline void ForwardRowStep53(int step, std::int32_t* target, const std::int32_t* left,
                             const std::int32_t* right, std::size_t count) {
  if (step == 0) {
    for (std::size_t i = 0; i < count; ++i) target[i] -= (left[i] + right[i]) >> 1;
  } else {
    for (std::size_t i = 0; i < count; ++i) target[i] += (left[i] + right[i] + 2) >> 2;
  }
}

inline void ForwardRowStep97(int step, float* target, const float* left, const float* right,
                             std::size_t count) {
  const float factor = kLifting97[step];
  for (std::size_t i = 0; i < count; ++i) target[i] += factor * (left[i] + right[i]);
}

}  // namespace quillon::jp2
