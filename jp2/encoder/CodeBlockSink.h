// What the transform stage hands to the code-block coder: one code-block at a time, as soon
// as its last row exists, with the quantized coefficients of its area.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/BandQuantization.h"
#include "encoder/TileGeometry.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kSignBit = 0x80000000u;

struct CodeBlock {
  std::uint32_t tile = 0;
  int component = 0;
  int resolution = 0;
  BandOrientation band = kBandLL;
  Rect area;  // in band coordinates
  // area.Height() rows of area.Width() coefficients, stride apart: bit 31 the sign, bits 0 to
  // 30 the magnitude, shifted up by roiShift where a region of interest covers it.
  const std::uint32_t* coefficients = nullptr;
  std::uint32_t stride = 0;
  const BandQuantization* quantization = nullptr;
  std::uint8_t roiShift = 0;  // of the tile-component; 0 without regions
};

class CodeBlockSink {
 public:
  virtual ~CodeBlockSink() = default;
  // The block's coefficients stay valid until FinishCodeBlockRow returns, its quantization
  // until Flush returns: the blocks of one row of a band may be coded together, and while
  // the next rows are made.
  virtual Status TakeCodeBlock(const CodeBlock& block) = 0;
  // Ends a row of code-blocks of one band: every block of the row has been taken.
  virtual Status FinishCodeBlockRow() { return JP2_Success; }
  // Called once the tile's last row is handed over, before its memory goes: every block
  // taken has been coded when it returns.
  virtual Status Flush() { return JP2_Success; }
};

}  // namespace quillon::jp2
