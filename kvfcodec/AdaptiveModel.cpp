#include "AdaptiveModel.h"

namespace kvfcodec {

AdaptiveModel::AdaptiveModel() {
  // The starting window: 16 zeros, 9 ones, 3 twos, 3 threes.
  constexpr int kStartCounts[4] = {16, 9, 3, 3};
  size_t k = 0;
  for (int symbol = 0; symbol < 4; ++symbol)
    for (int i = 0; i < kStartCounts[symbol]; ++i) window_[k++] = static_cast<uint8_t>(symbol);
  int upTo = 0;
  for (int s = 0; s < 4; ++s) {
    for (uint8_t w : window_) upTo += w == s ? 1 : 0;
    bound_[static_cast<size_t>(s)] = 4 * upTo + s + 1;
  }
}

Interval AdaptiveModel::interval(int symbol, bool leaf) const {
  if (leaf) {
    if (symbol == 0) return {0, bound_[0]};
    if (symbol == 2) return {bound_[0], bound_[2]};
    return {bound_[2], 128};
  }
  return {symbol == 0 ? 0 : bound_[static_cast<size_t>(symbol - 1)],
          bound_[static_cast<size_t>(symbol)]};
}

void AdaptiveModel::update(int symbol) {
  const int old = window_[static_cast<size_t>(oldest_)];
  window_[static_cast<size_t>(oldest_)] = static_cast<uint8_t>(symbol);
  oldest_ = (oldest_ + 1) % static_cast<int>(window_.size());
  for (int s = symbol; s < old; ++s) bound_[static_cast<size_t>(s)] += 4;
  for (int s = old; s < symbol; ++s) bound_[static_cast<size_t>(s)] -= 4;
}

}  // namespace kvfcodec
