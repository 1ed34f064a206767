#include "core/analysis/PictureComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace quillon {

namespace {

// Ten times the decimal logarithm of signal over noise, with 0 noise giving +infinity.
double Decibels(double signal, double noise) {
  if (noise == 0.0) return std::numeric_limits<double>::infinity();
  return 10.0 * std::log10(signal / noise);
}

}  // namespace

void ReadTopRow(const Picture& picture, std::int32_t topRow, std::int32_t width,
                std::vector<std::uint8_t>& samples) {
  const std::int32_t memoryRow = picture.GetHeight() - 1 - topRow;
  const std::uint8_t* row = picture.Row(memoryRow);
  if (picture.GetBitCount() == 24) {
    std::copy_n(row, std::size_t(width) * 3, samples.begin());
    return;
  }
  const RgbQuad* palette = picture.Palette();
  for (std::int32_t x = 0; x < width; ++x) {
    const RgbQuad& entry = palette[row[x]];
    samples[3 * std::size_t(x)] = entry.rgbBlue;
    samples[3 * std::size_t(x) + 1] = entry.rgbGreen;
    samples[3 * std::size_t(x) + 2] = entry.rgbRed;
  }
}

ComparisonArea ComparisonAreaOf(const Picture& reference, const Picture& compared) {
  if (reference.IsEmpty() || compared.IsEmpty()) return {};
  return {std::min(reference.GetWidth(), compared.GetWidth()),
          std::min(reference.GetHeight(), compared.GetHeight())};
}

ComparisonMeasures CompareWithReference(const Picture& reference, const Picture& compared) {
  const ComparisonArea area = ComparisonAreaOf(reference, compared);
  const std::size_t rowSamples = std::size_t(area.width) * 3;
  std::vector<std::uint8_t> a(rowSamples), b(rowSamples);
  // A pixel block holds less than 2^32 bytes, so even the sums of squares fit 64 bits.
  std::uint64_t absoluteSum = 0, squaredSum = 0, signalSum = 0;
  for (std::int32_t y = 0; y < area.height; ++y) {
    ReadTopRow(reference, y, area.width, a);
    ReadTopRow(compared, y, area.width, b);
    std::uint64_t rowAbsolute = 0, rowSquared = 0, rowSignal = 0;
    for (std::size_t i = 0; i < rowSamples; ++i) {
      const int difference = int(a[i]) - int(b[i]);
      rowAbsolute += std::uint64_t(std::abs(difference));
      rowSquared += std::uint64_t(difference * difference);
      rowSignal += std::uint64_t(a[i]) * a[i];
    }
    absoluteSum += rowAbsolute;
    squaredSum += rowSquared;
    signalSum += rowSignal;
  }

  ComparisonMeasures measures;
  const double samples = double(area.width) * double(area.height) * 3.0;
  if (samples > 0) {
    measures.mae = double(absoluteSum) / samples;
    measures.mse = double(squaredSum) / samples;
  }
  measures.rms = std::sqrt(measures.mse);
  measures.snr = Decibels(double(signalSum), double(squaredSum));
  measures.psnr = Decibels(255.0 * 255.0, measures.mse);
  return measures;
}

}  // namespace quillon
