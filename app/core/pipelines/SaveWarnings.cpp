#include "core/pipelines/SaveWarnings.h"

#include <cmath>

#include "core/document/OptionBytes.h"

namespace quillon {

std::uint64_t ExpectedCompressedSize(const SaveOptions& options, const SavePictureFacts& picture) {
  const std::uint64_t raw =
      std::uint64_t{picture.width} * picture.height * (picture.grey ? 1u : 3u);
  switch (options.option) {
    case SaveOption::Lossless:
      return raw;
    case SaveOption::Quality:
      return BytesAtQuality(raw, options.quality);
    case SaveOption::CompressionRate:
      // A rate below 1 cannot shrink the picture: count it as uncompressed.
      if (!(options.rate >= 1.0)) return raw;
      return static_cast<std::uint64_t>(std::llround(static_cast<double>(raw) / options.rate));
    case SaveOption::FileSize:
      return BytesOfKilobytes(options.sizeKb).value_or(0);
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
