// The open pipeline's reader of KVF files of versions 0 and 1, over the legacy library.
#pragma once

#include <filesystem>
#include <optional>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/ProbeResult.h"
#include "core/document/ReadRequest.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kLegacyKvfProbeInfo = 154;  // "Korvel %s\nFilter: %24.24s\n..."

// Decodes the file into the document's picture (24 bits for three channels, else 8-bit
// grey), only up to the loading options' quality (1 to 15) or rate when they say so; a
// preview reads at most the first 20 KB. An unreadable header fails silently; decoder errors
// are reported.
[[nodiscard]] bool ReadKvfLegacy(const std::filesystem::path& path, PictureDocument& document,
                                 FileIoContext& context, const OpenRequest& request);

// Size, depth, version, filter name and ratio from the header, for the open dialog.
std::optional<ProbeResult> ProbeKvfLegacy(const std::filesystem::path& path,
                                          const StringTable& strings);

}  // namespace quillon
