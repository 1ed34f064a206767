// JP2_Compress_SetProp, JP2_Compress_GetProp and JP2_Compress_SetPrecinct: the property table
// with its scopes, defaults and checks.
#include <bit>
#include <cstdint>
#include <limits>

#include "common/WorkerPool.h"
#include "encoder/CompressState.h"
#include "encoder/GridSetters.h"

namespace quillon::jp2 {
namespace {

constexpr int kAll = -1;
constexpr std::uintptr_t kLargest32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kLargestId = JP2_Prop_Threads;
constexpr std::uintptr_t kMaxBitDepth = 28;
constexpr std::uintptr_t kMaxLayers = 31;
constexpr std::uintptr_t kMaxLayerField = 65535;
constexpr std::uintptr_t kMaxLevels = 16;
constexpr int kMaxCodeBlockExponentSum = 12;
constexpr int kMinCodeBlockExponent = 2;
constexpr int kMaxCodeBlockExponent = 10;

bool IsTileScoped(std::uint32_t id) {
  return id >= JP2_Prop_GuardBits && id <= JP2_Prop_CodeBlockHeight;
}

bool IsReserved(std::uint32_t id) {
  return id == JP2_Prop_ReduceFactor || id == JP2_Prop_EnlargeFactor || id == JP2_Prop_CacheInput ||
         (id >= JP2_Prop_WriteCallback && id <= JP2_Prop_ProgressParam);
}

Status RequireAllComponents(int component) {
  return component == kAll ? JP2_Success : JP2_Error_AllComponentsOnly;
}

// Applies fn to every addressed component; stops at the first failure, leaving the earlier
// slots changed.
template <typename Fn>
Status ForEachComponent(CompressState& state, int component, Fn&& fn) {
  const int first = component == kAll ? 0 : component;
  const int last = component == kAll ? state.componentCount - 1 : component;
  for (int i = first; i <= last; ++i) JP2_RETURN_IF_ERROR(fn(state.components[i]));
  return JP2_Success;
}

template <typename Fn>
Status ForEachTile(CompressState& state, std::int32_t tile, Fn&& fn) {
  const std::uint32_t first = tile == kAll ? 0 : static_cast<std::uint32_t>(tile);
  const std::uint32_t last = tile == kAll ? state.tileCount - 1 : static_cast<std::uint32_t>(tile);
  for (std::uint32_t t = first; t <= last; ++t) JP2_RETURN_IF_ERROR(fn(state.tiles[t]));
  return JP2_Success;
}

template <typename Fn>
Status ForEachTileComponent(CompressState& state, std::int32_t tile, int component, Fn&& fn) {
  const std::uint32_t firstTile = tile == kAll ? 0 : static_cast<std::uint32_t>(tile);
  const std::uint32_t lastTile =
      tile == kAll ? state.tileCount - 1 : static_cast<std::uint32_t>(tile);
  const int first = component == kAll ? 0 : component;
  const int last = component == kAll ? state.componentCount - 1 : component;
  for (std::uint32_t t = firstTile; t <= lastTile; ++t) {
    for (int c = first; c <= last; ++c) JP2_RETURN_IF_ERROR(fn(state.Coding(t, c)));
  }
  return JP2_Success;
}

// Stores a global 32-bit value that must not exceed its limit.
Status SetGlobal(std::uint32_t* field, std::uintptr_t value, std::uintptr_t largest,
                 int component) {
  JP2_RETURN_IF_ERROR(RequireAllComponents(component));
  if (value > largest) return JP2_Error_ValueOutOfRange;
  *field = static_cast<std::uint32_t>(value);
  return JP2_Success;
}

Status SetColourSpace(CompressState& state, std::uintptr_t value, int component) {
  JP2_RETURN_IF_ERROR(RequireAllComponents(component));
  switch (value) {
    case JP2_Colour_Greyscale:
    case JP2_Colour_sRGB:
    case JP2_Colour_sYCC:
    case JP2_Colour_CMYK:
      state.colourSpace = static_cast<std::uint32_t>(value);
      return JP2_Success;
    case JP2_Colour_ICC:
      return JP2_Error_UseSetICC;
    case JP2_Colour_CIELab:
      return JP2_Error_UseSetLAB;
    case JP2_Colour_Greyscale + 1:
    case JP2_Colour_sRGB + 1:
    case JP2_Colour_sYCC + 1:
    case JP2_Colour_ICC + 1:
    case JP2_Colour_CMYK + 1:
    case JP2_Colour_CIELab + 1:
      return JP2_Error_PaletteColourSpace;
    default:
      return JP2_Error_ValueOutOfRange;
  }
}

// The exponent of a code-block size: a power of two from 4 to 1024, else -1.
int CodeBlockExponent(std::uintptr_t size) {
  if (size < (1u << kMinCodeBlockExponent) || size > (1u << kMaxCodeBlockExponent) ||
      !std::has_single_bit(size)) {
    return -1;
  }
  return std::countr_zero(size);
}

Status SetCodeBlockSize(CompressState& state, bool width, std::uintptr_t value, std::int32_t tile,
                        int component) {
  const int exponent = CodeBlockExponent(value);
  if (exponent < 0) return JP2_Error_ValueOutOfRange;
  return ForEachTileComponent(state, tile, component, [&](TileComponentCoding& coding) -> Status {
    const int other = width ? coding.codeBlockHeightExponent : coding.codeBlockWidthExponent;
    if (exponent + other > kMaxCodeBlockExponentSum) return JP2_Error_ValueOutOfRange;
    (width ? coding.codeBlockWidthExponent : coding.codeBlockHeightExponent) =
        static_cast<std::uint8_t>(exponent);
    return JP2_Success;
  });
}

Status SetReversible(CompressState& state, std::uintptr_t value, std::int32_t tile, int component) {
  if (value > 1) return JP2_Error_ValueOutOfRange;
  return ForEachTileComponent(state, tile, component, [&](TileComponentCoding& coding) -> Status {
    coding.reversible = static_cast<std::uint8_t>(value);
    if (value == 1) {
      coding.quantStyle = 0;
    } else if (coding.quantStyle == 0) {
      coding.quantStyle = 2;
    }
    return JP2_Success;
  });
}

Status SetQuantStyle(CompressState& state, std::uintptr_t value, int component) {
  if (value > 2) return JP2_Error_ValueOutOfRange;
  return ForEachTileComponent(state, kAll, component, [&](TileComponentCoding& coding) -> Status {
    if ((value == 0) != (coding.reversible == 1)) return JP2_Error_QuantStyle;
    coding.quantStyle = static_cast<std::uint8_t>(value);
    return JP2_Success;
  });
}

// A value stored in one byte field of every addressed tile-component.
Status SetCodingByte(CompressState& state, std::uint8_t TileComponentCoding::*field,
                     std::uintptr_t value, std::int32_t tile, int component) {
  return ForEachTileComponent(state, tile, component, [&](TileComponentCoding& coding) -> Status {
    coding.*field = static_cast<std::uint8_t>(value);
    return JP2_Success;
  });
}

Status SetTileProperty(CompressState& state, std::uint32_t id, std::uintptr_t value,
                       int component) {
  switch (id) {
    case JP2_Prop_Markers:
      JP2_RETURN_IF_ERROR(RequireAllComponents(component));
      if (value > 3) return JP2_Error_ValueOutOfRange;
      return ForEachTile(state, kAll, [&](TileCoding& tile) -> Status {
        tile.markers = static_cast<std::uint8_t>(value);
        return JP2_Success;
      });
    case JP2_Prop_Progression:
      JP2_RETURN_IF_ERROR(RequireAllComponents(component));
      if (value > JP2_Progression_CPRL) return JP2_Error_ValueOutOfRange;
      return ForEachTile(state, kAll, [&](TileCoding& tile) -> Status {
        tile.progression = static_cast<std::uint8_t>(value);
        return JP2_Success;
      });
    default:  // JP2_Prop_Layers: the component argument is not looked at
      if (value == 0 || value > kMaxLayerField) return JP2_Error_ValueOutOfRange;
      if (value > kMaxLayers) return JP2_Error_Limit;
      return ForEachTile(state, kAll, [&](TileCoding& tile) -> Status {
        tile.layers = static_cast<std::uint16_t>(value);
        return JP2_Success;
      });
  }
}

Status SetComponentProperty(CompressState& state, std::uint32_t id, std::uintptr_t value,
                            int component) {
  if (id == JP2_Prop_BitDepth) {
    if (value > kMaxBitDepth) return JP2_Error_BitDepthRange;
    return ForEachComponent(state, component, [&](ComponentGeometry& geometry) -> Status {
      geometry.depth = static_cast<std::uint8_t>(value);
      return JP2_Success;
    });
  }
  if (value > 1) return JP2_Error_ValueOutOfRange;  // JP2_Prop_Signed
  return ForEachComponent(state, component, [&](ComponentGeometry& geometry) -> Status {
    geometry.isSigned = static_cast<std::uint8_t>(value);
    return JP2_Success;
  });
}

// Properties that shape the reference grid: all take 32-bit values.
Status SetGridProperty(CompressState& state, std::uint32_t id, std::uintptr_t value,
                       int component) {
  if (value > kLargest32) return JP2_Error_ValueOutOfRange;
  const auto value32 = static_cast<std::uint32_t>(value);
  switch (id) {
    case JP2_Prop_Width:
    case JP2_Prop_Height:
      if (value32 == 0) return JP2_Error_ValueOutOfRange;
      return SetComponentSize(state, id == JP2_Prop_Width ? kAxisX : kAxisY, component, value32);
    default:
      break;
  }
  JP2_RETURN_IF_ERROR(RequireAllComponents(component));
  switch (id) {
    case JP2_Prop_TileWidth:
    case JP2_Prop_TileHeight:
      return SetTileSize(state, id == JP2_Prop_TileWidth ? kAxisX : kAxisY, value32);
    case JP2_Prop_OffsetX:
    case JP2_Prop_OffsetY:
      return SetImageOffset(state, id == JP2_Prop_OffsetX ? kAxisX : kAxisY, value32);
    default:  // JP2_Prop_TileOffsetX, JP2_Prop_TileOffsetY
      return SetTileOffset(state, id == JP2_Prop_TileOffsetX ? kAxisX : kAxisY, value32);
  }
}

Status SetProperty(CompressState& state, std::uint32_t id, std::uintptr_t value, std::int32_t tile,
                   int component) {
  if (state.compressed) return JP2_Success;
  if (component < kAll || component >= state.componentCount) return JP2_Error_ComponentIndex;
  if (tile < kAll || (tile >= 0 && static_cast<std::uint32_t>(tile) >= state.tileCount)) {
    return JP2_Error_TileIndex;
  }
  if (tile != kAll && !IsTileScoped(id)) return JP2_Error_NotPerTile;
  if (id < 1 || id > kLargestId) return JP2_Error_UnknownProperty;
  if (IsReserved(id)) return JP2_Error_Reserved;

  switch (id) {
    case JP2_Prop_Width:
    case JP2_Prop_Height:
    case JP2_Prop_TileWidth:
    case JP2_Prop_TileHeight:
    case JP2_Prop_OffsetX:
    case JP2_Prop_OffsetY:
    case JP2_Prop_TileOffsetX:
    case JP2_Prop_TileOffsetY:
      return SetGridProperty(state, id, value, component);
    case JP2_Prop_Components:
      JP2_RETURN_IF_ERROR(RequireAllComponents(component));
      return value == static_cast<std::uintptr_t>(state.componentCount) ? JP2_Success
                                                                        : JP2_Error_ValueOutOfRange;
    case JP2_Prop_BitDepth:
    case JP2_Prop_Signed:
      return SetComponentProperty(state, id, value, component);
    case JP2_Prop_TileCount:
    case JP2_Prop_GridWidth:
    case JP2_Prop_GridHeight:
      return JP2_Error_ReadOnly;
    case JP2_Prop_FileFormat:
      return SetGlobal(&state.fileFormat, value, JP2_Format_JPX, component);
    case JP2_Prop_ColourSpace:
      return SetColourSpace(state, value, component);
    case JP2_Prop_ByteOrder:
      return SetGlobal(&state.byteOrder, value, 1, component);
    case JP2_Prop_OutputBufferSize:
      if (value == 0) return JP2_Error_ValueOutOfRange;
      return SetGlobal(&state.outputBufferSize, value, kLargest32, component);
    case JP2_Prop_InputCallback:
    case JP2_Prop_InputParam:
    case JP2_Prop_OutputCallback:
    case JP2_Prop_OutputParam: {
      JP2_RETURN_IF_ERROR(RequireAllComponents(component));
      std::uintptr_t* const fields[] = {&state.inputCallback, &state.inputParam,
                                        &state.outputCallback, &state.outputParam};
      *fields[id - JP2_Prop_InputCallback] = value;
      return JP2_Success;
    }
    case JP2_Prop_Markers:
    case JP2_Prop_Progression:
    case JP2_Prop_Layers:
      return SetTileProperty(state, id, value, component);
    case JP2_Prop_TargetSize:
      return SetGlobal(&state.targetSize, value, kLargest32, component);
    case JP2_Prop_VisualWeighting:
      return SetGlobal(&state.visualWeighting, value, 3, component);
    case JP2_Prop_GuardBits:
      if (value > 7) return JP2_Error_ValueOutOfRange;
      return SetCodingByte(state, &TileComponentCoding::guardBits, value, tile, component);
    case JP2_Prop_Reversible:
      return SetReversible(state, value, tile, component);
    case JP2_Prop_Levels:
      if (value > kMaxLevels) return JP2_Error_Limit;
      return SetCodingByte(state, &TileComponentCoding::levels, value, tile, component);
    case JP2_Prop_CodeBlockWidth:
    case JP2_Prop_CodeBlockHeight:
      return SetCodeBlockSize(state, id == JP2_Prop_CodeBlockWidth, value, tile, component);
    case JP2_Prop_CodeBlockStyle:
      if (value >= 64) return JP2_Error_ValueOutOfRange;
      return SetCodingByte(state, &TileComponentCoding::codeBlockStyle, value, kAll, component);
    case JP2_Prop_QuantStyle:
      return SetQuantStyle(state, value, component);
    case JP2_Prop_Threads:
      if (value < 1 || value > kMaxThreads) return JP2_Error_ValueOutOfRange;
      return SetGlobal(&state.threads, value, kMaxThreads, component);
    default:
      return JP2_Error_UnknownProperty;
  }
}

enum class GetScope { kComponent, kNeither, kBoth };

GetScope ScopeOf(std::uint32_t id) {
  switch (id) {
    case JP2_Prop_Width:
    case JP2_Prop_Height:
    case JP2_Prop_BitDepth:
    case JP2_Prop_Signed:
      return GetScope::kComponent;
    case JP2_Prop_Components:
    case JP2_Prop_ColourSpace:
    case JP2_Prop_ByteOrder:
    case JP2_Prop_OutputBufferSize:
    case JP2_Prop_TargetSize:
    case JP2_Prop_Threads:
      return GetScope::kNeither;
    default:
      if ((id >= JP2_Prop_TileWidth && id <= JP2_Prop_TileOffsetY) ||
          (id >= JP2_Prop_InputCallback && id <= JP2_Prop_OutputParam)) {
        return GetScope::kNeither;
      }
      return GetScope::kBoth;
  }
}

Status GetProperty(CompressState& state, std::uint32_t id, std::uintptr_t* result,
                   std::int32_t tile, int component) {
  const GetScope scope = ScopeOf(id);
  if (scope == GetScope::kNeither) component = 0;
  if (scope != GetScope::kBoth) tile = 0;
  if (component < 0 || component >= state.componentCount) return JP2_Error_ComponentIndex;
  if (tile < 0 || static_cast<std::uint32_t>(tile) >= state.tileCount) return JP2_Error_TileIndex;
  if (id == JP2_Prop_ReduceFactor || id == JP2_Prop_EnlargeFactor ||
      (id >= JP2_Prop_WriteCallback && id <= JP2_Prop_ProgressParam)) {
    return JP2_Error_Reserved;
  }
  const ComponentGeometry& geometry = state.components[component];
  const TileCoding& tileCoding = state.tiles[tile];
  const TileComponentCoding& coding = state.Coding(static_cast<std::uint32_t>(tile), component);
  const ReferenceGrid& grid = state.grid;
  switch (id) {
    case JP2_Prop_Width:
      *result = geometry.size[kAxisX];
      break;
    case JP2_Prop_Height:
      *result = geometry.size[kAxisY];
      break;
    case JP2_Prop_Components:
      *result = static_cast<std::uintptr_t>(state.componentCount);
      break;
    case JP2_Prop_BitDepth:
      *result = geometry.depth;
      break;
    case JP2_Prop_Signed:
      *result = geometry.isSigned;
      break;
    case JP2_Prop_TileWidth:
      *result = grid.tileSize[kAxisX];
      break;
    case JP2_Prop_TileHeight:
      *result = grid.tileSize[kAxisY];
      break;
    case JP2_Prop_TileCount:
      *result = state.tileCount;
      break;
    case JP2_Prop_FileFormat:
      *result = state.fileFormat;
      break;
    case JP2_Prop_GridWidth:
      *result = grid.extent[kAxisX];
      break;
    case JP2_Prop_GridHeight:
      *result = grid.extent[kAxisY];
      break;
    case JP2_Prop_OffsetX:
      *result = grid.offset[kAxisX];
      break;
    case JP2_Prop_OffsetY:
      *result = grid.offset[kAxisY];
      break;
    case JP2_Prop_TileOffsetX:
      *result = grid.tileOffset[kAxisX];
      break;
    case JP2_Prop_TileOffsetY:
      *result = grid.tileOffset[kAxisY];
      break;
    case JP2_Prop_ColourSpace:
      *result = state.colourSpace;
      break;
    case JP2_Prop_ByteOrder:
      *result = state.byteOrder;
      break;
    case JP2_Prop_OutputBufferSize:
      *result = state.outputBufferSize;
      break;
    case JP2_Prop_InputCallback:
      *result = state.inputCallback;
      break;
    case JP2_Prop_InputParam:
      *result = state.inputParam;
      break;
    case JP2_Prop_OutputCallback:
      *result = state.outputCallback;
      break;
    case JP2_Prop_OutputParam:
      *result = state.outputParam;
      break;
    case JP2_Prop_Markers:
      *result = tileCoding.markers;
      break;
    case JP2_Prop_Progression:
      *result = tileCoding.progression;
      break;
    case JP2_Prop_Layers:
      *result = tileCoding.layers;
      break;
    // A palette switches rate control off.
    case JP2_Prop_TargetSize:
      *result = state.Palette() ? 0 : state.targetSize;
      break;
    case JP2_Prop_VisualWeighting:
      *result = state.visualWeighting;
      break;
    case JP2_Prop_GuardBits:
      *result = coding.guardBits;
      break;
    case JP2_Prop_Reversible:
      *result = coding.reversible;
      break;
    case JP2_Prop_Levels:
      *result = coding.levels;
      break;
    case JP2_Prop_CodeBlockWidth:
      *result = std::uintptr_t{1} << coding.codeBlockWidthExponent;
      break;
    case JP2_Prop_CodeBlockHeight:
      *result = std::uintptr_t{1} << coding.codeBlockHeightExponent;
      break;
    case JP2_Prop_CodeBlockStyle:
      *result = coding.codeBlockStyle;
      break;
    case JP2_Prop_QuantStyle:
      *result = coding.quantStyle;
      break;
    case JP2_Prop_Threads:
      *result = state.threads;
      break;
    default:
      return JP2_Error_UnknownProperty;
  }
  return JP2_Success;
}

constexpr std::int32_t kLastResolution = kResolutionSlots - 1;

Status SetPrecinctSize(CompressState& state, std::uint32_t ppx, std::uint32_t ppy,
                       std::int32_t tile, int component, std::int32_t resolution) {
  if (ppx > kMaxPrecinctExponent || ppy > kMaxPrecinctExponent) {
    return JP2_Error_PrecinctExponent;
  }
  if ((ppx == 0 || ppy == 0) && resolution != 0) return JP2_Error_PrecinctExponent;
  if (resolution < kAll || resolution > kLastResolution) return JP2_Error_ResolutionIndex;
  if (component < kAll || component >= state.componentCount) return JP2_Error_ComponentIndex;
  if (tile < kAll || (tile >= 0 && static_cast<std::uint32_t>(tile) >= state.tileCount)) {
    return JP2_Error_TileIndex;
  }
  const auto packed = static_cast<std::uint8_t>(ppy * 16 + ppx);
  const int first = resolution == kAll ? 0 : resolution;
  const int last = resolution == kAll ? kLastResolution : resolution;
  return ForEachTileComponent(state, tile, component, [&](TileComponentCoding& coding) -> Status {
    for (int r = first; r <= last; ++r) coding.precincts[r] = packed;
    return JP2_Success;
  });
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;
using quillon::jp2::WithState;

extern "C" {

JP2_API int32_t JP2_Compress_SetProp(CompressHandle handle, uint32_t id, uintptr_t value,
                                     int32_t tile, int16_t component) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::SetProperty(state, id, value, tile, component);
  });
}

JP2_API int32_t JP2_Compress_GetProp(CompressHandle handle, uint32_t id, uintptr_t* result,
                                     int32_t tile, int16_t component) {
  return WithState(handle, [&](CompressState& state) -> quillon::jp2::Status {
    if (result == nullptr) return JP2_Error_NullArgument;
    *result = 0;
    return quillon::jp2::GetProperty(state, id, result, tile, component);
  });
}

JP2_API int32_t JP2_Compress_SetPrecinct(CompressHandle handle, uint32_t ppx, uint32_t ppy,
                                         int32_t tile, int16_t component, int32_t resolution) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::SetPrecinctSize(state, ppx, ppy, tile, component, resolution);
  });
}

}  // extern "C"
