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
  segmentStart_ = length_;
  bp_ = base_ + segmentStart_ - 1;
}

void MqEncoder::StartRaw() {
  c_ = 0;
  ct_ = 8;  // the segment before ends in no 0xFF
  segmentStart_ = length_;
  bp_ = base_ + segmentStart_ - 1;
}

void MqEncoder::TerminateRaw() {
  Registers r = Load();
  const std::uint32_t room = *r.bp == 0xFF ? 7 : 8;
  if (r.ct != room) {
    const std::uint32_t padding = r.ct;
    for (std::uint32_t i = 0; i < padding; ++i) PutRaw(r, i & 1);
  }
  Store(r);
  const std::uint8_t* end = bp_ + 1;
  if (end > base_ + segmentStart_ && end[-1] == 0xFF) --end;
  length_ = static_cast<std::uint32_t>(end - base_);
}

std::uint8_t* MqEncoder::Grow(std::uint8_t* bp) {
  const std::uint64_t position = static_cast<std::uint64_t>(bp - base_ + 1);
  if (!failed_ && buffer_->Reserve(*memory_, 2 * buffer_->Capacity() + 64).ok()) {
    base_ = buffer_->Bytes();
    limit_ = base_ + buffer_->Capacity();
    return base_ + position - 1;
  }
  // The codeword is lost; keep writing over the buffer's start so that nothing overruns.
  failed_ = true;
  base_[-1] = 0;
  return base_ - 1;
}

void MqEncoder::Terminate() {
  Registers r = Load();
  const std::uint32_t top = r.c + r.a;
  r.c |= 0xFFFF;
  if (r.c >= top) r.c -= 0x8000;
  for (int i = 0; i < 3; ++i) {
    r.c <<= r.ct;
    ByteOut(r);
  }
  Store(r);
  const std::uint8_t* start = base_ + segmentStart_;
  const std::uint8_t* end = bp_ + 1;
  while (end > start) {
    if (end[-1] == 0xFF) {
      --end;
    } else if (end - start >= 2 && end[-1] == 0x7F && end[-2] == 0xFF) {
      end -= 2;
    } else {
      break;
    }
  }
  length_ = static_cast<std::uint32_t>(end - base_);
}

}  // namespace quillon::jp2
