#include "decoder/ColourDescriptions.h"

#include <cstring>

namespace quillon::jp2 {
namespace {

constexpr std::int32_t kUnknownEnumPrecedence = -128;
constexpr std::uint32_t kUnknownEnumApproximation = 4;
constexpr std::uint32_t kIlluminantD50 = 0x00443530;

// The colour space code of an enumerated colour description; false for an EnumCS the codec does not
// know.
bool CodeOfEnumerated(std::uint32_t enumerated, std::uint32_t* code) {
  switch (enumerated) {
    case kEnumSrgb:
      *code = JP2_Colour_sRGB;
      return true;
    case kEnumGreyscale:
      *code = JP2_Colour_Greyscale;
      return true;
    case kEnumSycc:
      *code = JP2_Colour_sYCC;
      return true;
    case kEnumCmyk:
      *code = JP2_Colour_CMYK;
      return true;
    case kEnumCieLab:
      *code = JP2_Colour_CIELab;
      return true;
    default:
      return false;
  }
}

std::uint32_t HalfRange(const CodestreamParams& codestream, int component) {
  if (component >= codestream.componentCount || codestream.components == nullptr) return 0;
  const std::uint32_t depth = codestream.components[component].depth;
  return depth == 0 || depth > 32 ? 0 : std::uint32_t{1} << (depth - 1);
}

}  // namespace

Status AddColourDescription(DecompressState& state, const ColourBox& box) {
  ColourDescription* entry = nullptr;
  JP2_RETURN_IF_ERROR(state.colours.Append(state.memory, &entry));
  entry->reported = {JP2_Colour_Greyscale, box.precedence, box.approximation};
  if (box.method == ColourBox::kEnumerated) {
    if (!CodeOfEnumerated(box.enumerated, &entry->reported.colourSpace)) {
      entry->reported.precedence = kUnknownEnumPrecedence;
      entry->reported.approximation = kUnknownEnumApproximation;
    }
    entry->labHasParams = box.hasLabParams;
    entry->lab = box.lab;
  } else if (box.IsIcc()) {
    entry->reported.colourSpace = JP2_Colour_ICC;
    JP2_RETURN_IF_ERROR(
        AllocateZeroed(state.memory, 2 * std::uint64_t{box.profile.size()}, &entry->profile));
    if (!box.profile.empty())
      std::memcpy(entry->profile.data, box.profile.data(), box.profile.size());
    entry->profileLength = static_cast<std::uint32_t>(box.profile.size());
  }
  if (entry->reported.precedence <= state.bestPrecedence) return JP2_Success;
  state.bestPrecedence = entry->reported.precedence;
  return ApplyColourDescription(state, state.colours.Count() - 1);
}

Status ApplyColourDescription(DecompressState& state, std::uint32_t index) {
  const ColourDescription& entry = state.colours[index];
  state.currentColour = static_cast<std::int32_t>(index);
  state.colourSpace = entry.reported.colourSpace;
  state.icc = IccProfileInfo{};
  if (state.colourSpace != JP2_Colour_ICC) return JP2_Success;
  return CheckIccProfile(entry.profile.data, entry.profileLength, &state.icc);
}

void FillLabDefaults(DecompressState& state) {
  for (std::uint32_t i = 0; i < state.colours.Count(); ++i) {
    ColourDescription& entry = state.colours[i];
    if (entry.reported.colourSpace != JP2_Colour_CIELab || entry.labHasParams) continue;
    entry.lab = {
        100,           0, 170, HalfRange(state.codestream, 1), 200, HalfRange(state.codestream, 2),
        kIlluminantD50};
  }
}

std::uint32_t ColourCount(const DecompressState& state) {
  switch (state.colourSpace) {
    case JP2_Colour_Greyscale:
      return 1;
    case JP2_Colour_CMYK:
      return 4;
    case JP2_Colour_ICC:
      return state.icc.channels;
    default:
      return 3;
  }
}

}  // namespace quillon::jp2
