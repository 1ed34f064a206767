// Colour transforms of three-channel planes: YIQ on double planes, an exactly invertible
// sum-and-differences transform on 16-bit planes.
#pragma once

#include <cstdint>

#include "WaveletTransform.h"

namespace kvfcodec {

void forwardColour(const Plane<double>& p);
void inverseColour(const Plane<double>& p);
void forwardColour(const Plane<int16_t>& p);
void inverseColour(const Plane<int16_t>& p);

}  // namespace kvfcodec
