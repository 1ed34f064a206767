#include "core/formats/jp2/Jpeg2000RowSink.h"

#include <algorithm>

namespace quillon {

namespace {

constexpr std::uint32_t kDeepestSample = 32;

// Start of every channel sample's run of picture pixels, one entry past the last sample.
std::vector<std::uint32_t> Spread(std::uint32_t samples, std::uint32_t pixels) {
  std::vector<std::uint32_t> starts(std::size_t{samples} + 1);
  for (std::uint32_t i = 0; i <= samples; ++i) {
    starts[i] = static_cast<std::uint32_t>((std::uint64_t{i} * pixels + samples - 1) / samples);
  }
  return starts;
}

std::uint32_t ReadPacked(const std::uint8_t* packed, std::uint32_t bytes) {
  std::uint32_t value = 0;
  for (std::uint32_t b = 0; b < bytes; ++b) value |= std::uint32_t{packed[b]} << (8 * b);
  return value;
}

}  // namespace

std::uint8_t SampleTo8Bits(std::uint32_t sample, std::uint32_t depth, bool isSigned) {
  depth = std::clamp<std::uint32_t>(depth, 1, kDeepestSample);
  const std::uint64_t top = (std::uint64_t{1} << depth) - 1;
  std::uint64_t value = sample & top;
  if (isSigned) value = (value + (std::uint64_t{1} << (depth - 1))) & top;  // offset binary
  if (depth == 8) return static_cast<std::uint8_t>(value);
  if (depth > 8) {
    const std::uint32_t shift = depth - 8;
    return static_cast<std::uint8_t>(
        std::min<std::uint64_t>((value + (std::uint64_t{1} << (shift - 1))) >> shift, 255));
  }
  return static_cast<std::uint8_t>((value * 255 + top / 2) / top);
}

std::uint32_t PackedSampleBytes(std::uint32_t depth) {
  return depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
}

Jpeg2000RowSink::Jpeg2000RowSink(const Jp2ColourPlan& plan, std::uint32_t channels,
                                 Picture& picture, Progress* progress, std::uint64_t deliveries)
    : picture_(picture),
      targets_(channels),
      width_(plan.width),
      height_(plan.height),
      bytesPerPixel_(picture.GetBitCount() / 8),
      progress_(progress),
      deliveries_(deliveries) {
  for (const Jp2UsedChannel& used : plan.used) {
    if (used.channel >= channels) continue;
    Target& target = targets_[used.channel];
    target.used = true;
    target.channel = used;
    target.columnStarts = Spread(used.width, width_);
    target.rowStarts = Spread(used.height, height_);
    target.direct =
        used.palette.values == nullptr && used.depth == 8 && !used.isSigned && used.width == width_;
    if (used.slot == 3) fourth_.assign(std::size_t{width_} * height_, 0);
  }
}

std::int32_t Jpeg2000RowSink::Write(const void* samples, std::int16_t channel, std::uint32_t row,
                                    std::uint32_t column, std::uint32_t count,
                                    std::uintptr_t param) {
  auto& sink = *reinterpret_cast<Jpeg2000RowSink*>(param);
  sink.Advance();
  if (samples == nullptr || channel < 0 ||
      static_cast<std::size_t>(channel) >= sink.targets_.size()) {
    return 0;
  }
  const Target& target = sink.targets_[static_cast<std::size_t>(channel)];
  if (!target.used || row >= target.channel.height || column >= target.channel.width) return 0;
  sink.Store(target, static_cast<const std::uint8_t*>(samples), row, column,
             std::min(count, target.channel.width - column));
  return 0;
}

void Jpeg2000RowSink::Store(const Target& target, const std::uint8_t* packed, std::uint32_t row,
                            std::uint32_t column, std::uint32_t count) {
  const Jp2UsedChannel& channel = target.channel;
  const Jp2PaletteColumn& palette = channel.palette;
  const std::uint32_t packedDepth = palette.values != nullptr ? palette.indexDepth : channel.depth;
  const std::uint32_t bytes = PackedSampleBytes(std::min(packedDepth, kDeepestSample));
  const bool fourth = channel.slot == 3;
  // Slot 0 is red, the third byte of a blue-green-red pixel.
  const int offset = bytesPerPixel_ == 1 ? 0 : 2 - channel.slot;
  for (std::uint32_t y = target.rowStarts[row]; y < target.rowStarts[row + 1]; ++y) {
    std::uint8_t* line = fourth ? fourth_.data() + std::size_t{y} * width_
                                : picture_.Row(static_cast<std::int32_t>(height_ - 1 - y));
    if (target.direct) {
      const std::size_t step = fourth ? 1 : static_cast<std::size_t>(bytesPerPixel_);
      std::uint8_t* out = line + std::size_t{column} * step + (fourth ? 0 : offset);
      for (std::uint32_t i = 0; i < count; ++i) out[i * step] = packed[i];
      continue;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      std::uint32_t sample = ReadPacked(packed + std::size_t{i} * bytes, bytes);
      if (palette.values != nullptr) sample = palette.values[std::min(sample, palette.entries - 1)];
      const std::uint8_t value = SampleTo8Bits(sample, channel.depth, channel.isSigned);
      const std::uint32_t c = column + i;
      for (std::uint32_t x = target.columnStarts[c]; x < target.columnStarts[c + 1]; ++x) {
        if (fourth) {
          line[x] = value;
        } else {
          line[std::size_t{x} * bytesPerPixel_ + offset] = value;
        }
      }
    }
  }
}

void Jpeg2000RowSink::Advance() {
  if (progress_ == nullptr || deliveries_ == 0) return;
  ++delivered_;
  const int percent =
      static_cast<int>(std::min<std::uint64_t>(delivered_ * 100 / deliveries_, 100));
  if (percent != percent_) {
    percent_ = percent;
    progress_->SetPos(percent);
  }
}

}  // namespace quillon
