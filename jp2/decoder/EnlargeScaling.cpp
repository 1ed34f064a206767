#include "decoder/EnlargeScaling.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillon::jp2 {

Status EnlargeScaler::Init(const MemoryCallbacks& memory, const Bounds& tileComponent,
                           std::uint32_t factor, bool isSigned, std::uint32_t componentOriginX,
                           std::uint32_t componentOriginY) {
  if (factor < 2 || !buffers_.empty()) return JP2_Error_Internal;
  constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
  if (std::uint64_t{tileComponent.x1} * factor > kLimit ||
      std::uint64_t{tileComponent.y1} * factor > kLimit) {
    return JP2_Error_ValueOutOfRange;
  }
  memory_ = memory;
  area_ = tileComponent;
  factor_ = factor;
  isSigned_ = isSigned;
  originX_ = componentOriginX * factor;
  originY_ = componentOriginY * factor;
  next_ = tileComponent.y0;
  const std::uint64_t width = std::max<std::uint32_t>(tileComponent.Width(), 1);
  BlockLayout layout;
  const std::uint64_t previous = layout.Add(width, sizeof(std::uint32_t));
  const std::uint64_t vertical = layout.Add(width, sizeof(std::int64_t));
  const std::uint64_t row = layout.Add(width * factor, sizeof(std::uint32_t));
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, layout, &buffers_));
  previous_ = reinterpret_cast<std::uint32_t*>(buffers_.data + previous);
  vertical_ = reinterpret_cast<std::int64_t*>(buffers_.data + vertical);
  row_ = reinterpret_cast<std::uint32_t*>(buffers_.data + row);
  return JP2_Success;
}

Status EnlargeScaler::Release() {
  return jp2::Release(memory_, &buffers_);
}

Status EnlargeScaler::TakeRow(const std::uint32_t* samples, OutputRowSink& sink) {
  if (next_ >= area_.y1) return JP2_Error_Internal;
  const std::uint32_t y = next_++;
  if (area_.Width() == 0) return JP2_Success;
  if (y != area_.y0) JP2_RETURN_IF_ERROR(EmitBetween(samples, y - 1, sink));
  std::memcpy(previous_, samples, sizeof(std::uint32_t) * area_.Width());
  return y + 1 == area_.y1 ? EmitBetween(nullptr, y, sink) : Status();
}

Status EnlargeScaler::EmitBetween(const std::uint32_t* next, std::uint32_t sourceRow,
                                  OutputRowSink& sink) {
  const std::uint32_t width = area_.Width();
  const std::int64_t f = factor_;
  for (std::uint32_t k = 0; k < factor_; ++k) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::int64_t p = SampleValue(previous_[x], isSigned_);
      const std::int64_t q = next != nullptr ? SampleValue(next[x], isSigned_) : p;
      vertical_[x] = p + (q - p) * k / f;
    }
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::int64_t a = vertical_[x];
      const std::int64_t b = x + 1 < width ? vertical_[x + 1] : a;
      std::uint32_t* out = row_ + std::size_t{x} * factor_;
      for (std::int64_t m = 0; m < f; ++m) out[m] = SamplePattern(a + (b - a) * m / f);
    }
    const std::uint32_t row = sourceRow * factor_ + k - originY_;
    JP2_RETURN_IF_ERROR(sink.TakeRow(row_, width * factor_, row, area_.x0 * factor_ - originX_));
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
