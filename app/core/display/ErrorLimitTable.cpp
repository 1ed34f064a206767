#include "core/display/ErrorLimitTable.h"

namespace quillon {

ErrorLimitTable BuildErrorLimitTable() {
  ErrorLimitTable table{};
  for (int k = 0; k <= 255; ++k) {
    // Small errors pass unchanged, medium ones at half slope, large ones are capped at 97.
    const int limited = k <= 64 ? k : k <= 127 ? 65 + (k - 64) / 2 : 97;
    table[256 + k] = limited;
    table[256 - k] = -limited;
  }
  return table;
}

}  // namespace quillon
