#include "encoder/TileTables.h"

#include <cstring>
#include <new>

namespace quillon::jp2 {
namespace {

// Fills tiles [0, count) of the given tables with tile 0 of the handle's current tables.
void FillFromFirstTile(const CompressState& state, TileCoding* tiles, TileComponentCoding* coding,
                       std::uint32_t count) {
  const TileCoding firstTile = state.tiles[0];
  const int components = state.componentCount;
  for (std::uint32_t tile = 0; tile < count; ++tile) {
    new (&tiles[tile]) TileCoding(firstTile);
    TileComponentCoding* row = coding + static_cast<std::uint64_t>(tile) * components;
    if (row != state.tileComponents) {
      std::memcpy(static_cast<void*>(row), state.tileComponents,
                  sizeof(TileComponentCoding) * components);
    }
  }
}

}  // namespace

TileComponentCoding DefaultTileComponentCoding() {
  TileComponentCoding coding;
  std::memset(coding.precincts, kNoPrecinctPartition, sizeof coding.precincts);
  return coding;
}

std::uint64_t TilesAlong(const ReferenceGrid& grid, Axis axis) {
  const std::uint64_t size = grid.tileSize[axis];
  const std::uint64_t extent = grid.extent[axis];
  const std::uint64_t start = grid.tileOffset[axis];
  if (size == 0 || extent <= start) return 1;
  return (extent - start + size - 1) / size;
}

Status ApplyGrid(CompressState& state, const ReferenceGrid& grid) {
  const std::uint64_t count = TilesAlong(grid, kAxisX) * TilesAlong(grid, kAxisY);
  if (count > kMaxTiles) return JP2_Error_Limit;
  if (count != state.tileCount) {
    const auto tileCount = static_cast<std::uint32_t>(count);
    if (tileCount == 1) {
      JP2_RETURN_IF_ERROR(ReleaseTileTables(state));
    } else {
      BlockLayout layout;
      const std::uint64_t tilesOffset = layout.Add(count, sizeof(TileCoding));
      const std::uint64_t codingOffset =
          layout.Add(count * state.componentCount, sizeof(TileComponentCoding));
      OwnedBlock tables;
      JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &tables));
      auto* tiles = reinterpret_cast<TileCoding*>(tables.data + tilesOffset);
      auto* coding = reinterpret_cast<TileComponentCoding*>(tables.data + codingOffset);
      FillFromFirstTile(state, tiles, coding, tileCount);
      JP2_RETURN_IF_ERROR(ReplaceBlock(state.memory, &state.tileTables, tables));
      state.tiles = tiles;
      state.tileComponents = coding;
    }
    state.tileCount = tileCount;
  }
  state.grid = grid;
  return JP2_Success;
}

Status ReleaseTileTables(CompressState& state) {
  if (state.tileTables.empty()) return JP2_Success;
  FillFromFirstTile(state, state.ownTile, state.ownTileComponents, 1);
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.tileTables));
  state.tiles = state.ownTile;
  state.tileComponents = state.ownTileComponents;
  state.tileCount = 1;
  return JP2_Success;
}

}  // namespace quillon::jp2
