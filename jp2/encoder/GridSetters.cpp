#include "encoder/GridSetters.h"

#include <limits>

#include "encoder/ReferenceGridFit.h"
#include "encoder/TileTables.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kLargestCoordinate = std::numeric_limits<std::uint32_t>::max();

// value * to / from, rounded up; false when the result leaves 32 bits.
bool ScaleUp(std::uint32_t* value, std::uint32_t to, std::uint32_t from) {
  const unsigned __int128 product = static_cast<unsigned __int128>(*value) * to;
  const unsigned __int128 scaled = (product + from - 1) / from;
  if (scaled > kLargestCoordinate) return false;
  *value = static_cast<std::uint32_t>(scaled);
  return true;
}

// Fits the axis of the candidate grid to the component sizes. candidate.extent holds the
// extent before the fit: when the fit changes it, offset, tile offset and tile size scale
// with it, and the fit is repeated for the scaled offset so the sizes stay exact.
Status FitAndApply(CompressState& state, Axis axis, ReferenceGrid candidate) {
  std::uint32_t fitted = 0;
  if (!FitAxis(state.components, state.componentCount, axis, candidate.offset[axis], false,
               &fitted)) {
    return JP2_Error_ImageSize;
  }
  const std::uint32_t previous = candidate.extent[axis];
  if (previous != 0 && fitted != previous) {
    const std::uint32_t offsetBefore = candidate.offset[axis];
    if (!ScaleUp(&candidate.offset[axis], fitted, previous) ||
        !ScaleUp(&candidate.tileOffset[axis], fitted, previous) ||
        !ScaleUp(&candidate.tileSize[axis], fitted, previous)) {
      return JP2_Error_ImageSize;
    }
    if (candidate.offset[axis] != offsetBefore &&
        !FitAxis(state.components, state.componentCount, axis, candidate.offset[axis], false,
                 &fitted)) {
      return JP2_Error_ImageSize;
    }
  }
  candidate.extent[axis] = fitted;
  JP2_RETURN_IF_ERROR(ApplyGrid(state, candidate));
  static_cast<void>(
      FitAxis(state.components, state.componentCount, axis, candidate.offset[axis], true, &fitted));
  return JP2_Success;
}

void WriteSizes(CompressState& state, Axis axis, int component, std::uint32_t size) {
  const int first = component < 0 ? 0 : component;
  const int last = component < 0 ? state.componentCount - 1 : component;
  for (int i = first; i <= last; ++i) state.components[i].size[axis] = size;
}

}  // namespace

Status SetComponentSize(CompressState& state, Axis axis, int component, std::uint32_t size) {
  WriteSizes(state, axis, component, size);
  const Status status = FitAndApply(state, axis, state.grid);
  if (!status.ok()) WriteSizes(state, axis, component, 0);
  return status;
}

Status SetImageOffset(CompressState& state, Axis axis, std::uint32_t offset) {
  if (state.grid.extent[axis] == 0) return JP2_Error_ImageSize;
  ReferenceGrid candidate = state.grid;
  const std::uint64_t moved =
      std::uint64_t{candidate.extent[axis]} - candidate.offset[axis] + offset;
  if (moved > kLargestCoordinate) return JP2_Error_ValueOutOfRange;
  candidate.extent[axis] = static_cast<std::uint32_t>(moved);
  candidate.offset[axis] = offset;
  return FitAndApply(state, axis, candidate);
}

Status SetTileSize(CompressState& state, Axis axis, std::uint32_t size) {
  if (state.grid.extent[axis] == 0) return JP2_Error_ImageSize;
  ReferenceGrid candidate = state.grid;
  candidate.tileSize[axis] = size;
  return ApplyGrid(state, candidate);
}

Status SetTileOffset(CompressState& state, Axis axis, std::uint32_t offset) {
  if (state.grid.extent[axis] == 0) return JP2_Error_ImageSize;
  ReferenceGrid candidate = state.grid;
  candidate.tileOffset[axis] = offset;
  return ApplyGrid(state, candidate);
}

}  // namespace quillon::jp2
