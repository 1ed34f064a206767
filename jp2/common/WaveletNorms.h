// Energy gains (squared L2 norms) of the one-dimensional synthesis basis functions of both
// wavelets, per decomposition level, used to weigh quantization steps and distortion.
#pragma once

namespace quillon::jp2 {

inline constexpr int kMaxNormLevel = 32;

// The lowpass gain at level 0 is 1 (no transform); highpass gains start at level 1 and the
// level-0 entry, which no subband has, is 0. Levels above kMaxNormLevel are clamped.
double LowpassSynthesisGain(bool reversible, int level);
double HighpassSynthesisGain(bool reversible, int level);

}  // namespace quillon::jp2
