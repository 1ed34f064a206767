#include "encoder/CodeBlockAssembly.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kMagnitudeMask = ~kSignBit;

std::uint32_t SignMagnitude(std::int32_t value) {
  if (value >= 0) return static_cast<std::uint32_t>(value);
  return kSignBit | (0u - static_cast<std::uint32_t>(value));
}

constexpr float kLargestMagnitude = 2147483520.0f;  // the largest float below 2^31

// q = sign(y) x floor(|y| / step); magnitudes beyond 31 bits saturate. Free of branches so
// that the row loop vectorises.
std::uint32_t Quantize(float value, float step) {
  const float ratio = std::min(std::fabs(value) / step, kLargestMagnitude);
  const auto magnitude = static_cast<std::uint32_t>(static_cast<std::int32_t>(ratio));
  const std::uint32_t sign = std::bit_cast<std::uint32_t>(value) & kSignBit;
  return magnitude | (magnitude != 0 ? sign : 0u);
}

std::uint64_t NextBoundary(std::uint64_t position, int exponent) {
  return ((position >> exponent) + 1) << exponent;
}

}  // namespace

void CodeBlockExponents(const TileComponentCoding& coding, int resolution, int* xcb, int* ycb) {
  CodeBlockExponents(coding.codeBlockWidthExponent, coding.codeBlockHeightExponent,
                     coding.precincts[resolution], resolution, xcb, ycb);
}

void CodeBlockAssembly::Plan(const TileComponentPlan& plan, CodeBlockSink* sink, WorkArena& arena) {
  plan_ = plan;
  sink_ = sink;
  const int levels = plan.coding->levels;
  for (int resolution = 0; resolution <= levels; ++resolution) {
    const int level = resolution == 0 ? levels : levels - resolution + 1;
    const int first = resolution == 0 ? kBandLL : kBandHL;
    const int last = resolution == 0 ? kBandLL : kBandHH;
    for (int b = first; b <= last; ++b) {
      Band& band = bands_[BandIndex(resolution, static_cast<BandOrientation>(b))];
      band.orientation = static_cast<BandOrientation>(b);
      band.resolution = resolution;
      band.area = BandRect(plan.area, level, band.orientation);
      CodeBlockExponents(*plan.coding, resolution, &band.xcb, &band.ycb);
      band.footprint = {level, plan.coding->reversible != 0, plan.factorX, plan.factorY};
      const std::uint64_t height =
          band.area.Empty() ? 0 : std::min<std::uint64_t>(band.area.Height(), 1u << band.ycb);
      band.rows = arena.Take<std::uint32_t>(height * band.area.Width());
    }
  }
}

CodeBlockAssembly::Band& CodeBlockAssembly::BandOf(int level, BandOrientation orientation) {
  const int resolution = orientation == kBandLL ? 0 : plan_.coding->levels - level + 1;
  return bands_[BandIndex(resolution, orientation)];
}

std::uint32_t* CodeBlockAssembly::StoredRow(Band& band, std::uint32_t row) {
  const std::uint32_t blockTop = std::max(band.area.y0, (row >> band.ycb) << band.ycb);
  return band.rows + std::uint64_t{row - blockTop} * band.area.Width();
}

Status CodeBlockAssembly::TakeBandRow(int level, BandOrientation orientation, std::uint32_t row,
                                      const std::int32_t* samples, std::uint32_t count) {
  Band& band = BandOf(level, orientation);
  std::uint32_t* stored = StoredRow(band, row);
  for (std::uint32_t i = 0; i < count; ++i) stored[i] = SignMagnitude(samples[i]);
  return FinishRow(band, row, stored);
}

Status CodeBlockAssembly::TakeBandRow(int level, BandOrientation orientation, std::uint32_t row,
                                      const float* samples, std::uint32_t count) {
  Band& band = BandOf(level, orientation);
  std::uint32_t* stored = StoredRow(band, row);
  const float step = plan_.quantization[BandIndex(band.resolution, orientation)].step;
  for (std::uint32_t i = 0; i < count; ++i) stored[i] = Quantize(samples[i], step);
  return FinishRow(band, row, stored);
}

Status CodeBlockAssembly::FinishRow(Band& band, std::uint32_t row, std::uint32_t* stored) {
  const Rect& area = band.area;
  const std::uint8_t shift = plan_.roiShift;
  if (shift != 0 && plan_.regionCount != 0) {
    ColumnSpan spans[kMaxRegions];
    const int spanCount = RegionColumnSpans(plan_.regions, plan_.regionCount, band.footprint, row,
                                            area.x0, area.x1, spans);
    const std::uint32_t largest = (1u << (31 - shift)) - 1;
    for (int s = 0; s < spanCount; ++s) {
      for (std::uint32_t u = spans[s].begin; u < spans[s].end; ++u) {
        std::uint32_t& value = stored[u - area.x0];
        const std::uint32_t magnitude = std::min(value & kMagnitudeMask, largest);
        value = (value & kSignBit) | (magnitude << shift);
      }
    }
  }
  const bool lastRow = row + 1 == area.y1 || ((row + 1) & ((1u << band.ycb) - 1)) == 0;
  if (!lastRow) return JP2_Success;

  CodeBlock block;
  block.tile = plan_.tile;
  block.component = plan_.component;
  block.resolution = band.resolution;
  block.band = band.orientation;
  block.stride = area.Width();
  block.quantization = &plan_.quantization[BandIndex(band.resolution, band.orientation)];
  block.roiShift = shift;
  block.area.y0 = std::max(area.y0, (row >> band.ycb) << band.ycb);
  block.area.y1 = row + 1;
  const std::uint32_t* top = StoredRow(band, block.area.y0);
  for (std::uint32_t x = area.x0; x < area.x1;) {
    const auto end =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(area.x1, NextBoundary(x, band.xcb)));
    block.area.x0 = x;
    block.area.x1 = end;
    block.coefficients = top + (x - area.x0);
    JP2_RETURN_IF_ERROR(sink_->TakeCodeBlock(block));
    x = end;
  }
  return sink_->FinishCodeBlockRow();
}

}  // namespace quillon::jp2
