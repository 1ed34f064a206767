#include "common/ProgressionWalk.h"

#include <algorithm>

#include "jp2.h"

namespace quillon::jp2 {
namespace {

std::uint64_t FloorShift(std::uint64_t value, int exponent) {
  return value >> exponent;
}

std::uint64_t CeilDiv64(std::uint64_t value, std::uint64_t divisor) {
  return (value + divisor - 1) / divisor;
}

int MaxLevels(const WalkTile& tile) {
  int levels = 0;
  for (int c = 0; c < tile.componentCount; ++c)
    levels = std::max(levels, tile.components[c].levels);
  return levels;
}

// Distance on the grid between the precinct origins of a component's resolution along an axis.
std::uint64_t PrecinctStep(const WalkComponent& component, int resolution, Axis axis) {
  const int n = component.levels - resolution;
  const int exponent = axis == kAxisX ? (component.precincts[resolution] & 0x0F)
                                      : (component.precincts[resolution] >> 4);
  const std::uint64_t factor = axis == kAxisX ? component.factorX : component.factorY;
  return factor << (exponent + n);
}

// The position test of T.800 B.12.1.3 on one axis.
bool StartsPrecinct(const WalkComponent& component, int resolution, Axis axis,
                    std::uint64_t position, std::uint64_t tileStart, std::uint64_t levelStart) {
  if (position % PrecinctStep(component, resolution, axis) == 0) return true;
  const int n = component.levels - resolution;
  const int exponent = axis == kAxisX ? (component.precincts[resolution] & 0x0F)
                                      : (component.precincts[resolution] >> 4);
  return position == tileStart && ((levelStart << n) % (std::uint64_t{1} << (exponent + n))) != 0;
}

// The precinct of a component's resolution that starts at grid position (x, y), if any.
bool PrecinctAt(const WalkTile& tile, int c, int r, std::uint64_t x, std::uint64_t y,
                std::uint64_t* index) {
  const WalkComponent& component = tile.components[c];
  if (r > component.levels) return false;
  const ResolutionPrecincts level = PrecinctsOf(component, r);
  if (level.Count() == 0) return false;
  if (!StartsPrecinct(component, r, kAxisY, y, tile.tile.y0, level.area.y0)) return false;
  if (!StartsPrecinct(component, r, kAxisX, x, tile.tile.x0, level.area.x0)) return false;
  const int n = component.levels - r;
  const std::uint64_t levelX = CeilDiv64(x, std::uint64_t{component.factorX} << n);
  const std::uint64_t levelY = CeilDiv64(y, std::uint64_t{component.factorY} << n);
  const std::uint64_t px = FloorShift(levelX, level.ppx) - FloorShift(level.area.x0, level.ppx);
  const std::uint64_t py = FloorShift(levelY, level.ppy) - FloorShift(level.area.y0, level.ppy);
  if (px >= level.across || py >= level.down) return false;
  *index = py * level.across + px;
  return true;
}

// The next grid position after `position` where a precinct of a selected component and
// resolution may start: the grid is walked at these stops only, which visits the same
// packets in the same order as a walk over every position.
template <typename Selected>
std::uint64_t NextStop(const WalkTile& tile, Axis axis, std::uint64_t position, Selected selected) {
  std::uint64_t next = UINT64_MAX;
  for (int c = 0; c < tile.componentCount; ++c) {
    for (int r = 0; r <= tile.components[c].levels; ++r) {
      if (!selected(c, r)) continue;
      const std::uint64_t step = PrecinctStep(tile.components[c], r, axis);
      next = std::min(next, (position / step + 1) * step);
    }
  }
  return next;
}

template <typename Selected, typename Body>
Status WalkGrid(const WalkTile& tile, Selected selected, Body body) {
  const Rect& t = tile.tile;
  for (std::uint64_t y = t.y0; y < t.y1; y = NextStop(tile, kAxisY, y, selected)) {
    for (std::uint64_t x = t.x0; x < t.x1; x = NextStop(tile, kAxisX, x, selected)) {
      JP2_RETURN_IF_ERROR(body(x, y));
    }
  }
  return Status();
}

// The resolution levels of the volume that some component of the tile has.
int ResolutionEnd(const WalkTile& tile, const ProgressionVolume& v) {
  return std::min(v.resolutionEnd, MaxLevels(tile) + 1);
}

bool InVolume(const ProgressionVolume& v, int c, int r) {
  return c >= v.componentStart && c < v.componentEnd && r >= v.resolutionStart &&
         r < v.resolutionEnd;
}

Status VisitLayers(const ProgressionVolume& v, int r, int c, std::uint64_t precinct,
                   PacketVisitor& visitor) {
  for (int l = 0; l < v.layerEnd; ++l) JP2_RETURN_IF_ERROR(visitor.Visit({l, r, c, precinct}));
  return Status();
}

Status VisitPrecincts(const WalkTile& tile, int l, int r, int c, PacketVisitor& visitor) {
  if (r > tile.components[c].levels) return Status();
  const std::uint64_t count = PrecinctsOf(tile.components[c], r).Count();
  for (std::uint64_t p = 0; p < count; ++p) JP2_RETURN_IF_ERROR(visitor.Visit({l, r, c, p}));
  return Status();
}

Status WalkLrcp(const WalkTile& tile, const ProgressionVolume& v, PacketVisitor& visitor) {
  const int resolutionEnd = ResolutionEnd(tile, v);
  for (int l = 0; l < v.layerEnd; ++l) {
    for (int r = v.resolutionStart; r < resolutionEnd; ++r) {
      for (int c = v.componentStart; c < v.componentEnd; ++c) {
        JP2_RETURN_IF_ERROR(VisitPrecincts(tile, l, r, c, visitor));
      }
    }
  }
  return Status();
}

Status WalkRlcp(const WalkTile& tile, const ProgressionVolume& v, PacketVisitor& visitor) {
  const int resolutionEnd = ResolutionEnd(tile, v);
  for (int r = v.resolutionStart; r < resolutionEnd; ++r) {
    for (int l = 0; l < v.layerEnd; ++l) {
      for (int c = v.componentStart; c < v.componentEnd; ++c) {
        JP2_RETURN_IF_ERROR(VisitPrecincts(tile, l, r, c, visitor));
      }
    }
  }
  return Status();
}

Status WalkRpcl(const WalkTile& tile, const ProgressionVolume& v, PacketVisitor& visitor) {
  const int resolutionEnd = ResolutionEnd(tile, v);
  for (int r = v.resolutionStart; r < resolutionEnd; ++r) {
    const auto atResolution = [&v, r](int c, int level) { return level == r && InVolume(v, c, r); };
    JP2_RETURN_IF_ERROR(WalkGrid(tile, atResolution, [&](std::uint64_t x, std::uint64_t y) {
      for (int c = v.componentStart; c < v.componentEnd; ++c) {
        std::uint64_t precinct = 0;
        if (PrecinctAt(tile, c, r, x, y, &precinct)) {
          JP2_RETURN_IF_ERROR(VisitLayers(v, r, c, precinct, visitor));
        }
      }
      return Status();
    }));
  }
  return Status();
}

// Visits, at one grid position, the packets of component c whose precincts start there.
Status VisitResolutionsAt(const WalkTile& tile, const ProgressionVolume& v, int c, std::uint64_t x,
                          std::uint64_t y, PacketVisitor& visitor) {
  const int resolutionEnd = std::min(v.resolutionEnd, tile.components[c].levels + 1);
  for (int r = v.resolutionStart; r < resolutionEnd; ++r) {
    std::uint64_t precinct = 0;
    if (PrecinctAt(tile, c, r, x, y, &precinct)) {
      JP2_RETURN_IF_ERROR(VisitLayers(v, r, c, precinct, visitor));
    }
  }
  return Status();
}

Status WalkPcrl(const WalkTile& tile, const ProgressionVolume& v, PacketVisitor& visitor) {
  const auto inVolume = [&v](int c, int r) { return InVolume(v, c, r); };
  return WalkGrid(tile, inVolume, [&](std::uint64_t x, std::uint64_t y) {
    for (int c = v.componentStart; c < v.componentEnd; ++c) {
      JP2_RETURN_IF_ERROR(VisitResolutionsAt(tile, v, c, x, y, visitor));
    }
    return Status();
  });
}

Status WalkCprl(const WalkTile& tile, const ProgressionVolume& v, PacketVisitor& visitor) {
  for (int c = v.componentStart; c < v.componentEnd; ++c) {
    const auto ofComponent = [&v, c](int component, int r) {
      return component == c && InVolume(v, c, r);
    };
    JP2_RETURN_IF_ERROR(WalkGrid(tile, ofComponent, [&](std::uint64_t x, std::uint64_t y) {
      return VisitResolutionsAt(tile, v, c, x, y, visitor);
    }));
  }
  return Status();
}

}  // namespace

ResolutionPrecincts PrecinctsOf(const WalkComponent& component, int resolution) {
  ResolutionPrecincts level;
  level.area = LowpassRect(component.tileComponent, component.levels - resolution);
  level.ppx = component.precincts[resolution] & 0x0F;
  level.ppy = component.precincts[resolution] >> 4;
  if (level.area.Empty()) return level;
  level.across =
      static_cast<std::uint32_t>(CeilDiv64(level.area.x1, std::uint64_t{1} << level.ppx) -
                                 FloorShift(level.area.x0, level.ppx));
  level.down = static_cast<std::uint32_t>(CeilDiv64(level.area.y1, std::uint64_t{1} << level.ppy) -
                                          FloorShift(level.area.y0, level.ppy));
  return level;
}

ProgressionVolume WholeTile(const WalkTile& tile) {
  ProgressionVolume volume;
  volume.componentEnd = tile.componentCount;
  volume.resolutionEnd = MaxLevels(tile) + 1;
  volume.layerEnd = tile.layers;
  volume.progression = tile.progression;
  return volume;
}

Status WalkVolume(const WalkTile& tile, const ProgressionVolume& volume, PacketVisitor& visitor) {
  ProgressionVolume v = volume;
  v.componentStart = std::max(v.componentStart, 0);
  v.componentEnd = std::min(v.componentEnd, tile.componentCount);
  v.resolutionStart = std::max(v.resolutionStart, 0);
  switch (v.progression) {
    case JP2_Progression_LRCP:
      return WalkLrcp(tile, v, visitor);
    case JP2_Progression_RLCP:
      return WalkRlcp(tile, v, visitor);
    case JP2_Progression_RPCL:
      return WalkRpcl(tile, v, visitor);
    case JP2_Progression_PCRL:
      return WalkPcrl(tile, v, visitor);
    case JP2_Progression_CPRL:
      return WalkCprl(tile, v, visitor);
    default:
      return JP2_Error_ValueOutOfRange;
  }
}

Status WalkPackets(const WalkTile& tile, PacketVisitor& visitor) {
  return WalkVolume(tile, WholeTile(tile), visitor);
}

}  // namespace quillon::jp2
