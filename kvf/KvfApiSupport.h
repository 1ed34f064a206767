// What the entry points of kvf.h share: the interface tag check, the caller's work buffers
// as the core sees them, password text and the conversion of core results to codes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "kvf/KvfStatus.h"
#include "kvf/KvfWorkBuffers.h"
#include "kvf/kvf.h"

namespace kvf {

inline std::int16_t Code(KvfStatus status) {
  return static_cast<std::int16_t>(status);
}

inline bool TagIsRight(const KvfWorkspace* workspace) {
  return workspace != nullptr && workspace->tag == KVF_INTERFACE_TAG;
}

// The five buffers with their reported sizes; a missing buffer is empty.
inline KvfWorkBuffers BuffersOf(const KvfWorkspace& workspace) {
  KvfWorkBuffers buffers;
  for (std::size_t i = 0; i < kKvfWorkBufferCount; ++i) {
    auto* start = static_cast<std::byte*>(workspace.buffers[i]);
    buffers[i] =
        start != nullptr ? std::span<std::byte>(start, workspace.sizes[i]) : std::span<std::byte>();
  }
  return buffers;
}

inline void StoreSizes(const KvfBufferSizes& sizes, KvfWorkspace& workspace) {
  for (std::size_t i = 0; i < kKvfWorkBufferCount; ++i) workspace.sizes[i] = sizes[i];
}

// The counting characters of a password record, which need not hold a NUL.
inline std::string_view PasswordText(const KvfPassword* password) {
  if (password == nullptr) return {};
  return {password->text, strnlen(password->text, sizeof password->text)};
}

}  // namespace kvf
