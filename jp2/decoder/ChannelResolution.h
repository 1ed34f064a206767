// Palette, component mapping and channel definitions resolved into the output channels: one
// channel definition and one codestream component per channel, the palette in channel order.
#pragma once

#include "decoder/DecompressState.h"

namespace quillon::jp2 {

// Needs the main header and the current colour space. Codes: -59 mapping without palette,
// -61 palette without mapping or more channels than the image has, -62 a mapping entry that
// does not select the palette where it must or names a component or column out of range, -63
// a definition missing for a colour served by the palette.
Status ResolveChannels(DecompressState& state);

}  // namespace quillon::jp2
