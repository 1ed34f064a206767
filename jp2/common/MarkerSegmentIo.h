// Byte-level writing and reading of marker segments. A segment's bytes, as the parsers take
// them, start with its length field and run to the end that length gives; the marker before
// them is the caller's.
#pragma once

#include <cstdint>
#include <span>

#include "common/Status.h"

namespace quillon::jp2 {

// Where written segments go: the encoder's output stream, a buffer in tests.
class SegmentWriter {
 public:
  virtual Status Put(const std::uint8_t* bytes, std::uint32_t count) = 0;

  Status PutU8(std::uint8_t value) { return Put(&value, 1); }
  Status PutU16(std::uint16_t value);
  Status PutU32(std::uint32_t value);
  // The marker and its length field.
  Status PutMarker(std::uint16_t marker, std::uint16_t length);
  // A component index: one byte below 257 components, else two.
  Status PutComponent(std::uint16_t component, std::uint16_t componentCount);

 protected:
  ~SegmentWriter() = default;
};

inline constexpr std::uint32_t ComponentIndexBytes(std::uint16_t componentCount) {
  return componentCount < 257 ? 1 : 2;
}

// Reads fields of one segment in order. A read past the end yields 0 and marks the reader
// failed, so a parser checks Finished() once instead of after every field.
class SegmentReader {
 public:
  explicit SegmentReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t U8();
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint16_t Component(std::uint16_t componentCount);
  // Takes count bytes as a view; an empty view when fewer remain.
  std::span<const std::uint8_t> Bytes(std::uint32_t count);

  std::uint32_t Remaining() const { return static_cast<std::uint32_t>(bytes_.size() - position_); }
  bool Failed() const { return failed_; }
  // True when every read stayed inside the segment and all of it was read.
  bool Finished() const { return !failed_ && position_ == bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

// Starts reading a segment: its length field must equal the number of bytes given.
// JP2_Error_Codestream otherwise.
Status OpenSegment(std::span<const std::uint8_t> segment, SegmentReader* reader);

}  // namespace quillon::jp2
