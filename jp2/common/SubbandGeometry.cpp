#include "common/SubbandGeometry.h"

#include <algorithm>

namespace quillon::jp2 {
namespace {

// ceil(value / 2^level) for the lowpass side, and the band of one decomposition: samples at
// odd positions (offset 2^(level-1)) form the highpass side.
std::uint32_t ScaleDown(std::uint32_t value, int level, bool highpass) {
  if (level == 0) return value;
  const std::uint64_t step = std::uint64_t{1} << level;
  const std::uint64_t shift = highpass ? step / 2 : 0;
  if (value < shift) return 0;  // ceil of a value in (-1, 0] is 0
  return static_cast<std::uint32_t>((value - shift + step - 1) / step);
}

std::uint32_t CeilShift(std::uint64_t value, int exponent) {
  return static_cast<std::uint32_t>((value + (std::uint64_t{1} << exponent) - 1) >> exponent);
}

}  // namespace

Rect LowpassRect(const Rect& tileComponent, int level) {
  return BandRect(tileComponent, level, kBandLL);
}

Rect BandRect(const Rect& tc, int level, BandOrientation orientation) {
  const bool highX = orientation == kBandHL || orientation == kBandHH;
  const bool highY = orientation == kBandLH || orientation == kBandHH;
  return {ScaleDown(tc.x0, level, highX), ScaleDown(tc.y0, level, highY),
          ScaleDown(tc.x1, level, highX), ScaleDown(tc.y1, level, highY)};
}

void CodeBlockExponents(int widthExponent, int heightExponent, std::uint8_t precinct,
                        int resolution, int* xcb, int* ycb) {
  const int reduction = resolution == 0 ? 0 : 1;
  *xcb = std::max(0, std::min(widthExponent, (precinct & 0x0F) - reduction));
  *ycb = std::max(0, std::min(heightExponent, (precinct >> 4) - reduction));
}

BandBlockGrid BlockGridOf(const Rect& area, int xcb, int ycb) {
  BandBlockGrid grid;
  grid.area = area;
  grid.xcb = xcb;
  grid.ycb = ycb;
  if (!area.Empty()) {
    grid.firstX = area.x0 >> xcb;
    grid.firstY = area.y0 >> ycb;
    grid.across = CeilShift(area.x1, xcb) - grid.firstX;
    grid.down = CeilShift(area.y1, ycb) - grid.firstY;
  }
  return grid;
}

BlockRange PrecinctBlocks(const BandBlockGrid& band, int resolution, int ppx, int ppy,
                          std::uint64_t column, std::uint64_t row) {
  // At resolution levels above 0 a precinct covers half its size in each subband (a file
  // may claim exponent 0 there, which is taken as 1).
  const int ex = resolution == 0 ? ppx : std::max(ppx - 1, 0);
  const int ey = resolution == 0 ? ppy : std::max(ppy - 1, 0);
  const std::uint64_t x0 = std::max<std::uint64_t>(column << ex, band.area.x0);
  const std::uint64_t x1 = std::min<std::uint64_t>((column + 1) << ex, band.area.x1);
  const std::uint64_t y0 = std::max<std::uint64_t>(row << ey, band.area.y0);
  const std::uint64_t y1 = std::min<std::uint64_t>((row + 1) << ey, band.area.y1);
  BlockRange range;
  if (x0 < x1 && y0 < y1) {
    range.x0 = static_cast<std::uint32_t>(x0 >> band.xcb) - band.firstX;
    range.x1 = CeilShift(x1, band.xcb) - band.firstX;
    range.y0 = static_cast<std::uint32_t>(y0 >> band.ycb) - band.firstY;
    range.y1 = CeilShift(y1, band.ycb) - band.firstY;
  }
  return range;
}

}  // namespace quillon::jp2
