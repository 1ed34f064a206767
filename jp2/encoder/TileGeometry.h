// Rectangles of the partition of a tile: the tile on the reference grid, its tile-components,
// their resolution levels and subbands (T.800 B.3 to B.5).
#pragma once

#include <cstdint>

#include "common/SubbandGeometry.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Tiles along x on the grid (at least 1).
std::uint32_t TilesAcross(const CompressState& state);

// The tile's area on the reference grid, clipped to the image.
Rect TileRect(const CompressState& state, std::uint32_t tile);

// The tile's samples of one component, in component coordinates.
Rect TileComponentRect(const CompressState& state, const Rect& tile, int component);

}  // namespace quillon::jp2
