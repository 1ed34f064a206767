#include "decoder/PacketRecords.h"

#include <algorithm>
#include <memory>
#include <new>

namespace quillon::jp2 {
namespace {

Rect RectOf(const Bounds& bounds) {
  return Rect{bounds.x0, bounds.y0, bounds.x1, bounds.y1};
}

}  // namespace

void TileRecords::Carve(const CodestreamParams& params, std::uint64_t budget, RecordDetail detail,
                        WorkArena& arena) {
  const int count = params.componentCount;
  const bool blocks = detail == RecordDetail::kCodeBlocks;
  walkComponents_ = arena.Take<WalkComponent>(static_cast<std::uint64_t>(count));
  components_ = arena.Take<TileComponentRecord>(static_cast<std::uint64_t>(count));
  const bool carving = components_ != nullptr;
  for (int c = 0; c < count; ++c) {
    const TileComponentParams values = TileComponentParamsOf(params, tile_, c);
    WalkComponent walk;
    walk.tileComponent = RectOf(TileComponentBounds(params, tile_, c));
    walk.factorX = params.components[c].factor[kAxisX];
    walk.factorY = params.components[c].factor[kAxisY];
    walk.levels = values.levels;
    walk.precincts = values.precincts;
    ResolutionRecord* resolutions = arena.Take<ResolutionRecord>(values.levels + 1u);
    if (carving) {
      new (&components_[c]) TileComponentRecord{values, resolutions};
      walk.precincts = components_[c].params.precincts;
      walkComponents_[c] = walk;
    }
    for (int r = 0; r <= values.levels; ++r) {
      ResolutionRecord level;
      level.precincts = PrecinctsOf(walk, r);
      int xcb = 0, ycb = 0;
      CodeBlockExponents(values.codeBlockWidthExponent, values.codeBlockHeightExponent,
                         values.precincts[r], r, &xcb, &ycb);
      level.bandCount = r == 0 ? 1 : 3;
      for (int b = 0; b < level.bandCount; ++b) {
        BandRecord& band = level.bands[b];
        band.orientation = r == 0 ? kBandLL : static_cast<BandOrientation>(b + 1);
        band.level = r == 0 ? values.levels : values.levels - r + 1;
        band.grid =
            BlockGridOf(BandRect(walk.tileComponent, band.level, band.orientation), xcb, ycb);
        if (!blocks) continue;
        const std::uint64_t blockCount = std::uint64_t{band.grid.across} * band.grid.down;
        band.blocks = arena.Take<CodeBlockRecord>(blockCount);
        if (carving) std::uninitialized_default_construct_n(band.blocks, blockCount);
      }
      if (!blocks) {
        if (carving) resolutions[r] = level;
        continue;
      }
      const std::uint64_t precinctCount = level.precincts.Count();
      level.precinctArray = arena.Take<PrecinctRecord>(precinctCount);
      // Sizing stops as soon as the budget is exceeded: hostile counts are never looped over.
      if (arena.Layout().Overflowed() || arena.Layout().Size() > budget) return;
      const ResolutionPrecincts& grid = level.precincts;
      for (std::uint64_t p = 0; p < precinctCount; ++p) {
        const std::uint64_t column = (grid.area.x0 >> grid.ppx) + p % grid.across;
        const std::uint64_t row = (grid.area.y0 >> grid.ppy) + p / grid.across;
        PrecinctRecord* precinct =
            carving ? new (&level.precinctArray[p]) PrecinctRecord() : nullptr;
        for (int b = 0; b < level.bandCount; ++b) {
          const BlockRange range =
              PrecinctBlocks(level.bands[b].grid, r, grid.ppx, grid.ppy, column, row);
          const std::uint64_t nodes = TagTree::NodeCount(range.Width(), range.Height());
          TagTreeNode* inclusion = arena.Take<TagTreeNode>(nodes);
          TagTreeNode* zeroPlanes = arena.Take<TagTreeNode>(nodes);
          if (precinct == nullptr) continue;
          BandPrecinct& part = precinct->bands[b];
          part.range = range;
          part.inclusion.Build(inclusion, range.Width(), range.Height());
          part.zeroPlanes.Build(zeroPlanes, range.Width(), range.Height());
        }
        if (!carving && arena.Layout().Size() > budget) return;
      }
      if (carving) resolutions[r] = level;
    }
  }
  if (carving) {
    walk_ = WalkTile{};
    walk_.tile = RectOf(TileBounds(params, tile_));
    walk_.components = walkComponents_;
    walk_.componentCount = count;
    const TileParams& tileValues = TileParamsOf(params, tile_);
    walk_.layers = tileValues.layers;
    walk_.progression = tileValues.progression;
  }
}

Status TileRecords::Build(const MemoryCallbacks& memory, const CodestreamParams& params,
                          std::uint32_t tile, std::uint64_t budget, RecordDetail detail) {
  JP2_RETURN_IF_ERROR(Release(memory));
  tile_ = tile;
  detail_ = detail;
  WorkArena sizing;
  Carve(params, budget, detail, sizing);
  if (sizing.Layout().Overflowed() || sizing.Layout().Size() > budget) {
    return JP2_Error_OutOfMemory;
  }
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, sizing.Layout(), &block_));
  WorkArena carving(block_.data);
  Carve(params, budget, detail, carving);
  return JP2_Success;
}

Status TileRecords::Release(const MemoryCallbacks& memory) {
  JP2_RETURN_IF_ERROR(pieces_.Release(memory));
  JP2_RETURN_IF_ERROR(jp2::Release(memory, &block_));
  components_ = nullptr;
  walkComponents_ = nullptr;
  return JP2_Success;
}

}  // namespace quillon::jp2
