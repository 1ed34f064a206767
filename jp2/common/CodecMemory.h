// Codec memory: every block comes from the caller's allocation callback, asks for 15 bytes
// more than it needs and is used from its first 16-byte boundary on, so that sub-blocks
// carved at multiples of 16 are aligned whatever alignment the callback gives.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "jp2.h"

namespace quillon::jp2 {

struct MemoryCallbacks {
  JP2_AllocCallback alloc = nullptr;
  std::uintptr_t allocParam = 0;
  JP2_FreeCallback release = nullptr;
  std::uintptr_t freeParam = 0;
};

// Null callbacks become the internal heap functions, each with parameter 0.
MemoryCallbacks MemoryCallbacksOrDefaults(JP2_AllocCallback alloc, std::uintptr_t allocParam,
                                          JP2_FreeCallback release, std::uintptr_t freeParam);

// raw is what the allocation callback returned, data its first 16-byte boundary.
struct OwnedBlock {
  void* raw = nullptr;
  std::uint8_t* data = nullptr;

  bool empty() const { return raw == nullptr; }
};

inline constexpr std::uint64_t kSubBlockAlignment = 16;
inline constexpr std::uint64_t kAlignmentSlack = kSubBlockAlignment - 1;

// Sizes one allocation made of sub-blocks that each start at a multiple of 16 bytes.
class BlockLayout {
 public:
  // Returns the offset of a new sub-block of count elements of elementSize bytes.
  std::uint64_t Add(std::uint64_t count, std::uint64_t elementSize);
  std::uint64_t Size() const { return size_; }
  bool Overflowed() const { return overflowed_; }

 private:
  std::uint64_t size_ = 0;
  bool overflowed_ = false;
};

// Allocates size bytes (plus the alignment slack) and zero-fills them; -1 when the callback
// returns null or the request does not fit its 32-bit size.
Status AllocateZeroed(const MemoryCallbacks& memory, std::uint64_t size, OwnedBlock* block);
Status AllocateZeroed(const MemoryCallbacks& memory, const BlockLayout& layout, OwnedBlock* block);
// As AllocateZeroed, but the bytes are left as the callback gives them: for blocks that are
// written before they are read, so that their pages are first touched where they are filled.
Status AllocateUnfilled(const MemoryCallbacks& memory, std::uint64_t size, OwnedBlock* block);
Status AllocateUnfilled(const MemoryCallbacks& memory, const BlockLayout& layout,
                        OwnedBlock* block);

// Releases a block (an empty one is left alone) and empties it on success; the callback's
// non-zero result is returned unchanged and the block kept.
Status Release(const MemoryCallbacks& memory, OwnedBlock* block);

// Releases the block in *slot and puts replacement in its place. When that release fails,
// *slot keeps the old block, the replacement is released and the error returned.
Status ReplaceBlock(const MemoryCallbacks& memory, OwnedBlock* slot, OwnedBlock replacement);

}  // namespace quillon::jp2
