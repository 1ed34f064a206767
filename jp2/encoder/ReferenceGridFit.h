// Derives the reference grid extent and the subsampling factors of one axis from the sizes
// the caller gave each component.
#pragma once

#include <cstdint>

#include "encoder/CompressState.h"

namespace quillon::jp2 {

// Finds the smallest grid extent X1 (Xsiz) on the given axis for which every component with a
// size has a factor f below 256 with ceil(X1 / f) - ceil(offset / f) = its size, trying the
// widest component's factor 1, 2, ... 255 in turn. With storeFactors the factors are written
// into the components (components without a size keep theirs). Returns false when nothing
// fits; the extent is 0 when no component has a size.
bool FitAxis(ComponentGeometry* components, int count, Axis axis, std::uint32_t offset,
             bool storeFactors, std::uint32_t* extent);

}  // namespace quillon::jp2
