#include "kvf/KvfGeometry.h"

#include <limits>

namespace kvf {

namespace {

// Rounds up to a multiple of the block size, but never to a single block: the coder needs
// at least two blocks along each side.
std::uint64_t CodedExtent(std::uint64_t extent, std::uint64_t block) {
  const std::uint64_t rounded = (extent + block - 1) / block * block;
  return rounded == block ? 2 * block : rounded;
}

}  // namespace

KvfStatus ComputeKvfGeometry(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                             bool baselineWanted, KvfGeometry& geometry) {
  if (levels < kKvfMinLevels) return KvfStatus::invalidCoderParameters;
  if (levels > kKvfMaxLevels) return KvfStatus::levelTooHigh;
  if (width == 0 || height == 0) return KvfStatus::invalidImageSize;

  const std::uint64_t block = std::uint64_t{1} << levels;
  const std::uint64_t codedWidth = CodedExtent(width, block);
  const std::uint64_t codedHeight = CodedExtent(height, block);
  constexpr std::uint64_t kFieldLimit = std::numeric_limits<std::uint32_t>::max();
  if (codedWidth > kFieldLimit || codedHeight > kFieldLimit) return KvfStatus::invalidImageSize;

  // A picture no taller than one block would make a single stripe: it is coded embedded.
  const bool baseline = baselineWanted && height > block;
  const std::uint64_t stripeHeight = baseline ? block : codedHeight;
  const std::uint64_t stripeCount = (height + stripeHeight - 1) / stripeHeight;
  if (stripeCount > kKvfMaxStripes) return KvfStatus::invalidImageSize;

  geometry.codedWidth = static_cast<std::uint32_t>(codedWidth);
  geometry.codedHeight = static_cast<std::uint32_t>(codedHeight);
  geometry.stripeHeight = static_cast<std::uint32_t>(stripeHeight);
  geometry.stripeCount = static_cast<std::uint32_t>(stripeCount);
  geometry.baseline = baseline;
  return KvfStatus::ok;
}

}  // namespace kvf
