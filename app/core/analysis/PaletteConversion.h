// Conversion of a 24-bit picture to an 8-bit palette picture of at most 256 colours.
#pragma once

#include "core/picture/Picture.h"
#include "core/services/UiServices.h"

namespace quillon {

// Progress steps of the conversion besides one per row: histogram and palette.
inline constexpr int kPaletteProgressSteps = 268;
// Most distinct colours the median cut works on; more halve the sample range.
inline constexpr int kMaxHistogramColours = 32767;

// A picture of at most 256 distinct colours keeps them exactly: the palette holds them in
// ascending order of blue + 256 green + 65536 red. Any other picture goes through median cut
// and every pixel takes the nearest palette colour. `target` gets 8 bits, a palette of 256
// entries (unused ones black) and the source's size. `progress`, when given, runs over
// height + kPaletteProgressSteps steps. False when the source is not a non-empty 24-bit
// picture or memory runs out.
[[nodiscard]] bool ConvertToPalette(const Picture& source, Picture& target, Progress* progress);

}  // namespace quillon
