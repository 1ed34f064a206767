// The bits of a packet header (T.800 B.10.1): bytes read through a small window from the
// tile-part or from a packed header stream, a byte after FF carrying only 7 bits.
#pragma once

#include <cstdint>
#include <span>

#include "decoder/ByteReader.h"
#include "decoder/CodestreamHeader.h"

namespace quillon::jp2 {

// A run of header bytes: the input itself (positions are offsets) or, with packed headers,
// the stream that PPM or PPT segments form (positions count within that stream).
class HeaderBytes {
 public:
  HeaderBytes(ByteReader& input, std::span<const PackedHeaderSegment> packed, bool isPacked)
      : input_(input), packed_(packed), isPacked_(isPacked) {}

  // Reads up to count bytes at position before end; returns how many were read.
  std::uint32_t Read(std::uint64_t position, std::uint64_t end, std::uint32_t count,
                     std::uint8_t* destination);

 private:
  ByteReader& input_;
  std::span<const PackedHeaderSegment> packed_;
  bool isPacked_;
};

class PacketBitReader {
 public:
  PacketBitReader(HeaderBytes& bytes, std::uint64_t position, std::uint64_t end)
      : bytes_(bytes), position_(position), end_(end) {}

  // False once the header bytes run out.
  bool GetBit(int* bit);
  bool GetBits(int count, std::uint32_t* value);
  // Ends the header at a byte boundary; a header whose last byte is FF takes the byte after
  // it too. Returns the position after the header.
  std::uint64_t Finish();

  // The next bytes as they stand, for marker checks outside the bit stream.
  bool Peek(std::uint64_t position, std::uint32_t count, std::uint8_t* destination) {
    return bytes_.Read(position, end_, count, destination) == count;
  }

 private:
  bool NextByte(std::uint8_t* byte);

  static constexpr std::uint32_t kWindow = 256;
  HeaderBytes& bytes_;
  std::uint64_t position_;  // of the next byte to take
  std::uint64_t end_;
  std::uint8_t window_[kWindow] = {};
  std::uint64_t windowStart_ = 0;
  std::uint32_t windowCount_ = 0;
  std::uint32_t current_ = 0;
  int bitsLeft_ = 0;
  bool afterFF_ = false;
};

}  // namespace quillon::jp2
