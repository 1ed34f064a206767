// The boxes of JP2 and JPX files: signature, file type, the JP2 header with the colour
// description, the metadata boxes and the contiguous codestream box around the codestream.
#pragma once

#include "common/Status.h"
#include "encoder/CompressState.h"

namespace quillon::jp2 {

// -63 when the channel definitions set do not fit the image; checked before any output.
Status CheckChannelDefinitions(const CompressState& state, bool componentTransform);

// Everything in front of the codestream, ending with the header of 'jp2c' (LBox 0); the
// metadata boxes set so far are written and released.
Status WriteFileHeader(CompressState& state);

// After the codestream: remembers the length of 'jp2c' for a box appended later.
void FinishCodestreamBox(CompressState& state);

// After compression only: writes the queued boxes at the end of the output, first patching the
// length of 'jp2c' and, for IP data, the IPR flag of 'ihdr' (each once).
Status WriteTrailingBoxes(CompressState& state);

}  // namespace quillon::jp2
