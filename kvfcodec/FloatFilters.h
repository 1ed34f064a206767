// The floating-point filter bank (filters 0..11): analysis by the filters' taps under
// whole-sample symmetric extension, synthesis by solving that analysis exactly.
#pragma once

#include <span>
#include <vector>

namespace kvfcodec {

inline constexpr int kFloatFilterCount = 12;

int floatFilterSupport(int filter);

// One row or column of even length 2n: low-pass outputs to the first half, high-pass to
// the second.
void analyseFloat(int filter, std::span<const double> in, std::span<double> out);

// The inverse of analyseFloat for one filter and length, factored once and applied to
// many rows or columns.
class FloatSynthesis {
 public:
  FloatSynthesis(int filter, int length);
  // False when the analysis is singular at this length.
  bool valid() const { return valid_; }
  void synthesise(std::span<const double> in, std::span<double> out) const;

 private:
  static constexpr int kBand = 12;  // farthest column of a row from its diagonal
  static constexpr int kWidth = 3 * kBand + 1;
  double& at(int row, int column) {
    return lu_[static_cast<size_t>(row) * kWidth + column - row + kBand];
  }
  double at(int row, int column) const {
    return lu_[static_cast<size_t>(row) * kWidth + column - row + kBand];
  }
  int length_;
  bool valid_ = true;
  std::vector<double> lu_;
  std::vector<int> pivot_;
};

}  // namespace kvfcodec
