// A growable array of plain records in codec memory: capacity doubles from 8, every block
// comes from the caller's callbacks. Records are copied bytewise, so T must be trivially
// copyable; the array itself is valid when zero-filled.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "common/CodecMemory.h"
#include "jp2.h"

namespace quillon::jp2 {

template <typename T>
class CodecArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  std::uint32_t size() const { return count_; }
  T* data() { return reinterpret_cast<T*>(block_.data); }
  const T* data() const { return reinterpret_cast<const T*>(block_.data); }
  T& operator[](std::uint32_t index) { return data()[index]; }
  const T& operator[](std::uint32_t index) const { return data()[index]; }
  std::span<const T> view() const { return {data(), count_}; }

  // Inserts value before position index (index <= size()); -1 when memory runs out.
  Status Insert(const MemoryCallbacks& memory, std::uint32_t index, const T& value) {
    if (count_ == capacity_) JP2_RETURN_IF_ERROR(Grow(memory));
    T* records = data();
    std::memmove(records + index + 1, records + index, sizeof(T) * (count_ - index));
    records[index] = value;
    ++count_;
    return JP2_Success;
  }
  Status Append(const MemoryCallbacks& memory, const T& value) {
    return Insert(memory, count_, value);
  }

  Status Release(const MemoryCallbacks& memory) {
    JP2_RETURN_IF_ERROR(jp2::Release(memory, &block_));
    count_ = capacity_ = 0;
    return JP2_Success;
  }

 private:
  Status Grow(const MemoryCallbacks& memory) {
    const std::uint64_t capacity = capacity_ == 0 ? 8 : std::uint64_t{capacity_} * 2;
    if (capacity > UINT32_MAX / sizeof(T)) return JP2_Error_OutOfMemory;
    OwnedBlock grown;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, capacity * sizeof(T), &grown));
    if (count_ != 0) std::memcpy(grown.data, block_.data, sizeof(T) * count_);
    JP2_RETURN_IF_ERROR(ReplaceBlock(memory, &block_, grown));
    capacity_ = static_cast<std::uint32_t>(capacity);
    return JP2_Success;
  }

  OwnedBlock block_;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace quillon::jp2
