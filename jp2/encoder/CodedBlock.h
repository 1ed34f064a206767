// What rate control and packet formation need of one coded code-block: its passes with their
// truncation lengths and hull slopes, its codeword, and which passes each layer takes.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

inline constexpr int kMaxLayers = 31;

struct CodedBlock {
  // From the block coder and the convex hull, one entry per pass in coding order. slopes are
  // positive at hull points and 0 at removed points. lengths are the cumulative truncation
  // lengths, never decreasing and exact at every hull point; a point taken at a hull point
  // carries the removed points behind it that have its length, so a removed point either has
  // its own true length or that of the hull point before it.
  std::uint16_t passCount = 0;
  std::uint8_t zeroBitPlanes = 0;  // Mb + ROI shift - P
  std::uint8_t style = 0;          // code-block style: where codeword segments end
  const std::uint32_t* lengths = nullptr;
  const float* slopes = nullptr;
  // Per pass, the codeword bytes up to the end of the pass where it ends a segment
  // (EndsCodewordSegment); exact, unlike lengths where the hull merged passes. Null when the
  // style gives one segment only.
  const std::uint32_t* segmentEnds = nullptr;
  const std::uint8_t* codeword = nullptr;

  // Rate state: passes taken so far, and after each layer.
  std::uint16_t included = 0;
  std::uint16_t layerEnd[kMaxLayers] = {};
  std::uint8_t lblock = 3;

  std::uint32_t LengthAfter(std::uint16_t passes) const {
    return passes == 0 ? 0 : lengths[passes - 1];
  }
  std::uint16_t PassesBefore(int layer) const { return layer == 0 ? 0 : layerEnd[layer - 1]; }
  // First layer with passes, or layers when none.
  int FirstLayer(int layers) const {
    for (int l = 0; l < layers; ++l) {
      if (layerEnd[l] != 0) return l;
    }
    return layers;
  }
};

}  // namespace quillon::jp2
