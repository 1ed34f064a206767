// Rectangles of the partition of a tile: the tile on the reference grid, its tile-components,
// their resolution levels and subbands (T.800 B.3 to B.5).
#pragma once

#include <cstdint>

#include "common/BandOrientation.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Half-open rectangle [x0, x1) x [y0, y1) in the coordinates of its own level.
struct Rect {
  std::uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;

  std::uint32_t Width() const { return x1 - x0; }
  std::uint32_t Height() const { return y1 - y0; }
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

inline std::uint32_t CeilDiv(std::uint32_t value, std::uint32_t divisor) {
  return static_cast<std::uint32_t>((std::uint64_t{value} + divisor - 1) / divisor);
}

// Tiles along x on the grid (at least 1).
std::uint32_t TilesAcross(const CompressState& state);

// The tile's area on the reference grid, clipped to the image.
Rect TileRect(const CompressState& state, std::uint32_t tile);

// The tile's samples of one component, in component coordinates.
Rect TileComponentRect(const CompressState& state, const Rect& tile, int component);

// The lowpass rectangle after level decompositions of a tile-component.
Rect LowpassRect(const Rect& tileComponent, int level);

// A subband of decomposition level (1..) and orientation; LL of level 0 is the
// tile-component itself.
Rect BandRect(const Rect& tileComponent, int level, BandOrientation orientation);

// Band index in quantization order: 0 the LL band, then HL, LH, HH of resolution 1, 2, ...
inline int BandIndex(int resolution, BandOrientation orientation) {
  return resolution == 0 ? 0 : 1 + 3 * (resolution - 1) + (orientation - 1);
}
inline int BandCount(int levels) {
  return 1 + 3 * levels;
}

}  // namespace quillon::jp2
