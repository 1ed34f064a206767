// Metadata boxes: each is built complete in an allocation of its own and kept in call order
// until the file writer writes it; after compression it is appended to the file at once.
#include <cstring>
#include <limits>
#include <new>

#include "common/BigEndian.h"
#include "encoder/CompressState.h"
#include "encoder/FileBoxes.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kBoxHeader = 8;
constexpr std::uint64_t kUuidSize = 16;
constexpr std::uint8_t kIptcUuid[kUuidSize] = {0x33, 0xc7, 0xa4, 0xd2, 0xb8, 0x1d, 0x47, 0x23,
                                              0xa0, 0xba, 0xf1, 0xa3, 0xe0, 0x97, 0xad, 0x38};

Status RequireFileFormat(const CompressState& state) {
  return state.fileFormat == JP2_Format_Codestream ? JP2_Error_NeedsJp2OrJpx : JP2_Success;
}

// Appends a list node with room for a box of boxLength bytes, whose header it writes; *body
// receives where the box contents go. Boxes beyond 32-bit lengths cannot be allocated (-1).
Status NewBox(CompressState& state, std::uint32_t type, std::uint64_t boxLength,
              std::uint8_t** body) {
  if (boxLength > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_OutOfMemory;
  BlockLayout layout;
  const std::uint64_t nodeOffset = layout.Add(1, sizeof(MetadataBox));
  const std::uint64_t bytesOffset = layout.Add(boxLength, 1);
  OwnedBlock block;
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &block));
  auto* box = new (block.data + nodeOffset) MetadataBox{};
  box->block = block;
  box->bytes = block.data + bytesOffset;
  box->length = static_cast<std::uint32_t>(boxLength);
  if (state.lastBox != nullptr) {
    state.lastBox->next = box;
  } else {
    state.firstBox = box;
  }
  state.lastBox = box;
  *body = WriteU32(WriteU32(box->bytes, box->length), type);
  return JP2_Success;
}

// A box holding an optional 16-byte UUID followed by the payload bytes.
Status AddPayloadBox(CompressState& state, std::uint32_t type, const std::uint8_t* uuid,
                     const std::uint8_t* data, std::uint32_t length) {
  JP2_RETURN_IF_ERROR(RequireFileFormat(state));
  if (data == nullptr && length != 0) return JP2_Error_NullArgument;
  const std::uint64_t uuidLength = uuid != nullptr ? kUuidSize : 0;
  std::uint8_t* body = nullptr;
  JP2_RETURN_IF_ERROR(NewBox(state, type, kBoxHeader + uuidLength + length, &body));
  if (uuid != nullptr) std::memcpy(body, uuid, kUuidSize);
  if (length != 0) std::memcpy(body + uuidLength, data, length);
  return WriteTrailingBoxes(state);
}

// uinf holding ulst (NU, then NU UUIDs) and url (version and flags 0, the text, one zero).
Status AddUuidInfoBox(CompressState& state, const std::uint8_t* uuids, std::uint32_t count,
                      const std::uint8_t* url, std::uint32_t urlLength) {
  JP2_RETURN_IF_ERROR(RequireFileFormat(state));
  if ((uuids == nullptr && count != 0) || (url == nullptr && urlLength != 0)) {
    return JP2_Error_NullArgument;
  }
  if (count > std::numeric_limits<std::uint16_t>::max()) return JP2_Error_ValueOutOfRange;
  while (urlLength != 0 && url[urlLength - 1] == 0) --urlLength;
  const std::uint64_t listLength = kBoxHeader + 2 + kUuidSize * count;
  const std::uint64_t urlBoxLength = kBoxHeader + 4 + std::uint64_t{urlLength} + 1;
  std::uint8_t* body = nullptr;
  JP2_RETURN_IF_ERROR(
      NewBox(state, FourCC("uinf"), kBoxHeader + listLength + urlBoxLength, &body));
  body = WriteU32(body, static_cast<std::uint32_t>(listLength));
  body = WriteU32(body, FourCC("ulst"));
  body = WriteU16(body, static_cast<std::uint16_t>(count));
  if (count != 0) std::memcpy(body, uuids, kUuidSize * count);
  body += kUuidSize * count;
  body = WriteU32(body, static_cast<std::uint32_t>(urlBoxLength));
  body = WriteU32(body, FourCC("url "));
  body = WriteU32(body, 0);
  if (urlLength != 0) std::memcpy(body, url, urlLength);
  body[urlLength] = 0;
  return WriteTrailingBoxes(state);
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;
using quillon::jp2::FourCC;
using quillon::jp2::WithState;

extern "C" {

JP2_API int32_t JP2_Compress_SetXML_Data(CompressHandle handle, const uint8_t* data,
                                         uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddPayloadBox(state, FourCC("xml "), nullptr, data, length);
  });
}

JP2_API int32_t JP2_Compress_SetIP_Data(CompressHandle handle, const uint8_t* data,
                                        uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    JP2_RETURN_IF_ERROR(quillon::jp2::AddPayloadBox(state, FourCC("jp2i"), nullptr, data, length));
    state.ipDataSet = true;
    return quillon::jp2::Status();
  });
}

JP2_API int32_t JP2_Compress_SetUUID_Data(CompressHandle handle, const uint8_t* uuid,
                                          const uint8_t* data, uint32_t length) {
  return WithState(handle, [&](CompressState& state) -> quillon::jp2::Status {
    if (uuid == nullptr) return JP2_Error_NullArgument;
    return quillon::jp2::AddPayloadBox(state, FourCC("uuid"), uuid, data, length);
  });
}

JP2_API int32_t JP2_Compress_SetUUID_Info(CompressHandle handle, const uint8_t* uuids,
                                          uint32_t count, const uint8_t* url,
                                          uint32_t urlLength) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddUuidInfoBox(state, uuids, count, url, urlLength);
  });
}

JP2_API int32_t JP2_Compress_SetIPTC_Data(CompressHandle handle, const uint8_t* data,
                                          uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddPayloadBox(state, FourCC("uuid"), quillon::jp2::kIptcUuid, data,
                                       length);
  });
}

}  // extern "C"
