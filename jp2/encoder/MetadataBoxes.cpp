// Metadata boxes: each is built complete in an allocation of its own and kept in call order
// until the file writer writes it; after compression it is appended to the file at once.
#include <cstring>
#include <limits>
#include <new>
#include <span>

#include "common/BigEndian.h"
#include "common/BoxFields.h"
#include "common/MetadataBoxes.h"
#include "encoder/CompressState.h"
#include "encoder/FileBoxes.h"

namespace quillon::jp2 {
namespace {

Status RequireFileFormat(const CompressState& state) {
  return state.fileFormat == JP2_Format_Codestream ? JP2_Error_NeedsJp2OrJpx : JP2_Success;
}

// Builds the box in a list node of its own and appends the node to the queue, then writes
// the queue when compression is over. Boxes beyond 32-bit lengths cannot be allocated (-1).
template <typename Box>
Status QueueBox(CompressState& state, const Box& box) {
  const std::uint64_t boxLength = box.Length();
  if (boxLength > std::numeric_limits<std::uint32_t>::max()) return JP2_Error_OutOfMemory;
  BlockLayout layout;
  const std::uint64_t nodeOffset = layout.Add(1, sizeof(MetadataBox));
  const std::uint64_t bytesOffset = layout.Add(boxLength, 1);
  OwnedBlock block;
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &block));
  auto* node = new (block.data + nodeOffset) MetadataBox{};
  node->block = block;
  node->bytes = block.data + bytesOffset;
  node->length = static_cast<std::uint32_t>(boxLength);
  MemorySink sink({node->bytes, node->length});
  const Status written = box.Write(sink);
  if (!written.ok()) {
    static_cast<void>(Release(state.memory, &block));
    return written;
  }
  if (state.lastBox != nullptr) {
    state.lastBox->next = node;
  } else {
    state.firstBox = node;
  }
  state.lastBox = node;
  return WriteTrailingBoxes(state);
}

// An xml or jp2i box, or with a uuid a uuid box.
Status AddPayloadBox(CompressState& state, std::uint32_t type, const std::uint8_t* uuid,
                     const std::uint8_t* data, std::uint32_t length) {
  JP2_RETURN_IF_ERROR(RequireFileFormat(state));
  if (data == nullptr && length != 0) return JP2_Error_NullArgument;
  const std::span<const std::uint8_t> payload(data, length);
  if (uuid != nullptr) return QueueBox(state, UuidBox{{uuid, kUuidSize}, payload});
  return QueueBox(state, PayloadBox{type, payload});
}

Status AddUuidInfoBox(CompressState& state, const std::uint8_t* uuids, std::uint32_t count,
                      const std::uint8_t* url, std::uint32_t urlLength) {
  JP2_RETURN_IF_ERROR(RequireFileFormat(state));
  if ((uuids == nullptr && count != 0) || (url == nullptr && urlLength != 0)) {
    return JP2_Error_NullArgument;
  }
  if (count > std::numeric_limits<std::uint16_t>::max()) return JP2_Error_ValueOutOfRange;
  while (urlLength != 0 && url[urlLength - 1] == 0) --urlLength;
  UuidInfoBox box;
  box.uuids = {uuids, kUuidSize * count};
  box.location = {url, urlLength};
  return QueueBox(state, box);
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;
using quillon::jp2::WithState;

extern "C" {

JP2_API int32_t JP2_Compress_SetXML_Data(CompressHandle handle, const uint8_t* data,
                                         uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddPayloadBox(state, quillon::jp2::kBoxXml, nullptr, data, length);
  });
}

JP2_API int32_t JP2_Compress_SetIP_Data(CompressHandle handle, const uint8_t* data,
                                        uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    JP2_RETURN_IF_ERROR(quillon::jp2::AddPayloadBox(state, quillon::jp2::kBoxIntellectualProperty,
                                                    nullptr, data, length));
    state.ipDataSet = true;
    return quillon::jp2::Status();
  });
}

JP2_API int32_t JP2_Compress_SetUUID_Data(CompressHandle handle, const uint8_t* uuid,
                                          const uint8_t* data, uint32_t length) {
  return WithState(handle, [&](CompressState& state) -> quillon::jp2::Status {
    if (uuid == nullptr) return JP2_Error_NullArgument;
    return quillon::jp2::AddPayloadBox(state, quillon::jp2::kBoxUuid, uuid, data, length);
  });
}

JP2_API int32_t JP2_Compress_SetUUID_Info(CompressHandle handle, const uint8_t* uuids,
                                          uint32_t count, const uint8_t* url, uint32_t urlLength) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddUuidInfoBox(state, uuids, count, url, urlLength);
  });
}

JP2_API int32_t JP2_Compress_SetIPTC_Data(CompressHandle handle, const uint8_t* data,
                                          uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::AddPayloadBox(state, quillon::jp2::kBoxUuid, quillon::jp2::kIptcUuid, data,
                                       length);
  });
}

}  // extern "C"
