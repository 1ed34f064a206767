// Turning the elements the input callback delivers into the signed values the transforms
// work on: byte order, masking to the depth, level shift or sign extension, and the scaling
// of the irreversible path.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

struct SampleFormat {
  std::uint8_t depth = 8;  // 1..28
  bool isSigned = false;
  bool swapBytes = false;  // the caller's byte order differs from the host's
};

// Bytes per delivered element: 1 up to 8 bits, 2 up to 16, else 4.
std::uint32_t ElementBytes(std::uint8_t depth);

// Converts count elements; unsigned values are shifted down by 2^(depth-1), signed ones
// sign-extended from depth bits; bits above the depth are ignored.
void ConvertElements(const std::uint8_t* elements, std::uint32_t count, const SampleFormat& format,
                     std::int32_t* out);

// The factor that puts the most significant magnitude bit of a depth-bit sample just below
// the guard bits: 2^(32 - guardBits - depth), or 1 when that exponent is negative.
float IrreversibleScale(std::uint8_t depth, std::uint8_t guardBits);

void ScaleToFloats(const std::int32_t* values, std::uint32_t count, float scale, float* out);

}  // namespace quillon::jp2
