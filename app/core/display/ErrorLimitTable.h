// Limits the error that the 256-colour dithering diffuses to neighbouring pixels, so that
// large errors do not smear across flat areas.
#pragma once

#include <array>
#include <cstdint>

namespace quillon {

// Indexed by error + 256 for errors -255..255; odd-symmetric; index 0 is never used.
using ErrorLimitTable = std::array<std::int32_t, 512>;

ErrorLimitTable BuildErrorLimitTable();

}  // namespace quillon
