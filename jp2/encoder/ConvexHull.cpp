#include "encoder/ConvexHull.h"

#include <limits>

#include "encoder/BlockCoder.h"

namespace quillon::jp2 {

void ConvexHull(std::uint32_t* lengths, float* values, int count) {
  if (count <= 0 || count > kMaxCodingPasses) return;
  bool kept[kMaxCodingPasses];
  // Coding order c is storage index count - 1 - c.
  auto at = [count](int c) { return count - 1 - c; };

  std::uint32_t previousLength = 0;
  for (int c = 0; c < count; ++c) {
    const int i = at(c);
    kept[i] = lengths[i] > previousLength;
    if (kept[i]) {
      previousLength = lengths[i];
    } else {
      values[i] = 0.0f;
    }
  }

  for (bool merged = true; merged;) {
    merged = false;
    double previousSlope = std::numeric_limits<double>::infinity();
    double lastDistortion = 0.0, lastLength = 0.0;
    int last = -1;
    for (int c = 0; c < count; ++c) {
      const int i = at(c);
      if (!kept[i]) continue;
      const double slope = (values[i] - lastDistortion) / (lengths[i] - lastLength);
      if (last >= 0 && slope >= previousSlope) {
        values[last] = values[i];
        lengths[last] = lengths[i];
        values[i] = 0.0f;
        kept[i] = false;
        merged = true;
        break;
      }
      previousSlope = slope;
      lastDistortion = values[i];
      lastLength = lengths[i];
      last = i;
    }
  }

  double lastDistortion = 0.0;
  std::uint32_t lastLength = 0;
  for (int c = 0; c < count; ++c) {
    const int i = at(c);
    if (!kept[i]) {
      lengths[i] = lastLength;
      values[i] = 0.0f;
      continue;
    }
    const double distortion = values[i];
    values[i] = static_cast<float>((distortion - lastDistortion) / (lengths[i] - lastLength));
    lastDistortion = distortion;
    lastLength = lengths[i];
  }
}

}  // namespace quillon::jp2
