// The clipboard: pictures go out as a BMP file ("image/bmp") and as PNG for other
// programs, and come in from either, the BMP file first.
#pragma once

#include "core/picture/Picture.h"

class wxImage;

namespace quillon {

class PictureDocAdapter;

inline constexpr const char* kBmpMimeType = "image/bmp";

// Puts the picture on the clipboard; false when the clipboard cannot be opened or the
// picture is empty.
bool CopyPicture(const Picture& picture);

// A new document from the clipboard's picture; null (and no window) when it holds none or
// none that can be read.
PictureDocAdapter* PastePicture();

// The picture of an image as a 24-bit picture; transparent pixels show as on white paper.
// False when the image is larger than the program takes in.
[[nodiscard]] bool PictureOfImage(const wxImage& image, Picture& picture);

}  // namespace quillon
