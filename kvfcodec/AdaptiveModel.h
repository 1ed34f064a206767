// The adaptive four-symbol model: cumulative bounds on 0..128 kept equal to
// 4 x (occurrences of symbols up to s among the last 31) + s + 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvfcodec {

struct Interval {
  int low, high;  // [low, high) out of 128
};

class AdaptiveModel {
 public:
  AdaptiveModel();
  // Interior nodes use all four symbols; leaves only 0, 2 and 3.
  Interval interval(int symbol, bool leaf) const;
  void update(int symbol);
  int bound(int symbol) const { return bound_[static_cast<size_t>(symbol)]; }

 private:
  std::array<uint8_t, 31> window_{};
  int oldest_ = 0;
  std::array<int, 4> bound_{};
};

}  // namespace kvfcodec
