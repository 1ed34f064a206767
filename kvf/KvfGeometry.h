// How a picture is laid out for coding: the coded area (a whole number of wavelet blocks)
// and its division into stripes of rows.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "kvf/KvfStatus.h"

namespace kvf {

inline constexpr std::uint32_t kKvfMinLevels = 1;
inline constexpr std::uint32_t kKvfMaxLevels = 15;
// The ST chunk's u16 length holds at most this many stripe sizes.
inline constexpr std::uint32_t kKvfMaxStripes = (0xFFFF - 4) / 4;

struct KvfGeometry {
  std::uint32_t codedWidth = 0;
  std::uint32_t codedHeight = 0;
  std::uint32_t stripeHeight = 0;
  std::uint32_t stripeCount = 0;
  bool baseline = false;  // striped coding; false: the whole picture is one embedded stripe
};

// Lays out a width x height picture for `levels` wavelet levels. Baseline coding falls back
// to embedded when the picture fits one stripe. Fails with invalidCoderParameters for 0
// levels, levelTooHigh above kKvfMaxLevels, invalidImageSize for an empty picture or one
// whose coded size or stripe count does not fit the header's fields.
[[nodiscard]] KvfStatus ComputeKvfGeometry(std::uint32_t width, std::uint32_t height,
                                           std::uint32_t levels, bool baselineWanted,
                                           KvfGeometry& geometry);

// Fills the samples of `line` beyond the first `realLength` with the last real one, as the
// coded area is padded beyond the picture's columns (rows are padded the same way).
template <typename Sample>
void PadByRepetition(std::span<Sample> line, std::size_t realLength) {
  if (realLength == 0 || realLength >= line.size()) return;
  std::fill(line.begin() + static_cast<std::ptrdiff_t>(realLength), line.end(),
            line[realLength - 1]);
}

// The picture row that supplies coded row `codedRow`: rows below the picture repeat its last.
inline std::uint32_t SourceRowOf(std::uint32_t codedRow, std::uint32_t height) {
  return std::min(codedRow, height - 1);
}

}  // namespace kvf
