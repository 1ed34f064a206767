// What the block coder is given for one code-block: its quantized coefficients and what of
// its band, tile-component and region of interest the coding and the distortion depend on.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

// Code-block style bits as in COD and COC.
enum CodeBlockStyle : std::uint8_t {
  kStyleBypass = 1,  // significance and refinement passes from the fifth plane on are raw
  kStyleResetContexts = 2,
  kStyleTerminateEachPass = 4,
  kStyleVerticallyCausal = 8,
  kStylePredictableTermination = 16,  // accepted; every termination is the same full flush
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

struct CodeBlockCoefficients {
  // height rows of width coefficients, stride apart: bit 31 the sign, bits 0 to 30 the
  // magnitude (already shifted up where a region of interest covers it).
  const std::uint32_t* samples = nullptr;
  std::uint32_t stride = 0;
  std::uint32_t width = 0;  // at most 1024, width x height at most 4096
  std::uint32_t height = 0;
  BandKind band = BandKind::kLowOrVertical;
  std::uint8_t style = 0;          // CodeBlockStyle bits
  bool reversible = true;          // selects the lossless distortion tables
  std::uint8_t magnitudeBits = 0;  // Mb of the band
  std::uint8_t roiShift = 0;       // s of the tile-component, 0 without regions
  std::uint8_t enhance = 10;       // region enhancement strength E, 0 to 10
  double weight = 1.0;             // distortion weight of the band
};

}  // namespace quillon::jp2
