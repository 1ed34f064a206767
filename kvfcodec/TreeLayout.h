// Where each word of each coefficient tree lies in a Mallat-layout plane.
#pragma once

#include <cstdint>
#include <vector>

#include "CoefficientTrees.h"

namespace kvfcodec {

class TreeLayout {
 public:
  // width and height are multiples of 2^levels.
  TreeLayout(int width, int height, int levels);
  int64_t treesPerChannel() const { return int64_t{treesX_} * treesY_; }
  TreeShape shape(int channels) const { return {levels_, treesPerChannel() * channels}; }
  // Calls f(k, x, y, depth, orientation) for every word k of tree t (one channel):
  // orientation 0 for the low-pass word, 1 horizontal, 2 vertical, 3 diagonal details.
  template <typename F>
  void forEachWord(int64_t t, F&& f) const {
    const int tx = static_cast<int>(t % treesX_), ty = static_cast<int>(t / treesX_);
    f(int64_t{0}, tx, ty, 0, 0);
    for (int64_t k = 1; k < static_cast<int64_t>(relX_.size()); ++k) {
      const int depth = depth_[static_cast<size_t>(k)];
      const int orientation = orientation_[static_cast<size_t>(k)];
      const int bandWidth = width_ >> (levels_ - depth + 1);
      const int bandHeight = height_ >> (levels_ - depth + 1);
      const int x =
          (orientation & 1 ? bandWidth : 0) + (tx << (depth - 1)) + relX_[static_cast<size_t>(k)];
      const int y =
          (orientation & 2 ? bandHeight : 0) + (ty << (depth - 1)) + relY_[static_cast<size_t>(k)];
      f(k, x, y, depth, orientation);
    }
  }

 private:
  int width_, height_, levels_, treesX_, treesY_;
  std::vector<uint16_t> relX_, relY_;
  std::vector<uint8_t> depth_, orientation_;
};

}  // namespace kvfcodec
