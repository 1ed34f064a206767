#include "common/CodecMemory.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace quillon::jp2 {
namespace {

void* HeapAllocate(std::uint32_t size, std::uintptr_t) {
  return std::malloc(size);
}

std::int32_t HeapRelease(void* block, std::uintptr_t) {
  std::free(block);
  return 0;
}

constexpr std::uint64_t kLargestRequest = std::numeric_limits<std::uint32_t>::max();

}  // namespace

MemoryCallbacks MemoryCallbacksOrDefaults(JP2_AllocCallback alloc, std::uintptr_t allocParam,
                                          JP2_FreeCallback release, std::uintptr_t freeParam) {
  MemoryCallbacks memory;
  memory.alloc = alloc != nullptr ? alloc : HeapAllocate;
  memory.allocParam = alloc != nullptr ? allocParam : 0;
  memory.release = release != nullptr ? release : HeapRelease;
  memory.freeParam = release != nullptr ? freeParam : 0;
  return memory;
}

std::uint64_t BlockLayout::Add(std::uint64_t count, std::uint64_t elementSize) {
  std::uint64_t bytes = 0;
  const std::uint64_t offset = size_;
  if (__builtin_mul_overflow(count, elementSize, &bytes) || bytes > kLargestRequest) {
    overflowed_ = true;
    return offset;
  }
  const std::uint64_t rounded = (bytes + kAlignmentSlack) & ~kAlignmentSlack;
  if (rounded > kLargestRequest - size_) {
    overflowed_ = true;
    return offset;
  }
  size_ += rounded;
  return offset;
}

Status AllocateUnfilled(const MemoryCallbacks& memory, std::uint64_t size, OwnedBlock* block) {
  *block = OwnedBlock{};
  if (size > kLargestRequest - kAlignmentSlack) return JP2_Error_OutOfMemory;
  void* raw = memory.alloc(static_cast<std::uint32_t>(size + kAlignmentSlack), memory.allocParam);
  if (raw == nullptr) return JP2_Error_OutOfMemory;
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (address + kAlignmentSlack) & ~std::uintptr_t{kAlignmentSlack};
  block->raw = raw;
  block->data = static_cast<std::uint8_t*>(raw) + (aligned - address);
  return JP2_Success;
}

Status AllocateUnfilled(const MemoryCallbacks& memory, const BlockLayout& layout,
                        OwnedBlock* block) {
  *block = OwnedBlock{};
  if (layout.Overflowed()) return JP2_Error_OutOfMemory;
  return AllocateUnfilled(memory, layout.Size(), block);
}

Status AllocateZeroed(const MemoryCallbacks& memory, std::uint64_t size, OwnedBlock* block) {
  JP2_RETURN_IF_ERROR(AllocateUnfilled(memory, size, block));
  if (size != 0) std::memset(block->data, 0, size);
  return JP2_Success;
}

Status AllocateZeroed(const MemoryCallbacks& memory, const BlockLayout& layout, OwnedBlock* block) {
  *block = OwnedBlock{};
  if (layout.Overflowed()) return JP2_Error_OutOfMemory;
  return AllocateZeroed(memory, layout.Size(), block);
}

Status Release(const MemoryCallbacks& memory, OwnedBlock* block) {
  if (block->empty()) return JP2_Success;
  const std::int32_t result = memory.release(block->raw, memory.freeParam);
  if (result != 0) return result;
  *block = OwnedBlock{};
  return JP2_Success;
}

Status ReplaceBlock(const MemoryCallbacks& memory, OwnedBlock* slot, OwnedBlock replacement) {
  const Status released = Release(memory, slot);
  if (!released.ok()) {
    static_cast<void>(Release(memory, &replacement));
    return released;
  }
  *slot = replacement;
  return JP2_Success;
}

}  // namespace quillon::jp2
