#include "encoder/WaveletCascade.h"

#include <algorithm>
#include <cstring>

#include "common/LiftingSteps.h"

namespace quillon::jp2 {
namespace {

template <typename Sample>
struct Lifting;

template <>
struct Lifting<std::int32_t> {
  static constexpr int kSteps = kLiftingStepsOf<std::int32_t>;
  static constexpr std::int32_t kLowFactor = 1;
  static constexpr std::int32_t kHighFactor = 1;
};

template <>
struct Lifting<float> {
  static constexpr int kSteps = kLiftingStepsOf<float>;
  static constexpr float kLowFactor = 1.0f / kScale97;
  static constexpr float kHighFactor = kScale97;
};

// Splits count samples starting at absolute coordinate origin, each first multiplied by
// factor, into their lowpass (even coordinates) and highpass (odd coordinates) halves.
template <typename Sample>
void SplitLine(const Sample* line, std::uint32_t count, std::uint32_t origin, Sample factor,
               Sample* low, Sample* high) {
  using L = Lifting<Sample>;
  const std::uint32_t startsOdd = origin & 1;
  if (count == 1) {
    // A single sample passes as it is, or doubled at an odd coordinate (T.800 F.4.8.1).
    if (startsOdd == 0) {
      low[0] = line[0] * factor;
    } else {
      high[0] = static_cast<Sample>(line[0] * factor * 2);
    }
    return;
  }
  const std::int64_t lowCount = (count + 1 - startsOdd) / 2;
  const std::int64_t highCount = count - lowCount;
  for (std::int64_t i = 0; i < lowCount; ++i) low[i] = line[2 * i + startsOdd] * factor;
  for (std::int64_t i = 0; i < highCount; ++i) high[i] = line[2 * i + 1 - startsOdd] * factor;
  // The odd sample high[i] sits between low[i] and low[i + 1], or low[i - 1] and low[i] when
  // the line starts at an odd coordinate; the even ones the other way round.
  const std::int64_t highToLow = startsOdd != 0 ? -1 : 0;
  const std::int64_t lowToHigh = startsOdd != 0 ? 0 : -1;
  for (int step = 0; step < L::kSteps; ++step) {
    if (TargetParityOfStep(step) == 1) {
      LiftHalves<LiftDirection::kForward>(step, high, highCount, low, lowCount, highToLow);
    } else {
      LiftHalves<LiftDirection::kForward>(step, low, lowCount, high, highCount, lowToHigh);
    }
  }
  if constexpr (L::kLowFactor != 1) {
    for (std::int64_t i = 0; i < lowCount; ++i) low[i] *= L::kLowFactor;
    for (std::int64_t i = 0; i < highCount; ++i) high[i] *= L::kHighFactor;
  }
}

}  // namespace

template <typename Sample>
void WaveletCascade<Sample>::Plan(const Rect& tileComponent, int levels, WorkArena& arena) {
  tileComponent_ = tileComponent;
  levels_ = levels;
  rowsWithoutTransform_ = 0;
  for (int index = 0; index < levels; ++index) {
    Level& level = level_[index];
    level.input = LowpassRect(tileComponent, index);
    level.next = level.input.y0;
    const std::uint64_t width = level.input.Width();
    level.ring = arena.Take<Sample>(width * kWindowRowsOf<Sample>);
    level.low = arena.Take<Sample>(width);
    level.high = arena.Take<Sample>(width);
  }
}

template <typename Sample>
Status WaveletCascade<Sample>::PushRow(const Sample* row, BandRowSink<Sample>& sink) {
  if (levels_ == 0) {
    const std::uint32_t y = tileComponent_.y0 + rowsWithoutTransform_++;
    return sink.TakeBandRow(0, kBandLL, y, row, tileComponent_.Width());
  }
  return PushLevelRow(0, row, sink);
}

template <typename Sample>
Sample* WaveletCascade<Sample>::RingRow(const Level& level, std::int64_t row) const {
  const std::int64_t slot = row & (kWindowRowsOf<Sample> - 1);
  return level.ring + static_cast<std::uint64_t>(slot) * level.input.Width();
}

template <typename Sample>
Status WaveletCascade<Sample>::PushLevelRow(int index, const Sample* row,
                                            BandRowSink<Sample>& sink) {
  Level& level = level_[index];
  const std::int64_t arrived = level.next++;
  std::memcpy(RingRow(level, arrived), row, sizeof(Sample) * level.input.Width());
  const std::int64_t last = std::int64_t{level.input.y1} - 1;
  if (level.input.Height() == 1) {
    return Emit(index, static_cast<std::uint32_t>(arrived), true, sink);
  }
  if ((arrived & 1) == 0) JP2_RETURN_IF_ERROR(Trigger(index, arrived, sink));
  if (arrived == last) {
    // Below the last row only mirrored rows remain: run the triggers they would have caused.
    for (std::int64_t virtualRow = (last + 2) & ~std::int64_t{1};
         virtualRow <= last + Lifting<Sample>::kSteps; virtualRow += 2) {
      JP2_RETURN_IF_ERROR(Trigger(index, virtualRow, sink));
    }
  }
  return JP2_Success;
}

// The arrival of an even row lets step k run on row (arrived - 1 - k), whose neighbours then
// hold the results of step k - 1; rows outside the level mirror the row on the other side.
template <typename Sample>
Status WaveletCascade<Sample>::Trigger(int index, std::int64_t arrived, BandRowSink<Sample>& sink) {
  using L = Lifting<Sample>;
  const Level& level = level_[index];
  const std::int64_t first = level.input.y0;
  const std::int64_t end = level.input.y1;
  for (int step = 0; step < L::kSteps; ++step) {
    const std::int64_t row = arrived - 1 - step;
    if (row < first || row >= end) continue;
    const std::int64_t above = row - 1 >= first ? row - 1 : row + 1;
    const std::int64_t below = row + 1 < end ? row + 1 : row - 1;
    RowLift<LiftDirection::kForward>(step, RingRow(level, row), RingRow(level, above),
                                     RingRow(level, below), level.input.Width());
  }
  // The even row that took the last step and the odd row that took the one before are final.
  for (std::int64_t row = arrived - L::kSteps; row <= arrived - L::kSteps + 1; ++row) {
    if (row >= first && row < end) {
      JP2_RETURN_IF_ERROR(Emit(index, static_cast<std::uint32_t>(row), false, sink));
    }
  }
  return JP2_Success;
}

template <typename Sample>
Status WaveletCascade<Sample>::Emit(int index, std::uint32_t row, bool singleRow,
                                    BandRowSink<Sample>& sink) {
  using L = Lifting<Sample>;
  Level& level = level_[index];
  const Rect& input = level.input;
  const std::uint32_t width = input.Width();
  const bool lowRow = (row & 1) == 0;
  // Vertical scaling: one row passes as it is, or doubled at an odd coordinate (T.800
  // F.4.8.1); otherwise the lowpass and highpass factors of the wavelet.
  Sample factor = lowRow ? L::kLowFactor : L::kHighFactor;
  if (singleRow) factor = lowRow ? 1 : 2;
  if (width == 0) return JP2_Success;
  SplitLine(RingRow(level, row), width, input.x0, factor, level.low, level.high);

  const int bandLevel = index + 1;
  const std::uint32_t lowCount = CeilDiv(input.x1, 2) - CeilDiv(input.x0, 2);
  const std::uint32_t highCount = input.x1 / 2 - input.x0 / 2;
  const std::uint32_t bandRow = lowRow ? row / 2 : (row - 1) / 2;
  if (highCount != 0) {
    JP2_RETURN_IF_ERROR(
        sink.TakeBandRow(bandLevel, lowRow ? kBandHL : kBandHH, bandRow, level.high, highCount));
  }
  if (!lowRow) {
    return lowCount == 0 ? Status()
                         : sink.TakeBandRow(bandLevel, kBandLH, bandRow, level.low, lowCount);
  }
  if (bandLevel < levels_) return PushLevelRow(bandLevel, level.low, sink);
  return lowCount == 0 ? Status()
                       : sink.TakeBandRow(bandLevel, kBandLL, bandRow, level.low, lowCount);
}

template class WaveletCascade<std::int32_t>;
template class WaveletCascade<float>;

}  // namespace quillon::jp2
