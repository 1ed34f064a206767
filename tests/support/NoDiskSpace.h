// A file system that cannot be asked for its free space: saves and opens go on regardless.
#pragma once

#include "core/services/DiskSpace.h"

namespace quillon::test {

struct NoDiskSpace final : DiskSpace {
  std::optional<std::uint64_t> FreeBytes(const std::filesystem::path&) const override {
    return std::nullopt;
  }
};

}  // namespace quillon::test
