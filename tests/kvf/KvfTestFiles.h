// In-memory files behind the KVF stream callbacks, and a builder for hand-made headers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "kvf/KvfInputStream.h"
#include "kvf/KvfOutputStream.h"

namespace kvf::test {

// The seek callback of both files: like a file, any position from 0 on, also past the end.
template <typename File>
std::int32_t SeekMemoryFile(void* context, std::int32_t offset) {
  auto* file = static_cast<File*>(context);
  ++file->seekCalls;
  const std::int64_t target = static_cast<std::int64_t>(file->position_) + offset;
  if (target < 0) return -1;
  file->position_ = static_cast<std::size_t>(target);
  return 0;
}

// A file read through fetch and seek into a caller buffer of `bufferSize` bytes; the
// buffer starts filled, as the application fills it before the first call.
class MemoryReadFile {
 public:
  MemoryReadFile(std::vector<std::uint8_t> bytes, std::size_t bufferSize)
      : bytes_(std::move(bytes)), buffer_(bufferSize) {
    filled_ = Deliver(static_cast<std::uint32_t>(bufferSize));
  }

  KvfInputSource Source(bool withSeek = true) {
    return {buffer_, filled_, &Fetch, withSeek ? &SeekMemoryFile<MemoryReadFile> : nullptr, this};
  }

  int fetchCalls = 0;
  int seekCalls = 0;

 private:
  friend std::int32_t SeekMemoryFile<MemoryReadFile>(void*, std::int32_t);
  std::uint32_t Deliver(std::uint32_t size) {
    const std::size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const std::size_t count = std::min<std::size_t>({size, left, buffer_.size()});
    if (count == 0) return 0;
    std::memcpy(buffer_.data(), bytes_.data() + position_, count);
    position_ += count;
    return static_cast<std::uint32_t>(count);
  }
  static std::int32_t Fetch(void* context, std::uint32_t size) {
    auto* self = static_cast<MemoryReadFile*>(context);
    ++self->fetchCalls;
    return static_cast<std::int32_t>(self->Deliver(size));
  }

  std::vector<std::uint8_t> bytes_;
  std::vector<std::uint8_t> buffer_;
  std::size_t position_ = 0;
  std::uint32_t filled_ = 0;
};

// A file written through flush and seek from a caller buffer of `bufferSize` bytes.
class MemoryWriteFile {
 public:
  explicit MemoryWriteFile(std::size_t bufferSize) : buffer_(bufferSize) {}

  KvfOutputTarget Target(bool withSeek = true) {
    return {buffer_, &Flush, withSeek ? &SeekMemoryFile<MemoryWriteFile> : nullptr, this};
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  std::size_t Position() const { return position_; }

  int flushCalls = 0;
  int seekCalls = 0;
  bool failFlush = false;

 private:
  friend std::int32_t SeekMemoryFile<MemoryWriteFile>(void*, std::int32_t);
  static std::int16_t Flush(void* context, std::uint32_t count) {
    auto* self = static_cast<MemoryWriteFile*>(context);
    ++self->flushCalls;
    if (self->failFlush) return 1;
    if (self->bytes_.size() < self->position_ + count) self->bytes_.resize(self->position_ + count);
    std::memcpy(self->bytes_.data() + self->position_, self->buffer_.data(), count);
    self->position_ += count;
    return 0;
  }

  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Big-endian bytes for hand-made files.
class ByteBuilder {
 public:
  // Reserving up front also keeps GCC 12 at -O3 from a false stringop-overflow warning.
  ByteBuilder() { bytes_.reserve(256); }
  ByteBuilder& U8(std::uint32_t value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
  }
  ByteBuilder& U16(std::uint32_t value) { return U8(value >> 8).U8(value); }
  ByteBuilder& U32(std::uint32_t value) { return U16(value >> 16).U16(value); }
  ByteBuilder& Text(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  ByteBuilder& Zeros(std::size_t count) {
    bytes_.resize(bytes_.size() + count);
    return *this;
  }
  ByteBuilder& Chunk(const std::string& tag, std::uint32_t length) { return Text(tag).U16(length); }
  std::vector<std::uint8_t> Bytes() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace kvf::test
