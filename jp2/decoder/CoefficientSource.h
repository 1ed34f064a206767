// Where the inverse wavelet of one tile-component takes its subband coefficients from. The
// packet walk implements it over the code-block decoder: it decodes a band's code-blocks one
// code-block row at a time, keeps that strip, and copies rows out of it on request, so the
// tile-component never exists whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/BandOrientation.h"
#include "common/Status.h"

namespace quillon::jp2 {

// Sample is std::int32_t for the reversible 5/3 path and float for the irreversible 9/7 path.
//
// Values: reversible coefficients are the decoded integers (sign x magnitude, after any
// region-of-interest down-shift). Irreversible coefficients are in sample units: the
// dequantized value index x step, with the step of T.800 E.1 relative to the component's
// depth (what BlockDecoder::Decode writes with the band's step size). A tile-component
// without decomposition levels delivers its samples minus the DC level shift the same way.
template <typename Sample>
class CoefficientSource {
 public:
  virtual ~CoefficientSource() = default;

  // Writes the rows [firstRow, endRow) of one band into rows, band row firstRow + i at
  // rows + i x stride, each as many samples as the band is wide (stride is at least that).
  //   level: decomposition level of the band, 1 for the finest detail bands, the number of
  //          levels for the LL band; 0 for the LL band of a tile-component without levels.
  //   rows:  band coordinates as T.800 B.5 defines them (absolute, not from the band's top).
  // The caller asks for each band's rows in increasing order, every row exactly once, and
  // only for bands that are neither empty nor above the kept resolution; the rows of the
  // bands of one level are asked for interleaved (HL with the even rows of the level above,
  // LH and HH with the odd ones). A non-zero status stops the transform and is passed on.
  virtual Status FillRows(int level, BandOrientation band, std::uint32_t firstRow,
                          std::uint32_t endRow, Sample* rows, std::size_t stride) = 0;
};

}  // namespace quillon::jp2
