// The two-dimensional transform in Mallat layout over the filter bank, on strided planes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvfcodec {

template <typename T>
struct Plane {
  T* base;  // element (0, 0) of channel 0
  int width, height, channels;
  ptrdiff_t rowStep, columnStep;
  T& at(int x, int y, int c) const { return base[y * rowStep + x * columnStep + c]; }
};

int filterSupport(int filter);

// 0 when width and height are multiples of 2^levels and every level is at least the
// filter's support; -2 or -1 otherwise, -4 for a filter outside 0..18.
[[nodiscard]] int levelsFit(int width, int height, int levels, int filter, int maxLevels);

// Filters 0..11 on double planes, 12..18 on 16-bit planes; levels already checked.
void forwardTransform(const Plane<double>& p, int levels, int filter);
void inverseTransform(const Plane<double>& p, int levels, int filter);
void forwardTransform(const Plane<int16_t>& p, int levels, int filter);
void inverseTransform(const Plane<int16_t>& p, int levels, int filter);

}  // namespace kvfcodec
