// What the block coder is given for one code-block: its quantized coefficients and what of
// its band, tile-component and region of interest the coding and the distortion depend on.
#pragma once

#include <cstdint>

#include "common/CodeBlockStyle.h"

namespace quillon::jp2 {

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
  // Whether rate control looks at the passes (several layers or a target size). Without,
  // the coder skips the distortion and truncation estimates: every pass gets the whole
  // codeword's length and no distortion, and the codeword and its segments stay the same.
  bool ratePoints = true;
  // With rate points, a slope below which rate control takes no pass of the tile (0 when
  // none is known yet): the coder ends the block after a plane well below it.
  float slopeFloor = 0.0f;
};

}  // namespace quillon::jp2
