// Working memory of the JPEG 2000 decoder against the picture's height: grey lossless
// codestreams of our encoder, one in 1,024 x 1,024 tiles and one a single tile, each at two
// heights, decoded through the C interface with a write callback that keeps nothing. Prints
// the peak of the bytes the decoder held through the allocation callbacks with the input cache
// off (working memory) and on (the default, which holds the whole input), the peak RSS of the
// process (which also holds the encoded file) and the decode time with the cache off.
// Usage: jp2-decoder-memory-bench [tiled width] [single-tile width] [low height] [high height]
#include <sys/resource.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchPicture.h"
#include "PeakMemory.h"
#include "jp2.h"

namespace {

std::int32_t Append(const void* data, std::uint32_t offset, std::uint32_t length,
                    std::uintptr_t param) {
  auto& out = *reinterpret_cast<std::vector<std::uint8_t>*>(param);
  if (out.size() < std::size_t{offset} + length) out.resize(std::size_t{offset} + length);
  std::memcpy(out.data() + offset, data, length);
  return 0;
}

// A grey lossless codestream of width x height in tiles of tileWidth x tileHeight.
std::vector<std::uint8_t> Encode(std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
                                 std::uint32_t tileHeight) {
  std::vector<std::uint8_t> out;
  CompressHandle handle = nullptr;
  std::int32_t status = JP2_Compress_Start(&handle, nullptr, 0, nullptr, 0, 1);
  const auto set = [&](std::uint32_t id, std::uintptr_t value) {
    if (status == 0) status = JP2_Compress_SetProp(handle, id, value, -1, -1);
  };
  set(JP2_Prop_Width, width);
  set(JP2_Prop_Height, height);
  set(JP2_Prop_BitDepth, 8);
  set(JP2_Prop_FileFormat, JP2_Format_Codestream);
  set(JP2_Prop_ColourSpace, JP2_Colour_Greyscale);
  set(JP2_Prop_TileWidth, tileWidth);
  set(JP2_Prop_TileHeight, tileHeight);
  set(JP2_Prop_InputCallback, reinterpret_cast<std::uintptr_t>(&quillon::bench::GradientRow));
  set(JP2_Prop_OutputCallback, reinterpret_cast<std::uintptr_t>(&Append));
  set(JP2_Prop_OutputParam, reinterpret_cast<std::uintptr_t>(&out));
  if (status == 0) status = JP2_Compress_Image(handle);
  if (handle != nullptr && JP2_Compress_End(handle) != 0 && status == 0) status = -1;
  if (status != 0) {
    std::fprintf(stderr, "encoding %u x %u failed: %d\n", width, height, status);
    std::exit(1);
  }
  return out;
}

std::int32_t DiscardRow(const void*, std::int16_t, std::uint32_t, std::uint32_t, std::uint32_t,
                        std::uintptr_t param) {
  ++*reinterpret_cast<std::uint64_t*>(param);
  return 0;
}

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Decoded {
  double peakMiB = 0, seconds = 0;
  bool ok = false;
};

Decoded Decode(const std::vector<std::uint8_t>& codestream, std::uint32_t height, bool cacheInput) {
  quillon::bench::PeakMemory memory;
  DecompressHandle handle = nullptr;
  std::uint64_t rows = 0;
  const auto start = std::chrono::steady_clock::now();
  std::int32_t status = JP2_Decompress_Start(&handle, quillon::bench::PeakMemory::Allocate,
                                             memory.Param(), quillon::bench::PeakMemory::Release,
                                             memory.Param(), quillon::bench::ReadFromVector,
                                             reinterpret_cast<std::uintptr_t>(&codestream));
  const auto set = [&](std::uint32_t id, std::uintptr_t value) {
    if (status == 0) status = JP2_Decompress_SetProp(handle, id, value);
  };
  set(JP2_Prop_CacheInput, cacheInput ? 1 : 0);
  set(JP2_Prop_WriteCallback, reinterpret_cast<std::uintptr_t>(&DiscardRow));
  set(JP2_Prop_WriteParam, reinterpret_cast<std::uintptr_t>(&rows));
  if (status == 0) status = JP2_Decompress_Image(handle);
  if (handle != nullptr) JP2_Decompress_End(handle);
  Decoded result;
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peakMiB = static_cast<double>(memory.peak) / 1048576.0;
  result.ok = status == 0 && rows >= height;
  return result;
}

void Measure(const char* layout, std::uint32_t width, std::uint32_t height, std::uint32_t tileWidth,
             std::uint32_t tileHeight) {
  const std::vector<std::uint8_t> codestream = Encode(width, height, tileWidth, tileHeight);
  const Decoded uncached = Decode(codestream, height, false);
  const Decoded cached = Decode(codestream, height, true);
  std::printf("| %-12s | %6u x %-6u | %8.1f | %13.2f | %12.2f | %8ld | %8.2f |%s\n", layout, width,
              height, static_cast<double>(codestream.size()) / 1048576.0, uncached.peakMiB,
              cached.peakMiB, PeakRssKiB() / 1024, uncached.seconds,
              uncached.ok && cached.ok ? "" : " FAILED");
  std::fflush(stdout);
}

std::uint32_t Argument(int argc, char** argv, int index, std::uint32_t fallback) {
  return argc > index ? static_cast<std::uint32_t>(std::strtoul(argv[index], nullptr, 10))
                      : fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint32_t tiledWidth = Argument(argc, argv, 1, 16000);
  const std::uint32_t singleWidth = Argument(argc, argv, 2, 8000);
  const std::uint32_t low = Argument(argc, argv, 3, 2000);
  const std::uint32_t high = Argument(argc, argv, 4, 8000);
  std::printf("| %-12s | %-15s | %8s | %13s | %12s | %8s | %8s |\n", "layout", "picture",
              "file MiB", "working MiB", "cached MiB", "RSS MiB", "decode s");
  std::printf(
      "|--------------|-----------------|----------|---------------|--------------|----------|-----"
      "-----|\n");
  for (const std::uint32_t height : {low, high})
    Measure("1024 tiles", tiledWidth, height, 1024, 1024);
  for (const std::uint32_t height : {low, high})
    Measure("single tile", singleWidth, height, singleWidth, height);
  return 0;
}
