// The coefficient source of one tile-component over the tier-1 decoder: a band's code-blocks
// are decoded a code-block row at a time into a strip as wide as the band, when the inverse
// wavelet first asks for one of its rows, so coefficient memory is one strip per band. The
// blocks of a row are read from the input on the calling thread and decoded on the worker
// pool's threads, each writing its own columns of the strip. With workers, each band's next
// row is decoded into a second strip of the band, from bytes of its own, while the calling
// thread goes on with the wavelet, as long as the pool has room for the batch. A block without
// coding passes is only marked in its strip, not written: lossy files have mostly such blocks,
// and their zeros are written once, where the wavelet reads them.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/WorkerPool.h"
#include "decoder/BlockDecoder.h"
#include "decoder/CodeBlockBytes.h"
#include "decoder/CodeBlockSegments.h"
#include "decoder/CoefficientSource.h"
#include "decoder/PacketRecords.h"

namespace quillon::jp2 {

// What one thread decodes with: its own block decoder and codeword segment list.
struct DecodingHand {
  BlockDecoder decoder;
  CodewordSegment segments[kMaxCodewordSegments];

  Status Init(const MemoryCallbacks& memory) { return decoder.Init(memory); }
  Status Release() { return decoder.Release(); }
};

template <typename Sample>
class CodeBlockRows final : public CoefficientSource<Sample> {
 public:
  // Strips for the bands of resolutions 0 to keptResolution of tile-component c; bytes reads
  // each row's code-block data before it is decoded, hands has one entry per thread of
  // workers. -1 when memory runs out.
  Status Init(const MemoryCallbacks& memory, TileRecords& records, int c, int keptResolution,
              const ComponentInfo& component, CodeBlockBytes* bytes, WorkerPool* workers,
              PerThread<DecodingHand>* hands);
  Status Release();

  // With workers: begins the first code-block row of every band, while the pool has room, so
  // that it decodes while the calling thread still works on the tile before; the workers
  // take these rows after those the tile before still needs.
  Status Prime();

  Status FillRows(int level, BandOrientation band, std::uint32_t firstRow, std::uint32_t endRow,
                  Sample* rows, std::size_t stride) override;

 private:
  // The coefficients of one code-block row, band-wide, and per block of the row whether it
  // has no coding passes; such a block's columns of samples are left unwritten.
  struct StripRows {
    Sample* samples = nullptr;
    std::uint8_t* zeroBlocks = nullptr;
  };

  // The blocks of one code-block row, their bytes and where they go; lives while the
  // workers decode them.
  struct RowTask {
    CodeBlockRows* rows = nullptr;
    const BandRecord* band = nullptr;
    StripRows out;
    const CodeBlockBytes* bytes = nullptr;
    std::uint64_t* offsets = nullptr;  // per block of the row, into bytes
    std::uint32_t blockRow = 0, top = 0, bottom = 0;
    Status operator()(std::uint32_t bx, int thread) const;
  };

  struct Strip {
    StripRows held;
    std::uint32_t top = 0;       // band row of the strip's first row
    std::int64_t blockRow = -1;  // the code-block row it holds
    // With workers: the next row, decoding or decoded, with its own bytes.
    StripRows ahead;
    std::int64_t aheadRow = -1;
    CodeBlockBytes aheadBytes;
    RowTask aheadTask;
    BatchTicket aheadBatch;
  };

  Status DecodeStrip(const BandRecord& band, Strip& strip, std::uint32_t blockRow);
  // Begins the given row of the band into the strip's second buffer, when there is one and
  // the pool has room.
  Status BeginAhead(const BandRecord& band, Strip& strip, std::uint32_t blockRow, bool deferred);
  // Reads the row's bytes into task's buffer and hands its blocks to the workers, after all
  // other rows when deferred.
  Status BeginRow(const BandRecord& band, const StripRows& out, std::uint32_t blockRow,
                  RowTask& task, CodeBlockBytes& bytes, BatchTicket* batch, bool deferred);
  // The decoder's input for a block whose bytes start at offset in data.
  void InputOf(const BandRecord& band, const CodeBlockRecord& block, const std::uint8_t* data,
               CodewordSegment* segments, CodeBlockInput* in) const;

  MemoryCallbacks memory_;
  OwnedBlock block_;
  OwnedBlock aheadBlock_;
  TileRecords* records_ = nullptr;
  int component_ = 0;
  int levels_ = 0;
  int keptResolution_ = 0;
  ComponentInfo info_;
  CodeBlockBytes* bytes_ = nullptr;
  WorkerPool* workers_ = nullptr;
  PerThread<DecodingHand>* hands_ = nullptr;
  Strip strips_[kDecoderBandSlots];
  RowTask task_;  // the row decoded while the calling thread waits, in *bytes_
};

extern template class CodeBlockRows<std::int32_t>;
extern template class CodeBlockRows<float>;

}  // namespace quillon::jp2
