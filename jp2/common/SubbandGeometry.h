// The partition of a tile-component (T.800 B.5 to B.7) as both directions see it: resolution
// levels and subbands, and the code-blocks of a subband inside one precinct.
#pragma once

#include <cstdint>

#include "common/BandOrientation.h"

namespace quillon::jp2 {

enum Axis : int { kAxisX = 0, kAxisY = 1 };

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

// Code-block size exponents at a resolution level: the nominal ones, limited by the
// precinct (PPy * 16 + PPx), which covers half its size in each subband above level 0.
void CodeBlockExponents(int widthExponent, int heightExponent, std::uint8_t precinct,
                        int resolution, int* xcb, int* ycb);

// The code-block grid of a subband: the cell of its first code-block and the cells across
// and down.
struct BandBlockGrid {
  Rect area;
  int xcb = 0, ycb = 0;
  std::uint32_t firstX = 0, firstY = 0;
  std::uint32_t across = 0, down = 0;
};
BandBlockGrid BlockGridOf(const Rect& area, int xcb, int ycb);

// The code-blocks, counted from the band's first one, that the precinct in precinct column
// and row (absolute precinct cells with exponents ppx, ppy of the resolution level) covers in
// the band; all zero when it covers none.
struct BlockRange {
  std::uint32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  std::uint32_t Width() const { return x1 - x0; }
  std::uint32_t Height() const { return y1 - y0; }
};
BlockRange PrecinctBlocks(const BandBlockGrid& band, int resolution, int ppx, int ppy,
                          std::uint64_t column, std::uint64_t row);

}  // namespace quillon::jp2
