// Checks that a strided buffer description names a non-empty extent without overflow.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kvfcodec {

struct Strided {
  int64_t width, height, columnStep, rowStep, channels;
};

// The number of elements the description spans, or -1 when it is empty, overflows or
// its steps let pixels overlap their channels.
int64_t stridedExtent(const Strided& s);

// A zero-filled byte block from AllocPtr; null when the extent exceeds what AllocPtr's
// 32-bit count can hold, rather than a block truncated to that count.
uint8_t* allocateBytes(int64_t extent);

// Element offset of (x, y, c) from the lowest address of a buffer; negative steps run
// backwards from the far end.
inline int64_t stridedOffset(const Strided& s, int64_t x, int64_t y, int64_t c) {
  const int64_t col = s.columnStep < 0 ? (s.width - 1 - x) * -s.columnStep : x * s.columnStep;
  const int64_t row = s.rowStep < 0 ? (s.height - 1 - y) * -s.rowStep : y * s.rowStep;
  return row + col + c;
}

}  // namespace kvfcodec
