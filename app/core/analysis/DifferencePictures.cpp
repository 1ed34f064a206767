#include "core/analysis/DifferencePictures.h"

#include <cstdlib>
#include <vector>

#include "core/analysis/PictureComparison.h"

namespace quillon {

bool MakeDifferencePicture(const Picture& a, const Picture& b, DifferenceKind kind,
                           Picture& result) {
  const ComparisonArea area = ComparisonAreaOf(a, b);
  if (area.width <= 0 || area.height <= 0) return false;
  result.Header().biWidth = area.width;
  result.Header().biHeight = area.height;
  if (!result.CreatePicture(true)) return false;

  const std::size_t rowSamples = std::size_t(area.width) * 3;
  std::vector<std::uint8_t> rowA(rowSamples), rowB(rowSamples);
  for (std::int32_t y = 0; y < area.height; ++y) {
    ReadTopRow(a, y, area.width, rowA);
    ReadTopRow(b, y, area.width, rowB);
    std::uint8_t* out = result.Row(area.height - 1 - y);
    for (std::size_t i = 0; i < rowSamples; ++i) {
      const int difference = int(rowA[i]) - int(rowB[i]);
      out[i] = std::uint8_t(kind == DifferenceKind::Difference ? difference / 2 + 128
                                                               : std::abs(difference));
    }
    // The row padding is part of the pixel block that writers copy; keep it defined.
    for (std::size_t i = rowSamples; i < result.GetStride(); ++i) out[i] = 0;
  }
  result.InvalidateCaches();
  return true;
}

}  // namespace quillon
