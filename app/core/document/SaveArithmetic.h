// The arithmetic that turns the save options and the picture's size into encoder values:
// pure functions, so that every number a writer hands an encoder can be checked alone.
#pragma once

#include <cstdint>
#include <optional>

#include "core/document/EnhancementRegions.h"
#include "core/document/SaveOptions.h"

namespace quillon {

// The smallest target a lossy JPEG 2000 save asks for: below it the headers alone would not fit.
inline constexpr std::uint64_t kMinimumJp2Target = 1024;
// Largest picture the KVF writer takes: 4096 x 4096 pixels.
inline constexpr std::uint64_t kMaxKvfPixels = std::uint64_t{4096} * 4096;
inline constexpr std::uint16_t kKvfLevels = 6;

// Decomposition levels by the larger side: below 128 one, doubling per level up to five.
int Jp2LevelsForSize(std::int64_t width, std::int64_t height);

// JPEG 2000 target size in bytes for `rawSize` bytes of samples; nothing for lossless.
// Quality q gives raw / (501 - 5q), rate r raw / r, size s s x 1024; never below 1024.
std::optional<std::uint64_t> Jp2TargetSize(const SaveOptions& options, std::uint64_t rawSize);

// How a "Sorted by:" choice is written: progression order, quality layers, and whether every
// resolution level gets precincts of 2^15 by 2^(level + 2).
struct Jp2Ordering {
  int progression = 0;
  int layers = 1;
  bool precincts = false;
};
Jp2Ordering Jp2OrderingOf(SortedBy sortedBy);
inline constexpr std::uint32_t kPositionPrecinctWidthExponent = 15;
inline constexpr std::uint32_t PositionPrecinctHeightExponent(int level) {
  return static_cast<std::uint32_t>(level) + 2;
}

// A region in thousandths of the picture's width and height (truncated), as the JPEG 2000
// encoder takes it; negative values count as 0.
struct RegionThousandths {
  std::uint32_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const RegionThousandths&, const RegionThousandths&) = default;
};
RegionThousandths ToThousandths(const EnhancementRegion& region, std::int32_t pictureWidth,
                                std::int32_t pictureHeight);

// KVF quality in 1/1024 units: q x 1024 / 100 with the quality option, else full quality.
std::uint16_t KvfQuality(const SaveOptions& options);
// KVF byte limit from the options; 0 is no limit (lossless and quality).
std::uint64_t KvfTargetSize(const SaveOptions& options, std::uint64_t rawSize);
// Bytes a KVF file may need, checked against the free space: raw / rate for the rate option,
// the wanted size when it is below twice the raw size, else twice the raw size.
std::uint64_t KvfExpectedSize(const SaveOptions& options, std::uint64_t rawSize);

// Whether the picture's pixel count exceeds what the KVF writer takes.
bool ExceedsKvfLimit(std::int64_t width, std::int64_t height);

}  // namespace quillon
