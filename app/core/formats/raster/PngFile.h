// PNG pictures through libpng.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"

namespace quillon {

inline constexpr int kDefaultPngCompression = 6;       // the "SavePNGCompression" setting's default
inline constexpr StringId kPngNotReadMessage = 33014;  // "The file '%s' couldn´t be read: %s"
inline constexpr StringId kPngNotWrittenMessage = 33015;  // "The file '%s' couldn´t be written: %s"

// Every colour type and bit depth, interlaced or not. Grey files (with or without opacity)
// give an 8-bit grey ramp picture, palette files an 8-bit palette picture, colour files 24
// bits; 16-bit samples are rounded to 8 bits and opacity is composited over mid grey. The
// resolution comes from the pHYs chunk. A file libpng refuses shows message 33014 with its
// reason. Sets the document's compression ratio to raw size / file length.
[[nodiscard]] bool ReadPng(const std::filesystem::path& path, PictureDocument& document,
                           FileIoContext& context);

// The same reader over a file image in memory; `name` is shown in messages; no progress,
// no compression ratio.
[[nodiscard]] bool ReadPngMemory(std::span<const std::uint8_t> fileImage, const std::string& name,
                                 PictureDocument& document, FileIoContext& context);

// 8-bit grey for grey pictures, an 8-bit palette for other 8-bit pictures, 8-bit RGB for 24
// bits, with the resolution; `level` is zlib's compression level (0..9). Too little free
// space asks with message 153; libpng's errors show message 33015.
[[nodiscard]] bool WritePng(const std::filesystem::path& path, PictureDocument& document,
                            FileIoContext& context, int level);

}  // namespace quillon
