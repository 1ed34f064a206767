// Smoothing and sharpening by 3 x 3 kernels with one weight for the centre and one for the
// eight neighbours.
#pragma once

#include "core/picture/Picture.h"

namespace quillon {

enum class KernelFilter { Smooth, Sharpen };
// The values the strength dialog gives its choices.
enum class FilterStrength { Low = 0, High = 1, Medium = 2 };

struct Kernel {
  int centre = 0;
  int neighbour = 0;
  int shift = 0;  // the weights sum to 1 << shift, so flat areas keep their value
};

Kernel KernelOf(KernelFilter filter, FilterStrength strength);

// Convolves every channel of `source` with `kernel`, shifts the sum right and saturates it to
// 0..255. Pixels outside the picture repeat the nearest border pixel. A grey source (also a
// 24-bit one, or a grey palette in any order) gives an 8-bit grey ramp picture, any other a
// 24-bit one; the caller refuses 8-bit palette pictures that are not grey. False when the
// source is empty or memory runs out.
[[nodiscard]] bool ApplyKernel(const Picture& source, const Kernel& kernel, Picture& target);

}  // namespace quillon
