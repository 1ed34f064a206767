// Creating and ending an encoder handle.
#include <bit>
#include <cstring>
#include <new>

#include "encoder/CompressState.h"
#include "encoder/TileTables.h"

namespace quillon::jp2 {

CompressState* StateOf(CompressHandle handle) {
  if (handle == nullptr) return nullptr;
  std::uint32_t mark = 0;
  std::memcpy(&mark, handle, sizeof mark);
  return mark == kCompressMark ? reinterpret_cast<CompressState*>(handle) : nullptr;
}

namespace {

Status CreateState(const MemoryCallbacks& memory, int componentCount, CompressState** created) {
  BlockLayout layout;
  const std::uint64_t stateOffset = layout.Add(1, sizeof(CompressState));
  const std::uint64_t componentsOffset = layout.Add(componentCount, sizeof(ComponentGeometry));
  const std::uint64_t tileOffset = layout.Add(1, sizeof(TileCoding));
  const std::uint64_t codingOffset = layout.Add(componentCount, sizeof(TileComponentCoding));
  OwnedBlock block;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &block));

  auto* state = new (block.data + stateOffset) CompressState{};
  state->self = block;
  state->memory = memory;
  state->componentCount = componentCount;
  state->components = reinterpret_cast<ComponentGeometry*>(block.data + componentsOffset);
  for (int i = 0; i < componentCount; ++i) new (&state->components[i]) ComponentGeometry{};
  state->ownTile = new (block.data + tileOffset) TileCoding{};
  state->ownTileComponents = reinterpret_cast<TileComponentCoding*>(block.data + codingOffset);
  const TileComponentCoding defaults = DefaultTileComponentCoding();
  for (int i = 0; i < componentCount; ++i) {
    new (&state->ownTileComponents[i]) TileComponentCoding(defaults);
  }
  state->tiles = state->ownTile;
  state->tileComponents = state->ownTileComponents;
  state->byteOrder = std::endian::native == std::endian::big ? 1 : 0;
  *created = state;
  return JP2_Success;
}

Status ReleaseMetadataBoxes(CompressState& state) {
  while (state.firstBox != nullptr) {
    MetadataBox* box = state.firstBox;
    OwnedBlock block = box->block;
    state.firstBox = box->next;
    const Status status = Release(state.memory, &block);
    if (!status.ok()) {
      state.firstBox = box;
      return status;
    }
  }
  state.lastBox = nullptr;
  return JP2_Success;
}

// Releases everything but the handle block, in the fixed order; each step empties what it
// released, so an End that stopped at a failing release can be repeated.
Status ReleaseOwnedBlocks(CompressState& state) {
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.iccProfile));
  JP2_RETURN_IF_ERROR(ReleaseTileTables(state));
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.channelDefs));
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.palette));
  return ReleaseMetadataBoxes(state);
}

Status EndSession(CompressState& state) {
  JP2_RETURN_IF_ERROR(state.output.Close(state.memory));
  JP2_RETURN_IF_ERROR(ReleaseOwnedBlocks(state));
  OwnedBlock self = state.self;
  const MemoryCallbacks memory = state.memory;
  state.mark = 0;
  const Status released = Release(memory, &self);
  // The block still exists when its release failed: keep it a handle End can retry.
  if (!released.ok()) state.mark = kCompressMark;
  return released;
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;

extern "C" {

JP2_API int32_t JP2_Compress_Start(CompressHandle* out, JP2_AllocCallback alloc,
                                   uintptr_t allocParam, JP2_FreeCallback release,
                                   uintptr_t freeParam, int16_t components) {
  if (out == nullptr) return JP2_Error_NullArgument;
  *out = nullptr;
  if (components < 1 || components > quillon::jp2::kMaxComponents) {
    return JP2_Error_ComponentCount;
  }
  const quillon::jp2::MemoryCallbacks memory =
      quillon::jp2::MemoryCallbacksOrDefaults(alloc, allocParam, release, freeParam);
  CompressState* state = nullptr;
  const quillon::jp2::Status status = quillon::jp2::CreateState(memory, components, &state);
  if (!status.ok()) return status.code();
  *out = reinterpret_cast<CompressHandle>(state);
  return JP2_Success;
}

JP2_API int32_t JP2_Compress_End(CompressHandle handle) {
  return quillon::jp2::WithState(handle, quillon::jp2::EndSession);
}

}  // extern "C"
