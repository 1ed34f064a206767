// Saving a document as a KVF file through the codec of kvf/kvf.h.
#pragma once

#include <cstdint>
#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/WriteRequest.h"

namespace quillon {

inline constexpr StringId kKvfTooLargeToSave = 127;  // "... up to 4096 x 4096 Pixel ..."
inline constexpr StringId kKvfSpaceShortage = 142;   // "Only %I64d bytes are available ..."
inline constexpr StringId kKvfSwitchToBaseline =
    126;  // "... too large for embedded compression ..."

// Work memory the codec may take for one picture before embedded coding gives way to
// baseline coding, which needs only a stripe at a time.
inline constexpr std::uint64_t kKvfWorkMemoryLimit = std::uint64_t{1} << 30;

// Refuses pictures above 4096 x 4096 pixels (message 127, nothing written). Grey pictures
// are coded as one component, all others as red, green, blue. When the target's file system
// has less room than the file may need, message 142 asks: Cancel ends the save, OK limits
// the file to the free space. Embedded coding that would need more than `workMemoryLimit`
// bytes (or more than there is) shows message 126 and codes in baseline mode instead. The
// file is written beside the target and renamed over it on success.
[[nodiscard]] bool WriteKvf(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context, const SaveRequest& request,
                            std::uint64_t workMemoryLimit = kKvfWorkMemoryLimit);

}  // namespace quillon
