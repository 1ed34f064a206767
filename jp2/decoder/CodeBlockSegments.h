// A code-block's codeword segments as its packet headers describe them. Each layer's new
// passes come as pieces with one length each; a piece lengthens the block's last segment
// when that segment had not ended, else it opens a new one. Where segments end follows the
// style (EndsCodewordSegment): every pass with terminate-each-pass; with bypass the first ten
// passes, then every cleanup pass and every significance and refinement pair; otherwise one
// segment for all passes.
#pragma once

#include <cstdint>

#include "common/CodeBlockStyle.h"

namespace quillon::jp2 {

struct CodewordSegment {
  std::uint32_t passes = 0;
  std::uint32_t length = 0;  // bytes
};

// The tier-1 decoder uses no more passes than a 31-bit magnitude has, so no more segments.
inline constexpr std::uint32_t kMaxCodewordSegments = kMaxCodingPasses;

// Splits newPasses passes that follow passesBefore passes into the pieces the packet header
// gives one length each for, writing each piece's pass count to piecePasses (room for
// newPasses entries). Returns the number of pieces, 0 when newPasses is 0.
std::uint32_t SplitNewPasses(std::uint8_t style, std::uint32_t passesBefore,
                             std::uint32_t newPasses, std::uint32_t* piecePasses);

// Adds a piece that follows passesBefore passes to segments[0, *segmentCount): false, and
// nothing added, when it would need more than capacity segments.
bool AddSegmentPiece(std::uint8_t style, std::uint32_t passesBefore, CodewordSegment piece,
                     CodewordSegment* segments, std::uint32_t* segmentCount,
                     std::uint32_t capacity);

}  // namespace quillon::jp2
