#include "common/ChannelBoxes.h"

namespace quillon::jp2 {

std::uint64_t PaletteBox::RowBytes() const {
  std::uint64_t bytes = 0;
  for (const std::uint8_t depthByte : depthBytes) bytes += BytesPerValue(depthByte);
  return bytes;
}

std::uint64_t PaletteBox::Length() const {
  return BoxHeader::kSize + 3 + depthBytes.size() + std::uint64_t{entries} * RowBytes();
}

Status PaletteBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxPalette, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU16(entries));
  JP2_RETURN_IF_ERROR(out.PutU8(columns));
  JP2_RETURN_IF_ERROR(PutBytes(out, depthBytes));
  for (std::uint32_t e = 0; e < entries; ++e) {
    for (std::uint32_t c = 0; c < columns; ++c) {
      const std::uint32_t value = values[c][e];
      const std::uint8_t bytes[] = {
          static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
      const std::uint32_t count = BytesPerValue(depthBytes[c]);
      JP2_RETURN_IF_ERROR(out.Put(bytes + 4 - count, count));
    }
  }
  return JP2_Success;
}

Status PaletteBox::ParseHeader(FieldReader& in) {
  entries = in.U16();
  columns = in.U8();
  depthBytes = in.Bytes(columns);
  JP2_RETURN_IF_ERROR(in.Finish());
  for (const std::uint8_t depthByte : depthBytes) {
    if (DepthOf(depthByte) > kMaxDepth) return JP2_Error_Limit;
  }
  if (std::uint64_t{entries} * RowBytes() > in.Remaining()) return JP2_Error_ShortRead;
  return JP2_Success;
}

Status PaletteBox::ParseValues(FieldReader& in, std::uint32_t* const* columnValues) const {
  for (std::uint32_t e = 0; e < entries; ++e) {
    for (std::uint32_t c = 0; c < columns; ++c) {
      std::uint32_t value = 0;
      for (const std::uint8_t byte : in.Bytes(BytesPerValue(depthBytes[c])))
        value = value << 8 | byte;
      columnValues[c][e] = value;
    }
  }
  return in.Finish();
}

Status ComponentMappingBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxComponentMapping, Length() - BoxHeader::kSize).Write(out));
  for (const ComponentMapping& entry : entries) {
    JP2_RETURN_IF_ERROR(out.PutU16(entry.component));
    JP2_RETURN_IF_ERROR(out.PutU8(entry.type));
    JP2_RETURN_IF_ERROR(out.PutU8(entry.column));
  }
  return JP2_Success;
}

Status ComponentMappingBox::Parse(std::span<const std::uint8_t> contents,
                                  std::span<ComponentMapping> out) {
  FieldReader in(contents);
  for (ComponentMapping& entry : out) {
    entry.component = in.U16();
    entry.type = in.U8();
    entry.column = in.U8();
  }
  return in.Finish();
}

Status ChannelDefinitionBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(
      BoxHeader::For(kBoxChannelDefinition, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU16(static_cast<std::uint16_t>(entries.size())));
  for (const ChannelDefinition& entry : entries) {
    for (const std::uint16_t value : {entry.channel, entry.type, entry.association}) {
      JP2_RETURN_IF_ERROR(out.PutU16(value));
    }
  }
  return JP2_Success;
}

Status ChannelDefinitionBox::ParseCount(std::span<const std::uint8_t> contents,
                                        std::uint16_t* count) {
  FieldReader in(contents);
  *count = in.U16();
  JP2_RETURN_IF_ERROR(in.Finish());
  return std::uint64_t{*count} * kEntrySize <= in.Remaining() ? JP2_Success : JP2_Error_ShortRead;
}

Status ChannelDefinitionBox::Parse(std::span<const std::uint8_t> contents,
                                   std::span<ChannelDefinition> out) {
  FieldReader in(contents);
  static_cast<void>(in.U16());
  for (ChannelDefinition& entry : out) {
    entry.channel = in.U16();
    entry.type = in.U16();
    entry.association = in.U16();
  }
  return in.Finish();
}

}  // namespace quillon::jp2
