#include <cstring>
#include <limits>

#include "core/formats/raster/AtomicFileWriter.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/RasterIoSupport.h"

namespace quillon {

namespace {

constexpr std::uint32_t kHeadersSize = 54;

void PutLe16(std::uint8_t*& p, std::uint16_t v) {
  *p++ = std::uint8_t(v);
  *p++ = std::uint8_t(v >> 8);
}
void PutLe32(std::uint8_t*& p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) *p++ = std::uint8_t(v >> (8 * i));
}

std::uint32_t PaletteEntriesWritten(const Picture& picture) {
  if (picture.GetBitCount() == 24) return 0;
  const std::uint32_t used = picture.Header().biClrUsed;
  return used == 0 || used > kPaletteEntries ? kPaletteEntries : used;
}

// File size of the picture as BMP; 0 when it does not fit the 32-bit size field.
std::uint64_t BmpFileSize(const Picture& picture) {
  const std::uint64_t size =
      std::uint64_t{picture.GetStride()} * std::uint64_t(picture.GetHeight()) +
      4ull * PaletteEntriesWritten(picture) + kHeadersSize;
  return size > std::numeric_limits<std::uint32_t>::max() ? 0 : size;
}

// File header, info header and palette.
std::vector<std::uint8_t> BmpHeaderBytes(const Picture& picture) {
  const std::uint32_t entries = PaletteEntriesWritten(picture);
  std::vector<std::uint8_t> bytes(kHeadersSize + 4 * entries);
  const BitmapInfoHeader& h = picture.Header();
  std::uint8_t* p = bytes.data();
  *p++ = 'B';
  *p++ = 'M';
  PutLe32(p, static_cast<std::uint32_t>(BmpFileSize(picture)));
  PutLe16(p, 0);
  PutLe16(p, 0);
  PutLe32(p, kHeadersSize + 4 * entries);
  PutLe32(p, h.biSize);
  PutLe32(p, static_cast<std::uint32_t>(h.biWidth));
  PutLe32(p, static_cast<std::uint32_t>(h.biHeight));
  PutLe16(p, h.biPlanes);
  PutLe16(p, h.biBitCount);
  PutLe32(p, h.biCompression);
  PutLe32(p, h.biSizeImage);
  PutLe32(p, static_cast<std::uint32_t>(h.biXPelsPerMeter));
  PutLe32(p, static_cast<std::uint32_t>(h.biYPelsPerMeter));
  PutLe32(p, h.biClrUsed);
  PutLe32(p, h.biClrImportant);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const RgbQuad& e = picture.Palette()[i];
    *p++ = e.rgbBlue;
    *p++ = e.rgbGreen;
    *p++ = e.rgbRed;
    *p++ = e.rgbReserved;
  }
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> BmpFileImage(const Picture& picture) {
  if (picture.IsEmpty() || BmpFileSize(picture) == 0) return {};
  std::vector<std::uint8_t> image = BmpHeaderBytes(picture);
  const std::uint8_t* bits = picture.Bits();
  image.insert(image.end(), bits, bits + picture.Header().biSizeImage);
  return image;
}

bool WriteBmp(const std::filesystem::path& path, PictureDocument& document,
              FileIoContext& context) {
  const Picture& picture = document.GetPicture();
  const std::uint64_t fileSize = BmpFileSize(picture);
  if (picture.IsEmpty() || fileSize == 0) return false;
  WaitCursor wait(context.ui);
  if (!ConfirmFreeSpace(context, path, fileSize, SpaceShortage::Refuse)) return false;

  AtomicFileWriter file(path);
  if (!file.Open()) return false;
  const std::vector<std::uint8_t> header = BmpHeaderBytes(picture);
  if (!file.Write(header.data(), header.size())) return false;
  RowProgress progress(context, kSavingCaption, path, picture.GetHeight());
  const std::uint32_t stride = picture.GetStride();
  for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
    if (!file.Write(picture.Row(y), stride)) return false;
    progress.Step();
  }
  return file.Commit();
}

}  // namespace quillon
