// Free space of the file system that is to receive a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillon {

class DiskSpace {
 public:
  virtual ~DiskSpace() = default;
  // Bytes an unprivileged user may still write where `target` lies (the file need not
  // exist); nothing when the file system cannot be asked.
  virtual std::optional<std::uint64_t> FreeBytes(const std::filesystem::path& target) const = 0;
};

}  // namespace quillon
