#include "encoder/RegionShift.h"

#include <algorithm>

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kThousandths = 1000;
constexpr int kMagnitudeBits = 31;

struct SpanOnGrid {
  std::int64_t begin, end;
};

// Synthesis filters reach one band position further for 5/3 and three for 9/7 per level.
std::int64_t Margin(const BandFootprint& footprint) {
  if (footprint.level == 0) return 0;
  return footprint.reversible ? 1 : 3;
}

// Band positions [first, last) whose grid span overlaps [begin, end) on one axis.
SpanOnGrid PositionsOverlapping(std::uint64_t begin, std::uint64_t end, std::uint32_t factor,
                                int level, std::int64_t margin) {
  const std::int64_t unit = std::int64_t{factor} << level;
  const auto b = static_cast<std::int64_t>(begin);
  const auto e = static_cast<std::int64_t>(end);
  return {b / unit - margin, (e + unit - 1) / unit + margin};
}

}  // namespace

std::uint32_t MapRegions(const CompressState& state, GridRegion* regions) {
  const ReferenceGrid& grid = state.grid;
  const std::uint64_t width = grid.extent[kAxisX] - grid.offset[kAxisX];
  const std::uint64_t height = grid.extent[kAxisY] - grid.offset[kAxisY];
  for (std::uint32_t i = 0; i < state.regionCount; ++i) {
    const Region& r = state.regions[i];
    regions[i] = {grid.offset[kAxisX] + width * r.x / kThousandths,
                  grid.offset[kAxisY] + height * r.y / kThousandths,
                  grid.offset[kAxisX] + width * (r.x + r.width) / kThousandths,
                  grid.offset[kAxisY] + height * (r.y + r.height) / kThousandths};
  }
  return state.regionCount;
}

Status RoiShiftOf(const BandQuantization* bands, int count, std::uint8_t* shift) {
  int largest = 0;
  for (int i = 0; i < count; ++i) largest = std::max<int>(largest, bands[i].magnitudeBits);
  if (largest > kMaxRoiShift || 2 * largest > kMagnitudeBits) return JP2_Error_RoiShift;
  *shift = static_cast<std::uint8_t>(largest);
  return JP2_Success;
}

int RegionColumnSpans(const GridRegion* regions, std::uint32_t regionCount,
                      const BandFootprint& footprint, std::uint32_t row, std::uint32_t x0,
                      std::uint32_t x1, ColumnSpan* spans) {
  const std::int64_t margin = Margin(footprint);
  int count = 0;
  for (std::uint32_t i = 0; i < regionCount; ++i) {
    const GridRegion& region = regions[i];
    if (region.x1 <= region.x0 || region.y1 <= region.y0) continue;
    const SpanOnGrid rows =
        PositionsOverlapping(region.y0, region.y1, footprint.factorY, footprint.level, margin);
    if (row < rows.begin || row >= rows.end) continue;
    const SpanOnGrid columns =
        PositionsOverlapping(region.x0, region.x1, footprint.factorX, footprint.level, margin);
    const std::int64_t begin = std::max<std::int64_t>(columns.begin, x0);
    const std::int64_t end = std::min<std::int64_t>(columns.end, x1);
    if (begin < end) {
      spans[count++] = {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)};
    }
  }
  std::sort(spans, spans + count,
            [](const ColumnSpan& a, const ColumnSpan& b) { return a.begin < b.begin; });
  int merged = 0;
  for (int i = 0; i < count; ++i) {
    if (merged > 0 && spans[i].begin <= spans[merged - 1].end) {
      spans[merged - 1].end = std::max(spans[merged - 1].end, spans[i].end);
    } else {
      spans[merged++] = spans[i];
    }
  }
  return merged;
}

}  // namespace quillon::jp2
