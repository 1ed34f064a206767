#include "core/display/ScaledRender.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillon {

ScaledRect ClipToScaledPicture(const Picture& picture, ZoomRatio zoom, ScaledRect rect) {
  const int right = std::min(rect.x + rect.width, zoom.Scale(picture.GetWidth()));
  const int bottom = std::min(rect.y + rect.height, zoom.Scale(picture.GetHeight()));
  const int x = std::max(rect.x, 0), y = std::max(rect.y, 0);
  return {x, y, std::max(right - x, 0), std::max(bottom - y, 0)};
}

void RenderScaled(const Picture& picture, ZoomRatio zoom, const ScaledRect& rect,
                  std::uint8_t* rgb) {
  if (rect.width <= 0 || rect.height <= 0) return;
  const int height = picture.GetHeight();
  // Source column of every screen column, as byte offset into a memory row.
  const int bytesPerPixel = picture.GetBitCount() / 8;
  std::vector<int> column(static_cast<std::size_t>(rect.width));
  for (int i = 0; i < rect.width; ++i) column[i] = zoom.Unscale(rect.x + i) * bytesPerPixel;

  std::array<std::array<std::uint8_t, 3>, kPaletteEntries> palette{};
  for (int i = 0; i < kPaletteEntries; ++i) {
    const RgbQuad& e = picture.Palette()[i];
    palette[i] = {e.rgbRed, e.rgbGreen, e.rgbBlue};
  }

  int lastSourceRow = -1;
  const std::uint8_t* lastOut = nullptr;
  for (int j = 0; j < rect.height; ++j) {
    std::uint8_t* out = rgb + std::size_t(j) * std::size_t(rect.width) * 3;
    const int sourceRow = zoom.Unscale(rect.y + j);
    if (sourceRow == lastSourceRow) {  // enlarged rows repeat the row above
      std::copy_n(lastOut, std::size_t(rect.width) * 3, out);
      continue;
    }
    const std::uint8_t* src = picture.Row(height - 1 - sourceRow);
    if (bytesPerPixel == 3) {
      for (int i = 0; i < rect.width; ++i, out += 3) {
        const std::uint8_t* p = src + column[i];
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
      }
    } else {
      for (int i = 0; i < rect.width; ++i, out += 3) {
        const auto& c = palette[src[column[i]]];
        out[0] = c[0];
        out[1] = c[1];
        out[2] = c[2];
      }
    }
    lastSourceRow = sourceRow;
    lastOut = rgb + std::size_t(j) * std::size_t(rect.width) * 3;
  }
}

}  // namespace quillon
