#include "common/BoxFields.h"

namespace quillon::jp2 {

std::span<const std::uint8_t> FieldReader::Bytes(std::uint64_t count) {
  if (!ok_ || count > Remaining()) {
    ok_ = false;
    return {};
  }
  const std::span<const std::uint8_t> bytes = bytes_.subspan(position_, count);
  position_ += count;
  return bytes;
}

std::uint64_t FieldReader::Take(int count) {
  const std::span<const std::uint8_t> bytes = Bytes(static_cast<std::uint64_t>(count));
  std::uint64_t value = 0;
  for (const std::uint8_t byte : bytes) value = value << 8 | byte;
  return value;
}

Status ByteSink::U16(std::uint16_t value) {
  const std::uint8_t bytes[] = {static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(value)};
  return Put(bytes, sizeof bytes);
}

Status ByteSink::U32(std::uint32_t value) {
  const std::uint8_t bytes[] = {static_cast<std::uint8_t>(value >> 24),
                                static_cast<std::uint8_t>(value >> 16),
                                static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(value)};
  return Put(bytes, sizeof bytes);
}

Status MemorySink::Put(const std::uint8_t* bytes, std::uint64_t count) {
  if (count > bytes_.size() - written_) return JP2_Error_Internal;
  if (count != 0) std::memcpy(bytes_.data() + written_, bytes, count);
  written_ += count;
  return JP2_Success;
}

}  // namespace quillon::jp2
