// How much of a compressed file to decode: the loading options of the open dialog and the
// command line, and the limits each compressed reader derives from them.
#pragma once

#include <cstdint>
#include <optional>

namespace quillon {

enum class LoadType : int { BestQuality = 0, Quality = 1, CompressionRate = 2, FileSize = 3 };

struct LoadOptions {
  LoadType type = LoadType::BestQuality;
  int quality = 80;      // 1..100
  double rate = 10.0;    // the "1:" value
  double sizeKb = 10.0;  // kilobytes
};

// Width times height times bits per pixel divided by 8.
std::uint64_t RawSize(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel);

// JPEG 2000: bytes of the file the decoder may read; nothing means the whole file.
std::optional<std::uint64_t> Jp2ByteBudget(const LoadOptions* options, std::uint64_t rawSize);
// How much a budget too small for the headers grows per attempt.
std::uint64_t Jp2BudgetStep(std::uint64_t firstBudget);

// Limits for the current KVF codec; quality in 1/1024 of full quality.
struct KvfLoadLimits {
  std::optional<std::uint32_t> quality;
  std::optional<std::uint64_t> bytes;
  double ratio = 0.0;  // the option's own ratio; 0 when it gives none
};
KvfLoadLimits KvfLimits(const LoadOptions* options, std::uint64_t rawSize);

// A KVF preview (current and legacy files) decodes at most this many bytes of the file.
inline constexpr std::uint64_t kKvfPreviewBytes = 20480;
inline std::uint64_t KvfPreviewBytes(std::optional<std::uint64_t> bytes) {
  return bytes && *bytes < kKvfPreviewBytes ? *bytes : kKvfPreviewBytes;
}

// The legacy KVF library's quality scale ends here (bit planes, 1 to 15).
inline constexpr int kLegacyMaxQuality = 15;

// Limits for the legacy KVF library.
struct LegacyLoadLimits {
  int quality = kLegacyMaxQuality;
  std::optional<std::uint64_t> bytes;
  double ratio = 0.0;
};
LegacyLoadLimits LegacyLimits(const LoadOptions* options, std::uint64_t rawSize);

// Raw size over the bytes decoded from; 0 when nothing was read.
double CompressionRatio(std::uint64_t rawSize, std::uint64_t bytes);

}  // namespace quillon
