// Comparing a picture with a reference: the common area of the two and the error measures
// over it (MAE, MSE, RMS, SNR, PSNR), as the statistics window and the converter show them.
#pragma once

#include <cstdint>
#include <vector>

#include "core/picture/Picture.h"

namespace quillon {

// The smaller width by the smaller height, aligned at the top-left corner of both pictures.
struct ComparisonArea {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

ComparisonArea ComparisonAreaOf(const Picture& reference, const Picture& compared);

// The first `width` pixels of the picture row `topRow` (0 is the top) as blue, green, red
// into `samples` (at least 3 * width bytes); 8-bit pictures give their palette colours.
void ReadTopRow(const Picture& picture, std::int32_t topRow, std::int32_t width,
                std::vector<std::uint8_t>& samples);

// Every measure runs over the three colour channels of every pixel of the area (8-bit
// pictures take their palette colours). Equal pictures give 0 errors and infinite SNR and PSNR.
struct ComparisonMeasures {
  double mae = 0.0;
  double mse = 0.0;
  double rms = 0.0;
  double snr = 0.0;   // dB: reference energy over error energy
  double psnr = 0.0;  // dB: 255 over RMS
};

ComparisonMeasures CompareWithReference(const Picture& reference, const Picture& compared);

}  // namespace quillon
