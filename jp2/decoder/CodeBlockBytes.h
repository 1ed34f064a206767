// The bytes of one code-block, read from the input when tier 1 is about to decode it: its
// layers one after the other in a buffer reused from block to block, so that a tile's
// code-block bytes are never all held at once.
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
  Status Release();

  // Reads the block's pieces into the buffer and points *data at them (valid until the next
  // Read). A block whose bytes run past its tile-part or the input, or come back short, gets
  // pass count -1 and *data null: it decodes to zeros. -1 when the buffer cannot grow.
  Status Read(const CodecArray<SegmentPiece>& pieces, CodeBlockRecord& block,
              const std::uint8_t** data);

 private:
  ByteReader* input_ = nullptr;
  MemoryCallbacks memory_;
  std::uint64_t inputLength_ = 0;
  OwnedBlock buffer_;
  std::uint64_t capacity_ = 0;
};

}  // namespace quillon::jp2
