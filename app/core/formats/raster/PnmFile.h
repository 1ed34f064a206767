// Portable grey maps and pixel maps (PGM, PPM), plain (ASCII) and raw (binary).
#pragma once

#include <filesystem>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"
#include "core/document/SaveOptions.h"

namespace quillon {

enum class PnmKind { Ppm, Pgm };

// Reads P2, P3, P5 and P6 files: P2 and P5 give an 8-bit grey ramp picture, P3 and P6 a
// 24-bit picture. Samples are scaled to 0..255 (rounded); samples above the maximum value
// count as the maximum. A maximum value above 255 shows message 115 first. Data that ends
// early or is not a number shows message 33013.
[[nodiscard]] bool ReadPnm(const std::filesystem::path& path, PictureDocument& document,
                           FileIoContext& context);

// Writes with maximum value 255. A PGM of a picture that is not grey shows message 33004 and
// stores 0.299 R + 0.587 G + 0.114 B. Checks the free space first (message 143).
[[nodiscard]] bool WritePnm(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context, PnmKind kind, PnmCoding coding);

}  // namespace quillon
