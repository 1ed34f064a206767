#include "encoder/MqEncoder.h"

#include <cstring>

namespace quillon::jp2 {
namespace {

// No codeword of a 4096-coefficient block comes near this; beyond it growing is refused.
constexpr std::uint64_t kLargestCodeword = std::uint64_t{1} << 26;

}  // namespace

Status CodewordBuffer::Reserve(const MemoryCallbacks& memory, std::uint64_t capacity) {
  if (capacity <= capacity_) return JP2_Success;
  if (capacity > kLargestCodeword) return JP2_Error_OutOfMemory;
  OwnedBlock grown;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, capacity + 1, &grown));
  if (!block_.empty()) std::memcpy(grown.data, block_.data, capacity_ + 1);
  JP2_RETURN_IF_ERROR(ReplaceBlock(memory, &block_, grown));
  capacity_ = capacity;
  return JP2_Success;
}

Status CodewordBuffer::Release(const MemoryCallbacks& memory) {
  JP2_RETURN_IF_ERROR(jp2::Release(memory, &block_));
  capacity_ = 0;
  return JP2_Success;
}

void MqEncoder::Start(CodewordBuffer* buffer, const MemoryCallbacks* memory) {
  buffer_ = buffer;
  memory_ = memory;
  base_ = buffer->Bytes();
  base_[-1] = 0;
  limit_ = base_ + buffer->Capacity();
  length_ = 0;
  failed_ = false;
  Restart();
}

void MqEncoder::Restart() {
  a_ = 0x8000;
  c_ = 0;
  ct_ = 12;
  segmentStart_ = base_ + length_;
  bp_ = segmentStart_ - 1;
}

void MqEncoder::Grow() {
  const std::uint64_t position = static_cast<std::uint64_t>(bp_ - base_ + 1);
  const std::uint64_t start = static_cast<std::uint64_t>(segmentStart_ - base_);
  if (!failed_ && buffer_->Reserve(*memory_, 2 * buffer_->Capacity() + 64).ok()) {
    base_ = buffer_->Bytes();
    limit_ = base_ + buffer_->Capacity();
    bp_ = base_ + position - 1;
    segmentStart_ = base_ + start;
    return;
  }
  // The codeword is lost; keep writing over the buffer's start so that nothing overruns.
  failed_ = true;
  bp_ = base_ - 1;
  *bp_ = 0;
}

void MqEncoder::ByteOut() {
  if (bp_ + 2 >= limit_) Grow();
  if (*bp_ == 0xFF) {
    *++bp_ = static_cast<std::uint8_t>(c_ >> 20);
    c_ &= 0xFFFFF;
    ct_ = 7;
    return;
  }
  if (c_ >= 0x8000000) {
    ++*bp_;
    if (*bp_ == 0xFF) {
      c_ &= 0x7FFFFFF;
      *++bp_ = static_cast<std::uint8_t>(c_ >> 20);
      c_ &= 0xFFFFF;
      ct_ = 7;
      return;
    }
  }
  *++bp_ = static_cast<std::uint8_t>(c_ >> 19);
  c_ &= 0x7FFFF;
  ct_ = 8;
}

void MqEncoder::Terminate() {
  const std::uint32_t top = c_ + a_;
  c_ |= 0xFFFF;
  if (c_ >= top) c_ -= 0x8000;
  for (int i = 0; i < 3; ++i) {
    c_ <<= ct_;
    ByteOut();
  }
  std::uint8_t* end = bp_ + 1;
  while (end > segmentStart_) {
    if (end[-1] == 0xFF) {
      --end;
    } else if (end - segmentStart_ >= 2 && end[-1] == 0x7F && end[-2] == 0xFF) {
      end -= 2;
    } else {
      break;
    }
  }
  length_ = static_cast<std::uint32_t>(end - base_);
}

}  // namespace quillon::jp2
