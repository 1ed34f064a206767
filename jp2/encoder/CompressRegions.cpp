// Regions of interest: rectangles in thousandths of the image that the encoder favours.
#include <algorithm>

#include "encoder/CompressState.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kWhole = 1000;
constexpr std::uint32_t kMaxStrength = 10;

// Clamps the start into 0..1000 and the extent to what is left of the image; an extent of 0
// means up to the edge.
void ClampSpan(std::uint32_t* start, std::uint32_t* extent) {
  *start = std::min(*start, kWhole);
  const std::uint32_t left = kWhole - *start;
  if (*extent == 0 || *extent > left) *extent = left;
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;
using quillon::jp2::WithState;

extern "C" {

JP2_API int32_t JP2_Compress_SetROI(CompressHandle handle, uint32_t x, uint32_t y, uint32_t width,
                                    uint32_t height) {
  return WithState(handle, [&](CompressState& state) -> quillon::jp2::Status {
    if (state.regionCount >= quillon::jp2::kMaxRegions) return JP2_Error_TooManyRegions;
    quillon::jp2::ClampSpan(&x, &width);
    quillon::jp2::ClampSpan(&y, &height);
    state.regions[state.regionCount++] = {x, y, width, height};
    return JP2_Success;
  });
}

JP2_API int32_t JP2_Compress_SetROI_Enhance(CompressHandle handle, uint32_t strength) {
  return WithState(handle, [&](CompressState& state) {
    state.enhanceStrength = std::min(strength, quillon::jp2::kMaxStrength);
    return quillon::jp2::Status();
  });
}

}  // extern "C"
