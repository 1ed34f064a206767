#include "kvf/KvfLineTransform.h"

#include <algorithm>

#include "kvf/KvfLifting.h"

namespace kvf {

namespace {

template <typename Sample>
void CopyStrided(Sample* target, const Sample* source, std::size_t count, std::size_t step) {
  for (std::size_t j = 0, x = 0; j < count; ++j, x += step) target[x] = source[x];
}

}  // namespace

template <typename Sample>
Sample* KvfForwardLines<Sample>::Carry(std::uint32_t level, std::uint32_t component) const {
  return carry_ + (std::size_t{level - 1} * ring_.components + component) * ring_.width;
}

template <typename Sample>
void KvfForwardLines<Sample>::AddRow() {
  for (std::uint32_t c = 0; c < ring_.components; ++c) {
    ForwardLiftLine(ring_.Row(c, state_.rowsIn), ring_.width, 1);
  }
  ++state_.rowsIn;
  Advance();
}

template <typename Sample>
void KvfForwardLines<Sample>::Advance() {
  for (std::uint32_t level = 1; level <= state_.levels; ++level) {
    const std::uint32_t spacing = 1u << (level - 1);
    const std::size_t count = ring_.width >> (level - 1);
    const std::uint32_t pairs = state_.codedHeight >> level;
    // Inputs of level l are the rows received (l = 1) or the low-pass rows of level l - 1.
    const std::uint32_t available = level == 1 ? state_.rowsIn : state_.steps[level - 1];
    std::uint32_t& steps = state_.steps[level];
    while (steps < pairs) {
      const std::uint32_t i = steps;
      const bool last = i + 1 == pairs;
      if (available < (last ? 2 * i + 2 : 2 * i + 3)) break;
      for (std::uint32_t c = 0; c < ring_.components; ++c) {
        Sample* even = ring_.Row(c, 2 * i * spacing);
        Sample* odd = ring_.Row(c, (2 * i + 1) * spacing);
        const Sample* next = last ? even : ring_.Row(c, (2 * i + 2) * spacing);
        LiftRow<KvfLift::predict>(odd, even, next, count, spacing);
        Sample* carry = Carry(level, c);
        LiftRow<KvfLift::update>(even, i == 0 ? odd : carry, odd, count, spacing);
        CopyStrided(carry, odd, count, spacing);
        if (level < state_.levels) ForwardLiftLine(even, count / 2, 2 * spacing);
      }
      ++steps;
    }
  }
}

template <typename Sample>
std::uint32_t KvfForwardLines<Sample>::FinalRows() const {
  std::uint32_t rows = state_.codedHeight;
  for (std::uint32_t level = 1; level <= state_.levels; ++level) {
    rows = std::min(rows, state_.steps[level] << level);
  }
  return rows;
}

template <typename Sample>
Sample* KvfInverseLines<Sample>::Carry(std::uint32_t level, std::uint32_t component) const {
  return carry_ + (std::size_t{level - 1} * ring_.components + component) * ring_.width;
}

template <typename Sample>
std::uint32_t KvfInverseLines<Sample>::FinalPositions(std::uint32_t level) const {
  if (level > state_.levels) {  // the low-pass rows of the coarsest level, as decoded
    const std::uint32_t block = 1u << state_.levels;
    return (state_.rowsIn + block - 1) >> state_.levels;
  }
  const std::uint32_t pairs = state_.codedHeight >> level;
  const std::uint32_t steps = state_.steps[level];
  if (steps == pairs) return 2 * pairs;
  return steps == 0 ? 0 : 2 * steps - 1;
}

template <typename Sample>
void KvfInverseLines<Sample>::RowsDecoded(std::uint32_t rowsDecoded) {
  state_.rowsIn = rowsDecoded;
  for (std::uint32_t level = state_.levels; level > state_.skippedLevels; --level) {
    const std::uint32_t spacing = 1u << (level - 1);
    const std::size_t count = ring_.width >> (level - 1);
    const std::uint32_t pairs = state_.codedHeight >> level;
    const std::uint32_t lowPassReady = FinalPositions(level + 1);
    std::uint32_t& steps = state_.steps[level];
    while (steps < pairs) {
      const std::uint32_t i = steps;
      if (i >= lowPassReady || (2 * i + 1) * spacing >= rowsDecoded) break;
      const bool last = i + 1 == pairs;
      for (std::uint32_t c = 0; c < ring_.components; ++c) {
        Sample* even = ring_.Row(c, 2 * i * spacing);
        Sample* odd = ring_.Row(c, (2 * i + 1) * spacing);
        Sample* before = i == 0 ? odd : ring_.Row(c, (2 * i - 1) * spacing);
        LiftRow<KvfLift::unupdate>(even, before, odd, count, spacing);
        Sample* carry = Carry(level, c);  // the even row before, still vertical-domain
        if (i > 0) {
          LiftRow<KvfLift::unpredict>(before, carry, even, count, spacing);
          InverseLiftLine(before, count, spacing);
        }
        CopyStrided(carry, even, count, spacing);
        if (last) {
          LiftRow<KvfLift::unpredict>(odd, carry, carry, count, spacing);
          InverseLiftLine(odd, count, spacing);
        }
        InverseLiftLine(even, count, spacing);
      }
      ++steps;
    }
  }
}

template class KvfForwardLines<std::int16_t>;
template class KvfForwardLines<std::int32_t>;
template class KvfInverseLines<std::int16_t>;
template class KvfInverseLines<std::int32_t>;

}  // namespace kvf
