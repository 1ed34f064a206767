#include "core/display/HalftoneDither.h"

#include <algorithm>
#include <vector>

namespace quillon {

namespace {

std::array<RgbQuad, kPaletteEntries> makeHalftone() {
  std::array<RgbQuad, kPaletteEntries> palette{};
  int i = 0;
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        palette[i++] = RgbQuad{static_cast<std::uint8_t>(b * 51), static_cast<std::uint8_t>(g * 51),
                               static_cast<std::uint8_t>(r * 51), 0};
      }
    }
  }
  // 40 greys between black and white; none falls on the cube's greys (multiples of 51).
  for (int level = 1; level <= 40; ++level) {
    const auto v = static_cast<std::uint8_t>(level * 255 / 41);
    palette[i++] = RgbQuad{v, v, v, 0};
  }
  return palette;
}

int squared(int v) {
  return v * v;
}

}  // namespace

const std::array<RgbQuad, kPaletteEntries>& HalftonePalette() {
  static const std::array<RgbQuad, kPaletteEntries> palette = makeHalftone();
  return palette;
}

std::uint8_t NearestHalftone(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                             std::span<std::uint8_t> cache) {
  const std::size_t key = std::size_t(red >> 3) << 10 | std::size_t(green >> 3) << 5 | (blue >> 3);
  if (key < cache.size() && cache[key] != 0) return cache[key];
  // The representative of the 15-bit cell is its centre.
  const int r = (red & 0xF8) | 4, g = (green & 0xF8) | 4, b = (blue & 0xF8) | 4;
  const auto& palette = HalftonePalette();
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < kPaletteEntries; ++i) {
    const int d = squared(r - palette[i].rgbRed) + squared(g - palette[i].rgbGreen) +
                  squared(b - palette[i].rgbBlue);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  if (key < cache.size()) cache[key] = static_cast<std::uint8_t>(best);
  return static_cast<std::uint8_t>(best);
}

bool DitherToHalftone(const Picture& picture, ZoomRatio zoom, const ErrorLimitTable& limits,
                      std::span<std::uint8_t> cache, Picture& out,
                      void (*onRow)(void* context, int rowsDone), void* context) {
  const int width = zoom.Scale(picture.GetWidth());
  const int height = zoom.Scale(picture.GetHeight());
  if (width <= 0 || height <= 0 ||
      std::uint64_t(strideFor(width, 8)) * std::uint64_t(height) > kMaxDitheredBytes) {
    return false;
  }
  out.Header().biWidth = width;
  out.Header().biHeight = height;
  if (!out.CreatePicture(false)) return false;
  const auto& palette = HalftonePalette();
  std::copy(palette.begin(), palette.end(), out.Palette());
  out.InvalidateCaches();

  // Errors of this row and the next, 16 times their value, per channel, with a guard column
  // on either side so that the diffusion needs no bounds checks.
  const std::size_t span = std::size_t(width) + 2;
  std::vector<int> current(span * 3, 0), next(span * 3, 0);
  const auto limit = [&limits](int error16) {
    const int error = std::clamp(error16 / 16, -255, 255);
    return limits[static_cast<std::size_t>(error + 256)];
  };
  const int sourceHeight = picture.GetHeight();
  for (int y = 0; y < height; ++y) {
    const int sourceRow = sourceHeight - 1 - zoom.Unscale(y);
    std::uint8_t* target = out.Row(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Picture::Triple bgr = picture.GetPixel(zoom.Unscale(x), sourceRow);
      int* error = &current[(std::size_t(x) + 1) * 3];
      const int red = std::clamp(bgr[2] + limit(error[0]), 0, 255);
      const int green = std::clamp(bgr[1] + limit(error[1]), 0, 255);
      const int blue = std::clamp(bgr[0] + limit(error[2]), 0, 255);
      const std::uint8_t index =
          NearestHalftone(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                          static_cast<std::uint8_t>(blue), cache);
      target[x] = index;
      const int diff[3] = {red - palette[index].rgbRed, green - palette[index].rgbGreen,
                           blue - palette[index].rgbBlue};
      int* below = &next[(std::size_t(x) + 1) * 3];
      for (int c = 0; c < 3; ++c) {
        error[3 + c] += 7 * diff[c];
        below[c - 3] += 3 * diff[c];
        below[c] += 5 * diff[c];
        below[c + 3] += diff[c];
      }
    }
    current.swap(next);
    std::fill(next.begin(), next.end(), 0);
    if (onRow) onRow(context, y + 1);
  }
  return true;
}

}  // namespace quillon
