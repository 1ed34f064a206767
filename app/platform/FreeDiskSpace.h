// Free space for an unprivileged user on the file system that holds a path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace quillon {

// `target` may be a file that does not exist yet: its directory is measured.
// Nothing when the file system cannot be asked.
std::optional<std::uint64_t> FreeDiskSpace(const std::filesystem::path& target);

}  // namespace quillon
