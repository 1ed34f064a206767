#include "kvf/KvfOutputStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kvf {

KvfStatus KvfOutputStream::Open(const KvfOutputTarget& target) {
  if (target.buffer.data() == nullptr || target.buffer.empty() ||
      target.buffer.size() > std::numeric_limits<std::uint32_t>::max()) {
    return KvfStatus::invalidDataPointer;
  }
  target_ = target;
  bufferStart_ = 0;
  used_ = 0;
  end_ = 0;
  return KvfStatus::ok;
}

std::uint64_t KvfOutputStream::End() const {
  return std::max(end_, Position());
}

KvfStatus KvfOutputStream::Flush() {
  if (target_.flush == nullptr || used_ == 0) return KvfStatus::ok;
  if (target_.flush(target_.context, used_) != 0) return KvfStatus::flushFailed;
  end_ = End();
  bufferStart_ += used_;
  used_ = 0;
  return KvfStatus::ok;
}

KvfStatus KvfOutputStream::MakeRoom() {
  if (used_ < target_.buffer.size()) return KvfStatus::ok;
  if (target_.flush == nullptr) return KvfStatus::resultSizeTooSmall;
  return Flush();
}

KvfStatus KvfOutputStream::PutBytes(std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    KVF_RETURN_IF_ERROR(MakeRoom());
    const std::size_t take = std::min<std::size_t>(target_.buffer.size() - used_, bytes.size());
    std::memcpy(target_.buffer.data() + used_, bytes.data(), take);
    used_ += static_cast<std::uint32_t>(take);
    bytes = bytes.subspan(take);
  }
  return KvfStatus::ok;
}

KvfStatus KvfOutputStream::PutZeros(std::uint64_t count) {
  while (count > 0) {
    KVF_RETURN_IF_ERROR(MakeRoom());
    const std::size_t take = std::min<std::uint64_t>(target_.buffer.size() - used_, count);
    std::memset(target_.buffer.data() + used_, 0, take);
    used_ += static_cast<std::uint32_t>(take);
    count -= take;
  }
  return KvfStatus::ok;
}

KvfStatus KvfOutputStream::PutU8(std::uint8_t value) {
  return PutBytes(std::span(&value, 1));
}

KvfStatus KvfOutputStream::PutU16(std::uint16_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value)};
  return PutBytes(bytes);
}

KvfStatus KvfOutputStream::PutU32(std::uint32_t value) {
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
      static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
  return PutBytes(bytes);
}

KvfStatus KvfOutputStream::SeekBy(std::int64_t offset) {
  while (offset != 0) {
    const std::int64_t limit = std::numeric_limits<std::int32_t>::max();
    const std::int64_t step = std::clamp(offset, -limit, limit);
    if (target_.seek(target_.context, static_cast<std::int32_t>(step)) != 0) {
      return KvfStatus::seekFailed;
    }
    offset -= step;
  }
  return KvfStatus::ok;
}

KvfStatus KvfOutputStream::SeekToStart() {
  if (!CanRevisitStart()) return KvfStatus::internalError;
  end_ = End();
  if (target_.flush == nullptr) {
    used_ = 0;  // the whole file is in the buffer
    return KvfStatus::ok;
  }
  KVF_RETURN_IF_ERROR(Flush());
  KVF_RETURN_IF_ERROR(SeekBy(-static_cast<std::int64_t>(bufferStart_)));
  bufferStart_ = 0;
  return KvfStatus::ok;
}

KvfStatus KvfOutputStream::SeekToEnd() {
  if (!CanRevisitStart()) return KvfStatus::internalError;
  const std::uint64_t end = End();
  if (target_.flush == nullptr) {
    used_ = static_cast<std::uint32_t>(end);
    return KvfStatus::ok;
  }
  KVF_RETURN_IF_ERROR(Flush());
  KVF_RETURN_IF_ERROR(SeekBy(static_cast<std::int64_t>(end - bufferStart_)));
  bufferStart_ = end;
  return KvfStatus::ok;
}

}  // namespace kvf
