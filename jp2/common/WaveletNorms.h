// Energies (squared L2 norms) of the one-dimensional synthesis basis functions of both
// wavelets, per decomposition level. A subband's L2 norm is the square root of the product
// of its two one-dimensional energies; it weighs quantization steps and distortion.
#pragma once

namespace quillon::jp2 {

inline constexpr int kMaxNormLevel = 32;

// The lowpass energy at level 0 is 1 (no transform); highpass energies start at level 1, the
// level-0 entry, which no subband has, is 0. Levels above kMaxNormLevel are clamped.
double LowpassSynthesisEnergy(bool reversible, int level);
double HighpassSynthesisEnergy(bool reversible, int level);

}  // namespace quillon::jp2
