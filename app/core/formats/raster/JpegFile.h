// JPEG/JFIF pictures through libjpeg.
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"

namespace quillon {

inline constexpr int kDefaultJpegQuality = 80;  // the "JPGQuality" setting's default

// One component gives an 8-bit grey ramp picture, three (and four, CMYK) give 24 bits; the
// resolution comes from the file's density in dots per inch or per centimetre, else 72 dpi.
// A file that cannot be opened shows message 151, a file libjpeg cannot decode 33013.
[[nodiscard]] bool ReadJpeg(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context);

// Baseline JFIF at `quality` (1..100): one grey component for grey 8-bit pictures, RGB
// otherwise. Too little free space asks with message 153; a file that cannot be created
// shows message 152.
[[nodiscard]] bool WriteJpeg(const std::filesystem::path& path, PictureDocument& document,
                             FileIoContext& context, int quality);

}  // namespace quillon
