// Conversion of a colour picture to an 8-bit grey ramp picture.
#pragma once

#include <cstdint>

#include "core/picture/Picture.h"
#include "core/services/UiServices.h"

namespace quillon {

// The grey value of a colour in integer arithmetic, truncating: (77 R + 150 G + 29 B) >> 8.
constexpr std::uint8_t GreyOf(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
  return static_cast<std::uint8_t>((77 * red + 150 * green + 29 * blue) >> 8);
}

// Writes the grey of every pixel of `source` (24 bits, or 8 bits through its palette) into
// `target`, an 8-bit grey ramp picture of the same size. Steps `progress` once per row when
// given. False when the source is empty or memory runs out.
[[nodiscard]] bool ConvertToGrey(const Picture& source, Picture& target, Progress* progress);

}  // namespace quillon
