// TIFF pictures read sample by sample: grey, RGB and palette files of 1 to 16 unsigned bits
// per sample, in strips or tiles, contiguous or planar, with or without opacity. What this
// reader does not take goes to libtiff's RGBA interface.
#pragma once

#include <tiffio.h>

#include <cstdint>

#include "core/picture/Picture.h"

namespace quillon {

class RowProgress;

// How the samples of a file this reader takes become a picture.
struct TiffSampleLayout {
  enum class Kind { Grey, Rgb, Palette } kind = Kind::Grey;
  std::uint16_t bits = 8;
  std::uint16_t samplesPerPixel = 1;
  bool planar = false;
  bool minIsWhite = false;
  int alphaSample = -1;        // index of the opacity sample, -1 for none
  bool premultiplied = false;  // colour samples hold colour times opacity
  std::uint32_t width = 0;
  std::uint32_t height = 0;

  // Palette files give 24-bit pictures, as through the RGBA interface.
  bool Colour() const { return kind != Kind::Grey; }
};

// The layout of the current directory when this reader takes it: unsigned samples of 1 to
// 16 bits, photometric min-is-white, min-is-black, RGB or palette with the samples they
// need, top-left orientation.
[[nodiscard]] bool TiffSampleLayoutOf(TIFF* tiff, TiffSampleLayout& layout);

// Reads the picture (created by the caller with the layout's size and depth) band by band.
// False when libtiff fails on a strip or tile, or when a band would take more memory than a
// file of `fileBytes` can justify.
[[nodiscard]] bool ReadTiffSamples(TIFF* tiff, const TiffSampleLayout& layout,
                                   std::uint64_t fileBytes, Picture& picture,
                                   RowProgress& progress);

}  // namespace quillon
