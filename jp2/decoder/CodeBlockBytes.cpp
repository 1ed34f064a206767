#include "decoder/CodeBlockBytes.h"

#include <algorithm>

namespace quillon::jp2 {

Status CodeBlockBytes::Release() {
  capacity_ = 0;
  return jp2::Release(memory_, &buffer_);
}

Status CodeBlockBytes::Read(const CodecArray<SegmentPiece>& pieces, CodeBlockRecord& block,
                            const std::uint8_t** data) {
  *data = nullptr;
  if (block.beyondInput || block.length > inputLength_) block.passes = -1;
  if (block.passes <= 0 || block.length == 0) return JP2_Success;
  if (block.length > capacity_) {
    const std::uint64_t capacity = std::max<std::uint64_t>(block.length, 2 * capacity_);
    OwnedBlock grown;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, capacity, &grown));
    JP2_RETURN_IF_ERROR(ReplaceBlock(memory_, &buffer_, grown));
    capacity_ = capacity;
  }
  std::uint64_t next = 0;
  for (std::uint32_t i = block.firstPiece; i != kNoPiece; i = pieces[i].next) {
    const SegmentPiece& piece = pieces[i];
    if (next + piece.length > block.length ||
        input_->Read(piece.position, piece.length, buffer_.data + next) != 0) {
      block.passes = -1;
      return JP2_Success;
    }
    next += piece.length;
  }
  *data = buffer_.data;
  return JP2_Success;
}

}  // namespace quillon::jp2
