// Wavelet energy tables, the step code, and the quantization exponents, mantissas, bit-plane
// counts and weights of every subband, against values worked out by hand from the formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/WaveletNorms.h"
#include "encoder/BandQuantization.h"
#include "encoder/SampleIntake.h"
#include "encoder/TileGeometry.h"

namespace quillon::jp2::test {
namespace {

TEST(WaveletNorms, TablesHoldTheSynthesisBasisEnergies) {
  const double low53[] = {1, 1.5, 2.75, 5.375, 10.6875};
  const double high53[] = {0, 0.71875, 0.921875, 1.5859375, 3.04296875};
  const double low97[] = {1, 1.965907, 4.122410, 8.416744, 16.935572};
  for (int level = 0; level < 5; ++level) {
    EXPECT_DOUBLE_EQ(LowpassSynthesisEnergy(true, level), low53[level]) << level;
    EXPECT_DOUBLE_EQ(HighpassSynthesisEnergy(true, level), high53[level]) << level;
    EXPECT_NEAR(LowpassSynthesisEnergy(false, level), low97[level], 1e-6) << level;
  }
  EXPECT_NEAR(HighpassSynthesisEnergy(false, 1), 0.520218, 1e-6);
  // Every level up to 32 is kept; each roughly doubles the one before.
  for (const bool reversible : {true, false}) {
    for (int level = 3; level <= kMaxNormLevel; ++level) {
      const double ratio =
          LowpassSynthesisEnergy(reversible, level) / LowpassSynthesisEnergy(reversible, level - 1);
      EXPECT_NEAR(ratio, 2.0, 0.1) << level;
      EXPECT_GT(HighpassSynthesisEnergy(reversible, level), HighpassSynthesisEnergy(reversible, 1));
    }
    EXPECT_EQ(LowpassSynthesisEnergy(reversible, 40), LowpassSynthesisEnergy(reversible, 32));
  }
}

TEST(StepCode, NormalisesIntoExponentAndElevenBitMantissa) {
  EXPECT_EQ(EncodeNormalisedStep(1.0).exponent, 0);
  EXPECT_EQ(EncodeNormalisedStep(0.75).exponent, 1);
  EXPECT_EQ(EncodeNormalisedStep(0.75).mantissa, 1024);
  // A mantissa that rounds up to 2048 becomes 0 one exponent lower.
  const StepCode carried = EncodeNormalisedStep(std::ldexp(2.0 - 1e-5, -3));
  EXPECT_EQ(carried.exponent, 2);
  EXPECT_EQ(carried.mantissa, 0);
  // The 5-bit exponent field bounds what can be written.
  EXPECT_EQ(EncodeNormalisedStep(std::ldexp(1.0, -40)).exponent, kMaxQuantExponent);
  EXPECT_EQ(EncodeNormalisedStep(4.0).exponent, 0);
  EXPECT_EQ(EncodeNormalisedStep(4.0).mantissa, 2047);
}

TEST(StepCode, TargetFactorHalvesPerOctaveBelowTheUnitStep) {
  // The last case stands for a target size rounded up, which keeps the octave's step.
  const struct {
    double ratio, factor;
  } kCases[] = {{16.0, 1.0}, {50.0, 1.0}, {15.99, 0.5},       {9.46, 0.5},
                {8.0, 0.5},  {4.5, 0.25}, {0.01, 1.0 / 64.0}, {8.0 - 1e-12, 0.5}};
  for (const auto& c : kCases) EXPECT_DOUBLE_EQ(TargetStepFactor(c.ratio), c.factor) << c.ratio;
}

std::vector<BandQuantization> Bands(const TileComponentQuantization& in) {
  std::vector<BandQuantization> bands(BandCount(in.levels));
  ComputeBandQuantization(in, bands.data());
  return bands;
}

struct Expected {
  int index, exponent, mantissa, magnitudeBits;
};

void ExpectCodes(const std::vector<BandQuantization>& bands, std::initializer_list<Expected> all) {
  for (const Expected& e : all) {
    EXPECT_EQ(bands[e.index].exponent, e.exponent) << "band " << e.index;
    EXPECT_EQ(bands[e.index].mantissa, e.mantissa) << "band " << e.index;
    EXPECT_EQ(bands[e.index].magnitudeBits, e.magnitudeBits) << "band " << e.index;
  }
}

TEST(BandQuantization, ReversibleBandsCarryTheirRangeBits) {
  TileComponentQuantization in;
  in.levels = 2;
  const auto bands = Bands(in);
  // LL: 8 bits; HL and LH one gain bit more, HH two; Mb = 2 guard bits + exponent - 1.
  ExpectCodes(
      bands,
      {{0, 8, 0, 9}, {1, 9, 0, 10}, {2, 9, 0, 10}, {3, 10, 0, 11}, {4, 9, 0, 10}, {6, 10, 0, 11}});
  // Band norms: the square roots of the products of the two one-dimensional energies.
  EXPECT_DOUBLE_EQ(bands[0].norm, 2.75);
  EXPECT_DOUBLE_EQ(bands[3].norm, 0.921875);
  EXPECT_DOUBLE_EQ(bands[4].norm, std::sqrt(1.5 * 0.71875));
  EXPECT_DOUBLE_EQ(bands[0].weight, std::pow(2.75 / 256, 2) * 500000);
}

TEST(BandQuantization, ExpoundedStepsFollowTheBandNorms) {
  TileComponentQuantization in;
  in.levels = 2;
  in.reversible = false;
  in.style = 2;
  // s = 2^-8 / norm, brought into [1, 2): LL2, HL2, LH2, HH2, HL1, HH1.
  ExpectCodes(Bands(in), {{0, 11, 1926, 12},
                          {1, 9, 3, 10},
                          {2, 9, 3, 10},
                          {3, 8, 69, 9},
                          {4, 9, 2002, 10},
                          {6, 8, 1889, 9}});
  // The step in scaled sample units: 2^(R_b - exponent) (1 + mantissa/2048) 2^(32 - 2 - 8).
  const auto bands = Bands(in);
  EXPECT_FLOAT_EQ(bands[0].step, std::ldexp(1.0 + 1926 / 2048.0, 8 - 11 + 22));

  // Depths below 8 use a base of 1/256, not 2^-depth.
  in.depth = 5;
  EXPECT_EQ(Bands(in)[1].exponent, 9);
}

// Under a target size every band's step, carried to the image domain by its synthesis norm,
// is the factor times one sample unit, and so every band's index unit weighs the same.
TEST(BandQuantization, TargetStepsAreEqualInTheImageDomain) {
  TileComponentQuantization in;
  in.levels = 5;
  in.reversible = false;
  in.style = 2;
  in.targeted = true;
  in.targetStepFactor = 0.5;
  const auto bands = Bands(in);
  const double scale = IrreversibleScale(in.depth, in.guardBits);
  for (std::size_t b = 0; b < bands.size(); ++b) {
    const double imageStep = bands[b].step / scale * bands[b].norm;
    EXPECT_NEAR(imageStep, 0.5, 0.5 / 2048) << "band " << b;
    EXPECT_NEAR(bands[b].weight / bands[0].weight, 1.0, 2.0 / 2048) << "band " << b;
  }
}

// The weight is the squared image-domain error of one index unit: a detail band's step holds
// its gain bits, which the weight must carry too (HH four times the step of a normalised LL).
TEST(BandQuantization, IrreversibleWeightsFollowTheStepInTheImageDomain) {
  TileComponentQuantization in;
  in.levels = 3;
  in.reversible = false;
  in.style = 2;
  const auto bands = Bands(in);
  const double scale = IrreversibleScale(in.depth, in.guardBits);
  for (std::size_t b = 1; b < bands.size(); ++b) {
    const double ratio = bands[b].step * bands[b].norm / (bands[0].step * bands[0].norm);
    EXPECT_NEAR(bands[b].weight / bands[0].weight, ratio * ratio, 1e-9) << "band " << b;
  }
  EXPECT_GT(bands[BandIndex(3, kBandHH)].step / scale * bands[BandIndex(3, kBandHH)].norm, 3.9)
      << "untargeted expounded steps keep their gain bits";
}

TEST(BandQuantization, DerivedStepsShareTheBaseMantissa) {
  TileComponentQuantization in;
  in.levels = 3;
  in.reversible = false;
  in.style = 1;
  in.depth = 10;
  // Base 2^-10: e0 = 10, mantissa 0; LL gets e0 + 3, a band of level l gets e0 + l.
  ExpectCodes(Bands(in), {{0, 13, 0, 14}, {1, 13, 0, 14}, {4, 12, 0, 13}, {9, 11, 0, 12}});
}

TEST(BandQuantization, WeightsTakeComponentFactorsAndFrequencyWeights) {
  TileComponentQuantization in;
  in.levels = 2;
  in.reversible = false;
  in.style = 2;
  in.transformComponent = 1;  // ICT chrominance: factor 1.8051
  EXPECT_NEAR(Bands(in)[0].weight, 24.8548297, 1e-5);

  in.reversible = true;
  in.style = 0;
  in.transformComponent = -1;
  in.levels = 5;
  const auto plain = Bands(in);
  in.visualWeighting = 1;
  const auto weighted = Bands(in);
  EXPECT_DOUBLE_EQ(weighted[0].weight, plain[0].weight) << "LL is never weighted";
  const int hl5 = BandIndex(5, kBandHL);
  const int hh5 = BandIndex(5, kBandHH);
  const int hh4 = BandIndex(4, kBandHH);
  EXPECT_DOUBLE_EQ(weighted[hl5].weight, plain[hl5].weight * 0.56081);
  EXPECT_DOUBLE_EQ(weighted[hh5].weight, plain[hh5].weight * 0.28417);
  EXPECT_DOUBLE_EQ(weighted[hh4].weight, plain[hh4].weight * 0.72717);

  in.visualWeighting = 3;
  in.transformComponent = 0;  // luminance table under the component transform
  const auto luminance = Bands(in);
  in.visualWeighting = 0;
  const auto unweighted = Bands(in);
  EXPECT_DOUBLE_EQ(luminance[hh5].weight, unweighted[hh5].weight * 0.003075);
  EXPECT_DOUBLE_EQ(luminance[BandIndex(3, kBandLH)].weight,
                   unweighted[BandIndex(3, kBandLH)].weight * 0.92105);
}

}  // namespace
}  // namespace quillon::jp2::test
