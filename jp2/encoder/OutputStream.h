// The buffered output of the encoder: every byte leaves through it, at absolute offsets, so
// that lengths known only later can be patched into bytes already written.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/MarkerSegmentIo.h"
#include "common/Status.h"
#include "jp2.h"

namespace quillon::jp2 {

class OutputStream final : public SegmentWriter {
 public:
  // Takes a buffer of bufferSize bytes (at least 1) from memory; -1 when it cannot.
  Status Open(const MemoryCallbacks& memory, std::uint32_t bufferSize,
              JP2_OutputWriteCallback callback, std::uintptr_t param);
  // Flushes what is buffered, then releases the buffer; the flush error comes first.
  Status Close(const MemoryCallbacks& memory);
  // Releases the buffer without handing on what it holds (after a failed run).
  Status Abandon(const MemoryCallbacks& memory);
  bool IsOpen() const { return !buffer_.empty(); }

  // Writes count bytes at offset; a write that does not continue the buffered run flushes
  // first. Callback errors are returned unchanged.
  Status Write(const std::uint8_t* bytes, std::uint64_t offset, std::uint64_t count);
  Status Append(const std::uint8_t* bytes, std::uint64_t count) {
    return Write(bytes, end_, count);
  }
  Status Put(const std::uint8_t* bytes, std::uint32_t count) override {
    return Append(bytes, count);
  }
  Status Append16(std::uint16_t value) { return PutU16(value); }
  Status Append32(std::uint32_t value) { return PutU32(value); }
  Status Put32At(std::uint64_t offset, std::uint32_t value);
  Status Flush();

  std::uint64_t End() const { return end_; }

 private:
  OwnedBlock buffer_;
  std::uint32_t size_ = 0;
  std::uint64_t position_ = 0;  // output offset of the first buffered byte
  std::uint32_t fill_ = 0;
  std::uint64_t end_ = 0;
  JP2_OutputWriteCallback callback_ = nullptr;
  std::uintptr_t param_ = 0;
};

}  // namespace quillon::jp2
