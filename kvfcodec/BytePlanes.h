// 8-bit pictures to padded coefficient planes (sample - 128) and back (+128, clamped,
// rounded to nearest).
#pragma once

#include <cstdint>

#include "Extent.h"
#include "WaveletTransform.h"

namespace kvfcodec {

struct PaddedSize {
  int width, height, offsetX, offsetY;
};

// Width and height padded to multiples of 2^levels; the picture sits floor(padding / 2)
// columns and rows in.
PaddedSize paddedSize(int width, int height, int levels);

// Margins repeat the nearest picture sample, which keeps the edges smooth for the filters.
template <typename T>
void preparePlane(const uint8_t* pixels, const Strided& source, const Plane<T>& plane,
                  const PaddedSize& padded);

// Writes channels [first, first + window.channels) of the picture region.
template <typename T>
void restorePlane(const Plane<T>& plane, const PaddedSize& padded, int firstChannel, uint8_t* out,
                  const Strided& window);

}  // namespace kvfcodec
