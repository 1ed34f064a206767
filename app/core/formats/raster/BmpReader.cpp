#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/BmpHeader.h"
#include "core/formats/raster/BmpRleDecoder.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/SampleScaling.h"

namespace quillon {

namespace {

// RLE8 and RLE4 runs reach at most 255 pixels per 2 bytes; rows skipped by delta codes or
// left out before the end-of-bitmap code cost nothing, so a few more are allowed.
constexpr std::uint64_t kRlePixelsPerByte = 4096;

enum class BmpResult { Ok, BadHeader, Truncated, NoMemory };

void ReadPalette(std::span<const std::uint8_t> bytes, const BmpLayout& layout, Picture& picture) {
  RgbQuad* palette = picture.Palette();
  const std::size_t start = kBmpFileHeaderSize + layout.infoSize;
  for (std::uint32_t i = 0; i < kPaletteEntries; ++i) {
    const std::size_t at = start + std::size_t{i} * layout.paletteEntrySize;
    if (i < layout.paletteEntries && at + 3 <= bytes.size()) {
      palette[i] = RgbQuad{bytes[at], bytes[at + 1], bytes[at + 2], 0};
    } else {
      palette[i] = RgbQuad{};
    }
  }
}

// One channel of a 16- or 32-bit pixel, by its mask (non-zero, one run of at most 16 bits).
// Channels of up to 8 bits repeat their bits downwards (5-bit 10110 becomes 10110101), as
// ImageMagick and other bitmap readers widen them; wider ones are rounded like deep samples.
class MaskedChannel {
 public:
  explicit MaskedChannel(std::uint32_t mask)
      : mask_(mask),
        shift_(mask == 0 ? 0 : std::countr_zero(mask)),
        bits_(std::popcount(mask)),
        max_(mask >> shift_) {}
  std::uint8_t To8(std::uint32_t pixel) const {
    const std::uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ > 8) return ScaleTo8(v, max_);
    std::uint32_t wide = v << (8 - bits_);
    for (int filled = bits_; filled < 8; filled += bits_) wide |= wide >> bits_;
    return static_cast<std::uint8_t>(wide);
  }
  std::uint32_t To16(std::uint32_t pixel) const {
    return bits_ > 8 ? ScaleTo16((pixel & mask_) >> shift_, max_) : To8(pixel) * 257u;
  }

 private:
  std::uint32_t mask_;
  int shift_;
  int bits_;
  std::uint32_t max_;
};

// A row of 16- or 32-bit pixels (little-endian) into blue, green, red; a pixel with opacity
// is composited over mid grey.
void ExpandMaskedRow(const std::uint8_t* source, const BmpLayout& layout, std::uint8_t* row) {
  const MaskedChannel channels[3] = {MaskedChannel(layout.masks.blue),
                                     MaskedChannel(layout.masks.green),
                                     MaskedChannel(layout.masks.red)};
  const MaskedChannel alpha(layout.masks.alpha);
  const bool wide = layout.bitCount == 32;
  for (std::int32_t x = 0; x < layout.width; ++x, row += 3) {
    const std::uint8_t* p = source + std::size_t(x) * (wide ? 4 : 2);
    std::uint32_t pixel = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8;
    if (wide) pixel |= std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    if (layout.masks.alpha == 0) {
      for (int c = 0; c < 3; ++c) row[c] = channels[c].To8(pixel);
    } else {
      const std::uint32_t a = alpha.To16(pixel);
      for (int c = 0; c < 3; ++c) row[c] = OverBackground(channels[c].To16(pixel), a);
    }
  }
}

void ExpandRow(const std::uint8_t* source, const BmpLayout& layout, std::uint8_t* row) {
  const std::int32_t width = layout.width;
  switch (layout.bitCount) {
    case 16:
    case 32:
      ExpandMaskedRow(source, layout, row);
      break;
    case 24:
    case 8:
      std::memcpy(row, source, std::size_t(width) * (layout.bitCount / 8));
      break;
    case 4:
      for (std::int32_t x = 0; x < width; ++x) {
        row[x] = (x & 1) ? source[x / 2] & 0x0F : source[x / 2] >> 4;
      }
      break;
    default:
      for (std::int32_t x = 0; x < width; ++x) row[x] = (source[x / 8] >> (7 - (x & 7))) & 1;
      break;
  }
}

BmpResult DecodeBmp(std::span<const std::uint8_t> bytes, PictureDocument& document,
                    FileIoContext& context, RowProgress* progress, BmpLayout& layout) {
  if (!ParseBmpHeader(bytes, layout)) return BmpResult::BadHeader;
  if (layout.pixelOffset > bytes.size()) return BmpResult::Truncated;
  // The palette ends where the pixels begin, whatever the entry count says.
  const std::size_t paletteStart = kBmpFileHeaderSize + layout.infoSize;
  if (layout.pixelOffset >= paletteStart) {
    layout.paletteEntries = std::min<std::uint32_t>(
        layout.paletteEntries, (layout.pixelOffset - paletteStart) / layout.paletteEntrySize);
  }

  const std::span<const std::uint8_t> pixels = bytes.subspan(layout.pixelOffset);
  const bool rle = layout.compression == kBmpRle8 || layout.compression == kBmpRle4;
  const std::uint64_t rowBytes = BmpFileRowBytes(layout);
  if (rle) {
    if (!PlausiblePictureSize(layout.width, layout.height, pixels.size(), kRlePixelsPerByte)) {
      return BmpResult::Truncated;
    }
  } else if (rowBytes * std::uint64_t(layout.height) > pixels.size()) {
    return BmpResult::Truncated;
  }

  Picture& picture = document.GetPicture();
  const bool colour = layout.bitCount >= 16;
  if (!CreateSizedPicture(picture, layout.width, layout.height, colour, context)) {
    return BmpResult::NoMemory;
  }
  if (!colour) ReadPalette(bytes, layout, picture);
  // File row r lands in memory row r for bottom-up files, counted from the top otherwise.
  const auto rowAt = [&](std::int32_t fileRow) {
    return picture.Row(layout.topDown ? layout.height - 1 - fileRow : fileRow);
  };

  if (rle) {
    std::memset(picture.Bits(), 0, picture.Header().biSizeImage);
    if (!DecodeBmpRle(pixels, layout, rowAt)) return BmpResult::Truncated;
  } else {
    ClearRowPadding(picture);
    for (std::int32_t r = 0; r < layout.height; ++r) {
      ExpandRow(pixels.data() + rowBytes * std::uint64_t(r), layout, rowAt(r));
      if (progress != nullptr) progress->Step();
    }
  }
  if (layout.infoSize != 12) {
    picture.Header().biXPelsPerMeter = layout.xPelsPerMeter;
    picture.Header().biYPelsPerMeter = layout.yPelsPerMeter;
  }
  picture.InvalidateCaches();
  return BmpResult::Ok;
}

}  // namespace

bool ReadBmp(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context) {
  WaitCursor wait(context.ui);
  std::vector<std::uint8_t> bytes;
  if (!ReadRasterFile(path, bytes, context)) return false;
  BmpLayout layout;
  std::optional<RowProgress> progress;
  if (ParseBmpHeader(bytes, layout)) {
    progress.emplace(context, kLoadingCaption, path, layout.height);
  }
  const BmpResult result =
      DecodeBmp(bytes, document, context, progress ? &*progress : nullptr, layout);
  if (result == BmpResult::Truncated) {
    context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
  }
  if (result != BmpResult::Ok) return false;
  const double raw = double(layout.width) * layout.height * layout.bitCount / 8.0;
  document.compressionRatio = bytes.empty() ? 0.0 : raw / double(bytes.size());
  return true;
}

bool ReadBmpMemory(std::span<const std::uint8_t> fileImage, PictureDocument& document,
                   FileIoContext& context) {
  BmpLayout layout;
  return DecodeBmp(fileImage, document, context, nullptr, layout) == BmpResult::Ok;
}

}  // namespace quillon
