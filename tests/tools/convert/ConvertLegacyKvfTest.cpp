// quillon-convert opening KVF files of versions 0 and 1: the library's pixels, and
// --load-quality on the library's 1-to-15 scale.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kvfcodec/kvfcodec.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

// Samples of a binary PGM or PPM file as quillon-convert writes them.
std::vector<std::uint8_t> PnmSamples(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int fields = 0;  // magic, size and largest value, around comment lines
  while (fields < 3 && std::getline(in, line))
    if (!line.empty() && line[0] != '#') ++fields;
  std::vector<std::uint8_t> samples{std::istreambuf_iterator<char>(in), {}};
  return samples;
}

std::vector<std::uint8_t> LibraryPixels(const fs::path& path, int planeLimit) {
  KvfDecodeSettings settings{0, 0, planeLimit, 0};
  std::int32_t first = 0, colour = 0;
  std::uint8_t* out = nullptr;
  EXPECT_EQ(WvlDekompressByteImage(path.c_str(), &settings, nullptr, &first, &out, &colour, 0), 0);
  std::int32_t width = 0, height = 0, channels = 0, filter = 0, levels = 0;
  EXPECT_EQ(ReadHeader(path.c_str(), &width, &height, &channels, &filter, &levels), 0);
  std::vector<std::uint8_t> pixels(out, out + width * height * channels);
  FreePtr(out);
  return pixels;
}

TEST(ConvertLegacyKvf, OpensWithTheLibrarysPixelsAndQualityLimit) {
  test::TempDir dir;
  for (const int channels : {1, 3}) {
    SCOPED_TRACE(channels);
    const int width = 53, height = 41;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < channels; ++c)
          pixels.push_back(
              static_cast<std::uint8_t>(128 + 90 * std::sin(x * 0.2 + c) * std::cos(y * 0.1)));
    const fs::path input = dir.path() / "in.kvf";
    const KvfCompressJob job{pixels.data(),
                             width,
                             height,
                             channels,
                             width * channels,
                             channels,
                             3,
                             8,
                             0,
                             0,
                             const_cast<char*>(input.c_str()),
                             nullptr,
                             0};
    ASSERT_EQ(WvlKompressByteImage(job), 0);
    const fs::path output = dir.path() / (channels == 3 ? "out.ppm" : "out.pgm");
    for (const int quality : {0, 3}) {
      std::string command = std::string("'") + QUILLON_CONVERT + "' '" + input.string() + "' '" +
                            output.string() + "'";
      if (quality != 0) command += " --load-quality " + std::to_string(quality);
      ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
      EXPECT_EQ(PnmSamples(output), LibraryPixels(input, quality)) << "quality " << quality;
    }
    EXPECT_NE(LibraryPixels(input, 3), LibraryPixels(input, 0));
  }
}

}  // namespace
}  // namespace quillon
