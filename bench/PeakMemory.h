// Allocation callbacks for the codec that track the live bytes and their peak.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>

namespace quillon::bench {

struct PeakMemory {
  std::map<void*, std::uint32_t> live;
  std::uint64_t current = 0;
  std::uint64_t peak = 0;

  static void* Allocate(std::uint32_t size, std::uintptr_t param) {
    auto* self = reinterpret_cast<PeakMemory*>(param);
    void* block = std::malloc(size);
    if (block == nullptr) return nullptr;
    self->live[block] = size;
    self->current += size;
    if (self->current > self->peak) self->peak = self->current;
    return block;
  }

  static std::int32_t Release(void* block, std::uintptr_t param) {
    auto* self = reinterpret_cast<PeakMemory*>(param);
    const auto found = self->live.find(block);
    if (found != self->live.end()) {
      self->current -= found->second;
      self->live.erase(found);
    }
    std::free(block);
    return 0;
  }

  std::uintptr_t Param() { return reinterpret_cast<std::uintptr_t>(this); }
};

}  // namespace quillon::bench
