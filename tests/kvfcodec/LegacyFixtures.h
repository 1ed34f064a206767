// Pictures and files for the legacy library's tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kvfcodec.h"

namespace kvfcodec::testing {

struct TestPicture {
  int width, height, channels;
  std::vector<uint8_t> pixels;  // interleaved, rows top-down
};

// Smooth gradients with some texture, different per channel.
inline TestPicture makePicture(int width, int height, int channels) {
  TestPicture p{width, height, channels, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        p.pixels.push_back(static_cast<uint8_t>(
            std::clamp(128 + 90 * std::sin((x + 3 * c) * 0.11) * std::cos(y * 0.07 + c) +
                           ((x * 7 + y * 13 + c) % 9),
                       0.0, 255.0)));
  return p;
}

inline std::string tempPath(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string file =
      std::string("kvfcodec-") + info->test_suite_name() + "-" + info->name() + "-" + name;
  std::replace(file.begin(), file.end(), '/', '_');
  return (std::filesystem::temp_directory_path() / file).string();
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline KvfCompressJob compressJob(const TestPicture& p, int filter, int levels, int budget,
                                  const std::string& path) {
  return KvfCompressJob{p.pixels.data(),
                        p.width,
                        p.height,
                        p.channels,
                        p.width * p.channels,
                        p.channels,
                        levels,
                        filter,
                        0,
                        budget,
                        const_cast<char*>(path.c_str()),
                        nullptr,
                        0};
}

// Decodes a file with the library into a fresh buffer of all channels.
inline std::vector<uint8_t> decodeFile(const std::string& path, int planeLimit = 0, int budget = 0,
                                       int* status = nullptr) {
  KvfDecodeSettings settings{0, 0, planeLimit, budget};
  int32_t first = 0, colour = 0;
  uint8_t* out = nullptr;
  const int result =
      WvlDekompressByteImage(path.c_str(), &settings, nullptr, &first, &out, &colour, 0);
  if (status != nullptr) *status = result;
  if (result != 0) return {};
  int32_t width = 0, height = 0, channels = 0, filter = 0, levels = 0;
  EXPECT_EQ(ReadHeader(path.c_str(), &width, &height, &channels, &filter, &levels), 0);
  std::vector<uint8_t> pixels(out, out + int64_t{width} * height * channels);
  FreePtr(out);
  return pixels;
}

inline double meanAbsoluteError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return sum / static_cast<double>(a.size());
}

}  // namespace kvfcodec::testing
