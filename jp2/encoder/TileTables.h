// The per-tile coding tables and their rebuild when the tile count changes.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

TileComponentCoding DefaultTileComponentCoding();

// Tiles along one axis: 1 with a tile size of 0 (the whole grid) or no grid yet.
std::uint64_t TilesAlong(const ReferenceGrid& grid, Axis axis);

// Makes grid the handle's grid. When the tile count changes the tables are rebuilt and every
// tile starts with the values of tile 0. Fails with -35 beyond 65535 tiles or -1, and then
// changes nothing.
Status ApplyGrid(CompressState& state, const ReferenceGrid& grid);

// Releases the tables of more than one tile; the handle then has one tile again.
Status ReleaseTileTables(CompressState& state);

}  // namespace quillon::jp2
