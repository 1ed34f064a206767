#include "encoder/RateAllocation.h"

#include <algorithm>
#include <cstdint>

#include "jp2.h"

namespace quillon::jp2 {
namespace {

// A block's next hull point and the passes it holds after taking that point and the
// equal-length points behind it; end is 0 when no hull point is left.
struct NextPoint {
  std::uint16_t point = 0;
  std::uint16_t end = 0;
};

NextPoint NextPointOf(const CodedBlock& block) {
  std::uint16_t pass = block.included;
  while (pass < block.passCount && !(block.slopes[pass] > 0.0f)) ++pass;
  if (pass == block.passCount) return {};
  std::uint16_t end = static_cast<std::uint16_t>(pass + 1);
  while (end < block.passCount && block.lengths[end] == block.lengths[end - 1]) ++end;
  return {pass, end};
}

struct Entry {
  float slope;
  std::uint16_t end;  // passes after taking the point
  std::uint32_t precinct;
  CodedBlock* block;
};

bool Shallower(const Entry& a, const Entry& b) {
  return a.slope < b.slope;
}

template <typename Fn>
void ForEachBlock(RateTile& tile, Fn&& fn) {
  for (std::uint64_t p = 0; p < tile.precinctCount; ++p) {
    Precinct& precinct = tile.precincts[p];
    for (int b = 0; b < precinct.bandCount; ++b) {
      const PrecinctBand& band = precinct.bands[b];
      const std::uint32_t count = band.width * band.height;
      for (std::uint32_t i = 0; i < count; ++i) fn(*band.blocks[i], static_cast<std::uint32_t>(p));
    }
  }
}

// The allocation list is a heap with the steepest next point on top.
class Allocator {
 public:
  Allocator(RateTile& tile, Entry* entries, std::uint32_t capacity, std::uint32_t* headerBytes,
            std::uint8_t* states, const std::uint64_t* stateAt)
      : tile_(tile),
        heap_(entries),
        capacity_(capacity),
        headerBytes_(headerBytes),
        states_(states),
        stateAt_(stateAt) {}

  void BuildList() {
    ForEachBlock(tile_, [this](CodedBlock& block, std::uint32_t precinct) {
      block.included = 0;
      std::fill(block.layerEnd, block.layerEnd + kMaxLayers, 0);
      Push(block, precinct);
    });
  }

  void StartLayer(int layer) {
    ForEachBlock(tile_, [layer](CodedBlock& block, std::uint32_t) {
      block.layerEnd[layer] = block.included;
    });
  }

  // Fills from the estimate of the header bytes, without generating headers.
  void EstimatedPass(int layer, std::uint64_t budget) {
    std::uint64_t estimate = 0;
    for (std::uint64_t p = 0; p < tile_.precinctCount; ++p) {
      estimate += 16 + kHeaderAllowancePerBlock * tile_.precincts[p].BlockCount();
    }
    if (estimate > budget) return;
    std::uint64_t left = budget - estimate;
    while (size_ != 0) {
      const Entry front = Pop();
      const std::uint64_t increment = Increment(front);
      if (increment > left) {
        Push(front);
        return;
      }
      left -= increment;
      Take(front, layer);
    }
  }

  // Exact bytes of the layer's packets; fills the header cache. Every precinct's header
  // state before the layer is kept for the remeasures of the exact pass: for layer 0 saved
  // here, for the others by FinishLayer.
  Status MeasureLayer(int layer, std::uint64_t* bytes) {
    *bytes = 0;
    for (std::uint64_t p = 0; p < tile_.precinctCount; ++p) {
      Precinct& precinct = tile_.precincts[p];
      std::uint8_t* saved = states_ + stateAt_[p];
      JP2_RETURN_IF_ERROR(layer == 0
                              ? MeasurePacketHeader(precinct, 0, tile_.layers, tile_.markers,
                                                    &headerBytes_[p], saved)
                              : RemeasurePacketHeader(precinct, layer, tile_.layers, tile_.markers,
                                                      saved, &headerBytes_[p]));
      *bytes += headerBytes_[p] + PacketBodyBytes(precinct, layer);
    }
    return Status();
  }

  // Once the layer's passes are final: every precinct's header state before the next layer.
  Status FinishLayer(int layer) {
    for (std::uint64_t p = 0; p < tile_.precinctCount; ++p) {
      JP2_RETURN_IF_ERROR(AdvanceHeaderState(tile_.precincts[p], layer, tile_.layers, tile_.markers,
                                             states_ + stateAt_[p]));
    }
    return Status();
  }

  // Adds passes while the exact size stays within budget; with skipping, an entry that does
  // not fit is set aside and the next one tried. Returns the layer's exact size in *used.
  Status ExactPass(int layer, std::uint64_t budget, bool skipping, std::uint64_t* used) {
    std::uint64_t total = 0;
    JP2_RETURN_IF_ERROR(MeasureLayer(layer, &total));
    std::uint32_t skipped = 0;  // set-aside entries, kept at the top of the array
    while (size_ != 0 && total <= budget) {
      const Entry front = Pop();
      CodedBlock& block = *front.block;
      const std::uint16_t oldIncluded = block.included;
      const std::uint16_t oldEnd = block.layerEnd[layer];
      Precinct& precinct = tile_.precincts[front.precinct];
      const std::uint32_t oldHeader = headerBytes_[front.precinct];
      const std::uint64_t body = block.LengthAfter(front.end) - block.LengthAfter(oldIncluded);
      block.included = front.end;
      block.layerEnd[layer] = front.end;
      std::uint32_t newHeader = oldHeader;
      // A contribution never shortens a header: what does not fit with the old header is not
      // measured.
      if (total + body <= budget) {
        JP2_RETURN_IF_ERROR(RemeasurePacketHeader(precinct, layer, tile_.layers, tile_.markers,
                                                  states_ + stateAt_[front.precinct], &newHeader));
      }
      const std::uint64_t candidate = total - oldHeader + newHeader + body;
      if (candidate <= budget) {
        total = candidate;
        headerBytes_[front.precinct] = newHeader;
        Push(block, front.precinct);
        continue;
      }
      block.included = oldIncluded;
      block.layerEnd[layer] = oldEnd;
      if (!skipping) {
        Push(front);
        break;
      }
      heap_[capacity_ - 1 - skipped++] = front;
    }
    while (skipped != 0) Push(heap_[capacity_ - skipped--]);
    *used = total;
    return Status();
  }

  bool HasPasses() const { return size_ != 0; }

 private:
  static std::uint64_t Increment(const Entry& entry) {
    return entry.block->LengthAfter(entry.end) - entry.block->LengthAfter(entry.block->included);
  }

  void Take(const Entry& entry, int layer) {
    entry.block->included = entry.end;
    entry.block->layerEnd[layer] = entry.end;
    Push(*entry.block, entry.precinct);
  }

  void Push(CodedBlock& block, std::uint32_t precinct) {
    const NextPoint next = NextPointOf(block);
    if (next.end != 0) Push(Entry{block.slopes[next.point], next.end, precinct, &block});
  }

  void Push(const Entry& entry) {
    heap_[size_++] = entry;
    std::push_heap(heap_, heap_ + size_, Shallower);
  }

  Entry Pop() {
    std::pop_heap(heap_, heap_ + size_, Shallower);
    return heap_[--size_];
  }

  RateTile& tile_;
  Entry* heap_;
  std::uint32_t capacity_;  // one entry per block: heap and set-aside entries never collide
  std::uint32_t* headerBytes_;
  std::uint8_t* states_;  // saved header states, precinct p's at stateAt_[p]
  const std::uint64_t* stateAt_;
  std::uint32_t size_ = 0;
};

}  // namespace

void IncludeEverything(RateTile& tile) {
  ForEachBlock(tile, [](CodedBlock& block, std::uint32_t) {
    block.included = block.passCount;
    std::fill(block.layerEnd, block.layerEnd + kMaxLayers, 0);
    block.layerEnd[0] = block.passCount;
  });
}

Status AllocateLayers(RateTile& tile, const std::uint64_t* budgets, const MemoryCallbacks& memory) {
  std::uint64_t blocks = 0;
  ForEachBlock(tile, [&blocks](CodedBlock&, std::uint32_t) { ++blocks; });
  BlockLayout layout;
  const std::uint64_t entriesAt = layout.Add(blocks, sizeof(Entry));
  const std::uint64_t headersAt = layout.Add(tile.precinctCount, sizeof(std::uint32_t));
  const std::uint64_t stateAtAt = layout.Add(tile.precinctCount, sizeof(std::uint64_t));
  std::uint64_t stateBytes = 0;
  for (std::uint64_t p = 0; p < tile.precinctCount; ++p) {
    stateBytes += HeaderStateBytes(tile.precincts[p]);
  }
  const std::uint64_t statesAt = layout.Add(stateBytes, 1);
  if (layout.Overflowed() || blocks > UINT32_MAX) return JP2_Error_OutOfMemory;
  OwnedBlock list;
  JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &list));
  auto* stateAt = reinterpret_cast<std::uint64_t*>(list.data + stateAtAt);
  for (std::uint64_t p = 0, at = 0; p < tile.precinctCount; ++p) {
    stateAt[p] = at;
    at += HeaderStateBytes(tile.precincts[p]);
  }
  Allocator allocator(
      tile, reinterpret_cast<Entry*>(list.data + entriesAt), static_cast<std::uint32_t>(blocks),
      reinterpret_cast<std::uint32_t*>(list.data + headersAt), list.data + statesAt, stateAt);

  std::uint64_t budget[kMaxLayers];
  std::copy(budgets, budgets + tile.layers, budget);
  Status status;
  allocator.BuildList();
  for (int layer = 0; layer < tile.layers && status.ok(); ++layer) {
    allocator.StartLayer(layer);
    allocator.EstimatedPass(layer, budget[layer]);
    if (layer + 1 == tile.layers) break;
    std::uint64_t used = 0;
    status = allocator.ExactPass(layer, budget[layer], false, &used);
    if (status.ok()) status = allocator.FinishLayer(layer);
    if (used < budget[layer]) budget[layer + 1] += budget[layer] - used;
  }
  if (status.ok() && allocator.HasPasses()) {
    std::uint64_t used = 0;
    status = allocator.ExactPass(tile.layers - 1, budget[tile.layers - 1], true, &used);
  }
  const Status released = Release(memory, &list);
  return status.ok() ? released : status;
}

Status FormLayers(RateTile& tile, bool targeted, const std::uint64_t* budgets,
                  const MemoryCallbacks& memory) {
  if (!targeted && tile.layers == 1) {
    IncludeEverything(tile);
    return Status();
  }
  JP2_RETURN_IF_ERROR(AllocateLayers(tile, budgets, memory));
  // Without a target every pass belongs in the file, also the passes past a block's last hull
  // point that no slope ever reaches: the last layer completes every block.
  if (!targeted) {
    const int last = tile.layers - 1;
    ForEachBlock(tile, [last](CodedBlock& block, std::uint32_t) {
      block.included = block.passCount;
      block.layerEnd[last] = block.passCount;
    });
  }
  return Status();
}

}  // namespace quillon::jp2
