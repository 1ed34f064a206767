#include "encoder/TileGeometry.h"

#include <algorithm>

#include "encoder/TileTables.h"

namespace quillon::jp2 {
namespace {

struct AxisSpan {
  std::uint32_t begin, end;
};

AxisSpan TileSpan(const ReferenceGrid& grid, Axis axis, std::uint64_t index) {
  const std::uint64_t size = grid.tileSize[axis] != 0 ? grid.tileSize[axis] : grid.extent[axis];
  const std::uint64_t start = grid.tileOffset[axis] + index * size;
  const std::uint64_t begin = std::max<std::uint64_t>(start, grid.offset[axis]);
  const std::uint64_t end = std::min<std::uint64_t>(start + size, grid.extent[axis]);
  return {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(std::max(begin, end))};
}

}  // namespace

std::uint32_t TilesAcross(const CompressState& state) {
  return static_cast<std::uint32_t>(TilesAlong(state.grid, kAxisX));
}

Rect TileRect(const CompressState& state, std::uint32_t tile) {
  const std::uint32_t across = TilesAcross(state);
  const AxisSpan x = TileSpan(state.grid, kAxisX, tile % across);
  const AxisSpan y = TileSpan(state.grid, kAxisY, tile / across);
  return {x.begin, y.begin, x.end, y.end};
}

Rect TileComponentRect(const CompressState& state, const Rect& tile, int component) {
  const ComponentGeometry& geometry = state.components[component];
  const std::uint32_t fx = geometry.factor[kAxisX];
  const std::uint32_t fy = geometry.factor[kAxisY];
  return {CeilDiv(tile.x0, fx), CeilDiv(tile.y0, fy), CeilDiv(tile.x1, fx), CeilDiv(tile.y1, fy)};
}

}  // namespace quillon::jp2
