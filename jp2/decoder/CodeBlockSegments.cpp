#include "decoder/CodeBlockSegments.h"

#include <limits>

namespace quillon::jp2 {
namespace {

// Whether the segment holding pass ends with it, the block's last pass still unknown.
bool SegmentEndsAfter(std::uint8_t style, std::uint32_t pass) {
  return pass >= static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
         EndsCodewordSegment(style, static_cast<int>(pass), std::numeric_limits<int>::max());
}

}  // namespace

std::uint32_t SplitNewPasses(std::uint8_t style, std::uint32_t passesBefore,
                             std::uint32_t newPasses, std::uint32_t* piecePasses) {
  std::uint32_t pieces = 0, inPiece = 0;
  for (std::uint32_t i = 0; i < newPasses; ++i) {
    ++inPiece;
    if (i + 1 == newPasses || SegmentEndsAfter(style, passesBefore + i)) {
      piecePasses[pieces++] = inPiece;
      inPiece = 0;
    }
  }
  return pieces;
}

bool AddSegmentPiece(std::uint8_t style, std::uint32_t passesBefore, CodewordSegment piece,
                     CodewordSegment* segments, std::uint32_t* segmentCount,
                     std::uint32_t capacity) {
  const bool continues =
      *segmentCount != 0 && passesBefore != 0 && !SegmentEndsAfter(style, passesBefore - 1);
  if (continues) {
    CodewordSegment& last = segments[*segmentCount - 1];
    last.passes += piece.passes;
    last.length += piece.length;
    return true;
  }
  if (*segmentCount >= capacity) return false;
  segments[(*segmentCount)++] = piece;
  return true;
}

}  // namespace quillon::jp2
