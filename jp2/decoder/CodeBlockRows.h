// The coefficient source of one tile-component over the tier-1 decoder: a band's code-blocks
// are decoded a code-block row at a time into a strip as wide as the band, when the inverse
// wavelet first asks for one of its rows, so coefficient memory is one strip per band.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "decoder/BlockDecoder.h"
#include "decoder/CodeBlockBytes.h"
#include "decoder/CodeBlockSegments.h"
#include "decoder/CoefficientSource.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

template <typename Sample>
class CodeBlockRows final : public CoefficientSource<Sample> {
 public:
  // Strips for the bands of resolutions 0 to keptResolution of tile-component c; bytes reads
  // each code-block's data as it is decoded. -1 when memory runs out.
  Status Init(const MemoryCallbacks& memory, TileRecords& records, int c, int keptResolution,
              const ComponentInfo& component, CodeBlockBytes* bytes, BlockDecoder* decoder);
  Status Release();

  Status FillRows(int level, BandOrientation band, std::uint32_t firstRow, std::uint32_t endRow,
                  Sample* rows, std::size_t stride) override;

 private:
  struct Strip {
    Sample* samples = nullptr;
    std::uint32_t top = 0;        // band row of the strip's first row
    std::int64_t blockRow = -1;   // the code-block row it holds
  };

  Status DecodeStrip(const BandRecord& band, Strip& strip, std::uint32_t blockRow);
  Status InputOf(const BandRecord& band, CodeBlockRecord& block, CodeBlockInput* in);

  MemoryCallbacks memory_;
  OwnedBlock block_;
  TileRecords* records_ = nullptr;
  int component_ = 0;
  int levels_ = 0;
  ComponentInfo info_;
  CodeBlockBytes* bytes_ = nullptr;
  BlockDecoder* decoder_ = nullptr;
  Strip strips_[kDecoderBandSlots];
  CodewordSegment segments_[kMaxCodewordSegments];
};

extern template class CodeBlockRows<std::int32_t>;
extern template class CodeBlockRows<float>;

}  // namespace quillon::jp2
