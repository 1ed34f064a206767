#include "core/SaveWarnings.h"

#include <cmath>
#include <limits>

namespace quillon {

namespace {

constexpr double kAboveAllSizes = 18446744073709551616.0;  // 2^64

}  // namespace

std::uint64_t ExpectedCompressedSize(const SaveOptions& options, const SavePictureFacts& picture) {
  const std::uint64_t raw =
      std::uint64_t{picture.width} * picture.height * (picture.grey ? 1u : 3u);
  switch (options.option) {
    case SaveOption::Lossless:
      return raw;
    case SaveOption::Quality: {
      // The dialog keeps the quality in 1..100; anything else is taken at its nearest end.
      const int quality = options.quality < 1 ? 1 : options.quality > 100 ? 100 : options.quality;
      return raw / static_cast<std::uint64_t>(501 - 5 * quality);
    }
    case SaveOption::CompressionRate:
      // A rate below 1 cannot shrink the picture: count it as uncompressed.
      if (!(options.rate >= 1.0)) return raw;
      return static_cast<std::uint64_t>(std::llround(static_cast<double>(raw) / options.rate));
    case SaveOption::FileSize: {
      const double bytes = options.sizeKb * 1024.0;
      if (!(bytes > 0.0)) return 0;
      if (bytes >= kAboveAllSizes) return std::numeric_limits<std::uint64_t>::max();
      return static_cast<std::uint64_t>(bytes);
    }
  }
  return raw;
}

SaveCheck CheckSave(PictureFormat type, const SaveOptions& options,
                    const SavePictureFacts& picture) {
  if (type == PictureFormat::Jpeg2000 && options.progression == SortedBy::Color && picture.grey) {
    return {SaveVerdict::Refuse, kSortedByColorNeedsColour};
  }
  const bool wavelet = type == PictureFormat::Jpeg2000 || type == PictureFormat::Kvf;
  if (wavelet && picture.format == PictureFormat::Jpeg && options.showWarnings &&
      ExpectedCompressedSize(options, picture) > picture.sourceFileSize) {
    if (options.option == SaveOption::Quality) return {SaveVerdict::Warn, std::nullopt};
    return {SaveVerdict::Warn, kLargerThanJpeg};
  }
  return {};
}

}  // namespace quillon
