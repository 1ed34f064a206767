// The picture a colour conversion writes: the source's size and resolution, its own blocks.
#pragma once

#include "core/picture/Picture.h"

namespace quillon {

// Creates `target` with the size and resolution of `source`, 24 bits (colour) or an 8-bit grey
// ramp, with the row padding cleared. False when memory runs out; `target` is then empty.
[[nodiscard]] bool CreateConversionTarget(const Picture& source, Picture& target, bool colour);

}  // namespace quillon
