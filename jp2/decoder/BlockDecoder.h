// The code-block decoder (tier 1): the MQ decoder and the three decoding passes with every
// code-block style, then reconstruction at the midpoint of what was not decoded, region of
// interest down-shift and dequantization, written as rows into the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/CodeBlockStyle.h"
#include "common/CodecMemory.h"
#include "decoder/CodeBlockSegments.h"
#include "decoder/MqDecoder.h"

namespace quillon::jp2 {

// One code-block as the packet walk has located it and its bytes were read.
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

  // Decode writes height rows of width coefficients, row y at rows + y x stride.
  // Magnitudes are taken to the middle of what the undecoded planes leave open, per
  // coefficient (after a significance pass, coefficients it did not reach lack that plane).
  // Reversible (int32): sign x magnitude, exact when every plane was decoded. Irreversible
  // (float): sign x (magnitude + 1/2) x stepSize when every plane was decoded, the middle of
  // the quantization interval. Region coefficients (above 2^s - 1) are shifted down by s.
  // Whatever the bytes, segments and counts claim, decoding succeeds, reads nothing outside
  // data[0, length) and uses no more passes than the segments hold and the bit planes allow;
  // a block with nothing to decode, or with bit planes (Mb + s - zero bit-planes) outside 1
  // to 31, is all zeros. -8 for a block beyond 1024 columns or rows or 4096 coefficients or
  // a stride below its width, -5 for null rows or null data with a length, -100 before Init.
  Status Decode(const CodeBlockInput& in, std::int32_t* rows, std::size_t stride);
  Status Decode(const CodeBlockInput& in, float* rows, std::size_t stride);

 private:
  Status Check(const CodeBlockInput& in, const void* rows, std::size_t stride) const;
  void Prepare(const CodeBlockInput& in);
  // Runs the passes the input allows; returns how many ran.
  int DecodePasses(const CodeBlockInput& in, int planes);
  // Starts a segment over [begin, end) in the mode of pass.
  void StartSegment(int pass, const std::uint8_t* begin, const std::uint8_t* end);
  void RunPass(int pass, int planes);
  template <typename Source>
  void SignificancePass(Source& source, std::uint32_t plane);
  template <typename Source>
  void RefinementPass(Source& source, std::uint32_t plane);
  void CleanupPass(std::uint32_t plane);
  template <typename Value>
  void Reconstruct(const CodeBlockInput& in, int planes, int passes, Value* rows,
                   std::size_t stride) const;
  // Reconstruct without regions, a column's four rows side by side: row y of the block at
  // rows + y x stride, coefficient(column's samples, column's word) giving the column's values.
  template <typename Value, typename CoefficientFn>
  void ReconstructRows(Value* rows, std::size_t stride, CoefficientFn coefficient) const;
  template <typename Value>
  Status DecodeInto(const CodeBlockInput& in, Value* rows, std::size_t stride);

  MemoryCallbacks memory_;
  OwnedBlock workspace_;
  // Per stripe column its word and its four samples (ColumnFlags.h), the decoded bits as sign
  // (bit 31) and magnitude, with a guard column on either side and a guard stripe above and
  // below.
  std::uint32_t* columns_ = nullptr;
  std::uint32_t width_ = 0, height_ = 0;
  std::uint8_t style_ = 0;
  bool causal_ = false;
  const std::uint8_t* zeroContexts_ = nullptr;
  bool rawSegment_ = false;
  MqDecoder mq_;
  RawBitReader raw_;
  MqDecoderContext contexts_[kBlockContextCount];
};

}  // namespace quillon::jp2
