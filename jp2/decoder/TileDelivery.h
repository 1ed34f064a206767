// Tiles from their walked packets to the write callback: per tile-component the code-block
// rows and the inverse wavelet, then the inverse component transform, conversion to samples,
// reduce or enlarge scaling and packing, row by row in the order of the reference grid.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "common/WorkerPool.h"
#include "decoder/CodeBlockRows.h"
#include "decoder/DecompressState.h"

namespace quillon::jp2 {

// Walks and delivers every tile in index order, reading code-blocks on the calling thread
// and decoding them on the threads of workers, each with its entry of hands (initialised,
// shared by all tiles); every buffer it takes is released on every path.
Status DeliverTiles(DecompressState& state, WorkerPool& workers, PerThread<DecodingHand>& hands);

}  // namespace quillon::jp2
