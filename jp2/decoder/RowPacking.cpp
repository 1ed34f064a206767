#include "decoder/RowPacking.h"

namespace quillon::jp2 {
namespace {

template <int kBytes>
void PackBytes(const std::uint32_t* samples, std::size_t count, ByteOrder order,
               std::uint8_t* out) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t value = samples[i];
    std::uint8_t* sample = out + i * kBytes;
    for (int b = 0; b < kBytes; ++b) {
      const int byte = order == ByteOrder::kBigEndian ? kBytes - 1 - b : b;
      sample[b] = static_cast<std::uint8_t>(value >> (8 * byte));
    }
  }
}

}  // namespace

void PackRow(const std::uint32_t* samples, std::size_t count, int depth, ByteOrder order,
             std::uint8_t* out) {
  switch (BytesPerSample(depth)) {
    case 1:
      PackBytes<1>(samples, count, order, out);
      break;
    case 2:
      PackBytes<2>(samples, count, order, out);
      break;
    default:
      PackBytes<4>(samples, count, order, out);
      break;
  }
}

}  // namespace quillon::jp2
