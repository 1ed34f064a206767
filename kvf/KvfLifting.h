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

// One level of the horizontal transform of `count` (even, at least 2) samples `step` apart:
// low-pass results on the even, high-pass on the odd positions.
template <typename Sample>
inline void ForwardLiftLine(Sample* line, std::size_t count, std::size_t step) {
  using Wide = KvfWide<Sample>;
  const std::size_t pairs = count / 2;
  Sample* even = line;
  Sample* odd = line + step;
  const std::size_t stride = 2 * step;
  for (std::size_t i = 0; i < pairs; ++i) {
    const Wide next = i + 1 < pairs ? even[(i + 1) * stride] : even[i * stride];
    odd[i * stride] = static_cast<Sample>(odd[i * stride] - ((even[i * stride] + next + 1) >> 1));
  }
  for (std::size_t i = 0; i < pairs; ++i) {
    const Wide before = i > 0 ? odd[(i - 1) * stride] : odd[0];
    even[i * stride] =
        static_cast<Sample>(even[i * stride] + ((before + odd[i * stride] + 2) >> 2));
  }
}

template <typename Sample>
inline void InverseLiftLine(Sample* line, std::size_t count, std::size_t step) {
  using Wide = KvfWide<Sample>;
  const std::size_t pairs = count / 2;
  Sample* even = line;
  Sample* odd = line + step;
  const std::size_t stride = 2 * step;
  for (std::size_t i = 0; i < pairs; ++i) {
    const Wide before = i > 0 ? odd[(i - 1) * stride] : odd[0];
    even[i * stride] =
        static_cast<Sample>(even[i * stride] - ((before + odd[i * stride] + 2) >> 2));
  }
  for (std::size_t i = 0; i < pairs; ++i) {
    const Wide next = i + 1 < pairs ? even[(i + 1) * stride] : even[i * stride];
    odd[i * stride] = static_cast<Sample>(odd[i * stride] + ((even[i * stride] + next + 1) >> 1));
  }
}

}  // namespace kvf
