// Each integer filter is a list of lifting steps; a step adds to (or subtracts from) one
// half a rounded function of the other half, so running the steps backwards with the
// opposite sign restores the input exactly. Missing neighbours past either end are taken
// by linear extrapolation from the two nearest samples.
#include "IntegerFilters.h"

#include <array>
#include <vector>

namespace kvfcodec {
namespace {

struct Halves {
  std::vector<int> s, d;
};

int at(const std::vector<int>& a, int k) {
  const int n = static_cast<int>(a.size());
  if (k >= 0 && k < n) return a[static_cast<size_t>(k)];
  if (n == 1) return a[0];
  if (k < 0) return a[0] + k * (a[1] - a[0]);
  return a[static_cast<size_t>(n - 1)] +
         (k - n + 1) * (a[static_cast<size_t>(n - 1)] - a[static_cast<size_t>(n - 2)]);
}

int t(double v) {
  return static_cast<int>(v);
}

// The amount a step adds to target[i]; self is the half being changed, other the rest.
using Delta = int (*)(const Halves& h, int i);

struct Step {
  bool detail;  // changes d (else s)
  Delta delta;
  bool inner;  // leaves the first and last element alone
};

constexpr Step kPredictAverage{
    true, [](const Halves& h, int i) { return -((at(h.s, i) + at(h.s, i + 1) + 1) >> 1); }, false};
constexpr Step kUpdateQuarter{
    false, [](const Halves& h, int i) { return (at(h.d, i - 1) + at(h.d, i) + 2) >> 2; }, false};
constexpr Step kPredictCubic{
    true,
    [](const Halves& h, int i) {
      return -((9 * (at(h.s, i) + at(h.s, i + 1)) - at(h.s, i - 1) - at(h.s, i + 2) + 8) >> 4);
    },
    false};
constexpr Step kRefine22{
    true,
    [](const Halves& h, int i) {
      return -((at(h.s, i + 1) + at(h.s, i) - at(h.s, i - 1) - at(h.s, i + 2) + 8) >> 4);
    },
    false};
constexpr Step kDifference{true, [](const Halves& h, int i) { return -at(h.s, i); }, false};
constexpr Step kHalfDifference{false, [](const Halves& h, int i) { return at(h.d, i) >> 1; },
                               false};
constexpr Step kTimeScale{
    true, [](const Halves& h, int i) { return (at(h.s, i - 1) - at(h.s, i + 1) + 2) >> 2; }, true};
constexpr Step kSPredict{
    true,
    [](const Halves& h, int i) {
      return -((2 * (at(h.d, i + 1) + at(h.s, i - 1)) - 3 * at(h.s, i + 1) + at(h.s, i) + 4) >> 8);
    },
    true};
constexpr Step k97Predict{true,
                          [](const Halves& h, int i) {
                            return -((t(3.172268684 * (at(h.s, i) + at(h.s, i + 1))) + 1) >> 1);
                          },
                          false};
constexpr Step k97Update{false,
                         [](const Halves& h, int i) {
                           return -((t(0.10596023708 * (at(h.d, i - 1) + at(h.d, i))) + 1) >> 1);
                         },
                         false};
constexpr Step k97Correct{
    true,
    [](const Halves& h, int i) { return t(1.7658221524 * (at(h.s, i) + at(h.s, i + 1)) + 1) >> 1; },
    false};
constexpr Step k97Scale{
    false,
    [](const Halves& h, int i) { return t(0.8870137044 * (at(h.d, i - 1) + at(h.d, i)) + 1) >> 1; },
    false};

struct IntegerFilter {
  int support;
  std::vector<Step> steps;
};

const std::array<IntegerFilter, kIntegerFilterCount>& filters() {
  static const std::array<IntegerFilter, kIntegerFilterCount> bank = {{
      {5, {kPredictAverage, kUpdateQuarter}},
      {9, {kPredictCubic, kUpdateQuarter}},
      {5, {kPredictAverage, kUpdateQuarter, kRefine22}},
      {2, {kDifference, kHalfDifference, kTimeScale}},
      {8, {kDifference, kHalfDifference, kSPredict}},
      {4, {k97Predict, k97Update, k97Correct, k97Scale}},
      {2, {kDifference, kHalfDifference}},
  }};
  return bank;
}

Halves split(std::span<const int16_t> samples) {
  Halves h;
  for (size_t i = 0; i + 1 < samples.size(); i += 2) {
    h.s.push_back(samples[i]);
    h.d.push_back(samples[i + 1]);
  }
  return h;
}

// Forward steps run upwards, inverse ones downwards: a step that reads its own half ahead
// of i (the SP predictor) then sees the same values in both directions.
void run(const Step& step, Halves& h, int sign, bool upwards) {
  std::vector<int>& target = step.detail ? h.d : h.s;
  const int n = static_cast<int>(target.size());
  const int first = step.inner ? 1 : 0;
  const int last = step.inner ? n - 2 : n - 1;
  for (int k = 0; k <= last - first; ++k) {
    const int i = upwards ? first + k : last - k;
    // Kept in 16 bits after every step, so both directions see the same values even when a
    // sum wraps: then every 16-bit input is restored.
    int& v = target[static_cast<size_t>(i)];
    v = static_cast<int16_t>(v + sign * step.delta(h, i));
  }
}

}  // namespace

int integerFilterSupport(int integerFilter) {
  return filters()[static_cast<size_t>(integerFilter)].support;
}

void analyseInteger(int integerFilter, std::span<int16_t> samples) {
  Halves h = split(samples);
  for (const Step& step : filters()[static_cast<size_t>(integerFilter)].steps)
    run(step, h, 1, true);
  const size_t n = h.s.size();
  for (size_t i = 0; i < n; ++i) {
    samples[i] = static_cast<int16_t>(h.s[i]);
    samples[n + i] = static_cast<int16_t>(h.d[i]);
  }
}

void synthesiseInteger(int integerFilter, std::span<int16_t> samples) {
  const size_t n = samples.size() / 2;
  Halves h;
  h.s.assign(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(n));
  h.d.assign(samples.begin() + static_cast<std::ptrdiff_t>(n),
             samples.begin() + static_cast<std::ptrdiff_t>(2 * n));
  const auto& steps = filters()[static_cast<size_t>(integerFilter)].steps;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) run(*it, h, -1, false);
  for (size_t i = 0; i < n; ++i) {
    samples[2 * i] = static_cast<int16_t>(h.s[i]);
    samples[2 * i + 1] = static_cast<int16_t>(h.d[i]);
  }
}

}  // namespace kvfcodec
