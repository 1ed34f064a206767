// The forward wavelet of one tile-component, fed one row at a time. Every decomposition level
// keeps a short window of rows in which the vertical lifting steps run as soon as their
// neighbours exist, so a stripe of rows leaves the window transformed through all levels
// while the rows it still shares with the next stripe stay behind. The result equals the
// whole tile-component transform of T.800 Annex F: vertical then horizontal lifting per level,
// symmetric extension at every edge, lowpass samples at even absolute coordinates.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "common/WorkArena.h"
#include "encoder/TileGeometry.h"

namespace quillon::jp2 {

// Receives the subband rows of a tile-component in the order they are finished.
template <typename Sample>
class BandRowSink {
 public:
  virtual ~BandRowSink() = default;
  // level is the decomposition level of the band (NL for LL, 0 when there is no transform);
  // row counts in band coordinates; count is the band width (never 0).
  virtual Status TakeBandRow(int level, BandOrientation band, std::uint32_t row,
                             const Sample* samples, std::uint32_t count) = 0;
};

// Sample is std::int32_t (reversible 5/3) or float (irreversible 9/7).
template <typename Sample>
class WaveletCascade {
 public:
  static constexpr int kMaxLevels = 16;

  // Takes the windows from arena; call once on a sizing arena and once on the carving arena.
  void Plan(const Rect& tileComponent, int levels, WorkArena& arena);

  // Rows of the tile-component from its top row down, each of its full width.
  Status PushRow(const Sample* row, BandRowSink<Sample>& sink);

 private:
  struct Level {
    Rect input;          // the lowpass rectangle this level splits
    std::uint32_t next;  // the next input row to arrive
    Sample* ring;        // kRingRows rows of input.Width() samples
    Sample* low;         // the horizontal lowpass half of that row
    Sample* high;        // and its highpass half
  };

  Sample* RingRow(const Level& level, std::int64_t row) const;
  Status PushLevelRow(int index, const Sample* row, BandRowSink<Sample>& sink);
  Status Trigger(int index, std::int64_t arrived, BandRowSink<Sample>& sink);
  Status Emit(int index, std::uint32_t row, bool singleRow, BandRowSink<Sample>& sink);

  int levels_ = 0;
  std::uint32_t rowsWithoutTransform_ = 0;  // rows passed on while levels_ is 0
  Rect tileComponent_;
  Level level_[kMaxLevels] = {};
};

extern template class WaveletCascade<std::int32_t>;
extern template class WaveletCascade<float>;

}  // namespace quillon::jp2
