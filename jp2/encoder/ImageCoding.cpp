// JP2_Compress_Image: validation, the file and main headers, then per tile the transform,
// the code-block coder, rate control and the tile-part with its packets, then EOC.
#include <algorithm>
#include <mutex>

#include "common/MarkerCodes.h"
#include "common/WorkerPool.h"
#include "encoder/BlockCoder.h"
#include "encoder/CodestreamMarkers.h"
#include "encoder/CodewordPool.h"
#include "encoder/ConvexHull.h"
#include "encoder/FileBoxes.h"
#include "encoder/ImageValidation.h"
#include "encoder/LayerBudgets.h"
#include "encoder/SlopeFloor.h"
#include "encoder/TilePackets.h"
#include "encoder/TransformStage.h"

namespace quillon::jp2 {
namespace {

// What one thread codes with: its own block coder and the coder's output.
struct CodingHand {
  BlockCoder coder;
  BlockCoderOutput out;

  Status Init(const MemoryCallbacks& memory) { return coder.Init(memory); }
  Status Release() { return coder.Release(); }
};

// The code-blocks of the row the transform stage is handing over, coded together when the
// row is complete.
class PendingBlocks {
 public:
  Status Add(const MemoryCallbacks& memory, const CodeBlock& block) {
    if (count_ == capacity_) {
      const std::uint32_t capacity = std::max<std::uint32_t>(16, 2 * capacity_);
      OwnedBlock grown;
      JP2_RETURN_IF_ERROR(
          AllocateZeroed(memory, std::uint64_t{capacity} * sizeof(CodeBlock), &grown));
      auto* items = reinterpret_cast<CodeBlock*>(grown.data);
      std::copy(items_, items_ + count_, items);
      JP2_RETURN_IF_ERROR(ReplaceBlock(memory, &block_, grown));
      items_ = items;
      capacity_ = capacity;
    }
    items_[count_++] = block;
    return JP2_Success;
  }
  const CodeBlock& operator[](std::uint32_t i) const { return items_[i]; }
  std::uint32_t Count() const { return count_; }
  void Clear() { count_ = 0; }
  Status Release(const MemoryCallbacks& memory) {
    count_ = capacity_ = 0;
    items_ = nullptr;
    return jp2::Release(memory, &block_);
  }

 private:
  OwnedBlock block_;
  CodeBlock* items_ = nullptr;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
};

// A copy of the coefficients of the row of code-blocks the workers are coding, so that the
// transform stage can reuse its rows meanwhile; grown to the widest row and kept for the run.
class StagedRow {
 public:
  // Copies the blocks of from into to, each block's rows packed, pointing into the copy.
  Status Stage(const MemoryCallbacks& memory, const PendingBlocks& from, PendingBlocks& to) {
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < from.Count(); ++i)
      total += std::uint64_t{from[i].area.Width()} * from[i].area.Height();
    if (total > capacity_) {
      JP2_RETURN_IF_ERROR(jp2::Release(memory, &block_));
      capacity_ = 0;
      JP2_RETURN_IF_ERROR(AllocateZeroed(memory, total * sizeof(std::uint32_t), &block_));
      capacity_ = total;
    }
    auto* copy = reinterpret_cast<std::uint32_t*>(block_.data);
    to.Clear();
    for (std::uint32_t i = 0; i < from.Count(); ++i) {
      CodeBlock block = from[i];
      const std::uint32_t width = block.area.Width();
      for (std::uint32_t y = 0; y < block.area.Height(); ++y) {
        std::copy_n(block.coefficients + std::size_t{y} * block.stride, width,
                    copy + std::size_t{y} * width);
      }
      block.coefficients = copy;
      block.stride = width;
      copy += std::size_t{width} * block.area.Height();
      JP2_RETURN_IF_ERROR(to.Add(memory, block));
    }
    return JP2_Success;
  }

  Status Release(const MemoryCallbacks& memory) {
    capacity_ = 0;
    return jp2::Release(memory, &block_);
  }

 private:
  OwnedBlock block_;
  std::uint64_t capacity_ = 0;  // coefficients
};

// Rows of code-blocks coded from copies at once, so that the workers stay busy while the
// calling thread transforms: the rows of every band and component that one strip of image
// rows completes queue up together, and small rows (narrow tiles, deep levels) are many.
constexpr int kRowsInFlight = 8;

// The last kRowsInFlight rows of code-blocks, kept for the run: with workers the copies being
// coded, each with its blocks pointing into it; with one thread only where the blocks lie.
struct StagedRows {
  PendingBlocks blocks[kRowsInFlight];
  StagedRow copies[kRowsInFlight];

  Status Release(const MemoryCallbacks& memory) {
    Status result;
    for (int k = 0; k < kRowsInFlight; ++k) {
      for (const Status& status : {blocks[k].Release(memory), copies[k].Release(memory)}) {
        if (result.ok() && !status.ok()) result = status;
      }
    }
    return result;
  }
};

// Codes each row of code-blocks as the transform stage completes it, on the worker pool's
// threads, and keeps every block's passes, hull slopes and codeword in the tile's pool until
// the packets are written. With workers, rows are coded from copies while the calling thread
// transforms the next ones. Where a block's results go is fixed by its place in the tile, so
// the file does not depend on which thread coded what. Under a target, each row is coded with
// the slope floor of the rows coded kRowsInFlight rows and more before it, which are done by
// then with any number of threads: the floor, and so the file, is the same for every number.
class CodingSink final : public CodeBlockSink {
 public:
  // budget: the tile's bytes under a target, else 0.
  CodingSink(const CompressState& state, std::uint32_t tile, std::uint64_t budget,
             TilePackets& packets, WorkerPool& workers, PerThread<CodingHand>& hands,
             PendingBlocks& pending, StagedRows& staged, CodewordPool& pool)
      : state_(state),
        tile_(tile),
        budget_(budget),
        packets_(packets),
        workers_(workers),
        hands_(hands),
        pending_(pending),
        staged_(staged),
        pool_(pool) {
    for (int k = 0; k < kRowsInFlight; ++k) {
      codeStaged_[k] = CodeTask{this, &staged_.blocks[k], &stagedFloors_[k]};
    }
  }
  CodingSink(const CodingSink&) = delete;
  CodingSink& operator=(const CodingSink&) = delete;
  // The workers never outlive the sink's tasks, whatever path left the tile.
  ~CodingSink() { static_cast<void>(Flush()); }

  Status TakeCodeBlock(const CodeBlock& block) override {
    return pending_.Add(workers_.Memory(), block);
  }

  Status FinishCodeBlockRow() override {
    const int k = nextStage_;
    nextStage_ = (k + 1) % kRowsInFlight;
    if (workers_.Threads() == 1) {
      pendingFloor_ = FloorAfter(staged_.blocks[k]);
      JP2_RETURN_IF_ERROR(workers_.Run(pending_.Count(), codePending_));
      // Under a target, where the blocks lie is kept for the floor of the row kRowsInFlight
      // rows on.
      staged_.blocks[k].Clear();
      for (std::uint32_t i = 0; budget_ != 0 && i < pending_.Count(); ++i) {
        JP2_RETURN_IF_ERROR(staged_.blocks[k].Add(workers_.Memory(), pending_[i]));
      }
      pending_.Clear();
      return JP2_Success;
    }
    // The row staged kRowsInFlight rows ago must be done before its copy is overwritten.
    JP2_RETURN_IF_ERROR(workers_.Finish(codingBatch_[k]));
    stagedFloors_[k] = FloorAfter(staged_.blocks[k]);
    JP2_RETURN_IF_ERROR(staged_.copies[k].Stage(workers_.Memory(), pending_, staged_.blocks[k]));
    pending_.Clear();
    codingBatch_[k] = workers_.Begin(staged_.blocks[k].Count(), codeStaged_[k]);
    return JP2_Success;
  }

  // Finishes the rows in flight, oldest first; the first failure.
  Status Flush() override {
    Status result;
    for (int i = 0; i < kRowsInFlight; ++i) {
      const Status status = workers_.Finish(codingBatch_[(nextStage_ + i) % kRowsInFlight]);
      if (result.ok()) result = status;
    }
    return result;
  }

 private:
  struct CodeTask {
    CodingSink* sink;
    PendingBlocks* blocks;
    const float* floor;
    Status operator()(std::uint32_t i, int thread) const {
      return sink->Code((*blocks)[i], *floor, sink->hands_[thread]);
    }
  };

  // The floor for the next row once the blocks of the row kRowsInFlight rows before it count.
  float FloorAfter(const PendingBlocks& oldRow) {
    if (budget_ == 0) return 0.0f;
    if (rowsTaken_++ >= kRowsInFlight) {
      for (std::uint32_t i = 0; i < oldRow.Count(); ++i) {
        const CodeBlock& block = oldRow[i];
        const CodedBlock* coded =
            packets_.BlockOf(block.component, block.resolution, block.band, block.area);
        if (coded != nullptr) floor_.Add(*coded);
      }
    }
    return floor_.Below(budget_);
  }

  Status Code(const CodeBlock& block, float floor, CodingHand& hand) {
    const TileComponentCoding& coding = state_.Coding(tile_, block.component);
    CodeBlockCoefficients in;
    in.samples = block.coefficients;
    in.stride = block.stride;
    in.width = block.area.Width();
    in.height = block.area.Height();
    in.band = BandKindOf(block.band);
    in.style = coding.codeBlockStyle;
    in.reversible = coding.reversible != 0;
    in.magnitudeBits = block.quantization->magnitudeBits;
    in.roiShift = block.roiShift;
    in.enhance = static_cast<std::uint8_t>(state_.enhanceStrength);
    in.weight = block.quantization->weight;
    // One layer that takes every pass needs no rate points (FormLayers).
    in.ratePoints = state_.targetSize != 0 || state_.tiles[tile_].layers > 1;
    in.slopeFloor = floor;
    BlockCoderOutput& out = hand.out;
    JP2_RETURN_IF_ERROR(hand.coder.Code(in, &out));
    ConvexHull(out.truncation, out.distortion, out.passCount);

    CodedBlock* coded = packets_.BlockOf(block.component, block.resolution, block.band, block.area);
    if (coded == nullptr) return JP2_Error_Internal;
    // The coder keeps its passes last-first and only until its next block: copy them in
    // coding order next to the codeword.
    const std::uint32_t count = out.passCount;
    const std::uint64_t arrays = 3ull * count * sizeof(std::uint32_t);
    std::uint8_t* stored = nullptr;
    {
      std::lock_guard lock(poolMutex_);
      JP2_RETURN_IF_ERROR(pool_.Take(arrays + out.length, alignof(std::uint32_t), &stored));
    }
    auto* lengths = reinterpret_cast<std::uint32_t*>(stored);
    auto* slopes = reinterpret_cast<float*>(lengths + count);
    auto* segments = reinterpret_cast<std::uint32_t*>(slopes + count);
    std::uint8_t* codeword = stored + arrays;
    for (std::uint32_t p = 0; p < count; ++p) {
      lengths[p] = out.truncation[count - 1 - p];
      slopes[p] = out.distortion[count - 1 - p];
    }
    const std::uint8_t style = coding.codeBlockStyle;
    const bool segmented = SegmentEnds(out, style, segments);
    for (std::uint32_t i = 0; i < out.length; ++i) codeword[i] = out.codeword[i];
    coded->passCount = out.passCount;
    coded->zeroBitPlanes = static_cast<std::uint8_t>(in.magnitudeBits + in.roiShift - out.planes);
    coded->style = style;
    coded->lengths = lengths;
    coded->slopes = slopes;
    coded->segmentEnds = segmented ? segments : nullptr;
    coded->codeword = codeword;
    return JP2_Success;
  }

  const CompressState& state_;
  const std::uint32_t tile_;
  const std::uint64_t budget_;
  TilePackets& packets_;
  WorkerPool& workers_;
  PerThread<CodingHand>& hands_;
  PendingBlocks& pending_;
  StagedRows& staged_;
  CodewordPool& pool_;
  std::mutex poolMutex_;
  SlopeFloor floor_;
  std::uint32_t rowsTaken_ = 0;
  float pendingFloor_ = 0.0f;
  float stagedFloors_[kRowsInFlight] = {};
  CodeTask codePending_{this, &pending_, &pendingFloor_};
  CodeTask codeStaged_[kRowsInFlight];
  BatchTicket codingBatch_[kRowsInFlight];  // the staged rows being coded
  int nextStage_ = 0;                       // the row slot the next row goes to
};

class StreamPacketSink final : public PacketSink {
 public:
  explicit StreamPacketSink(OutputStream& out) : out_(out) {}
  Status WriteBytes(const std::uint8_t* bytes, std::uint32_t count) override {
    return out_.Append(bytes, count);
  }

 private:
  OutputStream& out_;
};

std::int32_t DiscardBytes(const void*, std::uint32_t, std::uint32_t, std::uintptr_t) {
  return 0;
}

// Everything one image run owns besides the handle, released in Finish whatever happened.
class ImageRun {
 public:
  explicit ImageRun(CompressState& state) : state_(state) {}

  Status Run() {
    workers_.Start(static_cast<int>(state_.threads), state_.memory);
    JP2_RETURN_IF_ERROR(ValidateImage(state_));
    JP2_RETURN_IF_ERROR(PrepareTransforms(state_, &setup_));
    JP2_RETURN_IF_ERROR(CheckChannelDefinitions(state_, setup_.componentTransform));
    JP2_RETURN_IF_ERROR(TakeWorkMemory());
    JP2_RETURN_IF_ERROR(state_.output.Open(
        state_.memory, state_.outputBufferSize,
        reinterpret_cast<JP2_OutputWriteCallback>(state_.outputCallback), state_.outputParam));
    JP2_RETURN_IF_ERROR(WriteFileHeader(state_));
    JP2_RETURN_IF_ERROR(WriteMainHeader(state_, setup_, state_.output));
    if (state_.targetSize != 0) JP2_RETURN_IF_ERROR(ShareTarget());
    JP2_RETURN_IF_ERROR(hands_.Init(workers_.Memory(), workers_.Threads()));
    for (std::uint32_t tile = 0; tile < state_.tileCount; ++tile) {
      JP2_RETURN_IF_ERROR(CodeTile(tile));
    }
    JP2_RETURN_IF_ERROR(state_.output.PutU16(kMarkerEoc));
    FinishCodestreamBox(state_);
    state_.compressed = true;
    return JP2_Success;
  }

  // Releases the run's memory, and after a failure the output too, so that the run can be
  // repeated from the start; the first failure of the run or of a release is returned.
  Status Finish(Status result) {
    const Status releases[] = {hands_.Release(),
                               pool_.Release(),
                               pending_.Release(workers_.Memory()),
                               staged_.Release(workers_.Memory()),
                               Release(state_.memory, &tileBlock_),
                               Release(state_.memory, &runBlock_),
                               result.ok() ? Status() : state_.output.Abandon(state_.memory)};
    for (const Status& status : releases) {
      if (result.ok() && !status.ok()) result = status;
    }
    workers_.Stop();
    return result;
  }

 private:
  Status TakeWorkMemory() {
    BlockLayout layout;
    const std::uint64_t walksOffset = layout.Add(state_.componentCount, sizeof(WalkComponent));
    const std::uint64_t budgetsOffset = layout.Add(state_.tileCount, sizeof(std::uint64_t));
    JP2_RETURN_IF_ERROR(AllocateZeroed(state_.memory, layout, &runBlock_));
    walks_ = reinterpret_cast<WalkComponent*>(runBlock_.data + walksOffset);
    tileBudgets_ = reinterpret_cast<std::uint64_t*>(runBlock_.data + budgetsOffset);
    pool_.Init(workers_.Memory());
    return JP2_Success;
  }

  TilePacketPlan PlanOf(std::uint32_t tile) {
    const Rect rect = TileRect(state_, tile);
    for (int c = 0; c < state_.componentCount; ++c) {
      const ComponentGeometry& geometry = state_.components[c];
      const TileComponentCoding& coding = state_.Coding(tile, c);
      WalkComponent& walk = walks_[c];
      walk.tileComponent = TileComponentRect(state_, rect, c);
      walk.factorX = geometry.factor[kAxisX];
      walk.factorY = geometry.factor[kAxisY];
      walk.levels = coding.levels;
      walk.precincts = coding.precincts;
    }
    const TileCoding& coding = state_.tiles[tile];
    return TilePacketPlan{
        rect,
        walks_,
        &state_.Coding(tile, 0),
        state_.componentCount,
        coding.layers,
        coding.progression,
        {(coding.markers & JP2_Markers_SOP) != 0, (coding.markers & JP2_Markers_EPH) != 0}};
  }

  // Bytes of the tile-part header, found by writing it to a stream that keeps nothing.
  Status TilePartHeaderBytes(std::uint32_t tile, std::uint32_t* bytes) {
    OutputStream counter;
    JP2_RETURN_IF_ERROR(counter.Open(state_.memory, 16, DiscardBytes, 0));
    std::uint64_t sot = 0;
    const Status written = WriteTilePartHeader(state_, setup_, tile, counter, &sot);
    *bytes = static_cast<std::uint32_t>(counter.End());
    const Status closed = counter.Close(state_.memory);
    return written.ok() ? closed : written;
  }

  // Splits the target (the whole file) over the tiles by area and region coverage.
  Status ShareTarget() {
    ImageShare image;
    image.target = state_.targetSize;
    image.mainHeader = state_.output.End();
    const ReferenceGrid& grid = state_.grid;
    image.area = std::uint64_t{grid.extent[kAxisX] - grid.offset[kAxisX]} *
                 (grid.extent[kAxisY] - grid.offset[kAxisY]);
    const Rect whole{grid.offset[kAxisX], grid.offset[kAxisY], grid.extent[kAxisX],
                     grid.extent[kAxisY]};
    image.regionArea = RegionAreaInside(setup_.regions, setup_.regionCount, whole);
    image.regions = setup_.regionCount != 0;
    for (int c = 0; c < state_.componentCount; ++c) {
      const ComponentGeometry& g = state_.components[c];
      image.uncompressedBytes +=
          std::uint64_t{(g.depth + 7u) / 8u} * g.size[kAxisX] * g.size[kAxisY];
    }
    BlockLayout layout;
    layout.Add(state_.tileCount, sizeof(TileShare));
    OwnedBlock shareBlock;
    JP2_RETURN_IF_ERROR(AllocateZeroed(state_.memory, layout, &shareBlock));
    auto* shares = reinterpret_cast<TileShare*>(shareBlock.data);
    Status status;
    for (std::uint32_t t = 0; t < state_.tileCount && status.ok(); ++t) {
      const Rect rect = TileRect(state_, t);
      shares[t].area = std::uint64_t{rect.Width()} * rect.Height();
      shares[t].regionArea = RegionAreaInside(setup_.regions, setup_.regionCount, rect);
      status = TilePartHeaderBytes(t, &shares[t].tilePartHeader);
      TilePackets sizing;
      WorkArena arena;
      sizing.Plan(PlanOf(t), arena);
      shares[t].packets = sizing.PrecinctCount() * state_.tiles[t].layers;
    }
    if (status.ok()) status = TileBudgets(image, shares, state_.tileCount, tileBudgets_);
    const Status released = Release(state_.memory, &shareBlock);
    return status.ok() ? released : status;
  }

  Status CodeTile(std::uint32_t tile) {
    const TilePacketPlan plan = PlanOf(tile);
    TilePackets packets;
    WorkArena sizing;
    packets.Plan(plan, sizing);
    if (sizing.Layout().Overflowed()) return JP2_Error_OutOfMemory;
    JP2_RETURN_IF_ERROR(AllocateZeroed(state_.memory, sizing.Layout(), &tileBlock_));
    WorkArena carving(tileBlock_.data);
    packets.Plan(plan, carving);

    std::uint32_t headerBytes = 0;
    JP2_RETURN_IF_ERROR(TilePartHeaderBytes(tile, &headerBytes));
    TileLayering layering;
    layering.layers = plan.layers;
    layering.targeted = state_.targetSize != 0;
    layering.tilePartHeader = headerBytes;
    layering.nonEmptyPrecincts = packets.PrecinctCount();
    layering.tileBudget =
        tileBudgets_[tile] + headerBytes + layering.nonEmptyPrecincts * plan.layers;
    for (int c = 0; c < state_.componentCount; ++c) {
      const Rect& area = plan.components[c].tileComponent;
      layering.uncompressedBits +=
          std::uint64_t{state_.components[c].depth} * area.Width() * area.Height();
    }
    CodingSink sink(state_, tile, layering.targeted ? layering.tileBudget : 0, packets, workers_,
                    hands_, pending_, staged_, pool_);
    JP2_RETURN_IF_ERROR(TransformTile(state_, setup_, tile, sink));

    std::uint64_t budgets[kMaxLayers] = {};
    LayerBudgets(layering, budgets);
    // The first layer's budget carries the tile-part header, which is no packet byte.
    if (layering.targeted) budgets[0] -= std::min<std::uint64_t>(budgets[0], headerBytes);
    RateTile rate = packets.Rate();
    JP2_RETURN_IF_ERROR(FormLayers(rate, layering.targeted, budgets, state_.memory));

    std::uint64_t sot = 0;
    JP2_RETURN_IF_ERROR(WriteTilePartHeader(state_, setup_, tile, state_.output, &sot));
    StreamPacketSink stream(state_.output);
    JP2_RETURN_IF_ERROR(packets.Emit(stream, state_.memory));
    JP2_RETURN_IF_ERROR(PatchTilePartLength(state_.output, sot));
    JP2_RETURN_IF_ERROR(pool_.Release());
    return Release(state_.memory, &tileBlock_);
  }

  CompressState& state_;
  // First, so that it outlives everything that allocates through its serialised callbacks.
  WorkerPool workers_;
  TransformSetup setup_;
  OwnedBlock runBlock_;
  OwnedBlock tileBlock_;
  WalkComponent* walks_ = nullptr;
  std::uint64_t* tileBudgets_ = nullptr;
  PerThread<CodingHand> hands_;
  PendingBlocks pending_;
  StagedRows staged_;
  CodewordPool pool_;
};

Status CompressImage(CompressState& state) {
  // One run per handle: the output stays open for boxes appended after it.
  if (state.compressed) return JP2_Error_Internal;
  ImageRun run(state);
  return run.Finish(run.Run());
}

}  // namespace
}  // namespace quillon::jp2

extern "C" JP2_API int32_t JP2_Compress_Image(CompressHandle handle) {
  return quillon::jp2::WithState(handle, quillon::jp2::CompressImage);
}
