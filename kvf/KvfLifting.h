// The reversible 5/3 lifting steps, on rows (vertical lifting, sample by sample across three
// rows) and along one line (horizontal lifting). Sums are formed in a wider type and the
// result is stored modulo the sample width, so every step is exactly undone by its inverse
// whatever the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace kvf {

template <typename Sample>
using KvfWide = std::conditional_t<sizeof(Sample) == 2, std::int32_t, std::int64_t>;

enum class KvfLift { predict, update, unpredict, unupdate };

// target = target -/+ ((a + b + 1) >> 1) for predict/unpredict, -/+ ... + 2) >> 2 reversed
// for update/unupdate, over `count` samples `step` apart.
template <KvfLift kind, typename Sample>
inline void LiftRow(Sample* target, const Sample* a, const Sample* b, std::size_t count,
                    std::size_t step) {
  using Wide = KvfWide<Sample>;
  for (std::size_t j = 0, x = 0; j < count; ++j, x += step) {
    const Wide sum = Wide{a[x]} + Wide{b[x]};
    Wide value = target[x];
    if constexpr (kind == KvfLift::predict) value -= (sum + 1) >> 1;
    if constexpr (kind == KvfLift::unpredict) value += (sum + 1) >> 1;
    if constexpr (kind == KvfLift::update) value += (sum + 2) >> 2;
    if constexpr (kind == KvfLift::unupdate) value -= (sum + 2) >> 2;
    target[x] = static_cast<Sample>(value);
  }
}

// One lifting step along a line of `count` (even, at least 2) samples `step` apart: the odd
// samples from their even neighbours (predict kinds) or the even from their odd neighbours
// (update kinds), with the symmetric extension at the ends.
template <KvfLift kind, typename Sample>
inline void LiftLine(Sample* line, std::size_t count, std::size_t step) {
  constexpr bool kOddTargets = kind == KvfLift::predict || kind == KvfLift::unpredict;
  const std::size_t pairs = count / 2;
  const std::size_t stride = 2 * step;
  Sample* targets = kOddTargets ? line + step : line;
  const Sample* sources = kOddTargets ? line : line + step;
  for (std::size_t i = 0; i < pairs; ++i) {
    // Predict reads the even samples i and i + 1, update the odd samples i - 1 and i.
    const std::size_t first = kOddTargets || i == 0 ? i : i - 1;
    const std::size_t second = kOddTargets ? (i + 1 < pairs ? i + 1 : i) : i;
    LiftRow<kind>(targets + i * stride, sources + first * stride, sources + second * stride, 1, 0);
  }
}

// One level of the horizontal transform: low-pass results on the even, high-pass on the odd
// positions.
template <typename Sample>
inline void ForwardLiftLine(Sample* line, std::size_t count, std::size_t step) {
  LiftLine<KvfLift::predict>(line, count, step);
  LiftLine<KvfLift::update>(line, count, step);
}

template <typename Sample>
inline void InverseLiftLine(Sample* line, std::size_t count, std::size_t step) {
  LiftLine<KvfLift::unupdate>(line, count, step);
  LiftLine<KvfLift::unpredict>(line, count, step);
}

}  // namespace kvf
