// Pictures that show where two pictures differ: the signed difference around middle grey and
// the absolute error, each a new 24-bit picture of the two pictures' comparison area.
#pragma once

#include "core/picture/Picture.h"

namespace quillon {

enum class DifferenceKind {
  Difference,  // (a - b) / 2 + 128, the division truncating toward zero
  Error,       // |a - b|
};

// Fills the empty picture `result` from `a` and `b`, channel by channel. False (and `result`
// stays empty) when the area is empty or memory runs out.
[[nodiscard]] bool MakeDifferencePicture(const Picture& a, const Picture& b, DifferenceKind kind,
                                         Picture& result);

}  // namespace quillon
