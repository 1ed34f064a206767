// The coefficient trees of the bit-plane coder. Each aligned 2^L x 2^L block of a component
// is one tree of 4^L nodes in heap order: node 0 is the low-pass coefficient, nodes 1, 2, 3
// the coarsest details, and node n >= 1 has the children 4n .. 4n+3 one level finer. The
// nodes 4k .. 4k+3 form quad k; quad 0 is the root quad.
#pragma once

#include <cstdint>
#include <span>

#include "kvf/KvfChunks.h"

namespace kvf {

// Levels beyond this make a root quad shift that does not fit the coder's 4-bit fields.
inline constexpr std::uint32_t kKvfMaxCoderLevels = 12;
inline constexpr std::uint32_t kKvfMaxShift = 15;

constexpr std::uint64_t KvfNodesPerTree(std::uint32_t levels) {
  return std::uint64_t{1} << (2 * levels);
}
constexpr std::uint64_t KvfQuadsPerTree(std::uint32_t levels) {
  return KvfNodesPerTree(levels) / 4;
}

// First quad whose nodes lie on the finest level (they have no children).
constexpr std::uint32_t KvfFirstFinestQuad(std::uint32_t levels) {
  return levels < 2 ? 1u : static_cast<std::uint32_t>(KvfQuadsPerTree(levels) / 4);
}

// Orientation (1 horizontal, 2 vertical, 3 diagonal detail) of node n >= 1.
constexpr std::uint32_t KvfOrientation(std::uint64_t node) {
  while (node >= 4) node /= 4;
  return static_cast<std::uint32_t>(node);
}

// Offset of a root-quad node's shift below the root quad's own: node 0 keeps it, nodes 1 and
// 2 take one less, node 3 two less.
inline constexpr std::uint32_t kKvfRootShiftDrop[4] = {0, 1, 1, 2};

// Per-tree tables built once from the level count: the position of every node inside its
// block, and the shift and minimum field of every quad for a component base of 0 and no
// regions. They live in work buffer 1.
struct KvfTreeTables {
  std::uint32_t levels = 0;
  std::span<std::uint16_t> nodeX;        // 4^L entries
  std::span<std::uint16_t> nodeY;        // 4^L entries
  std::span<std::size_t> nodeOffset;     // 4^L entries: nodeY * rowStride + nodeX
  std::span<std::uint8_t> quadShift;     // 4^(L-1) entries
  std::span<std::uint8_t> quadMinShift;  // 4^(L-1) entries

  static std::uint64_t BytesNeeded(std::uint32_t levels);
  // Carves the tables from `memory` (at least BytesNeeded, 8-byte aligned) and fills them
  // for coefficient rows `rowStride` samples apart.
  void Build(std::uint32_t treeLevels, std::size_t rowStride, std::span<std::byte> memory);
};

// The base of the priority shift of a component of a picture in `colourMode`.
std::uint32_t KvfComponentBase(std::uint32_t colourMode, std::uint32_t component);

// The region weight the coder applies for a stored weight: capped so that every shift fits
// its 4-bit field.
std::uint32_t KvfEffectiveRegionWeight(std::uint32_t storedWeight, std::uint32_t levels);

// Where the regions of one stripe lie, relative to the stripe's first row.
struct KvfStripeRegions {
  std::span<const KvfRegion> regions;
  std::uint32_t weight = 0;  // effective weight; 0: regions have no effect
  std::int64_t stripeTop = 0;

  bool Contains(std::int64_t x, std::int64_t y) const;  // stripe coordinates
  // Whether any region reaches into the block at (x, y) of `size` samples.
  bool Touches(std::int64_t x, std::int64_t y, std::int64_t size) const;
};

// Fills the shift (top byte) and minimum field (bits 20..23) of the quad entries of one tree,
// and clears the rest of each entry. Nothing else of the entries is touched.
void AssignTreeShifts(const KvfTreeTables& tables, std::uint32_t base,
                      const KvfStripeRegions& regions, std::int64_t treeX, std::int64_t treeY,
                      std::span<std::uint32_t> entries);

}  // namespace kvf
