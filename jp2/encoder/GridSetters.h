// The properties that shape the reference grid: component sizes, image offset and tiling.
// Each one derives what depends on it and rebuilds the tiles.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Sets one component's size (component -1: every component) and derives the grid extent and
// factors again; on failure the sizes just set are 0 again and the grid stays as it was.
Status SetComponentSize(CompressState& state, Axis axis, int component, std::uint32_t size);

// Moves the image offset; the grid extent moves with it, so the image keeps its size.
Status SetImageOffset(CompressState& state, Axis axis, std::uint32_t offset);

// Tile size (0: the whole grid) and tile offset; both need a grid (-31).
Status SetTileSize(CompressState& state, Axis axis, std::uint32_t size);
Status SetTileOffset(CompressState& state, Axis axis, std::uint32_t offset);

}  // namespace quillon::jp2
