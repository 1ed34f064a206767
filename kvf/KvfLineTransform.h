// The line-based wavelet transform. Rows of the coded area arrive (forward) or their
// coefficients are decoded (inverse) stripe by stripe into a ring of rows; each level keeps
// a count of the lifting steps done and one carry line, so that the vertical lifting runs on
// across stripe borders and the result equals the transform of the whole padded picture.
// Level l works on the rows and columns that are multiples of 2^(l-1); each level first lifts
// rows horizontally, then columns vertically (the inverse in the opposite order).
#pragma once

#include <cstdint>

#include "kvf/KvfTrees.h"

namespace kvf {

// The coefficient store: per component `rows` rows of `width` samples; picture row y lives in
// ring row y mod rows.
template <typename Sample>
struct KvfRowRing {
  Sample* base = nullptr;
  std::size_t width = 0;
  std::uint32_t rows = 0;
  std::uint32_t components = 0;

  Sample* Row(std::uint32_t component, std::uint32_t y) const {
    return base + (std::size_t{component} * rows + y % rows) * width;
  }
};

// What survives between calls; it lives in the caller's work buffer.
struct KvfLineTransformState {
  std::uint32_t levels = 0;
  std::uint32_t skippedLevels = 0;  // inverse: finest levels left out for a scaled output
  std::uint32_t codedHeight = 0;
  std::uint32_t rowsIn = 0;  // forward: rows received; inverse: coefficient rows decoded
  std::uint32_t steps[kKvfMaxCoderLevels + 1] = {};  // per level: lifting pairs completed
};

template <typename Sample>
class KvfForwardLines {
 public:
  // `carry` holds levels x components rows of ring.width samples.
  KvfForwardLines(const KvfRowRing<Sample>& ring, Sample* carry, KvfLineTransformState& state)
      : ring_(ring), carry_(carry), state_(state) {}

  // Takes the next row, already in the ring, and lifts as far as the rows received allow.
  void AddRow();
  // Rows from the top whose coefficients are final.
  std::uint32_t FinalRows() const;

 private:
  void Advance();
  Sample* Carry(std::uint32_t level, std::uint32_t component) const;

  KvfRowRing<Sample> ring_;
  Sample* carry_;
  KvfLineTransformState& state_;
};

template <typename Sample>
class KvfInverseLines {
 public:
  KvfInverseLines(const KvfRowRing<Sample>& ring, Sample* carry, KvfLineTransformState& state)
      : ring_(ring), carry_(carry), state_(state) {}

  // Coefficient rows up to `rowsDecoded` are in the ring: undoes the transform as far as
  // they allow.
  void RowsDecoded(std::uint32_t rowsDecoded);
  // Output rows (at the scale 2^skippedLevels) that are final from the top.
  std::uint32_t FinalOutputRows() const { return FinalPositions(state_.skippedLevels + 1); }

 private:
  std::uint32_t FinalPositions(std::uint32_t level) const;
  Sample* Carry(std::uint32_t level, std::uint32_t component) const;

  KvfRowRing<Sample> ring_;
  Sample* carry_;
  KvfLineTransformState& state_;
};

}  // namespace kvf
