// The order of a tile's packets in the five progressions of T.800 B.12: layer, resolution,
// component and precinct loops, the position orders walking the tile's reference grid; over
// the whole tile or over one progression volume of a POC entry.
#pragma once

#include <cstdint>

#include "common/Status.h"
#include "common/SubbandGeometry.h"

namespace quillon::jp2 {

struct WalkComponent {
  Rect tileComponent;  // in component samples
  std::uint32_t factorX = 1, factorY = 1;
  int levels = 0;
  const std::uint8_t* precincts = nullptr;  // PPy * 16 + PPx per resolution level
};

// A resolution level of a tile-component and its precinct partition.
struct ResolutionPrecincts {
  Rect area;  // in the level's own coordinates
  int ppx = 15, ppy = 15;
  std::uint32_t across = 0, down = 0;  // precincts; 0 when the level is empty

  std::uint64_t Count() const { return std::uint64_t{across} * down; }
};

ResolutionPrecincts PrecinctsOf(const WalkComponent& component, int resolution);

struct PacketId {
  int layer = 0;
  int resolution = 0;
  int component = 0;
  std::uint64_t precinct = 0;  // raster index inside the resolution level
};

class PacketVisitor {
 public:
  virtual ~PacketVisitor() = default;
  virtual Status Visit(const PacketId& packet) = 0;
};

struct WalkTile {
  Rect tile;  // on the reference grid
  const WalkComponent* components = nullptr;
  int componentCount = 0;
  int layers = 1;
  int progression = 0;  // JP2_Progression_*
};

// Packets of components [componentStart, componentEnd), resolution levels [resolutionStart,
// resolutionEnd) and layers [0, layerEnd), in the given progression.
struct ProgressionVolume {
  int componentStart = 0, componentEnd = 0;
  int resolutionStart = 0, resolutionEnd = 0;
  int layerEnd = 0;
  int progression = 0;  // JP2_Progression_*
};

// The whole tile in its own progression.
ProgressionVolume WholeTile(const WalkTile& tile);

// Visits every packet of the volume once, in its progression order; a resolution above a
// component's levels is passed over. A visitor's non-zero status stops the walk and is
// returned.
Status WalkVolume(const WalkTile& tile, const ProgressionVolume& volume, PacketVisitor& visitor);

// Visits every packet of the tile once, in progression order.
Status WalkPackets(const WalkTile& tile, PacketVisitor& visitor);

}  // namespace quillon::jp2
