#include "common/MetadataBoxes.h"

namespace quillon::jp2 {
namespace {

// The next sub-box of the given type: its contents, bounded by its length and the parent's.
Status SubBoxContents(FieldReader& in, std::uint32_t type,
                      std::span<const std::uint8_t>* contents) {
  BoxHeader header;
  JP2_RETURN_IF_ERROR(header.Parse(in));
  if (header.type != type) return JP2_Error_ShortRead;
  *contents = header.RunsToEnd() ? in.Rest() : in.Bytes(header.ContentLength());
  return in.Finish();
}

}  // namespace

Status PayloadBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(type, data.size()).Write(out));
  return PutBytes(out, data);
}

Status PayloadBox::Parse(std::span<const std::uint8_t> contents) {
  data = contents;
  return JP2_Success;
}

Status UuidBox::Write(SegmentWriter& out) const {
  if (uuid.size() != kUuidSize) return JP2_Error_Internal;
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxUuid, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(PutBytes(out, uuid));
  return PutBytes(out, data);
}

Status UuidBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  uuid = in.Bytes(kUuidSize);
  data = in.Rest();
  return in.Finish();
}

Status UuidInfoBox::Write(SegmentWriter& out) const {
  if (uuids.size() % kUuidSize != 0 || UuidCount() > 0xFFFF) return JP2_Error_ValueOutOfRange;
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxUuidInfo, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxUuidList, ListLength() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU16(static_cast<std::uint16_t>(UuidCount())));
  JP2_RETURN_IF_ERROR(PutBytes(out, uuids));
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxUrl, UrlLength() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU32(0));
  JP2_RETURN_IF_ERROR(PutBytes(out, location));
  return out.PutU8(0);
}

Status UuidInfoBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  std::span<const std::uint8_t> list;
  JP2_RETURN_IF_ERROR(SubBoxContents(in, kBoxUuidList, &list));
  FieldReader listFields(list);
  const std::uint16_t count = listFields.U16();
  uuids = listFields.Bytes(kUuidSize * count);
  JP2_RETURN_IF_ERROR(listFields.Finish());
  std::span<const std::uint8_t> url;
  JP2_RETURN_IF_ERROR(SubBoxContents(in, kBoxUrl, &url));
  FieldReader urlFields(url);
  static_cast<void>(urlFields.U32());
  location = urlFields.Rest();
  return urlFields.Finish();
}

}  // namespace quillon::jp2
