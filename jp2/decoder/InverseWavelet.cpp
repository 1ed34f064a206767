#include "decoder/InverseWavelet.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "common/LiftingSteps.h"

namespace quillon::jp2 {
namespace {

constexpr LiftDirection kInverse = LiftDirection::kInverse;

std::uint32_t CeilShift(std::uint32_t value, int shift) {
  return static_cast<std::uint32_t>(((std::uint64_t{value} + (std::uint64_t{1} << shift)) - 1) >>
                                    shift);
}

// A lone sample at an odd coordinate was doubled by the forward transform (T.800 F.4.8.1).
std::int32_t HalveLone(std::int32_t value) {
  return value >> 1;
}
float HalveLone(float value) {
  return value * 0.5f;
}

}  // namespace

Bounds ResolutionBounds(const Bounds& tileComponent, int levels, int resolution) {
  const int shift = levels - resolution;
  return Bounds{CeilShift(tileComponent.x0, shift), CeilShift(tileComponent.y0, shift),
                CeilShift(tileComponent.x1, shift), CeilShift(tileComponent.y1, shift)};
}

template <typename Sample>
Status InverseWavelet<Sample>::Init(const MemoryCallbacks& memory, const Bounds& tileComponent,
                                    int levels, int keptResolution,
                                    CoefficientSource<Sample>* source) {
  if (levels < 0 || levels > kMaxLevels || keptResolution < 0 || keptResolution > levels ||
      source == nullptr || !block_.empty()) {
    return JP2_Error_Internal;
  }
  memory_ = memory;
  source_ = source;
  levels_ = levels;
  kept_ = keptResolution;
  produced_ = 0;
  // Every buffer gets at least one sample, so that empty rows still have an address.
  BlockLayout layout;
  std::uint64_t offsets[kMaxLevels + 1][3] = {};
  for (int r = 0; r <= kept_; ++r) {
    Resolution& level = resolution_[r];
    level = Resolution{};
    level.area = ResolutionBounds(tileComponent, levels, r);
    level.next = level.area.y0;
    level.finalEnd = level.area.y0;
    const std::uint64_t width = std::max<std::uint32_t>(level.area.Width(), 1);
    level.lowCount = CeilShift(level.area.x1, 1) - CeilShift(level.area.x0, 1);
    level.highCount = level.area.x1 / 2 - level.area.x0 / 2;
    offsets[r][0] = layout.Add(r == 0 ? width : width * kWindowRowsOf<Sample>, sizeof(Sample));
    offsets[r][1] = layout.Add(std::max<std::uint32_t>(level.lowCount, 1), sizeof(Sample));
    offsets[r][2] = layout.Add(std::max<std::uint32_t>(level.highCount, 1), sizeof(Sample));
  }
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, layout, &block_));
  for (int r = 0; r <= kept_; ++r) {
    resolution_[r].ring = reinterpret_cast<Sample*>(block_.data + offsets[r][0]);
    resolution_[r].low = reinterpret_cast<Sample*>(block_.data + offsets[r][1]);
    resolution_[r].high = reinterpret_cast<Sample*>(block_.data + offsets[r][2]);
  }
  return JP2_Success;
}

template <typename Sample>
Status InverseWavelet<Sample>::Release() {
  return jp2::Release(memory_, &block_);
}

template <typename Sample>
Status InverseWavelet<Sample>::NextRow(const Sample** row) {
  if (block_.empty() || produced_ >= Output().Height()) return JP2_Error_Internal;
  const std::uint32_t y = Output().y0 + produced_++;
  return RowOf(kept_, y, row);
}

template <typename Sample>
Sample* InverseWavelet<Sample>::RingRow(const Resolution& level, std::int64_t row) const {
  const std::int64_t slot = row & (kWindowRowsOf<Sample> - 1);
  return level.ring + static_cast<std::uint64_t>(slot) * level.area.Width();
}

// Rows of one resolution are asked for in order, so the row is finished or a few rows
// taken in and lifted away.
template <typename Sample>
Status InverseWavelet<Sample>::RowOf(int resolution, std::uint32_t row, const Sample** out) {
  Resolution& level = resolution_[resolution];
  if (resolution == 0) {
    if (level.area.Width() != 0) {
      JP2_RETURN_IF_ERROR(
          source_->FillRows(levels_, kBandLL, row, row + 1, level.ring, level.area.Width()));
    }
    *out = level.ring;
    return JP2_Success;
  }
  while (level.finalEnd <= row) JP2_RETURN_IF_ERROR(TakeInRow(resolution));
  *out = RingRow(level, row);
  return JP2_Success;
}

// Takes in the next row of a resolution: the lowpass row below and the HL row for an even
// row, the LH and HH rows for an odd one, synthesised horizontally; then lifts vertically
// what that row makes possible.
template <typename Sample>
Status InverseWavelet<Sample>::TakeInRow(int resolution) {
  Resolution& level = resolution_[resolution];
  const std::uint32_t row = level.next++;
  const int bandLevel = levels_ - resolution + 1;
  const std::uint32_t bandRow = row / 2;
  if ((row & 1) == 0) {
    const Sample* lower = nullptr;
    JP2_RETURN_IF_ERROR(RowOf(resolution - 1, bandRow, &lower));
    std::memcpy(level.low, lower, sizeof(Sample) * level.lowCount);
    if (level.highCount != 0) {
      JP2_RETURN_IF_ERROR(
          source_->FillRows(bandLevel, kBandHL, bandRow, bandRow + 1, level.high, level.highCount));
    }
  } else {
    if (level.lowCount != 0) {
      JP2_RETURN_IF_ERROR(
          source_->FillRows(bandLevel, kBandLH, bandRow, bandRow + 1, level.low, level.lowCount));
    }
    if (level.highCount != 0) {
      JP2_RETURN_IF_ERROR(
          source_->FillRows(bandLevel, kBandHH, bandRow, bandRow + 1, level.high, level.highCount));
    }
  }
  SynthesiseRow(level, row, RingRow(level, row));

  constexpr int kSteps = kLiftingStepsOf<Sample>;
  const std::int64_t last = std::int64_t{level.area.y1} - 1;
  if (level.area.Height() == 1) {
    level.finalEnd = level.area.y1;
    return JP2_Success;
  }
  if ((row & 1) != 0) {
    LiftVertically(level, row);
    level.finalEnd = std::max(level.finalEnd, std::int64_t{row} - kSteps + 2);
  }
  if (row == last) {
    // Below the last row only mirrored rows remain: run the lifting they would have caused.
    for (std::int64_t arrived = (last + 1) | 1; arrived <= last + kSteps; arrived += 2) {
      LiftVertically(level, arrived);
    }
    level.finalEnd = level.area.y1;
  }
  return JP2_Success;
}

// The arrival of odd row a lets inverse step j run on row a - 1 - j, whose neighbours then
// hold the results of step j - 1; the inverse undoes the forward steps from the last one.
// Rows outside the resolution mirror the row on the other side.
template <typename Sample>
void InverseWavelet<Sample>::LiftVertically(const Resolution& level, std::int64_t arrived) const {
  constexpr int kSteps = kLiftingStepsOf<Sample>;
  const std::int64_t first = level.area.y0;
  const std::int64_t end = level.area.y1;
  for (int j = 0; j < kSteps; ++j) {
    const std::int64_t row = arrived - 1 - j;
    if (row < first || row >= end) continue;
    const std::int64_t above = row - 1 >= first ? row - 1 : row + 1;
    const std::int64_t below = row + 1 < end ? row + 1 : row - 1;
    RowLift<kInverse>(kSteps - 1 - j, RingRow(level, row), RingRow(level, above),
                      RingRow(level, below), level.area.Width());
  }
}

// Interleaves and lifts the halves in level.low and level.high (both are overwritten) into
// out, undoing the forward transform's scaling: the wavelet's lowpass and highpass factors
// per direction, or the doubling of a lone sample at an odd coordinate.
template <typename Sample>
void InverseWavelet<Sample>::SynthesiseRow(const Resolution& level, std::uint32_t row,
                                           Sample* out) const {
  const std::uint32_t width = level.area.Width();
  if (width == 0) return;
  const bool oddRow = (row & 1) != 0;
  const bool loneRow = level.area.Height() == 1;
  const std::uint32_t startsOdd = level.area.x0 & 1;
  Sample* low = level.low;
  Sample* high = level.high;
  if constexpr (std::is_same_v<Sample, float>) {
    // The 9/7 scaling is linear, so the vertical factor joins the horizontal one here.
    float vertical = oddRow ? 1.0f / kScale97 : kScale97;
    if (loneRow) vertical = oddRow ? 0.5f : 1.0f;
    const float lowFactor = width == 1 ? vertical : vertical * kScale97;
    const float highFactor = width == 1 ? vertical : vertical / kScale97;
    for (std::uint32_t i = 0; i < level.lowCount; ++i) low[i] *= lowFactor;
    for (std::uint32_t i = 0; i < level.highCount; ++i) high[i] *= highFactor;
  }
  if (width == 1) {
    out[0] = startsOdd != 0 ? HalveLone(high[0]) : low[0];
  } else {
    const std::int64_t lowCount = level.lowCount;
    const std::int64_t highCount = level.highCount;
    // As in the forward transform: high[i] sits between low[i] and low[i + 1], or low[i - 1]
    // and low[i] when the line starts at an odd coordinate.
    const std::int64_t highToLow = startsOdd != 0 ? -1 : 0;
    const std::int64_t lowToHigh = startsOdd != 0 ? 0 : -1;
    for (int step = kLiftingStepsOf<Sample> - 1; step >= 0; --step) {
      if (TargetParityOfStep(step) == 1) {
        LiftHalves<kInverse>(step, high, highCount, low, lowCount, highToLow);
      } else {
        LiftHalves<kInverse>(step, low, lowCount, high, highCount, lowToHigh);
      }
    }
    Sample* evens = out + startsOdd;
    Sample* odds = out + (1 - startsOdd);
    for (std::int64_t i = 0; i < lowCount; ++i) evens[2 * i] = low[i];
    for (std::int64_t i = 0; i < highCount; ++i) odds[2 * i] = high[i];
  }
  if constexpr (std::is_same_v<Sample, std::int32_t>) {
    if (loneRow && oddRow) {
      for (std::uint32_t i = 0; i < width; ++i) out[i] = HalveLone(out[i]);
    }
  }
}

template class InverseWavelet<std::int32_t>;
template class InverseWavelet<float>;

}  // namespace quillon::jp2
