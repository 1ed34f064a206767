#include "common/BoxHeader.h"

#include <algorithm>
#include <limits>

namespace quillon::jp2 {

BoxHeader BoxHeader::For(std::uint32_t type, std::uint64_t contentLength) {
  BoxHeader header;
  header.type = type;
  if (contentLength > std::numeric_limits<std::uint32_t>::max() - kSize) {
    header.headerSize = kExtendedSize;
  }
  header.length = contentLength + header.headerSize;
  return header;
}

Status BoxHeader::Write(SegmentWriter& out) const {
  if (headerSize == kExtendedSize) {
    JP2_RETURN_IF_ERROR(out.PutU32(1));
    JP2_RETURN_IF_ERROR(out.PutU32(type));
    JP2_RETURN_IF_ERROR(out.PutU32(static_cast<std::uint32_t>(length >> 32)));
    return out.PutU32(static_cast<std::uint32_t>(length));
  }
  if (length > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_Limit;
  JP2_RETURN_IF_ERROR(out.PutU32(static_cast<std::uint32_t>(length)));
  return out.PutU32(type);
}

Status BoxHeader::Parse(FieldReader& in) {
  length = in.U32();
  type = in.U32();
  headerSize = kSize;
  if (length == 1) {
    length = in.U64();
    headerSize = kExtendedSize;
  }
  if (!in.ok()) return JP2_Error_ShortRead;
  if (length != 0 && length < headerSize) return JP2_Error_ShortRead;
  return JP2_Success;
}

bool SignatureBox::Matches(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= sizeof kBytes && std::equal(kBytes, kBytes + sizeof kBytes, bytes.begin());
}

Status FileTypeBox::Write(SegmentWriter& out) const {
  JP2_RETURN_IF_ERROR(BoxHeader::For(kBoxFileType, Length() - BoxHeader::kSize).Write(out));
  JP2_RETURN_IF_ERROR(out.PutU32(brand));
  JP2_RETURN_IF_ERROR(out.PutU32(minorVersion));
  for (const std::uint32_t entry : compatibility) JP2_RETURN_IF_ERROR(out.PutU32(entry));
  return JP2_Success;
}

Status FileTypeBox::Parse(std::span<const std::uint8_t> contents) {
  FieldReader in(contents);
  brand = in.U32();
  minorVersion = in.U32();
  listed = in.Bytes(in.Remaining() / 4 * 4);
  return in.Finish();
}

bool FileTypeBox::Names(std::uint32_t wanted) const {
  if (brand == wanted) return true;
  for (std::size_t at = 0; at + 4 <= listed.size(); at += 4) {
    if (ReadU32(listed.data() + at) == wanted) return true;
  }
  return false;
}

}  // namespace quillon::jp2
