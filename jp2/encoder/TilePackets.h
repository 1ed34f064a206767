// The packet structure of one tile: per tile-component and resolution level its precincts,
// per subband its code-blocks (where the block coder's results are kept), and the writing of
// all packets in progression order.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/ProgressionWalk.h"
#include "common/Status.h"
#include "common/WorkArena.h"
#include "encoder/CompressState.h"
#include "encoder/PacketHeader.h"
#include "encoder/RateAllocation.h"

namespace quillon::jp2 {

class PacketSink {
 public:
  virtual ~PacketSink() = default;
  virtual Status WriteBytes(const std::uint8_t* bytes, std::uint32_t count) = 0;
};

struct TilePacketPlan {
  Rect tile;                                     // on the reference grid
  const WalkComponent* components = nullptr;     // componentCount entries
  const TileComponentCoding* codings = nullptr;  // componentCount entries, for block sizes
  int componentCount = 0;
  int layers = 1;
  int progression = 0;
  PacketMarkers markers;
};

class TilePackets {
 public:
  // Call once on a sizing arena and once on the carving arena; the plan's arrays must stay
  // valid while the packets are in use.
  void Plan(const TilePacketPlan& plan, WorkArena& arena);

  // The record of code-block (bx, by) of a band, counted from the band's first code-block.
  CodedBlock* BlockAt(int component, int resolution, BandOrientation band, std::uint32_t bx,
                      std::uint32_t by);

  // The record of the code-block the transform stage hands over with this band area.
  CodedBlock* BlockOf(int component, int resolution, BandOrientation band, const Rect& area);

  RateTile Rate();
  std::uint64_t PrecinctCount() const { return precinctCount_; }

  // Writes every packet in progression order: SOP, header, EPH, then the blocks' bytes of the
  // packet's layer. The header buffer comes from memory (-1 when it cannot be allocated).
  Status Emit(PacketSink& sink, const MemoryCallbacks& memory);

 private:
  struct BandBlocks {
    BandBlockGrid grid;
    CodedBlock* blocks = nullptr;
  };
  struct Level {
    ResolutionPrecincts precincts;
    int bandCount = 0;
    BandBlocks bands[3];
    Precinct* precinctArray = nullptr;
  };
  class Emitter;

  Level PlanLevel(int component, int resolution, WorkArena& arena) const;
  void PlanPrecinct(const Level& level, int resolution, std::uint64_t index, Precinct* precinct,
                    WorkArena& arena) const;
  Level& LevelOf(int component, int resolution) {
    return levels_[levelStart_[component] + resolution];
  }

  TilePacketPlan plan_;
  std::uint32_t* levelStart_ = nullptr;  // per component, into levels_
  Level* levels_ = nullptr;              // levels + 1 per component
  Precinct* precincts_ = nullptr;
  std::uint64_t precinctCount_ = 0;
};

}  // namespace quillon::jp2
