// The code-block coder: EBCOT tier 1 over the MQ coder. One block in, one
// codeword out with, for every coding pass, the truncation length rate control may cut the
// codeword at and the distortion reduction reached by then.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/MqStateTable.h"
#include "encoder/CodeBlockCoefficients.h"
#include "encoder/DistortionTables.h"
#include "encoder/MqEncoder.h"

namespace quillon::jp2 {

struct BlockCoderOutput {
  std::uint8_t planes = 0;     // P: significant bits of the largest magnitude
  std::uint8_t passCount = 0;  // 3P - 2, 0 for a block of zeros
  std::uint32_t length = 0;    // codeword bytes
  // Valid until the coder's next block: the caller copies it (CodewordPool).
  const std::uint8_t* codeword = nullptr;
  // Per pass, the last coded pass at index 0 and the first at passCount - 1: the cumulative
  // truncation length in bytes and the cumulative distortion reduction.
  std::uint32_t truncation[kMaxCodingPasses] = {};
  float distortion[kMaxCodingPasses] = {};
  // The lengths of the terminated codeword segments in coding order, when there are several
  // (terminate-each-pass, bypass); the passes each holds follow from EndsCodewordSegment.
  std::uint8_t segmentCount = 0;
  std::uint32_t segmentLengths[kMaxCodingPasses] = {};
};

// Per pass in coding order, the codeword bytes up to the end of each pass that ends a
// segment (the form CodedBlock keeps); false when the output has a single segment.
bool SegmentEnds(const BlockCoderOutput& out, std::uint8_t style, std::uint32_t* ends);

class BlockCoder {
 public:
  // Takes the workspace for the largest block; -1 when memory runs out.
  Status Init(const MemoryCallbacks& memory);
  Status Release();

  // Whether the passes use the processor's BMI2 and LZCNT instructions where it has them
  // (from Init on): the output is the same either way.
  void UseBitInstructions(bool use);

  // -8 for a block beyond 1024 columns or rows or 4096 coefficients or with a stride below
  // its width, -5 without samples, -100 before Init, -35 when the
  // magnitudes need more bit planes than the band's Mb and the region shift allow, -1 when the
  // codeword outgrows memory. A block of zeros has no passes.
  Status Code(const CodeBlockCoefficients& block, BlockCoderOutput* result);

 private:
  template <bool kRaw, bool kMeasure>
  struct Pass;

  int Prepare(const CodeBlockCoefficients& block);
  // Codes every pass; kMeasure: with the distortion and truncation estimates of each.
  template <bool kMeasure>
  void CodePlanes(const CodeBlockCoefficients& block, int planes, BlockCoderOutput* result);
  void CodePlanesWithBitInstructions(const CodeBlockCoefficients& block, int planes,
                                     BlockCoderOutput* result);
  // Opens the pass, and a new codeword segment of its kind after a terminated one.
  template <bool kRaw, bool kMeasure>
  Pass<kRaw, kMeasure> OpenPass(const DistortionTable& table, std::uint32_t plane);
  template <bool kRaw, bool kMeasure>
  void ClosePass(const Pass<kRaw, kMeasure>& pass);
  // Calls code(column states, column samples, rows) for every column of every stripe.
  template <typename ColumnFn>
  void ForEachColumn(ColumnFn&& code);
  template <bool kRaw, bool kMeasure>
  void SignificancePass(std::uint32_t plane);
  template <bool kRaw, bool kMeasure>
  void RefinementPass(std::uint32_t plane);
  template <bool kMeasure>
  void CleanupPass(std::uint32_t plane);
  void CodeSegmentationSymbol();
  // Records the pass at storage index: when measured its distortion and truncation length,
  // and when it ends a codeword segment that segment.
  template <bool kMeasure>
  void FinishPass(const CodeBlockCoefficients& block, std::uint32_t plane, int index,
                  BlockCoderOutput* result);
  // Terminates the segment ending with the pass at storage index and returns its length.
  std::int64_t CloseSegment(const CodeBlockCoefficients& block, bool raw, int index,
                            BlockCoderOutput* result);
  // Whether the plane just finished is so much shallower than the slope floor that neither
  // it nor any plane below can reach the file.
  bool PlaneBelowFloor(const CodeBlockCoefficients& block);
  // Makes the cleanup pass at storage index the block's last.
  void StopAfterCleanup(const CodeBlockCoefficients& block, int index, BlockCoderOutput* result);
  void EndSegment(bool raw, BlockCoderOutput* result);
  // Shortens the cuts of the arithmetic segment ending at storage index index, now that its
  // bytes are final.
  void ShortenSegmentCuts(int index, BlockCoderOutput* result);
  template <bool kMeasure>
  void FinishBlock(BlockCoderOutput* result);

  MemoryCallbacks memory_;
  OwnedBlock workspace_;
  std::uint32_t* samples_ = nullptr;  // stripe-interleaved, padded by a column and a stripe
  std::uint16_t* states_ = nullptr;   // the same layout
  std::uint32_t width_ = 0, height_ = 0, stripes_ = 0, stripeStride_ = 0;
  bool causal_ = false;
  bool bitInstructions_ = false;
  const std::uint8_t* zeroContexts_ = nullptr;
  const DistortionTable* significanceTable_ = nullptr;
  const DistortionTable* refinementTable_ = nullptr;
  // The distortion index bits that stand for the magnitude below plane 0: none for the exact
  // integers of the reversible path; for a quantization index, the midpoint of its interval,
  // where the coefficient lies on average and where the decoder reconstructs it.
  std::uint32_t belowPlaneZero_ = 0;
  std::int64_t passSum_ = 0;  // distortion table entries of the current pass
  double cumulative_ = 0.0;
  std::int64_t lastLength_ = 0;
  double planeStartDistortion_ = 0.0;  // cumulative_ and lastLength_ before the current plane
  std::int64_t planeStartLength_ = 0;
  bool planeBelowFloor_ = false;  // the last plane checked was below the floor
  bool segmentOpen_ = false;      // false after a terminated segment until the next pass
  int segmentFirstIndex_ = 0;     // storage index of the open segment's first pass
  MqIntervalEnd intervalEnds_[kMaxCodingPasses];  // per pass that ends no segment
  MqContext contexts_[kBlockContextCount];
  MqEncoder mq_;
  CodewordBuffer codeword_;
};

}  // namespace quillon::jp2
