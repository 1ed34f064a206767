// The rate-distortion convex hull of one code-block's truncation points, which rate control
// walks steepest slope first.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

// lengths and values hold count points in storage order (the first coded pass at index
// count - 1), values the cumulative distortion reductions. Points not longer than the one
// before them are dropped, then a point whose slope is not below that of the kept point
// before it is merged into that point (which takes its length and distortion) until the
// slopes fall strictly. On return every kept point holds its slope; a dropped one holds 0
// and the length of the last kept point before it, so it comes at no extra bytes.
void ConvexHull(std::uint32_t* lengths, float* values, int count);

}  // namespace quillon::jp2
