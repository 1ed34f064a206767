#include "core/document/LoadOptions.h"

#include <algorithm>

#include "core/document/OptionBytes.h"

namespace quillon {

namespace {

constexpr std::uint64_t kMinimumBudget = 1024;

int clampQuality(int quality) {
  return std::clamp(quality, 1, 100);
}

}  // namespace

std::uint64_t RawSize(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel) {
  return std::uint64_t{width} * height * bitsPerPixel / 8;
}

std::optional<std::uint64_t> Jp2ByteBudget(const LoadOptions* options, std::uint64_t rawSize) {
  if (!options) return std::nullopt;
  std::optional<std::uint64_t> budget;
  switch (options->type) {
    case LoadType::BestQuality:
      return std::nullopt;
    case LoadType::Quality:
      budget = BytesAtQuality(rawSize, options->quality);
      break;
    case LoadType::CompressionRate:
      budget = BytesAtRate(rawSize, options->rate);
      break;
    case LoadType::FileSize:
      budget = BytesOfKilobytes(options->sizeKb);
      break;
  }
  if (!budget) return std::nullopt;
  return std::max(*budget, kMinimumBudget);
}

std::uint64_t Jp2BudgetStep(std::uint64_t firstBudget) {
  return std::max(firstBudget / 4, kMinimumBudget);
}

KvfLoadLimits KvfLimits(const LoadOptions* options, std::uint64_t rawSize) {
  KvfLoadLimits limits;
  if (!options) return limits;
  switch (options->type) {
    case LoadType::BestQuality:
      break;
    case LoadType::Quality:
      limits.quality = static_cast<std::uint32_t>(clampQuality(options->quality) * 1024 / 100);
      break;
    case LoadType::CompressionRate:
      limits.bytes = BytesAtRate(rawSize, options->rate);
      if (limits.bytes) limits.ratio = options->rate;
      break;
    case LoadType::FileSize:
      limits.bytes = BytesOfKilobytes(options->sizeKb);
      if (limits.bytes) limits.ratio = CompressionRatio(rawSize, *limits.bytes);
      break;
  }
  return limits;
}

LegacyLoadLimits LegacyLimits(const LoadOptions* options, std::uint64_t rawSize) {
  LegacyLoadLimits limits;
  if (!options) return limits;
  if (options->type == LoadType::Quality) {
    limits.quality = std::clamp(options->quality, 1, kLegacyMaxQuality);
  } else if (options->type == LoadType::CompressionRate) {
    limits.bytes = BytesAtRate(rawSize, options->rate);
    if (limits.bytes) limits.ratio = options->rate;
  }
  return limits;
}

double CompressionRatio(std::uint64_t rawSize, std::uint64_t bytes) {
  return bytes == 0 ? 0.0 : static_cast<double>(rawSize) / static_cast<double>(bytes);
}

}  // namespace quillon
