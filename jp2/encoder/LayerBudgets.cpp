#include "encoder/LayerBudgets.h"

#include <algorithm>

#include "jp2.h"

namespace quillon::jp2 {
namespace {

constexpr std::uint64_t kEndOfCodestreamBytes = 2;

std::uint64_t Truncate(double value) {
  return value <= 0 ? 0 : static_cast<std::uint64_t>(value);
}

}  // namespace

std::uint64_t RegionAreaInside(const GridRegion* regions, std::uint32_t count, const Rect& area) {
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t x0 = std::max<std::uint64_t>(regions[i].x0, area.x0);
    const std::uint64_t x1 = std::min<std::uint64_t>(regions[i].x1, area.x1);
    const std::uint64_t y0 = std::max<std::uint64_t>(regions[i].y0, area.y0);
    const std::uint64_t y1 = std::min<std::uint64_t>(regions[i].y1, area.y1);
    if (x0 < x1 && y0 < y1) total += (x1 - x0) * (y1 - y0);
  }
  return total;
}

Status TileBudgets(const ImageShare& image, const TileShare* tiles, std::uint32_t count,
                   std::uint64_t* budgets) {
  std::uint64_t overhead = image.mainHeader + kEndOfCodestreamBytes;
  for (std::uint32_t t = 0; t < count; ++t) overhead += tiles[t].tilePartHeader + tiles[t].packets;
  if (image.target < overhead) return JP2_Error_TargetTooSmall;
  const double shared = static_cast<double>(image.target - overhead);
  if (count == 1 || !image.regions) {
    for (std::uint32_t t = 0; t < count; ++t) {
      budgets[t] =
          Truncate(shared * static_cast<double>(tiles[t].area) / static_cast<double>(image.area));
    }
    return Status();
  }
  const double region = std::min(shared, static_cast<double>(image.uncompressedBytes) / 8.0);
  const double background = shared - region;
  const std::uint64_t outside = image.area - std::min(image.area, image.regionArea);
  for (std::uint32_t t = 0; t < count; ++t) {
    double budget = 0;
    if (image.regionArea != 0) {
      budget +=
          region * static_cast<double>(tiles[t].regionArea) / static_cast<double>(image.regionArea);
    }
    if (outside != 0) {
      const std::uint64_t tileOutside =
          tiles[t].area - std::min(tiles[t].area, tiles[t].regionArea);
      budget += background * static_cast<double>(tileOutside) / static_cast<double>(outside);
    }
    budgets[t] = Truncate(budget);
  }
  return Status();
}

void LayerBudgets(const TileLayering& tile, std::uint64_t* budgets) {
  if (tile.layers == 1) {
    budgets[0] = tile.tileBudget;
    return;
  }
  std::int64_t total = 0;
  if (tile.targeted) {
    total = static_cast<std::int64_t>(tile.tileBudget) - tile.tilePartHeader;
  } else {
    total =
        static_cast<std::int64_t>(Truncate(static_cast<double>(tile.uncompressedBits) / 8.0 * 0.5));
  }
  total -= static_cast<std::int64_t>(tile.nonEmptyPrecincts) * tile.layers;
  total = std::max<std::int64_t>(total, 0);
  for (int l = 0; l < tile.layers; ++l) {
    const std::int64_t divisor = (std::int64_t{1} << (tile.layers - l)) - 1;
    std::int64_t budget = std::max<std::int64_t>(total / divisor, 100 + 30 * l);
    budget = std::min(budget, total);
    total -= budget;
    budgets[l] = static_cast<std::uint64_t>(budget) + tile.nonEmptyPrecincts;
  }
  if (tile.targeted) {
    budgets[0] += tile.tilePartHeader;
  } else {
    budgets[tile.layers - 1] *= 4;
  }
}

}  // namespace quillon::jp2
