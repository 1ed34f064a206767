#include "kvf/KvfInputStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kvf {

KvfStatus KvfInputStream::Open(const KvfInputSource& source) {
  if (source.buffer.data() == nullptr || source.buffer.empty() ||
      source.filled > source.buffer.size()) {
    return KvfStatus::invalidDataPointer;
  }
  source_ = source;
  bufferStart_ = 0;
  filled_ = source.filled;
  position_ = 0;
  return KvfStatus::ok;
}

KvfStatus KvfInputStream::Refill() {
  if (source_.fetch == nullptr) return KvfStatus::illegalEndOfFile;
  const std::uint32_t capacity = static_cast<std::uint32_t>(
      std::min<std::size_t>(source_.buffer.size(), std::numeric_limits<std::int32_t>::max()));
  const std::int32_t got = source_.fetch(source_.context, capacity);
  // A callback claiming more than the buffer holds is as broken as one reporting an error.
  if (got < 0 || static_cast<std::uint32_t>(got) > capacity) return KvfStatus::fetchFailed;
  if (got == 0) return KvfStatus::illegalEndOfFile;
  bufferStart_ += filled_;
  filled_ = static_cast<std::uint32_t>(got);
  position_ = 0;
  return KvfStatus::ok;
}

KvfStatus KvfInputStream::ReadBytes(std::span<std::uint8_t> destination) {
  while (!destination.empty()) {
    if (Available() == 0) KVF_RETURN_IF_ERROR(Refill());
    const std::size_t take = std::min<std::size_t>(Available(), destination.size());
    std::memcpy(destination.data(), source_.buffer.data() + position_, take);
    position_ += static_cast<std::uint32_t>(take);
    destination = destination.subspan(take);
  }
  return KvfStatus::ok;
}

KvfStatus KvfInputStream::ReadU8(std::uint8_t& value) {
  return ReadBytes(std::span(&value, 1));
}

KvfStatus KvfInputStream::ReadU16(std::uint16_t& value) {
  std::uint8_t bytes[2];
  KVF_RETURN_IF_ERROR(ReadBytes(bytes));
  value = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
  return KvfStatus::ok;
}

KvfStatus KvfInputStream::ReadU32(std::uint32_t& value) {
  std::uint8_t bytes[4];
  KVF_RETURN_IF_ERROR(ReadBytes(bytes));
  value = std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
          std::uint32_t{bytes[2]} << 8 | bytes[3];
  return KvfStatus::ok;
}

KvfStatus KvfInputStream::Skip(std::uint64_t count) {
  for (;;) {
    const std::uint32_t take =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(Available(), count));
    position_ += take;
    count -= take;
    if (count == 0) return KvfStatus::ok;
    KVF_RETURN_IF_ERROR(Refill());
  }
}

KvfStatus KvfInputStream::SeekForward(std::uint64_t count) {
  if (source_.seek == nullptr || count <= Available()) return Skip(count);
  // The file position stands just after the buffered bytes, which are all passed over.
  count -= Available();
  bufferStart_ += filled_ + count;
  filled_ = 0;
  position_ = 0;
  while (count > 0) {
    const std::int32_t step = static_cast<std::int32_t>(
        std::min<std::uint64_t>(count, std::numeric_limits<std::int32_t>::max()));
    if (source_.seek(source_.context, step) != 0) return KvfStatus::seekFailed;
    count -= static_cast<std::uint64_t>(step);
  }
  return KvfStatus::ok;
}

}  // namespace kvf
