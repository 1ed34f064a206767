// JP2_Decompress_SetProp, JP2_Decompress_GetProp and JP2_Decompress_GetPrecinct: the property
// table of the decoder, with the reduce and enlarge factors that scale the output sizes.
#include <bit>

#include "common/WorkerPool.h"
#include "decoder/DecompressState.h"

namespace quillon::jp2 {
namespace {

// What GetProp looks at besides the handle.
enum class Scope { kImage, kComponent, kTile, kTileComponent, kEncoderOnly, kNotReadable };

Scope GetScope(std::uint32_t id) {
  switch (id) {
    case JP2_Prop_Width:
    case JP2_Prop_Height:
    case JP2_Prop_BitDepth:
    case JP2_Prop_Signed:
      return Scope::kComponent;
    case JP2_Prop_Components:
    case JP2_Prop_ColourSpace:
    case JP2_Prop_ByteOrder:
    case JP2_Prop_WriteCallback:
    case JP2_Prop_WriteParam:
    case JP2_Prop_ProgressCallback:
    case JP2_Prop_ProgressParam:
    case JP2_Prop_Threads:
      return Scope::kImage;
    case JP2_Prop_OutputBufferSize:
    case JP2_Prop_InputCallback:
    case JP2_Prop_InputParam:
    case JP2_Prop_OutputCallback:
    case JP2_Prop_OutputParam:
    case JP2_Prop_TargetSize:
    case JP2_Prop_TargetSize + 1:
    case JP2_Prop_VisualWeighting:
      return Scope::kEncoderOnly;
    case JP2_Prop_Markers:
    case JP2_Prop_Progression:
    case JP2_Prop_Layers:
      return Scope::kTile;
    case JP2_Prop_GuardBits:
    case JP2_Prop_Reversible:
    case JP2_Prop_Levels:
    case JP2_Prop_CodeBlockWidth:
    case JP2_Prop_CodeBlockHeight:
    case JP2_Prop_CodeBlockStyle:
      return Scope::kTileComponent;
    default:
      return id >= JP2_Prop_TileWidth && id <= JP2_Prop_TileOffsetY ? Scope::kImage
                                                                    : Scope::kNotReadable;
  }
}

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor) {
  return (value + divisor - 1) / divisor;
}

// A component's output extent along axis at the current reduce or enlarge factor.
std::uint64_t OutputExtent(const DecompressState& state, int component, int axis,
                           std::uint32_t reduce) {
  const Bounds bounds = ComponentBounds(state.codestream, component);
  const std::uint64_t x0 = axis == 0 ? bounds.x0 : bounds.y0;
  const std::uint64_t x1 = axis == 0 ? bounds.x1 : bounds.y1;
  if (reduce > 1) return CeilDiv(x1, reduce) - CeilDiv(x0, reduce);
  return (x1 - x0) * state.enlargeFactor;
}

bool IsPowerOfTwo(std::uintptr_t value) {
  return value != 0 && std::has_single_bit(value);
}

Status SetReduceFactor(DecompressState& state, std::uintptr_t factor) {
  // 0 would divide by zero when sizes are scaled.
  if (!IsPowerOfTwo(factor) || factor > (std::uintptr_t{1} << 31)) return JP2_Error_ValueOutOfRange;
  const auto reduce = static_cast<std::uint32_t>(factor);
  for (int c = 0; c < state.codestream.componentCount; ++c) {
    if (OutputExtent(state, c, 0, reduce) == 0 || OutputExtent(state, c, 1, reduce) == 0) {
      return JP2_Error_ScaleFactor;
    }
  }
  state.reduceFactor = reduce;
  state.enlargeFactor = 1;
  return JP2_Success;
}

Status SetEnlargeFactor(DecompressState& state, std::uintptr_t factor) {
  if (factor > 32) return JP2_Error_ScaleFactor;
  if (!IsPowerOfTwo(factor)) return JP2_Error_ValueOutOfRange;
  state.enlargeFactor = static_cast<std::uint32_t>(factor);
  state.reduceFactor = 1;
  return JP2_Success;
}

Status SetColourSpace(const DecompressState& state, std::uintptr_t code) {
  const bool known = code == JP2_Colour_Greyscale || code == JP2_Colour_sRGB ||
                     code == JP2_Colour_sYCC || code == JP2_Colour_ICC || code == JP2_Colour_CMYK ||
                     code == JP2_Colour_CIELab;
  if (!known) return JP2_Error_ValueOutOfRange;
  // The decoder does not convert between colour spaces.
  return code == state.colourSpace ? JP2_Success : JP2_Error_ColourSpace;
}

Status SetProperty(DecompressState& state, std::uint32_t id, std::uintptr_t value) {
  switch (id) {
    case JP2_Prop_ColourSpace:
      return SetColourSpace(state, value);
    case JP2_Prop_ByteOrder:
      if (value > 1) return JP2_Error_ValueOutOfRange;
      state.byteOrder = static_cast<std::uint32_t>(value);
      return JP2_Success;
    case JP2_Prop_ReduceFactor:
      return SetReduceFactor(state, value);
    case JP2_Prop_EnlargeFactor:
      return SetEnlargeFactor(state, value);
    case JP2_Prop_CacheInput:
      state.input.SetCaching(value != 0);
      return JP2_Success;
    case JP2_Prop_WriteCallback:
      state.writeCallback = value;
      return JP2_Success;
    case JP2_Prop_WriteParam:
      state.writeParam = value;
      return JP2_Success;
    case JP2_Prop_ProgressCallback:
      state.progressCallback = value;
      return JP2_Success;
    case JP2_Prop_ProgressParam:
      state.progressParam = value;
      return JP2_Success;
    case JP2_Prop_Threads:
      if (value < 1 || value > kMaxThreads) return JP2_Error_ValueOutOfRange;
      state.threads = static_cast<std::uint32_t>(value);
      return JP2_Success;
    case JP2_Prop_TileCount:
    case JP2_Prop_TargetSize:
    case JP2_Prop_TargetSize + 1:
      return JP2_Error_UnknownProperty;
    default:
      break;
  }
  switch (GetScope(id)) {
    case Scope::kEncoderOnly:
      return JP2_Error_EncoderOnly;
    case Scope::kNotReadable:
      return id == JP2_Prop_QuantStyle ? JP2_Error_ReadOnly : JP2_Error_UnknownProperty;
    default:
      return JP2_Error_ReadOnly;
  }
}

std::uintptr_t ImageValue(const DecompressState& state, std::uint32_t id) {
  const CodestreamParams& cs = state.codestream;
  switch (id) {
    case JP2_Prop_Components:
      return static_cast<std::uintptr_t>(cs.componentCount);
    case JP2_Prop_TileWidth:
      return cs.tileSize[0];
    case JP2_Prop_TileHeight:
      return cs.tileSize[1];
    case JP2_Prop_TileCount:
      return cs.tileCount;
    case JP2_Prop_FileFormat:
      return state.isJp2 ? 1 : 0;
    case JP2_Prop_GridWidth:
      return cs.extent[0];
    case JP2_Prop_GridHeight:
      return cs.extent[1];
    case JP2_Prop_OffsetX:
      return cs.offset[0];
    case JP2_Prop_OffsetY:
      return cs.offset[1];
    case JP2_Prop_TileOffsetX:
      return cs.tileOffset[0];
    case JP2_Prop_TileOffsetY:
      return cs.tileOffset[1];
    case JP2_Prop_ColourSpace:
      return state.ReportedCode(state.colourSpace);
    case JP2_Prop_ByteOrder:
      return state.byteOrder;
    case JP2_Prop_WriteCallback:
      return state.writeCallback;
    case JP2_Prop_WriteParam:
      return state.writeParam;
    case JP2_Prop_ProgressCallback:
      return state.progressCallback;
    case JP2_Prop_Threads:
      return state.threads;
    default:
      return state.progressParam;
  }
}

std::uintptr_t ComponentValue(const DecompressState& state, std::uint32_t id, int component) {
  const ComponentInfo& info = state.codestream.components[component];
  switch (id) {
    case JP2_Prop_Width:
      return OutputExtent(state, component, 0, state.reduceFactor);
    case JP2_Prop_Height:
      return OutputExtent(state, component, 1, state.reduceFactor);
    case JP2_Prop_BitDepth:
      return info.depth;
    default:
      return info.isSigned;
  }
}

std::uintptr_t TileValue(const DecompressState& state, std::uint32_t id, std::uint32_t tile,
                         int component) {
  if (id == JP2_Prop_Markers || id == JP2_Prop_Progression || id == JP2_Prop_Layers) {
    const TileParams& params = TileParamsOf(state.codestream, tile);
    if (id == JP2_Prop_Markers) return params.markers;
    return id == JP2_Prop_Progression ? params.progression : params.layers;
  }
  const TileComponentParams& params = TileComponentParamsOf(state.codestream, tile, component);
  switch (id) {
    case JP2_Prop_GuardBits:
      return params.guardBits;
    case JP2_Prop_Reversible:
      return params.reversible;
    case JP2_Prop_Levels:
      return params.levels;
    case JP2_Prop_CodeBlockWidth:
      return std::uintptr_t{1} << params.codeBlockWidthExponent;
    case JP2_Prop_CodeBlockHeight:
      return std::uintptr_t{1} << params.codeBlockHeightExponent;
    default:
      return params.codeBlockStyle;
  }
}

Status GetProperty(const DecompressState& state, std::uint32_t id, std::uintptr_t* value,
                   std::int32_t tile, std::int16_t channel) {
  const Scope scope = GetScope(id);
  if (scope == Scope::kEncoderOnly) return JP2_Error_EncoderOnly;
  if (scope == Scope::kNotReadable) return JP2_Error_UnknownProperty;
  if (scope == Scope::kImage) {
    *value = ImageValue(state, id);
    return JP2_Success;
  }
  if (channel < 0 || static_cast<std::uint32_t>(channel) >= state.channelCount) {
    return JP2_Error_ComponentIndex;
  }
  const int component = state.ChannelComponents()[channel];
  if (scope == Scope::kComponent) {
    *value = ComponentValue(state, id, component);
    return JP2_Success;
  }
  if (tile < 0 || static_cast<std::uint32_t>(tile) >= state.codestream.tileCount) {
    return JP2_Error_TileIndex;
  }
  *value = TileValue(state, id, static_cast<std::uint32_t>(tile), component);
  return JP2_Success;
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::DecompressState;
using quillon::jp2::WithDecompressState;

extern "C" {

JP2_API int32_t JP2_Decompress_SetProp(DecompressHandle handle, uint32_t id, uintptr_t value) {
  return WithDecompressState(
      handle, [&](DecompressState& state) { return quillon::jp2::SetProperty(state, id, value); });
}

JP2_API int32_t JP2_Decompress_GetProp(DecompressHandle handle, uint32_t id, uintptr_t* value,
                                       int32_t tile, int16_t channel) {
  return WithDecompressState(handle, [&](DecompressState& state) -> quillon::jp2::Status {
    if (value == nullptr) return JP2_Error_NullArgument;
    *value = 0;
    return quillon::jp2::GetProperty(state, id, value, tile, channel);
  });
}

JP2_API int32_t JP2_Decompress_GetPrecinct(DecompressHandle handle, uint32_t* ppx, uint32_t* ppy,
                                           int32_t tile, int16_t component, int32_t resolution) {
  return WithDecompressState(handle, [&](DecompressState& state) -> quillon::jp2::Status {
    if (ppx == nullptr || ppy == nullptr) return JP2_Error_NullArgument;
    *ppx = *ppy = 0;
    const quillon::jp2::CodestreamParams& cs = state.codestream;
    if (component < 0 || component >= cs.componentCount) return JP2_Error_ComponentIndex;
    if (tile < 0 || static_cast<std::uint32_t>(tile) >= cs.tileCount) return JP2_Error_TileIndex;
    const auto& params =
        quillon::jp2::TileComponentParamsOf(cs, static_cast<std::uint32_t>(tile), component);
    if (resolution < 0 || resolution > params.levels ||
        resolution >= quillon::jp2::kDecoderResolutionSlots) {
      return JP2_Error_ResolutionIndex;
    }
    const std::uint8_t packed = params.precincts[resolution];
    *ppx = packed & 0x0Fu;
    *ppy = packed >> 4;
    return JP2_Success;
  });
}

}  // extern "C"
