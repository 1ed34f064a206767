#include "decoder/TileDataGather.h"

namespace quillon::jp2 {
namespace {

// Calls fn(block) for every code-block of the kept resolution levels.
template <typename Fn>
void ForEachKeptBlock(TileRecords& records, const int* keptResolution, Fn fn) {
  for (int c = 0; c < records.Walk().componentCount; ++c) {
    for (int r = 0; r <= keptResolution[c]; ++r) {
      ResolutionRecord& level = records.Resolution(c, r);
      for (int b = 0; b < level.bandCount; ++b) {
        const BandRecord& band = level.bands[b];
        const std::uint64_t count = std::uint64_t{band.grid.across} * band.grid.down;
        for (std::uint64_t i = 0; i < count; ++i) fn(band.blocks[i]);
      }
    }
  }
}

}  // namespace

Status GatherTileData(ByteReader& input, const MemoryCallbacks& memory, TileRecords& records,
                      const int* keptResolution, std::uint64_t inputLength, OwnedBlock* buffer) {
  std::uint64_t total = 0;
  ForEachKeptBlock(records, keptResolution, [&total](CodeBlockRecord& block) {
    if (block.beyondInput) block.passes = -1;
    if (block.passes > 0) total += block.length;
  });
  if (total == 0) return JP2_Success;
  // Bodies lie inside their tile-parts without overlapping, so more is a corrupt walk.
  if (total > inputLength) return JP2_Error_OutOfMemory;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, total, buffer));
  std::uint64_t next = 0;
  const CodecArray<SegmentPiece>& pieces = records.Pieces();
  ForEachKeptBlock(records, keptResolution, [&](CodeBlockRecord& block) {
    if (block.passes <= 0) return;
    block.dataOffset = next;
    for (std::uint32_t i = block.firstPiece; i != kNoPiece; i = pieces[i].next) {
      const SegmentPiece& piece = pieces[i];
      if (input.Read(piece.position, piece.length, buffer->data + next) != 0) {
        block.passes = -1;
      }
      next += piece.length;
    }
  });
  return JP2_Success;
}

}  // namespace quillon::jp2
