#include "core/formats/raster/RasterIoSupport.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace quillon {

namespace {

// Every picture up to this many pixels is accepted whatever the source size.
constexpr std::uint64_t kAlwaysPlausiblePixels = std::uint64_t{1} << 24;

}  // namespace

RowProgress::RowProgress(FileIoContext& context, StringId caption,
                         const std::filesystem::path& path, std::int32_t rows) {
  if (!context.showProgress) return;
  progress_ = context.ui.BeginProgress(
      FormatMessage(context.ui.Strings().Load(caption), {DisplayName(path)}));
  if (progress_) progress_->SetRange(0, rows);
}

bool ConfirmFreeSpace(FileIoContext& context, const std::filesystem::path& target,
                      std::uint64_t requiredBytes, SpaceShortage policy) {
  const std::optional<std::uint64_t> free = context.disk.FreeBytes(target);
  if (!free || *free >= requiredBytes) return true;
  const auto clamp = [](std::uint64_t v) {
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(v, std::numeric_limits<std::int64_t>::max()));
  };
  if (policy == SpaceShortage::Refuse) {
    context.ui.MessageBox(143, MessageIcon::Exclamation, MessageButtons::Ok,
                          {clamp(*free), clamp(requiredBytes)});
    return false;
  }
  return context.ui.MessageBox(153, MessageIcon::Exclamation, MessageButtons::YesNo,
                               {clamp(*free), clamp(requiredBytes)}) == MessageAnswer::Yes;
}

FileReadStatus ReadFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                             std::uint64_t maxBytes) {
  bytes.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return FileReadStatus::CannotOpen;
  FileReadStatus status = FileReadStatus::Ok;
  std::uint8_t chunk[1 << 16];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
    if (got > maxBytes - bytes.size()) {
      status = FileReadStatus::TooLarge;
      break;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) {
      if (std::ferror(file)) status = FileReadStatus::ReadError;
      break;
    }
  }
  std::fclose(file);
  if (status != FileReadStatus::Ok) bytes.clear();
  return status;
}

bool ReadRasterFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                    FileIoContext& context) {
  if (ReadFileBytes(path, bytes, kMaxRasterFileBytes) == FileReadStatus::Ok) return true;
  context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                        {path.string()});
  return false;
}

bool PlausiblePictureSize(std::int64_t width, std::int64_t height, std::uint64_t sourceBytes,
                          std::uint64_t pixelsPerByte) {
  if (width <= 0 || height <= 0 || width > std::numeric_limits<std::int32_t>::max() ||
      height > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  const std::uint64_t pixels = std::uint64_t(width) * std::uint64_t(height);
  // 24-bit rows of the largest picture must still fit the 32-bit image size.
  if (pixels > std::numeric_limits<std::uint32_t>::max() / 3) return false;
  if (pixels <= kAlwaysPlausiblePixels) return true;
  const std::uint64_t limit = pixelsPerByte == 0 || sourceBytes <= pixels / pixelsPerByte
                                  ? sourceBytes * pixelsPerByte
                                  : pixels;
  return pixels <= limit;
}

bool CreateSizedPicture(Picture& picture, std::int32_t width, std::int32_t height, bool colour,
                        FileIoContext& context) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  if (picture.CreatePicture(colour)) return true;
  context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
  return false;
}

void ClearRowPadding(Picture& picture) {
  const std::size_t used = std::size_t(picture.Header().biWidth) * (picture.GetBitCount() / 8);
  const std::size_t stride = picture.GetStride();
  if (used == stride) return;
  for (std::int32_t y = 0; y < picture.Header().biHeight; ++y) {
    std::memset(picture.Row(y) + used, 0, stride - used);
  }
}

void LineToRgb(const Picture& picture, std::int32_t line, std::uint8_t* rgb) {
  const std::uint8_t* row = TopDownRow(picture, line);
  const std::int32_t width = picture.Header().biWidth;
  if (picture.GetBitCount() == 24) {
    for (std::int32_t x = 0; x < width; ++x, row += 3, rgb += 3) {
      rgb[0] = row[2];
      rgb[1] = row[1];
      rgb[2] = row[0];
    }
    return;
  }
  const RgbQuad* palette = picture.Palette();
  for (std::int32_t x = 0; x < width; ++x, rgb += 3) {
    const RgbQuad& entry = palette[row[x]];
    rgb[0] = entry.rgbRed;
    rgb[1] = entry.rgbGreen;
    rgb[2] = entry.rgbBlue;
  }
}

std::string DisplayName(const std::filesystem::path& path) {
  return path.filename().string();
}

}  // namespace quillon
