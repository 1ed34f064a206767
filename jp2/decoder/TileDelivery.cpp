#include "decoder/TileDelivery.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "common/ComponentTransforms.h"
#include "decoder/BlockDecoder.h"
#include "decoder/CodeBlockBytes.h"
#include "decoder/CodeBlockRows.h"
#include "decoder/EnlargeScaling.h"
#include "decoder/InverseWavelet.h"
#include "decoder/ReduceScaling.h"
#include "decoder/RowPacking.h"
#include "decoder/SampleConversion.h"

namespace quillon::jp2 {
namespace {

// Packs finished rows of one component and hands them to the write callback once for each
// output channel that shows the component (palette columns all show one), in channel order.
class ChannelWriter final : public OutputRowSink {
 public:
  static constexpr std::uint32_t kNoChannel = 0xFFFFFFFF;

  // nextChannel links each channel to the next one showing the same component.
  ChannelWriter(const DecompressState& state, std::uint32_t firstChannel,
                const std::uint32_t* nextChannel, int depth, std::uint8_t* packed)
      : state_(state),
        firstChannel_(firstChannel),
        nextChannel_(nextChannel),
        depth_(depth),
        packed_(packed) {}

  Status TakeRow(const std::uint32_t* samples, std::uint32_t count, std::uint32_t row,
                 std::uint32_t column) override {
    PackRow(samples, count, depth_, static_cast<ByteOrder>(state_.byteOrder), packed_);
    const auto write = reinterpret_cast<JP2_WriteRowCallback>(state_.writeCallback);
    for (std::uint32_t channel = firstChannel_; channel != kNoChannel;
         channel = nextChannel_[channel]) {
      JP2_RETURN_IF_ERROR(write(packed_, static_cast<std::int16_t>(channel), row, column, count,
                                state_.writeParam));
    }
    return JP2_Success;
  }

 private:
  const DecompressState& state_;
  std::uint32_t firstChannel_;
  const std::uint32_t* nextChannel_;
  int depth_;
  std::uint8_t* packed_;
};

// One tile-component's rows: coefficient source, inverse wavelet and scaling.
class ComponentRows {
 public:
  Status Init(DecompressState& state, TileRecords& records, int c, int kept, std::uint32_t block,
              CodeBlockBytes* bytes, WorkerPool* workers, PerThread<DecodingHand>* hands) {
    const MemoryCallbacks& memory = state.memory;
    info_ = state.codestream.components[c];
    reversible_ = records.Component(c).params.reversible != 0;
    const Rect& area = records.Walk().components[c].tileComponent;
    const Bounds bounds{area.x0, area.y0, area.x1, area.y1};
    const int levels = records.Component(c).params.levels;
    if (!records.HasCodeBlocks()) {
      // No packets arrived for the tile: every coefficient is zero.
      zeros_ = true;
      kept_ = ResolutionBounds(bounds, levels, kept);
    } else if (reversible_) {
      JP2_RETURN_IF_ERROR(integers_.Init(memory, records, c, kept, info_, bytes, workers, hands));
      JP2_RETURN_IF_ERROR(integerWavelet_.Init(memory, bounds, levels, kept, &integers_));
      kept_ = integerWavelet_.Output();
    } else {
      JP2_RETURN_IF_ERROR(floats_.Init(memory, records, c, kept, info_, bytes, workers, hands));
      JP2_RETURN_IF_ERROR(floatWavelet_.Init(memory, bounds, levels, kept, &floats_));
      kept_ = floatWavelet_.Output();
    }
    step_ = std::uint32_t{1} << (levels - kept);
    const Bounds origin = ComponentBounds(state.codestream, c);
    if (state.enlargeFactor > 1) {
      enlarging_ = true;
      JP2_RETURN_IF_ERROR(enlarge_.Init(memory, bounds, state.enlargeFactor, info_.isSigned != 0,
                                        origin.x0, origin.y0));
    } else {
      JP2_RETURN_IF_ERROR(reduce_.Init(memory, kept_, block, !state.palette.empty(),
                                       info_.isSigned != 0, origin.x0, origin.y0,
                                       state.reduceFactor));
    }
    BlockLayout layout;
    const std::uint64_t width = std::max<std::uint32_t>(kept_.Width(), 1);
    const std::uint64_t valuesAt = layout.Add(width, 4);
    const std::uint64_t samplesAt = layout.Add(width, 4);
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &rows_));
    values_ = rows_.data + valuesAt;
    samples_ = reinterpret_cast<std::uint32_t*>(rows_.data + samplesAt);
    memory_ = memory;
    return JP2_Success;
  }

  Status Release() {
    JP2_RETURN_IF_ERROR(integerWavelet_.Release());
    JP2_RETURN_IF_ERROR(floatWavelet_.Release());
    JP2_RETURN_IF_ERROR(integers_.Release());
    JP2_RETURN_IF_ERROR(floats_.Release());
    JP2_RETURN_IF_ERROR(reduce_.Release());
    JP2_RETURN_IF_ERROR(enlarge_.Release());
    return jp2::Release(memory_, &rows_);
  }

  // Whether grid row y (a row of the component's sampling) brings a row of the kept
  // resolution.
  bool HasRowAt(std::uint64_t y) const {
    if (y % info_.factor[1] != 0) return false;
    const std::uint64_t row = y / info_.factor[1];
    return row % step_ == 0 && produced_ < kept_.Height();
  }

  // Makes the next row, which stays in the wavelet's window until Values() or Deliver needs it.
  Status Produce() {
    if (zeros_) {
      std::memset(values_, 0, sizeof(std::int32_t) * kept_.Width());
      row_ = values_;
    } else if (reversible_) {
      const std::int32_t* row = nullptr;
      JP2_RETURN_IF_ERROR(integerWavelet_.NextRow(&row));
      row_ = row;
    } else {
      const float* row = nullptr;
      JP2_RETURN_IF_ERROR(floatWavelet_.NextRow(&row));
      row_ = row;
    }
    ++produced_;
    return JP2_Success;
  }

  Status Deliver(OutputRowSink& sink) {
    const std::uint32_t width = kept_.Width();
    if (reversible_) {
      ConvertReversible(static_cast<const std::int32_t*>(row_), samples_, width, info_);
    } else {
      ConvertIrreversible(static_cast<const float*>(row_), samples_, width, info_);
    }
    return enlarging_ ? enlarge_.TakeRow(samples_, sink) : reduce_.TakeRow(samples_, sink);
  }

  Status Prime() {
    if (zeros_) return JP2_Success;
    return reversible_ ? integers_.Prime() : floats_.Prime();
  }

  bool Reversible() const { return reversible_; }
  std::uint32_t Width() const { return kept_.Width(); }
  // The produced row as a copy that the component transform may change in place.
  std::uint8_t* Values() {
    if (row_ != values_) {
      static_assert(sizeof(float) == sizeof(std::int32_t));
      std::memcpy(values_, row_, sizeof(std::int32_t) * kept_.Width());
      row_ = values_;
    }
    return values_;
  }
  const ComponentInfo& Info() const { return info_; }

 private:
  MemoryCallbacks memory_;
  ComponentInfo info_;
  bool reversible_ = true;
  bool enlarging_ = false;
  bool zeros_ = false;
  CodeBlockRows<std::int32_t> integers_;
  CodeBlockRows<float> floats_;
  InverseWavelet<std::int32_t> integerWavelet_;
  InverseWavelet<float> floatWavelet_;
  ReduceScaler reduce_;
  EnlargeScaler enlarge_;
  Bounds kept_;
  std::uint32_t step_ = 1;
  std::uint32_t produced_ = 0;
  OwnedBlock rows_;
  std::uint8_t* values_ = nullptr;
  const void* row_ = nullptr;  // the produced row: in the wavelet's window or values_
  std::uint32_t* samples_ = nullptr;
};

// The inverse component transform on the rows of components 0 to 2 when all three are of
// the same kind and width.
void InverseComponentTransform(ComponentRows* rows) {
  const std::uint32_t width = rows[0].Width();
  const bool reversible = rows[0].Reversible();
  for (int c = 1; c < 3; ++c) {
    if (rows[c].Width() != width || rows[c].Reversible() != reversible) return;
  }
  if (reversible) {
    InverseRct(reinterpret_cast<std::int32_t*>(rows[0].Values()),
               reinterpret_cast<std::int32_t*>(rows[1].Values()),
               reinterpret_cast<std::int32_t*>(rows[2].Values()), width);
  } else {
    InverseIct(reinterpret_cast<float*>(rows[0].Values()),
               reinterpret_cast<float*>(rows[1].Values()),
               reinterpret_cast<float*>(rows[2].Values()), width);
  }
}

class TileRun {
 public:
  TileRun(DecompressState& state, std::uint32_t tile, WorkerPool& workers,
          PerThread<DecodingHand>& hands)
      : state_(state), tile_(tile), workers_(workers), hands_(hands) {}

  TileRun(const TileRun&) = delete;
  TileRun& operator=(const TileRun&) = delete;
  ~TileRun() { static_cast<void>(ReleaseAll()); }

  // Walks the tile's packets and sets up its components; with workers, their first code-block
  // rows begin to decode.
  Status Prepare() {
    const MemoryCallbacks& memory = state_.memory;
    const CodestreamParams& params = state_.codestream;
    JP2_RETURN_IF_ERROR(BuildTileRecords(memory, params, state_.packets, tile_, &records_));
    JP2_RETURN_IF_ERROR(WalkTilePackets(state_.input, memory, params, state_.packets, &records_,
                                        &headers_, nullptr));
    const int count = params.componentCount;
    BlockLayout layout;
    const std::uint64_t rowsAt =
        layout.Add(static_cast<std::uint64_t>(count), sizeof(ComponentRows));
    const std::uint64_t keptAt = layout.Add(static_cast<std::uint64_t>(count), sizeof(int));
    const std::uint64_t blockAt =
        layout.Add(static_cast<std::uint64_t>(count), sizeof(std::uint32_t));
    const std::uint64_t firstAt =
        layout.Add(static_cast<std::uint64_t>(count), sizeof(std::uint32_t));
    const std::uint64_t nextAt = layout.Add(state_.channelCount, sizeof(std::uint32_t));
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, layout, &componentBlock_));
    rows_ = reinterpret_cast<ComponentRows*>(componentBlock_.data + rowsAt);
    for (int c = 0; c < count; ++c) new (&rows_[c]) ComponentRows();
    int* kept = reinterpret_cast<int*>(componentBlock_.data + keptAt);
    auto* block = reinterpret_cast<std::uint32_t*>(componentBlock_.data + blockAt);
    firstChannel_ = reinterpret_cast<std::uint32_t*>(componentBlock_.data + firstAt);
    nextChannel_ = reinterpret_cast<std::uint32_t*>(componentBlock_.data + nextAt);
    LinkChannelsOfEachComponent();
    std::uint64_t widest = 1;
    for (int c = 0; c < count; ++c) {
      const int levels = records_.Component(c).params.levels;
      const ReducePlan plan = PlanReduce(levels, state_.reduceFactor, !state_.palette.empty());
      kept[c] = plan.keptResolution;
      block[c] = plan.block;
      widest = std::max<std::uint64_t>(
          widest, std::uint64_t{records_.Walk().components[c].tileComponent.Width()} *
                      state_.enlargeFactor);
    }
    bytes_.Init(state_.input, memory, state_.packets.inputLength);
    // Counted before its Init, so that ReleaseAll also frees what a failed Init took.
    for (int c = 0; c < count; ++c) {
      ++ready_;
      JP2_RETURN_IF_ERROR(
          rows_[c].Init(state_, records_, c, kept[c], block[c], &bytes_, &workers_, &hands_));
    }
    JP2_RETURN_IF_ERROR(AllocateZeroed(memory, widest * 4, &packed_));
    for (int c = 0; c < count; ++c) JP2_RETURN_IF_ERROR(rows_[c].Prime());
    return JP2_Success;
  }

  // Delivers the prepared tile's rows, then releases what it took.
  Status Deliver() {
    const Status status = DeliverRows();
    const Status released = ReleaseAll();
    return status.ok() ? released : status;
  }

 private:
  Status DeliverRows() {
    const CodestreamParams& params = state_.codestream;
    const bool transform = params.anyComponentTransform && params.componentCount >= 3;
    const Rect& tile = records_.Walk().tile;
    const std::uint16_t* channelComponents = state_.ChannelComponents();
    for (std::uint64_t y = tile.y0; y < tile.y1; ++y) {
      bool produced[3] = {false, false, false};
      if (transform && rows_[0].HasRowAt(y)) {
        for (int c = 0; c < 3; ++c) {
          JP2_RETURN_IF_ERROR(rows_[c].Produce());
          produced[c] = true;
        }
        InverseComponentTransform(rows_);
      }
      for (std::uint32_t channel = 0; channel < state_.channelCount; ++channel) {
        const int c = channelComponents[channel];
        // A component's row is made once and reaches all its channels with the first of them.
        if (c >= params.componentCount || firstChannel_[c] != channel) continue;
        const bool ready = c < 3 && produced[c];
        if (!ready && !rows_[c].HasRowAt(y)) continue;
        if (state_.progressCallback != 0) {
          const auto progress = reinterpret_cast<JP2_ProgressCallback>(state_.progressCallback);
          if (progress(state_.progressParam) != 0) return JP2_Error_Cancelled;
        }
        if (!ready) JP2_RETURN_IF_ERROR(rows_[c].Produce());
        ChannelWriter writer(state_, channel, nextChannel_, rows_[c].Info().depth, packed_.data);
        JP2_RETURN_IF_ERROR(rows_[c].Deliver(writer));
      }
    }
    return JP2_Success;
  }

  // Chains the output channels of each component in channel order.
  void LinkChannelsOfEachComponent() {
    const std::uint16_t* channelComponents = state_.ChannelComponents();
    const int count = state_.codestream.componentCount;
    for (int c = 0; c < count; ++c) firstChannel_[c] = ChannelWriter::kNoChannel;
    for (std::uint32_t channel = state_.channelCount; channel-- > 0;) {
      const int c = channelComponents[channel];
      if (c >= count) continue;
      nextChannel_[channel] = firstChannel_[c];
      firstChannel_[c] = channel;
    }
  }

  Status ReleaseAll() {
    const MemoryCallbacks& memory = state_.memory;
    for (int c = 0; c < ready_; ++c) JP2_RETURN_IF_ERROR(rows_[c].Release());
    ready_ = 0;
    JP2_RETURN_IF_ERROR(Release(memory, &packed_));
    JP2_RETURN_IF_ERROR(bytes_.Release());
    JP2_RETURN_IF_ERROR(Release(memory, &componentBlock_));
    JP2_RETURN_IF_ERROR(headers_.Release(memory));
    return records_.Release(memory);
  }

  DecompressState& state_;
  std::uint32_t tile_;
  TileRecords records_;
  PacketHeaderDecoder headers_;
  WorkerPool& workers_;
  PerThread<DecodingHand>& hands_;
  OwnedBlock componentBlock_;
  ComponentRows* rows_ = nullptr;
  std::uint32_t* firstChannel_ = nullptr;
  std::uint32_t* nextChannel_ = nullptr;
  int ready_ = 0;
  CodeBlockBytes bytes_;
  OwnedBlock packed_;
};

}  // namespace

Status DeliverTiles(DecompressState& state, WorkerPool& workers, PerThread<DecodingHand>& hands) {
  const std::uint32_t count = state.codestream.tileCount;
  // With workers, the next tile is walked and its first code-block rows decode while the
  // rows of this one are delivered.
  const bool ahead = workers.Threads() > 1;
  std::optional<TileRun> runs[2];
  Status prepared[2];
  const auto prepare = [&](std::uint32_t tile) {
    runs[tile % 2].emplace(state, tile, workers, hands);
    prepared[tile % 2] = runs[tile % 2]->Prepare();
  };
  if (count != 0) prepare(0);
  for (std::uint32_t tile = 0; tile < count; ++tile) {
    if (ahead && tile + 1 < count) prepare(tile + 1);
    TileRun& run = *runs[tile % 2];
    const Status delivered = prepared[tile % 2].ok() ? run.Deliver() : prepared[tile % 2];
    runs[tile % 2].reset();
    JP2_RETURN_IF_ERROR(delivered);
    if (!ahead && tile + 1 < count) prepare(tile + 1);
  }
  return JP2_Success;
}

}  // namespace quillon::jp2
