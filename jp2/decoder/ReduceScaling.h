// Reduced output: the inverse wavelet stops at the resolution nearest the reduce factor, and
// what remains of the factor is made up by averaging blocks of that resolution's samples (or,
// for palette indices, taking the block's first sample, since indices cannot be averaged).
//
// Blocks lie on the grid of the reduced component: output sample u covers the samples of the
// kept resolution at u x m .. u x m + m - 1 in each direction (m = factor / achieved factor),
// cut to the tile-component. A block whose first row or column belongs to the tile before
// is that tile's output sample, so its samples in this tile are not delivered again.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/OutputRowSink.h"

namespace quillon::jp2 {

struct ReducePlan {
  int keptResolution = 0;   // what the inverse wavelet produces
  std::uint32_t block = 1;  // m: kept samples per output sample in each direction
};

// factor is a power of two from 1 on. Without levels, or for a palette image (whose indices
// must stay whole), no level is dropped and the whole factor is made up by blocks.
ReducePlan PlanReduce(int levels, std::uint32_t factor, bool palette);

class ReduceScaler {
 public:
  // kept: the area of the kept resolution (InverseWavelet::Output); componentOrigin: the
  // component's first sample in component samples. -1 when memory runs out.
  Status Init(const MemoryCallbacks& memory, const Bounds& kept, std::uint32_t block,
              bool pickFirst, bool isSigned, std::uint32_t componentOriginX,
              std::uint32_t componentOriginY, std::uint32_t factor);
  Status Release();

  // Rows of the kept area from the top; the sink gets each output row when its last source
  // row has arrived.
  Status TakeRow(const std::uint32_t* samples, OutputRowSink& sink);

 private:
  void Accumulate(const std::uint32_t* samples);
  Status Emit(OutputRowSink& sink);

  MemoryCallbacks memory_;
  OwnedBlock buffers_;
  Bounds kept_;
  std::uint32_t block_ = 1;
  bool pickFirst_ = false;
  bool isSigned_ = false;
  Bounds output_;              // on the reduced grid
  std::uint32_t originX_ = 0;  // the component's origin on the reduced grid
  std::uint32_t originY_ = 0;
  std::uint32_t next_ = 0;        // the next kept row to arrive
  std::uint32_t groupRows_ = 0;   // rows accumulated for the current output row
  std::int64_t* sums_ = nullptr;  // per output sample: the sum of row means
  std::uint32_t* row_ = nullptr;  // the output row
};

}  // namespace quillon::jp2
