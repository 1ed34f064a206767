#include "decoder/ReduceScaling.h"

#include <algorithm>
#include <bit>

namespace quillon::jp2 {
namespace {

std::uint32_t CeilDiv(std::uint32_t value, std::uint32_t divisor) {
  return static_cast<std::uint32_t>((std::uint64_t{value} + divisor - 1) / divisor);
}

}  // namespace

ReducePlan PlanReduce(int levels, std::uint32_t factor, bool palette) {
  if (levels <= 0 || palette) return ReducePlan{levels, factor};
  const int dropped = std::min(levels, std::countr_zero(factor));
  return ReducePlan{levels - dropped, factor >> dropped};
}

Status ReduceScaler::Init(const MemoryCallbacks& memory, const Bounds& kept, std::uint32_t block,
                          bool pickFirst, bool isSigned, std::uint32_t componentOriginX,
                          std::uint32_t componentOriginY, std::uint32_t factor) {
  if (block == 0 || factor == 0 || !buffers_.empty()) return JP2_Error_Internal;
  memory_ = memory;
  kept_ = kept;
  block_ = block;
  pickFirst_ = pickFirst;
  isSigned_ = isSigned;
  output_ = Bounds{CeilDiv(kept.x0, block), CeilDiv(kept.y0, block), CeilDiv(kept.x1, block),
                   CeilDiv(kept.y1, block)};
  originX_ = CeilDiv(componentOriginX, factor);
  originY_ = CeilDiv(componentOriginY, factor);
  next_ = kept.y0;
  groupRows_ = 0;
  if (block == 1) return JP2_Success;  // rows pass through
  const std::uint64_t width = std::max<std::uint32_t>(output_.Width(), 1);
  BlockLayout layout;
  const std::uint64_t sums = layout.Add(width, sizeof(std::int64_t));
  const std::uint64_t row = layout.Add(width, sizeof(std::uint32_t));
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, layout, &buffers_));
  sums_ = reinterpret_cast<std::int64_t*>(buffers_.data + sums);
  row_ = reinterpret_cast<std::uint32_t*>(buffers_.data + row);
  return JP2_Success;
}

Status ReduceScaler::Release() {
  return jp2::Release(memory_, &buffers_);
}

Status ReduceScaler::TakeRow(const std::uint32_t* samples, OutputRowSink& sink) {
  if (next_ >= kept_.y1) return JP2_Error_Internal;
  const std::uint32_t y = next_++;
  if (output_.Width() == 0) return JP2_Success;
  const std::uint32_t column = output_.x0 - originX_;
  if (block_ == 1) return sink.TakeRow(samples, kept_.Width(), y - originY_, column);
  const std::uint32_t group = y / block_;
  if (group < output_.y0) return JP2_Success;  // the tile above delivers this block
  Accumulate(samples);
  const bool lastOfGroup = y % block_ == block_ - 1 || y + 1 == kept_.y1;
  return lastOfGroup ? Emit(sink) : Status();
}

// Adds each block's row mean of this row, or takes the block's first sample.
void ReduceScaler::Accumulate(const std::uint32_t* samples) {
  const bool firstRow = groupRows_++ == 0;
  for (std::uint32_t i = 0; i < output_.Width(); ++i) {
    const std::uint32_t begin = (output_.x0 + i) * block_;
    const std::uint32_t end = std::min<std::uint64_t>(std::uint64_t{begin} + block_, kept_.x1);
    const std::uint32_t* first = samples + (begin - kept_.x0);
    if (pickFirst_) {
      if (firstRow) sums_[i] = SampleValue(*first, isSigned_);
      continue;
    }
    std::int64_t sum = 0;
    for (std::uint32_t x = 0; x < end - begin; ++x) sum += SampleValue(first[x], isSigned_);
    const std::int64_t mean = sum / (end - begin);
    sums_[i] = firstRow ? mean : sums_[i] + mean;
  }
}

Status ReduceScaler::Emit(OutputRowSink& sink) {
  const std::int64_t rows = pickFirst_ ? 1 : groupRows_;
  for (std::uint32_t i = 0; i < output_.Width(); ++i) row_[i] = SamplePattern(sums_[i] / rows);
  const std::uint32_t outputRow = (next_ - 1) / block_;
  groupRows_ = 0;
  return sink.TakeRow(row_, output_.Width(), outputRow - originY_, output_.x0 - originX_);
}

}  // namespace quillon::jp2
