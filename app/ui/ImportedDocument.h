// A new document window for a picture that arrived in memory (pasted or scanned).
#pragma once

#include <cstdint>
#include <span>

namespace quillon {

class PictureDocAdapter;

// Makes a new document, reads the BMP file image into it and finishes the picture as an
// imported one; the view fits itself and the tool windows follow. A picture the BMP reader
// refuses leaves no window behind. Returns the document, or null.
PictureDocAdapter* OpenImportedPicture(std::span<const std::uint8_t> bmpFileImage);

}  // namespace quillon
