// Writes a picture as a BMP file for tests that open files.
#pragma once

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/formats/raster/BmpFile.h"
#include "core/picture/Picture.h"

namespace quillon::test {

inline std::filesystem::path WriteBmpFixture(const std::filesystem::path& path,
                                             const Picture& picture) {
  const std::vector<std::uint8_t> image = BmpFileImage(picture);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  return path;
}

// A colour picture of `width` x `height` with a gradient in blue and green and red 200,
// written as a BMP file.
inline std::filesystem::path WriteGradientBmp(const std::filesystem::path& path, int width = 40,
                                              int height = 30) {
  Picture picture;
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  if (!picture.CreatePicture(true)) return {};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<std::uint8_t>(x * 6);
      p[1] = static_cast<std::uint8_t>(y * 8);
      p[2] = 200;
    }
  }
  return WriteBmpFixture(path, picture);
}

}  // namespace quillon::test
