// The component transforms of the first three components: reversible RCT on integers and
// irreversible ICT on single-precision values, each over one row of count samples in place.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::jp2 {

// R, G, B become Y0 = floor((R + 2G + B) / 4), Y1 = B - G, Y2 = R - G.
void ForwardRct(std::int32_t* c0, std::int32_t* c1, std::int32_t* c2, std::size_t count);
// The exact inverse of ForwardRct; sums wrap, so any input is safe.
void InverseRct(std::int32_t* c0, std::int32_t* c1, std::int32_t* c2, std::size_t count);

// R, G, B become Y, Cb, Cr.
void ForwardIct(float* c0, float* c1, float* c2, std::size_t count);
// Y, Cb, Cr become R, G, B.
void InverseIct(float* c0, float* c1, float* c2, std::size_t count);

}  // namespace quillon::jp2
