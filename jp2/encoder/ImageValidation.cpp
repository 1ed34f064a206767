// The checks of JP2_Compress_Image that run before any callback, in their fixed order.
#include "encoder/ImageValidation.h"

#include <bit>
#include <initializer_list>

#include "encoder/TransformStage.h"

namespace quillon::jp2 {
namespace {

// A palette codes indices: reversible, without decomposition, quantization or rate control.
void ForcePaletteCoding(CompressState& state) {
  if (state.Palette() == nullptr) return;
  const std::uint64_t slots = std::uint64_t{state.tileCount} * state.componentCount;
  for (std::uint64_t i = 0; i < slots; ++i) {
    TileComponentCoding& coding = state.tileComponents[i];
    coding.reversible = 1;
    coding.levels = 0;
    coding.quantStyle = 0;
  }
  state.targetSize = 0;
}

Status CheckGeometry(const CompressState& state) {
  if (state.grid.extent[kAxisX] == 0 || state.grid.extent[kAxisY] == 0) {
    return JP2_Error_ImageSize;
  }
  const Status missing[] = {JP2_Error_NoWidth, JP2_Error_NoHeight};
  for (const Axis axis : {kAxisX, kAxisY}) {
    for (int c = 0; c < state.componentCount; ++c) {
      if (state.components[c].size[axis] == 0) return missing[axis];
    }
  }
  for (int c = 0; c < state.componentCount; ++c) {
    if (state.components[c].depth == 0) return JP2_Error_BitDepth;
  }
  // The image must start inside the first tile; a tile size of 0 is the whole grid.
  for (const Axis axis : {kAxisX, kAxisY}) {
    const ReferenceGrid& grid = state.grid;
    const std::uint64_t tileSize =
        grid.tileSize[axis] != 0 ? grid.tileSize[axis] : grid.extent[axis];
    if (grid.offset[axis] < grid.tileOffset[axis] ||
        grid.offset[axis] >= std::uint64_t{grid.tileOffset[axis]} + tileSize) {
      return JP2_Error_TileGrid;
    }
  }
  return JP2_Success;
}

// Position-driven progressions walk the grid in steps that need power-of-two factors.
Status CheckProgressionFactors(const CompressState& state) {
  bool allPowersOfTwo = true;
  for (int c = 0; c < state.componentCount; ++c) {
    const ComponentGeometry& component = state.components[c];
    allPowersOfTwo = allPowersOfTwo && std::has_single_bit(component.factor[kAxisX]) &&
                     std::has_single_bit(component.factor[kAxisY]);
  }
  if (allPowersOfTwo) return JP2_Success;
  for (std::uint32_t t = 0; t < state.tileCount; ++t) {
    const std::uint8_t order = state.tiles[t].progression;
    if (order == JP2_Progression_RPCL || order == JP2_Progression_PCRL) {
      return JP2_Error_SubsamplingNotPowerOfTwo;
    }
  }
  return JP2_Success;
}

}  // namespace

std::uint64_t ChannelsNeeded(const CompressState& state) {
  const bool boxes = state.fileFormat != JP2_Format_Codestream;
  switch (state.colourSpace) {
    case JP2_Colour_Greyscale:
      return 1;
    case JP2_Colour_sRGB:
    case JP2_Colour_sYCC:
      return 3;
    case JP2_Colour_CIELab:
      return boxes && state.fileFormat != JP2_Format_JPX ? 0 : 3;
    case JP2_Colour_CMYK:
      return 4;
    case JP2_Colour_ICC:
      if (state.iccProfile.empty()) return 0;
      if (boxes && !state.iccInfo.restricted && state.fileFormat != JP2_Format_JPX) return 0;
      return state.iccInfo.channels;
    default:
      return 0;
  }
}

namespace {

Status CheckColour(const CompressState& state) {
  const std::uint64_t needed = ChannelsNeeded(state);
  if (needed == 0) return JP2_Error_ColourSpace;
  const JP2_PaletteDesc* palette = state.Palette();
  const std::uint64_t components = static_cast<std::uint64_t>(state.componentCount);
  if (palette != nullptr) {
    if (components + palette->columns - 1 < needed) return JP2_Error_ColourSpace;
    return JP2_Success;
  }
  if (components < needed) return JP2_Error_ComponentCount;
  if (state.colourSpace != JP2_Colour_sRGB) return JP2_Success;

  // The component transform joins the first three components: they must match.
  const ComponentGeometry* rgb = state.components;
  for (int c = 1; c < 3; ++c) {
    if (rgb[c].factor[kAxisX] != rgb[0].factor[kAxisX] ||
        rgb[c].factor[kAxisY] != rgb[0].factor[kAxisY] || rgb[c].depth != rgb[0].depth) {
      return JP2_Error_ComponentMismatch;
    }
  }
  for (std::uint32_t t = 0; t < state.tileCount; ++t) {
    for (int c = 1; c < 3; ++c) {
      if (state.Coding(t, c).reversible != state.Coding(t, 0).reversible) {
        return JP2_Error_ReversibilityMismatch;
      }
    }
  }
  return JP2_Success;
}

}  // namespace

Status ValidateImage(CompressState& state) {
  ForcePaletteCoding(state);
  if (state.inputCallback == 0) return JP2_Error_NoInputCallback;
  if (state.outputCallback == 0) return JP2_Error_NoOutputCallback;
  JP2_RETURN_IF_ERROR(CheckGeometry(state));
  JP2_RETURN_IF_ERROR(CheckProgressionFactors(state));
  return CheckColour(state);
}

Status CompressImageInto(CompressState& state, CodeBlockSink& sink) {
  JP2_RETURN_IF_ERROR(ValidateImage(state));
  return RunTransformStage(state, sink);
}

}  // namespace quillon::jp2
