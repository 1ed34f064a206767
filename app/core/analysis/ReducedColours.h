// The distinct colours of a 24-bit picture at a sample depth that keeps their number small.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/analysis/MedianCutPalette.h"
#include "core/picture/Picture.h"

namespace quillon {

// The colours of `source` at 8 bits per sample, or at fewer bits when there are more than
// `maxColours` (at most 65535): each halving of the sample range (255, 127, 63 ...) shifts every
// sample right by one more bit, until at most `maxColours` remain. The colours are numbered from
// 0 in ascending order of red, then green, then blue.
class ReducedColours {
 public:
  // Throws std::bad_alloc.
  ReducedColours(const Picture& source, std::size_t maxColours);

  int Depth() const { return depth_; }
  int MaxValue() const { return (1 << depth_) - 1; }
  std::size_t Count() const { return count_; }

  // The number of a pixel's colour (its blue, green, red bytes); the pixel is one of the
  // picture's.
  std::size_t NumberOf(const std::uint8_t* pixel) const {
    return numbers_[KeyOf(pixel[2] >> shift_, pixel[1] >> shift_, pixel[0] >> shift_)];
  }
  // The colours in the order of their numbers, on the scale of 0 to MaxValue().
  std::vector<PaletteColour> Colours() const;

 private:
  std::uint32_t KeyOf(int red, int green, int blue) const {
    return (std::uint32_t(red) << (2 * depth_)) | (std::uint32_t(green) << depth_) |
           std::uint32_t(blue);
  }

  int depth_ = 8;
  int shift_ = 0;
  std::vector<std::uint64_t> bits_;  // one bit per colour at the depth
  // The number of each colour, indexed by KeyOf; only the entries of the picture's colours
  // are written, so only the memory pages they fall in are ever touched.
  std::unique_ptr<std::uint16_t[]> numbers_;
  std::size_t count_ = 0;
};

}  // namespace quillon
