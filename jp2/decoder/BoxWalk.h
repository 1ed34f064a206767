// The walk over a JP2 file's boxes: header boxes parsed into the handle, metadata boxes
// listed, up to the contiguous codestream box; and the late scan of the boxes behind it.
#pragma once

#include <cstdint>

#include "decoder/DecompressState.h"

namespace quillon::jp2 {

// Walks the top-level boxes from position; sets state.codestreamStart to the contents of
// 'jp2c'. -2 when the input ends (or a box runs to its end) before a codestream box.
Status WalkBoxes(DecompressState& state, std::uint64_t position);

// Lists the metadata boxes behind the last box examined; stops where a header cannot be read
// or after a box that runs to the end, and resumes there next time.
Status ScanLateBoxes(DecompressState& state);

}  // namespace quillon::jp2
