// The colour description of an encoder handle: ICC profile, CIELab parameters, palette,
// channel definitions and the capture and display resolution.
#include <cstring>
#include <iterator>

#include "encoder/CompressState.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint32_t kMaxPaletteEntries = 1024;
constexpr std::uint32_t kMaxPaletteColumns = 255;
constexpr std::uint8_t kMaxPaletteDepth = 32;

Status SetIccProfile(CompressState& state, const std::uint8_t* profile, std::uint32_t length) {
  if (profile == nullptr) return JP2_Error_NullArgument;
  IccProfileInfo info;
  JP2_RETURN_IF_ERROR(CheckIccProfile(profile, length, &info));
  if (info.restricted) {
    if (state.fileFormat == JP2_Format_Codestream) return JP2_Error_NeedsJp2OrJpx;
  } else if (state.fileFormat != JP2_Format_JPX) {
    return JP2_Error_NeedsJpx;
  }
  OwnedBlock copy;
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, length, &copy));
  std::memcpy(copy.data, profile, length);
  JP2_RETURN_IF_ERROR(ReplaceBlock(state.memory, &state.iccProfile, copy));
  state.iccLength = length;
  state.iccInfo = info;
  state.colourSpace = JP2_Colour_ICC;
  return JP2_Success;
}

Status SetChannelDefinitions(CompressState& state, const JP2_ChannelDef* defs,
                             std::uint32_t count) {
  if (defs == nullptr && count != 0) return JP2_Error_NullArgument;
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.channelDefs));
  state.channelDefCount = 0;
  if (count == 0) return JP2_Success;
  BlockLayout layout;
  layout.Add(count, sizeof(JP2_ChannelDef));
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &state.channelDefs));
  std::memcpy(state.channelDefs.data, defs, sizeof(JP2_ChannelDef) * count);
  state.channelDefCount = count;
  return JP2_Success;
}

Status CheckPalette(const JP2_PaletteDesc& desc) {
  if (desc.entries == 0 || desc.entries > kMaxPaletteEntries || desc.columns == 0 ||
      desc.columns > kMaxPaletteColumns) {
    return JP2_Error_ValueOutOfRange;
  }
  if (desc.depths == nullptr || desc.signs == nullptr || desc.values == nullptr) {
    return JP2_Error_NullArgument;
  }
  for (std::uint32_t column = 0; column < desc.columns; ++column) {
    if (desc.values[column] == nullptr) return JP2_Error_NullArgument;
    if (desc.depths[column] == 0 || desc.depths[column] > kMaxPaletteDepth) {
      return JP2_Error_ValueOutOfRange;
    }
  }
  return JP2_Success;
}

// Copies the record, its depth and sign bytes and every value column into one allocation.
Status SetPaletteCopy(CompressState& state, const JP2_PaletteDesc* desc) {
  if (desc == nullptr) return JP2_Error_NullArgument;
  JP2_RETURN_IF_ERROR(CheckPalette(*desc));
  JP2_RETURN_IF_ERROR(Release(state.memory, &state.palette));

  const std::uint32_t columns = desc->columns;
  const std::uint32_t entries = desc->entries;
  BlockLayout layout;
  const std::uint64_t recordOffset = layout.Add(1, sizeof(JP2_PaletteDesc));
  const std::uint64_t depthsOffset = layout.Add(columns, 1);
  const std::uint64_t signsOffset = layout.Add(columns, 1);
  const std::uint64_t pointersOffset = layout.Add(columns, sizeof(std::uint32_t*));
  const std::uint64_t valuesOffset = layout.Add(std::uint64_t{columns} * entries, 4);
  OwnedBlock block;
  JP2_RETURN_IF_ERROR(AllocateZeroed(state.memory, layout, &block));

  auto* copy = reinterpret_cast<JP2_PaletteDesc*>(block.data + recordOffset);
  copy->entries = entries;
  copy->columns = columns;
  copy->depths = block.data + depthsOffset;
  copy->signs = block.data + signsOffset;
  copy->values = reinterpret_cast<std::uint32_t**>(block.data + pointersOffset);
  auto* values = reinterpret_cast<std::uint32_t*>(block.data + valuesOffset);
  for (std::uint32_t column = 0; column < columns; ++column) {
    copy->depths[column] = desc->depths[column];
    copy->signs[column] = desc->signs[column] != 0 ? 1 : 0;
    copy->values[column] = values + std::uint64_t{column} * entries;
    std::memcpy(copy->values[column], desc->values[column], sizeof(std::uint32_t) * entries);
  }
  state.palette = block;
  return JP2_Success;
}

struct UnitScale {
  std::uint16_t denominator;
  std::int8_t exponent;
};

Status SetResolutionBox(CompressState& state, std::uint16_t first, std::uint16_t second,
                        const JP2_ResolutionDesc* desc, std::uint32_t unit, std::uint32_t kind) {
  JP2_ResolutionDesc value{};
  if (desc != nullptr) {
    value = *desc;
  } else {
    if (first == 0 || second == 0) return JP2_Error_ResolutionZero;
    static constexpr UnitScale kUnits[] = {{254, 4}, {254, 2}, {1, 0}};
    if (unit >= std::size(kUnits)) return JP2_Error_ResolutionUnit;
    value = {first,  kUnits[unit].denominator, kUnits[unit].exponent,
             second, kUnits[unit].denominator, kUnits[unit].exponent};
  }
  if (kind != kCaptureResolution && kind != kDisplayResolution) return JP2_Error_ResolutionKind;
  state.resolutions[kind].present = true;
  state.resolutions[kind].desc = value;
  return JP2_Success;
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::CompressState;
using quillon::jp2::WithState;

extern "C" {

JP2_API int32_t JP2_Compress_SetResolution(CompressHandle handle, uint16_t first, uint16_t second,
                                           const JP2_ResolutionDesc* desc, uint32_t unit,
                                           uint32_t kind) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::SetResolutionBox(state, first, second, desc, unit, kind);
  });
}

JP2_API int32_t JP2_Compress_SetICC(CompressHandle handle, const uint8_t* profile,
                                    uint32_t length) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::SetIccProfile(state, profile, length);
  });
}

JP2_API int32_t JP2_Compress_SetLAB(CompressHandle handle, const JP2_LabParams* params) {
  return WithState(handle, [&](CompressState& state) -> quillon::jp2::Status {
    if (state.fileFormat != JP2_Format_JPX) return JP2_Error_NeedsJpx;
    state.labHasParams = params != nullptr;
    state.lab = params != nullptr ? *params : JP2_LabParams{};
    state.colourSpace = JP2_Colour_CIELab;
    return JP2_Success;
  });
}

JP2_API int32_t JP2_Compress_SetChannelDefs(CompressHandle handle, const JP2_ChannelDef* defs,
                                            uint32_t count) {
  return WithState(handle, [&](CompressState& state) {
    return quillon::jp2::SetChannelDefinitions(state, defs, count);
  });
}

JP2_API int32_t JP2_Compress_SetPalette(CompressHandle handle, const JP2_PaletteDesc* desc) {
  return WithState(handle,
                   [&](CompressState& state) { return quillon::jp2::SetPaletteCopy(state, desc); });
}

}  // extern "C"
