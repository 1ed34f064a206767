#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PngHandle.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/formats/raster/SampleScaling.h"

namespace quillon {

namespace {

// Deflate expands one byte to at most 1032; image data beyond that cannot be in the file.
constexpr std::uint64_t kDeflateExpansion = 1032;
constexpr std::uint64_t kAlwaysPlausibleBytes = std::uint64_t{1} << 20;

struct MemorySource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
  if (source->size - source->position < length) png_error(png, "the file ends early");
  std::memcpy(out, source->data + source->position, length);
  source->position += length;
}

enum class PngKind { Grey, Palette, Colour };

// What the header says and what the rows look like after libpng's transformations.
struct PngShape {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int fileBitsPerPixel = 0;
  int passes = 1;
  PngKind kind = PngKind::Grey;
  int channels = 1;   // of a decoded row
  bool wide = false;  // decoded samples are 16 bits, big-endian
  std::size_t rowBytes = 0;
  png_uint_32 xPelsPerMeter = 0;
  png_uint_32 yPelsPerMeter = 0;
};

// Reads the chunks before the image data and sets up the transformations: palette indices
// and grey samples below 8 bits unpacked to bytes (grey scaled to 0..255), a tRNS colour
// turned into opacity. Only libpng's structures live in this frame.
bool ReadHeader(png_structp png, png_infop info, MemorySource& source, PngShape& shape) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, &source, &ReadFromMemory);
  png_read_info(png, info);
  int depth = 0;
  int type = 0;
  int interlace = 0;
  png_get_IHDR(png, info, &shape.width, &shape.height, &depth, &type, &interlace, nullptr, nullptr);
  shape.fileBitsPerPixel = depth * png_get_channels(png, info);
  if (type == PNG_COLOR_TYPE_PALETTE) {
    shape.kind = PngKind::Palette;
    png_set_packing(png);
  } else {
    shape.kind = (type & PNG_COLOR_MASK_COLOR) != 0 ? PngKind::Colour : PngKind::Grey;
    png_set_expand(png);
  }
  shape.passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  shape.channels = png_get_channels(png, info);
  shape.wide = png_get_bit_depth(png, info) == 16;
  shape.rowBytes = png_get_rowbytes(png, info);
  int unit = 0;
  if (png_get_pHYs(png, info, &shape.xPelsPerMeter, &shape.yPelsPerMeter, &unit) == 0 ||
      unit != PNG_RESOLUTION_METER) {
    shape.xPelsPerMeter = shape.yPelsPerMeter = 0;
  }
  return true;
}

// Decodes `rows` (the whole picture for interlaced files, else one row at a time, handed to
// `onRow`). Only libpng's structures live in this frame.
template <typename OnRow>
bool ReadRows(png_structp png, const PngShape& shape, png_bytep rows, OnRow& onRow) {
  if (setjmp(png_jmpbuf(png))) return false;
  const bool whole = shape.passes > 1;
  for (int pass = 0; pass < shape.passes; ++pass) {
    for (png_uint_32 y = 0; y < shape.height; ++y) {
      png_bytep row = rows + (whole ? y * shape.rowBytes : 0);
      png_read_row(png, row, nullptr);
      if (!whole) onRow(y, row);
    }
  }
  if (whole) {
    for (png_uint_32 y = 0; y < shape.height; ++y) onRow(y, rows + y * shape.rowBytes);
  }
  png_read_end(png, nullptr);
  return true;
}

// The palette's colours, each over the mid grey by its tRNS opacity.
void ReadPalette(png_structp png, png_infop info, Picture& picture) {
  png_colorp colours = nullptr;
  int count = 0;
  png_bytep alphas = nullptr;
  int alphaCount = 0;
  png_get_PLTE(png, info, &colours, &count);
  png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
  RgbQuad* palette = picture.Palette();
  for (int i = 0; i < kPaletteEntries; ++i) {
    if (colours == nullptr || i >= count) {
      palette[i] = RgbQuad{};
      continue;
    }
    const png_color& c = colours[i];
    if (alphas != nullptr && i < alphaCount) {
      palette[i] = RgbQuad{OverBackground8(c.blue, alphas[i]), OverBackground8(c.green, alphas[i]),
                           OverBackground8(c.red, alphas[i]), 0};
    } else {
      palette[i] = RgbQuad{c.blue, c.green, c.red, 0};
    }
  }
}

// One decoded row into a picture line.
class RowStore {
 public:
  RowStore(const PngShape& shape, Picture& picture, RowProgress* progress)
      : shape_(shape), picture_(picture), progress_(progress) {}

  void operator()(png_uint_32 line, png_const_bytep row) {
    std::uint8_t* out = TopDownRow(picture_, static_cast<std::int32_t>(line));
    const std::size_t width = shape_.width;
    if (shape_.kind == PngKind::Palette) {
      std::memcpy(out, row, width);
    } else {
      const bool alpha = shape_.channels == 2 || shape_.channels == 4;
      const int colours = shape_.kind == PngKind::Colour ? 3 : 1;
      for (std::size_t x = 0; x < width; ++x) {
        const std::size_t first = x * std::size_t(shape_.channels);
        const std::uint32_t a = alpha ? Sample16(row, first + colours) : kMax16;
        // File order red, green, blue; memory order blue, green, red.
        for (int c = 0; c < colours; ++c) {
          const std::uint32_t v = Sample16(row, first + c);
          out[x * colours + (colours - 1 - c)] = alpha ? OverBackground(v, a) : Scale16To8(v);
        }
      }
    }
    if (progress_ != nullptr) progress_->Step();
  }

 private:
  std::uint32_t Sample16(png_const_bytep row, std::size_t index) const {
    if (shape_.wide) return (std::uint32_t(row[2 * index]) << 8) | row[2 * index + 1];
    return row[index] * 257u;
  }

  const PngShape& shape_;
  Picture& picture_;
  RowProgress* progress_;
};

bool Plausible(const PngShape& shape, std::uint64_t fileBytes) {
  if (!PlausiblePictureSize(shape.width, shape.height, fileBytes, 8 * kDeflateExpansion))
    return false;
  const std::uint64_t fileRowBytes =
      (std::uint64_t{shape.width} * std::uint64_t(shape.fileBitsPerPixel) + 7) / 8 + 1;
  const std::uint64_t imageBytes = fileRowBytes * shape.height;
  return imageBytes <= kAlwaysPlausibleBytes || imageBytes / kDeflateExpansion <= fileBytes;
}

enum class PngResult { Ok, Refused, NoMemory };

PngResult Decode(std::span<const std::uint8_t> bytes, PictureDocument& document,
                 FileIoContext& context, const std::filesystem::path* progressPath,
                 std::string& reason) {
  PngHandle handle(PngHandle::Direction::Read);
  if (handle.Png() == nullptr) {
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return PngResult::NoMemory;
  }
  MemorySource source{bytes.data(), bytes.size(), 0};
  PngShape shape;
  if (!ReadHeader(handle.Png(), handle.Info(), source, shape)) {
    reason = handle.ErrorText();
    return PngResult::Refused;
  }
  if (!Plausible(shape, bytes.size())) {
    reason = "the picture is larger than the file can hold";
    return PngResult::Refused;
  }
  Picture& picture = document.GetPicture();
  if (!CreateSizedPicture(picture, static_cast<std::int32_t>(shape.width),
                          static_cast<std::int32_t>(shape.height), shape.kind == PngKind::Colour,
                          context)) {
    return PngResult::NoMemory;
  }
  ClearRowPadding(picture);
  if (shape.kind == PngKind::Palette) ReadPalette(handle.Png(), handle.Info(), picture);
  std::vector<std::uint8_t> rows;
  try {
    rows.resize(shape.rowBytes * (shape.passes > 1 ? shape.height : 1));
  } catch (const std::bad_alloc&) {
    context.ui.MessageBox(kOutOfMemoryMessage, MessageIcon::Stop);
    return PngResult::NoMemory;
  }
  std::optional<RowProgress> progress;
  if (progressPath != nullptr) {
    progress.emplace(context, kLoadingCaption, *progressPath,
                     static_cast<std::int32_t>(shape.height));
  }
  RowStore store(shape, picture, progress ? &*progress : nullptr);
  if (!ReadRows(handle.Png(), shape, rows.data(), store)) {
    reason = handle.ErrorText();
    return PngResult::Refused;
  }
  if (shape.xPelsPerMeter > 0 && shape.yPelsPerMeter > 0 && shape.xPelsPerMeter <= 0x7FFFFFFF &&
      shape.yPelsPerMeter <= 0x7FFFFFFF) {
    picture.Header().biXPelsPerMeter = static_cast<std::int32_t>(shape.xPelsPerMeter);
    picture.Header().biYPelsPerMeter = static_cast<std::int32_t>(shape.yPelsPerMeter);
  }
  picture.InvalidateCaches();
  return PngResult::Ok;
}

bool ReadAndReport(std::span<const std::uint8_t> bytes, const std::string& name,
                   PictureDocument& document, FileIoContext& context,
                   const std::filesystem::path* progressPath) {
  std::string reason;
  const PngResult result = Decode(bytes, document, context, progressPath, reason);
  if (result == PngResult::Refused) {
    context.ui.MessageBox(kPngNotReadMessage, MessageIcon::Stop, MessageButtons::Ok,
                          {name, reason});
  }
  return result == PngResult::Ok;
}

}  // namespace

bool ReadPng(const std::filesystem::path& path, PictureDocument& document, FileIoContext& context) {
  WaitCursor wait(context.ui);
  std::vector<std::uint8_t> bytes;
  if (!ReadRasterFile(path, bytes, context)) return false;
  if (!ReadAndReport(bytes, DisplayName(path), document, context, &path)) return false;
  const Picture& picture = document.GetPicture();
  const double raw = double(picture.GetWidth()) * picture.GetHeight() * picture.GetBitCount() / 8.0;
  document.compressionRatio = bytes.empty() ? 0.0 : raw / double(bytes.size());
  return true;
}

bool ReadPngMemory(std::span<const std::uint8_t> fileImage, const std::string& name,
                   PictureDocument& document, FileIoContext& context) {
  return ReadAndReport(fileImage, name, document, context, nullptr);
}

}  // namespace quillon
