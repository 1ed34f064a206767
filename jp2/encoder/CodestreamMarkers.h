// The marker segments of the codestream: the main header (SOC, SIZ, QCD, QCC, COD, COC, RGN,
// COM) and the tile-part headers with the tile's own quantization and coding-style markers.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "encoder/CompressState.h"
#include "encoder/OutputStream.h"
#include "encoder/TransformStage.h"

namespace quillon::jp2 {

// Writes SOC to COM at the end of the output.
Status WriteMainHeader(const CompressState& state, const TransformSetup& setup, OutputStream& out);

// Writes SOT (its Psot patched later through PatchTilePartLength), the tile's own markers and
// SOD; *sotOffset receives where SOT starts.
Status WriteTilePartHeader(const CompressState& state, const TransformSetup& setup,
                           std::uint32_t tile, OutputStream& out, std::uint64_t* sotOffset);

// Sets Psot to everything written from sotOffset up to the current end.
Status PatchTilePartLength(OutputStream& out, std::uint64_t sotOffset);

}  // namespace quillon::jp2
