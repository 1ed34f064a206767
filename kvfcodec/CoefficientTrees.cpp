#include "CoefficientTrees.h"

namespace kvfcodec {

void propagateMagnitudes(std::span<uint32_t> tree) {
  for (size_t k = tree.size() - 1; k >= 1; --k) {
    const uint32_t carried = ((tree[k] & kMagnitude) << 16) | (tree[k] & (kMagnitude << 16));
    tree[k >= 4 ? k / 4 : 0] |= carried;
  }
  tree[0] |= (tree[0] & kMagnitude) << 16;
}

int symbolFor(uint32_t& word, uint32_t mask) {
  if (word & mask) {
    word |= kSignificant;
    if (word & kSign) {
      word &= ~kSign;
      return 3;
    }
    return 2;
  }
  return (word >> 16) & mask ? 1 : 0;
}

void applySymbol(uint32_t& word, uint32_t mask, int symbol) {
  if (symbol == 0) return;
  word |= mask << 16;
  if (symbol == 1) return;
  word |= mask | kSignificant;
  if (symbol == 3) word |= kSign;
}

}  // namespace kvfcodec
