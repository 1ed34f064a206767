// The open pipeline's reader of JPEG 2000 files (JP2, JPX, raw codestream) over the codec's
// decoder: partial decoding at a byte budget, colour spaces, resolution, preview reduction.
#pragma once

#include <filesystem>
#include <optional>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/ProbeResult.h"
#include "core/document/ReadRequest.h"
#include "core/services/StringTable.h"

namespace quillon {

inline constexpr StringId kJp2CompressionInfo = 61224;  // "Compression:\t1:%.2f\nProgression:\t%s"
// Names of the progression orders in the probe text: quality, resolution, position, colour.
inline constexpr StringId kProgressionQuality = 61240;
inline constexpr StringId kProgressionResolution = 61241;
inline constexpr StringId kProgressionPosition = 61242;
inline constexpr StringId kProgressionColour = 61243;

// Decodes the file into the document's picture: 8-bit grey or 24-bit colour, samples of any
// depth scaled to 8 bits, the first colour channels of the file's colour space used and its
// opacity and extra channels left out. Decodes only the bytes of the loading options' budget
// when the request carries options; a preview is reduced to below 256 pixels a side. Sets
// resolution and compression ratio. A file the decoder refuses fails without a message of its
// own (the pipeline reports it as unsupported).
[[nodiscard]] bool ReadJpeg2000(const std::filesystem::path& path, PictureDocument& document,
                                FileIoContext& context, const OpenRequest& request);

// Size, the sum of the component depths, compression ratio and progression, for the open
// dialog.
std::optional<ProbeResult> ProbeJpeg2000(const std::filesystem::path& path,
                                         const StringTable& strings);

}  // namespace quillon
