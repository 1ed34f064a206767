#include "decoder/PacketBitReader.h"

#include <algorithm>

namespace quillon::jp2 {

std::uint32_t HeaderBytes::Read(std::uint64_t position, std::uint64_t end, std::uint32_t count,
                                std::uint8_t* destination) {
  if (position >= end) return 0;
  const auto wanted = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, end - position));
  if (isPacked_) return wanted - ReadPackedHeaders(input_, packed_, position, wanted, destination);
  return wanted - input_.Read(position, wanted, destination);
}

bool PacketBitReader::NextByte(std::uint8_t* byte) {
  if (position_ < windowStart_ || position_ >= windowStart_ + windowCount_) {
    windowStart_ = position_;
    windowCount_ = bytes_.Read(position_, end_, kWindow, window_);
    if (windowCount_ == 0) return false;
  }
  *byte = window_[position_ - windowStart_];
  ++position_;
  return true;
}

bool PacketBitReader::GetBit(int* bit) {
  if (bitsLeft_ == 0) {
    std::uint8_t byte = 0;
    if (!NextByte(&byte)) return false;
    current_ = byte;
    bitsLeft_ = afterFF_ ? 7 : 8;
    afterFF_ = byte == 0xFF;
  }
  --bitsLeft_;
  *bit = static_cast<int>((current_ >> bitsLeft_) & 1);
  return true;
}

bool PacketBitReader::GetBits(int count, std::uint32_t* value) {
  std::uint32_t result = 0;
  for (int i = 0; i < count; ++i) {
    int bit = 0;
    if (!GetBit(&bit)) return false;
    result = (result << 1) | static_cast<std::uint32_t>(bit);
  }
  *value = result;
  return true;
}

std::uint64_t PacketBitReader::Finish() {
  bitsLeft_ = 0;
  if (afterFF_) {
    std::uint8_t stuffed = 0;
    static_cast<void>(NextByte(&stuffed));
    afterFF_ = false;
  }
  return position_;
}

}  // namespace quillon::jp2
