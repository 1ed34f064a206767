#include "common/MarkerSegmentIo.h"

#include "common/BigEndian.h"
#include "jp2.h"

namespace quillon::jp2 {

Status SegmentWriter::PutU16(std::uint16_t value) {
  std::uint8_t bytes[2];
  WriteU16(bytes, value);
  return Put(bytes, sizeof bytes);
}

Status SegmentWriter::PutU32(std::uint32_t value) {
  std::uint8_t bytes[4];
  WriteU32(bytes, value);
  return Put(bytes, sizeof bytes);
}

Status SegmentWriter::PutMarker(std::uint16_t marker, std::uint16_t length) {
  std::uint8_t bytes[4];
  WriteU16(WriteU16(bytes, marker), length);
  return Put(bytes, sizeof bytes);
}

Status SegmentWriter::PutComponent(std::uint16_t component, std::uint16_t componentCount) {
  if (ComponentIndexBytes(componentCount) == 1) return PutU8(static_cast<std::uint8_t>(component));
  return PutU16(component);
}

std::uint8_t SegmentReader::U8() {
  if (failed_ || Remaining() < 1) {
    failed_ = true;
    return 0;
  }
  return bytes_[position_++];
}

std::uint16_t SegmentReader::U16() {
  const std::uint16_t high = U8();
  return static_cast<std::uint16_t>(high << 8 | U8());
}

std::uint32_t SegmentReader::U32() {
  const std::uint32_t high = U16();
  return high << 16 | U16();
}

std::uint16_t SegmentReader::Component(std::uint16_t componentCount) {
  return ComponentIndexBytes(componentCount) == 1 ? U8() : U16();
}

std::span<const std::uint8_t> SegmentReader::Bytes(std::uint32_t count) {
  if (failed_ || Remaining() < count) {
    failed_ = true;
    return {};
  }
  const std::span<const std::uint8_t> view = bytes_.subspan(position_, count);
  position_ += count;
  return view;
}

Status OpenSegment(std::span<const std::uint8_t> segment, SegmentReader* reader) {
  *reader = SegmentReader(segment);
  const std::uint16_t length = reader->U16();
  if (reader->Failed() || length != segment.size()) return JP2_Error_Codestream;
  return JP2_Success;
}

}  // namespace quillon::jp2
