// The layout the block coder and the block decoder keep a block in: stripes of four rows
// stored column by column, with a guard column on each side and a guard stripe above and
// below, so that neighbours need no bounds checks; samples (sign bit 31 and magnitude) and,
// for the coder, one state per sample (the decoder keeps one word per column, with the
// column's samples, instead), sized once for the largest block.
#pragma once

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "common/BlockContexts.h"
#include "common/CodecMemory.h"

namespace quillon::jp2 {

// States in the padded layout of a width x height block.
constexpr std::uint64_t StripeLayoutEntries(std::uint32_t width, std::uint32_t height) {
  return (std::uint64_t{(height + 3) / 4} + 2) * (std::uint64_t{width} + 2) * 4;
}

// The most any block within the size limits needs.
constexpr std::uint64_t LargestStripeLayout() {
  std::uint64_t largest = 0;
  for (std::uint32_t width = 1; width <= kMaxCodeBlockSide; ++width) {
    const std::uint32_t height = std::min(kMaxCodeBlockSide, kMaxCodeBlockArea / width);
    largest = std::max(largest, StripeLayoutEntries(width, height));
  }
  return largest;
}

// Allocates the state and sample arrays of the largest block in one block of memory.
template <typename State>
Status AllocateStripeArrays(const MemoryCallbacks& memory, OwnedBlock* block, State** states,
                            std::uint32_t** samples) {
  BlockLayout layout;
  const std::uint64_t entries = LargestStripeLayout();
  const std::uint64_t sampleOffset = layout.Add(entries, sizeof(std::uint32_t));
  const std::uint64_t stateOffset = layout.Add(entries, sizeof(State));
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, block));
  *samples = reinterpret_cast<std::uint32_t*>(block->data + sampleOffset);
  *states = reinterpret_cast<State*>(block->data + stateOffset);
  return Status();
}

// The row count of a full stripe as a type, so that a column function called with it is
// compiled for exactly four rows.
using FullStripe = std::integral_constant<std::uint32_t, 4>;

// Calls code(column states, column samples, rows) for every column of every stripe of a
// width x height block, one state per sample: rows is FullStripe except in a last short stripe,
// where it is the std::uint32_t count of its rows.
template <typename State, typename Sample, typename ColumnFn>
inline void ForEachStripeColumn(State* states, Sample* samples, std::uint32_t width,
                                std::uint32_t height, ColumnFn&& code) {
  const std::uint64_t columns = std::uint64_t{width} + 2;
  const std::uint32_t stripes = (height + 3) / 4;
  for (std::uint32_t s = 0; s < stripes; ++s) {
    const std::uint32_t rows = std::min<std::uint32_t>(4, height - 4 * s);
    State* column = states + ((s + 1) * columns + 1) * 4;
    Sample* values = samples + ((s + 1) * columns + 1) * 4;
    if (rows == 4) {
      for (std::uint32_t x = 0; x < width; ++x, column += 4, values += 4) {
        code(column, values, FullStripe{});
      }
    } else {
      for (std::uint32_t x = 0; x < width; ++x, column += 4, values += 4) {
        code(column, values, rows);
      }
    }
  }
}

// Calls visit(row) for each row of a column in order, written out four times for a full
// stripe so that each call knows its row and the row count needs no register.
template <typename Rows, typename RowFn>
inline void ForEachRow(Rows rows, RowFn&& visit) {
  if constexpr (std::is_same_v<Rows, FullStripe>) {
    visit(0u);
    visit(1u);
    visit(2u);
    visit(3u);
  } else {
    for (std::uint32_t row = 0; row < rows; ++row) visit(row);
  }
}

}  // namespace quillon::jp2
