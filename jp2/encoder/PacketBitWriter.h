// The bit writer of packet headers (T.800 B.10.1): bits fill bytes from the top, a byte after
// 0xFF carries only seven bits (its top bit is a stuffed 0), the last byte is padded with 0
// bits. Writes into a caller's buffer, or only counts when the buffer is null.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "jp2.h"

namespace quillon::jp2 {

class PacketBitWriter {
 public:
  // A counting writer: no buffer, no limit.
  PacketBitWriter() = default;
  PacketBitWriter(std::uint8_t* buffer, std::uint32_t capacity)
      : buffer_(buffer), capacity_(capacity) {}

  void PutBit(int bit);
  void PutBits(std::uint32_t value, int count);  // most significant bit first
  // Completes the last byte; a header ending in 0xFF gets a 0x00 after it so that no marker
  // can follow the header. -19 when that byte does not fit.
  Status Flush();
  // Appends whole bytes (markers) after a flush.
  void PutBytes(const std::uint8_t* bytes, std::uint32_t count);

  // -3 once a byte did not fit the buffer.
  Status status() const { return overflowed_ ? Status(JP2_Error_PacketHeaderOverflow) : Status(); }
  std::uint32_t size() const { return size_; }

 private:
  void EmitByte(std::uint8_t byte);

  std::uint8_t* buffer_ = nullptr;
  std::uint32_t capacity_ = 0;
  std::uint32_t size_ = 0;
  std::uint32_t current_ = 0;
  int free_ = 8;  // bits still open in the current byte
  bool afterFF_ = false;
  bool overflowed_ = false;
};

}  // namespace quillon::jp2
