#include "common/WaveletNorms.h"

#include <algorithm>
#include <array>

namespace quillon::jp2 {
namespace {

// Half-width of the autocorrelation window; wide enough that the recurrence below only
// reads values it has kept.
constexpr int kWindow = 8;
using Autocorrelation = std::array<double, 2 * kWindow + 1>;  // lags -kWindow..kWindow

struct SymmetricFilter {
  int halfLength;
  double taps[5];  // taps[k] is the coefficient at offsets +k and -k
};

// Synthesis filters normalised as the lifting steps are: lowpass DC gain 2, highpass gain 1
// at the Nyquist frequency.
constexpr SymmetricFilter kLowpass53{1, {1.0, 0.5}};
constexpr SymmetricFilter kHighpass53{2, {0.75, -0.25, -0.125}};
constexpr SymmetricFilter kLowpass97{
    3, {1.115087052456994, 0.5912717631142470, -0.05754352622849957, -0.09127176311424948}};
constexpr SymmetricFilter kHighpass97{
    4,
    {0.6029490182363579, -0.2668641184428723, -0.07822326652898785, 0.01686411844287495,
     0.02674875741080976}};

constexpr double Tap(const SymmetricFilter& filter, int offset) {
  const int k = offset < 0 ? -offset : offset;
  return k <= filter.halfLength ? filter.taps[k] : 0.0;
}

constexpr Autocorrelation AutocorrelationOf(const SymmetricFilter& filter) {
  Autocorrelation r{};
  for (int lag = -kWindow; lag <= kWindow; ++lag) {
    double sum = 0.0;
    for (int n = -filter.halfLength; n <= filter.halfLength; ++n) {
      sum += Tap(filter, n) * Tap(filter, n + lag);
    }
    r[lag + kWindow] = sum;
  }
  return r;
}

// One more level: the basis function h becomes g0(z) h(z^2), whose autocorrelation is
// R_g0(z) R_h(z^2).
constexpr Autocorrelation NextLevel(const Autocorrelation& lowpass, const Autocorrelation& r) {
  Autocorrelation next{};
  for (int lag = -kWindow; lag <= kWindow; ++lag) {
    double sum = 0.0;
    for (int m = -kWindow; m <= kWindow; ++m) {
      const int k = lag - 2 * m;
      if (k >= -kWindow && k <= kWindow) sum += lowpass[k + kWindow] * r[m + kWindow];
    }
    next[lag + kWindow] = sum;
  }
  return next;
}

using GainTable = std::array<double, kMaxNormLevel + 1>;

// start is the basis function of level 1; level 0 holds startAtZero.
constexpr GainTable Gains(const SymmetricFilter& lowpass, const SymmetricFilter& first,
                          double startAtZero) {
  GainTable gains{};
  gains[0] = startAtZero;
  const Autocorrelation lowpassR = AutocorrelationOf(lowpass);
  Autocorrelation r = AutocorrelationOf(first);
  for (int level = 1; level <= kMaxNormLevel; ++level) {
    gains[level] = r[kWindow];
    r = NextLevel(lowpassR, r);
  }
  return gains;
}

constexpr GainTable kLowpassGains53 = Gains(kLowpass53, kLowpass53, 1.0);
constexpr GainTable kHighpassGains53 = Gains(kLowpass53, kHighpass53, 0.0);
constexpr GainTable kLowpassGains97 = Gains(kLowpass97, kLowpass97, 1.0);
constexpr GainTable kHighpassGains97 = Gains(kLowpass97, kHighpass97, 0.0);

int ClampLevel(int level) {
  return std::clamp(level, 0, kMaxNormLevel);
}

}  // namespace

double LowpassSynthesisEnergy(bool reversible, int level) {
  return (reversible ? kLowpassGains53 : kLowpassGains97)[ClampLevel(level)];
}

double HighpassSynthesisEnergy(bool reversible, int level) {
  return (reversible ? kHighpassGains53 : kHighpassGains97)[ClampLevel(level)];
}

}  // namespace quillon::jp2
