// The five work buffers the KVF codec asks for, allocated as it sizes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "kvf/kvf.h"

namespace quillon {

class KvfWorkBuffers {
 public:
  // False when the sizes add up to more than `limit` bytes or memory runs out.
  [[nodiscard]] bool Allocate(KvfWorkspace& workspace, std::uint64_t limit = UINT64_MAX) {
    std::uint64_t total = 0;
    for (std::uint32_t size : workspace.sizes) total += size;
    if (total > limit) return false;
    for (int i = 0; i < KVF_WORK_BUFFERS; ++i) {
      memory_[i].reset();
      workspace.buffers[i] = nullptr;
      if (workspace.sizes[i] == 0) continue;
      memory_[i].reset(new (std::nothrow) std::byte[workspace.sizes[i]]);
      if (!memory_[i]) return false;
      workspace.buffers[i] = memory_[i].get();
    }
    return true;
  }

 private:
  std::array<std::unique_ptr<std::byte[]>, KVF_WORK_BUFFERS> memory_;
};

}  // namespace quillon
