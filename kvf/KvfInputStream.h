// Reads a KVF file from the caller's buffer, refilling it through the fetch callback and
// skipping through the seek callback. Never holds more of the file than the buffer.
#pragma once

#include <cstdint>
#include <span>

#include "kvf/KvfStatus.h"
#include "kvf/KvfStreamCallbacks.h"

namespace kvf {

struct KvfInputSource {
  std::span<std::uint8_t> buffer;    // the caller's buffer, refilled from its start
  std::uint32_t filled = 0;          // valid bytes in buffer on entry: the file's first bytes
  KvfFetchCallback fetch = nullptr;  // null: the buffer holds all there is
  KvfSeekCallback seek = nullptr;    // null: SeekForward reads and discards
  void* context = nullptr;
};

class KvfInputStream {
 public:
  // Fails with invalidDataPointer for an empty buffer or more filled bytes than it holds.
  [[nodiscard]] KvfStatus Open(const KvfInputSource& source);

  // Offset of the next byte from the start of the file.
  std::uint64_t Offset() const { return bufferStart_ + position_; }

  // Every read fails with illegalEndOfFile when the file ends first, fetchFailed or
  // seekFailed when a callback reports an error.
  [[nodiscard]] KvfStatus ReadU8(std::uint8_t& value);
  [[nodiscard]] KvfStatus ReadU16(std::uint16_t& value);
  [[nodiscard]] KvfStatus ReadU32(std::uint32_t& value);
  [[nodiscard]] KvfStatus ReadBytes(std::span<std::uint8_t> destination);
  // Passes over `count` bytes by reading them, so that a file ending early is noticed.
  [[nodiscard]] KvfStatus Skip(std::uint64_t count);
  // Passes over `count` bytes through the seek callback when there is one (else as Skip);
  // a jump past the end of the file is only noticed by the next read.
  [[nodiscard]] KvfStatus SeekForward(std::uint64_t count);

 private:
  [[nodiscard]] KvfStatus Refill();
  std::uint32_t Available() const { return filled_ - position_; }

  KvfInputSource source_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer[0]
  std::uint32_t filled_ = 0;
  std::uint32_t position_ = 0;
};

}  // namespace kvf
