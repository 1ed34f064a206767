// Allocation callbacks for codec tests: count every block, catch releases of unknown or
// already released blocks, fail chosen requests and hand out deliberately misaligned blocks.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>

#include "common/CodecMemory.h"
#include "jp2.h"

namespace quillon::jp2::test {

class CountingAllocator {
 public:
  // Allocation number failAt (counted from 0) returns null; -1 never.
  int failAt = -1;
  // Release number failReleaseAt returns releaseError instead of releasing; -1 never.
  int failReleaseAt = -1;
  std::int32_t releaseError = -77;
  // Bytes between the start of the heap block and the pointer handed out (0 to 15).
  std::uintptr_t misalignment = 0;

  int allocations = 0;
  std::uint32_t largest = 0;  // the largest request so far
  int releaseCalls = 0;
  int badReleases = 0;
  std::map<void*, std::uint32_t> live;  // handed-out pointer -> requested size

  ~CountingAllocator() {
    for (const auto& [block, size] : live) std::free(static_cast<char*>(block) - misalignment);
  }

  std::uintptr_t Param() { return reinterpret_cast<std::uintptr_t>(this); }

  static void* Allocate(std::uint32_t size, std::uintptr_t param) {
    auto* self = reinterpret_cast<CountingAllocator*>(param);
    if (self->allocations++ == self->failAt) return nullptr;
    if (size > self->largest) self->largest = size;
    char* raw = static_cast<char*>(std::malloc(size + self->misalignment));
    if (raw == nullptr) return nullptr;
    void* block = raw + self->misalignment;
    self->live[block] = size;
    return block;
  }

  static std::int32_t Release(void* block, std::uintptr_t param) {
    auto* self = reinterpret_cast<CountingAllocator*>(param);
    if (self->releaseCalls++ == self->failReleaseAt) return self->releaseError;
    const auto found = self->live.find(block);
    if (found == self->live.end()) {
      ++self->badReleases;
      return 0;
    }
    self->live.erase(found);
    std::free(static_cast<char*>(block) - self->misalignment);
    return 0;
  }

  // Callbacks for the codec's internal stages.
  MemoryCallbacks Callbacks() { return MemoryCallbacks{Allocate, Param(), Release, Param()}; }

  // Starts an encoder whose memory comes from this allocator.
  std::int32_t Start(CompressHandle* handle, std::int16_t components) {
    return JP2_Compress_Start(handle, Allocate, Param(), Release, Param(), components);
  }
};

}  // namespace quillon::jp2::test
