// A tile-part header: SOT, the tile's own segments up to SOD with the tile-part priorities,
// and where the tile-part's packet data and packed packet headers lie.
#include <new>

#include "common/BigEndian.h"
#include "decoder/CodestreamRecords.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kSotBytes = 2 + SotSegment::kLength;
constexpr std::uint32_t kSmallestTilePart = kSotBytes + 2;  // SOT and SOD

Status TileRecordOf(const MemoryCallbacks& memory, CodestreamParams* params, std::uint32_t tile,
                    TileRecord** record) {
  CodestreamHeader* header = params->detail;
  if (header->tiles == nullptr) {
    JP2_RETURN_IF_ERROR(AllocateZeroed(
        memory, std::uint64_t{params->tileCount} * sizeof(TileRecord*), &header->tileTable));
    header->tiles = reinterpret_cast<TileRecord**>(header->tileTable.data);
  }
  if (header->tiles[tile] == nullptr) {
    OwnedBlock block;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, sizeof(TileRecord), &block));
    TileRecord* created = new (block.data) TileRecord();
    created->block = block;
    header->tiles[tile] = created;
  }
  *record = header->tiles[tile];
  return JP2_Success;
}

class TilePartParser {
 public:
  TilePartParser(const MemoryCallbacks& memory, CodestreamParams* params, TileRecord* record)
      : memory_(memory), params_(params), record_(record) {}

 private:
  std::uint16_t Components() const { return static_cast<std::uint16_t>(params_->componentCount); }

  // The tile's record of one component, created on its first COC, QCC or RGN.
  Status Override(std::uint16_t component, ComponentOverride** entry) {
    if (component >= Components()) return JP2_Error_Codestream;
    CodecArray<ComponentOverride>& list = record_->overrides;
    std::uint32_t at = 0;
    while (at < list.size() && list[at].component < component) ++at;
    if (at == list.size() || list[at].component != component) {
      ComponentOverride created;
      created.component = component;
      JP2_RETURN_IF_ERROR(list.Insert(memory_, at, created));
    }
    *entry = &list[at];
    return JP2_Success;
  }

 public:
  // One segment of the tile-part header; position is that of its length field.
  Status Segment(std::uint16_t marker, std::span<const std::uint8_t> segment,
                 std::uint64_t position) {
    ComponentOverride* entry = nullptr;
    switch (marker) {
      case kMarkerCod: {
        CodSegment cod;
        JP2_RETURN_IF_ERROR(cod.Parse(segment));
        ApplyTileCoding(cod, kPriorityTileDefault, &record_->params);
        record_->defaults.coding = cod.coding;
        record_->defaults.hasCoding = true;
        params_->anyComponentTransform |= cod.componentTransform != 0;
        return JP2_Success;
      }
      case kMarkerCoc: {
        CocSegment coc;
        JP2_RETURN_IF_ERROR(coc.Parse(segment, Components()));
        JP2_RETURN_IF_ERROR(Override(coc.component, &entry));
        entry->values.coding = coc.coding;
        entry->values.hasCoding = true;
        return JP2_Success;
      }
      case kMarkerQcd: {
        QcdSegment qcd;
        JP2_RETURN_IF_ERROR(qcd.Parse(segment));
        record_->defaults.quantization = qcd.quantization;
        record_->defaults.hasQuantization = true;
        return JP2_Success;
      }
      case kMarkerQcc: {
        QccSegment qcc;
        JP2_RETURN_IF_ERROR(qcc.Parse(segment, Components()));
        JP2_RETURN_IF_ERROR(Override(qcc.component, &entry));
        entry->values.quantization = qcc.quantization;
        entry->values.hasQuantization = true;
        return JP2_Success;
      }
      case kMarkerRgn: {
        RgnSegment rgn;
        JP2_RETURN_IF_ERROR(rgn.Parse(segment, Components()));
        JP2_RETURN_IF_ERROR(Override(rgn.component, &entry));
        entry->values.roiShift = rgn.shift;
        entry->values.hasRoi = true;
        return JP2_Success;
      }
      case kMarkerPoc: {
        PocSegment poc;
        JP2_RETURN_IF_ERROR(poc.Parse(segment, Components()));
        return AppendProgressionChanges(memory_, poc, Components(), &record_->progressionChanges);
      }
      case kMarkerPpt: {
        // Packed headers come from PPM or from PPT, never from both.
        if (params_->detail->ppm.size() != 0) return JP2_Error_Codestream;
        PptSegment ppt;
        JP2_RETURN_IF_ERROR(ppt.Parse(segment));
        return RecordPackedSegment(memory_, ppt.index, position + PptSegment::kDataOffset,
                                   static_cast<std::uint32_t>(ppt.data.size()), &record_->ppt);
      }
      default: {  // COM: checked, not kept
        ComSegment com;
        return com.Parse(segment);
      }
    }
  }

 private:
  const MemoryCallbacks& memory_;
  CodestreamParams* params_;
  TileRecord* record_;
};

// Takes this tile-part's run of the PPM stream: Nppm (u32), then Nppm bytes of headers.
Status TakePpmRun(ByteReader& input, CodestreamHeader* header, TilePartInfo* info) {
  std::uint8_t bytes[4];
  const std::span<const PackedHeaderSegment> segments = header->ppm.view();
  if (ReadPackedHeaders(input, segments, header->ppmConsumed, 4, bytes) != 0) {
    return JP2_Error_Codestream;
  }
  const std::uint64_t start = header->ppmConsumed + 4;
  const std::uint32_t length = ReadU32(bytes);
  if (length > header->ppmLength - start) return JP2_Error_Codestream;
  info->packedHeaders = kPackedHeadersPpm;
  info->packedStart = start;
  info->packedLength = length;
  header->ppmConsumed = start + length;
  return JP2_Success;
}

Status ParseTilePartInto(ByteReader& input, std::uint64_t offset, const MemoryCallbacks& memory,
                         std::uint8_t* buffer, CodestreamParams* params, TilePartInfo* info) {
  std::uint8_t sotBytes[kSotBytes];
  if (input.Read(offset, kSotBytes, sotBytes) != 0) return JP2_Error_Codestream;
  SotSegment sot;
  if (sotBytes[0] != 0xFF || sotBytes[1] != (kMarkerSot & 0xFF)) return JP2_Error_Codestream;
  JP2_RETURN_IF_ERROR(sot.Parse(std::span<const std::uint8_t>(sotBytes + 2, SotSegment::kLength)));
  if (sot.tile >= params->tileCount) return JP2_Error_Codestream;
  if (sot.partLength != 0 && sot.partLength < kSmallestTilePart) return JP2_Error_Codestream;
  const std::uint64_t end = sot.partLength != 0 ? offset + sot.partLength : 0;

  TileRecord* record = nullptr;
  JP2_RETURN_IF_ERROR(TileRecordOf(memory, params, sot.tile, &record));
  ++record->tileParts;
  TilePartParser parser(memory, params, record);
  SegmentScanner scanner(input, offset + kSotBytes, buffer);
  JP2_RETURN_IF_ERROR(ScanSegments(
      scanner, end, [](std::uint16_t code) { return HeaderMarkerAction(code, false); },
      [&parser](std::uint16_t code, std::span<const std::uint8_t> bytes, std::uint64_t at) {
        return parser.Segment(code, bytes, at);
      }));
  const std::uint64_t dataStart = scanner.MarkerPosition() + 2;
  if (end != 0 && dataStart > end) return JP2_Error_Codestream;

  *info = TilePartInfo{};
  info->tile = sot.tile;
  info->partIndex = sot.partIndex;
  info->partCount = sot.partCount;
  info->nextTilePart = end;
  info->dataStart = dataStart;
  info->dataEnd = end;
  if (params->detail->ppm.size() != 0) return TakePpmRun(input, params->detail, info);
  if (record->ppt.size() != 0) info->packedHeaders = kPackedHeadersPpt;
  return JP2_Success;
}

}  // namespace

Status ParseTilePartHeader(ByteReader& input, std::uint64_t offset, const MemoryCallbacks& memory,
                           CodestreamParams* params, TilePartInfo* info,
                           std::uint8_t* segmentBuffer) {
  if (params->detail == nullptr || segmentBuffer == nullptr) return JP2_Error_Internal;
  return ParseTilePartInto(input, offset, memory, segmentBuffer, params, info);
}

}  // namespace quillon::jp2
