// The body of JP2_Compress_Image up to the code-block coder.
#pragma once

#include "common/Status.h"
#include "encoder/CodeBlockSink.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Validates in the fixed order (no callback runs before every check has passed), then pulls
// and transforms every tile, handing each finished code-block to sink.
Status CompressImageInto(CompressState& state, CodeBlockSink& sink);

}  // namespace quillon::jp2
