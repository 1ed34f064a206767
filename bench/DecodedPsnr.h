// Quality of a codestream as OpenJPEG's decoder sees it: the file's size and the PSNR of the
// picture opj_decompress makes of it against the original.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchPicture.h"

namespace quillon::bench {

inline std::uint64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<std::uint64_t>(in.tellg()) : 0;
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// PSNR of the codestream decoded by opj_decompress; 0 when decoding failed, 999 when exact.
inline double DecodedPsnr(const Picture& picture, const std::string& codestream) {
  const std::string decoded = codestream + (picture.channels == 3 ? ".ppm" : ".pgm");
  const std::string command =
      "opj_decompress -i " + codestream + " -o " + decoded + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return 0;
  const Picture back = ReadNetpbm(decoded);
  std::remove(decoded.c_str());
  if (back.samples.size() != picture.samples.size()) return 0;
  double squared = 0;
  for (std::size_t i = 0; i < picture.samples.size(); ++i) {
    const double d = double(picture.samples[i]) - back.samples[i];
    squared += d * d;
  }
  if (squared == 0) return 999;
  return 10 * std::log10(255.0 * 255.0 / (squared / double(picture.samples.size())));
}

}  // namespace quillon::bench
