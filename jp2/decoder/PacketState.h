// What the packet walk keeps in the decompress handle between calls: the tile-parts listed
// once, the input's length that caps every size the walk takes from the file, and the packet
// index that JP2_Decompress_GetInformation hands out.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/CodecArray.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/InputSource.h"
#include "decoder/TilePartWalk.h"

namespace quillon::jp2 {

struct PacketState {
  CodecArray<TilePart> tileParts;
  bool listed = false;
  std::uint64_t inputLength = 0;
  OwnedBlock information;          // JP2_ImageInfo and its image-level arrays
  CodecArray<OwnedBlock> tileInformation;  // per tile: its records of the index
};

// Lists the tile-parts on the first call and works out the input's length (with caching the
// whole input is loaded first).
Status PreparePacketWalk(InputSource& input, const MemoryCallbacks& memory,
                         CodestreamParams* params, PacketState* state);

// Bytes a tile's packet records may take: a fixed allowance plus a multiple of the input's
// length, so that a tiny file cannot claim gigabytes of precincts and code-blocks.
std::uint64_t RecordBudget(std::uint64_t inputLength);

// Builds the records of tile and walks its tile-parts in file order.
Status WalkTilePackets(ByteReader& input, const MemoryCallbacks& memory,
                       const CodestreamParams& params,
                const PacketState& state, std::uint32_t tile, TileRecords* records,
                PacketHeaderDecoder* headers, PacketObserver* observer);

Status ReleasePacketIndex(const MemoryCallbacks& memory, PacketState* state);
Status ReleasePacketState(const MemoryCallbacks& memory, PacketState* state);

}  // namespace quillon::jp2
