// Big-endian fields of boxes: a reader bounded by the bytes it is given, and the writing of
// byte runs through the segment writer that marker segments use too.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "common/MarkerSegmentIo.h"
#include "common/Status.h"
#include "jp2.h"

namespace quillon::jp2 {

// Depth and sign as one byte of ihdr, bpcc, pclr and SIZ: depth - 1, bit 7 for signed.
inline std::uint8_t DepthByte(std::uint32_t depth, bool isSigned) {
  return static_cast<std::uint8_t>((depth - 1) | (isSigned ? 0x80 : 0));
}
inline std::uint32_t DepthOf(std::uint8_t depthByte) {
  return (depthByte & 0x7Fu) + 1;
}
inline bool IsSignedDepth(std::uint8_t depthByte) {
  return (depthByte & 0x80) != 0;
}

// Reads fields from a span; a read past its end yields zeros and marks the reader failed, so
// a parser checks ok() once instead of after every field.
class FieldReader {
 public:
  explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
  std::uint64_t U64() { return Take(8); }
  // The next count bytes, or an empty span (and failure) when fewer remain.
  std::span<const std::uint8_t> Bytes(std::uint64_t count);
  // Everything not read yet.
  std::span<const std::uint8_t> Rest() { return Bytes(Remaining()); }

  std::uint64_t Remaining() const { return bytes_.size() - position_; }
  bool ok() const { return ok_; }
  // JP2_Error_ShortRead when some field lay beyond the bytes.
  Status Finish() const { return ok_ ? JP2_Success : JP2_Error_ShortRead; }

 private:
  std::uint64_t Take(int count);

  std::span<const std::uint8_t> bytes_;
  std::uint64_t position_ = 0;
  bool ok_ = true;
};

// Writes bytes of a box; JP2_Error_Limit for more than a 32-bit count.
Status PutBytes(SegmentWriter& out, std::span<const std::uint8_t> bytes);

// Writes into a fixed span; writing past its end is an internal error (-100).
class MemorySink final : public SegmentWriter {
 public:
  explicit MemorySink(std::span<std::uint8_t> bytes) : bytes_(bytes) {}
  Status Put(const std::uint8_t* bytes, std::uint32_t count) override;
  std::uint64_t Written() const { return written_; }

 private:
  std::span<std::uint8_t> bytes_;
  std::uint64_t written_ = 0;
};

}  // namespace quillon::jp2
