// Pictures that arrive in memory instead of from a file (pasted, scanned): the BMP file image
// around a packed device-independent bitmap, and what such a picture becomes once read.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/document/FileIoContext.h"
#include "core/document/PictureDocument.h"

namespace quillon {

// Largest packed bitmap taken from the clipboard or a scanner.
inline constexpr std::uint64_t kMaxImportBytes = std::uint64_t{1} << 31;

// The BMP file image of a packed bitmap (info header, palette, pixels): a 14-byte file
// header in front, the pixels found after the palette (biClrUsed entries, or 2 to the power
// of the bit count when that is 0 below 16 bits, and the three masks of a 40-byte header
// with bit fields). Empty when the header is not a plausible info header or the sizes do
// not fit the block.
std::vector<std::uint8_t> BmpFileImageOfPackedDib(std::span<const std::uint8_t> dib);

// "image/bmp" as other programs offer it is either a whole BMP file or a packed bitmap.
std::vector<std::uint8_t> BmpFileImageOfClipboardBmp(std::span<const std::uint8_t> data);

// Reads a BMP file image into the document with the BMP reader, then finishes it as an
// imported picture. False (the document's picture may be empty) when the reader refuses it.
[[nodiscard]] bool ReadImportedPicture(std::span<const std::uint8_t> bmpFileImage,
                                       PictureDocument& document, FileIoContext& context);

// A 24-bit picture whose pixels are all grey becomes an 8-bit grey ramp picture; the file
// size becomes the raw size of the picture, since there is no file.
void FinishImportedPicture(PictureDocument& document);

}  // namespace quillon
