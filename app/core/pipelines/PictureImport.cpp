#include "core/pipelines/PictureImport.h"

#include <algorithm>
#include <limits>

#include "core/formats/raster/BmpFile.h"

namespace quillon {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kLargestInfoHeader = 124;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
         std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}
std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BmpFileImageOfPackedDib(std::span<const std::uint8_t> dib) {
  if (dib.size() < kInfoHeaderSize || dib.size() > kMaxImportBytes) return {};
  const std::uint32_t infoSize = Le32(dib, 0);
  if (infoSize < kInfoHeaderSize || infoSize > kLargestInfoHeader) return {};
  const std::uint16_t bitCount = Le16(dib, 14);
  const std::uint32_t compression = Le32(dib, 16);
  const std::uint32_t clrUsed = Le32(dib, 32);
  std::uint64_t paletteBytes = 4ull * clrUsed;
  if (clrUsed == 0 && bitCount < 16) paletteBytes = 4ull << bitCount;
  if (compression == kBitFields && infoSize == kInfoHeaderSize) paletteBytes += 12;
  const std::uint64_t pixelOffset = kFileHeaderSize + infoSize + paletteBytes;
  const std::uint64_t fileSize = kFileHeaderSize + dib.size();
  if (pixelOffset > fileSize) return {};

  std::vector<std::uint8_t> image(static_cast<std::size_t>(fileSize));
  image[0] = 'B';
  image[1] = 'M';
  PutLe32(&image[2], static_cast<std::uint32_t>(fileSize));
  PutLe32(&image[10], static_cast<std::uint32_t>(pixelOffset));
  std::copy(dib.begin(), dib.end(), image.begin() + kFileHeaderSize);
  return image;
}

std::vector<std::uint8_t> BmpFileImageOfClipboardBmp(std::span<const std::uint8_t> data) {
  if (data.size() > kMaxImportBytes) return {};
  if (data.size() > kFileHeaderSize && data[0] == 'B' && data[1] == 'M') {
    return {data.begin(), data.end()};
  }
  return BmpFileImageOfPackedDib(data);
}

bool ReadImportedPicture(std::span<const std::uint8_t> bmpFileImage, PictureDocument& document,
                         FileIoContext& context) {
  if (bmpFileImage.empty() || !ReadBmpMemory(bmpFileImage, document, context)) return false;
  FinishImportedPicture(document);
  return true;
}

void FinishImportedPicture(PictureDocument& document) {
  Picture& picture = document.GetPicture();
  if (picture.GetBitCount() == 24 && picture.IsGray()) {
    // Out of memory keeps the colour picture, which shows the same.
    static_cast<void>(picture.GrayToPalette8());
  }
  const std::uint64_t raw = std::uint64_t(picture.GetBitCount()) *
                            std::uint64_t(std::max(0, picture.GetWidth())) *
                            std::uint64_t(std::max(0, picture.GetHeight())) / 8;
  document.fileSize = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(raw, std::numeric_limits<std::uint32_t>::max()));
  document.compressionRatio = 0.0;
}

}  // namespace quillon
