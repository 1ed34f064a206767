// Writes a picture as a BMP file for tests that open files.
#pragma once

#include <filesystem>
#include <fstream>
#include <vector>

#include "core/Picture.h"
#include "core/raster/BmpFile.h"

namespace quillon::test {

inline std::filesystem::path WriteBmpFixture(const std::filesystem::path& path,
                                             const Picture& picture) {
  const std::vector<std::uint8_t> image = BmpFileImage(picture);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
  return path;
}

}  // namespace quillon::test
