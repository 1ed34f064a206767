// The code-block decoder (tier 1): the MQ decoder and the three decoding passes with every
// code-block style, then reconstruction at the midpoint of what was not decoded, region of
// interest down-shift and dequantization, written as rows into the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/CodeBlockStyle.h"
#include "common/CodecMemory.h"
#include "decoder/CodeBlockSegments.h"

namespace quillon::jp2 {

// One code-block as the packet walk has gathered it.
struct CodeBlockInput {
  const std::uint8_t* data = nullptr;  // every layer's bytes, contiguous
  std::uint32_t length = 0;
  const CodewordSegment* segments = nullptr;  // in coding order
  std::uint32_t segmentCount = 0;
  std::int32_t passes = 0;         // passes received; below 1 the block decodes to zeros
  std::uint8_t zeroBitPlanes = 0;  // from the packet header
  std::uint8_t magnitudeBits = 0;  // Mb of the band
  std::uint8_t roiShift = 0;       // Maxshift s of the tile-component, 0 without regions
  std::uint8_t style = 0;          // CodeBlockStyle bits
  std::uint8_t orientation = 0;    // 0 LL, 1 HL, 2 LH, 3 HH
  std::uint32_t width = 0;         // at most 1024, width x height at most 4096
  std::uint32_t height = 0;
  float stepSize = 1.0f;  // the band's Delta (BandStepSize); irreversible blocks only
};

class BlockDecoder {
 public:
  // Takes the state for the largest code-block, reused by every block; -1 when memory runs out.
  Status Init(const MemoryCallbacks& memory);
  Status Release();

  // Decode writes height rows of width coefficients, row y at rows + y x stride. Reversible
  // (int32): sign x magnitude. Irreversible (float): sign x magnitude x stepSize. Whatever the
  // bytes, segments and counts claim, decoding succeeds, reads nothing outside data[0, length)
  // and uses no more passes than the segments hold and the bit planes allow; a block with
  // nothing to decode is all zeros. -8 for a block beyond 1024 columns or rows or 4096
  // coefficients or a stride below its width, -5 for null rows or null data with a length,
  // -100 before Init.
  Status Decode(const CodeBlockInput& in, std::int32_t* rows, std::size_t stride);
  Status Decode(const CodeBlockInput& in, float* rows, std::size_t stride);

 private:
  Status Check(const CodeBlockInput& in, const void* rows, std::size_t stride) const;
  // Runs the passes; returns the lowest plane decoded, or -1 when nothing was.
  int DecodePasses(const CodeBlockInput& in);

  MemoryCallbacks memory_;
  OwnedBlock workspace_;
  std::uint32_t* states_ = nullptr;      // per sample, stripe-column order with guards
  std::uint32_t* magnitudes_ = nullptr;  // the same layout
};

}  // namespace quillon::jp2
