// Byte budgets of rate control: the whole-file target split into tile budgets by area (and
// by region-of-interest coverage), each tile budget split into layers that double in size.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/RegionShift.h"
#include "encoder/TileGeometry.h"

namespace quillon::jp2 {

struct TileShare {
  std::uint64_t area = 0;            // on the reference grid
  std::uint64_t regionArea = 0;      // covered by region rectangles, summed over them
  std::uint32_t tilePartHeader = 0;  // bytes of its tile-part header
  std::uint64_t packets = 0;         // layers x non-empty precincts
};

struct ImageShare {
  std::uint64_t target = 0;
  std::uint64_t mainHeader = 0;
  std::uint64_t area = 0;               // of the image on the reference grid
  std::uint64_t regionArea = 0;         // of all rectangles, summed over them
  std::uint64_t uncompressedBytes = 0;  // sum over components of ceil(depth/8) x w x h
  bool regions = false;
};

// The area of the rectangles inside area (on the grid), summed over them, overlaps counted
// once per rectangle.
std::uint64_t RegionAreaInside(const GridRegion* regions, std::uint32_t count, const Rect& area);

// Fills budgets[tiles]; -33 when the target does not cover the headers, the end-of-codestream
// marker and one byte per packet.
Status TileBudgets(const ImageShare& image, const TileShare* tiles, std::uint32_t count,
                   std::uint64_t* budgets);

struct TileLayering {
  int layers = 1;
  bool targeted = false;         // a target size is set
  std::uint64_t tileBudget = 0;  // from TileBudgets when targeted
  std::uint32_t tilePartHeader = 0;
  std::uint64_t uncompressedBits = 0;  // sum over components of depth x width x height
  std::uint64_t nonEmptyPrecincts = 0;
};

// Fills budgets[layers]: each layer about twice the one before.
void LayerBudgets(const TileLayering& tile, std::uint64_t* budgets);

}  // namespace quillon::jp2
