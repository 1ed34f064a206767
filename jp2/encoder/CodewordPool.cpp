#include "encoder/CodewordPool.h"

#include <algorithm>
#include <cstring>

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kSmallestChunk = 65536;
constexpr std::uint64_t kHeaderBytes = (sizeof(void*) * 6 + kAlignmentSlack) & ~kAlignmentSlack;

}  // namespace

Status CodewordPool::Take(std::uint64_t length, std::uint64_t alignment, std::uint8_t** stored) {
  *stored = nullptr;
  const std::uint64_t slack = alignment - 1;
  const std::uint64_t start = newest_ == nullptr ? 0 : (newest_->used + slack) & ~slack;
  if (newest_ == nullptr || start > newest_->capacity || newest_->capacity - start < length) {
    const std::uint64_t capacity = std::max<std::uint64_t>(kSmallestChunk, 10ull * length);
    OwnedBlock block;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, kHeaderBytes + capacity, &block));
    static_assert(sizeof(Chunk) <= kHeaderBytes);
    auto* chunk = reinterpret_cast<Chunk*>(block.data);
    *chunk = Chunk{nullptr, block, capacity, 0};
    if (newest_ == nullptr) {
      first_ = chunk;
    } else {
      newest_->next = chunk;
    }
    newest_ = chunk;
    ++blockCount_;
  } else {
    newest_->used = start;
  }
  *stored = reinterpret_cast<std::uint8_t*>(newest_) + kHeaderBytes + newest_->used;
  newest_->used += length;
  return JP2_Success;
}

Status CodewordPool::Append(const std::uint8_t* bytes, std::uint32_t length,
                            const std::uint8_t** stored) {
  std::uint8_t* target = nullptr;
  *stored = nullptr;
  JP2_RETURN_IF_ERROR(Take(length, 1, &target));
  if (length != 0) std::memcpy(target, bytes, length);
  *stored = target;
  return JP2_Success;
}

Status CodewordPool::Release() {
  while (first_ != nullptr) {
    Chunk* next = first_->next;
    OwnedBlock block = first_->block;
    JP2_RETURN_IF_ERROR(jp2::Release(memory_, &block));
    first_ = next;
    --blockCount_;
  }
  newest_ = nullptr;
  return JP2_Success;
}

}  // namespace quillon::jp2
