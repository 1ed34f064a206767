// A list of trivially copyable entries in codec memory that grows 32 entries at a time: a new
// block, the old entries copied, the old block released.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "common/CodecMemory.h"

namespace quillon::jp2 {

template <typename Entry>
class GrowingList {
  static_assert(std::is_trivially_copyable_v<Entry>);

 public:
  static constexpr std::uint32_t kGrowth = 32;

  // Appends a zeroed entry and returns it through *added; -1 when the list cannot grow.
  Status Append(const MemoryCallbacks& memory, Entry** added) {
    if (count_ == capacity_) {
      OwnedBlock grown;
      JP2_RETURN_IF_ERROR(
          AllocateZeroed(memory, std::uint64_t{capacity_ + kGrowth} * sizeof(Entry), &grown));
      if (count_ != 0) std::memcpy(grown.data, block_.data, std::uint64_t{count_} * sizeof(Entry));
      JP2_RETURN_IF_ERROR(ReplaceBlock(memory, &block_, grown));
      capacity_ += kGrowth;
    }
    *added = &Data()[count_++];
    return JP2_Success;
  }

  Status Release(const MemoryCallbacks& memory) {
    JP2_RETURN_IF_ERROR(jp2::Release(memory, &block_));
    count_ = capacity_ = 0;
    return JP2_Success;
  }

  std::uint32_t Count() const { return count_; }
  Entry* Data() { return reinterpret_cast<Entry*>(block_.data); }
  const Entry* Data() const { return reinterpret_cast<const Entry*>(block_.data); }
  Entry& operator[](std::uint32_t i) { return Data()[i]; }
  const Entry& operator[](std::uint32_t i) const { return Data()[i]; }

 private:
  OwnedBlock block_;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
};

}  // namespace quillon::jp2
