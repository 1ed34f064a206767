#include <algorithm>
#include <vector>

#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PngHandle.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

// Filter bytes, zlib's stored blocks and chunk headers beyond the samples.
std::uint64_t PngSizeBound(std::uint64_t rawBytes) {
  return rawBytes + rawBytes / 64 + 65536;
}

enum class PngLayout { Rgb, Grey, Palette };

// Entries of the palette that the picture's indices reach.
int UsedPaletteEntries(const Picture& picture) {
  int highest = 0;
  for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
    const std::uint8_t* row = picture.Row(y);
    highest = std::max<int>(highest, *std::max_element(row, row + picture.GetWidth()));
  }
  return highest + 1;
}

struct PngEncoding {
  const Picture& picture;
  PngLayout layout;
  int level;
  std::uint8_t* line;  // one file row
  RowProgress& progress;
};

// One picture line as the file stores it; the picture itself is not touched.
void FileLine(const PngEncoding& encoding, std::int32_t y) {
  const Picture& picture = encoding.picture;
  switch (encoding.layout) {
    case PngLayout::Rgb:
      LineToRgb(picture, y, encoding.line);
      break;
    case PngLayout::Grey: {
      // Grey values, so that a grey palette that is not a ramp keeps its shades.
      const std::uint8_t* row = TopDownRow(picture, y);
      for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
        encoding.line[x] = picture.Palette()[row[x]].rgbRed;
      }
      break;
    }
    case PngLayout::Palette: {
      const std::uint8_t* row = TopDownRow(picture, y);
      std::copy(row, row + picture.GetWidth(), encoding.line);
      break;
    }
  }
}

// Only libpng's structures live in this frame.
bool Encode(png_structp png, png_infop info, std::FILE* stream, const PngEncoding& encoding) {
  if (setjmp(png_jmpbuf(png))) return false;
  const Picture& picture = encoding.picture;
  png_init_io(png, stream);
  png_set_compression_level(png, std::clamp(encoding.level, 0, 9));
  const int type = encoding.layout == PngLayout::Rgb    ? PNG_COLOR_TYPE_RGB
                   : encoding.layout == PngLayout::Grey ? PNG_COLOR_TYPE_GRAY
                                                        : PNG_COLOR_TYPE_PALETTE;
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.GetWidth()),
               static_cast<png_uint_32>(picture.GetHeight()), 8, type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (encoding.layout == PngLayout::Palette) {
    png_color colours[kPaletteEntries];
    const int entries = UsedPaletteEntries(picture);
    for (int i = 0; i < entries; ++i) {
      const RgbQuad& q = picture.Palette()[i];
      colours[i] = png_color{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    png_set_PLTE(png, info, colours, entries);
  }
  const std::int32_t x = picture.Header().biXPelsPerMeter;
  const std::int32_t y = picture.Header().biYPelsPerMeter;
  if (x > 0 && y > 0) {
    png_set_pHYs(png, info, static_cast<png_uint_32>(x), static_cast<png_uint_32>(y),
                 PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  for (std::int32_t line = 0; line < picture.GetHeight(); ++line) {
    FileLine(encoding, line);
    png_write_row(png, encoding.line);
    encoding.progress.Step();
  }
  png_write_end(png, info);
  return true;
}

}  // namespace

bool WritePng(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context,
              int level) {
  const Picture& picture = document.GetPicture();
  if (picture.IsEmpty()) return false;
  WaitCursor wait(context.ui);
  const PngLayout layout = picture.GetBitCount() == 24 ? PngLayout::Rgb
                           : picture.IsGray()          ? PngLayout::Grey
                                                       : PngLayout::Palette;
  const std::size_t lineBytes =
      std::size_t(picture.GetWidth()) * (layout == PngLayout::Rgb ? 3 : 1);
  const std::uint64_t raw = std::uint64_t{lineBytes + 1} * std::uint64_t(picture.GetHeight());
  if (!ConfirmFreeSpace(context, path, PngSizeBound(raw), SpaceShortage::Ask)) return false;

  AtomicFileWriter file(path);
  std::FILE* stream = file.Open() ? file.Stream() : nullptr;
  PngHandle handle(PngHandle::Direction::Write);
  if (stream == nullptr || handle.Png() == nullptr) return false;
  std::vector<std::uint8_t> line(lineBytes);
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  if (!Encode(handle.Png(), handle.Info(), stream,
              PngEncoding{picture, layout, level, line.data(), progress})) {
    context.ui.MessageBox(kPngNotWrittenMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {DisplayName(path), std::string(handle.ErrorText())});
    return false;
  }
  return file.Commit();
}

}  // namespace quillon
