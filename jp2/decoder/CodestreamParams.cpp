// The codestream parameters as segments set them and as later stages read them: values by
// priority, progression order changes, packed header segments, tile and component bounds.
#include <algorithm>
#include <cstring>

#include "decoder/CodestreamRecords.h"

namespace quillon::jp2 {
namespace {

std::uint32_t CeilDiv(std::uint64_t value, std::uint32_t divisor) {
  return static_cast<std::uint32_t>((value + divisor - 1) / divisor);
}

// Applies tile-part values with the priority of their segments.
void ApplyTileValues(const TileValues& own, std::uint8_t priority, TileComponentParams* values) {
  if (own.hasCoding) ApplyCoding(own.coding, priority, values);
  if (own.hasQuantization) ApplyQuantization(own.quantization, priority, values);
  if (own.hasRoi) values->roiShift = own.roiShift;
}

const ComponentOverride* FindOverride(const TileRecord& record, int component) {
  const std::span<const ComponentOverride> overrides = record.overrides.view();
  const auto found = std::lower_bound(
      overrides.begin(), overrides.end(), component,
      [](const ComponentOverride& entry, int wanted) { return entry.component < wanted; });
  return found != overrides.end() && found->component == component ? &*found : nullptr;
}

}  // namespace

void ApplyCoding(const CodingStyle& coding, std::uint8_t priority, TileComponentParams* target) {
  if (target->codingPriority > priority) return;
  target->levels = coding.levels;
  target->codeBlockWidthExponent = coding.codeBlockWidthExponent;
  target->codeBlockHeightExponent = coding.codeBlockHeightExponent;
  target->codeBlockStyle = coding.codeBlockStyle;
  target->reversible = coding.reversible;
  for (int r = 0; r < kDecoderResolutionSlots; ++r) {
    target->precincts[r] =
        coding.precinctsGiven && r <= coding.levels ? coding.precincts[r] : kNoPrecinctPartition;
  }
  target->codingPriority = priority;
}

void ApplyQuantization(const Quantization& quantization, std::uint8_t priority,
                       TileComponentParams* target) {
  if (target->quantPriority > priority) return;
  target->quantStyle = quantization.style;
  target->guardBits = quantization.guardBits;
  target->stepCount = quantization.stepCount;
  std::memset(target->bandSteps, 0, sizeof target->bandSteps);
  std::memcpy(target->bandSteps, quantization.steps,
              sizeof(std::uint16_t) * quantization.stepCount);
  target->quantPriority = priority;
}

void ApplyTileCoding(const CodSegment& cod, std::uint8_t priority, TileParams* target) {
  if (target->codingPriority > priority) return;
  target->progression = cod.progression;
  target->layers = cod.layers;
  target->componentTransform = cod.componentTransform;
  target->markers = static_cast<std::uint8_t>((cod.sop ? 1 : 0) | (cod.eph ? 2 : 0));
  target->codingPriority = priority;
}

Status RecordPackedSegment(const MemoryCallbacks& memory, std::uint8_t index, std::uint64_t offset,
                           std::uint32_t length, CodecArray<PackedHeaderSegment>* list) {
  const PackedHeaderSegment segment{index, offset, length};
  std::uint32_t at = 0;
  while (at < list->size() && (*list)[at].index < index) ++at;
  if (at < list->size() && (*list)[at].index == index) {
    (*list)[at] = segment;
    return JP2_Success;
  }
  return list->Insert(memory, at, segment);
}

Status AppendProgressionChanges(const MemoryCallbacks& memory, const PocSegment& poc,
                                std::uint16_t componentCount, CodecArray<ProgressionChange>* list) {
  for (std::uint32_t i = 0; i < poc.entryCount; ++i) {
    const PocEntry entry = poc.Entry(i, componentCount);
    if (entry.componentStart >= componentCount) return JP2_Error_Codestream;
    ProgressionChange change;
    change.componentStart = entry.componentStart;
    change.componentEnd = entry.componentEnd;
    change.layerEnd = entry.layerEnd;
    change.resolutionStart = entry.resolutionStart;
    change.resolutionEnd = entry.resolutionEnd;
    change.progression = entry.progression;
    JP2_RETURN_IF_ERROR(list->Append(memory, change));
  }
  return JP2_Success;
}

TileRecord* FindTileRecord(const CodestreamParams& params, std::uint32_t tile) {
  const CodestreamHeader* header = params.detail;
  if (header == nullptr || header->tiles == nullptr || tile >= params.tileCount) return nullptr;
  return header->tiles[tile];
}

const TileParams& TileParamsOf(const CodestreamParams& params, std::uint32_t tile) {
  const TileRecord* record = FindTileRecord(params, tile);
  if (record != nullptr && record->params.codingPriority != kPriorityNone) return record->params;
  return params.detail->mainTile;
}

TileComponentParams TileComponentParamsOf(const CodestreamParams& params, std::uint32_t tile,
                                          int component) {
  TileComponentParams values = params.detail->mainComponents[component];
  const TileRecord* record = FindTileRecord(params, tile);
  if (record == nullptr) return values;
  ApplyTileValues(record->defaults, kPriorityTileDefault, &values);
  if (const ComponentOverride* own = FindOverride(*record, component)) {
    ApplyTileValues(own->values, kPriorityTileComponent, &values);
  }
  return values;
}

std::span<const ProgressionChange> ProgressionChangesOf(const CodestreamParams& params,
                                                        std::uint32_t tile) {
  const TileRecord* record = FindTileRecord(params, tile);
  if (record != nullptr && record->progressionChanges.size() != 0) {
    return record->progressionChanges.view();
  }
  return params.detail->mainProgressionChanges.view();
}

std::span<const PackedHeaderSegment> PpmSegmentsOf(const CodestreamParams& params) {
  return params.detail->ppm.view();
}

std::span<const PackedHeaderSegment> PptSegmentsOf(const CodestreamParams& params,
                                                   std::uint32_t tile) {
  const TileRecord* record = FindTileRecord(params, tile);
  return record != nullptr ? record->ppt.view() : std::span<const PackedHeaderSegment>();
}

std::uint32_t ReadPackedHeaders(ByteReader& input, std::span<const PackedHeaderSegment> segments,
                                std::uint64_t position, std::uint32_t count,
                                std::uint8_t* destination) {
  std::uint64_t segmentStart = 0;  // position of the current segment's data in the stream
  for (const PackedHeaderSegment& segment : segments) {
    if (count == 0) break;
    const std::uint64_t segmentEnd = segmentStart + segment.length;
    if (position < segmentEnd) {
      const std::uint64_t inside = position - segmentStart;
      const auto take =
          static_cast<std::uint32_t>(std::min<std::uint64_t>(count, segmentEnd - position));
      if (input.Read(segment.offset + inside, take, destination) != 0) break;
      destination += take;
      position += take;
      count -= take;
    }
    segmentStart = segmentEnd;
  }
  return count;
}

Bounds TileBounds(const CodestreamParams& params, std::uint32_t tile) {
  const std::uint32_t column = tile % params.tilesAcross;
  const std::uint32_t row = tile / params.tilesAcross;
  const std::uint32_t index[2] = {column, row};
  std::uint32_t start[2], end[2];
  for (int axis = 0; axis < 2; ++axis) {
    const std::uint64_t first =
        params.tileOffset[axis] + std::uint64_t{index[axis]} * params.tileSize[axis];
    start[axis] = static_cast<std::uint32_t>(std::max<std::uint64_t>(first, params.offset[axis]));
    end[axis] = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(first + params.tileSize[axis], params.extent[axis]));
  }
  return Bounds{start[0], start[1], end[0], end[1]};
}

Bounds TileComponentBounds(const CodestreamParams& params, std::uint32_t tile, int component) {
  const Bounds grid = TileBounds(params, tile);
  const ComponentInfo& info = params.components[component];
  return Bounds{CeilDiv(grid.x0, info.factor[0]), CeilDiv(grid.y0, info.factor[1]),
                CeilDiv(grid.x1, info.factor[0]), CeilDiv(grid.y1, info.factor[1])};
}

Bounds ComponentBounds(const CodestreamParams& params, int component) {
  const ComponentInfo& info = params.components[component];
  return Bounds{
      CeilDiv(params.offset[0], info.factor[0]), CeilDiv(params.offset[1], info.factor[1]),
      CeilDiv(params.extent[0], info.factor[0]), CeilDiv(params.extent[1], info.factor[1])};
}

Status ReleaseCodestreamParams(const MemoryCallbacks& memory, CodestreamParams* params) {
  CodestreamHeader* header = params->detail;
  if (header == nullptr) {
    *params = CodestreamParams{};
    return JP2_Success;
  }
  Status result;
  const auto keep = [&result](Status status) {
    if (result.ok()) result = status;
  };
  if (header->tiles != nullptr) {
    for (std::uint32_t t = 0; t < params->tileCount; ++t) {
      TileRecord* record = header->tiles[t];
      if (record == nullptr) continue;
      keep(record->overrides.Release(memory));
      keep(record->progressionChanges.Release(memory));
      keep(record->ppt.Release(memory));
      OwnedBlock block = record->block;
      keep(Release(memory, &block));
    }
  }
  keep(Release(memory, &header->tileTable));
  keep(header->mainProgressionChanges.Release(memory));
  keep(header->ppm.Release(memory));
  keep(Release(memory, &header->componentBlock));
  OwnedBlock block = header->block;
  keep(Release(memory, &block));
  *params = CodestreamParams{};
  return result;
}

}  // namespace quillon::jp2
