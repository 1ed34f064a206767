#include "kvf/KvfTrees.h"

#include <algorithm>

namespace kvf {

namespace {

constexpr std::uint32_t kShiftBit = 24;
constexpr std::uint32_t kMinShiftBit = 20;

// Offsets of the four children from their parent, in units of h, by parent orientation.
constexpr int kChildX[3][4] = {{-1, 1, -1, 1}, {0, 2, 0, 2}, {-1, 1, -1, 1}};
constexpr int kChildY[3][4] = {{0, 0, 2, 2}, {-1, -1, 1, 1}, {-1, -1, 1, 1}};

std::uint32_t EntryWord(std::uint32_t shift, std::uint32_t minShift) {
  return shift << kShiftBit | minShift << kMinShiftBit;
}

// Shifts of quads above the finest level follow from their children: one more than the
// largest child quad, and the smallest minimum below. The root quad adds two.
template <typename ShiftOf, typename MinOf, typename Store>
void PropagateUp(std::uint32_t levels, ShiftOf shiftOf, MinOf minOf, Store store) {
  const std::uint32_t quads = static_cast<std::uint32_t>(KvfQuadsPerTree(levels));
  for (std::uint32_t k = KvfFirstFinestQuad(levels); k-- > 0;) {
    std::uint32_t largest = 0;
    std::uint32_t smallest = kKvfMaxShift;
    const std::uint32_t firstChild = k == 0 ? 1 : 4 * k;
    const std::uint32_t lastChild = k == 0 ? 3 : 4 * k + 3;
    for (std::uint32_t c = firstChild; c <= lastChild && c < quads; ++c) {
      largest = std::max<std::uint32_t>(largest, shiftOf(c));
      smallest = std::min<std::uint32_t>(smallest, minOf(c));
    }
    if (levels == 1) {  // the root quad is the whole tree: its own nodes are the finest
      store(0, 2, 0);
      continue;
    }
    const std::uint32_t shift = std::min(kKvfMaxShift, largest + (k == 0 ? 2 : 1));
    store(k, shift, smallest);
  }
}

}  // namespace

std::uint64_t KvfTreeTables::BytesNeeded(std::uint32_t levels) {
  return KvfNodesPerTree(levels) * (sizeof(std::size_t) + 2 * sizeof(std::uint16_t)) +
         2 * KvfQuadsPerTree(levels);
}

void KvfTreeTables::Build(std::uint32_t treeLevels, std::size_t rowStride,
                          std::span<std::byte> memory) {
  levels = treeLevels;
  const std::size_t nodes = KvfNodesPerTree(levels);
  const std::size_t quads = KvfQuadsPerTree(levels);
  auto* offsets = reinterpret_cast<std::size_t*>(memory.data());
  nodeOffset = {offsets, nodes};
  auto* words = reinterpret_cast<std::uint16_t*>(offsets + nodes);
  nodeX = {words, nodes};
  nodeY = {words + nodes, nodes};
  auto* bytes = reinterpret_cast<std::uint8_t*>(words + 2 * nodes);
  quadShift = {bytes, quads};
  quadMinShift = {bytes + quads, quads};

  const std::uint16_t half = static_cast<std::uint16_t>(1u << (levels - 1));
  nodeX[0] = 0, nodeY[0] = 0;
  nodeX[1] = half, nodeY[1] = 0;
  nodeX[2] = 0, nodeY[2] = half;
  nodeX[3] = half, nodeY[3] = half;
  // Children of the nodes of level l (h = 2^(l-2)) sit around their parent by orientation.
  std::uint32_t level = levels;
  for (std::size_t first = 1; 4 * first < nodes; first *= 4, --level) {
    const int h = 1 << (level - 2);
    for (std::size_t n = first; n < 4 * first; ++n) {
      const int x = nodeX[n];
      const int y = nodeY[n];
      const std::uint32_t o = KvfOrientation(n) - 1;
      for (int c = 0; c < 4; ++c) {
        nodeX[4 * n + c] = static_cast<std::uint16_t>(x + kChildX[o][c] * h);
        nodeY[4 * n + c] = static_cast<std::uint16_t>(y + kChildY[o][c] * h);
      }
    }
  }

  for (std::size_t n = 0; n < nodes; ++n) nodeOffset[n] = nodeY[n] * rowStride + nodeX[n];

  for (std::size_t k = KvfFirstFinestQuad(levels); k < quads; ++k) {
    quadShift[k] = KvfOrientation(k) == 3 ? 0 : 1;
    quadMinShift[k] = quadShift[k];
  }
  PropagateUp(
      levels, [&](std::uint32_t k) { return quadShift[k]; },
      [&](std::uint32_t k) { return quadMinShift[k]; },
      [&](std::uint32_t k, std::uint32_t shift, std::uint32_t smallest) {
        quadShift[k] = static_cast<std::uint8_t>(shift);
        quadMinShift[k] = static_cast<std::uint8_t>(smallest);
      });
}

std::uint32_t KvfComponentBase(std::uint32_t colourMode, std::uint32_t component) {
  if (component != 0) return 0;
  switch (colourMode) {
    case 6:
    case 8:
    case 20:
      return 1;
    case 19:
    case 7:
    case 21:
      return 2;
    default:
      return 0;
  }
}

std::uint32_t KvfEffectiveRegionWeight(std::uint32_t storedWeight, std::uint32_t levels) {
  // The root quad takes base (at most 2) + 1 + weight + levels.
  const std::uint32_t room = levels >= kKvfMaxShift - 3 ? 0 : kKvfMaxShift - 3 - levels;
  return std::min(storedWeight, room);
}

bool KvfStripeRegions::Contains(std::int64_t x, std::int64_t y) const {
  for (const KvfRegion& region : regions) {
    const std::int64_t top = static_cast<std::int64_t>(region.y) - stripeTop;
    if (x >= region.x && x <= region.x + std::int64_t{region.width} && y >= top &&
        y <= top + region.height) {
      return true;
    }
  }
  return false;
}

bool KvfStripeRegions::Touches(std::int64_t x, std::int64_t y, std::int64_t size) const {
  if (weight == 0) return false;
  for (const KvfRegion& region : regions) {
    const std::int64_t top = static_cast<std::int64_t>(region.y) - stripeTop;
    if (region.x <= x + size && x <= region.x + std::int64_t{region.width} && top <= y + size &&
        y <= top + region.height) {
      return true;
    }
  }
  return false;
}

void AssignTreeShifts(const KvfTreeTables& tables, std::uint32_t base,
                      const KvfStripeRegions& regions, std::int64_t treeX, std::int64_t treeY,
                      std::span<std::uint32_t> entries) {
  const std::uint32_t levels = tables.levels;
  const std::size_t quads = tables.quadShift.size();
  if (!regions.Touches(treeX, treeY, std::int64_t{1} << levels)) {
    for (std::size_t k = 0; k < quads; ++k) {
      entries[k] = EntryWord(std::min(kKvfMaxShift, tables.quadShift[k] + base),
                             std::min(kKvfMaxShift, tables.quadMinShift[k] + base));
    }
    return;
  }
  for (std::size_t k = KvfFirstFinestQuad(levels); k < quads; ++k) {
    const std::size_t last = 4 * k + 3;
    const bool inside = regions.Contains(treeX + tables.nodeX[last], treeY + tables.nodeY[last]);
    const std::uint32_t shift = tables.quadShift[k] + base + (inside ? regions.weight : 0);
    entries[k] = EntryWord(std::min(kKvfMaxShift, shift), std::min(kKvfMaxShift, shift));
  }
  PropagateUp(
      levels, [&](std::uint32_t k) { return entries[k] >> kShiftBit; },
      [&](std::uint32_t k) { return entries[k] >> kMinShiftBit & 0xF; },
      [&](std::uint32_t k, std::uint32_t shift, std::uint32_t smallest) {
        entries[k] = EntryWord(shift, smallest);
      });
  if (levels == 1) entries[0] = EntryWord(2 + base, base);
}

}  // namespace kvf
