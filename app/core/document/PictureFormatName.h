// The names users know the picture formats by.
#pragma once

#include <string_view>

#include "core/document/PictureFormat.h"

namespace quillon {

// Empty for an unknown format.
constexpr std::string_view PictureFormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::Jpeg2000:
      return "JPEG 2000";
    case PictureFormat::Kvf:
      return "KVF";
    case PictureFormat::Bmp:
      return "BMP";
    case PictureFormat::Ppm:
      return "PPM";
    case PictureFormat::Pgm:
      return "PGM";
    case PictureFormat::Tiff:
      return "TIFF";
    case PictureFormat::Jpeg:
      return "JPEG";
    case PictureFormat::Png:
      return "PNG";
    case PictureFormat::Unknown:
      break;
  }
  return {};
}

}  // namespace quillon
