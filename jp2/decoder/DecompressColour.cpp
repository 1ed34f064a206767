// The colour getters of the decoder: resolution, palette, channel definitions, colour
// descriptions with the choice of the current one, ICC profile and CIELab parameters.
#include <cstring>
#include <limits>

#include "decoder/ColourDescriptions.h"
#include "decoder/DecompressState.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kSaturated = std::numeric_limits<std::uint32_t>::max();

// numerator x factor x 10^exponent / denominator, saturating at the largest 32-bit value
// instead of wrapping.
std::uint32_t ResolutionValue(std::uint16_t numerator, std::uint16_t denominator, int exponent,
                              std::uint32_t factor) {
  std::uint64_t value = std::uint64_t{numerator} * factor;
  for (; exponent > 0 && value <= kSaturated * denominator; --exponent) value *= 10;
  for (; exponent < 0 && value != 0; ++exponent) value /= 10;
  value /= denominator;
  return static_cast<std::uint32_t>(value > kSaturated ? kSaturated : value);
}

Status GetResolution(const DecompressState& state, std::uint32_t* vertical,
                     std::uint32_t* horizontal, JP2_ResolutionDesc* desc, std::uint32_t unit,
                     std::uint32_t which) {
  if (vertical == nullptr || horizontal == nullptr) return JP2_Error_NullArgument;
  *vertical = *horizontal = 0;
  if (which > 1) return JP2_Error_ResolutionKind;
  if (unit > 2) return JP2_Error_ResolutionUnit;
  const JP2_ResolutionDesc& stored = state.resolution[which];
  if (desc != nullptr) *desc = stored;
  if (stored.firstDenominator == 0 || stored.secondDenominator == 0) return JP2_Success;
  // Unit 0 (per inch) is 254 x 10^-4 of the stored per-metre value; unit 1 is 100 x per metre.
  const std::uint32_t factor = unit == 0 ? 254 : unit == 1 ? 100 : 1;
  const int shift = unit == 0 ? -4 : 0;
  *vertical = ResolutionValue(stored.firstNumerator, stored.firstDenominator,
                              stored.firstExponent + shift, factor);
  *horizontal = ResolutionValue(stored.secondNumerator, stored.secondDenominator,
                                stored.secondExponent + shift, factor);
  return JP2_Success;
}

Status GetColourDescriptions(DecompressState& state, std::uint32_t* count,
                             const JP2_ColorSpec** descriptions) {
  if (count == nullptr || descriptions == nullptr) return JP2_Error_NullArgument;
  *count = 0;
  *descriptions = nullptr;
  const std::uint32_t entries = state.colours.Count();
  if (entries == 0) return JP2_Success;
  OwnedBlock block;
  JP2_RETURN_IF_ERROR(
      AllocateZeroed(state.memory, std::uint64_t{entries} * sizeof(JP2_ColorSpec), &block));
  JP2_RETURN_IF_ERROR(ReplaceBlock(state.memory, &state.reportedColours, block));
  auto* reported = reinterpret_cast<JP2_ColorSpec*>(state.reportedColours.data);
  for (std::uint32_t i = 0; i < entries; ++i) {
    reported[i] = state.colours[i].reported;
    reported[i].colourSpace = state.ReportedCode(reported[i].colourSpace);
  }
  *count = entries;
  *descriptions = reported;
  return JP2_Success;
}

Status GetIcc(DecompressState& state, std::uint8_t** data, std::uint32_t* length) {
  if (data == nullptr || length == nullptr) return JP2_Error_NullArgument;
  *data = nullptr;
  *length = 0;
  if (state.colourSpace != JP2_Colour_ICC || state.currentColour < 0) return JP2_Error_ColourSpace;
  ColourDescription& entry = state.colours[static_cast<std::uint32_t>(state.currentColour)];
  std::uint8_t* copy = entry.profile.data + entry.profileLength;
  if (entry.profileLength != 0) std::memcpy(copy, entry.profile.data, entry.profileLength);
  *data = copy;
  *length = entry.profileLength;
  return JP2_Success;
}

Status GetLab(const DecompressState& state, JP2_LabParams* params) {
  if (params == nullptr) return JP2_Error_NullArgument;
  *params = JP2_LabParams{};
  if (state.colourSpace != JP2_Colour_CIELab || state.currentColour < 0)
    return JP2_Error_ColourSpace;
  *params = state.colours[static_cast<std::uint32_t>(state.currentColour)].lab;
  return JP2_Success;
}

}  // namespace
}  // namespace quillon::jp2

using quillon::jp2::DecompressState;
using quillon::jp2::Status;
using quillon::jp2::WithDecompressState;

extern "C" {

JP2_API int32_t JP2_Decompress_GetResolution(DecompressHandle handle, uint32_t* vertical,
                                             uint32_t* horizontal, JP2_ResolutionDesc* desc,
                                             uint32_t unit, uint32_t which) {
  return WithDecompressState(handle, [&](DecompressState& state) {
    return quillon::jp2::GetResolution(state, vertical, horizontal, desc, unit, which);
  });
}

JP2_API int32_t JP2_Decompress_GetPalette(DecompressHandle handle,
                                          const JP2_PaletteDesc** palette) {
  return WithDecompressState(handle, [&](DecompressState& state) -> Status {
    if (palette == nullptr) return JP2_Error_NullArgument;
    *palette = state.Palette();
    return JP2_Success;
  });
}

JP2_API int32_t JP2_Decompress_GetChannelDefs(DecompressHandle handle, const JP2_ChannelDef** defs,
                                              uint32_t* count) {
  return WithDecompressState(handle, [&](DecompressState& state) -> Status {
    if (defs == nullptr || count == nullptr) return JP2_Error_NullArgument;
    *defs = state.ChannelDefs();
    *count = state.channelCount;
    return JP2_Success;
  });
}

JP2_API int32_t JP2_Decompress_GetColorSpec(DecompressHandle handle, uint32_t* count,
                                            const JP2_ColorSpec** descriptions) {
  return WithDecompressState(handle, [&](DecompressState& state) {
    return quillon::jp2::GetColourDescriptions(state, count, descriptions);
  });
}

JP2_API int32_t JP2_Decompress_SetColorSpec(DecompressHandle handle, uint32_t index) {
  return WithDecompressState(handle, [&](DecompressState& state) -> Status {
    if (index >= state.colours.Count()) return JP2_Error_ColourBoxIndex;
    return quillon::jp2::ApplyColourDescription(state, index);
  });
}

JP2_API int32_t JP2_Decompress_GetICC(DecompressHandle handle, uint8_t** data, uint32_t* length) {
  return WithDecompressState(
      handle, [&](DecompressState& state) { return quillon::jp2::GetIcc(state, data, length); });
}

JP2_API int32_t JP2_Decompress_GetLAB(DecompressHandle handle, JP2_LabParams* params) {
  return WithDecompressState(
      handle, [&](DecompressState& state) { return quillon::jp2::GetLab(state, params); });
}

}  // extern "C"
