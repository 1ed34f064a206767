#include "core/formats/legacy/LegacyKvfReader.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/document/DocumentTitle.h"
#include "core/document/LoadOptions.h"
#include "core/formats/kvf/KvfReader.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/services/FormatMessage.h"
#include "kvfcodec/kvfcodec.h"

namespace quillon {

namespace {

struct LegacyHeader {
  std::int32_t width = 0, height = 0, channels = 0, filter = 0, levels = 0;
};

std::optional<LegacyHeader> ReadLegacyHeader(const std::filesystem::path& path) {
  LegacyHeader h;
  if (ReadHeader(path.c_str(), &h.width, &h.height, &h.channels, &h.filter, &h.levels) != 0)
    return std::nullopt;
  return h;
}

bool IsColour(const LegacyHeader& h) {
  return h.channels == 3;
}

std::uint64_t LegacyRawSize(const LegacyHeader& h) {
  return RawSize(static_cast<std::uint32_t>(h.width), static_cast<std::uint32_t>(h.height),
                 IsColour(h) ? 24 : 8);
}

void ReportLibraryError(FileIoContext& context, int code) {
  if (code == -6) {
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return;
  }
  const char* text = GetWaveletError(code);
  context.ui.MessageBox(context.ui.Strings().Load(kKvfLoadError) + "\n" + (text ? text : ""),
                        MessageIcon::Stop);
}

void SwapRedAndBlue(Picture& picture) {
  const std::int32_t width = picture.Header().biWidth;
  for (std::int32_t row = 0; row < picture.Header().biHeight; ++row) {
    std::uint8_t* p = picture.Row(row);
    for (std::int32_t x = 0; x < width; ++x) std::swap(p[3 * x], p[3 * x + 2]);
  }
}

}  // namespace

bool ReadKvfLegacy(const std::filesystem::path& path, PictureDocument& document,
                   FileIoContext& context, const OpenRequest& request) {
  WaitCursor wait(context.ui);
  const std::optional<LegacyHeader> header = ReadLegacyHeader(path);
  if (!header) return false;
  std::error_code error;
  const std::uint64_t fileLength = std::filesystem::file_size(path, error);
  if (error) return false;
  // The library refuses larger pictures; refusing them here keeps the picture unallocated.
  if (std::int64_t{header->width} * header->height * header->channels > KVF_MAX_PLANE_SAMPLES) {
    ReportLibraryError(context, -6);
    return false;
  }
  const std::uint64_t rawSize = LegacyRawSize(*header);
  const LegacyLoadLimits limits = LegacyLimits(request.load, rawSize);

  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, header->width, header->height, IsColour(*header), context))
    return false;
  ClearRowPadding(picture);
  const std::int32_t samples = IsColour(*header) ? 3 : 1;
  // The library's base is the lowest address: the bottom row, stepping upwards.
  const KvfOutputWindow window{header->width, header->height, samples,
                               -static_cast<std::int32_t>(picture.GetStride())};
  const std::optional<std::uint64_t> bytes =
      request.preview ? KvfPreviewBytes(limits.bytes) : limits.bytes;
  // A byte limit of 12 or less would mean the whole file to the library.
  const std::int32_t budget =
      bytes ? static_cast<std::int32_t>(std::clamp<std::uint64_t>(*bytes, 13, INT32_MAX)) : 0;
  KvfDecodeSettings settings{0, 0, limits.quality, budget};
  std::int32_t first = 0, colour = 0;
  std::uint8_t* rows = TopDownRow(picture, header->height - 1);
  const int code =
      WvlDekompressByteImage(path.c_str(), &settings, &window, &first, &rows, &colour, 0);
  if (code != 0) {
    ReportLibraryError(context, code);
    return false;
  }
  if (IsColour(*header)) SwapRedAndBlue(picture);
  picture.InvalidateCaches();
  document.compressionRatio = std::max(limits.ratio, CompressionRatio(rawSize, fileLength));
  return true;
}

std::optional<ProbeResult> ProbeKvfLegacy(const std::filesystem::path& path,
                                          const StringTable& strings) {
  KvfPictureSize size{};
  KvfLevelsFilter levelsFilter{};
  std::int32_t threshold = 0, colour = 0, versionZero = 0, stamp = 0;
  if (KvfReadHeaderV01(path.c_str(), &size, &levelsFilter, &threshold, &colour, &versionZero,
                       &stamp) != 0)
    return std::nullopt;
  const char* filterName = GetFilterLongName(levelsFilter.filter);
  const LegacyHeader header{size.width, size.height, size.channels, levelsFilter.filter,
                            levelsFilter.levels};
  std::error_code error;
  const std::uint64_t fileLength = std::filesystem::file_size(path, error);
  ProbeResult result;
  result.width = size.width;
  result.height = size.height;
  result.bitsPerPixel = IsColour(header) ? 24 : 8;
  result.formatText = FormatMessage(
      strings.Load(kLegacyKvfProbeInfo),
      {std::string(versionZero ? "V0" : "V1"), std::string(filterName ? filterName : ""),
       FormatRatio(error ? 0.0 : CompressionRatio(LegacyRawSize(header), fileLength))});
  return result;
}

}  // namespace quillon
