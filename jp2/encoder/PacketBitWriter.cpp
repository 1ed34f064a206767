#include "encoder/PacketBitWriter.h"

namespace quillon::jp2 {

void PacketBitWriter::EmitByte(std::uint8_t byte) {
  if (buffer_ != nullptr) {
    if (size_ >= capacity_) {
      overflowed_ = true;
      return;
    }
    buffer_[size_] = byte;
  }
  ++size_;
  afterFF_ = byte == 0xFF;
}

void PacketBitWriter::PutBit(int bit) {
  if (free_ == 0) {
    EmitByte(static_cast<std::uint8_t>(current_));
    current_ = 0;
    free_ = afterFF_ ? 7 : 8;
  }
  --free_;
  current_ |= static_cast<std::uint32_t>(bit & 1) << free_;
}

void PacketBitWriter::PutBits(std::uint32_t value, int count) {
  // As many bits at a time as the current byte takes.
  while (count > 0) {
    if (free_ == 0) {
      EmitByte(static_cast<std::uint8_t>(current_));
      current_ = 0;
      free_ = afterFF_ ? 7 : 8;
    }
    const int n = count < free_ ? count : free_;
    count -= n;
    free_ -= n;
    current_ |= ((value >> count) & ((1u << n) - 1)) << free_;
  }
}

Status PacketBitWriter::Flush() {
  JP2_RETURN_IF_ERROR(status());
  const int width = afterFF_ ? 7 : 8;
  if (free_ != width) EmitByte(static_cast<std::uint8_t>(current_));
  if (afterFF_) EmitByte(0);
  current_ = 0;
  free_ = 8;
  afterFF_ = false;
  if (overflowed_) return JP2_Error_Codestream;
  return Status();
}

void PacketBitWriter::PutBytes(const std::uint8_t* bytes, std::uint32_t count) {
  for (std::uint32_t i = 0; i < count; ++i) EmitByte(bytes[i]);
  afterFF_ = false;
}

}  // namespace quillon::jp2
