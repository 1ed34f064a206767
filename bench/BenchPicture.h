// The pictures of the codec benchmarks: binary 8-bit PPM and PGM files read into memory or a
// synthetic gradient, our encoder's raw codestream of one, lossless or at a target size, and
// a codestream in memory read back through the decoder's read callback.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
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
  picture = {static_cast<std::uint32_t>(width),
             static_cast<std::uint32_t>(height),
             magic == "P6" ? 3u : 1u,
             {}};
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

inline std::int32_t Input(void* buffer, std::int16_t component, std::uint32_t row,
                          std::uint32_t column, std::uint32_t count, std::uintptr_t param) {
  const auto* session = reinterpret_cast<const Session*>(param);
  const Picture& p = *session->picture;
  const std::uint8_t* source =
      p.samples.data() + (std::size_t{row} * p.width + column) * p.channels + component;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) out[i] = source[std::size_t{i} * p.channels];
  return 0;
}

inline std::int32_t Output(const void* data, std::uint32_t offset, std::uint32_t length,
                           std::uintptr_t param) {
  auto* session = reinterpret_cast<Session*>(param);
  if (session->output.size() < std::size_t{offset} + length)
    session->output.resize(std::size_t{offset} + length);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::copy(bytes, bytes + length, session->output.begin() + offset);
  return 0;
}

// Encodes to a codestream with the given worker threads, in square tiles of the given side
// (0: one tile); 0 as target is lossless. Returns the status.
inline std::int32_t Encode(const Picture& picture, std::uint32_t target, Session* session,
                           std::uint32_t threads = 1, std::uint32_t tile = 0) {
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
  set(JP2_Prop_Threads, threads);
  if (tile != 0) {
    set(JP2_Prop_TileWidth, tile);
    set(JP2_Prop_TileHeight, tile);
  }
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

// Processor time (user and system) of RUSAGE_SELF or of the finished RUSAGE_CHILDREN.
inline double ProcessorSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Timing {
  double wall = 0;
  double processor = 0;
};

// One coder of a benchmark: run() codes once and returns false when it failed; its processor
// time is that of who, RUSAGE_SELF or RUSAGE_CHILDREN (the coder run as a child process).
struct Contender {
  Contender(int who, std::function<bool()> run) : who(who), run(std::move(run)) {}

  int who;
  std::function<bool()> run;
  Timing best;
  bool failed = false;
};

// Runs every contender QUILLON_BENCH_RUNS times (1 when unset) and keeps the fastest run of
// each, the least disturbed by others busy on the machine. The runs go in rounds, one of each
// contender per round, so that a machine whose speed drifts over minutes slows them all alike
// and their ratios hold. A contender that failed is not run again.
inline void TimeInRounds(std::vector<Contender>& contenders) {
  const char* runs = std::getenv("QUILLON_BENCH_RUNS");
  const int rounds = runs != nullptr ? std::max(1, std::atoi(runs)) : 1;
  for (int round = 0; round < rounds; ++round) {
    for (Contender& contender : contenders) {
      if (contender.failed) continue;
      const double before = ProcessorSeconds(contender.who);
      const auto start = std::chrono::steady_clock::now();
      if (!contender.run()) {
        contender.failed = true;
        continue;
      }
      const Timing timing{Seconds(start), ProcessorSeconds(contender.who) - before};
      if (round == 0 || timing.wall < contender.best.wall) contender.best = timing;
    }
  }
}

// The picture named by the first command-line argument, the work directory from the second
// (/tmp without it) and, when tile is given, a tile side from the third (0, one tile, without
// it); an empty picture, with the reason printed, when there is none.
inline Picture PictureArgument(int argc, char** argv, std::string* source, std::string* work,
                               std::uint32_t* tile = nullptr) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s picture.ppm|picture.pgm [work directory%s]\n", argv[0],
                 tile != nullptr ? " [tile side]" : "");
    return {};
  }
  *source = argv[1];
  *work = argc > 2 ? argv[2] : "/tmp";
  if (tile != nullptr) *tile = argc > 3 ? static_cast<std::uint32_t>(std::atoi(argv[3])) : 0;
  Picture picture = ReadNetpbm(*source);
  if (picture.samples.empty())
    std::fprintf(stderr, "%s is no binary 8-bit PPM or PGM\n", source->c_str());
  return picture;
}

// An input callback of a smooth gradient with some texture, so that no path is taken only
// for flat input.
inline std::int32_t GradientRow(void* buffer, std::int16_t, std::uint32_t row, std::uint32_t column,
                                std::uint32_t count, std::uintptr_t) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t x = column + i;
    bytes[i] = static_cast<std::uint8_t>((x + row) / 32 + ((x * 7 + row * 13) & 15));
  }
  return 0;
}

// The decoder's read callback over a std::vector<std::uint8_t> passed as param.
inline std::int32_t ReadFromVector(void* buffer, std::uint32_t offset, std::uint32_t count,
                                   std::uintptr_t param) {
  const auto& in = *reinterpret_cast<const std::vector<std::uint8_t>*>(param);
  if (offset >= in.size()) return 0;
  const std::size_t n = std::min<std::size_t>(count, in.size() - offset);
  std::memcpy(buffer, in.data() + offset, n);
  return static_cast<std::int32_t>(n);
}

}  // namespace quillon::bench
