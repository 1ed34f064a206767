#include "core/document/SaveArithmetic.h"

#include <algorithm>
#include <cmath>

#include "core/document/OptionBytes.h"

namespace quillon {

namespace {

// Raw size over the rate; a rate that is not a positive number leaves the raw size.
std::uint64_t BytesAtRateOrRaw(std::uint64_t rawSize, double rate) {
  if (!std::isfinite(rate)) return rawSize;
  return BytesAtRate(rawSize, rate).value_or(rawSize);
}

// Bytes of a size in kilobytes; 0 for a size that is not a positive number.
std::uint64_t BytesOfFiniteKilobytes(double sizeKb) {
  return std::isfinite(sizeKb) ? BytesOfKilobytes(sizeKb).value_or(0) : 0;
}

}  // namespace

int Jp2LevelsForSize(std::int64_t width, std::int64_t height) {
  const std::int64_t side = std::max(width, height);
  if (side < 128) return 1;
  if (side < 256) return 2;
  if (side < 512) return 3;
  if (side < 1024) return 4;
  return 5;
}

std::optional<std::uint64_t> Jp2TargetSize(const SaveOptions& options, std::uint64_t rawSize) {
  std::uint64_t target = 0;
  switch (options.option) {
    case SaveOption::Lossless:
      return std::nullopt;
    case SaveOption::Quality:
      target = BytesAtQuality(rawSize, options.quality);
      break;
    case SaveOption::CompressionRate:
      target = BytesAtRateOrRaw(rawSize, options.rate);
      break;
    case SaveOption::FileSize:
      target = BytesOfFiniteKilobytes(options.sizeKb);
      break;
  }
  return std::max(target, kMinimumJp2Target);
}

Jp2Ordering Jp2OrderingOf(SortedBy sortedBy) {
  switch (sortedBy) {
    case SortedBy::Quality:
      return {0, 30, false};
    case SortedBy::Resolution:
      return {1, 1, false};
    case SortedBy::Position:
      return {3, 1, true};
    case SortedBy::Color:
      return {4, 1, false};
  }
  return {};
}

RegionThousandths ToThousandths(const EnhancementRegion& region, std::int32_t pictureWidth,
                                std::int32_t pictureHeight) {
  const auto part = [](std::int64_t value, std::int32_t whole) -> std::uint32_t {
    if (whole <= 0 || value <= 0) return 0;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(value * 1000 / whole, 1000));
  };
  return {part(region.x, pictureWidth), part(region.y, pictureHeight),
          part(region.width, pictureWidth), part(region.height, pictureHeight)};
}

std::uint16_t KvfQuality(const SaveOptions& options) {
  if (options.option != SaveOption::Quality) return 1024;
  return static_cast<std::uint16_t>(std::clamp(options.quality, 1, 100) * 1024 / 100);
}

std::uint64_t KvfTargetSize(const SaveOptions& options, std::uint64_t rawSize) {
  switch (options.option) {
    case SaveOption::CompressionRate:
      return std::max<std::uint64_t>(BytesAtRateOrRaw(rawSize, options.rate), 1);
    case SaveOption::FileSize:
      return std::max<std::uint64_t>(BytesOfFiniteKilobytes(options.sizeKb), 1);
    case SaveOption::Lossless:
    case SaveOption::Quality:
      break;
  }
  return 0;
}

std::uint64_t KvfExpectedSize(const SaveOptions& options, std::uint64_t rawSize) {
  const std::uint64_t twiceRaw = rawSize * 2;
  switch (options.option) {
    case SaveOption::CompressionRate:
      return BytesAtRateOrRaw(rawSize, options.rate);
    case SaveOption::FileSize:
      return std::min(BytesOfFiniteKilobytes(options.sizeKb), twiceRaw);
    case SaveOption::Lossless:
    case SaveOption::Quality:
      break;
  }
  return twiceRaw;
}

bool ExceedsKvfLimit(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxKvfPixels;
}

}  // namespace quillon
