// The packet structure of one tile as the decoder walks it: per tile-component its resolution
// levels, their precincts and subbands, per subband-precinct the tag trees, and per code-block
// what the packet headers said about it. Built when the tile is walked, in one allocation
// sized from the tile's real bounds and capped against the input's length.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/ProgressionWalk.h"
#include "common/Status.h"
#include "common/SubbandGeometry.h"
#include "common/TagTree.h"
#include "common/WorkArena.h"
#include "decoder/CodecArray.h"
#include "decoder/CodestreamHeader.h"

namespace quillon::jp2 {

inline constexpr std::uint32_t kNoPiece = 0xFFFFFFFFu;

// One codeword segment length of one layer's contribution, where its bytes lie in the input.
struct SegmentPiece {
  std::uint64_t position = 0;
  std::uint32_t length = 0;
  std::uint32_t passes = 0;
  std::uint32_t next = kNoPiece;  // the block's next piece in the pool
};

struct CodeBlockRecord {
  std::int32_t passes = 0;   // received; -1 once its bytes could not all be read
  std::uint32_t length = 0;  // body bytes received
  std::uint32_t firstPiece = kNoPiece, lastPiece = kNoPiece;
  std::uint8_t lblock = 3;
  std::uint8_t zeroBitPlanes = 0;
  bool included = false;
  bool beyondInput = false;  // a piece runs past its tile-part or the input
};

// The code-blocks of one subband that one precinct covers, with its tag trees.
struct BandPrecinct {
  BlockRange range;
  TagTree inclusion;
  TagTree zeroPlanes;
};

struct PrecinctRecord {
  std::uint32_t nextLayer = 0;  // layers before it have been read
  BandPrecinct bands[3];
};

struct BandRecord {
  BandBlockGrid grid;
  BandOrientation orientation = kBandLL;
  int level = 0;  // decomposition level: levels for LL, 1 for the finest detail bands
  CodeBlockRecord* blocks = nullptr;  // raster order over the grid

  CodeBlockRecord& Block(std::uint32_t x, std::uint32_t y) const {
    return blocks[std::uint64_t{y} * grid.across + x];
  }
};

struct ResolutionRecord {
  ResolutionPrecincts precincts;
  int bandCount = 0;
  BandRecord bands[3];
  PrecinctRecord* precinctArray = nullptr;
};

struct TileComponentRecord {
  TileComponentParams params;
  ResolutionRecord* resolutions = nullptr;  // levels + 1
};

// kGeometry: the tile, tile-component, resolution and band bounds and precinct grids only,
// for a tile without packets; no precinct, code-block or tag tree records.
enum class RecordDetail { kGeometry, kCodeBlocks };

class TileRecords {
 public:
  // Builds the records of tile; -1 when they would take more than budget bytes or memory runs
  // out. Releases what an earlier Build made.
  Status Build(const MemoryCallbacks& memory, const CodestreamParams& params, std::uint32_t tile,
               std::uint64_t budget, RecordDetail detail);
  Status Release(const MemoryCallbacks& memory);

  const WalkTile& Walk() const { return walk_; }
  TileComponentRecord& Component(int c) { return components_[c]; }
  ResolutionRecord& Resolution(int c, int r) { return components_[c].resolutions[r]; }
  PrecinctRecord& Precinct(int c, int r, std::uint64_t p) {
    return components_[c].resolutions[r].precinctArray[p];
  }
  std::uint32_t TileIndex() const { return tile_; }
  bool HasCodeBlocks() const { return detail_ == RecordDetail::kCodeBlocks; }

  // The code-blocks' contributions, in the order the headers gave them.
  CodecArray<SegmentPiece>& Pieces() { return pieces_; }

 private:
  void Carve(const CodestreamParams& params, std::uint64_t budget, RecordDetail detail,
             WorkArena& arena);

  OwnedBlock block_;
  std::uint32_t tile_ = 0;
  RecordDetail detail_ = RecordDetail::kCodeBlocks;
  WalkTile walk_;
  WalkComponent* walkComponents_ = nullptr;
  TileComponentRecord* components_ = nullptr;
  CodecArray<SegmentPiece> pieces_;
};

}  // namespace quillon::jp2
