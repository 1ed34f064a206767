// Median cut: chooses up to a given number of representative colours for a colour
// histogram by splitting the most populous box of colours at its pixel-count median.
#pragma once

#include <cstdint>
#include <vector>

#include "core/services/UiServices.h"

namespace quillon {

struct HistogramColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  std::uint32_t count = 0;  // pixels of this colour
};

struct PaletteColour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const PaletteColour&, const PaletteColour&) = default;
};

// Splits the histogram into at most `maxColours` boxes and returns the pixel-weighted mean of
// each, on the histogram's scale of 0 to `maxValue`. Boxes are kept ordered by pixel count,
// largest first; each split cuts the first box of two or more colours along the channel of
// largest luminance-weighted range (77 red, 150 green, 29 blue; ties go to red, then green)
// where the running pixel count first reaches half the box's count. Steps `progress` once
// per box made after the first.
std::vector<PaletteColour> MedianCutPalette(std::vector<HistogramColour> colours, int maxValue,
                                            int maxColours, Progress* progress);

}  // namespace quillon
