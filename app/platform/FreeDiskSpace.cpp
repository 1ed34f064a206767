#include "platform/FreeDiskSpace.h"

#include <sys/statvfs.h>

namespace quillon {

std::optional<std::uint64_t> FreeDiskSpace::FreeBytes(const std::filesystem::path& target) const {
  std::error_code error;
  std::filesystem::path directory = target;
  if (!std::filesystem::is_directory(directory, error)) {
    directory = target.parent_path();
    if (directory.empty()) directory = ".";
  }
  struct statvfs info {};
  if (statvfs(directory.c_str(), &info) != 0) return std::nullopt;
  return std::uint64_t{info.f_bavail} * std::uint64_t{info.f_frsize};
}

}  // namespace quillon
