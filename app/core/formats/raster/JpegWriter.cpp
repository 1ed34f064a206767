#include <algorithm>
#include <vector>

#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/JpegErrorManager.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

constexpr StringId kCannotCreateMessage = 152;

// Headers and tables beyond the samples; at quality 100 a file can exceed the raw size a bit.
std::uint64_t JpegSizeBound(std::uint64_t rawBytes) {
  return rawBytes + rawBytes / 8 + 65536;
}

std::uint16_t DensityOf(std::uint32_t dpi16) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(dpi16 >> 16, 0xFFFF));
}

// `line` holds one row of samples (3 times width bytes); only libjpeg's structures live in
// the frame that setjmp returns to.
bool Encode(std::FILE* stream, const Picture& picture, bool gray, int quality, std::uint8_t* line,
            RowProgress& progress) {
  jpeg_compress_struct info{};
  JpegErrorManager errors{};
  InstallJpegErrorManager(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, stream);
  info.image_width = static_cast<JDIMENSION>(picture.GetWidth());
  info.image_height = static_cast<JDIMENSION>(picture.GetHeight());
  info.input_components = gray ? 1 : 3;
  info.in_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  info.density_unit = 1;
  info.X_density = DensityOf(picture.GetXDpi16());
  info.Y_density = DensityOf(picture.GetYDpi16());
  jpeg_set_quality(&info, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&info, TRUE);
  const auto width = static_cast<std::size_t>(picture.GetWidth());
  while (info.next_scanline < info.image_height) {
    const auto y = static_cast<std::int32_t>(info.next_scanline);
    LineToRgb(picture, y, line);
    if (gray) {
      for (std::size_t x = 0; x < width; ++x) line[x] = line[3 * x];
    }
    JSAMPROW row = line;
    jpeg_write_scanlines(&info, &row, 1);
    progress.Step();
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

bool WriteJpeg(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
               int quality) {
  Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  WaitCursor wait(context.ui);
  const bool gray = picture.GetBitCount() == 8 && picture.IsGray();
  const std::uint64_t raw =
      std::uint64_t(picture.GetWidth()) * std::uint64_t(picture.GetHeight()) * (gray ? 1 : 3);
  if (!ConfirmFreeSpace(context, path, JpegSizeBound(raw), SpaceShortage::Ask)) return false;

  AtomicFileWriter file(path);
  std::FILE* stream = file.Open() ? file.Stream() : nullptr;
  if (stream == nullptr) {
    context.ui.MessageBox(kCannotCreateMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
    return false;
  }
  std::vector<std::uint8_t> line(3 * std::size_t(picture.GetWidth()));
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  return Encode(stream, picture, gray, quality, line.data(), progress) && file.Commit();
}

}  // namespace quillon
