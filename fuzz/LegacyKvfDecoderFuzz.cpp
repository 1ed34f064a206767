// The legacy KVF library's decoder on a memory block: header checks, both coded streams,
// the inverse transforms and the output window. The last input byte picks the plane limit.
#include <cstddef>
#include <cstdint>

#include "kvfcodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 13 || size > (1u << 20)) return 0;
  int32_t width = 0, height = 0, channels = 0, filter = 0;
  if (MReadHeader(data, static_cast<int32_t>(size), &width, &height, &channels, &filter) != 0)
    return 0;
  // Large planes are refused or decoded by the same code as small ones, only slower. The
  // plane is padded to multiples of 2^levels (header byte 8, low nibble), which can make a
  // tiny picture's plane a thousand times its size.
  const int64_t unit = int64_t{1} << (data[8] & 0x0F);
  const int64_t paddedWidth = (width + unit - 1) / unit * unit;
  const int64_t paddedHeight = (height + unit - 1) / unit * unit;
  if (paddedWidth * paddedHeight * channels > (1 << 16)) return 0;
  KvfDecodeSettings settings{0, 0, data[size - 1] % 17, static_cast<int32_t>(size - 1)};
  int32_t first = data[size - 1] >> 6;
  int32_t colour = 0;
  uint8_t* out = nullptr;
  if (WvlDekompByteImageFromMem(data, &settings, nullptr, &first, &out, &colour) == 0) FreePtr(out);
  return 0;
}
