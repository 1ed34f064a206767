#include "encoder/BlockCoder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "common/BlockContexts.h"
#include "common/StripeLayout.h"
#include "encoder/ShortestCut.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
// Shifts by a register count without tying up CL (BMI2) and a one-cycle leading-zero count
// (LZCNT): the MQ coder's renormalisation does both on every decision. The portable build
// targets processors without them, so the passes are compiled a second time for the
// processors that have them and picked at run time; integer code only, so both compilations
// give the same bytes.
#define QUILLON_BIT_INSTRUCTIONS [[gnu::target("bmi,bmi2,lzcnt")]]
#else
#define QUILLON_BIT_INSTRUCTIONS
#endif

namespace quillon::jp2 {
namespace {

bool ProcessorHasBitInstructions() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return false;
  const bool bmi = (ebx & (1u << 3)) != 0 && (ebx & (1u << 8)) != 0;
  if (__get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx) == 0) return false;
  return bmi && (ecx & (1u << 5)) != 0;
#else
  return false;
#endif
}

constexpr std::uint64_t kColumnSignificant = 0x0001000100010001ull * kSignificant;
constexpr std::uint64_t kColumnVisited = 0x0001000100010001ull * kVisited;
constexpr std::uint64_t kColumnLanes = 0x0001000100010001ull;

constexpr std::uint32_t kMagnitude = 0x7FFFFFFF;
constexpr std::uint32_t kInitialCodewordCapacity = 16384;

// How far below the slope floor a plane must lie for the coder to stop after it.
constexpr double kFloorMargin = 0.5;

std::uint64_t LoadColumn(const std::uint16_t* column) {
  std::uint64_t value;
  std::memcpy(&value, column, sizeof(value));
  return value;
}

void StoreColumn(std::uint16_t* column, std::uint64_t value) {
  std::memcpy(column, &value, sizeof(value));
}

// The distortion index: seven magnitude bits from the plane down, the bits below plane 0
// taken from fill (bit 5 the first of them).
inline std::uint32_t DistortionIndex(std::uint32_t sample, std::uint32_t plane,
                                     std::uint32_t fill) {
  const std::uint64_t bits = (std::uint64_t{sample & kMagnitude} << 6) | fill;
  return static_cast<std::uint32_t>(bits >> plane) & 0x7F;
}

// One stripe column's states held in a register while a pass codes it, and what its newly
// significant coefficients tell the columns west and east of it in the same stripe. Store
// writes the three back as whole words: the next column's word load then never meets
// narrower stores still in flight, which would stall it.
struct ColumnUpdate {
  std::uint64_t self;
  std::uint64_t west = 0;
  std::uint64_t east = 0;

  std::uint16_t State(std::uint32_t row) const {
    return static_cast<std::uint16_t>(self >> (16 * row));
  }

  // Marks the coefficient in row (0 to 3) significant and tells its eight neighbours; the
  // neighbours in the stripes above and below are told in memory, with vertically causal
  // contexts not the stripe above.
  void BecomeSignificant(std::uint16_t* column, std::uint32_t row, std::uint32_t negative,
                         std::uint32_t stripeStride, bool causal) {
    const std::uint16_t signs = negative != 0 ? 0xFFFF : 0;
    // Lanes for the rows above, at and below the coefficient, placed at row - 1.
    const auto lanes = [](std::uint64_t above, std::uint64_t at, std::uint64_t below) {
      return above | at << 16 | below << 32;
    };
    const auto place = [row](std::uint64_t around) {
      return row == 0 ? around >> 16 : around << (16 * (row - 1));
    };
    self |= place(
        lanes(kSouth | (signs & kSouthNegative), kSignificant, kNorth | (signs & kNorthNegative)));
    west |= place(lanes(kSouthEast, kEast | (signs & kEastNegative), kNorthEast));
    east |= place(lanes(kSouthWest, kWest | (signs & kWestNegative), kNorthWest));
    if (row == 0 && !causal) {
      std::uint16_t* north = column - stripeStride + 3;
      north[0] |= kSouth | (signs & kSouthNegative);
      north[-4] |= kSouthEast;
      north[4] |= kSouthWest;
    }
    if (row == 3) {
      std::uint16_t* south = column + stripeStride;
      south[0] |= kNorth | (signs & kNorthNegative);
      south[-4] |= kNorthEast;
      south[4] |= kNorthWest;
    }
  }

  void Store(std::uint16_t* column) const {
    StoreColumn(column, self);
    StoreColumn(column - 4, LoadColumn(column - 4) | west);
    StoreColumn(column + 4, LoadColumn(column + 4) | east);
  }
};

// True when each of the four coefficients of a column has one of the flags.
inline bool EveryLaneHas(std::uint64_t column, std::uint16_t flags) {
  std::uint64_t any = 0;
  for (int bit = 12; bit < 15; ++bit) {
    if ((flags >> bit) & 1) any |= column >> bit;
  }
  return (any & kColumnLanes) == kColumnLanes;
}

}  // namespace

Status BlockCoder::Init(const MemoryCallbacks& memory) {
  memory_ = memory;
  UseBitInstructions(true);
  JP2_RETURN_IF_ERROR(AllocateStripeArrays(memory_, &workspace_, &states_, &samples_));
  return codeword_.Reserve(memory_, kInitialCodewordCapacity);
}

void BlockCoder::UseBitInstructions(bool use) {
  static const bool available = ProcessorHasBitInstructions();
  bitInstructions_ = use && available;
}

Status BlockCoder::Release() {
  JP2_RETURN_IF_ERROR(codeword_.Release(memory_));
  JP2_RETURN_IF_ERROR(jp2::Release(memory_, &workspace_));
  samples_ = nullptr;
  states_ = nullptr;
  return JP2_Success;
}

int BlockCoder::Prepare(const CodeBlockCoefficients& block) {
  width_ = block.width;
  height_ = block.height;
  stripes_ = (height_ + 3) / 4;
  stripeStride_ = (width_ + 2) * 4;
  const std::uint64_t entries = StripeLayoutEntries(width_, height_);
  std::memset(states_, 0, entries * sizeof(std::uint16_t));
  std::uint32_t any = 0;
  const std::uint32_t fullStripes = height_ / 4;
  for (std::uint32_t s = 0; s < fullStripes; ++s) {
    // The four rows of a stripe at once, which the compiler interleaves in vector registers.
    const std::uint32_t* row = block.samples + std::uint64_t{4 * s} * block.stride;
    const std::uint32_t* row1 = row + block.stride;
    const std::uint32_t* row2 = row1 + block.stride;
    const std::uint32_t* row3 = row2 + block.stride;
    std::uint32_t* out = samples_ + (s + 1) * stripeStride_ + 4;
    for (std::uint32_t x = 0; x < width_; ++x) {
      out[4 * x] = row[x];
      out[4 * x + 1] = row1[x];
      out[4 * x + 2] = row2[x];
      out[4 * x + 3] = row3[x];
      any |= row[x] | row1[x] | row2[x] | row3[x];
    }
  }
  for (std::uint32_t y = 4 * fullStripes; y < height_; ++y) {
    const std::uint32_t* row = block.samples + std::uint64_t{y} * block.stride;
    std::uint32_t* out = samples_ + (y / 4 + 1) * stripeStride_ + 4 + (y & 3);
    for (std::uint32_t x = 0; x < width_; ++x) {
      out[4 * x] = row[x];
      any |= row[x];
    }
  }
  return std::bit_width(any & kMagnitude);
}

// What the inner loops of one pass work with, held in locals for the length of the pass so
// that the MQ registers stay out of memory. A raw pass writes its decisions as plain bits; a
// measured one sums the distortion reductions.
template <bool kRaw, bool kMeasure>
struct BlockCoder::Pass {
  MqEncoder* mq;
  MqEncoder::Registers r;
  MqContext* contexts;
  const std::uint8_t* zero;
  const DistortionTable* table;
  std::uint32_t stride;
  std::uint32_t plane;
  bool causal;
  std::uint32_t fill;
  std::int64_t sum = 0;  // distortion table entries of the coded coefficients

  void Encode(int context, std::uint32_t bit) {
    if constexpr (kRaw) {
      mq->PutRaw(r, bit);
    } else {
      mq->Encode(r, contexts[context], bit);
    }
  }

  // Codes the sign of a coefficient that has just turned significant and marks it so.
  void CodeSign(ColumnUpdate& update, std::uint16_t* column, std::uint32_t row,
                std::uint32_t sample, std::uint16_t state) {
    if constexpr (kRaw) {
      mq->PutRaw(r, sample >> 31);
    } else {
      const std::uint8_t sign = kContextTables.sign[SignIndex(state)];
      Encode(sign >> 1, (sample >> 31) ^ (sign & 1));
    }
    update.BecomeSignificant(column, row, sample >> 31, stride, causal);
    Measure(sample);
  }

  // Adds the distortion reduction of a coded coefficient when the pass is measured.
  void Measure(std::uint32_t sample) {
    if constexpr (kMeasure) sum += (*table)[DistortionIndex(sample, plane, fill)];
  }

  // Codes whether an insignificant coefficient turns significant in this plane.
  void CodeZero(ColumnUpdate& update, std::uint16_t* column, std::uint32_t row,
                std::uint32_t sample, std::uint16_t state) {
    const std::uint32_t bit = (sample >> plane) & 1;
    Encode(zero[state & kNeighbours], bit);
    if (bit != 0) CodeSign(update, column, row, sample, state);
  }
};

template <bool kRaw, bool kMeasure>
BlockCoder::Pass<kRaw, kMeasure> BlockCoder::OpenPass(const DistortionTable& table,
                                                      std::uint32_t plane) {
  if (!segmentOpen_) {
    if (kRaw) {
      mq_.StartRaw();
    } else {
      mq_.Restart();
    }
    segmentOpen_ = true;
  }
  return {&mq_,          mq_.Load(), contexts_, zeroContexts_,  &table,
          stripeStride_, plane,      causal_,   belowPlaneZero_};
}

template <bool kRaw, bool kMeasure>
void BlockCoder::ClosePass(const Pass<kRaw, kMeasure>& pass) {
  mq_.Store(pass.r);
  passSum_ += pass.sum;
}

template <typename ColumnFn>
void BlockCoder::ForEachColumn(ColumnFn&& code) {
  ForEachStripeColumn(states_, static_cast<const std::uint32_t*>(samples_), width_, height_, code);
}

template <bool kRaw, bool kMeasure>
[[gnu::flatten]] void BlockCoder::SignificancePass(std::uint32_t plane) {
  Pass<kRaw, kMeasure> pass = OpenPass<kRaw, kMeasure>(*significanceTable_, plane);
  ForEachColumn([&pass](std::uint16_t* column, const std::uint32_t* samples, auto rows) {
    const std::uint64_t states = LoadColumn(column);
    if (states == 0 || EveryLaneHas(states, kSignificant)) return;
    ColumnUpdate update{states};
    ForEachRow(rows, [&](std::uint32_t row) {
      const std::uint16_t state = update.State(row);
      if ((state & kSignificant) != 0 || (state & kNeighbours) == 0) return;
      pass.CodeZero(update, column, row, samples[row], state);
      update.self |= std::uint64_t{kVisited} << (16 * row);
    });
    update.Store(column);
  });
  ClosePass(pass);
}

template <bool kRaw, bool kMeasure>
[[gnu::flatten]] void BlockCoder::RefinementPass(std::uint32_t plane) {
  Pass<kRaw, kMeasure> pass = OpenPass<kRaw, kMeasure>(*refinementTable_, plane);
  ForEachColumn([&pass](std::uint16_t* column, const std::uint32_t* samples, auto rows) {
    // Lanes significant before this plane: the pass changes neither flag, so the set holds
    // for the whole column, and a column refined in every row needs no test per row.
    const std::uint64_t states = LoadColumn(column);
    const std::uint64_t refine = (states >> 12) & ~(states >> 14) & kColumnLanes;
    if (refine == 0) return;
    if (refine == kColumnLanes && EveryLaneHas(states, kRefined)) {
      // Refined in an earlier plane in every row: one context, and no state changes.
      ForEachRow(rows, [&](std::uint32_t row) {
        const std::uint32_t sample = samples[row];
        pass.Encode(kRefinementContextBase + 2, (sample >> pass.plane) & 1);
        pass.Measure(sample);
      });
      return;
    }
    const auto code = [&](std::uint32_t row) {
      const std::uint16_t state = column[row];
      const std::uint32_t refined = (state >> 13) & 1;
      const std::uint32_t neighbours = (state & kNeighbours) != 0 ? 1 : 0;
      const int context =
          kRefinementContextBase + static_cast<int>((refined << 1) | (neighbours & (refined ^ 1)));
      const std::uint32_t sample = samples[row];
      pass.Encode(context, (sample >> pass.plane) & 1);
      column[row] = state | kRefined;
      pass.Measure(sample);
    };
    if (refine == kColumnLanes) {
      ForEachRow(rows, code);
    } else {
      // The lanes to refine one after the other: a test per row would guess wrong often.
      for (std::uint64_t lanes = refine; lanes != 0; lanes &= lanes - 1) {
        code(static_cast<std::uint32_t>(std::countr_zero(lanes)) / 16);
      }
    }
  });
  ClosePass(pass);
}

template <bool kMeasure>
[[gnu::flatten]] void BlockCoder::CleanupPass(std::uint32_t plane) {
  Pass<false, kMeasure> pass = OpenPass<false, kMeasure>(*significanceTable_, plane);
  ForEachColumn([&pass](std::uint16_t* column, const std::uint32_t* samples, auto rows) {
    const std::uint64_t states = LoadColumn(column);
    if (EveryLaneHas(states, kSignificant | kVisited)) {
      StoreColumn(column, states & ~kColumnVisited);
      return;
    }
    ColumnUpdate update{states};
    std::uint32_t first = 0;  // the first row coded one by one
    if (rows == 4 && states == 0) {
      // Run-length mode: one symbol for a column staying insignificant, else the position
      // of its first new significant coefficient.
      if ((((samples[0] | samples[1] | samples[2] | samples[3]) >> pass.plane) & 1) == 0) {
        pass.Encode(kRunLengthContext, 0);
        return;
      }
      std::uint32_t row = 0;
      while (((samples[row] >> pass.plane) & 1) == 0) ++row;
      pass.Encode(kRunLengthContext, 1);
      pass.Encode(kUniformContext, row >> 1);
      pass.Encode(kUniformContext, row & 1);
      pass.CodeSign(update, column, row, samples[row], 0);
      first = row + 1;
    }
    ForEachRow(rows, [&](std::uint32_t row) {
      const std::uint16_t state = update.State(row);
      if (row >= first && (state & (kSignificant | kVisited)) == 0) {
        pass.CodeZero(update, column, row, samples[row], state);
      }
    });
    update.self &= ~kColumnVisited;
    update.Store(column);
  });
  ClosePass(pass);
}

void BlockCoder::CodeSegmentationSymbol() {
  for (const std::uint32_t bit : {1u, 0u, 1u, 0u}) mq_.Encode(contexts_[kUniformContext], bit);
}

template <bool kMeasure>
void BlockCoder::FinishPass(const CodeBlockCoefficients& block, std::uint32_t plane, int index,
                            BlockCoderOutput* result) {
  const int pass = result->passCount - 1 - index;
  const bool raw = IsRawPass(block.style, pass);
  if constexpr (!kMeasure) {
    if (EndsCodewordSegment(block.style, pass, result->passCount)) EndSegment(raw, result);
    if ((block.style & kStyleResetContexts) != 0) ResetBlockContexts(contexts_);
    return;
  }
  // Background planes below the region shift weigh more the weaker the enhancement.
  std::uint32_t exponent = plane;
  if (plane < block.roiShift) {
    exponent += (10u - std::min<std::uint8_t>(block.enhance, 10)) * block.roiShift / 10;
  }
  cumulative_ += static_cast<double>(passSum_) * std::ldexp(1.0, 2 * static_cast<int>(exponent)) *
                 block.weight;
  passSum_ = 0;
  result->distortion[index] = static_cast<float>(cumulative_);

  std::int64_t length = 0;
  if (EndsCodewordSegment(block.style, pass, result->passCount)) {
    length = CloseSegment(block, raw, index, result);
  } else {
    length = std::max(lastLength_, raw ? mq_.RawTruncationEstimate() : mq_.TruncationEstimate());
    intervalEnds_[index] = mq_.IntervalEnd();
  }
  lastLength_ = length;
  result->truncation[index] = static_cast<std::uint32_t>(length);
  if ((block.style & kStyleResetContexts) != 0) ResetBlockContexts(contexts_);
}

std::int64_t BlockCoder::CloseSegment(const CodeBlockCoefficients& block, bool raw, int index,
                                      BlockCoderOutput* result) {
  EndSegment(raw, result);
  // Earlier estimates never reach into the next segment.
  for (int i = index + 1; i < result->passCount; ++i) {
    result->truncation[i] = std::min<std::uint32_t>(result->truncation[i], mq_.Length());
  }
  // The reversible path keeps the running estimates, and so lossless files their bytes.
  if (!raw && !block.reversible) ShortenSegmentCuts(index, result);
  segmentFirstIndex_ = index - 1;
  return mq_.Length();
}

bool BlockCoder::PlaneBelowFloor(const CodeBlockCoefficients& block) {
  const double reduction = cumulative_ - planeStartDistortion_;
  const double bytes = static_cast<double>(lastLength_ - planeStartLength_);
  planeStartDistortion_ = cumulative_;
  planeStartLength_ = lastLength_;
  // A plane's slope is about a quarter of the one above it, but the first planes of a block
  // can be shallow, even of negative reduction, with steep ones below: only a second plane
  // in a row below the floor, itself well below it, ends the block.
  const bool before = planeBelowFloor_;
  planeBelowFloor_ = bytes > 0 && reduction < block.slopeFloor * bytes;
  return before && reduction > 0 && reduction < kFloorMargin * block.slopeFloor * bytes;
}

void BlockCoder::StopAfterCleanup(const CodeBlockCoefficients& block, int index,
                                  BlockCoderOutput* result) {
  const int pass = result->passCount - 1 - index;
  if (!EndsCodewordSegment(block.style, pass, result->passCount)) {
    result->truncation[index] =
        static_cast<std::uint32_t>(CloseSegment(block, false, index, result));
  }
  // The passes coded keep their order, now ending at index 0.
  result->passCount = static_cast<std::uint8_t>(pass + 1);
  std::copy_n(result->truncation + index, pass + 1, result->truncation);
  std::copy_n(result->distortion + index, pass + 1, result->distortion);
}

void BlockCoder::ShortenSegmentCuts(int index, BlockCoderOutput* result) {
  std::uint32_t shortest = 0;
  for (int i = segmentFirstIndex_; i > index; --i) {
    shortest = std::max(shortest, ShortestCut(codeword_.Bytes(), mq_.Length(), intervalEnds_[i],
                                              result->truncation[i]));
    result->truncation[i] = shortest;
  }
}

void BlockCoder::EndSegment(bool raw, BlockCoderOutput* result) {
  const std::uint32_t before = mq_.Length();
  if (raw) {
    mq_.TerminateRaw();
  } else if (!mq_.Untouched()) {
    mq_.Terminate();
  }
  result->segmentLengths[result->segmentCount++] = mq_.Length() - before;
  segmentOpen_ = false;
}

bool SegmentEnds(const BlockCoderOutput& out, std::uint8_t style, std::uint32_t* ends) {
  std::uint32_t end = 0;
  for (int p = 0, s = 0; p < out.passCount && s < out.segmentCount; ++p) {
    if (EndsCodewordSegment(style, p, out.passCount)) {
      end += out.segmentLengths[s++];
      ends[p] = end;
    }
  }
  return out.segmentCount != 0;
}

template <bool kMeasure>
void BlockCoder::FinishBlock(BlockCoderOutput* result) {
  const std::uint32_t length = mq_.Length();
  const std::uint8_t* bytes = codeword_.Bytes();
  if constexpr (kMeasure) {
    for (int i = 1; i < result->passCount; ++i) {
      std::uint32_t& cut = result->truncation[i];
      cut = std::min(cut, length);
      // A cut must not end in a byte the decoder would take for the start of a marker.
      for (;;) {
        if (cut >= 1 && bytes[cut - 1] == 0xFF) {
          cut -= 1;
        } else if (cut >= 2 && bytes[cut - 1] == 0x7F && bytes[cut - 2] == 0xFF) {
          cut -= 2;
        } else {
          break;
        }
      }
    }
  } else {
    std::fill_n(result->truncation, result->passCount, length);
    std::fill_n(result->distortion, result->passCount, 0.0f);
  }
  // One segment needs no list of segment lengths.
  if (result->segmentCount == 1) result->segmentCount = 0;
  result->truncation[0] = length;
  result->length = length;
  result->codeword = bytes;
}

Status BlockCoder::Code(const CodeBlockCoefficients& block, BlockCoderOutput* result) {
  result->planes = 0;
  result->passCount = 0;
  result->length = 0;
  result->segmentCount = 0;
  result->codeword = codeword_.Bytes();
  if (block.width > kMaxCodeBlockSide || block.height > kMaxCodeBlockSide ||
      std::uint64_t{block.width} * block.height > kMaxCodeBlockArea) {
    return JP2_Error_ValueOutOfRange;
  }
  if (block.width == 0 || block.height == 0) return JP2_Success;
  if (block.stride < block.width) return JP2_Error_ValueOutOfRange;
  if (block.samples == nullptr) return JP2_Error_NullArgument;
  if (samples_ == nullptr) return JP2_Error_Internal;  // Init has not succeeded
  const int planes = Prepare(block);
  if (planes == 0) return JP2_Success;
  if (planes > block.magnitudeBits + block.roiShift) return JP2_Error_Limit;

  causal_ = (block.style & kStyleVerticallyCausal) != 0;
  zeroContexts_ = kContextTables.zero[static_cast<int>(block.band)];
  significanceTable_ = block.reversible ? &kSignificanceLossless : &kSignificanceLossy;
  refinementTable_ = block.reversible ? &kRefinementLossless : &kRefinementLossy;
  belowPlaneZero_ = block.reversible ? 0 : kMidpointBelowPlaneZero;
  passSum_ = 0;
  cumulative_ = 0.0;
  lastLength_ = 0;
  planeStartDistortion_ = 0.0;
  planeStartLength_ = 0;
  planeBelowFloor_ = false;
  ResetBlockContexts(contexts_);
  mq_.Start(&codeword_, &memory_);
  segmentOpen_ = true;

  result->planes = static_cast<std::uint8_t>(planes);
  result->passCount = static_cast<std::uint8_t>(3 * planes - 2);
  segmentFirstIndex_ = result->passCount - 1;
  if (bitInstructions_) {
    CodePlanesWithBitInstructions(block, planes, result);
  } else if (block.ratePoints) {
    CodePlanes<true>(block, planes, result);
  } else {
    CodePlanes<false>(block, planes, result);
  }
  if (mq_.Failed()) return JP2_Error_OutOfMemory;
  return JP2_Success;
}

template <bool kMeasure>
void BlockCoder::CodePlanes(const CodeBlockCoefficients& block, int planes,
                            BlockCoderOutput* result) {
  const bool segmentation = (block.style & kStyleSegmentationSymbols) != 0;
  for (int plane = planes - 1; plane >= 0; --plane) {
    const auto p = static_cast<std::uint32_t>(plane);
    if (plane != planes - 1) {
      const bool raw = IsRawPass(block.style, 3 * (planes - 1 - plane) - 2);
      if (raw) {
        SignificancePass<true, kMeasure>(p);
      } else {
        SignificancePass<false, kMeasure>(p);
      }
      FinishPass<kMeasure>(block, p, 3 * plane + 2, result);
      if (raw) {
        RefinementPass<true, kMeasure>(p);
      } else {
        RefinementPass<false, kMeasure>(p);
      }
      FinishPass<kMeasure>(block, p, 3 * plane + 1, result);
    }
    CleanupPass<kMeasure>(p);
    if (segmentation) CodeSegmentationSymbol();
    FinishPass<kMeasure>(block, p, 3 * plane, result);
    if (kMeasure && plane != 0 && block.slopeFloor > 0.0f && PlaneBelowFloor(block)) {
      StopAfterCleanup(block, 3 * plane, result);
      break;
    }
  }
  FinishBlock<kMeasure>(result);
}

// Everything the passes call is inlined here, and so compiled with the bit instructions.
QUILLON_BIT_INSTRUCTIONS [[gnu::flatten]] void BlockCoder::CodePlanesWithBitInstructions(
    const CodeBlockCoefficients& block, int planes, BlockCoderOutput* result) {
  if (block.ratePoints) {
    CodePlanes<true>(block, planes, result);
  } else {
    CodePlanes<false>(block, planes, result);
  }
}

}  // namespace quillon::jp2
