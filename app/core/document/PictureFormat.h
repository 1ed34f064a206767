// Code of the format a document was read from or is saved as.
#pragma once

namespace quillon {

enum class PictureFormat : int {
  Unknown = 0,
  Jpeg2000 = 2,
  Kvf = 3,
  Bmp = 4,
  Ppm = 5,
  Pgm = 6,
  Tiff = 7,
  Jpeg = 8,
  Png = 9,
};

}  // namespace quillon
