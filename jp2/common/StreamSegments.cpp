#include "common/StreamSegments.h"

#include "jp2.h"

namespace quillon::jp2 {

Status PocSegment::Write(SegmentWriter& out, std::span<const PocEntry> entries,
                         std::uint16_t componentCount) {
  const std::uint32_t length =
      2 + EntryBytes(componentCount) * static_cast<std::uint32_t>(entries.size());
  if (length > 0xFFFF) return JP2_Error_Limit;
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(length)));
  for (const PocEntry& entry : entries) {
    JP2_RETURN_IF_ERROR(out.PutU8(entry.resolutionStart));
    JP2_RETURN_IF_ERROR(out.PutComponent(entry.componentStart, componentCount));
    JP2_RETURN_IF_ERROR(out.PutU16(entry.layerEnd));
    JP2_RETURN_IF_ERROR(out.PutU8(entry.resolutionEnd));
    JP2_RETURN_IF_ERROR(out.PutComponent(entry.componentEnd, componentCount));
    JP2_RETURN_IF_ERROR(out.PutU8(entry.progression));
  }
  return JP2_Success;
}

Status PocSegment::Parse(std::span<const std::uint8_t> segment, std::uint16_t componentCount) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  const std::uint32_t entryBytes = EntryBytes(componentCount);
  if (in.Remaining() % entryBytes != 0) return JP2_Error_Codestream;
  entryCount = in.Remaining() / entryBytes;
  records = in.Bytes(in.Remaining());
  for (std::uint32_t i = 0; i < entryCount; ++i) {
    if (Entry(i, componentCount).progression > 4) return JP2_Error_Codestream;
  }
  return JP2_Success;
}

PocEntry PocSegment::Entry(std::uint32_t index, std::uint16_t componentCount) const {
  const std::uint32_t entryBytes = EntryBytes(componentCount);
  SegmentReader in(records.subspan(std::size_t{index} * entryBytes, entryBytes));
  PocEntry entry;
  entry.resolutionStart = in.U8();
  entry.componentStart = in.Component(componentCount);
  entry.layerEnd = in.U16();
  entry.resolutionEnd = in.U8();
  entry.componentEnd = in.Component(componentCount);
  if (ComponentIndexBytes(componentCount) == 1 && entry.componentEnd == 0) entry.componentEnd = 256;
  entry.progression = in.U8();
  return entry;
}

Status ComSegment::Write(SegmentWriter& out) const {
  if (Length() > 0xFFFF) return JP2_Error_Limit;
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(Length())));
  JP2_RETURN_IF_ERROR(out.PutU16(registration));
  return out.Put(text.data(), static_cast<std::uint32_t>(text.size()));
}

Status ComSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  registration = in.U16();
  text = in.Bytes(in.Remaining());
  return !in.Failed() && registration <= kLatin ? JP2_Success : JP2_Error_Codestream;
}

Status SotSegment::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, kLength));
  JP2_RETURN_IF_ERROR(out.PutU16(tile));
  JP2_RETURN_IF_ERROR(out.PutU32(partLength));
  JP2_RETURN_IF_ERROR(out.PutU8(partIndex));
  return out.PutU8(partCount);
}

Status SotSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  tile = in.U16();
  partLength = in.U32();
  partIndex = in.U8();
  partCount = in.U8();
  return in.Finished() ? JP2_Success : JP2_Error_Codestream;
}

Status TlmSegment::Write(SegmentWriter& out, std::span<const TlmEntry> entries) const {
  const std::uint32_t length = 4 + EntryBytes() * static_cast<std::uint32_t>(entries.size());
  if (length > 0xFFFF || tileBytes > 2 || (lengthBytes != 2 && lengthBytes != 4)) {
    return JP2_Error_Limit;
  }
  JP2_RETURN_IF_ERROR(out.PutMarker(kMarker, static_cast<std::uint16_t>(length)));
  JP2_RETURN_IF_ERROR(out.PutU8(index));
  JP2_RETURN_IF_ERROR(
      out.PutU8(static_cast<std::uint8_t>(tileBytes << 4 | (lengthBytes == 4 ? 0x40 : 0))));
  for (const TlmEntry& entry : entries) {
    if (tileBytes == 1) JP2_RETURN_IF_ERROR(out.PutU8(static_cast<std::uint8_t>(entry.tile)));
    if (tileBytes == 2) JP2_RETURN_IF_ERROR(out.PutU16(entry.tile));
    JP2_RETURN_IF_ERROR(lengthBytes == 4 ? out.PutU32(entry.length)
                                         : out.PutU16(static_cast<std::uint16_t>(entry.length)));
  }
  return JP2_Success;
}

Status TlmSegment::Parse(std::span<const std::uint8_t> segment) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  index = in.U8();
  const std::uint8_t stlm = in.U8();
  tileBytes = (stlm >> 4) & 3;
  lengthBytes = (stlm & 0x40) != 0 ? 4 : 2;
  if (in.Failed() || tileBytes == 3 || in.Remaining() % EntryBytes() != 0) {
    return JP2_Error_Codestream;
  }
  entryCount = in.Remaining() / EntryBytes();
  records = in.Bytes(in.Remaining());
  return JP2_Success;
}

TlmEntry TlmSegment::Entry(std::uint32_t index) const {
  SegmentReader in(records.subspan(std::size_t{index} * EntryBytes(), EntryBytes()));
  TlmEntry entry;
  entry.tile = tileBytes == 0   ? static_cast<std::uint16_t>(index)
               : tileBytes == 1 ? in.U8()
                                : in.U16();
  entry.length = lengthBytes == 4 ? in.U32() : in.U16();
  return entry;
}

Status ParseIndexedData(std::span<const std::uint8_t> segment, std::uint16_t minLength,
                        std::uint8_t* index, std::span<const std::uint8_t>* data) {
  SegmentReader in(segment);
  JP2_RETURN_IF_ERROR(OpenSegment(segment, &in));
  if (segment.size() < minLength) return JP2_Error_Codestream;
  *index = in.U8();
  *data = in.Bytes(in.Remaining());
  return JP2_Success;
}

}  // namespace quillon::jp2
