// Packing of output samples for the write callback: 1 byte per sample up to 8 bits, 2 up to
// 16, 4 beyond, multi-byte samples in the chosen byte order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::jp2 {

enum class ByteOrder : std::uint8_t { kLittleEndian = 0, kBigEndian = 1 };  // property 21

constexpr int BytesPerSample(int depth) {
  return depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
}

// Writes count samples (see SampleConversion.h) to out, BytesPerSample(depth) bytes each;
// each sample's low bytes, which hold the whole value once it is clamped to its depth.
void PackRow(const std::uint32_t* samples, std::size_t count, int depth, ByteOrder order,
             std::uint8_t* out);

}  // namespace quillon::jp2
