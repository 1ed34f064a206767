// Free space for an unprivileged user on the file system that holds a path (statvfs).
#pragma once

#include "core/services/DiskSpace.h"

namespace quillon {

class FreeDiskSpace final : public DiskSpace {
 public:
  std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& target) const override;
};

}  // namespace quillon
