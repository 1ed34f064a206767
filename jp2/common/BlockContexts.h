// The per-coefficient state of the block coder and the block decoder and the context labels
// of zero coding and sign coding (T.800 D.3.1 and D.3.2) looked up from it. A state holds
// which of the eight neighbours are significant, the signs of the four direct ones, and the
// coefficient's own significance, refinement and visit flags.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "common/CodeBlockStyle.h"

namespace quillon::jp2 {

inline constexpr std::uint16_t kNorth = 1 << 0, kSouth = 1 << 1, kWest = 1 << 2, kEast = 1 << 3;
inline constexpr std::uint16_t kNorthWest = 1 << 4, kNorthEast = 1 << 5;
inline constexpr std::uint16_t kSouthWest = 1 << 6, kSouthEast = 1 << 7;
inline constexpr std::uint16_t kNorthNegative = 1 << 8, kSouthNegative = 1 << 9;
inline constexpr std::uint16_t kWestNegative = 1 << 10, kEastNegative = 1 << 11;
inline constexpr std::uint16_t kNeighbours = 0xFF;
inline constexpr std::uint16_t kSignificant = 1 << 12, kRefined = 1 << 13, kVisited = 1 << 14;

struct ContextTables {
  // Zero-coding context per band kind, indexed by the eight neighbour bits.
  std::uint8_t zero[3][256];
  // (context << 1) | the bit the sign is XORed with, indexed by the significance of the
  // N, S, W, E neighbours in bits 0 to 3 and their signs in bits 4 to 7 (SignIndex).
  std::uint8_t sign[256];
};

namespace block_contexts_detail {

constexpr int ZeroContext(BandKind kind, int h, int v, int d) {
  if (kind == BandKind::kHorizontal) std::swap(h, v);
  if (kind == BandKind::kDiagonal) {
    const int hv = h + v;
    if (d >= 3) return 8;
    if (d == 2) return hv >= 1 ? 7 : 6;
    if (d == 1) return hv >= 2 ? 5 : hv == 1 ? 4 : 3;
    return hv >= 2 ? 2 : hv;
  }
  if (h == 2) return 8;
  if (h == 1) return v >= 1 ? 7 : d >= 1 ? 6 : 5;
  if (v == 2) return 4;
  if (v == 1) return 3;
  return d >= 2 ? 2 : d;
}

constexpr int Contribution(int bits, int significant, int negative) {
  return (bits & significant) == 0 ? 0 : (bits & negative) != 0 ? -1 : 1;
}

constexpr ContextTables BuildContextTables() {
  ContextTables tables{};
  for (int bits = 0; bits < 256; ++bits) {
    const int h = ((bits & kWest) != 0) + ((bits & kEast) != 0);
    const int v = ((bits & kNorth) != 0) + ((bits & kSouth) != 0);
    const int d = std::popcount(static_cast<unsigned>(bits & 0xF0));
    for (int kind = 0; kind < 3; ++kind) {
      tables.zero[kind][bits] =
          static_cast<std::uint8_t>(ZeroContext(static_cast<BandKind>(kind), h, v, d));
    }
    const int hs = std::clamp(Contribution(bits, 4, 64) + Contribution(bits, 8, 128), -1, 1);
    const int vs = std::clamp(Contribution(bits, 1, 16) + Contribution(bits, 2, 32), -1, 1);
    const int flip = hs < 0 || (hs == 0 && vs < 0) ? 1 : 0;
    const int ah = flip ? -hs : hs;
    const int av = flip ? -vs : vs;
    const int context = ah == 1 ? 12 + av : av == 0 ? 9 : 10;
    tables.sign[bits] = static_cast<std::uint8_t>(context << 1 | flip);
  }
  return tables;
}

}  // namespace block_contexts_detail

inline constexpr ContextTables kContextTables = block_contexts_detail::BuildContextTables();

// The sign table's index from a state's low twelve bits.
constexpr std::uint32_t SignIndex(std::uint32_t state) {
  return (state & 0xF) | ((state >> 4) & 0xF0);
}

}  // namespace quillon::jp2
