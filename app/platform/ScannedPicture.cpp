#include "platform/ScannedPicture.h"

#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr double kMetersPerInch = 0.0254;

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutLe16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

int Channels(FrameKind kind) {
  return kind == FrameKind::Rgb ? 3 : 1;
}

int ChannelOf(FrameKind kind) {
  switch (kind) {
    case FrameKind::Green:
      return 1;
    case FrameKind::Blue:
      return 2;
    default:
      return 0;
  }
}

}  // namespace

bool ScannedPicture::BeginFrame(const FrameFormat& format) {
  if (format.depth != 1 && format.depth != 8 && format.depth != 16) return false;
  if (format.pixelsPerLine <= 0 || format.bytesPerLine <= 0 || format.lines < -1) return false;
  const std::uint64_t bitsNeeded =
      std::uint64_t(format.pixelsPerLine) * Channels(format.kind) * std::uint64_t(format.depth);
  if (bitsNeeded > std::uint64_t(format.bytesPerLine) * 8) return false;
  const bool colour = format.kind != FrameKind::Gray;
  const bool pass = format.kind == FrameKind::Red || format.kind == FrameKind::Green ||
                    format.kind == FrameKind::Blue;
  const bool firstFrame = !begun_;
  if (!firstFrame && !(pass && colour_ && format.pixelsPerLine == width_)) return false;
  const std::uint64_t lineBytes = std::uint64_t(format.pixelsPerLine) * (colour ? 3 : 1);
  if (format.lines > 0 && lineBytes * std::uint64_t(format.lines) > maxBytes_) return false;

  frame_ = format;
  frameLine_ = 0;
  pending_.clear();
  if (firstFrame) {
    begun_ = true;
    colour_ = colour;
    width_ = format.pixelsPerLine;
    lines_ = 0;
  }
  return true;
}

bool ScannedPicture::Append(std::span<const std::uint8_t> bytes) {
  const std::size_t lineBytes = std::size_t(frame_.bytesPerLine);
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), lineBytes - pending_.size());
    pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(take));
    bytes = bytes.subspan(take);
    if (pending_.size() == lineBytes) {
      if (!TakeLine()) return false;
      pending_.clear();
    }
  }
  return true;
}

std::uint8_t ScannedPicture::Sample(const std::uint8_t* line, std::int32_t index) const {
  switch (frame_.depth) {
    case 1: {
      const bool set = (line[index / 8] >> (7 - index % 8)) & 1;
      // A set bit is black in grey frames and full intensity in colour frames.
      return frame_.kind == FrameKind::Gray ? (set ? 0 : 255) : (set ? 255 : 0);
    }
    case 16: {
      // Samples of 16 bits come in the machine's byte order; the high byte is kept.
      std::uint16_t value = 0;
      std::memcpy(&value, line + 2 * std::size_t(index), 2);
      return static_cast<std::uint8_t>(value >> 8);
    }
    default:
      return line[index];
  }
}

bool ScannedPicture::TakeLine() {
  if (frame_.lines >= 0 && frameLine_ >= frame_.lines) return false;
  const int channels = colour_ ? 3 : 1;
  const std::size_t lineSamples = std::size_t(width_) * channels;
  if (frameLine_ >= lines_) {
    if ((std::uint64_t(lines_) + 1) * lineSamples > maxBytes_) return false;
    samples_.resize(samples_.size() + lineSamples, 0);
    ++lines_;
  }
  std::uint8_t* out = samples_.data() + std::size_t(frameLine_) * lineSamples;
  const std::uint8_t* in = pending_.data();
  if (frame_.kind == FrameKind::Gray || frame_.kind == FrameKind::Rgb) {
    for (std::size_t i = 0; i < lineSamples; ++i) out[i] = Sample(in, std::int32_t(i));
  } else {
    const int channel = ChannelOf(frame_.kind);
    for (std::int32_t x = 0; x < width_; ++x) out[3 * std::size_t(x) + channel] = Sample(in, x);
  }
  ++frameLine_;
  return true;
}

std::vector<std::uint8_t> ScannedPicture::PackedDib() const {
  if (lines_ == 0) return {};
  const int bitCount = colour_ ? 24 : 8;
  const std::uint32_t paletteBytes = colour_ ? 0 : 1024;
  const std::uint32_t stride = (std::uint32_t(width_) * (bitCount / 8) + 3) & ~3u;
  const std::uint64_t imageSize = std::uint64_t(stride) * std::uint64_t(lines_);
  std::vector<std::uint8_t> dib(kInfoHeaderSize + paletteBytes + imageSize, 0);
  PutLe32(dib, 0, kInfoHeaderSize);
  PutLe32(dib, 4, std::uint32_t(width_));
  PutLe32(dib, 8, std::uint32_t(lines_));
  PutLe16(dib, 12, 1);
  PutLe16(dib, 14, static_cast<std::uint16_t>(bitCount));
  PutLe32(dib, 20, static_cast<std::uint32_t>(imageSize));
  const auto pelsPerMeter = static_cast<std::uint32_t>(dpi_ > 0 ? dpi_ / kMetersPerInch + 0.5 : 0);
  PutLe32(dib, 24, pelsPerMeter);
  PutLe32(dib, 28, pelsPerMeter);
  PutLe32(dib, 32, colour_ ? 0 : 256);
  for (std::uint32_t i = 0; i < paletteBytes / 4; ++i) {
    std::memset(&dib[kInfoHeaderSize + 4 * i], int(i), 3);
  }
  const std::size_t lineSamples = std::size_t(width_) * (colour_ ? 3 : 1);
  for (std::int32_t line = 0; line < lines_; ++line) {
    const std::uint8_t* in = samples_.data() + std::size_t(line) * lineSamples;
    std::uint8_t* row = dib.data() + kInfoHeaderSize + paletteBytes +
                        std::size_t(lines_ - 1 - line) * stride;  // bottom-up
    if (!colour_) {
      std::memcpy(row, in, lineSamples);
      continue;
    }
    for (std::int32_t x = 0; x < width_; ++x) {
      row[3 * x] = in[3 * x + 2];  // blue, green, red
      row[3 * x + 1] = in[3 * x + 1];
      row[3 * x + 2] = in[3 * x];
    }
  }
  return dib;
}

}  // namespace quillon
