// The checks of JP2_Compress_Image before any callback, and the run up to the code-blocks.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/CodeBlockSink.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Channels the colour space needs; 0 when it cannot be written in the chosen file format.
std::uint64_t ChannelsNeeded(const CompressState& state);

// Validates in the fixed order; a palette forces reversible coding without decomposition.
Status ValidateImage(CompressState& state);

// Validates in the fixed order (no callback runs before every check has passed), then pulls
// and transforms every tile, handing each finished code-block to sink.
Status CompressImageInto(CompressState& state, CodeBlockSink& sink);

}  // namespace quillon::jp2
