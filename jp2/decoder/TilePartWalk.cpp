#include "decoder/TilePartWalk.h"

#include <algorithm>

#include "common/MarkerCodes.h"
#include "decoder/CodestreamRecords.h"
#include "decoder/PacketBitReader.h"

namespace quillon::jp2 {
namespace {

// A walker's status when the tile-part's data is used up: the next tile-part resumes.
constexpr std::int32_t kTilePartEnded = 1;

constexpr std::uint8_t kSopMarker[] = {0xFF, 0x91};
constexpr std::uint8_t kEphMarker[] = {0xFF, 0x92};
constexpr std::uint32_t kSopBytes = 6;

bool IsMarkerAt(HeaderBytes& bytes, std::uint64_t position, std::uint64_t end,
                const std::uint8_t (&marker)[2]) {
  std::uint8_t found[2];
  return bytes.Read(position, end, 2, found) == 2 && found[0] == marker[0] && found[1] == marker[1];
}

}  // namespace

Status ListTileParts(ByteReader& input, const MemoryCallbacks& memory, CodestreamParams* params,
                     CodecArray<TilePart>* parts) {
  OwnedBlock segmentBuffer;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, kSegmentBufferSize, &segmentBuffer));
  Status status = JP2_Success;
  std::uint64_t offset = params->firstTilePart;
  while (offset != 0) {
    TilePart part;
    if (!ParseTilePartHeader(input, offset, memory, params, &part.info, segmentBuffer.data).ok()) {
      break;
    }
    for (const PackedHeaderSegment& segment : PptSegmentsOf(*params, part.info.tile)) {
      part.packedEnd += segment.length;
    }
    status = parts->Append(memory, part);
    if (!status.ok()) break;
    offset = part.info.nextTilePart;
    std::uint8_t next[2];
    if (offset == 0 || input.Read(offset, 2, next) != 0 ||
        (next[0] == 0xFF && next[1] == (kMarkerEoc & 0xFF))) {
      break;
    }
  }
  const Status released = Release(memory, &segmentBuffer);
  return status.ok() ? released : status;
}

ProgressionVolume TileWalk::VolumeAt(std::uint32_t index) const {
  const std::span<const ProgressionChange> changes =
      ProgressionChangesOf(params_, records_.TileIndex());
  const WalkTile& tile = records_.Walk();
  if (index >= changes.size()) return WholeTile(tile);
  const ProgressionChange& change = changes[index];
  ProgressionVolume volume;
  volume.componentStart = change.componentStart;
  volume.componentEnd = change.componentEnd;
  volume.resolutionStart = change.resolutionStart;
  volume.resolutionEnd = change.resolutionEnd;
  volume.layerEnd = std::min<int>(change.layerEnd, tile.layers);
  volume.progression = change.progression;
  return volume;
}

Status TileWalk::WalkTilePart(const TilePart& part) {
  if (finished_) return JP2_Success;
  part_ = &part;
  bodyPosition_ = part.info.dataStart;
  if (part.info.packedHeaders == kPackedHeadersPpm) headerPosition_ = part.info.packedStart;
  const auto volumes =
      static_cast<std::uint32_t>(ProgressionChangesOf(params_, records_.TileIndex()).size()) + 1;
  // The default volume comes once after the last entry; then the tile is done, whatever
  // bytes its tile-part still holds.
  for (; volume_ < volumes; ++volume_) {
    const Status status = WalkVolume(records_.Walk(), VolumeAt(volume_), *this);
    if (status.code() == kTilePartEnded) return JP2_Success;
    if (status.code() == JP2_Error_OutOfMemory) return status;
    if (!status.ok()) break;
  }
  finished_ = true;
  return JP2_Success;
}

bool TileWalk::TilePartEnded() {
  const TilePartInfo& info = part_->info;
  switch (info.packedHeaders) {
    case kPackedHeadersPpm:
      return headerPosition_ >= info.packedStart + info.packedLength;
    case kPackedHeadersPpt:
      return headerPosition_ >= part_->packedEnd;
    default:
      break;
  }
  if (info.dataEnd != 0) return bodyPosition_ >= info.dataEnd;
  std::uint8_t next[2];
  return input_.Read(bodyPosition_, 2, next) != 0 ||
         (next[0] == 0xFF && next[1] == (kMarkerEoc & 0xFF));
}

Status TileWalk::Visit(const PacketId& packet) {
  PrecinctRecord& precinct =
      records_.Precinct(packet.component, packet.resolution, packet.precinct);
  // Read in an earlier tile-part or volume.
  if (static_cast<std::uint32_t>(packet.layer) != precinct.nextLayer) return JP2_Success;
  if (TilePartEnded()) return kTilePartEnded;
  return ReadPacket(packet, precinct);
}

Status TileWalk::ReadPacket(const PacketId& packet, PrecinctRecord& precinct) {
  const TilePartInfo& info = part_->info;
  const std::uint8_t markers = TileParamsOf(params_, records_.TileIndex()).markers;
  const bool sop = (markers & 1) != 0, eph = (markers & 2) != 0;
  const bool packed = info.packedHeaders != kPackedHeadersNone;
  const std::uint64_t dataEnd = info.dataEnd != 0 ? info.dataEnd : inputLength_;
  HeaderBytes inTilePart(input_, {}, false);
  HeaderBytes packedStream(input_,
                           info.packedHeaders == kPackedHeadersPpm
                               ? PpmSegmentsOf(params_)
                               : PptSegmentsOf(params_, records_.TileIndex()),
                           true);
  HeaderBytes& headerBytes = packed ? packedStream : inTilePart;
  const std::uint64_t headerEnd = info.packedHeaders == kPackedHeadersPpm
                                      ? info.packedStart + info.packedLength
                                  : info.packedHeaders == kPackedHeadersPpt ? part_->packedEnd
                                                                            : dataEnd;
  const std::uint64_t packetStart = bodyPosition_;
  std::uint64_t header = packed ? headerPosition_ : bodyPosition_;
  if (sop && !packed && IsMarkerAt(headerBytes, header, headerEnd, kSopMarker)) header += kSopBytes;

  PacketBitReader reader(headerBytes, header, headerEnd);
  JP2_RETURN_IF_ERROR(headers_.Read(records_, packet.component, packet.resolution, precinct,
                                    static_cast<std::uint32_t>(packet.layer), reader));
  std::uint64_t after = reader.Finish();
  if (eph && IsMarkerAt(headerBytes, after, headerEnd, kEphMarker)) after += 2;

  std::uint64_t body = after;
  if (packed) {
    headerPosition_ = after;
    body = bodyPosition_;
    if (sop && IsMarkerAt(inTilePart, body, dataEnd, kSopMarker)) body += kSopBytes;
  }
  const std::uint64_t length = headers_.Commit(records_, body, dataEnd);
  bodyPosition_ = body + length;
  precinct.nextLayer = static_cast<std::uint32_t>(packet.layer) + 1;
  if (observer_ != nullptr) observer_->Packet(packet, packetStart, bodyPosition_);
  return JP2_Success;
}

}  // namespace quillon::jp2
