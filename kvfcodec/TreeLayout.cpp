#include "TreeLayout.h"

namespace kvfcodec {

TreeLayout::TreeLayout(int width, int height, int levels)
    : width_(width),
      height_(height),
      levels_(levels),
      treesX_(width >> levels),
      treesY_(height >> levels) {
  const size_t words = size_t{1} << (2 * levels);
  relX_.assign(words, 0);
  relY_.assign(words, 0);
  depth_.assign(words, 0);
  orientation_.assign(words, 0);
  for (size_t k = 1; k < words && k < 4; ++k) {
    depth_[k] = 1;
    orientation_[k] = static_cast<uint8_t>(k);
  }
  // Children 4k..4k+3 of word k: the 2 x 2 group one level finer, top-left to bottom-right.
  for (size_t k = 1; 4 * k < words; ++k)
    for (size_t i = 0; i < 4; ++i) {
      const size_t c = 4 * k + i;
      relX_[c] = static_cast<uint16_t>(2 * relX_[k] + (i & 1));
      relY_[c] = static_cast<uint16_t>(2 * relY_[k] + (i >> 1));
      depth_[c] = static_cast<uint8_t>(depth_[k] + 1);
      orientation_[c] = orientation_[k];
    }
}

}  // namespace kvfcodec
