// What the tier-1 benchmarks share: the picture (a built-in stand-in for a photograph, or the
// binary PGM named by QUILLON_BENCH_PGM), the code-blocks our encoder's transform stage makes
// of it, and the picture as a PGM file for the peers' tools.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "encoder/CodeBlockCoefficients.h"
#include "encoder/CompressState.h"
#include "encoder/ImageValidation.h"
#include "jp2.h"

namespace quillon::bench {

using namespace quillon::jp2;

struct GreyPicture {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> samples;
};

// Light falling off over a curved surface, a few hard-edged shapes, a striped region and
// grain: structure at every scale, as a photograph has.
inline GreyPicture StandInPicture(std::uint32_t size) {
  GreyPicture picture{size, size, std::vector<std::uint8_t>(std::size_t{size} * size)};
  std::mt19937 random(7);
  std::normal_distribution<double> grain(0.0, 2.5);
  for (std::uint32_t y = 0; y < size; ++y) {
    for (std::uint32_t x = 0; x < size; ++x) {
      const double u = 2.0 * x / size - 1.0, v = 2.0 * y / size - 1.0;
      double value = 128 + 70 * std::cos(1.3 * u * u + 0.9 * v) - 30 * v;
      if (std::fabs(u + 0.3) < 0.25 && std::fabs(v - 0.2) < 0.35) value -= 60;
      if ((u - 0.45) * (u - 0.45) + (v + 0.4) * (v + 0.4) < 0.08) value += 50;
      if (v > 0.5) value += 18 * std::sin(0.6 * x + 3 * std::sin(0.02 * y));
      value += grain(random);
      picture.samples[std::size_t{y} * size + x] = static_cast<std::uint8_t>(value < 0     ? 0
                                                                             : value > 255 ? 255
                                                                                           : value);
    }
  }
  return picture;
}

// A binary PGM of depth 255 at most; an empty picture when the file is not one.
inline GreyPicture ReadPgm(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  GreyPicture picture;
  int maxValue = 0;
  if (!(file >> magic >> picture.width >> picture.height >> maxValue) || magic != "P5" ||
      maxValue > 255 || picture.width == 0 || picture.height == 0 ||
      std::uint64_t{picture.width} * picture.height > (std::uint64_t{1} << 28)) {
    return {};
  }
  file.get();
  picture.samples.resize(std::size_t{picture.width} * picture.height);
  if (!file.read(reinterpret_cast<char*>(picture.samples.data()),
                 static_cast<std::streamsize>(picture.samples.size()))) {
    return {};
  }
  return picture;
}

inline const GreyPicture& Picture() {
  static const GreyPicture picture = [] {
    const char* path = std::getenv("QUILLON_BENCH_PGM");
    return path != nullptr ? ReadPgm(path) : StandInPicture(2048);
  }();
  return picture;
}

inline std::int32_t PictureRow(void* buffer, std::int16_t, std::uint32_t row, std::uint32_t column,
                               std::uint32_t count, std::uintptr_t) {
  const GreyPicture& picture = Picture();
  const std::uint8_t* source = picture.samples.data() + std::size_t{row} * picture.width + column;
  std::copy(source, source + count, static_cast<std::uint8_t*>(buffer));
  return 0;
}

inline std::int32_t NoOutput(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

struct StoredBlock {
  std::vector<std::uint32_t> samples;
  CodeBlockCoefficients input;
};

// Keeps a copy of every code-block the transform stage hands over.
class CollectingSink final : public CodeBlockSink {
 public:
  explicit CollectingSink(bool reversible) : reversible_(reversible) {}

  Status TakeCodeBlock(const CodeBlock& block) override {
    auto stored = std::make_unique<StoredBlock>();
    const std::uint32_t width = block.area.Width(), height = block.area.Height();
    for (std::uint32_t y = 0; y < height; ++y) {
      const std::uint32_t* row = block.coefficients + std::size_t{y} * block.stride;
      stored->samples.insert(stored->samples.end(), row, row + width);
    }
    CodeBlockCoefficients& in = stored->input;
    in.samples = stored->samples.data();
    in.stride = in.width = width;
    in.height = height;
    in.band = BandKindOf(block.band);
    in.reversible = reversible_;
    in.magnitudeBits = block.quantization->magnitudeBits;
    in.roiShift = block.roiShift;
    in.weight = block.quantization->weight;
    blocks.push_back(std::move(stored));
    return JP2_Success;
  }

  std::vector<std::unique_ptr<StoredBlock>> blocks;

 private:
  bool reversible_;
};

// The code-blocks of the picture as the encoder's transform stage makes them.
inline const CollectingSink& Blocks(bool reversible) {
  static std::unique_ptr<CollectingSink> sinks[2];
  std::unique_ptr<CollectingSink>& sink = sinks[reversible ? 1 : 0];
  if (sink != nullptr) return *sink;
  sink = std::make_unique<CollectingSink>(reversible);
  const GreyPicture& picture = Picture();
  CompressHandle handle = nullptr;
  if (picture.samples.empty() || JP2_Compress_Start(&handle, nullptr, 0, nullptr, 0, 1) != 0) {
    return *sink;
  }
  JP2_Compress_SetProp(handle, JP2_Prop_Width, picture.width, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_Height, picture.height, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, 8, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_Reversible, reversible ? 1 : 0, -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_InputCallback,
                       reinterpret_cast<std::uintptr_t>(&PictureRow), -1, -1);
  JP2_Compress_SetProp(handle, JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&NoOutput),
                       -1, -1);
  if (!CompressImageInto(*StateOf(handle), *sink).ok()) sink->blocks.clear();
  JP2_Compress_End(handle);
  return *sink;
}

// Writes the picture as a PGM file for the peers' tools.
inline bool WritePgm(const std::string& path) {
  const GreyPicture& picture = Picture();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P5\n%u %u\n255\n", picture.width, picture.height);
  const bool written = std::fwrite(picture.samples.data(), 1, picture.samples.size(), file) ==
                       picture.samples.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace quillon::bench
