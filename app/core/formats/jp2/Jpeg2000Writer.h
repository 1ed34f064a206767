// Saving a document as JPEG 2000 through the encoder of libquillon-jp2.
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/WriteRequest.h"

namespace quillon {

// Grey 8-bit pictures become one grey component, palette pictures saved lossless one
// component with their palette, all others three RGB components; two-level pictures are
// coded with one bit per sample. The file is written beside the target and renamed over it
// on success, so a failed save leaves an existing file as it was. Shows the palette warning
// when a palette picture is saved by compression rate with warnings on. On failure the
// context's failure details hold the encoder's text for its error (or the system's for a
// failed write).
[[nodiscard]] bool WriteJpeg2000(const std::filesystem::path& path, PictureDocument& document,
                                 FileIoContext& context, const SaveRequest& request);

}  // namespace quillon
