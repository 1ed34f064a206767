// Assignment of the coding passes of a tile's code-blocks to quality layers: everything into
// one layer, or a greedy fill of each layer's byte budget with the passes of steepest
// rate-distortion slope, corrected by the exact packet sizes.
#pragma once

#include <cstdint>

#include "common/CodecMemory.h"
#include "common/Status.h"
#include "encoder/PacketHeader.h"

namespace quillon::jp2 {

struct RateTile {
  Precinct* precincts = nullptr;  // every precinct of the tile's non-empty resolution levels
  std::uint64_t precinctCount = 0;
  int layers = 1;
  PacketMarkers markers;
};

// Header bytes the estimate of a layer allows per code-block of a precinct, on top
// of 16 bytes per precinct.
inline constexpr std::uint64_t kHeaderAllowancePerBlock = 4;

// One layer without a target: every pass of every block goes into layer 0.
void IncludeEverything(RateTile& tile);

// Greedy allocation with budgets[layers] (bytes of each layer's packets, headers included).
// The working list comes from memory; -1 when it cannot be allocated.
Status AllocateLayers(RateTile& tile, const std::uint64_t* budgets, const MemoryCallbacks& memory);

// The tile's layers: without a target size one layer takes every pass, everything else is the
// greedy fill of the budgets.
Status FormLayers(RateTile& tile, bool targeted, const std::uint64_t* budgets,
                  const MemoryCallbacks& memory);

}  // namespace quillon::jp2
