// Windows and OS/2 bitmap files: reading (from a file or from a BMP file image in memory,
// as paste and scanner import deliver it) and writing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"

namespace quillon {

// Reads 1, 4, 8, 16, 24 and 32-bit files (uncompressed, RLE8, RLE4, bit fields; 12, 40, 52,
// 56, 64, 108 and 124-byte info headers; top-down rows). Pictures below 16 bits become 8-bit
// palette pictures, the others 24 bits; opacity from an alpha bit field is composited over
// mid grey.
// Sets the document's compression ratio to raw size / file length. A bad header fails
// without a message; pixel data that ends early shows message 33013.
[[nodiscard]] bool ReadBmp(const std::filesystem::path& path, PictureDocument& document,
                           FileIoContext& context);

// The same reader over a BMP file image in memory; no progress, no compression ratio.
[[nodiscard]] bool ReadBmpMemory(std::span<const std::uint8_t> fileImage, PictureDocument& document,
                                 FileIoContext& context);

// Writes the picture with its header as held (bottom-up rows, the palette for 8 bits).
// Checks the free space first (message 143).
[[nodiscard]] bool WriteBmp(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context);

// The BMP file image of a picture, as WriteBmp writes it; empty when the picture is empty
// or too large for the format.
std::vector<std::uint8_t> BmpFileImage(const Picture& picture);

}  // namespace quillon
