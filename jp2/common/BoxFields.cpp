#include "common/BoxFields.h"

#include <limits>

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

Status PutBytes(SegmentWriter& out, std::span<const std::uint8_t> bytes) {
  if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
  return bytes.empty() ? Status() : out.Put(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

Status MemorySink::Put(const std::uint8_t* bytes, std::uint32_t count) {
  if (count > bytes_.size() - written_) return JP2_Error_Internal;
  if (count != 0) std::memcpy(bytes_.data() + written_, bytes, count);
  written_ += count;
  return JP2_Success;
}

}  // namespace quillon::jp2
