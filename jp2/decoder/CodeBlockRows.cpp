#include "decoder/CodeBlockRows.h"

#include <algorithm>
#include <cstring>

#include "decoder/BandStepSize.h"

namespace quillon::jp2 {
namespace {

int GainBits(BandOrientation orientation) {
  return orientation == kBandLL ? 0 : orientation == kBandHH ? 2 : 1;
}

int ResolutionOf(int levels, int level, BandOrientation orientation) {
  return orientation == kBandLL ? 0 : levels - level + 1;
}

}  // namespace

template <typename Sample>
Status CodeBlockRows<Sample>::Init(const MemoryCallbacks& memory, TileRecords& records, int c,
                                   int keptResolution, const ComponentInfo& component,
                                   CodeBlockBytes* bytes, WorkerPool* workers,
                                   PerThread<DecodingHand>* hands) {
  memory_ = memory;
  records_ = &records;
  component_ = c;
  levels_ = records.Component(c).params.levels;
  keptResolution_ = keptResolution;
  info_ = component;
  bytes_ = bytes;
  workers_ = workers;
  hands_ = hands;
  BlockLayout layout, aheadLayout;
  std::uint64_t offsets[kDecoderBandSlots] = {};
  std::uint64_t zeroOffsets[kDecoderBandSlots] = {};
  std::uint64_t aheadOffsets[kDecoderBandSlots] = {};
  std::uint64_t aheadZeroOffsets[kDecoderBandSlots] = {};
  std::uint64_t aheadBlockOffsets[kDecoderBandSlots] = {};
  const bool ahead = workers->Threads() > 1;
  std::uint64_t widestRow = 1;
  for (int r = 0; r <= keptResolution; ++r) {
    const ResolutionRecord& level = records.Resolution(c, r);
    for (int b = 0; b < level.bandCount; ++b) {
      const BandBlockGrid& grid = level.bands[b].grid;
      const std::uint64_t rows =
          std::min<std::uint64_t>(grid.area.Height(), std::uint64_t{1} << grid.ycb);
      const std::uint64_t samples = std::max<std::uint64_t>(rows * grid.area.Width(), 1);
      const std::uint64_t across = std::max<std::uint64_t>(grid.across, 1);
      const int index = BandIndex(r, level.bands[b].orientation);
      offsets[index] = layout.Add(samples, sizeof(Sample));
      zeroOffsets[index] = layout.Add(across, 1);
      aheadOffsets[index] = aheadLayout.Add(samples, sizeof(Sample));
      aheadZeroOffsets[index] = aheadLayout.Add(across, 1);
      aheadBlockOffsets[index] = aheadLayout.Add(across, sizeof(std::uint64_t));
      widestRow = std::max<std::uint64_t>(widestRow, grid.across);
    }
  }
  const std::uint64_t offsetsAt = layout.Add(widestRow, sizeof(std::uint64_t));
  // Every part of both blocks is written before it is read: a row's block offsets when it
  // begins, its zero marks and the samples of its other blocks when it is decoded. Left
  // unfilled, the strips are first touched by the threads that decode into them.
  JP2_RETURN_IF_ERROR(AllocateUnfilled(memory, layout, &block_));
  // The strips ahead are a block of their own: one thread allocates as it did without them.
  if (ahead) JP2_RETURN_IF_ERROR(AllocateUnfilled(memory, aheadLayout, &aheadBlock_));
  task_.offsets = reinterpret_cast<std::uint64_t*>(block_.data + offsetsAt);
  for (int r = 0; r <= keptResolution; ++r) {
    const ResolutionRecord& level = records.Resolution(c, r);
    for (int b = 0; b < level.bandCount; ++b) {
      const int index = BandIndex(r, level.bands[b].orientation);
      Strip& strip = strips_[index];
      strip.held = {reinterpret_cast<Sample*>(block_.data + offsets[index]),
                    block_.data + zeroOffsets[index]};
      if (ahead) {
        strip.ahead = {reinterpret_cast<Sample*>(aheadBlock_.data + aheadOffsets[index]),
                       aheadBlock_.data + aheadZeroOffsets[index]};
        strip.aheadTask.offsets =
            reinterpret_cast<std::uint64_t*>(aheadBlock_.data + aheadBlockOffsets[index]);
        strip.aheadBytes.Init(*bytes);
      }
    }
  }
  return JP2_Success;
}

template <typename Sample>
Status CodeBlockRows<Sample>::Release() {
  Status result;
  const auto keep = [&result](const Status& status) {
    if (result.ok()) result = status;
  };
  for (Strip& strip : strips_) {
    // A row decoding ahead writes into the strip and reads its bytes until it is done.
    if (workers_ != nullptr) keep(workers_->Finish(strip.aheadBatch));
    keep(strip.aheadBytes.Release());
  }
  keep(jp2::Release(memory_, &block_));
  keep(jp2::Release(memory_, &aheadBlock_));
  return result;
}

template <typename Sample>
void CodeBlockRows<Sample>::InputOf(const BandRecord& band, const CodeBlockRecord& block,
                                    const std::uint8_t* data, CodewordSegment* segments,
                                    CodeBlockInput* out) const {
  const CodecArray<SegmentPiece>& pieces = records_->Pieces();
  const TileComponentParams& params = records_->Component(component_).params;
  const int resolution = ResolutionOf(levels_, band.level, band.orientation);
  const int index = BandIndex(resolution, band.orientation);
  // Scalar derived quantization signals the LL step only; the others follow from it.
  const bool derived = params.quantStyle == 1;
  const std::uint16_t step = params.bandSteps[derived || index >= params.stepCount ? 0 : index];
  const int exponent = derived ? DerivedExponent(step >> 11, levels_, band.level) : step >> 11;
  CodeBlockInput& in = *out;
  in = CodeBlockInput{};
  in.passes = block.passes;
  in.zeroBitPlanes = block.zeroBitPlanes;
  in.magnitudeBits = static_cast<std::uint8_t>(std::clamp(params.guardBits + exponent - 1, 0, 255));
  in.roiShift = params.roiShift;
  in.style = params.codeBlockStyle;
  in.orientation = static_cast<std::uint8_t>(band.orientation);
  in.stepSize = BandStepSize(exponent, step & 0x7FF, info_.depth + GainBits(band.orientation));
  if (block.passes <= 0) return;
  in.data = block.length != 0 ? data : nullptr;
  in.length = block.length;
  std::uint32_t count = 0, passesBefore = 0;
  for (std::uint32_t i = block.firstPiece; i != kNoPiece; i = pieces[i].next) {
    const CodewordSegment piece{pieces[i].passes, pieces[i].length};
    if (!AddSegmentPiece(in.style, passesBefore, piece, segments, &count, kMaxCodewordSegments)) {
      break;
    }
    passesBefore += piece.passes;
  }
  in.segments = segments;
  in.segmentCount = count;
}

template <typename Sample>
Status CodeBlockRows<Sample>::RowTask::operator()(std::uint32_t bx, int thread) const {
  const BandBlockGrid& grid = band->grid;
  const std::uint64_t cellLeft = std::uint64_t{grid.firstX + bx} << grid.xcb;
  const auto left = static_cast<std::uint32_t>(std::max<std::uint64_t>(grid.area.x0, cellLeft));
  const auto right = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(grid.area.x1, cellLeft + (std::uint64_t{1} << grid.xcb)));
  const CodeBlockRecord& block = band->Block(bx, blockRow);
  out.zeroBlocks[bx] = block.passes <= 0 ? 1 : 0;
  if (block.passes <= 0) return JP2_Success;
  DecodingHand& hand = (*rows->hands_)[thread];
  CodeBlockInput in;
  rows->InputOf(*band, block, bytes->Data() + offsets[bx], hand.segments, &in);
  in.width = right - left;
  in.height = bottom - top;
  return hand.decoder.Decode(in, out.samples + (left - grid.area.x0), grid.area.Width());
}

template <typename Sample>
Status CodeBlockRows<Sample>::BeginRow(const BandRecord& band, const StripRows& out,
                                       std::uint32_t blockRow, RowTask& task, CodeBlockBytes& bytes,
                                       BatchTicket* batch, bool deferred) {
  const BandBlockGrid& grid = band.grid;
  const std::uint64_t cellTop = std::uint64_t{grid.firstY + blockRow} << grid.ycb;
  task.rows = this;
  task.band = &band;
  task.out = out;
  task.bytes = &bytes;
  task.blockRow = blockRow;
  task.top = static_cast<std::uint32_t>(std::max<std::uint64_t>(grid.area.y0, cellTop));
  task.bottom = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(grid.area.y1, cellTop + (std::uint64_t{1} << grid.ycb)));
  // Input is read on the calling thread only.
  bytes.Clear();
  for (std::uint32_t bx = 0; bx < grid.across; ++bx) {
    JP2_RETURN_IF_ERROR(
        bytes.Append(records_->Pieces(), band.Block(bx, blockRow), &task.offsets[bx]));
  }
  *batch = workers_->Begin(grid.across, task, deferred);
  return JP2_Success;
}

template <typename Sample>
Status CodeBlockRows<Sample>::DecodeStrip(const BandRecord& band, Strip& strip,
                                          std::uint32_t blockRow) {
  // The row ahead is used, or at least done with, before its strip and bytes are reused.
  JP2_RETURN_IF_ERROR(workers_->Finish(strip.aheadBatch));
  if (strip.aheadRow == blockRow) {
    std::swap(strip.held, strip.ahead);
    strip.top = strip.aheadTask.top;
  } else {
    BatchTicket batch;
    JP2_RETURN_IF_ERROR(BeginRow(band, strip.held, blockRow, task_, *bytes_, &batch, false));
    JP2_RETURN_IF_ERROR(workers_->Finish(batch));
    strip.top = task_.top;
  }
  strip.blockRow = blockRow;
  strip.aheadRow = -1;
  return BeginAhead(band, strip, blockRow + 1, false);
}

template <typename Sample>
Status CodeBlockRows<Sample>::BeginAhead(const BandRecord& band, Strip& strip,
                                         std::uint32_t blockRow, bool deferred) {
  if (strip.ahead.samples == nullptr || blockRow >= band.grid.down || workers_->Full()) {
    return JP2_Success;
  }
  JP2_RETURN_IF_ERROR(BeginRow(band, strip.ahead, blockRow, strip.aheadTask, strip.aheadBytes,
                               &strip.aheadBatch, deferred));
  strip.aheadRow = blockRow;
  return JP2_Success;
}

template <typename Sample>
Status CodeBlockRows<Sample>::Prime() {
  for (int r = 0; r <= keptResolution_; ++r) {
    const ResolutionRecord& level = records_->Resolution(component_, r);
    for (int b = 0; b < level.bandCount; ++b) {
      const BandRecord& band = level.bands[b];
      JP2_RETURN_IF_ERROR(BeginAhead(band, strips_[BandIndex(r, band.orientation)], 0, true));
    }
  }
  return JP2_Success;
}

template <typename Sample>
Status CodeBlockRows<Sample>::FillRows(int level, BandOrientation orientation,
                                       std::uint32_t firstRow, std::uint32_t endRow, Sample* rows,
                                       std::size_t stride) {
  const int resolution = ResolutionOf(levels_, level, orientation);
  const ResolutionRecord& records = records_->Resolution(component_, resolution);
  const BandRecord& band = records.bands[orientation == kBandLL ? 0 : orientation - 1];
  Strip& strip = strips_[BandIndex(resolution, orientation)];
  const BandBlockGrid& grid = band.grid;
  const std::uint32_t width = grid.area.Width();
  for (std::uint32_t y = firstRow; y < endRow; ++y) {
    const std::uint32_t blockRow = (y >> grid.ycb) - grid.firstY;
    if (strip.blockRow != blockRow) JP2_RETURN_IF_ERROR(DecodeStrip(band, strip, blockRow));
    Sample* to = rows + std::size_t{y - firstRow} * stride;
    const Sample* from = strip.held.samples + std::size_t{y - strip.top} * width;
    // Runs of blocks of one kind are copied or zeroed at once.
    std::uint32_t runStart = 0;
    for (std::uint32_t bx = 0; bx < grid.across; ++bx) {
      const bool zero = strip.held.zeroBlocks[bx] != 0;
      if (bx + 1 < grid.across && (strip.held.zeroBlocks[bx + 1] != 0) == zero) continue;
      const std::uint64_t cellRight = std::uint64_t{grid.firstX + bx + 1} << grid.xcb;
      const auto runEnd = static_cast<std::uint32_t>(
          std::min<std::uint64_t>(grid.area.x1, cellRight) - grid.area.x0);
      const std::size_t bytes = sizeof(Sample) * (runEnd - runStart);
      if (zero) {
        std::memset(to + runStart, 0, bytes);
      } else {
        std::memcpy(to + runStart, from + runStart, bytes);
      }
      runStart = runEnd;
    }
  }
  return JP2_Success;
}

template class CodeBlockRows<std::int32_t>;
template class CodeBlockRows<float>;

}  // namespace quillon::jp2
