#include "encoder/TilePackets.h"

#include <algorithm>
#include <memory>
#include <new>

#include "encoder/CodeBlockAssembly.h"
#include "jp2.h"

namespace quillon::jp2 {

TilePackets::Level TilePackets::PlanLevel(int component, int resolution, WorkArena& arena) const {
  const WalkComponent& walk = plan_.components[component];
  Level level;
  level.precincts = PrecinctsOf(walk, resolution);
  int xcb = 0, ycb = 0;
  CodeBlockExponents(plan_.codings[component], resolution, &xcb, &ycb);
  const BandOrientation lowpassOnly[] = {kBandLL};
  const BandOrientation highpass[] = {kBandHL, kBandLH, kBandHH};
  const BandOrientation* orientations = resolution == 0 ? lowpassOnly : highpass;
  level.bandCount = resolution == 0 ? 1 : 3;
  const int decomposition = resolution == 0 ? walk.levels : walk.levels - resolution + 1;
  for (int b = 0; b < level.bandCount; ++b) {
    BandBlocks& band = level.bands[b];
    band.grid = BlockGridOf(BandRect(walk.tileComponent, decomposition, orientations[b]), xcb, ycb);
    const std::uint64_t blockCount = std::uint64_t{band.grid.across} * band.grid.down;
    band.blocks = arena.Take<CodedBlock>(blockCount);
    if (band.blocks != nullptr) std::uninitialized_default_construct_n(band.blocks, blockCount);
  }
  return level;
}

void TilePackets::PlanPrecinct(const Level& level, int resolution, std::uint64_t index,
                               Precinct* precinct, WorkArena& arena) const {
  const ResolutionPrecincts& grid = level.precincts;
  const std::uint64_t column = (grid.area.x0 >> grid.ppx) + index % grid.across;
  const std::uint64_t row = (grid.area.y0 >> grid.ppy) + index / grid.across;
  for (int b = 0; b < level.bandCount; ++b) {
    const BandBlocks& band = level.bands[b];
    const BlockRange range = PrecinctBlocks(band.grid, resolution, grid.ppx, grid.ppy, column, row);
    const std::uint32_t width = range.Width(), height = range.Height();
    CodedBlock** blocks = arena.Take<CodedBlock*>(std::uint64_t{width} * height);
    const std::uint64_t nodes = TagTree::NodeCount(width, height);
    TagTreeNode* inclusion = arena.Take<TagTreeNode>(nodes);
    TagTreeNode* zeroPlanes = arena.Take<TagTreeNode>(nodes);
    if (precinct == nullptr) continue;
    PrecinctBand& out = precinct->bands[b];
    out.blocks = blocks;
    out.width = width;
    out.height = height;
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        blocks[y * width + x] =
            &band.blocks[std::uint64_t{range.y0 + y} * band.grid.across + range.x0 + x];
      }
    }
    out.inclusion.Build(inclusion, width, height);
    out.zeroPlanes.Build(zeroPlanes, width, height);
  }
  if (precinct != nullptr) precinct->bandCount = level.bandCount;
}

void TilePackets::Plan(const TilePacketPlan& plan, WorkArena& arena) {
  plan_ = plan;
  std::uint64_t levelCount = 0, precinctCount = 0;
  for (int c = 0; c < plan.componentCount; ++c) {
    levelCount += plan.components[c].levels + 1;
    for (int r = 0; r <= plan.components[c].levels; ++r) {
      precinctCount += PrecinctsOf(plan.components[c], r).Count();
    }
  }
  levelStart_ = arena.Take<std::uint32_t>(plan.componentCount);
  levels_ = arena.Take<Level>(levelCount);
  precincts_ = arena.Take<Precinct>(precinctCount);
  precinctCount_ = precinctCount;
  if (precincts_ != nullptr) std::uninitialized_default_construct_n(precincts_, precinctCount);
  std::uint32_t nextLevel = 0;
  std::uint64_t nextPrecinct = 0;
  for (int c = 0; c < plan.componentCount; ++c) {
    if (levelStart_ != nullptr) levelStart_[c] = nextLevel;
    for (int r = 0; r <= plan.components[c].levels; ++r, ++nextLevel) {
      Level level = PlanLevel(c, r, arena);
      const std::uint64_t count = level.precincts.Count();
      level.precinctArray = precincts_ == nullptr ? nullptr : precincts_ + nextPrecinct;
      for (std::uint64_t i = 0; i < count; ++i) {
        PlanPrecinct(level, r, i,
                     level.precinctArray == nullptr ? nullptr : level.precinctArray + i, arena);
      }
      nextPrecinct += count;
      if (levels_ != nullptr) new (&levels_[nextLevel]) Level(level);
    }
  }
}

CodedBlock* TilePackets::BlockAt(int component, int resolution, BandOrientation band,
                                 std::uint32_t bx, std::uint32_t by) {
  const Level& level = LevelOf(component, resolution);
  const BandBlocks& blocks = level.bands[resolution == 0 ? 0 : band - 1];
  if (bx >= blocks.grid.across || by >= blocks.grid.down) return nullptr;
  return &blocks.blocks[std::uint64_t{by} * blocks.grid.across + bx];
}

CodedBlock* TilePackets::BlockOf(int component, int resolution, BandOrientation band,
                                 const Rect& area) {
  const BandBlocks& blocks = LevelOf(component, resolution).bands[resolution == 0 ? 0 : band - 1];
  return BlockAt(component, resolution, band, (area.x0 >> blocks.grid.xcb) - blocks.grid.firstX,
                 (area.y0 >> blocks.grid.ycb) - blocks.grid.firstY);
}

RateTile TilePackets::Rate() {
  RateTile rate;
  rate.precincts = precincts_;
  rate.precinctCount = precinctCount_;
  rate.layers = plan_.layers;
  rate.markers = plan_.markers;
  return rate;
}

class TilePackets::Emitter final : public PacketVisitor {
 public:
  Emitter(TilePackets& packets, PacketSink& sink, std::uint8_t* buffer, std::uint32_t capacity)
      : packets_(packets), sink_(sink), buffer_(buffer), capacity_(capacity) {}

  Status Visit(const PacketId& packet) override {
    Precinct& precinct =
        packets_.LevelOf(packet.component, packet.resolution).precinctArray[packet.precinct];
    PacketBitWriter writer(buffer_, capacity_);
    JP2_RETURN_IF_ERROR(WritePacketHeader(precinct, packet.layer, packets_.plan_.layers,
                                          packets_.plan_.markers, nsop_, writer));
    ++nsop_;  // wraps at 65536
    JP2_RETURN_IF_ERROR(sink_.WriteBytes(buffer_, writer.size()));
    for (int b = 0; b < precinct.bandCount; ++b) {
      const PrecinctBand& band = precinct.bands[b];
      for (std::uint32_t i = 0; i < band.width * band.height; ++i) {
        const CodedBlock& block = *band.blocks[i];
        const std::uint32_t from = block.LengthAfter(block.PassesBefore(packet.layer));
        const std::uint32_t to = block.LengthAfter(block.layerEnd[packet.layer]);
        if (to > from) JP2_RETURN_IF_ERROR(sink_.WriteBytes(block.codeword + from, to - from));
      }
    }
    return Status();
  }

 private:
  TilePackets& packets_;
  PacketSink& sink_;
  std::uint8_t* buffer_;
  std::uint32_t capacity_;
  std::uint16_t nsop_ = 0;
};

Status TilePackets::Emit(PacketSink& sink, const MemoryCallbacks& memory) {
  std::uint64_t capacity = 0;
  for (std::uint64_t p = 0; p < precinctCount_; ++p) {
    capacity = std::max(capacity, PacketHeaderCapacity(precincts_[p]));
  }
  if (capacity > UINT32_MAX) return JP2_Error_OutOfMemory;
  OwnedBlock buffer;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, capacity, &buffer));
  Emitter emitter(*this, sink, buffer.data, static_cast<std::uint32_t>(capacity));
  const WalkTile walk{plan_.tile, plan_.components, plan_.componentCount, plan_.layers,
                      plan_.progression};
  const Status status = WalkPackets(walk, emitter);
  const Status released = Release(memory, &buffer);
  return status.ok() ? released : status;
}

}  // namespace quillon::jp2
