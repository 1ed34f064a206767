// A lower bound on the rate-distortion slope down to which rate control fills a tile, known
// while the tile is still being coded: when the passes of the code-blocks coded so far that
// are at least as steep as some slope already need more bytes than the tile's budget, the
// fill stops above that slope whatever the other blocks hold. The block coder need not code
// the planes that lie clearly below it, as no layer would take them.
#pragma once

#include <cstdint>

#include "encoder/CodedBlock.h"

namespace quillon::jp2 {

class SlopeFloor {
 public:
  // Counts the bytes of each hull segment of a coded block under its slope.
  void Add(const CodedBlock& block);

  // The bound for a budget in bytes; 0 while the blocks so far fit into it.
  float Below(std::uint64_t budget) const;

 private:
  // Positive floats ordered by their exponent and top three mantissa bits: eight bins per
  // octave, and a slope never lands in a bin whose lower edge is above it.
  static constexpr int kBins = 2048;
  std::uint64_t bytes_[kBins] = {};
};

}  // namespace quillon::jp2
