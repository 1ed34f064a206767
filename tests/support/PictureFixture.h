// Small in-memory pictures for the analysis tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "core/picture/Picture.h"

namespace quillon::test {

// A picture of `width` x `height` (24-bit `colour` or 8-bit) with every byte set to `fill`.
inline void MakePicture(Picture& picture, std::int32_t width, std::int32_t height, bool colour,
                        std::uint8_t fill) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(colour));
  std::memset(picture.Bits(), fill, picture.Header().biSizeImage);
}

// Sets the 24-bit pixel at (x, y), y counted from the top row, to blue, green, red.
inline void SetPixel(Picture& picture, std::int32_t x, std::int32_t topRow, std::uint8_t b,
                     std::uint8_t g, std::uint8_t r) {
  std::uint8_t* pixel = picture.Row(picture.GetHeight() - 1 - topRow) + 3 * x;
  pixel[0] = b;
  pixel[1] = g;
  pixel[2] = r;
}

// Blue, green, red of the pixel at (x, y), y counted from the top row.
inline Picture::Triple PixelAt(const Picture& picture, std::int32_t x, std::int32_t topRow) {
  return picture.GetPixel(x, picture.GetHeight() - 1 - topRow);
}

}  // namespace quillon::test
