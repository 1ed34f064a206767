// What the packet walk keeps in the decompress handle between calls: the tile-parts listed
// once, the input's length that caps every size the walk takes from the file, and the packet
// index that JP2_Decompress_GetInformation hands out.
#pragma once

#include <cstdint>
#include <span>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/CodecArray.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/InputSource.h"
#include "decoder/TilePartWalk.h"

namespace quillon::jp2 {

struct PacketState {
  CodecArray<TilePart> tileParts;
  // Indices into tileParts ordered by tile, then file order: a tile finds its tile-parts
  // without scanning the whole list.
  CodecArray<std::uint32_t> partsByTile;
  bool listed = false;
  std::uint64_t inputLength = 0;
  OwnedBlock information;                  // JP2_ImageInfo and its image-level arrays
  CodecArray<OwnedBlock> tileInformation;  // per tile: its records of the index
};

// Lists the tile-parts on the first call and works out the input's length (with caching the
// whole input is loaded first).
Status PreparePacketWalk(InputSource& input, const MemoryCallbacks& memory,
                         CodestreamParams* params, PacketState* state);

// The indices into state.tileParts of the tile-parts of tile, in file order.
std::span<const std::uint32_t> TilePartsOf(const PacketState& state, std::uint32_t tile);

// Bytes a tile's packet records may take: a fixed allowance plus a multiple of the input's
// length, so that a tiny file cannot claim gigabytes of precincts and code-blocks.
std::uint64_t RecordBudget(std::uint64_t inputLength);

// Builds the records of tile: only their geometry when the tile received no tile-part.
Status BuildTileRecords(const MemoryCallbacks& memory, const CodestreamParams& params,
                        const PacketState& state, std::uint32_t tile, TileRecords* records);

// Walks the tile-parts of the tile whose records were built, in file order.
Status WalkTilePackets(ByteReader& input, const MemoryCallbacks& memory,
                       const CodestreamParams& params, const PacketState& state,
                       TileRecords* records, PacketHeaderDecoder* headers,
                       PacketObserver* observer);

Status ReleasePacketIndex(const MemoryCallbacks& memory, PacketState* state);
Status ReleasePacketState(const MemoryCallbacks& memory, PacketState* state);

}  // namespace quillon::jp2
