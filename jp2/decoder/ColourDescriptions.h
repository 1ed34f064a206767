// The colour description list: every colr box in file order, the one of highest precedence
// (the earlier on ties) made current as it is added.
#pragma once

#include <cstdint>

#include "common/HeaderBoxes.h"
#include "decoder/DecompressState.h"

namespace quillon::jp2 {

// Appends the description of a colr box, copying its profile, and makes it current when its
// precedence beats the best so far. -56 when a profile made current fails the profile check.
Status AddColourDescription(DecompressState& state, const ColourBox& box);

// Makes entry index current: its code becomes the colour space; a profile is checked again.
Status ApplyColourDescription(DecompressState& state, std::uint32_t index);

// Once SIZ is known: CIELab entries without parameters get the defaults, whose a and b
// offsets depend on the depths of components 1 and 2.
void FillLabDefaults(DecompressState& state);

// The number of colours of the current colour space (the profile's count for ICC).
std::uint32_t ColourCount(const DecompressState& state);

}  // namespace quillon::jp2
