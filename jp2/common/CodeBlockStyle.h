// What both directions know about a code-block's coding: the style bits of COD and COC,
// which passes are raw and where codeword segments end, the band kinds that pick the
// zero-coding contexts, and the size limits of a code-block.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

// Code-block style bits as in COD and COC.
enum CodeBlockStyle : std::uint8_t {
  kStyleBypass = 1,  // significance and refinement passes from the fifth plane on are raw
  kStyleResetContexts = 2,
  kStyleTerminateEachPass = 4,
  kStyleVerticallyCausal = 8,
  kStylePredictableTermination = 16,  // the encoder's full flush already is; decoding ignores it
  kStyleSegmentationSymbols = 32,
};

// Coding passes are numbered in coding order from 0, the cleanup pass of the top plane; then
// per plane significance (pass % 3 == 1), refinement (2) and cleanup (0).

// Whether the pass is coded without the arithmetic coder: with bypass, the significance and
// refinement passes after the first ten.
constexpr bool IsRawPass(std::uint8_t style, int pass) {
  return (style & kStyleBypass) != 0 && pass >= 10 && pass % 3 != 0;
}

// Whether the codeword segment is terminated after the pass: the block's last pass, every
// pass with terminate-each-pass, and with bypass the pass before a change between arithmetic
// and raw coding (every cleanup from the tenth pass on, and every raw refinement).
constexpr bool EndsCodewordSegment(std::uint8_t style, int pass, int passCount) {
  if (pass + 1 >= passCount || (style & kStyleTerminateEachPass) != 0) return true;
  return (style & kStyleBypass) != 0 && pass >= 9 && pass % 3 != 1;
}

// Zero-coding context sets: LL and LH share one, HL has it transposed, HH its own.
enum class BandKind : std::uint8_t { kLowOrVertical = 0, kHorizontal = 1, kDiagonal = 2 };

// orientation: 0 LL, 1 HL, 2 LH, 3 HH (the order of BandOrientation).
constexpr BandKind BandKindOf(int orientation) {
  return orientation == 1   ? BandKind::kHorizontal
         : orientation == 3 ? BandKind::kDiagonal
                            : BandKind::kLowOrVertical;
}

inline constexpr std::uint32_t kMaxCodeBlockSide = 1024;
inline constexpr std::uint32_t kMaxCodeBlockArea = 4096;

// Magnitudes are 31 bits; a block codes at most 3 x 31 - 2 passes.
inline constexpr int kMaxBitPlanes = 31;
inline constexpr int kMaxCodingPasses = 3 * kMaxBitPlanes - 2;

}  // namespace quillon::jp2
