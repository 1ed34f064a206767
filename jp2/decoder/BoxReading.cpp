#include "decoder/BoxReading.h"

#include "common/BoxFields.h"
#include "decoder/InputSource.h"

namespace quillon::jp2 {

Status ReadBoxHeader(ByteReader& input, std::uint64_t position, BoxHeader* header) {
  std::uint8_t bytes[BoxHeader::kExtendedSize] = {};
  if (input.Read(position, BoxHeader::kSize, bytes) != 0) return JP2_Error_ShortRead;
  std::uint64_t available = BoxHeader::kSize;
  if (ReadU32(bytes) == 1) {
    if (input.Read(position + BoxHeader::kSize, BoxHeader::kSize, bytes + BoxHeader::kSize) != 0) {
      return JP2_Error_ShortRead;
    }
    available = BoxHeader::kExtendedSize;
  }
  FieldReader fields({bytes, available});
  return header->Parse(fields);
}

Status BoxEnd(std::uint64_t position, const BoxHeader& header, std::uint64_t* end) {
  if (header.length > kReadableLimit || position > kReadableLimit - header.length) {
    return JP2_Error_Limit;
  }
  *end = position + header.length;
  return JP2_Success;
}

Status ReadBoxContents(ByteReader& input, const MemoryCallbacks& memory, std::uint64_t position,
                       std::uint64_t length, OwnedBlock* contents) {
  *contents = OwnedBlock{};
  if (length == 0) return JP2_Success;
  if (length > 0xFFFFFFFFu) return JP2_Error_ByteRead;
  std::uint8_t last = 0;
  if (input.Read(position + length - 1, 1, &last) != 0) return JP2_Error_ByteRead;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, length, contents));
  if (input.Read(position, static_cast<std::uint32_t>(length), contents->data) != 0) {
    static_cast<void>(Release(memory, contents));
    return JP2_Error_ByteRead;
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
