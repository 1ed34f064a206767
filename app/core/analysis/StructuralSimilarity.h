// Mean structural similarity (SSIM) of two pictures' luminance, the measure codec comparisons
// quote beside PSNR because it follows what the eye sees better than the error energy does.
#pragma once

#include "core/picture/Picture.h"

namespace quillon {

// Over the comparison area of the two pictures, on the luminance 0.299 R + 0.587 G + 0.114 B
// (unrounded): a Gaussian window of 11 x 11 samples with sigma 1.5, population (co)variances,
// constants (0.01 * 255)^2 and (0.03 * 255)^2, averaged over every position where the window
// lies wholly inside the area. An area smaller than the window uses the largest odd window
// that fits. Equal pictures and an empty area give 1.
//
// Works row by row: the memory it takes grows with the width of the area, not its height.
double StructuralSimilarity(const Picture& reference, const Picture& compared);

}  // namespace quillon
