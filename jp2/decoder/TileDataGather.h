// The bytes of a tile's code-blocks, read once into one buffer after the walk: each
// code-block's layers one after the other, so that tier 1 sees them contiguous.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/ByteReader.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

// Reads the code-blocks of the resolution levels up to keptResolution[c] of every
// tile-component c into *buffer (none when there are no bytes). A code-block whose bytes run
// past its tile-part or the input, or come back short, gets pass count -1 and decodes to
// zeros. -1 when the buffer cannot be allocated or would exceed inputLength.
Status GatherTileData(ByteReader& input, const MemoryCallbacks& memory, TileRecords& records,
                      const int* keptResolution, std::uint64_t inputLength, OwnedBlock* buffer);

}  // namespace quillon::jp2
