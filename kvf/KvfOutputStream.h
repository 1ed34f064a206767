// Writes a KVF file into the caller's output buffer, handing full buffers to the flush
// callback. Without a flush callback the whole file must fit the buffer. The start of the
// file can be revisited (to rewrite the header) through the seek callback, or directly in
// the buffer when there is no flush callback.
#pragma once

#include <cstdint>
#include <span>

#include "kvf/KvfStatus.h"
#include "kvf/KvfStreamCallbacks.h"

namespace kvf {

struct KvfOutputTarget {
  std::span<std::uint8_t> buffer;
  KvfFlushCallback flush = nullptr;  // null: the file is the buffer
  KvfSeekCallback seek = nullptr;
  void* context = nullptr;
};

class KvfOutputStream {
 public:
  // Fails with invalidDataPointer for an empty buffer.
  [[nodiscard]] KvfStatus Open(const KvfOutputTarget& target);

  // Offset of the next byte from the start of the file.
  std::uint64_t Position() const { return bufferStart_ + used_; }
  // Bytes of the file so far, however far a rewrite has gone back.
  std::uint64_t End() const;
  bool CanRevisitStart() const { return target_.flush == nullptr || target_.seek != nullptr; }

  // Every write fails with resultSizeTooSmall when a file without flush callback outgrows
  // the buffer and with flushFailed when the flush callback reports an error.
  [[nodiscard]] KvfStatus PutU8(std::uint8_t value);
  [[nodiscard]] KvfStatus PutU16(std::uint16_t value);
  [[nodiscard]] KvfStatus PutU32(std::uint32_t value);
  [[nodiscard]] KvfStatus PutBytes(std::span<const std::uint8_t> bytes);
  [[nodiscard]] KvfStatus PutZeros(std::uint64_t count);

  // Hands the buffered bytes to the flush callback; a no-op without one.
  [[nodiscard]] KvfStatus Flush();
  // Both fail with internalError unless CanRevisitStart(), seekFailed when seeking fails.
  [[nodiscard]] KvfStatus SeekToStart();
  [[nodiscard]] KvfStatus SeekToEnd();

 private:
  [[nodiscard]] KvfStatus MakeRoom();
  [[nodiscard]] KvfStatus SeekBy(std::int64_t offset);

  KvfOutputTarget target_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer[0]
  std::uint32_t used_ = 0;
  std::uint64_t end_ = 0;  // largest position reached before the last SeekToStart
};

}  // namespace kvf
