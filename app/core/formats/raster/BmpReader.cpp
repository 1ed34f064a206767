#include <algorithm>
#include <cstring>
#include <optional>

#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/BmpHeader.h"
#include "core/formats/raster/BmpRleDecoder.h"
#include "core/formats/raster/RasterIoSupport.h"

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

void ExpandRow(const std::uint8_t* source, const BmpLayout& layout, std::uint8_t* row) {
  const std::int32_t width = layout.width;
  switch (layout.bitCount) {
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
  const bool rle = layout.compression != 0;
  const std::uint64_t rowBytes = BmpFileRowBytes(layout);
  if (rle) {
    if (!PlausiblePictureSize(layout.width, layout.height, pixels.size(), kRlePixelsPerByte)) {
      return BmpResult::Truncated;
    }
  } else if (rowBytes * std::uint64_t(layout.height) > pixels.size()) {
    return BmpResult::Truncated;
  }

  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, layout.width, layout.height, layout.bitCount == 24, context)) {
    return BmpResult::NoMemory;
  }
  if (layout.bitCount != 24) ReadPalette(bytes, layout, picture);
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

bool ReadBmp(const std::filesystem::path& path, PictureDocument& document,
             FileIoContext& context) {
  WaitCursor wait(context.ui);
  std::vector<std::uint8_t> bytes;
  if (ReadFileBytes(path, bytes, kMaxRasterFileBytes) != FileReadStatus::Ok) {
    context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
    return false;
  }
  BmpLayout layout;
  std::optional<RowProgress> progress;
  if (ParseBmpHeader(bytes, layout)) {
    progress.emplace(context, kLoadingCaption, path, layout.height);
  }
  const BmpResult result = DecodeBmp(bytes, document, context, progress ? &*progress : nullptr, layout);
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
