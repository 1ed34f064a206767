#include "decoder/InputSource.h"

#include <algorithm>
#include <cstring>

namespace quillon::jp2 {

struct InputSource::CacheBlock {
  std::uint8_t data[kCacheBlockSize];
  OwnedBlock next;
};

Status InputSource::Open(const MemoryCallbacks& memory, JP2_ReadCallback read,
                         std::uintptr_t param) {
  read_ = read;
  param_ = param;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, sizeof(CacheBlock), &first_));
  last_ = reinterpret_cast<CacheBlock*>(first_.data);
  blocks_ = 1;
  recent_ = last_;
  recentIndex_ = 0;
  cached_ = kCacheBlockSize - ReadThrough(0, kCacheBlockSize, last_->data);
  return JP2_Success;
}

Status InputSource::Close(const MemoryCallbacks& memory) {
  while (!first_.empty()) {
    const OwnedBlock next = reinterpret_cast<CacheBlock*>(first_.data)->next;
    JP2_RETURN_IF_ERROR(Release(memory, &first_));
    first_ = next;
    --blocks_;
  }
  last_ = recent_ = nullptr;
  blocks_ = cached_ = 0;
  return JP2_Success;
}

std::span<const std::uint8_t> InputSource::FirstBlock() const {
  if (first_.empty()) return {};
  return {first_.data, static_cast<std::size_t>(std::min<std::uint64_t>(cached_, kCacheBlockSize))};
}

std::uint32_t InputSource::ReadThrough(std::uint64_t offset, std::uint32_t count,
                                       std::uint8_t* destination) {
  if (read_ == nullptr || offset >= kReadableLimit) return count;
  const auto reachable =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(count, kReadableLimit - offset));
  const std::int32_t returned =
      reachable == 0 ? 0
                     : read_(destination, static_cast<std::uint32_t>(offset), reachable, param_);
  const std::uint32_t delivered =
      returned <= 0 ? 0 : std::min(static_cast<std::uint32_t>(returned), reachable);
  highWater_ = std::max(highWater_, offset + delivered);
  return count - delivered;
}

InputSource::CacheBlock* InputSource::BlockAt(std::uint64_t index) {
  if (recent_ == nullptr || index < recentIndex_) {
    recent_ = reinterpret_cast<CacheBlock*>(first_.data);
    recentIndex_ = 0;
  }
  while (recentIndex_ < index) {
    recent_ = reinterpret_cast<CacheBlock*>(recent_->next.data);
    ++recentIndex_;
  }
  return recent_;
}

std::uint32_t InputSource::Read(std::uint64_t offset, std::uint32_t count,
                                std::uint8_t* destination) {
  std::uint32_t done = 0;
  if (caching_) {
    while (done < count && offset + done < cached_) {
      const std::uint64_t at = offset + done;
      const CacheBlock* block = BlockAt(at / kCacheBlockSize);
      const std::uint64_t within = at % kCacheBlockSize;
      const auto piece = static_cast<std::uint32_t>(
          std::min({std::uint64_t{count - done}, kCacheBlockSize - within, cached_ - at}));
      std::memcpy(destination + done, block->data + within, piece);
      done += piece;
    }
    highWater_ = std::max(highWater_, offset + done);
  }
  if (done == count) return 0;
  return ReadThrough(offset + done, count - done, destination + done);
}

Status InputSource::LoadAll(const MemoryCallbacks& memory) {
  if (first_.empty()) return JP2_Error_Internal;
  for (;;) {
    if (cached_ > blocks_ * std::uint64_t{kCacheBlockSize}) return JP2_Error_Internal;
    if (cached_ == blocks_ * std::uint64_t{kCacheBlockSize}) {
      OwnedBlock next;
      JP2_RETURN_IF_ERROR(AllocateZeroed(memory, sizeof(CacheBlock), &next));
      last_->next = next;
      last_ = reinterpret_cast<CacheBlock*>(next.data);
      ++blocks_;
    }
    const auto within = static_cast<std::uint32_t>(cached_ % kCacheBlockSize);
    const std::uint32_t wanted = kCacheBlockSize - within;
    const std::uint32_t missing = ReadThrough(cached_, wanted, last_->data + within);
    cached_ += wanted - missing;
    if (missing != 0) return JP2_Success;
  }
}

}  // namespace quillon::jp2
