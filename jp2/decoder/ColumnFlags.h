// The block decoder's state: per column of a stripe of four rows, one word and the column's four
// samples (sign bit 31 and magnitude) right after it, so that one pointer reaches both. The word
// holds the significance of six rows (the row above the stripe, its four rows, the row below)
// in this column and in the columns to the west and east, so that a row's nine-coefficient
// neighbourhood is one shift of the word, and a whole column is tested with one mask; and it
// holds its four rows' own visit, refinement and significance flags. A new significant
// coefficient sets one bit in each of the three words of its stripe, and in the three words of
// the stripe above or below when it lies on the stripe's edge.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "common/BlockContexts.h"
#include "common/StripeLayout.h"

namespace quillon::jp2 {

// The word and four samples of a column.
inline constexpr std::uint32_t kColumnEntries = 5;

// The columns of a width x height block with a guard column on each side and a guard stripe
// above and below: one per four samples of the stripe layout.
constexpr std::uint64_t ColumnCount(std::uint32_t width, std::uint32_t height) {
  return StripeLayoutEntries(width, height) / 4;
}

// The most columns any block within the size limits needs.
constexpr std::uint64_t LargestColumnCount() {
  return LargestStripeLayout() / 4;
}

// The distance from a column to the same column in the next stripe, in entries.
constexpr std::size_t StripeStride(std::uint32_t width) {
  return (std::size_t{width} + 2) * kColumnEntries;
}

// The first column of stripe s, past the guard stripe above and the guard column on the left.
inline std::uint32_t* FirstColumn(std::uint32_t* columns, std::uint32_t width, std::uint32_t s) {
  return columns + (s + 1) * StripeStride(width) + kColumnEntries;
}

// Calls code(column, rows) for every column of every stripe of a width x height block, column
// pointing at its word: rows is FullStripe except in a last short stripe, where it is the
// std::uint32_t count of its rows.
template <typename ColumnFn>
inline void ForEachColumn(std::uint32_t* columns, std::uint32_t width, std::uint32_t height,
                          ColumnFn&& code) {
  const std::uint32_t stripes = (height + 3) / 4;
  for (std::uint32_t s = 0; s < stripes; ++s) {
    const std::uint32_t rows = std::min<std::uint32_t>(4, height - 4 * s);
    std::uint32_t* column = FirstColumn(columns, width, s);
    std::uint32_t* const end = column + std::size_t{width} * kColumnEntries;
    if (rows == 4) {
      for (; column != end; column += kColumnEntries) code(column, FullStripe{});
    } else {
      for (; column != end; column += kColumnEntries) code(column, rows);
    }
  }
}

// Bits 0 to 17: for position p (0 the row above the stripe, 1 to 4 its rows, 5 the row below),
// bit 3p the west column's coefficient, 3p + 1 this column's, 3p + 2 the east column's.
inline constexpr std::uint32_t kColumnGrid = 0x3FFFF;
// Bits 18 to 29: four-row groups of flags, row r in bit r of the group.
inline constexpr std::uint32_t kVisitedShift = 18, kRefinedShift = 22, kSignificantShift = 26;
inline constexpr std::uint32_t kVisitedRows = 0xFu << kVisitedShift;

// The centre of a neighbourhood: the coefficient itself.
inline constexpr std::uint32_t kNeighbourhoodSelf = 1u << 4;

// Row's neighbourhood: bits 0 to 2 the row above (west, own column, east), 3 to 5 its own row,
// 6 to 8 the row below.
constexpr std::uint32_t Neighbourhood(std::uint32_t word, std::uint32_t row) {
  return (word >> (3 * row)) & 0x1FF;
}

// A group of flags of the four rows as bits 0 to 3.
constexpr std::uint32_t RowFlags(std::uint32_t word, std::uint32_t shift) {
  return (word >> shift) & 0xF;
}

// Marks row (0 to 3) significant in its column's word, which the caller holds in own, and tells
// the neighbouring words; columns are stride entries apart from one stripe to the next. With
// vertically causal contexts the stripe above is not told.
inline void MarkSignificant(std::uint32_t& own, std::uint32_t* column, std::uint32_t row,
                            std::size_t stride, bool causal) {
  constexpr std::ptrdiff_t kWest = -std::ptrdiff_t{kColumnEntries}, kEast = kColumnEntries;
  const std::uint32_t centre = 3 * row + 4;
  own |= (1u << centre) | (1u << (kSignificantShift + row));
  column[kWest] |= 1u << (centre + 1);
  column[kEast] |= 1u << (centre - 1);
  if (row == 0 && !causal) {
    std::uint32_t* above = column - stride;
    above[kWest] |= 1u << 17;
    above[0] |= 1u << 16;
    above[kEast] |= 1u << 15;
  } else if (row == 3) {
    std::uint32_t* below = column + stride;
    below[kWest] |= 1u << 2;
    below[0] |= 1u << 1;
    below[kEast] |= 1u << 0;
  }
}

// Row's index of kNeighbourSignContexts: the significance of its north, west, east and south
// neighbours in bits 1, 3, 5 and 7, where its neighbourhood has them, and the sign bits (bit
// 31) of their samples in bits 0, 2, 4 and 6.
constexpr std::uint32_t SignNeighbours(std::uint32_t around, std::uint32_t north,
                                       std::uint32_t south, std::uint32_t west,
                                       std::uint32_t east) {
  const std::uint32_t significant = around & 0xAA;
  const std::uint32_t negative =
      (north >> 31) | ((west >> 29) & 4) | ((east >> 27) & 16) | ((south >> 25) & 64);
  return significant | (negative & (significant >> 1));
}

namespace column_flags_detail {

struct ZeroTables {
  std::uint8_t zero[3][512];
};

// The sign table (SignIndex) rearranged by SignNeighbours.
constexpr std::array<std::uint8_t, 256> BuildSignTable() {
  std::array<std::uint8_t, 256> table{};
  for (std::uint32_t neighbours = 0; neighbours < 256; ++neighbours) {
    // North, south, west, east, as SignIndex has them.
    constexpr std::uint32_t kBitOf[4] = {1, 7, 3, 5};
    std::uint32_t index = 0;
    for (std::uint32_t n = 0; n < 4; ++n) {
      const std::uint32_t significant = neighbours >> kBitOf[n] & 1;
      const std::uint32_t negative = neighbours >> (kBitOf[n] - 1) & 1;
      index |= significant << n | (significant & negative) << (n + 4);
    }
    table[neighbours] = kContextTables.sign[index];
  }
  return table;
}

// The zero-coding contexts by neighbourhood, from the tables by neighbour flags.
constexpr ZeroTables BuildZeroTables() {
  ZeroTables tables{};
  constexpr std::uint16_t kFlagOfBit[9] = {kNorthWest, kNorth,     kNorthEast, kWest,     0,
                                           kEast,      kSouthWest, kSouth,     kSouthEast};
  for (std::uint32_t around = 0; around < 512; ++around) {
    std::uint32_t flags = 0;
    for (int bit = 0; bit < 9; ++bit) {
      if ((around >> bit & 1) != 0) flags |= kFlagOfBit[bit];
    }
    for (int kind = 0; kind < 3; ++kind)
      tables.zero[kind][around] = kContextTables.zero[kind][flags];
  }
  return tables;
}

}  // namespace column_flags_detail

// Zero-coding context per band kind, indexed by Neighbourhood (the centre bit ignored).
inline constexpr column_flags_detail::ZeroTables kNeighbourhoodZeroContexts =
    column_flags_detail::BuildZeroTables();

// (context << 1) | the bit the sign is XORed with, indexed by SignNeighbours.
inline constexpr std::array<std::uint8_t, 256> kNeighbourSignContexts =
    column_flags_detail::BuildSignTable();

}  // namespace quillon::jp2
