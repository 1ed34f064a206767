// Random access to the decoder's input: the cached input source in the codec, a memory
// buffer in tests.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

class ByteReader {
 public:
  // Copies count bytes at the absolute offset into destination; returns the number of bytes
  // not delivered (0 is success). Bytes that could be read are placed even when some are not.
  virtual std::uint32_t Read(std::uint64_t offset, std::uint32_t count,
                             std::uint8_t* destination) = 0;

 protected:
  ~ByteReader() = default;
};

}  // namespace quillon::jp2
