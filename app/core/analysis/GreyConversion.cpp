#include "core/analysis/GreyConversion.h"

#include <array>

#include "core/analysis/ConversionTarget.h"

namespace quillon {

bool ConvertToGrey(const Picture& source, Picture& target, Progress* progress) {
  if (source.IsEmpty() || !CreateConversionTarget(source, target, false)) return false;
  const std::int32_t width = source.GetWidth();
  const std::int32_t height = source.GetHeight();
  if (progress) progress->SetRange(0, height);

  std::array<std::uint8_t, kPaletteEntries> greyOfIndex{};
  for (int i = 0; i < kPaletteEntries; ++i) {
    const RgbQuad& entry = source.Palette()[i];
    greyOfIndex[i] = GreyOf(entry.rgbBlue, entry.rgbGreen, entry.rgbRed);
  }
  const bool colour = source.GetBitCount() == 24;
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* in = source.Row(row);
    std::uint8_t* out = target.Row(row);
    if (colour) {
      for (std::int32_t x = 0; x < width; ++x, in += 3) out[x] = GreyOf(in[0], in[1], in[2]);
    } else {
      for (std::int32_t x = 0; x < width; ++x) out[x] = greyOfIndex[in[x]];
    }
    if (progress) progress->StepIt();
  }
  return true;
}

}  // namespace quillon
