// The open pipeline's reader of current KVF files (version 2) over the codec's interface:
// password prompt, preview scaling, partial decoding and the reader's own messages.
#pragma once

#include <filesystem>
#include <optional>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/ProbeResult.h"
#include "core/document/ReadRequest.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kKvfQualityWithoutPassword = 131;  // "... a quality of %d %%."
inline constexpr StringId kKvfWrongPassword = 132;           // "The given password is wrong."
inline constexpr StringId kKvfColourModeUnsupported = 237;   // "This color modell is not ..."
inline constexpr StringId kKvfLoadError = 33008;  // "An Error occured during loading ..."
inline constexpr StringId kKvfAnimated = 33021;   // "Cannot show animated wavelet images"

// Decodes the file into the document's picture: grey modes into 8-bit grey, colour modes into
// 24 bits, in part when the request's loading options say so, at most 200-odd pixels a side
// for a preview. A protected file asks for its password (not in a preview); without one it
// opens at the quality free to all. Sets resolution, compression ratio and, when a password
// was given, the protection block. Reports its failures itself.
[[nodiscard]] bool ReadKvfCurrent(const std::filesystem::path& path, PictureDocument& document,
                                  FileIoContext& context, const OpenRequest& request);

// Size and colour depth from the header, for the open dialog.
std::optional<ProbeResult> ProbeKvfCurrent(const std::filesystem::path& path,
                                           const StringTable& strings);

}  // namespace quillon
