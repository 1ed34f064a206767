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

// ceil(value / 2^level) for the lowpass side, and the band of one decomposition: samples at
// odd positions (offset 2^(level-1)) form the highpass side.
std::uint32_t ScaleDown(std::uint32_t value, int level, bool highpass) {
  if (level == 0) return value;
  const std::uint64_t step = std::uint64_t{1} << level;
  const std::uint64_t shift = highpass ? step / 2 : 0;
  if (value < shift) return 0;  // ceil of a value in (-1, 0] is 0
  return static_cast<std::uint32_t>((value - shift + step - 1) / step);
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

Rect LowpassRect(const Rect& tileComponent, int level) {
  return BandRect(tileComponent, level, kBandLL);
}

Rect BandRect(const Rect& tc, int level, BandOrientation orientation) {
  const bool highX = orientation == kBandHL || orientation == kBandHH;
  const bool highY = orientation == kBandLH || orientation == kBandHH;
  return {ScaleDown(tc.x0, level, highX), ScaleDown(tc.y0, level, highY),
          ScaleDown(tc.x1, level, highX), ScaleDown(tc.y1, level, highY)};
}

}  // namespace quillon::jp2
