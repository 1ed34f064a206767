// The file and info headers of a BMP file, as the reader and the open dialog's probe see them.
#pragma once

#include <cstdint>
#include <span>

namespace quillon {

inline constexpr std::size_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kBmpRle8 = 1;
inline constexpr std::uint32_t kBmpRle4 = 2;
inline constexpr std::uint32_t kBmpBitFields = 3;

// Where the channels of a 16- or 32-bit pixel lie; an alpha mask of 0 means opaque.
struct BmpMasks {
  std::uint32_t red = 0;
  std::uint32_t green = 0;
  std::uint32_t blue = 0;
  std::uint32_t alpha = 0;
};

struct BmpLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t infoSize = 0;
  std::uint32_t pixelOffset = 0;
  std::uint32_t paletteEntries = 0;    // entries to read (none for 24 bits)
  std::uint32_t paletteEntrySize = 4;  // 3 for the OS/2 core header
  BmpMasks masks;                      // 16 and 32 bits only
  std::int32_t xPelsPerMeter = 2835;
  std::int32_t yPelsPerMeter = 2835;
};

// Parses "BM", the file header and the info header from the start of a file. False for any
// header this program does not read: other header sizes, planes other than 1, bit counts
// other than 1, 4, 8, 16, 24, 32, compression other than none, RLE8 with 8 bits, RLE4 with
// 4 bits and bit fields with 16 or 32 bits, and bit-field masks that are not one run of at
// most 16 bits inside the pixel. 16 and 32-bit files without bit fields get the masks 5-5-5
// and 8-8-8 (the fourth byte unused).
[[nodiscard]] bool ParseBmpHeader(std::span<const std::uint8_t> bytes, BmpLayout& layout);

// Bytes of one uncompressed row in the file (rows are padded to 4 bytes).
std::uint64_t BmpFileRowBytes(const BmpLayout& layout);

}  // namespace quillon
