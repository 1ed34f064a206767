#include "decoder/BandStepSize.h"

#include <cmath>

namespace quillon::jp2 {

float BandStepSize(int exponent, int mantissa, int rangeBits) {
  return static_cast<float>(std::ldexp(1.0 + mantissa / 2048.0, rangeBits - exponent));
}

}  // namespace quillon::jp2
