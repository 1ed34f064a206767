#include <sys/stat.h>

#include <vector>

#include "core/formats/raster/JpegErrorManager.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

constexpr StringId kCannotOpenMessage = 151;
// A baseline block that repeats its neighbour costs about a bit; beyond this a file lies.
constexpr std::uint64_t kJpegPixelsPerByte = 4096;

// Creates the decompressor and reads the header. The only frame that setjmp may return to
// holds nothing but libjpeg's own structures.
bool ReadHeader(jpeg_decompress_struct& info, JpegErrorManager& errors, std::FILE* file) {
  InstallJpegErrorManager(*reinterpret_cast<jpeg_common_struct*>(&info), errors);
  if (setjmp(errors.jump)) return false;
  jpeg_create_decompress(&info);
  LimitJpegDecompress(info, errors);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  if (info.num_components == 1) {
    info.out_color_space = JCS_GRAYSCALE;
  } else if (info.num_components == 3) {
    info.out_color_space = JCS_EXT_BGR;
  } else if (info.num_components == 4 &&
             (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)) {
    info.out_color_space = JCS_CMYK;
  } else {
    return false;
  }
  return true;
}

// Blue, green, red of CMYK samples; files with an Adobe marker store the inks inverted.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, std::size_t width, bool inverted) {
  for (std::size_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const auto ink = [&](int i) { return unsigned(inverted ? cmyk[i] : 255 - cmyk[i]); };
    const unsigned white = ink(3);
    bgr[0] = static_cast<std::uint8_t>((ink(2) * white + 127) / 255);
    bgr[1] = static_cast<std::uint8_t>((ink(1) * white + 127) / 255);
    bgr[2] = static_cast<std::uint8_t>((ink(0) * white + 127) / 255);
  }
}

// `cmykLine` holds one row of four samples per pixel for CMYK files.
bool ReadRows(jpeg_decompress_struct& info, JpegErrorManager& errors, Picture& picture,
              std::uint8_t* cmykLine, RowProgress& progress) {
  if (setjmp(errors.jump)) return false;
  jpeg_start_decompress(&info);
  const bool cmyk = info.out_color_space == JCS_CMYK;
  if (info.output_width != static_cast<JDIMENSION>(picture.Header().biWidth) ||
      info.output_height != static_cast<JDIMENSION>(picture.Header().biHeight) ||
      info.output_components != (cmyk                          ? 4
                                 : picture.GetBitCount() == 24 ? 3
                                                               : 1)) {
    return false;
  }
  while (info.output_scanline < info.output_height) {
    std::uint8_t* row = TopDownRow(picture, static_cast<std::int32_t>(info.output_scanline));
    JSAMPROW target = cmyk ? cmykLine : row;
    jpeg_read_scanlines(&info, &target, 1);
    if (cmyk) CmykToBgr(cmykLine, row, info.output_width, info.saw_Adobe_marker);
    progress.Step();
  }
  jpeg_finish_decompress(&info);
  return true;
}

void ReadDensity(const jpeg_decompress_struct& info, Picture& picture) {
  if (info.X_density == 0 || info.Y_density == 0) return;
  if (info.density_unit == 1) {
    picture.SetDpi16(std::uint32_t{info.X_density} << 16, std::uint32_t{info.Y_density} << 16);
  } else if (info.density_unit == 2) {
    picture.Header().biXPelsPerMeter = info.X_density * 100;
    picture.Header().biYPelsPerMeter = info.Y_density * 100;
  }
}

}  // namespace

bool ReadJpeg(const std::filesystem::path& path, PictureDocument& document,
              FileIoContext& context) {
  WaitCursor wait(context.ui);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    context.ui.MessageBox(kCannotOpenMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
    return false;
  }
  struct stat status {};
  const std::uint64_t fileBytes =
      fstat(fileno(file), &status) == 0 ? std::uint64_t(status.st_size) : 0;

  jpeg_decompress_struct info{};
  JpegErrorManager errors{};
  bool ok =
      ReadHeader(info, errors, file) &&
      PlausiblePictureSize(info.image_width, info.image_height, fileBytes, kJpegPixelsPerByte);
  Picture& picture = document.GetPicture();
  bool memoryReported = false;
  if (ok) {
    ok = CreateSizedPicture(picture, static_cast<std::int32_t>(info.image_width),
                            static_cast<std::int32_t>(info.image_height), info.num_components != 1,
                            context);
    memoryReported = !ok;
  }
  if (ok) {
    ClearRowPadding(picture);
    ReadDensity(info, picture);
    std::vector<std::uint8_t> cmykLine(info.num_components == 4 ? 4 * std::size_t{info.image_width}
                                                                : 0);
    RowProgress progress(context, kLoadingCaption, path, picture.GetHeight());
    ok = ReadRows(info, errors, picture, cmykLine.data(), progress);
  }
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  if (!ok && !memoryReported) {
    context.ui.MessageBox(kFileNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {path.string()});
  }
  if (ok) picture.InvalidateCaches();
  return ok;
}

}  // namespace quillon
