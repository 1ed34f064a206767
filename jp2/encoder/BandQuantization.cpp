#include "encoder/BandQuantization.h"

#include <algorithm>
#include <cmath>

#include "common/WaveletNorms.h"
#include "encoder/SampleIntake.h"
#include "encoder/TileGeometry.h"

namespace quillon::jp2 {
namespace {

constexpr double kWeightScale = 500000.0;
constexpr int kWeightedResolutions = 5;

// Under a target size, ratios from this one up quantize with a step of one sample unit in the
// image domain; lower ratios halve it once per octave below it, so that the target stays
// reachable.
constexpr double kRatioOfUnitStep = 16.0;

// T.800 Annex J weights for viewing distances 1000, 2000 and 4000 pixels, per resolution
// r = 1..5: [setting - 1][table][0 HL and LH, 1 HH][min(r, 5) - 1]. Table 0 serves components
// without the component transform, tables 1 to 3 the luminance and the two chrominance
// components under it.
constexpr double kFrequencyWeights[3][4][2][kWeightedResolutions] = {
    {{{1, 1, 1, 1, 0.56081}, {1, 1, 1, 0.72717, 0.28417}},
     {{1, 1, 1, 0.99828, 0.75635}, {1, 1, 1, 0.99655, 0.57306}},
     {{0.8832, 0.79349, 0.65048, 0.45074, 0.2305}, {0.83358, 0.71229, 0.5317, 0.30918, 0.11379}},
     {{0.91088, 0.84103, 0.72566, 0.5529, 0.33617}, {0.87238, 0.77618, 0.6251, 0.41894, 0.20051}}},
    {{{1, 1, 1, 0.56084, 0.17849}, {1, 1, 0.72729, 0.28419, 0.043631}},
     {{1, 1, 1, 0.86159, 0.30719}, {1, 1, 1, 0.74234, 0.10892}},
     {{0.81877, 0.6894, 0.50165, 0.28007, 0.097816},
      {0.74588, 0.57922, 0.36228, 0.15229, 0.031179}},
     {{0.86089, 0.75763, 0.59854, 0.38849, 0.17743},
      {0.80317, 0.66559, 0.47089, 0.24857, 0.07713}}},
    {{{1, 1, 0.56434, 0.17961, 0.014774}, {1, 0.73167, 0.28597, 0.043903, 0.000573}},
     {{1, 1, 0.92105, 0.41063, 0.038487}, {1, 1, 0.84832, 0.18276, 0.003075}},
     {{0.71709, 0.53944, 0.31977, 0.12402, 0.023308},
      {0.61378, 0.40335, 0.18561, 0.044771, 0.003413}},
     {{0.78009, 0.63163, 0.42866, 0.21187, 0.060277},
      {0.69513, 0.50973, 0.28759, 0.10066, 0.014977}}}};

constexpr double kRctFactors[3] = {1.7321, 0.8292, 0.8292};
constexpr double kIctFactors[3] = {1.7321, 1.8051, 1.5734};

int GainBits(BandOrientation band) {
  return band == kBandLL ? 0 : band == kBandHH ? 2 : 1;
}

// The product of the band's horizontal and vertical one-dimensional L2 norms, the square root
// of the product of their energies: for LL and HH one energy itself.
double BandNorm(bool reversible, int level, BandOrientation band) {
  const double low = LowpassSynthesisEnergy(reversible, level);
  const double high = HighpassSynthesisEnergy(reversible, level);
  switch (band) {
    case kBandLL:
      return low;
    case kBandHH:
      return high;
    default:
      return std::sqrt(low * high);
  }
}

double ComponentFactor(const TileComponentQuantization& in) {
  if (in.transformComponent < 0) return 1.0;
  return (in.reversible ? kRctFactors : kIctFactors)[in.transformComponent];
}

double FrequencyWeight(const TileComponentQuantization& in, int resolution, BandOrientation band) {
  if (in.visualWeighting == 0 || band == kBandLL) return 1.0;
  const int table = in.transformComponent < 0 ? 0 : 1 + in.transformComponent;
  const int index = std::min(resolution, kWeightedResolutions) - 1;
  return kFrequencyWeights[in.visualWeighting - 1][table][band == kBandHH ? 1 : 0][index];
}

}  // namespace

double TargetStepFactor(double ratio) {
  // Powers of two only: the steps then lie on the lattice of the unit step, whose bit planes
  // end where a coarser unit step's would. A step between two of them shifts the bit planes
  // against the picture, and the quality at a given size then rises or falls with the shift.
  // A ratio a rounding error below an octave's edge (a target size rounded up) keeps the
  // octave's step.
  const double factor = std::clamp(ratio / kRatioOfUnitStep * (1.0 + 1e-9), 1.0 / 64.0, 1.0);
  int exponent = 0;
  std::frexp(factor, &exponent);  // factor = m x 2^exponent, m in [1/2, 1)
  return std::ldexp(1.0, exponent - 1);
}

StepCode EncodeNormalisedStep(double s) {
  if (!(s > 0.0) || !std::isfinite(s)) return {kMaxQuantExponent, 0};
  int exponent = 0;
  while (s < 1.0) {
    s *= 2.0;
    ++exponent;
  }
  while (s >= 2.0) {
    s /= 2.0;
    --exponent;
  }
  int mantissa = static_cast<int>(std::floor((s - 1.0) * 2048.0 + 0.5));
  if (mantissa == 2048) {
    mantissa = 0;
    --exponent;
  }
  if (exponent > kMaxQuantExponent) return {kMaxQuantExponent, mantissa};
  if (exponent < 0) return {0, 2047};  // the coarsest step the fields can hold
  return {exponent, mantissa};
}

void ComputeBandQuantization(const TileComponentQuantization& in, BandQuantization* bands) {
  const int levels = in.levels;
  const double base = in.depth < 8 ? 1.0 / 256.0 : std::ldexp(1.0, -in.depth);
  const StepCode derived = EncodeNormalisedStep(base);
  const double componentFactor = ComponentFactor(in);
  const float scale = IrreversibleScale(in.depth, in.guardBits);
  for (int resolution = 0; resolution <= levels; ++resolution) {
    const int level = resolution == 0 ? levels : levels - resolution + 1;
    const int firstBand = resolution == 0 ? kBandLL : kBandHL;
    const int lastBand = resolution == 0 ? kBandLL : kBandHH;
    for (int b = firstBand; b <= lastBand; ++b) {
      const auto band = static_cast<BandOrientation>(b);
      BandQuantization& out = bands[BandIndex(resolution, band)];
      out.norm = BandNorm(in.reversible, level, band);
      const int rangeBits = in.depth + GainBits(band);
      StepCode code{rangeBits, 0};
      if (in.style == 2) {
        const double f = in.targeted ? std::ldexp(in.targetStepFactor, -GainBits(band)) : 1.0;
        code = EncodeNormalisedStep(base * f / out.norm);
      } else if (in.style == 1) {
        code = {std::min(derived.exponent + level, kMaxQuantExponent), derived.mantissa};
      }
      out.exponent = static_cast<std::uint8_t>(code.exponent);
      out.mantissa = static_cast<std::uint16_t>(code.mantissa);
      out.magnitudeBits = static_cast<std::uint8_t>(std::max(0, in.guardBits + code.exponent - 1));
      const double normalisedStep = std::ldexp(1.0 + code.mantissa / 2048.0, -code.exponent);
      const double distortion =
          in.reversible ? out.norm * componentFactor / std::ldexp(1.0, in.depth)
                        : std::ldexp(normalisedStep, GainBits(band)) * out.norm * componentFactor;
      out.weight = distortion * distortion * kWeightScale * FrequencyWeight(in, resolution, band);
      out.step =
          in.reversible ? 1.0f : static_cast<float>(std::ldexp(normalisedStep, rangeBits) * scale);
    }
  }
}

}  // namespace quillon::jp2
