#include "core/picture/Picture.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace quillon {

namespace {

// Largest whole dpi value that still fits the 16.16 format.
constexpr std::int64_t kMaxDpi = 0xFFFF;

}  // namespace

std::uint32_t dpi16FromPelsPerMeter(std::int32_t pelsPerMeter) {
  // Files carry any value here; a negative or absurd resolution is clamped into 16.16 range.
  const auto dpi = static_cast<std::int64_t>(pelsPerMeter * 0.0254 + 0.5);
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(dpi, 0, kMaxDpi) << 16);
}

std::int32_t pelsPerMeterFromDpi16(std::uint32_t dpi16) {
  // Fits: the largest 16.16 value times 39.37 shifted right by 16 is below 2^22.
  return static_cast<std::int32_t>(
      static_cast<std::int64_t>(static_cast<double>(dpi16) * 39.37007874016 + 0.5) >> 16);
}

std::int32_t pelsPerMeterFromFixed16(std::uint32_t pelsPerMeter16) {
  return static_cast<std::int32_t>(pelsPerMeter16 >> 16);
}

std::uint32_t strideFor(std::int32_t width, int bitCount) {
  if (width <= 0 || (bitCount != 8 && bitCount != 24)) return 0;
  const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(bitCount / 8);
  const std::uint64_t stride = (bytes + 3) & ~std::uint64_t{3};
  return stride > std::numeric_limits<std::uint32_t>::max() ? 0 : std::uint32_t(stride);
}

std::int32_t Picture::GetWidth() const {
  return header_.biSizeImage == 0 ? 0 : header_.biWidth;
}

std::int32_t Picture::GetHeight() const {
  return header_.biSizeImage == 0 ? 0 : header_.biHeight;
}

void Picture::WriteGrayRamp() {
  for (int i = 0; i < kPaletteEntries; ++i) {
    const auto v = static_cast<std::uint8_t>(i);
    palette_[i] = RgbQuad{v, v, v, v};
  }
}

bool Picture::CreatePicture(bool colour) {
  bits_.reset();
  header_.biSizeImage = 0;
  InvalidateCaches();

  const int bitCount = colour ? 24 : 8;
  const std::uint32_t stride = strideFor(header_.biWidth, bitCount);
  if (stride == 0 || header_.biHeight <= 0) return false;
  const std::uint64_t size = std::uint64_t{stride} * std::uint64_t(header_.biHeight);
  if (size > std::numeric_limits<std::uint32_t>::max()) return false;

  bits_.reset(new (std::nothrow) std::uint8_t[size]);
  if (!bits_) return false;

  header_.biSize = 40;
  header_.biPlanes = 1;
  header_.biBitCount = static_cast<std::uint16_t>(bitCount);
  header_.biCompression = 0;
  header_.biSizeImage = static_cast<std::uint32_t>(size);
  header_.biXPelsPerMeter = kDefaultPelsPerMeter;
  header_.biYPelsPerMeter = kDefaultPelsPerMeter;
  header_.biClrUsed = colour ? 0 : kPaletteEntries;
  header_.biClrImportant = 0;
  WriteGrayRamp();
  return true;
}

Picture::Triple Picture::GetPixel(std::int32_t x, std::int32_t memoryRow) const {
  if (IsEmpty() || x < 0 || memoryRow < 0 || x >= header_.biWidth ||
      memoryRow >= header_.biHeight) {
    return {0, 0, 0};
  }
  const std::uint8_t* row = Row(memoryRow);
  if (header_.biBitCount == 24) return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
  const RgbQuad& entry = palette_[row[x]];
  return {entry.rgbBlue, entry.rgbGreen, entry.rgbRed};
}

bool Picture::IsGray() const {
  if (IsEmpty()) return false;
  if (header_.biBitCount == 24) {
    const std::size_t rowBytes = std::size_t(header_.biWidth) * 3;
    for (std::int32_t y = 0; y < header_.biHeight; ++y) {
      const std::uint8_t* p = Row(y);
      for (std::size_t i = 0; i < rowBytes; i += 3) {
        if (p[i] != p[i + 1] || p[i] != p[i + 2]) return false;
      }
    }
    return true;
  }
  // Padding bytes count too: they index the palette like pixels do.
  bool grayEntry[kPaletteEntries];
  for (int i = 0; i < kPaletteEntries; ++i) {
    grayEntry[i] =
        palette_[i].rgbBlue == palette_[i].rgbGreen && palette_[i].rgbBlue == palette_[i].rgbRed;
  }
  const std::uint8_t* p = bits_.get();
  for (std::uint32_t i = 0; i < header_.biSizeImage; ++i) {
    if (!grayEntry[p[i]]) return false;
  }
  return true;
}

bool Picture::IsGrayRamp() {
  if (grayRamp_ < 0) {
    bool ramp = header_.biBitCount == 8;
    for (int i = 0; ramp && i < kPaletteEntries; ++i) {
      ramp = palette_[i].rgbBlue == i && palette_[i].rgbGreen == i && palette_[i].rgbRed == i;
    }
    grayRamp_ = ramp ? 1 : 0;
  }
  return grayRamp_ == 1;
}

bool Picture::IsTwoLevel() {
  if (twoLevel_ < 0) {
    const auto extreme = [](std::uint8_t v) { return v == 0 || v == 255; };
    bool twoLevel = !IsEmpty();
    if (twoLevel && header_.biBitCount == 24) {
      const std::size_t rowBytes = std::size_t(header_.biWidth) * 3;
      for (std::int32_t y = 0; twoLevel && y < header_.biHeight; ++y) {
        twoLevel = std::all_of(Row(y), Row(y) + rowBytes, extreme);
      }
    } else if (twoLevel) {
      std::array<std::uint32_t, kPaletteEntries> counts;
      CountIndices(counts);
      for (int i = 0; twoLevel && i < kPaletteEntries; ++i) {
        const RgbQuad& e = palette_[i];
        twoLevel =
            counts[i] == 0 || (extreme(e.rgbBlue) && extreme(e.rgbGreen) && extreme(e.rgbRed));
      }
    }
    twoLevel_ = twoLevel ? 1 : 0;
  }
  return twoLevel_ == 1;
}

int Picture::GetDisplayDepth() {
  return IsTwoLevel() ? 1 : header_.biBitCount;
}

void Picture::SwapRedBlue(std::int32_t memoryRow) {
  if (IsEmpty() || header_.biBitCount != 24 || memoryRow < 0 || memoryRow >= header_.biHeight) {
    return;
  }
  std::uint8_t* p = Row(memoryRow);
  for (std::int32_t x = 0; x < header_.biWidth; ++x, p += 3) std::swap(p[0], p[2]);
}

bool Picture::GrayToPalette8() {
  if (header_.biBitCount != 24 || !IsGray()) return false;
  const std::uint32_t newStride = strideFor(header_.biWidth, 8);
  const std::uint64_t size = std::uint64_t{newStride} * std::uint64_t(header_.biHeight);
  std::unique_ptr<std::uint8_t[]> gray(new (std::nothrow) std::uint8_t[size]);
  if (!gray) return false;
  for (std::int32_t y = 0; y < header_.biHeight; ++y) {
    const std::uint8_t* src = Row(y);
    std::uint8_t* dst = gray.get() + std::size_t(y) * newStride;
    for (std::int32_t x = 0; x < header_.biWidth; ++x) dst[x] = src[3 * x];
    std::memset(dst + header_.biWidth, 0, newStride - std::uint32_t(header_.biWidth));
  }
  bits_ = std::move(gray);
  header_.biBitCount = 8;
  header_.biSizeImage = static_cast<std::uint32_t>(size);
  header_.biClrUsed = kPaletteEntries;
  WriteGrayRamp();
  InvalidateCaches();
  return true;
}

bool Picture::PaletteToGrayRamp() {
  if (IsEmpty() || header_.biBitCount != 8) return false;
  const std::array<RgbQuad, kPaletteEntries> old = palette_;
  WriteGrayRamp();
  for (std::int32_t y = 0; y < header_.biHeight; ++y) {
    std::uint8_t* p = Row(y);
    for (std::int32_t x = 0; x < header_.biWidth; ++x) p[x] = old[p[x]].rgbRed;
  }
  InvalidateCaches();
  return true;
}

CodecLayout Picture::GetCodecLayout() {
  CodecLayout layout;
  if (IsEmpty()) return layout;
  layout.width = header_.biWidth;
  layout.height = header_.biHeight;
  layout.bytesPerPixel = header_.biBitCount / 8;
  layout.lineStep = -static_cast<std::int32_t>(GetStride());
  layout.pixelStep = layout.bytesPerPixel;
  layout.topRow = Row(header_.biHeight - 1);
  return layout;
}

void Picture::CountIndices(std::array<std::uint32_t, kPaletteEntries>& counts) const {
  if (header_.biBitCount != 8) return;
  counts.fill(0);
  if (IsEmpty()) return;
  for (std::int32_t y = 0; y < header_.biHeight; ++y) {
    const std::uint8_t* p = Row(y);
    for (std::int32_t x = 0; x < header_.biWidth; ++x) ++counts[p[x]];
  }
}

void Picture::SetDpi16(std::uint32_t x, std::uint32_t y) {
  header_.biXPelsPerMeter = pelsPerMeterFromDpi16(x);
  header_.biYPelsPerMeter = pelsPerMeterFromDpi16(y);
}

void Picture::SetPelsPerMeter16(std::uint32_t x, std::uint32_t y) {
  header_.biXPelsPerMeter = pelsPerMeterFromFixed16(x);
  header_.biYPelsPerMeter = pelsPerMeterFromFixed16(y);
}

}  // namespace quillon
