// The four subband orientations, in the order of the quantization tables and code-block
// records of both directions.
#pragma once

namespace quillon::jp2 {

enum BandOrientation : int { kBandLL = 0, kBandHL = 1, kBandLH = 2, kBandHH = 3 };

}  // namespace quillon::jp2
