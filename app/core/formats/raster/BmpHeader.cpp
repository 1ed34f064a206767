#include "core/formats/raster/BmpHeader.h"

#include <bit>
#include <limits>

namespace quillon {

namespace {

std::uint16_t Le16(const std::uint8_t* p) {
  return std::uint16_t(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
         (std::uint32_t(p[3]) << 24);
}

constexpr std::uint32_t kCoreHeaderSize = 12;

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kOs2HeaderSize = 64;

bool KnownInfoSize(std::uint32_t size) {
  // 12: OS/2 1.x, 40: Windows 3, 52 and 56: with bit-field masks, 64: OS/2 2.x, 108 and
  // 124: Windows 95 and 98 extensions.
  return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 ||
         size == kOs2HeaderSize || size == 108 || size == 124;
}

// One contiguous run of at most 16 bits inside a pixel of `bits` bits; 0 only where allowed.
bool UsableMask(std::uint32_t mask, int bits, bool zeroAllowed) {
  if (mask == 0) return zeroAllowed;
  if (bits < 32 && (mask >> bits) != 0) return false;
  const int shift = std::countr_zero(mask);
  const std::uint32_t run = mask >> shift;
  return (run & (run + 1)) == 0 && std::popcount(run) <= 16;
}

// Bit-field masks: inside the larger headers, else the three words after a 40-byte header.
bool ReadMasks(std::span<const std::uint8_t> bytes, BmpLayout& layout) {
  if (layout.compression != kBmpBitFields) {
    layout.masks = layout.bitCount == 16 ? BmpMasks{0x7C00, 0x03E0, 0x001F, 0}
                                         : BmpMasks{0xFF0000, 0xFF00, 0xFF, 0};
    return true;
  }
  const std::size_t at = kBmpFileHeaderSize + kInfoHeaderSize;
  if (bytes.size() < at + 12) return false;
  layout.masks = BmpMasks{Le32(&bytes[at]), Le32(&bytes[at + 4]), Le32(&bytes[at + 8]),
                          layout.infoSize >= 56 ? Le32(&bytes[at + 12]) : 0};
  const BmpMasks& m = layout.masks;
  return UsableMask(m.red, layout.bitCount, false) && UsableMask(m.green, layout.bitCount, false) &&
         UsableMask(m.blue, layout.bitCount, false) && UsableMask(m.alpha, layout.bitCount, true);
}

}  // namespace

bool ParseBmpHeader(std::span<const std::uint8_t> bytes, BmpLayout& layout) {
  if (bytes.size() < kBmpFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  layout = BmpLayout{};
  layout.pixelOffset = Le32(&bytes[10]);
  const std::uint8_t* info = &bytes[kBmpFileHeaderSize];
  layout.infoSize = Le32(info);
  if (!KnownInfoSize(layout.infoSize) || bytes.size() < kBmpFileHeaderSize + layout.infoSize) {
    return false;
  }

  std::uint16_t planes = 0;
  std::uint32_t colorsUsed = 0;
  if (layout.infoSize == kCoreHeaderSize) {
    layout.width = Le16(info + 4);
    layout.height = Le16(info + 6);
    planes = Le16(info + 8);
    layout.bitCount = Le16(info + 10);
    layout.paletteEntrySize = 3;
  } else {
    layout.width = static_cast<std::int32_t>(Le32(info + 4));
    const auto height = static_cast<std::int32_t>(Le32(info + 8));
    if (height == std::numeric_limits<std::int32_t>::min()) return false;
    layout.topDown = height < 0;
    layout.height = height < 0 ? -height : height;
    planes = Le16(info + 12);
    layout.bitCount = Le16(info + 14);
    layout.compression = Le32(info + 16);
    layout.xPelsPerMeter = static_cast<std::int32_t>(Le32(info + 24));
    layout.yPelsPerMeter = static_cast<std::int32_t>(Le32(info + 28));
    colorsUsed = Le32(info + 32);
  }
  if (layout.width <= 0 || layout.height <= 0 || planes != 1) return false;

  switch (layout.compression) {
    case 0:
      if (layout.bitCount != 1 && layout.bitCount != 4 && layout.bitCount != 8 &&
          layout.bitCount != 16 && layout.bitCount != 24 && layout.bitCount != 32) {
        return false;
      }
      break;
    case kBmpBitFields:
      // OS/2 headers use the code 3 for Huffman coding.
      if ((layout.bitCount != 16 && layout.bitCount != 32) || layout.infoSize == kOs2HeaderSize) {
        return false;
      }
      break;
    case kBmpRle8:
      if (layout.bitCount != 8) return false;
      break;
    case kBmpRle4:
      if (layout.bitCount != 4) return false;
      break;
    default:
      return false;
  }
  if (layout.bitCount == 16 || layout.bitCount == 32) return ReadMasks(bytes, layout);
  if (layout.bitCount != 24) {
    const std::uint32_t full = 1u << layout.bitCount;
    layout.paletteEntries = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
  }
  return true;
}

std::uint64_t BmpFileRowBytes(const BmpLayout& layout) {
  return ((std::uint64_t(layout.width) * layout.bitCount + 31) / 32) * 4;
}

}  // namespace quillon
