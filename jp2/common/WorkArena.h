// Carving a tile's working memory in two passes over the same sequence of requests: the
// first pass only sizes the block, the second hands out the sub-blocks of the allocation.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"

namespace quillon::jp2 {

class WorkArena {
 public:
  // A sizing arena: Take returns null and only counts.
  WorkArena() = default;
  // A carving arena over an allocation made from a sizing arena's layout.
  explicit WorkArena(std::uint8_t* base) : base_(base) {}

  template <typename T>
  T* Take(std::uint64_t count) {
    const std::uint64_t offset = layout_.Add(count, sizeof(T));
    return base_ == nullptr ? nullptr : reinterpret_cast<T*>(base_ + offset);
  }

  const BlockLayout& Layout() const { return layout_; }

 private:
  std::uint8_t* base_ = nullptr;
  BlockLayout layout_;
};

}  // namespace quillon::jp2
