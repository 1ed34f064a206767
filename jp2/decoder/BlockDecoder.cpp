#include "decoder/BlockDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

#include "common/BitInstructionClones.h"
#include "common/BlockContexts.h"
#include "common/StripeLayout.h"
#include "decoder/ColumnFlags.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kMagnitude = 0x7FFFFFFFu;
constexpr std::uint8_t kNoBytes[1] = {0};
// The refinement context by [refined before][has a significant neighbour], looked up rather
// than branched on.
constexpr int kRefinementContext[2][2] = {{kRefinementContextBase, kRefinementContextBase + 1},
                                          {kRefinementContextBase + 2, kRefinementContextBase + 2}};

// The rows of a column as a mask of its row flags.
template <typename Rows>
constexpr std::uint32_t AllRows(Rows rows) {
  return (1u << rows) - 1;
}

// Decisions of an arithmetic segment: in contexts, signs through the sign table. Most are close
// to unpredictable and are decoded without branches on their outcome, so that the caller's use
// of a decision is its only branch (or none); the run-length decision, mostly 0, takes the
// decoder's early branch for a more probable symbol instead.
struct ArithmeticSource {
  MqDecoder mq;
  MqDecoderContext* contexts;

  std::uint32_t Decide(int context) { return mq.DecodeWithoutBranches(contexts[context]); }
  // Before the decisions of a stripe column.
  void Refill() { mq.Refill(); }
  std::uint32_t DecideRun() { return mq.Decode(contexts[kRunLengthContext]); }
  std::uint32_t Sign(std::uint32_t neighbours) {
    const std::uint8_t sign = kNeighbourSignContexts[neighbours];
    return Decide(sign >> 1) ^ (sign & 1u);
  }
};

// Decisions of a raw segment: plain bits whatever the context.
struct RawSource {
  RawBitReader raw;

  std::uint32_t Decide(int) { return raw.Bit(); }
  void Refill() {}
  std::uint32_t Sign(std::uint32_t) { return raw.Bit(); }
};

// The block's geometry as the pass loops need it, in locals: the distance from one stripe to
// the next in entries.
struct Strides {
  std::size_t stripe;
  bool causal;
};

// The four rows of a stripe column side by side (GCC's vector extension, which targets without
// vectors get as scalar code): the reconstruction works on a column's four samples at once.
using RowLanes = std::uint32_t __attribute__((vector_size(16)));
using SignedRowLanes = std::int32_t __attribute__((vector_size(16)));
using FloatRowLanes = float __attribute__((vector_size(16)));

// All ones in the lanes of the rows whose flag in the word's group at shift is set.
inline RowLanes RowFlagLanes(std::uint32_t word, std::uint32_t shift) {
  const RowLanes bits = RowLanes{1, 2, 4, 8} << shift;
  return std::bit_cast<RowLanes>((word & bits) != 0);
}

// What both reconstructions take from a column's word, per row: significant is all ones when
// the row is significant, else 0; add is addVisited when the row was visited, else
// addUnvisited.
struct RowMasks {
  RowLanes significant;
  RowLanes add;
};

inline RowMasks MasksOf(std::uint32_t word, std::uint32_t addVisited, std::uint32_t addUnvisited) {
  const RowLanes visited = RowFlagLanes(word, kVisitedShift);
  return {RowFlagLanes(word, kSignificantShift),
          addUnvisited ^ ((addVisited ^ addUnvisited) & visited)};
}

// Reversible coefficients from a column's samples and word: sign x (magnitude + half of what
// the undecoded planes weigh), 0 unless significant.
inline RowLanes IntegerCoefficients(RowLanes samples, std::uint32_t word, std::uint32_t halfVisited,
                                    std::uint32_t halfUnvisited) {
  const RowMasks masks = MasksOf(word, halfVisited, halfUnvisited);
  const RowLanes value = (samples & kMagnitude) + masks.add;
  const auto negative = std::bit_cast<RowLanes>(std::bit_cast<SignedRowLanes>(samples) >> 31);
  return ((value ^ negative) - negative) & masks.significant;
}

// Irreversible coefficients the same way: sign x the doubled magnitude plus what the undecoded
// planes weigh x half a step. The caller keeps the doubled magnitude below 2^31, so that it
// converts to float as a signed integer, exactly as any integer of its value does.
inline FloatRowLanes FloatCoefficients(RowLanes samples, std::uint32_t word,
                                       std::uint32_t addVisited, std::uint32_t addUnvisited,
                                       float halfStep) {
  const RowMasks masks = MasksOf(word, addVisited, addUnvisited);
  const auto doubled = std::bit_cast<SignedRowLanes>(2 * (samples & kMagnitude) + masks.add);
  const FloatRowLanes value = __builtin_convertvector(doubled, FloatRowLanes) * halfStep;
  return std::bit_cast<FloatRowLanes>((std::bit_cast<RowLanes>(value) ^ (samples & ~kMagnitude)) &
                                      masks.significant);
}

// Decodes the sign of a new significant coefficient in row of the column and marks it.
template <typename Source>
inline void DecodeSignificant(Source& source, std::uint32_t& word, std::uint32_t* column,
                              std::uint32_t row, std::uint32_t one, const Strides& strides) {
  std::uint32_t* self = column + 1 + row;
  const std::uint32_t north = row != 0 ? self[-1] : (column - strides.stripe)[4];
  const std::uint32_t south = row != 3 ? self[1] : (column + strides.stripe)[1];
  const std::uint32_t negative =
      source.Sign(SignNeighbours(Neighbourhood(word, row), north, south,
                                 self[-std::ptrdiff_t{kColumnEntries}], self[kColumnEntries]));
  *self = one | (negative << 31);
  MarkSignificant(word, column, row, strides.stripe, strides.causal);
}

}  // namespace

Status BlockDecoder::Init(const MemoryCallbacks& memory) {
  memory_ = memory;
  BlockLayout layout;
  const std::uint64_t offset =
      layout.Add(LargestColumnCount() * kColumnEntries, sizeof(std::uint32_t));
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, layout, &workspace_));
  columns_ = reinterpret_cast<std::uint32_t*>(workspace_.data + offset);
  return JP2_Success;
}

Status BlockDecoder::Release() {
  JP2_RETURN_IF_ERROR(jp2::Release(memory_, &workspace_));
  columns_ = nullptr;
  return JP2_Success;
}

Status BlockDecoder::Check(const CodeBlockInput& in, const void* rows, std::size_t stride) const {
  if (in.width > kMaxCodeBlockSide || in.height > kMaxCodeBlockSide ||
      std::uint64_t{in.width} * in.height > kMaxCodeBlockArea) {
    return JP2_Error_ValueOutOfRange;
  }
  if (in.width == 0 || in.height == 0) return JP2_Success;
  if (stride < in.width) return JP2_Error_ValueOutOfRange;
  if (rows == nullptr || (in.data == nullptr && in.length != 0) ||
      (in.segments == nullptr && in.segmentCount != 0)) {
    return JP2_Error_NullArgument;
  }
  if (columns_ == nullptr) return JP2_Error_Internal;  // Init has not succeeded
  return JP2_Success;
}

void BlockDecoder::Prepare(const CodeBlockInput& in) {
  width_ = in.width;
  height_ = in.height;
  // The words only: a sample is read only once its coefficient is significant, or masked by the
  // significance bits when it is a neighbour's.
  const std::uint64_t count = ColumnCount(width_, height_);
  for (std::uint64_t i = 0; i < count; ++i) columns_[i * kColumnEntries] = 0;
  style_ = in.style;
  causal_ = (in.style & kStyleVerticallyCausal) != 0;
  zeroContexts_ = kNeighbourhoodZeroContexts.zero[static_cast<int>(BandKindOf(in.orientation))];
  ResetBlockContexts(contexts_);
}

// Each pass is flattened, so that its column loop is compiled in one piece and the decoder
// copied into source keeps its registers in machine registers instead of memory behind a
// captured reference; and kept out of line, so that the passes do not share one register
// allocation. Each is also cloned for processors with BMI2 and LZCNT.
template <typename Source>
[[gnu::noinline, gnu::flatten, QUILLON_BIT_INSTRUCTION_CLONES]] void BlockDecoder::SignificancePass(
    Source& out, std::uint32_t plane) {
  Source source = out;
  const Strides strides{StripeStride(width_), causal_};
  const std::uint8_t* zero = zeroContexts_;
  const std::uint32_t one = 1u << plane;
  ForEachColumn(columns_, width_, height_, [&](std::uint32_t* column, auto rows) {
    // Nothing to do in a column without significant neighbours, or whose coefficients are all
    // significant already.
    std::uint32_t word = *column;
    if ((word & kColumnGrid) == 0) return;
    if (RowFlags(word, kSignificantShift) == AllRows(rows)) return;
    source.Refill();
    ForEachRow(rows, [&](std::uint32_t row) {
      const std::uint32_t around = Neighbourhood(word, row);
      if ((around & kNeighbourhoodSelf) != 0 || around == 0) return;
      if (source.Decide(zero[around]) != 0) {
        DecodeSignificant(source, word, column, row, one, strides);
      }
      word |= 1u << (kVisitedShift + row);
    });
    *column = word;
  });
  out = source;
}

template <typename Source>
[[gnu::noinline, gnu::flatten, QUILLON_BIT_INSTRUCTION_CLONES]] void BlockDecoder::RefinementPass(
    Source& out, std::uint32_t plane) {
  Source source = out;
  ForEachColumn(columns_, width_, height_,
                // A short stripe's missing rows are never significant, so the flags alone bound it.
                [&](std::uint32_t* column, auto) {
                  std::uint32_t word = *column;
                  const std::uint32_t pending =
                      RowFlags(word, kSignificantShift) & ~RowFlags(word, kVisitedShift);
                  if (pending == 0) return;
                  source.Refill();
                  // Only over the rows to refine, which mostly vary from column to column.
                  for (std::uint32_t rest = pending; rest != 0; rest &= rest - 1) {
                    const auto row = static_cast<std::uint32_t>(std::countr_zero(rest));
                    const std::uint32_t refined = word >> (kRefinedShift + row) & 1;
                    const bool neighbours = (Neighbourhood(word, row) & ~kNeighbourhoodSelf) != 0;
                    column[1 + row] |= source.Decide(kRefinementContext[refined][neighbours])
                                       << plane;
                    word |= 1u << (kRefinedShift + row);
                  }
                  *column = word;
                });
  out = source;
}

[[gnu::noinline, gnu::flatten, QUILLON_BIT_INSTRUCTION_CLONES]] void BlockDecoder::CleanupPass(
    std::uint32_t plane) {
  const Strides strides{StripeStride(width_), causal_};
  const std::uint8_t* zero = zeroContexts_;
  const std::uint32_t one = 1u << plane;
  ArithmeticSource source{mq_, contexts_};
  ForEachColumn(columns_, width_, height_, [&](std::uint32_t* column, auto rows) {
    std::uint32_t word = *column;
    std::uint32_t first = 0;
    if (rows == 4 && (word & kColumnGrid) == 0) {
      // Run-length mode: one decision for a column staying insignificant, else the
      // position of its first new significant coefficient.
      if (source.DecideRun() == 0) return;
      source.Refill();
      std::uint32_t row = source.Decide(kUniformContext) << 1;
      row |= source.Decide(kUniformContext);
      DecodeSignificant(source, word, column, row, one, strides);
      first = row + 1;
    } else if ((RowFlags(word, kSignificantShift) | RowFlags(word, kVisitedShift)) ==
               AllRows(rows)) {
      *column = word & ~kVisitedRows;
      return;
    } else {
      source.Refill();
    }
    ForEachRow(rows, [&](std::uint32_t row) {
      if (row < first) return;
      if ((word >> row & ((1u << kSignificantShift) | (1u << kVisitedShift))) != 0) return;
      if (source.Decide(zero[Neighbourhood(word, row)]) != 0) {
        DecodeSignificant(source, word, column, row, one, strides);
      }
    });
    *column = word & ~kVisitedRows;
  });
  mq_ = source.mq;
}

void BlockDecoder::StartSegment(int pass, const std::uint8_t* begin, const std::uint8_t* end) {
  rawSegment_ = IsRawPass(style_, pass);
  if (rawSegment_) {
    raw_.Start(begin, end);
  } else {
    mq_.Start(begin, end);
  }
}

void BlockDecoder::RunPass(int pass, int planes) {
  const auto plane = static_cast<std::uint32_t>(planes - 1 - (pass + 2) / 3);
  const int kind = pass % 3;  // 0 cleanup, 1 significance, 2 refinement
  if (kind == 0) {
    CleanupPass(plane);
    if ((style_ & kStyleSegmentationSymbols) != 0) {
      // Four decisions of the uniform context; a wrong symbol is not acted on.
      for (int i = 0; i < 4; ++i) mq_.Decode(contexts_[kUniformContext]);
    }
  } else if (rawSegment_) {
    RawSource source{raw_};
    if (kind == 1) {
      SignificancePass(source, plane);
    } else {
      RefinementPass(source, plane);
    }
    raw_ = source.raw;
  } else {
    ArithmeticSource source{mq_, contexts_};
    if (kind == 1) {
      SignificancePass(source, plane);
    } else {
      RefinementPass(source, plane);
    }
    mq_ = source.mq;
  }
  if ((style_ & kStyleResetContexts) != 0) ResetBlockContexts(contexts_);
}

int BlockDecoder::DecodePasses(const CodeBlockInput& in, int planes) {
  const std::int64_t usable = std::min<std::int64_t>(in.passes, 3 * planes - 2);
  const std::uint8_t* data = in.data != nullptr ? in.data : kNoBytes;
  int pass = 0;
  std::uint64_t offset = 0;
  for (std::uint32_t s = 0; s < in.segmentCount && pass < usable; ++s) {
    const CodewordSegment& segment = in.segments[s];
    const std::uint8_t* begin = data + std::min<std::uint64_t>(offset, in.length);
    offset += segment.length;
    const std::uint8_t* end = data + std::min<std::uint64_t>(offset, in.length);
    const auto count = static_cast<int>(std::min<std::int64_t>(segment.passes, usable - pass));
    if (count == 0) continue;
    StartSegment(pass, begin, end);
    for (const int last = pass + count; pass < last; ++pass) {
      // A segment that mixes raw and arithmetic passes has no bytes left for the other kind.
      if (IsRawPass(style_, pass) != rawSegment_) StartSegment(pass, end, end);
      RunPass(pass, planes);
    }
  }
  return pass;
}

template <typename Value>
void BlockDecoder::Reconstruct(const CodeBlockInput& in, int planes, int passes, Value* rows,
                               std::size_t stride) const {
  if (passes == 0) {
    for (std::uint32_t y = 0; y < in.height; ++y) {
      std::fill_n(rows + y * stride, in.width, Value{0});
    }
    return;
  }
  // The lowest plane decoded: the last pass's, except that after a significance pass the
  // coefficients it did not visit have that plane still to come.
  const int last = passes - 1;
  const auto lastPlane = static_cast<std::uint32_t>(planes - 1 - (last + 2) / 3);
  const bool afterSignificance = last % 3 == 1;
  if constexpr (std::is_same_v<Value, std::int32_t>) {
    if (in.roiShift == 0) {
      const std::uint32_t halfVisited = (1u << lastPlane) >> 1;
      const std::uint32_t halfUnvisited = afterSignificance ? 1u << lastPlane : halfVisited;
      ReconstructRows(rows, stride, [&](RowLanes samples, std::uint32_t word) {
        return IntegerCoefficients(samples, word, halfVisited, halfUnvisited);
      });
      return;
    }
  } else {
    // Below 30 planes the doubled magnitude plus its addition stays below 2^31.
    if (in.roiShift == 0 && planes < 30) {
      const std::uint32_t addVisited = 1u << lastPlane;
      const std::uint32_t addUnvisited = afterSignificance ? 2u << lastPlane : addVisited;
      const float halfStep = in.stepSize * 0.5f;
      ReconstructRows(rows, stride, [&](RowLanes samples, std::uint32_t word) {
        return FloatCoefficients(samples, word, addVisited, addUnvisited, halfStep);
      });
      return;
    }
  }
  const std::uint32_t shift = in.roiShift;
  const std::uint64_t roiThreshold = std::uint64_t{1} << std::min<std::uint32_t>(shift, 32);
  const float halfStep = in.stepSize * 0.5f;
  for (std::uint32_t s = 0; 4 * s < height_; ++s) {
    const std::uint32_t count = std::min<std::uint32_t>(4, height_ - 4 * s);
    const std::uint32_t* column = FirstColumn(columns_, width_, s);
    for (std::uint32_t x = 0; x < width_; ++x, column += kColumnEntries) {
      const std::uint32_t* values = column + 1;
      Value* out = rows + 4 * s * stride + x;
      const std::uint32_t significant = RowFlags(*column, kSignificantShift);
      const std::uint32_t visited = RowFlags(*column, kVisitedShift);
      for (std::uint32_t row = 0; row < count; ++row, out += stride) {
        if ((significant >> row & 1) == 0) {
          *out = Value{0};
          continue;
        }
        std::uint32_t magnitude = values[row] & kMagnitude;
        std::uint32_t lowest = lastPlane + (afterSignificance && (visited >> row & 1) == 0 ? 1 : 0);
        if (magnitude >= roiThreshold) {
          // Region coefficients were shifted above the background's planes.
          magnitude >>= shift;
          lowest = lowest > shift ? lowest - shift : 0;
        }
        const bool negative = (values[row] >> 31) != 0;
        if constexpr (std::is_same_v<Value, float>) {
          // The middle of the interval the decoded planes leave, in halves of a step.
          const std::uint64_t doubled = 2 * std::uint64_t{magnitude} + (std::uint64_t{1} << lowest);
          const float value = static_cast<float>(doubled) * halfStep;
          *out = negative ? -value : value;
        } else {
          const std::uint32_t value = magnitude + ((std::uint32_t{1} << lowest) >> 1);
          *out = negative ? -static_cast<std::int32_t>(value) : static_cast<std::int32_t>(value);
        }
      }
    }
  }
}

template <typename Value, typename CoefficientFn>
void BlockDecoder::ReconstructRows(Value* rows, std::size_t stride,
                                   CoefficientFn coefficient) const {
  // In locals, which the stores cannot change.
  const std::size_t width = width_;
  const std::uint32_t height = height_;
  for (std::uint32_t s = 0; 4 * s < height; ++s) {
    const std::uint32_t count = std::min<std::uint32_t>(4, height - 4 * s);
    const std::uint32_t* column = FirstColumn(columns_, width_, s);
    Value* out = rows + 4 * s * stride;
    const auto reconstruct = [&](auto rowCount) {
      for (std::size_t x = 0; x < width; ++x, column += kColumnEntries) {
        RowLanes samples;
        std::memcpy(&samples, column + 1, sizeof(samples));
        const auto values = coefficient(samples, column[0]);
        ForEachRow(rowCount, [&](std::uint32_t row) {
          out[row * stride + x] = static_cast<Value>(values[row]);
        });
      }
    };
    if (count == 4) {
      reconstruct(FullStripe{});
    } else {
      reconstruct(count);
    }
  }
}

template <typename Value>
Status BlockDecoder::DecodeInto(const CodeBlockInput& in, Value* rows, std::size_t stride) {
  JP2_RETURN_IF_ERROR(Check(in, rows, stride));
  if (in.width == 0 || in.height == 0) return JP2_Success;
  const int planes = int{in.magnitudeBits} + in.roiShift - in.zeroBitPlanes;
  int passes = 0;
  if (planes >= 1 && planes <= kMaxBitPlanes && in.passes >= 1) {
    Prepare(in);
    passes = DecodePasses(in, planes);
  }
  Reconstruct(in, planes, passes, rows, stride);
  return JP2_Success;
}

Status BlockDecoder::Decode(const CodeBlockInput& in, std::int32_t* rows, std::size_t stride) {
  return DecodeInto(in, rows, stride);
}

Status BlockDecoder::Decode(const CodeBlockInput& in, float* rows, std::size_t stride) {
  return DecodeInto(in, rows, stride);
}

}  // namespace quillon::jp2
