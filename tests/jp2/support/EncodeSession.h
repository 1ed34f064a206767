// Runs the encoder over the C interface on pictures held in memory and collects the output
// bytes at their offsets; decodes files with the peer codecs and reads their PGX output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "jp2.h"

namespace quillon::jp2::test {

struct TestComponent {
  std::uint32_t width = 0, height = 0;
  std::uint32_t depth = 8;
  bool isSigned = false;
  std::vector<std::int32_t> samples;  // width x height
};

// A smooth pattern with detail and noise, covering the component's range.
inline TestComponent MakeComponent(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                                   bool isSigned, std::uint32_t seed) {
  TestComponent c{width, height, depth, isSigned, {}};
  c.samples.resize(std::size_t{width} * height);
  const std::int64_t range = std::int64_t{1} << depth;
  std::uint32_t noise = seed * 2654435761u + 1;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const std::int64_t smooth = (std::int64_t{x} * 3 + std::int64_t{y} * 5 + seed * 17) % 256;
      std::int64_t value = (smooth * range) / 256 + static_cast<std::int64_t>((noise >> 24) % 8) *
                                                        (range / 256 > 0 ? range / 256 : 1);
      value %= range;
      if (isSigned) value -= range / 2;
      c.samples[std::size_t{y} * width + x] = static_cast<std::int32_t>(value);
    }
  }
  return c;
}

// count components of one size and depth, each with its own pattern.
inline std::vector<TestComponent> MakeComponents(int count, std::uint32_t width,
                                                 std::uint32_t height, std::uint32_t depth = 8,
                                                 bool isSigned = false) {
  std::vector<TestComponent> components;
  for (int c = 0; c < count; ++c) {
    components.push_back(
        MakeComponent(width, height, depth, isSigned, static_cast<std::uint32_t>(c)));
  }
  return components;
}

// Sets one of each metadata box before compression, in the order xml, uuid, IPTC uuid,
// uinf, jp2i (4 bytes of payload each), and both resolutions (capture 300 per inch, display
// 72 x 96 per metre).
inline void SetEveryMetadataBox(CompressHandle handle) {
  static const std::uint8_t uuid[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  static const std::uint8_t text[] = {'<', 'x', '/', '>'};
  EXPECT_EQ(JP2_Compress_SetXML_Data(handle, text, sizeof text), 0);
  EXPECT_EQ(JP2_Compress_SetUUID_Data(handle, uuid, text, sizeof text), 0);
  EXPECT_EQ(JP2_Compress_SetIPTC_Data(handle, text, sizeof text), 0);
  EXPECT_EQ(JP2_Compress_SetUUID_Info(handle, uuid, 1, text, sizeof text), 0);
  EXPECT_EQ(JP2_Compress_SetIP_Data(handle, text, sizeof text), 0);
  EXPECT_EQ(JP2_Compress_SetResolution(handle, 300, 300, nullptr, 0, 0), 0);
  EXPECT_EQ(JP2_Compress_SetResolution(handle, 72, 96, nullptr, 2, 1), 0);
}

// A palette of 16 entries in three 8-bit columns, and what it makes of index samples.
struct SixteenColourPalette {
  std::uint32_t columns[3][16];
  std::uint32_t* values[3] = {columns[0], columns[1], columns[2]};
  std::uint8_t depths[3] = {8, 8, 8};
  std::uint8_t signs[3] = {};
  JP2_PaletteDesc desc{16, 3, depths, signs, values};

  SixteenColourPalette() {
    for (std::uint32_t e = 0; e < 16; ++e) {
      columns[0][e] = e * 16;
      columns[1][e] = 255 - e * 3;
      columns[2][e] = (e * 77) % 256;
    }
  }
  SixteenColourPalette(const SixteenColourPalette&) = delete;
  SixteenColourPalette& operator=(const SixteenColourPalette&) = delete;

  // The three 8-bit colour components of `indices`.
  std::vector<TestComponent> Colours(const TestComponent& indices) const {
    std::vector<TestComponent> colours;
    for (int c = 0; c < 3; ++c) {
      TestComponent colour = indices;
      colour.depth = 8;
      for (auto& sample : colour.samples) sample = static_cast<std::int32_t>(columns[c][sample]);
      colours.push_back(colour);
    }
    return colours;
  }
};

// Worker threads of the encoder and decoder sessions: QUILLON_JP2_TEST_THREADS, else 1. The
// thread-sanitizer run sets it so that every codec test runs its codec calls on several.
inline std::uintptr_t TestThreads() {
  const char* value = std::getenv("QUILLON_JP2_TEST_THREADS");
  return value != nullptr ? std::strtoul(value, nullptr, 10) : 1;
}

class EncodeSession {
 public:
  std::vector<TestComponent> components;
  std::vector<std::uint8_t> output;
  int outputCalls = 0;
  // Memory callbacks of the handle; the codec's own when null.
  JP2_AllocCallback alloc = nullptr;
  JP2_FreeCallback release = nullptr;
  std::uintptr_t memoryParam = 0;

  static std::int32_t Input(void* buffer, std::int16_t component, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
    auto* self = reinterpret_cast<EncodeSession*>(param);
    const TestComponent& c = self->components[static_cast<std::size_t>(component)];
    const std::uint32_t bytes = c.depth <= 8 ? 1 : c.depth <= 16 ? 2 : 4;
    auto* out = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto value =
          static_cast<std::uint32_t>(c.samples[std::size_t{row} * c.width + column + i]);
      for (std::uint32_t b = 0; b < bytes; ++b)
        out[i * bytes + b] = static_cast<std::uint8_t>(value >> (8 * b));
    }
    return 0;
  }

  static std::int32_t Output(const void* data, std::uint32_t offset, std::uint32_t length,
                             std::uintptr_t param) {
    auto* self = reinterpret_cast<EncodeSession*>(param);
    ++self->outputCalls;
    if (self->output.size() < std::size_t{offset} + length)
      self->output.resize(std::size_t{offset} + length);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::copy(bytes, bytes + length, self->output.begin() + offset);
    return 0;
  }

  // Starts a handle with the components' sizes, depths and signs and both callbacks.
  CompressHandle Start() {
    CompressHandle handle = nullptr;
    EXPECT_EQ(JP2_Compress_Start(&handle, alloc, memoryParam, release, memoryParam,
                                 static_cast<std::int16_t>(components.size())),
              0);
    for (std::size_t i = 0; i < components.size(); ++i) {
      const auto c = static_cast<std::int16_t>(i);
      EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Width, components[i].width, -1, c), 0);
      EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Height, components[i].height, -1, c), 0);
      EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_BitDepth, components[i].depth, -1, c), 0);
      EXPECT_EQ(JP2_Compress_SetProp(handle, JP2_Prop_Signed, components[i].isSigned, -1, c), 0);
    }
    EXPECT_EQ(Set(handle, JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&Input)), 0);
    EXPECT_EQ(Set(handle, JP2_Prop_InputParam, reinterpret_cast<std::uintptr_t>(this)), 0);
    EXPECT_EQ(Set(handle, JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&Output)), 0);
    EXPECT_EQ(Set(handle, JP2_Prop_OutputParam, reinterpret_cast<std::uintptr_t>(this)), 0);
    EXPECT_EQ(Set(handle, JP2_Prop_Threads, TestThreads()), 0);
    return handle;
  }

  static std::int32_t Set(CompressHandle handle, std::uint32_t id, std::uintptr_t value) {
    return JP2_Compress_SetProp(handle, id, value, -1, -1);
  }

  // Start, configure, Image, End: the status of Image (End must succeed).
  std::int32_t Encode(const std::function<void(CompressHandle)>& configure) {
    output.clear();
    CompressHandle handle = Start();
    configure(handle);
    const std::int32_t status = JP2_Compress_Image(handle);
    EXPECT_EQ(JP2_Compress_End(handle), 0);
    return status;
  }
};

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// The samples of a PGX file, or an empty component when it cannot be read.
inline TestComponent ReadPgx(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string header;
  if (!std::getline(file, header)) return {};
  std::istringstream fields(header);
  std::string pg, order, sign;
  TestComponent c;
  fields >> pg >> order;
  std::string rest;
  fields >> rest;
  // The sign may stand apart ("+ 8") or joined to the depth ("+8").
  if (rest == "+" || rest == "-") {
    sign = rest;
    fields >> c.depth;
  } else {
    sign = rest.substr(0, 1);
    c.depth = static_cast<std::uint32_t>(std::stoul(rest.substr(1)));
  }
  fields >> c.width >> c.height;
  c.isSigned = sign == "-";
  const std::uint32_t bytes = c.depth <= 8 ? 1 : c.depth <= 16 ? 2 : 4;
  std::vector<std::uint8_t> raw(std::size_t{c.width} * c.height * bytes);
  if (!file.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size())))
    return {};
  c.samples.resize(std::size_t{c.width} * c.height);
  for (std::size_t i = 0; i < c.samples.size(); ++i) {
    std::uint32_t value = 0;
    for (std::uint32_t b = 0; b < bytes; ++b) {
      const std::uint32_t byte = raw[i * bytes + b];
      value |= order == "ML" ? byte << (8 * (bytes - 1 - b)) : byte << (8 * b);
    }
    std::int64_t v = value;
    if (c.isSigned && bytes < 4 && (value >> (8 * bytes - 1)) != 0)
      v -= std::int64_t{1} << (8 * bytes);
    c.samples[i] = static_cast<std::int32_t>(v);
  }
  return c;
}

// The name of a parameterised case from its name field, dashes made underscores.
template <typename Info>
std::string CaseName(const Info& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}

enum class Peer { kOpenJpeg, kGrok };

// Decodes the file with a peer into PGX files, one per component; the components, or none
// when decoding failed.
inline std::vector<TestComponent> DecodeWithPeer(Peer peer, const std::string& file,
                                                 std::size_t componentCount,
                                                 const std::string& extra = "") {
  const std::string base = file + (peer == Peer::kOpenJpeg ? ".opj" : ".grk");
  for (std::size_t c = 0; c < componentCount; ++c)
    std::remove((base + "_" + std::to_string(c) + ".pgx").c_str());
  const std::string tool = peer == Peer::kOpenJpeg ? "opj_decompress" : "grk_decompress";
  const std::string command =
      tool + " -i " + file + " -o " + base + ".pgx " + extra + " > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  std::vector<TestComponent> decoded;
  for (std::size_t c = 0; c < componentCount; ++c) {
    decoded.push_back(ReadPgx(base + "_" + std::to_string(c) + ".pgx"));
    std::remove((base + "_" + std::to_string(c) + ".pgx").c_str());
  }
  return decoded;
}

}  // namespace quillon::jp2::test
