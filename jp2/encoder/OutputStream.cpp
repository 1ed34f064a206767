// Buffered writing at absolute offsets through the caller's output callback.
#include "encoder/OutputStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/BigEndian.h"

namespace quillon::jp2 {

Status OutputStream::Open(const MemoryCallbacks& memory, std::uint32_t bufferSize,
                          JP2_OutputWriteCallback callback, std::uintptr_t param) {
  if (callback == nullptr) return JP2_Error_NoOutputCallback;
  size_ = std::max<std::uint32_t>(bufferSize, 1);
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, size_, &buffer_));
  position_ = 0;
  fill_ = 0;
  end_ = 0;
  callback_ = callback;
  param_ = param;
  return JP2_Success;
}

Status OutputStream::Close(const MemoryCallbacks& memory) {
  if (!IsOpen()) return JP2_Success;
  const Status flushed = Flush();
  const Status released = Release(memory, &buffer_);
  return flushed.ok() ? released : flushed;
}

Status OutputStream::Abandon(const MemoryCallbacks& memory) {
  fill_ = 0;
  return Release(memory, &buffer_);
}

Status OutputStream::Flush() {
  if (fill_ == 0) return JP2_Success;
  // Offsets are 32 bits in the callback; the codestream limits keep files below 4 GiB.
  if (position_ > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
  const std::int32_t result =
      callback_(buffer_.data, static_cast<std::uint32_t>(position_), fill_, param_);
  if (result != 0) return result;
  position_ += fill_;
  fill_ = 0;
  return JP2_Success;
}

Status OutputStream::Write(const std::uint8_t* bytes, std::uint64_t offset, std::uint64_t count) {
  if (!IsOpen()) return JP2_Error_Internal;
  if (offset != position_ + fill_) {
    JP2_RETURN_IF_ERROR(Flush());
    position_ = offset;
  }
  while (count != 0) {
    const std::uint32_t room = size_ - fill_;
    const std::uint32_t step = static_cast<std::uint32_t>(std::min<std::uint64_t>(room, count));
    std::memcpy(buffer_.data + fill_, bytes, step);
    fill_ += step;
    bytes += step;
    count -= step;
    if (fill_ == size_) JP2_RETURN_IF_ERROR(Flush());
  }
  end_ = std::max(end_, position_ + fill_);
  return JP2_Success;
}

Status OutputStream::Put32At(std::uint64_t offset, std::uint32_t value) {
  std::uint8_t bytes[4];
  WriteU32(bytes, value);
  return Write(bytes, offset, sizeof bytes);
}

}  // namespace quillon::jp2
