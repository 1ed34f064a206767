// A ByteReader over bytes held in memory, for tests of the decoder's parsers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "decoder/ByteReader.h"

namespace quillon::jp2::test {

class MemoryByteReader final : public ByteReader {
 public:
  explicit MemoryByteReader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  std::uint32_t Read(std::uint64_t offset, std::uint32_t count,
                     std::uint8_t* destination) override {
    const std::uint64_t available = offset < bytes_.size() ? bytes_.size() - offset : 0;
    const auto delivered = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
    if (delivered != 0) std::memcpy(destination, bytes_.data() + offset, delivered);
    return count - delivered;
  }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace quillon::jp2::test
