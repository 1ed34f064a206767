#include "core/analysis/KernelFilters.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "core/analysis/ConversionTarget.h"

namespace quillon {

Kernel KernelOf(KernelFilter filter, FilterStrength strength) {
  if (filter == KernelFilter::Smooth) {
    switch (strength) {
      case FilterStrength::Low:
        return {40, 3, 6};
      case FilterStrength::Medium:
        return {8, 3, 5};
      case FilterStrength::High:
        return {16, 14, 7};
    }
  }
  switch (strength) {
    case FilterStrength::Low:
      return {24, -1, 4};
    case FilterStrength::Medium:
      return {16, -1, 3};
    case FilterStrength::High:
      return {12, -1, 2};
  }
  return {1, 0, 0};
}

namespace {

// Source rows as plain samples: grey values for a grey source, else blue, green, red.
class SampleRows {
 public:
  SampleRows(const Picture& source, bool grey)
      : source_(source), grey_(grey), channels_(grey ? 1 : 3) {
    for (int i = 0; i < kPaletteEntries; ++i) greyOfIndex_[i] = source.Palette()[i].rgbRed;
  }
  int Channels() const { return channels_; }

  // Memory row `row`, clamped to the picture, into `out` (width times channels samples).
  void Read(std::int32_t row, std::vector<std::uint8_t>& out) const {
    const std::int32_t clamped = std::clamp(row, 0, source_.GetHeight() - 1);
    const std::uint8_t* in = source_.Row(clamped);
    const std::size_t width = std::size_t(source_.GetWidth());
    if (!grey_) {
      std::copy(in, in + 3 * width, out.begin());
    } else if (source_.GetBitCount() == 8) {
      for (std::size_t x = 0; x < width; ++x) out[x] = greyOfIndex_[in[x]];
    } else {
      for (std::size_t x = 0; x < width; ++x) out[x] = in[3 * x];
    }
  }

 private:
  const Picture& source_;
  bool grey_;
  int channels_;
  std::array<std::uint8_t, kPaletteEntries> greyOfIndex_{};
};

}  // namespace

bool ApplyKernel(const Picture& source, const Kernel& kernel, Picture& target) {
  if (source.IsEmpty()) return false;
  const bool grey = source.IsGray();
  if (!CreateConversionTarget(source, target, !grey)) return false;
  const SampleRows rows(source, grey);
  const int channels = rows.Channels();
  const std::size_t width = std::size_t(source.GetWidth());
  const std::size_t samples = width * std::size_t(channels);
  try {
    std::vector<std::uint8_t> below(samples), middle(samples), above(samples);
    // Sum of each sample with the ones above and below, with one pixel more at either end
    // that repeats the border.
    const std::ptrdiff_t step = channels, count = std::ptrdiff_t(samples);
    // In locals: the output bytes might alias the kernel as far as the compiler can tell.
    const int centreWeight = kernel.centre, neighbourWeight = kernel.neighbour,
              shift = kernel.shift;
    std::vector<int> columns(samples + 2 * std::size_t(step));
    int* column = columns.data() + step;
    rows.Read(0, middle);
    rows.Read(0, below);
    const std::int32_t height = source.GetHeight();
    for (std::int32_t row = 0; row < height; ++row) {
      rows.Read(row + 1, above);
      for (std::size_t i = 0; i < samples; ++i) column[i] = below[i] + middle[i] + above[i];
      for (std::ptrdiff_t k = 0; k < step; ++k) {
        column[k - step] = column[k];
        column[count + k] = column[count - step + k];
      }
      std::uint8_t* out = target.Row(row);
      for (std::ptrdiff_t i = 0; i < count; ++i) {
        const int block = column[i - step] + column[i] + column[i + step];
        const int centre = middle[i];
        // Centre weight on the centre, neighbour weight on the other eight.
        const int sum = centreWeight * centre + neighbourWeight * (block - centre);
        out[i] = std::uint8_t(std::clamp(sum >> shift, 0, 255));
      }
      std::swap(below, middle);
      std::swap(middle, above);
    }
  } catch (const std::bad_alloc&) {
    target.Header().biSizeImage = 0;
    return false;
  }
  target.InvalidateCaches();
  return true;
}

}  // namespace quillon
