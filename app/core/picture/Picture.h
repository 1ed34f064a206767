// The in-memory picture of a document: a device-independent bitmap with bottom-up rows,
// 8 bits per pixel (palette index) or 24 bits per pixel (blue, green, red).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillon {

struct BitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 8;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 2835;
  std::int32_t biYPelsPerMeter = 2835;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

struct RgbQuad {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
};

inline constexpr int kPaletteEntries = 256;

// Pixel order of a codec adapter: starts at the top row and walks down by lineStep bytes.
struct CodecLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bytesPerPixel = 0;
  std::int32_t lineStep = 0;  // minus the stride: memory rows run upward
  std::int32_t pixelStep = 0;
  std::uint8_t* topRow = nullptr;
};

// 16.16 fixed-point dots per inch, the resolution unit the codecs exchange.
inline constexpr std::uint32_t kDefaultDpi16 = 72u << 16;
inline constexpr std::int32_t kDefaultPelsPerMeter = 2835;

std::uint32_t dpi16FromPelsPerMeter(std::int32_t pelsPerMeter);
std::int32_t pelsPerMeterFromDpi16(std::uint32_t dpi16);
// Stores a 16.16 value that already counts pels per metre.
std::int32_t pelsPerMeterFromFixed16(std::uint32_t pelsPerMeter16);

// Row size in bytes rounded up to a multiple of 4; 0 when it does not fit 32 bits.
std::uint32_t strideFor(std::int32_t width, int bitCount);

class Picture {
 public:
  using Triple = std::array<std::uint8_t, 3>;  // blue, green, red

  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  BitmapInfoHeader& Header() { return header_; }
  const BitmapInfoHeader& Header() const { return header_; }
  RgbQuad* Palette() { return palette_.data(); }
  const RgbQuad* Palette() const { return palette_.data(); }
  std::uint8_t* Bits() { return bits_.get(); }
  const std::uint8_t* Bits() const { return bits_.get(); }

  // Width and height are 0 while no pixel block exists.
  std::int32_t GetWidth() const;
  std::int32_t GetHeight() const;
  std::uint32_t GetStride() const { return strideFor(header_.biWidth, header_.biBitCount); }
  struct Size {
    std::int32_t width;
    std::int32_t height;
  };
  Size GetDocSize() const { return {header_.biWidth, header_.biHeight}; }
  int GetBitCount() const { return header_.biBitCount; }
  bool IsEmpty() const { return bits_ == nullptr || header_.biSizeImage == 0; }

  // Start of memory row `row` (row 0 is the bottom row of the picture).
  std::uint8_t* Row(std::int32_t memoryRow) {
    return bits_.get() + memoryRow * std::size_t{GetStride()};
  }
  const std::uint8_t* Row(std::int32_t memoryRow) const {
    return bits_.get() + memoryRow * std::size_t{GetStride()};
  }

  // The caller has set biWidth and biHeight. Allocates an uninitialised pixel block for 24 bits
  // (colour) or 8 bits and writes the grey ramp palette. Returns false when the size is not
  // positive, does not fit the header, or memory runs out; the picture is then empty.
  [[nodiscard]] bool CreatePicture(bool colour);

  // Blue, green, red of a pixel at memory row y; black outside the picture.
  Triple GetPixel(std::int32_t x, std::int32_t memoryRow) const;

  bool IsGray() const;
  bool IsGrayRamp();
  bool IsTwoLevel();
  // Colour depth shown to the user: 1 for two-level pictures, else the bit count.
  int GetDisplayDepth();

  void SwapRedBlue(std::int32_t memoryRow);
  // Turns a grey 24-bit picture into an 8-bit grey ramp picture. Returns false (and changes
  // nothing) for any other picture or when memory runs out.
  bool GrayToPalette8();
  // Replaces a grey palette by the ramp and every index by its grey value. False for 24 bits.
  bool PaletteToGrayRamp();

  CodecLayout GetCodecLayout();
  // Per-index pixel counts of an 8-bit picture, padding excluded; untouched for 24 bits.
  void CountIndices(std::array<std::uint32_t, kPaletteEntries>& counts) const;

  std::uint32_t GetXDpi16() const { return dpi16FromPelsPerMeter(header_.biXPelsPerMeter); }
  std::uint32_t GetYDpi16() const { return dpi16FromPelsPerMeter(header_.biYPelsPerMeter); }
  void SetDpi16(std::uint32_t x, std::uint32_t y);
  void SetPelsPerMeter16(std::uint32_t x, std::uint32_t y);

  // Call after changing pixels or palette from outside.
  void InvalidateCaches() { grayRamp_ = twoLevel_ = -1; }

 private:
  void WriteGrayRamp();

  BitmapInfoHeader header_;
  std::array<RgbQuad, kPaletteEntries> palette_{};
  std::unique_ptr<std::uint8_t[]> bits_;
  std::int32_t grayRamp_ = -1;  // -1: not computed yet
  std::int32_t twoLevel_ = -1;
};

}  // namespace quillon
