#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/SampleScaling.h"
#include "core/formats/raster/TiffFile.h"
#include "core/formats/raster/TiffSamples.h"
#include "core/formats/raster/TiffSession.h"

namespace quillon {

namespace {

constexpr StringId kLzwRefusedMessage = 158;
constexpr std::uint16_t kCompressionLzw = 5;
// Deflate reaches about 1000 pixels per byte, fax codings more; far beyond is a lie.
constexpr std::uint64_t kTiffPixelsPerByte = 4096;
constexpr std::uint32_t kBandRows = 64;

struct RasterDeleter {
  void operator()(std::uint32_t* p) const { _TIFFfree(p); }
};

void ReadResolution(TIFF* tiff, Picture& picture) {
  std::uint16_t unit = RESUNIT_INCH;
  float x = 0;
  float y = 0;
  if (!TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit) ||
      !TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) ||
      !TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) || !(x > 0) || !(y > 0) || x > 1e6f ||
      y > 1e6f) {
    return;
  }
  BitmapInfoHeader& header = picture.Header();
  if (unit == RESUNIT_INCH) {
    picture.SetDpi16(static_cast<std::uint32_t>(std::min(x, 65535.0f)) << 16,
                     static_cast<std::uint32_t>(std::min(y, 65535.0f)) << 16);
  } else if (unit == RESUNIT_CENTIMETER) {
    header.biXPelsPerMeter = static_cast<std::int32_t>(x * 100);
    header.biYPelsPerMeter = static_cast<std::int32_t>(y * 100);
  }
}

// One band of RGBA rows (top row first) into the picture; libtiff's colours are
// premultiplied by their opacity.
void StoreBand(const std::uint32_t* rgba, std::uint32_t firstLine, std::uint32_t lines,
               Picture& picture, RowProgress& progress) {
  const auto width = static_cast<std::uint32_t>(picture.Header().biWidth);
  const bool colour = picture.GetBitCount() == 24;
  for (std::uint32_t l = 0; l < lines; ++l) {
    std::uint8_t* row = TopDownRow(picture, static_cast<std::int32_t>(firstLine + l));
    const std::uint32_t* source = rgba + std::size_t{l} * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t pixel = source[x];
      const std::uint32_t a = TIFFGetA(pixel);
      if (colour) {
        row[3 * x] = OverBackground8(TIFFGetB(pixel), a, true);
        row[3 * x + 1] = OverBackground8(TIFFGetG(pixel), a, true);
        row[3 * x + 2] = OverBackground8(TIFFGetR(pixel), a, true);
      } else {
        row[x] = OverBackground8(TIFFGetR(pixel), a, true);
      }
    }
    progress.Step();
  }
}

bool ReadRgbaRows(TIFF* tiff, Picture& picture, RowProgress& progress, UiServices& ui) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tiff, message)) {
    ui.MessageBox(message, MessageIcon::Stop);
    return false;
  }
  TIFFRGBAImage image{};
  if (!TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    ui.MessageBox(message, MessageIcon::Stop);
    return false;
  }
  const auto width = static_cast<std::uint32_t>(picture.Header().biWidth);
  const auto height = static_cast<std::uint32_t>(picture.Header().biHeight);
  // Bands come out in file order only for files stored top row first; others go in one piece.
  image.req_orientation = ORIENTATION_TOPLEFT;
  const std::uint32_t band = image.orientation == ORIENTATION_TOPLEFT ? kBandRows : height;
  const std::uint32_t bandRows = std::min(band, height);
  std::unique_ptr<std::uint32_t, RasterDeleter> rgba(static_cast<std::uint32_t*>(
      _TIFFmalloc(static_cast<tmsize_t>(std::size_t{width} * bandRows * sizeof(std::uint32_t)))));
  bool ok = rgba != nullptr;
  for (std::uint32_t line = 0; ok && line < height; line += bandRows) {
    const std::uint32_t lines = std::min(bandRows, height - line);
    image.row_offset = static_cast<int>(line);
    image.col_offset = 0;
    ok = TIFFRGBAImageGet(&image, rgba.get(), width, lines) != 0;
    if (ok) StoreBand(rgba.get(), line, lines, picture, progress);
  }
  TIFFRGBAImageEnd(&image);
  return ok;
}

}  // namespace

bool ReadTiff(const std::filesystem::path& path, PictureDocument& document,
              FileIoContext& context) {
  WaitCursor wait(context.ui);
  const auto reportUnreadable = [&] {
    context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.filename().string()});
  };
  TiffSession session([&](const char*) { reportUnreadable(); });
  TIFF* tiff = session.Open(path, "rm");
  if (tiff == nullptr) {
    if (!session.Failed()) reportUnreadable();
    return false;
  }
  std::uint16_t compression = COMPRESSION_NONE;
  TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
  if (compression == kCompressionLzw) {
    context.ui.MessageBox(kLzwRefusedMessage, MessageIcon::Stop);
    return false;
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t photometric = PHOTOMETRIC_RGB;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
  struct stat file {};
  const std::uint64_t fileBytes = stat(path.c_str(), &file) == 0 ? std::uint64_t(file.st_size) : 0;
  if (!PlausiblePictureSize(width, height, fileBytes, kTiffPixelsPerByte)) {
    if (!session.Failed()) reportUnreadable();
    return false;
  }
  // Grey, RGB and palette samples are read as they are; everything else through libtiff's
  // RGBA interface.
  TiffSampleLayout samples;
  const bool direct = TiffSampleLayoutOf(tiff, samples);
  const bool gray =
      direct ? !samples.Colour()
             : photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, static_cast<std::int32_t>(width),
                          static_cast<std::int32_t>(height), !gray, context)) {
    return false;
  }
  ClearRowPadding(picture);
  ReadResolution(tiff, picture);
  RowProgress progress(context, kLoadingCaption, path, static_cast<std::int32_t>(height));
  if (direct) {
    if (!ReadTiffSamples(tiff, samples, fileBytes, picture, progress)) {
      if (!session.Failed()) reportUnreadable();
      return false;
    }
  } else if (!ReadRgbaRows(tiff, picture, progress, context.ui)) {
    return false;
  }
  if (session.Failed()) return false;
  picture.InvalidateCaches();
  return true;
}

}  // namespace quillon
