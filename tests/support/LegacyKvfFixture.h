// KVF files of versions 0 and 1 written by the legacy library, and the library's own decode
// of them, for the tests of the program that opens such files.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/picture/Picture.h"
#include "kvfcodec/kvfcodec.h"

namespace quillon::test {

struct LegacyKvfFile {
  std::filesystem::path path;
  int width, height, channels;
};

// Red, green and blue (or grey) waves, rows top-down, written by WvlKompressByteImage with
// three levels; versionZero rewrites the file as version 0, which has no stamp.
inline LegacyKvfFile WriteLegacyKvf(const std::filesystem::path& path, int width, int height,
                                    int channels, int filter, int budget = 0,
                                    bool versionZero = false) {
  std::vector<std::uint8_t> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        pixels.push_back(static_cast<std::uint8_t>(128 + 100 * std::sin(x * 0.13 + c * 1.1) *
                                                             std::cos(y * 0.09 - c)));
  const KvfCompressJob job{pixels.data(),
                           width,
                           height,
                           channels,
                           width * channels,
                           channels,
                           3,
                           filter,
                           0,
                           budget,
                           const_cast<char*>(path.c_str()),
                           nullptr,
                           0};
  EXPECT_EQ(WvlKompressByteImage(job), 0);
  if (versionZero) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    in.close();
    bytes[2] = 0;
    bytes.erase(bytes.begin() + 10, bytes.begin() + 12);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  }
  return {path, width, height, channels};
}

// The library's own decode, as red, green, blue (or grey) rows top-down.
inline std::vector<std::uint8_t> LegacyLibraryPixels(const LegacyKvfFile& file, int planeLimit = 0,
                                                     int budget = 0) {
  KvfDecodeSettings settings{0, 0, planeLimit, budget};
  std::int32_t first = 0, colour = 0;
  std::uint8_t* out = nullptr;
  EXPECT_EQ(WvlDekompressByteImage(file.path.c_str(), &settings, nullptr, &first, &out, &colour, 0),
            0);
  if (out == nullptr) return {};
  std::vector<std::uint8_t> pixels(out, out + file.width * file.height * file.channels);
  FreePtr(out);
  return pixels;
}

// A picture's samples in the same order (its rows are bottom-up, colour as blue, green, red).
inline std::vector<std::uint8_t> TopDownSamples(const Picture& picture) {
  const bool colour = picture.GetBitCount() == 24;
  const std::int32_t width = picture.GetWidth(), height = picture.GetHeight();
  std::vector<std::uint8_t> pixels;
  for (std::int32_t y = 0; y < height; ++y) {
    const std::uint8_t* row = picture.Row(height - 1 - y);
    for (std::int32_t x = 0; x < width; ++x) {
      if (colour)
        pixels.insert(pixels.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
      else
        pixels.push_back(row[x]);
    }
  }
  return pixels;
}

}  // namespace quillon::test
