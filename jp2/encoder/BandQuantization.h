// Per subband of a tile-component: the quantization exponent and mantissa written to QCD/QCC,
// the number of magnitude bit planes, the step the coefficients are divided by, and the
// distortion weight rate control works with.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

inline constexpr int kMaxQuantExponent = 31;  // a 5-bit field in QCD and QCC

struct BandQuantization {
  std::uint8_t exponent = 0;
  std::uint16_t mantissa = 0;      // 11 bits
  std::uint8_t magnitudeBits = 0;  // Mb = guard bits + exponent - 1
  double norm = 1.0;               // L2 norm of the band's synthesis basis functions
  double weight = 0.0;             // distortion weight
  float step = 1.0f;               // irreversible: the step in scaled sample units
};

struct TileComponentQuantization {
  std::uint8_t depth = 8;
  std::uint8_t guardBits = 2;
  std::uint8_t levels = 0;
  std::uint8_t style = 0;  // 0 none, 1 derived, 2 expounded
  bool reversible = true;
  // 0, 1 or 2 for the first three components under the component transform, else -1.
  int transformComponent = -1;
  // Under a target size the expounded steps are refined so that rate control, not the
  // quantizer, limits quality: every band's step becomes the same in the image domain,
  // times targetStepFactor.
  bool targeted = false;
  double targetStepFactor = 1.0;
  std::uint32_t visualWeighting = 0;  // property 65: 0 none, 1..3 viewing distance
};

// The step factor under a target size for a compression ratio (uncompressed / target bytes).
double TargetStepFactor(double ratio);

struct StepCode {
  int exponent;
  int mantissa;
};

// Writes s = 2^-exponent x (1 + mantissa / 2048), exponent clamped to 0..31.
StepCode EncodeNormalisedStep(double s);

// Fills bands[0 .. 3 x levels] in quantization order (LL, then HL, LH, HH per resolution).
void ComputeBandQuantization(const TileComponentQuantization& in, BandQuantization* bands);

}  // namespace quillon::jp2
