// The scaling quantizer: coefficients times per-band factors, truncated into sign and
// magnitude words in tree order, with the ancestor ORs; and its inverse.
#pragma once

#include <cstdint>
#include <span>

#include "TreeLayout.h"
#include "WaveletTransform.h"

namespace kvfcodec {

// Returns the start threshold: the largest power of two not above the largest magnitude
// (1 when every coefficient is 0). colour: the channels hold a colour-transformed picture.
int quantize(const Plane<double>& p, int levels, bool colour, std::span<uint32_t> words);
void dequantize(std::span<const uint32_t> words, int levels, bool colour, const Plane<double>& p);

// The integer filters' coefficients go into words unscaled, and back.
int wordsFromIntegers(const Plane<int16_t>& p, int levels, std::span<uint32_t> words);
void integersFromWords(std::span<const uint32_t> words, int levels, const Plane<int16_t>& p);

}  // namespace kvfcodec
