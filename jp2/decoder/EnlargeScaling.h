// Enlarged output: each tile-component row becomes factor rows and each sample factor
// samples, interpolated linearly between neighbours (signed divisions truncating toward zero);
// the last row and the last column, which have no neighbour after them, are repeated.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "decoder/CodestreamHeader.h"
#include "decoder/OutputRowSink.h"

namespace quillon::jp2 {

class EnlargeScaler {
 public:
  // tileComponent and componentOrigin in component samples; factor from 2 to 32. -1 when
  // memory runs out; -8 when the enlarged rows or their coordinates exceed 32 bits.
  Status Init(const MemoryCallbacks& memory, const Bounds& tileComponent, std::uint32_t factor,
              bool isSigned, std::uint32_t componentOriginX, std::uint32_t componentOriginY);
  Status Release();

  // Rows of the tile-component from the top; each row but the first completes the factor
  // rows between it and the one before, and the last also the factor rows after it.
  Status TakeRow(const std::uint32_t* samples, OutputRowSink& sink);

 private:
  // Makes the rows from previous_ towards next (previous_ itself when next is null).
  Status EmitBetween(const std::uint32_t* next, std::uint32_t sourceRow, OutputRowSink& sink);

  MemoryCallbacks memory_;
  OwnedBlock buffers_;
  Bounds area_;
  std::uint32_t factor_ = 1;
  bool isSigned_ = false;
  std::uint32_t originX_ = 0;  // the component's origin on the enlarged grid
  std::uint32_t originY_ = 0;
  std::uint32_t next_ = 0;             // the next source row to arrive
  std::uint32_t* previous_ = nullptr;  // the source row before
  std::int64_t* vertical_ = nullptr;   // one row interpolated between two source rows
  std::uint32_t* row_ = nullptr;       // the enlarged row
};

}  // namespace quillon::jp2
