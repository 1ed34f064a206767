// The inverse wavelet of one tile-component, produced one row at a time. A row of resolution
// r asks resolution r - 1 for the lowpass rows and the coefficient source for the highpass
// rows it needs; every resolution keeps only the rows of its vertical lifting window, so the
// working memory follows the tile-component's width, never its height. The result equals the
// whole tile-component synthesis of T.800 Annex F (horizontal then vertical lifting per level,
// symmetric extension at every edge, lowpass samples at even absolute coordinates) and is the
// exact inverse of the encoder's WaveletCascade.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/CoefficientSource.h"

namespace quillon::jp2 {

// The area of resolution r (0: the LL band) of a tile-component with the given levels.
Bounds ResolutionBounds(const Bounds& tileComponent, int levels, int resolution);

// Sample is std::int32_t (reversible 5/3) or float (irreversible 9/7).
template <typename Sample>
class InverseWavelet {
 public:
  static constexpr int kMaxLevels = kDecoderResolutionSlots - 1;

  // Produces resolution keptResolution (levels for the full size; fewer when reducing: the
  // levels above it are never synthesised and their bands never asked for). The source must
  // outlive the transform. -1 when memory runs out, -100 for levels or a kept resolution out
  // of range.
  Status Init(const MemoryCallbacks& memory, const Bounds& tileComponent, int levels,
              int keptResolution, CoefficientSource<Sample>* source);
  // Releases the working memory; the release callback's error is returned.
  Status Release();

  // The area of the rows produced, in coordinates of the kept resolution.
  const Bounds& Output() const { return resolution_[kept_].area; }

  // The next row from the top, Output().Width() samples, valid until the next call or Release.
  // -100 once every row has been produced; the source's error is passed on.
  Status NextRow(const Sample** row);

 private:
  struct Resolution {
    Bounds area;
    std::uint32_t next = 0;     // the next row to produce (resolution 0) or take in
    std::int64_t finalEnd = 0;  // rows below this one are finished
    Sample* ring = nullptr;     // the lifting window: kRingRows rows of area.Width()
    Sample* low = nullptr;      // the row's lowpass half, then its highpass half
    Sample* high = nullptr;
    std::uint32_t lowCount = 0;
    std::uint32_t highCount = 0;
  };

  Sample* RingRow(const Resolution& level, std::int64_t row) const;
  Status RowOf(int resolution, std::uint32_t row, const Sample** out);
  Status TakeInRow(int resolution);
  void SynthesiseRow(const Resolution& level, std::uint32_t row, Sample* out) const;
  void LiftVertically(const Resolution& level, std::int64_t arrived) const;

  MemoryCallbacks memory_;
  OwnedBlock block_;
  CoefficientSource<Sample>* source_ = nullptr;
  int levels_ = 0;
  int kept_ = 0;
  std::uint32_t produced_ = 0;
  Resolution resolution_[kMaxLevels + 1] = {};
};

extern template class InverseWavelet<std::int32_t>;
extern template class InverseWavelet<float>;

}  // namespace quillon::jp2
