// The pictures of the codec benchmarks: binary 8-bit PPM and PGM files read into memory, and
// our encoder's raw codestream of one, lossless or at a target size.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "jp2.h"

namespace quillon::bench {

struct Picture {
  std::uint32_t width = 0, height = 0, channels = 0;
  std::vector<std::uint8_t> samples;  // interleaved
};

// The next header field of a Netpbm file, skipping comment lines.
inline std::string HeaderField(std::istream& in) {
  std::string field;
  while (in >> field && field[0] == '#') {
    std::string comment;
    std::getline(in, comment);
  }
  return field;
}

// A binary PPM or PGM of depth 255; an empty picture when the file is not one.
inline Picture ReadNetpbm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string magic = HeaderField(in);
  const unsigned long width = std::strtoul(HeaderField(in).c_str(), nullptr, 10);
  const unsigned long height = std::strtoul(HeaderField(in).c_str(), nullptr, 10);
  const unsigned long depth = std::strtoul(HeaderField(in).c_str(), nullptr, 10);
  in.get();
  Picture picture;
  if (!in || depth != 255 || (magic != "P5" && magic != "P6") || width == 0 || height == 0 ||
      width > 65536 || height > 65536) {
    return picture;
  }
  picture = {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height),
             magic == "P6" ? 3u : 1u, {}};
  picture.samples.resize(std::size_t{width} * height * picture.channels);
  if (!in.read(reinterpret_cast<char*>(picture.samples.data()),
               static_cast<std::streamsize>(picture.samples.size()))) {
    return {};
  }
  return picture;
}

struct Session {
  const Picture* picture = nullptr;
  std::vector<std::uint8_t> output;
};

inline std::int32_t Input(void* buffer, std::int16_t component, std::uint32_t row, std::uint32_t column,
                   std::uint32_t count, std::uintptr_t param) {
  const auto* session = reinterpret_cast<const Session*>(param);
  const Picture& p = *session->picture;
  const std::uint8_t* source = p.samples.data() + (std::size_t{row} * p.width + column) * p.channels + component;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) out[i] = source[std::size_t{i} * p.channels];
  return 0;
}

inline std::int32_t Output(const void* data, std::uint32_t offset, std::uint32_t length, std::uintptr_t param) {
  auto* session = reinterpret_cast<Session*>(param);
  if (session->output.size() < std::size_t{offset} + length) session->output.resize(std::size_t{offset} + length);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::copy(bytes, bytes + length, session->output.begin() + offset);
  return 0;
}

// Encodes to a codestream; 0 as target is lossless. Returns the status.
inline std::int32_t Encode(const Picture& picture, std::uint32_t target, Session* session) {
  session->picture = &picture;
  session->output.clear();
  session->output.reserve(picture.samples.size());
  CompressHandle handle = nullptr;
  std::int32_t status = JP2_Compress_Start(&handle, nullptr, 0, nullptr, 0,
                                           static_cast<std::int16_t>(picture.channels));
  if (status != 0) return status;
  auto set = [&](std::uint32_t id, std::uintptr_t value) {
    if (status == 0) status = JP2_Compress_SetProp(handle, id, value, -1, -1);
  };
  set(JP2_Prop_Width, picture.width);
  set(JP2_Prop_Height, picture.height);
  set(JP2_Prop_BitDepth, 8);
  set(JP2_Prop_FileFormat, JP2_Format_Codestream);
  set(JP2_Prop_ColourSpace, picture.channels == 3 ? JP2_Colour_sRGB : JP2_Colour_Greyscale);
  if (target != 0) {
    set(JP2_Prop_Reversible, 0);
    set(JP2_Prop_QuantStyle, 2);
    set(JP2_Prop_TargetSize, target);
  }
  set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&Input));
  set(JP2_Prop_InputParam, reinterpret_cast<std::uintptr_t>(session));
  set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&Output));
  set(JP2_Prop_OutputParam, reinterpret_cast<std::uintptr_t>(session));
  if (status == 0) status = JP2_Compress_Image(handle);
  const std::int32_t ended = JP2_Compress_End(handle);
  return status != 0 ? status : ended;
}

inline double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace quillon::bench
