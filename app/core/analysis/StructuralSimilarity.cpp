#include "core/analysis/StructuralSimilarity.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/analysis/PictureComparison.h"

namespace quillon {

namespace {

constexpr int kRadius = 5;
constexpr double kSigma = 1.5;
constexpr double kC1 = (0.01 * 255) * (0.01 * 255);
constexpr double kC2 = (0.03 * 255) * (0.03 * 255);

// The filtered quantities: x, y, x squared, y squared, x times y.
constexpr int kMoments = 5;

std::vector<double> GaussianTaps(int radius) {
  std::vector<double> taps(std::size_t(2 * radius + 1));
  double sum = 0.0;
  for (int i = -radius; i <= radius; ++i) {
    taps[std::size_t(i + radius)] = std::exp(-double(i * i) / (2.0 * kSigma * kSigma));
    sum += taps[std::size_t(i + radius)];
  }
  for (double& tap : taps) tap /= sum;
  return taps;
}

void LuminanceRow(const Picture& picture, std::int32_t topRow, std::int32_t width,
                  std::vector<std::uint8_t>& bgr, std::vector<double>& luminance) {
  ReadTopRow(picture, topRow, width, bgr);
  for (std::size_t x = 0; x < std::size_t(width); ++x) {
    luminance[x] = 0.299 * bgr[3 * x + 2] + 0.587 * bgr[3 * x + 1] + 0.114 * bgr[3 * x];
  }
}

}  // namespace

double StructuralSimilarity(const Picture& reference, const Picture& compared) {
  const ComparisonArea area = ComparisonAreaOf(reference, compared);
  if (area.width <= 0 || area.height <= 0) return 1.0;
  const int radius = std::min(kRadius, (std::min(area.width, area.height) - 1) / 2);
  const int window = 2 * radius + 1;
  const std::vector<double> taps = GaussianTaps(radius);
  const std::size_t width = std::size_t(area.width);
  const std::size_t outWidth = width - 2 * std::size_t(radius);

  std::vector<std::uint8_t> bgr(width * 3);
  std::vector<double> x(width), y(width);
  // The last `window` rows filtered across, each holding the moments one after the other.
  std::vector<double> ring(std::size_t(window) * kMoments * outWidth);
  const auto moments = [&](std::int32_t row, int moment) {
    return ring.data() + (std::size_t(row % window) * kMoments + std::size_t(moment)) * outWidth;
  };

  double sum = 0.0;
  for (std::int32_t row = 0; row < area.height; ++row) {
    LuminanceRow(reference, row, area.width, bgr, x);
    LuminanceRow(compared, row, area.width, bgr, y);
    double* across[kMoments];
    for (int m = 0; m < kMoments; ++m) across[m] = moments(row, m);
    for (std::size_t i = 0; i < outWidth; ++i) {
      double mx = 0, my = 0, mxx = 0, myy = 0, mxy = 0;
      for (std::size_t t = 0; t < taps.size(); ++t) {
        const double a = x[i + t], b = y[i + t], w = taps[t];
        mx += w * a;
        my += w * b;
        mxx += w * a * a;
        myy += w * b * b;
        mxy += w * a * b;
      }
      across[0][i] = mx;
      across[1][i] = my;
      across[2][i] = mxx;
      across[3][i] = myy;
      across[4][i] = mxy;
    }
    if (row < window - 1) continue;

    const std::int32_t first = row - window + 1;
    for (std::size_t i = 0; i < outWidth; ++i) {
      double m[kMoments] = {};
      for (int t = 0; t < window; ++t) {
        for (int k = 0; k < kMoments; ++k) m[k] += taps[std::size_t(t)] * moments(first + t, k)[i];
      }
      const double varianceX = m[2] - m[0] * m[0];
      const double varianceY = m[3] - m[1] * m[1];
      const double covariance = m[4] - m[0] * m[1];
      sum += ((2 * m[0] * m[1] + kC1) * (2 * covariance + kC2)) /
             ((m[0] * m[0] + m[1] * m[1] + kC1) * (varianceX + varianceY + kC2));
    }
  }
  const double positions = double(outWidth) * double(area.height - 2 * radius);
  return sum / positions;
}

}  // namespace quillon
