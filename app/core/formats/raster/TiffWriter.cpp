#include <array>
#include <vector>

#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/TiffFile.h"
#include "core/formats/raster/TiffSession.h"

namespace quillon {

namespace {

constexpr StringId kSoftwareName = 128;

// Room for the directory, the colour map and the strip tables beyond the samples; PackBits
// may grow a row by one byte in 128.
std::uint64_t TiffSizeBound(std::uint64_t rawBytes) {
  return rawBytes + rawBytes / 64 + 65536;
}

enum class TiffLayout { Rgb, Gray, Palette };

bool WriteTags(TIFF* tiff, const Picture& picture, TiffLayout layout, TiffCompression compression,
               const std::string& software) {
  const auto width = static_cast<std::uint32_t>(picture.GetWidth());
  const auto height = static_cast<std::uint32_t>(picture.GetHeight());
  const std::uint16_t photometric = layout == TiffLayout::Rgb    ? PHOTOMETRIC_RGB
                                    : layout == TiffLayout::Gray ? PHOTOMETRIC_MINISBLACK
                                                                 : PHOTOMETRIC_PALETTE;
  bool ok =
      TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) &&
      TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) &&
      TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
      TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout == TiffLayout::Rgb ? 3 : 1) &&
      TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
      TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
      TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<float>(picture.GetXDpi16() >> 16)) &&
      TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<float>(picture.GetYDpi16() >> 16)) &&
      TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) &&
      TIFFSetField(tiff, TIFFTAG_SOFTWARE, software.c_str()) &&
      TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric) &&
      TIFFSetField(
          tiff, TIFFTAG_COMPRESSION,
          compression == TiffCompression::PackBits ? COMPRESSION_PACKBITS : COMPRESSION_NONE);
  if (ok && layout == TiffLayout::Palette) {
    // v times 257 maps 255 to full intensity (65535); times 256 would leave white a shade grey.
    std::array<std::uint16_t, kPaletteEntries> red{}, green{}, blue{};
    for (int i = 0; i < kPaletteEntries; ++i) {
      red[i] = static_cast<std::uint16_t>(picture.Palette()[i].rgbRed * 257);
      green[i] = static_cast<std::uint16_t>(picture.Palette()[i].rgbGreen * 257);
      blue[i] = static_cast<std::uint16_t>(picture.Palette()[i].rgbBlue * 257);
    }
    ok = TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }
  return ok;
}

// One picture line as the file stores it; the picture itself is not touched.
void FileLine(const Picture& picture, std::int32_t line, TiffLayout layout,
              std::vector<std::uint8_t>& out) {
  const std::uint8_t* row = TopDownRow(picture, line);
  const std::size_t width = static_cast<std::size_t>(picture.GetWidth());
  switch (layout) {
    case TiffLayout::Rgb:
      LineToRgb(picture, line, out.data());
      break;
    case TiffLayout::Gray:
      // Grey values, so that a grey palette that is not a ramp keeps its shades.
      for (std::size_t x = 0; x < width; ++x) out[x] = picture.Palette()[row[x]].rgbRed;
      break;
    case TiffLayout::Palette:
      std::copy(row, row + width, out.begin());
      break;
  }
}

}  // namespace

bool WriteTiff(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
               TiffCompression compression) {
  const Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  WaitCursor wait(context.ui);
  const TiffLayout layout = picture.GetBitCount() == 24 ? TiffLayout::Rgb
                            : picture.IsGray()          ? TiffLayout::Gray
                                                        : TiffLayout::Palette;
  const std::size_t lineBytes =
      std::size_t(picture.GetWidth()) * (layout == TiffLayout::Rgb ? 3 : 1);
  const std::uint64_t raw = std::uint64_t{lineBytes} * std::uint64_t(picture.GetHeight());
  if (!ConfirmFreeSpace(context, path, TiffSizeBound(raw), SpaceShortage::Ask)) return false;

  AtomicFileWriter file(path);
  if (!file.Open()) return false;
  TiffSession session;
  TIFF* tiff = session.OpenDescriptor(file.Descriptor(), path, "wm");
  if (tiff == nullptr ||
      !WriteTags(tiff, picture, layout, compression, context.ui.Strings().Load(kSoftwareName))) {
    return false;
  }
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  std::vector<std::uint8_t> line(lineBytes);
  for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
    FileLine(picture, y, layout, line);
    if (TIFFWriteScanline(tiff, line.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
    progress.Step();
  }
  session.Close();
  return !session.Failed() && file.Commit();
}

}  // namespace quillon
