// The bytes of one row of code-blocks of a band, read from the input when tier 1 is about to
// decode the row: each block's layers one after the other, the blocks one after the other, in
// a buffer reused from row to row, so that a tile's code-block bytes are never all held at
// once.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/ByteReader.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

class CodeBlockBytes {
 public:
  // inputLength bounds what one block may claim.
  void Init(ByteReader& input, const MemoryCallbacks& memory, std::uint64_t inputLength) {
    input_ = &input;
    memory_ = memory;
    inputLength_ = inputLength;
  }
  // Reads from the input that like reads, into a buffer of its own.
  void Init(const CodeBlockBytes& like) { Init(*like.input_, like.memory_, like.inputLength_); }
  Status Release();

  // Starts a new row: the buffer's bytes are given up.
  void Clear() { used_ = 0; }

  // Reads the block's pieces into the buffer after the row's earlier blocks and sets *offset
  // to where they start in Data(). A block whose bytes run past its tile-part or the input, or
  // come back short, or that would take the row beyond the input's length, gets pass count -1:
  // it decodes to zeros. -1 when the buffer cannot grow.
  Status Append(const CodecArray<SegmentPiece>& pieces, CodeBlockRecord& block,
                std::uint64_t* offset);

  // The row's bytes; moves when Append grows the buffer.
  const std::uint8_t* Data() const { return buffer_.data; }

 private:
  ByteReader* input_ = nullptr;
  MemoryCallbacks memory_;
  std::uint64_t inputLength_ = 0;
  OwnedBlock buffer_;
  std::uint64_t capacity_ = 0;
  std::uint64_t used_ = 0;
};

}  // namespace quillon::jp2
