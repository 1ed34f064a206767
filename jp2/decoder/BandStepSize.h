// The dequantization step of a band from its exponent and mantissa in QCD or QCC.
#pragma once

namespace quillon::jp2 {

// Delta = 2^(rangeBits - exponent) x (1 + mantissa / 2048); rangeBits is the component's
// depth plus the band's gain bits (0 LL, 1 HL and LH, 2 HH).
float BandStepSize(int exponent, int mantissa, int rangeBits);

// Scalar derived quantization signals only the LL exponent; a band at decomposition level
// bandLevel (levels for LL, 1 for the finest detail bands) has llExponent - levels +
// bandLevel, with the LL mantissa.
constexpr int DerivedExponent(int llExponent, int levels, int bandLevel) {
  return llExponent - levels + bandLevel;
}

}  // namespace quillon::jp2
