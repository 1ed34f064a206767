// Filters 0..11 as tap lists around sample 2i; both output bands of pair i are linear in
// the (mirrored) input, so the synthesis is the banded linear system of the analysis,
// solved by Gaussian elimination with partial pivoting.
#include "FloatFilters.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace kvfcodec {
namespace {

struct Tap {
  int offset;
  double weight;
};

struct FloatFilter {
  int support;
  std::vector<Tap> low, high;
};

// Taps symmetric about 2i + centre2 / 2: weights listed from the centre outwards.
std::vector<Tap> symmetric(int centre, std::initializer_list<double> weights) {
  std::vector<Tap> taps;
  int k = 0;
  for (double w : weights) {
    taps.push_back({centre - k, w});
    if (k != 0) taps.push_back({centre + k, w});
    ++k;
  }
  return taps;
}

const std::array<FloatFilter, kFloatFilterCount>& filters() {
  static const std::array<FloatFilter, kFloatFilterCount> bank = [] {
    const std::vector<Tap> average = {{0, 0.5}, {1, 0.5}};
    const std::vector<Tap> difference = {{0, 0.5}, {1, -0.5}};
    const std::vector<Tap> dual5 = {
        {-4, -3 / 256.0}, {-3, -3 / 256.0}, {-2, 22 / 256.0}, {-1, 22 / 256.0}, {0, -128 / 256.0},
        {1, 128 / 256.0}, {2, -22 / 256.0}, {3, -22 / 256.0}, {4, 3 / 256.0},   {5, 3 / 256.0}};
    constexpr double k97a = 0.6029490232467652, k97b = 0.26686412, k97c = 0.078223266,
                     k97d = 0.01686411909759045, k97e = 0.026748758;
    constexpr double k97f = 0.5575435, k97g = 0.29563588, k97h = 0.028771764, k97i = 0.045635883;
    constexpr double k75a = 0.60714287, k75b = 0.2607143, k75c = 0.05357143,
                     k75d = 0.0107142860069871;
    return std::array<FloatFilter, kFloatFilterCount>{{
        {2, average, difference},
        {4, symmetric(1, {0.75, 0.25, -0.125}), symmetric(0, {0.5, -0.25})},
        {4, symmetric(0, {0.5, 0.25}), symmetric(1, {0.75, -0.25, -0.125})},
        {7, symmetric(1, {0.6, 0.25, -0.05}), symmetric(0, {-k75a, k75b, k75c, -k75d})},
        {7, symmetric(0, {k75a, k75b, -k75c, -k75d}), symmetric(1, {-0.6, 0.25, 0.05})},
        {4,
         average,
         {{-2, -1 / 16.0}, {-1, -1 / 16.0}, {0, 0.5}, {1, -0.5}, {2, 1 / 16.0}, {3, 1 / 16.0}}},
        {20,
         {{-1, 0.125}, {0, 0.375}, {1, 0.375}, {2, 0.125}},
         {{-1, -0.125}, {0, -0.375}, {1, 0.375}, {2, 0.125}}},
        {4,
         {{-2, -1 / 16.0}, {-1, 1 / 16.0}, {0, 0.5}, {1, 0.5}, {2, 1 / 16.0}, {3, -1 / 16.0}},
         difference},
        {9, symmetric(1, {k97a, k97b, -k97c, -k97d, k97e}),
         symmetric(0, {-k97f, k97g, k97h, -k97i})},
        {9, symmetric(0, {k97f, k97g, -k97h, -k97i}),
         symmetric(1, {-k97a, k97b, k97c, -k97d, -k97e})},
        {6, average, dual5},
        {6, dual5, average},
    }};
  }();
  return bank;
}

// Whole-sample symmetric extension: x[-k] = x[k], x[m-1+k] = x[m-1-k].
int mirror(int index, int length) {
  if (length == 1) return 0;
  const int period = 2 * (length - 1);
  index %= period;
  if (index < 0) index += period;
  return index < length ? index : period - index;
}

}  // namespace

int floatFilterSupport(int filter) {
  return filters()[static_cast<size_t>(filter)].support;
}

void analyseFloat(int filter, std::span<const double> in, std::span<double> out) {
  const FloatFilter& f = filters()[static_cast<size_t>(filter)];
  const int length = static_cast<int>(in.size());
  const int half = length / 2;
  for (int i = 0; i < half; ++i) {
    double low = 0.0, high = 0.0;
    for (const Tap& t : f.low)
      low += t.weight * in[static_cast<size_t>(mirror(2 * i + t.offset, length))];
    for (const Tap& t : f.high)
      high += t.weight * in[static_cast<size_t>(mirror(2 * i + t.offset, length))];
    out[static_cast<size_t>(i)] = low;
    out[static_cast<size_t>(half + i)] = high;
  }
}

FloatSynthesis::FloatSynthesis(int filter, int length)
    : length_(length),
      lu_(static_cast<size_t>(length) * kWidth, 0.0),
      pivot_(static_cast<size_t>(length), 0) {
  const FloatFilter& f = filters()[static_cast<size_t>(filter)];
  // Row 2i is the low output of pair i, row 2i + 1 its high output.
  for (int i = 0; i < length / 2; ++i) {
    for (const Tap& t : f.low) at(2 * i, mirror(2 * i + t.offset, length)) += t.weight;
    for (const Tap& t : f.high) at(2 * i + 1, mirror(2 * i + t.offset, length)) += t.weight;
  }
  // Elimination; a swapped-in row reaches at most kBand beyond its old diagonal, which the
  // storage window [row - kBand, row + 2 kBand] holds.
  for (int c = 0; c < length; ++c) {
    const int last = std::min(length - 1, c + kBand);
    int best = c;
    for (int r = c + 1; r <= last; ++r)
      if (std::fabs(at(r, c)) > std::fabs(at(best, c))) best = r;
    if (std::fabs(at(best, c)) < 1e-12) {
      valid_ = false;
      return;
    }
    pivot_[static_cast<size_t>(c)] = best;
    const int end = std::min(length - 1, c + 2 * kBand);
    if (best != c)
      for (int k = c; k <= end; ++k) std::swap(at(c, k), at(best, k));
    for (int r = c + 1; r <= last; ++r) {
      const double m = at(r, c) / at(c, c);
      at(r, c) = m;
      if (m == 0.0) continue;
      for (int k = c + 1; k <= std::min(end, r + 2 * kBand); ++k) at(r, k) -= m * at(c, k);
    }
  }
}

void FloatSynthesis::synthesise(std::span<const double> in, std::span<double> out) const {
  const int half = length_ / 2;
  std::vector<double> y(static_cast<size_t>(length_));
  for (int i = 0; i < half; ++i) {
    y[static_cast<size_t>(2 * i)] = in[static_cast<size_t>(i)];
    y[static_cast<size_t>(2 * i + 1)] = in[static_cast<size_t>(half + i)];
  }
  for (int c = 0; c < length_; ++c) {
    std::swap(y[static_cast<size_t>(c)], y[static_cast<size_t>(pivot_[static_cast<size_t>(c)])]);
    const int last = std::min(length_ - 1, c + kBand);
    for (int r = c + 1; r <= last; ++r)
      y[static_cast<size_t>(r)] -= at(r, c) * y[static_cast<size_t>(c)];
  }
  for (int c = length_ - 1; c >= 0; --c) {
    double v = y[static_cast<size_t>(c)];
    const int end = std::min(length_ - 1, c + 2 * kBand);
    for (int k = c + 1; k <= end; ++k) v -= at(c, k) * out[static_cast<size_t>(k)];
    out[static_cast<size_t>(c)] = v / at(c, c);
  }
}

}  // namespace kvfcodec
