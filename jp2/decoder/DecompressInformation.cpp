// JP2_Decompress_GetInformation: the packet index of every tile, from a walk over every
// packet header without reading any code-block data. The records belong to the handle and
// are rebuilt by every call.
#include <algorithm>

#include "decoder/DecompressState.h"
#include "decoder/PacketState.h"

namespace quillon::jp2 {
namespace {

// Records the extent of each packet in the tile's index.
class IndexObserver final : public PacketObserver {
 public:
  explicit IndexObserver(JP2_TileInfo* tile) : tile_(tile) {}

  void Packet(const PacketId& packet, std::uint64_t offset, std::uint64_t end) override {
    JP2_PrecinctInfo& precinct = tile_->components[packet.component]
                                     .resolutions[packet.resolution]
                                     .precincts[packet.precinct];
    precinct.layerOffsets[packet.layer] = static_cast<std::uint32_t>(offset);
    precinct.layerLengths[packet.layer] = static_cast<std::uint32_t>(end - offset);
  }

 private:
  JP2_TileInfo* tile_;
};

// Lays out (arena without base: sizes only) or fills the index records of one tile.
void CarveTileIndex(TileRecords& records, const CodestreamParams& params, JP2_TileInfo* tile,
                    WorkArena& arena) {
  const WalkTile& walk = records.Walk();
  JP2_CompInfo* components =
      arena.Take<JP2_CompInfo>(static_cast<std::uint64_t>(walk.componentCount));
  const auto layers = static_cast<std::uint64_t>(walk.layers);
  if (components != nullptr) {
    tile->layers = static_cast<std::uint16_t>(walk.layers);
    tile->componentTransform = TileParamsOf(params, records.TileIndex()).componentTransform;
    tile->x0 = walk.tile.x0;
    tile->y0 = walk.tile.y0;
    tile->width = walk.tile.Width();
    tile->height = walk.tile.Height();
    tile->components = components;
  }
  for (int c = 0; c < walk.componentCount; ++c) {
    const WalkComponent& component = walk.components[c];
    JP2_ResInfo* resolutions = arena.Take<JP2_ResInfo>(component.levels + 1u);
    if (components != nullptr) {
      JP2_CompInfo& out = components[c];
      out.levels = static_cast<std::uint8_t>(component.levels);
      out.wavelet = records.Component(c).params.reversible;
      out.x0 = component.tileComponent.x0;
      out.y0 = component.tileComponent.y0;
      out.width = component.tileComponent.Width();
      out.height = component.tileComponent.Height();
      out.resolutions = resolutions;
    }
    for (int r = 0; r <= component.levels; ++r) {
      const ResolutionPrecincts& grid = records.Resolution(c, r).precincts;
      const std::uint64_t count = grid.Count();
      JP2_PrecinctInfo* precincts = arena.Take<JP2_PrecinctInfo>(count);
      std::uint32_t* offsets = arena.Take<std::uint32_t>(count * layers);
      std::uint32_t* lengths = arena.Take<std::uint32_t>(count * layers);
      if (components == nullptr) continue;
      resolutions[r] =
          JP2_ResInfo{grid.across,       grid.down,          grid.area.x0, grid.area.y0,
                      grid.area.Width(), grid.area.Height(), precincts};
      for (std::uint64_t p = 0; p < count; ++p) {
        const std::uint64_t column = (grid.area.x0 >> grid.ppx) + p % grid.across;
        const std::uint64_t row = (grid.area.y0 >> grid.ppy) + p / grid.across;
        const std::uint64_t x0 = std::max<std::uint64_t>(column << grid.ppx, grid.area.x0);
        const std::uint64_t x1 = std::min<std::uint64_t>((column + 1) << grid.ppx, grid.area.x1);
        const std::uint64_t y0 = std::max<std::uint64_t>(row << grid.ppy, grid.area.y0);
        const std::uint64_t y1 = std::min<std::uint64_t>((row + 1) << grid.ppy, grid.area.y1);
        precincts[p] = JP2_PrecinctInfo{static_cast<std::uint32_t>(x0),
                                        static_cast<std::uint32_t>(y0),
                                        static_cast<std::uint32_t>(x1 - x0),
                                        static_cast<std::uint32_t>(y1 - y0),
                                        offsets + p * layers,
                                        lengths + p * layers};
      }
    }
  }
}

Status IndexTile(DecompressState& state, std::uint32_t tile, std::uint64_t* budget,
                 JP2_TileInfo* out) {
  const MemoryCallbacks& memory = state.memory;
  TileRecords records;
  PacketHeaderDecoder headers;
  Status status = [&]() -> Status {
    JP2_RETURN_IF_ERROR(BuildTileRecords(memory, state.codestream, state.packets, tile, &records));
    WorkArena sizing;
    CarveTileIndex(records, state.codestream, out, sizing);
    if (sizing.Layout().Overflowed() || sizing.Layout().Size() > *budget) {
      return JP2_Error_OutOfMemory;
    }
    *budget -= sizing.Layout().Size();
    OwnedBlock block;
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, sizing.Layout(), &block));
    JP2_RETURN_IF_ERROR(state.packets.tileInformation.Append(memory, block));
    WorkArena carving(block.data);
    CarveTileIndex(records, state.codestream, out, carving);
    IndexObserver observer(out);
    return WalkTilePackets(state.input, memory, state.codestream, state.packets, &records, &headers,
                           &observer);
  }();
  const Status released = records.Release(memory);
  const Status headersReleased = headers.Release(memory);
  if (!status.ok()) return status;
  return released.ok() ? headersReleased : released;
}

Status BuildInformation(DecompressState& state, JP2_ImageInfo** out) {
  const MemoryCallbacks& memory = state.memory;
  JP2_RETURN_IF_ERROR(ReleasePacketIndex(memory, &state.packets));
  JP2_RETURN_IF_ERROR(PreparePacketWalk(state.input, memory, &state.codestream, &state.packets));
  const CodestreamParams& params = state.codestream;
  const auto components = static_cast<std::uint64_t>(params.componentCount);
  BlockLayout layout;
  const std::uint64_t infoAt = layout.Add(1, sizeof(JP2_ImageInfo));
  const std::uint64_t bytesAt = layout.Add(4 * components, 1);
  const std::uint64_t tilesAt = layout.Add(params.tileCount, sizeof(JP2_TileInfo));
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &state.packets.information));
  std::uint8_t* base = state.packets.information.data;
  auto* info = reinterpret_cast<JP2_ImageInfo*>(base + infoAt);
  std::uint8_t* bytes = base + bytesAt;
  info->components = static_cast<std::uint32_t>(components);
  info->depths = bytes;
  info->signedness = bytes + components;
  info->xSubsampling = bytes + 2 * components;
  info->ySubsampling = bytes + 3 * components;
  for (std::uint64_t c = 0; c < components; ++c) {
    info->depths[c] = params.components[c].depth;
    info->signedness[c] = params.components[c].isSigned;
    info->xSubsampling[c] = params.components[c].factor[0];
    info->ySubsampling[c] = params.components[c].factor[1];
  }
  info->width = params.extent[0];
  info->height = params.extent[1];
  info->xOffset = params.offset[0];
  info->yOffset = params.offset[1];
  info->tilesAcross = params.tilesAcross;
  info->tilesDown = params.tilesDown;
  info->tiles = reinterpret_cast<JP2_TileInfo*>(base + tilesAt);
  std::uint64_t budget = RecordBudget(state.packets.inputLength);
  for (std::uint32_t t = 0; t < params.tileCount; ++t) {
    JP2_RETURN_IF_ERROR(IndexTile(state, t, &budget, &info->tiles[t]));
  }
  *out = info;
  return JP2_Success;
}

}  // namespace
}  // namespace quillon::jp2

extern "C" JP2_API int32_t JP2_Decompress_GetInformation(DecompressHandle handle,
                                                         JP2_ImageInfo** info) {
  return quillon::jp2::WithDecompressState(handle, [info](quillon::jp2::DecompressState& state) {
    if (info == nullptr) return quillon::jp2::Status(JP2_Error_NullArgument);
    *info = nullptr;
    return quillon::jp2::BuildInformation(state, info);
  });
}
