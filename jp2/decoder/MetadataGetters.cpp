// The metadata getters: counts and contents of xml, jp2i, uuid (and IPTC) and uinf boxes,
// also those behind the codestream, read into one scratch buffer shared by every data getter.
#include <algorithm>
#include <cstring>

#include "common/MetadataBoxes.h"
#include "decoder/BoxWalk.h"
#include "decoder/DecompressState.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kReadChunk = 65536;

// What a data getter hands out: bytes in the scratch buffer and whether the box was short.
struct BoxData {
  const std::uint8_t* bytes = nullptr;
  std::uint64_t length = 0;
  bool shortened = false;
};

// Makes the scratch buffer hold at least size bytes, keeping its first keep bytes.
Status GrowScratch(DecompressState& state, std::uint64_t size, std::uint64_t keep) {
  if (size <= state.scratchCapacity) return JP2_Success;
  const std::uint64_t capacity = std::max(size, 2 * state.scratchCapacity);
  OwnedBlock grown;
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, capacity, &grown));
  if (keep != 0) std::memcpy(grown.data, state.scratch.data, keep);
  JP2_RETURN_IF_ERROR(ReplaceBlock(state.memory, &state.scratch, grown));
  state.scratchCapacity = capacity;
  return JP2_Success;
}

// Reads up to wanted bytes at position into the scratch buffer, which grows only as bytes
// arrive, so a declared length far beyond the input costs nothing.
Status ReadIntoScratch(DecompressState& state, std::uint64_t position, std::uint64_t wanted,
                       std::uint64_t* delivered) {
  std::uint64_t done = 0;
  while (done < wanted) {
    const auto chunk =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted - done, kReadChunk));
    JP2_RETURN_IF_ERROR(GrowScratch(state, done + chunk, done));
    const std::uint32_t missing =
        state.input.Read(position + done, chunk, state.scratch.data + done);
    done += chunk - missing;
    if (missing != 0) break;
  }
  *delivered = done;
  return JP2_Success;
}

// The contents of a listed box from skip bytes into them; a box that runs to the end of the
// input is read up to there.
Status ReadEntry(DecompressState& state, const MetadataEntry& entry, std::uint64_t skip,
                 BoxData* data) {
  const std::uint64_t start = entry.position + entry.headerSize + skip;
  std::uint64_t wanted = start < kReadableLimit ? kReadableLimit - start : 0;
  if (entry.length != 0) {
    const std::uint64_t contents = entry.length - entry.headerSize;
    wanted = contents > skip ? contents - skip : 0;
  }
  JP2_RETURN_IF_ERROR(ReadIntoScratch(state, start, wanted, &data->length));
  data->bytes = state.scratch.data;
  data->shortened = entry.length != 0 && data->length < wanted;
  return JP2_Success;
}

bool IsIptc(const MetadataEntry& entry) {
  return std::memcmp(entry.uuid, kIptcUuid, kUuidSize) == 0;
}

std::uint32_t IptcCount(const DecompressState& state) {
  const GrowingList<MetadataEntry>& list = state.metadata[kUuidBoxes];
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < list.Count(); ++i) count += IsIptc(list[i]) ? 1 : 0;
  return count;
}

// The list entry a data getter asks for, after the late scan; -54 beyond the count.
Status EntryOf(DecompressState& state, MetadataKind kind, std::uint32_t index, bool iptcOnly,
               const MetadataEntry** entry) {
  JP2_RETURN_IF_ERROR(ScanLateBoxes(state));
  const GrowingList<MetadataEntry>& list = state.metadata[kind];
  for (std::uint32_t i = 0; i < list.Count(); ++i) {
    if (iptcOnly && !IsIptc(list[i])) continue;
    if (index-- == 0) {
      *entry = &list[i];
      return JP2_Success;
    }
  }
  return JP2_Error_MetadataIndex;
}

Status Count(DecompressHandle handle, MetadataKind kind, bool iptcOnly, std::uint32_t* count) {
  return WithDecompressState(handle, [&](DecompressState& state) -> Status {
    if (count == nullptr) return JP2_Error_NullArgument;
    *count = 0;
    JP2_RETURN_IF_ERROR(ScanLateBoxes(state));
    *count = iptcOnly ? IptcCount(state) : state.metadata[kind].Count();
    return JP2_Success;
  });
}

Status Data(DecompressHandle handle, MetadataKind kind, bool iptcOnly, std::uint32_t index,
            const std::uint8_t** bytes, std::uint32_t* length) {
  return WithDecompressState(handle, [&](DecompressState& state) -> Status {
    if (bytes == nullptr || length == nullptr) return JP2_Error_NullArgument;
    *bytes = nullptr;
    *length = 0;
    const MetadataEntry* entry = nullptr;
    JP2_RETURN_IF_ERROR(EntryOf(state, kind, index, iptcOnly, &entry));
    BoxData data;
    JP2_RETURN_IF_ERROR(ReadEntry(state, *entry, kind == kUuidBoxes ? kUuidSize : 0, &data));
    *bytes = data.bytes;
    *length = static_cast<std::uint32_t>(data.length);
    return data.shortened ? JP2_Warning_ShortMetadataBox : JP2_Success;
  });
}

Status UuidInfo(DecompressState& state, std::uint32_t index, const std::uint8_t** uuids,
                std::uint16_t* count, const std::uint8_t** location,
                std::uint32_t* locationLength) {
  if (uuids == nullptr || count == nullptr || location == nullptr || locationLength == nullptr) {
    return JP2_Error_NullArgument;
  }
  *uuids = *location = nullptr;
  *count = 0;
  *locationLength = 0;
  const MetadataEntry* entry = nullptr;
  JP2_RETURN_IF_ERROR(EntryOf(state, kUuidInfoBoxes, index, false, &entry));
  BoxData data;
  JP2_RETURN_IF_ERROR(ReadEntry(state, *entry, 0, &data));
  UuidInfoBox box;
  JP2_RETURN_IF_ERROR(box.Parse({data.bytes, data.length}));
  *uuids = box.uuids.data();
  *count = static_cast<std::uint16_t>(box.UuidCount());
  *location = box.location.data();
  *locationLength = static_cast<std::uint32_t>(box.location.size());
  return data.shortened ? JP2_Warning_ShortMetadataBox : JP2_Success;
}

}  // namespace
}  // namespace quillon::jp2

namespace jp2 = quillon::jp2;

extern "C" {

JP2_API int32_t JP2_Decompress_GetXML_Num(DecompressHandle handle, uint32_t* count) {
  return jp2::Count(handle, jp2::kXmlBoxes, false, count).code();
}
JP2_API int32_t JP2_Decompress_GetXML_Data(DecompressHandle handle, uint32_t index,
                                           const uint8_t** data, uint32_t* length) {
  return jp2::Data(handle, jp2::kXmlBoxes, false, index, data, length).code();
}
JP2_API int32_t JP2_Decompress_GetIP_Num(DecompressHandle handle, uint32_t* count) {
  return jp2::Count(handle, jp2::kIpBoxes, false, count).code();
}
JP2_API int32_t JP2_Decompress_GetIP_Data(DecompressHandle handle, uint32_t index,
                                          const uint8_t** data, uint32_t* length) {
  return jp2::Data(handle, jp2::kIpBoxes, false, index, data, length).code();
}
JP2_API int32_t JP2_Decompress_GetUUID_Num(DecompressHandle handle, uint32_t* count) {
  return jp2::Count(handle, jp2::kUuidBoxes, false, count).code();
}
JP2_API int32_t JP2_Decompress_GetUUID_Id(DecompressHandle handle, uint32_t index, uint8_t* uuid) {
  return jp2::WithDecompressState(handle, [&](jp2::DecompressState& state) -> jp2::Status {
    if (uuid == nullptr) return JP2_Error_NullArgument;
    const jp2::MetadataEntry* entry = nullptr;
    JP2_RETURN_IF_ERROR(jp2::EntryOf(state, jp2::kUuidBoxes, index, false, &entry));
    std::memcpy(uuid, entry->uuid, jp2::kUuidSize);
    return JP2_Success;
  });
}
JP2_API int32_t JP2_Decompress_GetUUID_Data(DecompressHandle handle, uint32_t index,
                                            const uint8_t** data, uint32_t* length) {
  return jp2::Data(handle, jp2::kUuidBoxes, false, index, data, length).code();
}
JP2_API int32_t JP2_Decompress_GetUUID_Info_Num(DecompressHandle handle, uint32_t* count) {
  return jp2::Count(handle, jp2::kUuidInfoBoxes, false, count).code();
}
JP2_API int32_t JP2_Decompress_GetUUID_Info_Data(DecompressHandle handle, uint32_t index,
                                                 const uint8_t** uuids, uint16_t* count,
                                                 const uint8_t** location,
                                                 uint32_t* locationLength) {
  return jp2::WithDecompressState(handle, [&](jp2::DecompressState& state) {
    return jp2::UuidInfo(state, index, uuids, count, location, locationLength);
  });
}
JP2_API int32_t JP2_Decompress_GetIPTC_Num(DecompressHandle handle, uint32_t* count) {
  return jp2::Count(handle, jp2::kUuidBoxes, true, count).code();
}
JP2_API int32_t JP2_Decompress_GetIPTC_Data(DecompressHandle handle, uint32_t index,
                                            const uint8_t** data, uint32_t* length) {
  return jp2::Data(handle, jp2::kUuidBoxes, true, index, data, length).code();
}

}  // extern "C"
