#include "core/analysis/ColourCount.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

namespace quillon {

namespace {

std::uint32_t CountPaletteColours(const Picture& picture) {
  std::array<std::uint32_t, kPaletteEntries> uses{};
  picture.CountIndices(uses);
  std::vector<std::uint32_t> entries;
  for (int i = 0; i < kPaletteEntries; ++i) {
    if (uses[i] == 0) continue;
    const RgbQuad& entry = picture.Palette()[i];
    entries.push_back(std::uint32_t{entry.rgbBlue} | (std::uint32_t{entry.rgbGreen} << 8) |
                      (std::uint32_t{entry.rgbRed} << 16) |
                      (std::uint32_t{entry.rgbReserved} << 24));
  }
  std::sort(entries.begin(), entries.end());
  return std::uint32_t(std::unique(entries.begin(), entries.end()) - entries.begin());
}

}  // namespace

std::uint32_t CountColours(const Picture& picture) {
  if (picture.IsEmpty()) return 0;
  if (picture.GetBitCount() == 8) return CountPaletteColours(picture);
  std::uint32_t count = 0;
  for (const std::uint64_t word : TrueColourBits(picture))
    count += std::uint32_t(std::popcount(word));
  return count;
}

std::vector<std::uint64_t> TrueColourBits(const Picture& picture) {
  std::vector<std::uint64_t> seen((std::size_t{1} << 24) / 64, 0);
  const std::int32_t width = picture.GetWidth(), height = picture.GetHeight();
  for (std::int32_t row = 0; row < height; ++row) {
    const std::uint8_t* pixel = picture.Row(row);
    for (std::int32_t x = 0; x < width; ++x, pixel += 3) {
      const std::uint32_t colour = std::uint32_t{pixel[0]} | (std::uint32_t{pixel[1]} << 8) |
                                   (std::uint32_t{pixel[2]} << 16);
      seen[colour >> 6] |= std::uint64_t{1} << (colour & 63);
    }
  }
  return seen;
}

}  // namespace quillon
