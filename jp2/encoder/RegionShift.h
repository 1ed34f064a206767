// Maxshift regions of interest: the rectangles on the reference grid, the shift of a
// tile-component and the coefficients of a subband row that stand for a region.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/BandQuantization.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

inline constexpr int kMaxRoiShift = 16;

struct GridRegion {
  std::uint64_t x0, y0, x1, y1;  // half-open, reference grid
};

// Maps the handle's rectangles (thousandths of the image) to the grid; returns their count.
std::uint32_t MapRegions(const CompressState& state, GridRegion* regions);

// The shift of a tile-component: the largest Mb of its bands. -39 when it exceeds 16 bit
// planes, or when shifted magnitudes would not fit the 31 magnitude bits of a coefficient.
Status RoiShiftOf(const BandQuantization* bands, int count, std::uint8_t* shift);

// Where a subband's coefficients stand on the grid: a coefficient at band position u covers
// component samples [(u - margin) 2^level, (u + 1 + margin) 2^level), the margin covering the
// reach of the synthesis filters, times the component's subsampling factor.
struct BandFootprint {
  int level = 0;  // decomposition level of the band, 0 without transform
  bool reversible = true;
  std::uint32_t factorX = 1, factorY = 1;
};

struct ColumnSpan {
  std::uint32_t begin, end;
};

// The merged column spans of band row `row` inside any region, clipped to [x0, x1); returns
// their count (at most kMaxRegions).
int RegionColumnSpans(const GridRegion* regions, std::uint32_t regionCount,
                      const BandFootprint& footprint, std::uint32_t row, std::uint32_t x0,
                      std::uint32_t x1, ColumnSpan* spans);

}  // namespace quillon::jp2
