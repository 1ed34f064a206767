// Turns the colour slots that the JPEG 2000 row sink filled into the picture's blue, green,
// red: YCC by the JFIF equations, CMYK by subtracting from white, CIELab and ICC-tagged
// colour through Little CMS to sRGB. RGB and grey need nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/formats/jp2/Jpeg2000ColourPlan.h"
#include "core/picture/Picture.h"
#include "jp2.h"

namespace quillon {

struct DecodedColourSource {
  // The file's input profile, for RGB and CMYK data; empty when the file names none.
  std::vector<std::uint8_t> iccProfile;
  // The range and offset of CIELab samples; null fields take the usual defaults.
  JP2_LabParams lab{};
};

// Converts in place; `fourth` holds K for CMYK, top-down. A profile Little CMS cannot use is
// passed over, the colour then taken as plain RGB or CMYK.
void ConvertDecodedColour(Picture& picture, const Jp2ColourPlan& plan,
                          const std::vector<std::uint8_t>& fourth,
                          const DecodedColourSource& source);

// One pixel of the JFIF YCC to RGB equations, each result clamped to 0..255.
void YccToRgb(std::uint8_t y, std::uint8_t cb, std::uint8_t cr, std::uint8_t rgb[3]);

}  // namespace quillon
