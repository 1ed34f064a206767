// JP2_Decompress_Start and JP2_Decompress_End: the handle's life from the first read to the
// last release.
#include <bit>
#include <new>

#include "decoder/BoxWalk.h"
#include "decoder/ChannelResolution.h"
#include "decoder/ColourDescriptions.h"
#include "decoder/DecompressState.h"
#include "decoder/FileRecognition.h"

namespace quillon::jp2 {
namespace {

// The multiple component transform needs three components alike in depth and subsampling,
// and the tile grid must cover the image area.
Status CheckGeometry(const CodestreamParams& codestream) {
  if (codestream.anyComponentTransform) {
    if (codestream.componentCount < 3) return JP2_Error_ComponentCount;
    const ComponentInfo* c = codestream.components;
    if (c[0].depth != c[1].depth || c[0].depth != c[2].depth) return JP2_Error_BitDepth;
    for (int axis = 0; axis < 2; ++axis) {
      if (c[0].factor[axis] != c[1].factor[axis] || c[0].factor[axis] != c[2].factor[axis]) {
        return JP2_Error_ComponentMismatch;
      }
    }
  }
  for (int axis = 0; axis < 2; ++axis) {
    const std::uint64_t tileOffset = codestream.tileOffset[axis];
    if (tileOffset > codestream.offset[axis] ||
        tileOffset + codestream.tileSize[axis] <= codestream.offset[axis]) {
      return JP2_Error_TileGrid;
    }
  }
  return JP2_Success;
}

// Steps after the handle exists: boxes, main header, colour, channels, geometry.
Status ParseHeaders(DecompressState& state) {
  std::uint64_t afterFileType = 0;
  JP2_RETURN_IF_ERROR(RecogniseJp2(state.input, state.memory, &state.isJp2, &afterFileType));
  if (state.isJp2) JP2_RETURN_IF_ERROR(WalkBoxes(state, afterFileType));
  JP2_RETURN_IF_ERROR(
      ParseMainHeader(state.input, state.codestreamStart, state.memory, &state.codestream));
  // Per-component arrays are sized by SIZ; a count announced otherwise must agree with it.
  if (state.announcedComponents != 0 &&
      state.announcedComponents != static_cast<std::uint32_t>(state.codestream.componentCount)) {
    return JP2_Error_ComponentCount;
  }
  if (state.currentColour < 0) {
    state.colourSpace =
        state.codestream.anyComponentTransform ? JP2_Colour_sRGB : JP2_Colour_Greyscale;
  }
  FillLabDefaults(state);
  JP2_RETURN_IF_ERROR(ResolveChannels(state));
  return CheckGeometry(state.codestream);
}

Status ReleaseState(DecompressState& state) {
  const MemoryCallbacks& memory = state.memory;
  JP2_RETURN_IF_ERROR(state.input.Close(memory));
  for (auto& list : state.metadata) JP2_RETURN_IF_ERROR(list.Release(memory));
  JP2_RETURN_IF_ERROR(Release(memory, &state.scratch));
  state.scratchCapacity = 0;
  for (std::uint32_t i = 0; i < state.colours.Count(); ++i) {
    JP2_RETURN_IF_ERROR(Release(memory, &state.colours[i].profile));
  }
  JP2_RETURN_IF_ERROR(state.colours.Release(memory));
  JP2_RETURN_IF_ERROR(Release(memory, &state.reportedColours));
  JP2_RETURN_IF_ERROR(Release(memory, &state.palette));
  JP2_RETURN_IF_ERROR(Release(memory, &state.mapping));
  JP2_RETURN_IF_ERROR(Release(memory, &state.definitions));
  JP2_RETURN_IF_ERROR(Release(memory, &state.channels));
  JP2_RETURN_IF_ERROR(ReleasePacketState(memory, &state.packets));
  return ReleaseCodestreamParams(memory, &state.codestream);
}

// Steps 1 to 4 of Start: the first cache block (which serves as the probe buffer), the probe,
// the handle; from then on *out holds the handle, also when parsing fails.
Status StartHandle(const MemoryCallbacks& memory, JP2_ReadCallback read, std::uintptr_t param,
                   DecompressHandle* out) {
  InputSource input;
  JP2_RETURN_IF_ERROR(input.Open(memory, read, param));
  std::uint32_t components = 0;
  Status status = ProbeComponentCount(input.FirstBlock(), &components);
  OwnedBlock block;
  if (status.ok()) status = AllocateZeroed(memory, sizeof(DecompressState), &block);
  if (!status.ok()) {
    static_cast<void>(input.Close(memory));
    return status;
  }
  auto* state = new (block.data) DecompressState{};
  state->memory = memory;
  state->self = block;
  state->input = input;
  state->announcedComponents = components;
  state->byteOrder = std::endian::native == std::endian::little ? 0 : 1;
  *out = reinterpret_cast<DecompressHandle>(state);
  JP2_RETURN_IF_ERROR(ParseHeaders(*state));
  state->started = true;
  return JP2_Success;
}

}  // namespace

DecompressState* StateOf(DecompressHandle handle) {
  auto* state = reinterpret_cast<DecompressState*>(handle);
  return state != nullptr && state->mark == kDecompressMark ? state : nullptr;
}

}  // namespace quillon::jp2

using quillon::jp2::DecompressState;
using quillon::jp2::Status;

extern "C" {

JP2_API int32_t JP2_Decompress_Start(DecompressHandle* out, JP2_AllocCallback alloc,
                                     uintptr_t allocParam, JP2_FreeCallback release,
                                     uintptr_t freeParam, JP2_ReadCallback read,
                                     uintptr_t readParam) {
  if (out == nullptr) return JP2_Error_NullArgument;
  *out = nullptr;
  if (read == nullptr) return JP2_Error_NoReadCallback;
  return quillon::jp2::StartHandle(
             quillon::jp2::MemoryCallbacksOrDefaults(alloc, allocParam, release, freeParam), read,
             readParam, out)
      .code();
}

JP2_API int32_t JP2_Decompress_End(DecompressHandle handle) {
  DecompressState* state = quillon::jp2::StateOf(handle);
  if (state == nullptr) return JP2_Error_InvalidHandle;
  const Status released = quillon::jp2::ReleaseState(*state);
  if (!released.ok()) return released.code();
  const quillon::jp2::MemoryCallbacks memory = state->memory;
  quillon::jp2::OwnedBlock self = state->self;
  state->mark = 0;
  const Status last = quillon::jp2::Release(memory, &self);
  if (!last.ok()) state->mark = quillon::jp2::kDecompressMark;
  return last.code();
}

}  // extern "C"
