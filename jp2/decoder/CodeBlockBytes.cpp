#include "decoder/CodeBlockBytes.h"

#include <algorithm>
#include <cstring>

namespace quillon::jp2 {

Status CodeBlockBytes::Release() {
  capacity_ = 0;
  used_ = 0;
  return jp2::Release(memory_, &buffer_);
}

Status CodeBlockBytes::Append(const CodecArray<SegmentPiece>& pieces, CodeBlockRecord& block,
                              std::uint64_t* offset) {
  *offset = used_;
  if (block.beyondInput || block.length > inputLength_ - std::min(used_, inputLength_)) {
    block.passes = -1;
  }
  if (block.passes <= 0 || block.length == 0) return JP2_Success;
  if (used_ + block.length > capacity_) {
    const std::uint64_t capacity = std::max<std::uint64_t>(used_ + block.length, 2 * capacity_);
    OwnedBlock grown;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory_, capacity, &grown));
    if (used_ != 0) std::memcpy(grown.data, buffer_.data, used_);
    JP2_RETURN_IF_ERROR(ReplaceBlock(memory_, &buffer_, grown));
    capacity_ = capacity;
  }
  std::uint64_t next = used_;
  for (std::uint32_t i = block.firstPiece; i != kNoPiece; i = pieces[i].next) {
    const SegmentPiece& piece = pieces[i];
    if (next + piece.length > used_ + block.length ||
        input_->Read(piece.position, piece.length, buffer_.data + next) != 0) {
      block.passes = -1;
      return JP2_Success;
    }
    next += piece.length;
  }
  // Pieces that add up to less than the claimed length leave zeros, not an earlier block's bytes.
  std::memset(buffer_.data + next, 0, used_ + block.length - next);
  used_ += block.length;
  return JP2_Success;
}

}  // namespace quillon::jp2
