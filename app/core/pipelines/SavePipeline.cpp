#include "core/pipelines/SavePipeline.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "core/formats/jp2/Jpeg2000Writer.h"
#include "core/formats/kvf/KvfWriter.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/TiffFile.h"

namespace quillon {

namespace {

// The extensions of the save types in the order of their codes, from 2 on (string 32778).
constexpr std::string_view kExtensionTable = ".jp2.kvf.bmp.ppm.pgm.tif.jpg.png";
constexpr std::size_t kExtensionLength = 4;
constexpr int kFirstSaveFormat = 2;

bool WriteWith(const std::filesystem::path& path, PictureFormat format, PictureDocument& document,
               FileIoContext& context, const SaveRequest& request) {
  const SaveOptions& options = request.options;
  switch (format) {
    case PictureFormat::Jpeg2000:
      return WriteJpeg2000(path, document, context, request);
    case PictureFormat::Kvf:
      return WriteKvf(path, document, context, request);
    case PictureFormat::Bmp:
      return WriteBmp(path, document, context);
    case PictureFormat::Ppm:
      return WritePnm(path, document, context, PnmKind::Ppm, options.pnmCoding);
    case PictureFormat::Pgm:
      return WritePnm(path, document, context, PnmKind::Pgm, options.pnmCoding);
    case PictureFormat::Tiff:
      return WriteTiff(path, document, context, options.tiffCompression);
    case PictureFormat::Jpeg:
      return WriteJpeg(path, document, context, std::clamp(options.jpegQuality, 1, 100));
    case PictureFormat::Png:
      return WritePng(path, document, context, std::clamp(options.pngCompression, 0, 9));
    case PictureFormat::Unknown:
      break;
  }
  return false;
}

}  // namespace

PictureFormat SaveFormatOfPath(const std::filesystem::path& path) {
  std::string extension = path.extension().string();
  if (extension.size() != kExtensionLength) return PictureFormat::Unknown;
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (std::size_t at = 0; at + kExtensionLength <= kExtensionTable.size();
       at += kExtensionLength) {
    if (kExtensionTable.substr(at, kExtensionLength) == extension) {
      return static_cast<PictureFormat>(static_cast<int>(at / kExtensionLength) + kFirstSaveFormat);
    }
  }
  return PictureFormat::Unknown;
}

std::string_view SaveExtensionOf(PictureFormat format) {
  const int code = static_cast<int>(format);
  if (code < kFirstSaveFormat || code > static_cast<int>(PictureFormat::Png)) return {};
  return kExtensionTable.substr(
      static_cast<std::size_t>(code - kFirstSaveFormat) * kExtensionLength, kExtensionLength);
}

bool SavePicture(const std::filesystem::path& path, PictureFormat format, PictureDocument& document,
                 FileIoContext& context, const SaveRequest& request) {
  bool saved = false;
  context.failureDetails.clear();
  {
    WaitCursor wait(context.ui);
    saved = WriteWith(path, format, document, context, request);
  }
  if (!saved) {
    context.ui.ShowMessage({kCouldNotSave, context.ui.Strings().Load(kCouldNotSave),
                            MessageIcon::Stop, MessageButtons::Ok, context.failureDetails});
  }
  return saved;
}

}  // namespace quillon
