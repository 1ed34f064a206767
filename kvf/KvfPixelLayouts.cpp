#include "kvf/KvfPixelLayouts.h"

#include <cstring>

#include "kvf/KvfColourModes.h"

namespace kvf {

namespace {

constexpr KvfPixelLayout kLayouts[] = {
    {0, 1, 1, 1, {0}, true},          {2, 4, 1, 4, {0, 1, 2, 3}, true},
    {3, 4, 1, 4, {0, 1, 2, 3}, true}, {5, 3, 1, 3, {0, 1, 2}, true},
    {16, 3, 1, 3, {0, 1, 2}, true},   {17, 3, 1, 4, {1, 2, 3}, true},
    {19, 3, 1, 3, {2, 1, 0}, true},   {32, 1, 2, 2, {0}, true},
    {33, 3, 2, 6, {0, 1, 2}, true},   {34, 3, 2, 6, {2, 1, 0}, true},
    {35, 3, 2, 6, {0, 1, 2}, true},   {36, 4, 2, 8, {0, 1, 2, 3}, true},
    {37, 1, 2, 2, {0}, true},         {48, 1, 2, 2, {0}, false},
    {49, 3, 2, 6, {0, 1, 2}, false},
};

struct LayoutMode {
  std::int16_t layout;
  std::uint8_t mode;
};

// The pairs an 8-bit layout can be coded in; 16-bit layouts take every 16-bit mode of their
// channel count.
constexpr LayoutMode kEightBitPairs[] = {
    {0, 1}, {16, 2}, {17, 2}, {19, 2}, {16, 6}, {17, 6}, {19, 6}, {16, 4}, {5, 8}, {2, 5}, {3, 7},
};

}  // namespace

const KvfPixelLayout* FindKvfPixelLayout(std::int32_t code) {
  for (const KvfPixelLayout& layout : kLayouts) {
    if (layout.code == code) return &layout;
  }
  return nullptr;
}

bool KvfEncoderAccepts(const KvfPixelLayout& layout, std::uint32_t colourMode) {
  const KvfColourMode* mode = FindKvfColourMode(colourMode);
  if (mode == nullptr || mode->components != layout.channels) return false;
  if (layout.sampleBytes == 2) return mode->sampleBits == 16;
  for (const LayoutMode& pair : kEightBitPairs) {
    if (pair.layout == layout.code && pair.mode == colourMode) return true;
  }
  return false;
}

bool KvfDecoderAccepts(const KvfPixelLayout& layout, std::uint32_t colourMode) {
  const KvfColourMode* mode = FindKvfColourMode(colourMode);
  if (!layout.decodable || mode == nullptr || mode->components != layout.channels) return false;
  return layout.sampleBytes * 8 == mode->sampleBits || layout.sampleBytes == 1;
}

void UnpackPixels(const KvfPixelLayout& layout, const std::uint8_t* pixels, std::uint32_t width,
                  std::span<std::int32_t* const> channels) {
  for (std::uint32_t c = 0; c < layout.channels; ++c) {
    const std::uint8_t* sample = pixels + layout.sampleOf[c] * layout.sampleBytes;
    std::int32_t* out = channels[c];
    if (layout.sampleBytes == 1) {
      for (std::uint32_t x = 0; x < width; ++x) out[x] = sample[x * layout.pixelBytes];
    } else {
      for (std::uint32_t x = 0; x < width; ++x) {
        std::uint16_t value = 0;
        std::memcpy(&value, sample + x * layout.pixelBytes, sizeof value);
        out[x] = value;
      }
    }
  }
}

void PackPixels(const KvfPixelLayout& layout, std::span<const std::int32_t* const> channels,
                std::uint32_t width, std::uint32_t downShift, std::uint8_t* pixels) {
  if (layout.pixelBytes > layout.channels * layout.sampleBytes) {
    for (std::uint32_t x = 0; x < width; ++x) pixels[x * layout.pixelBytes] = 0;  // unused byte
  }
  for (std::uint32_t c = 0; c < layout.channels; ++c) {
    std::uint8_t* sample = pixels + layout.sampleOf[c] * layout.sampleBytes;
    const std::int32_t* in = channels[c];
    if (layout.sampleBytes == 1) {
      for (std::uint32_t x = 0; x < width; ++x) {
        sample[x * layout.pixelBytes] = static_cast<std::uint8_t>(in[x] >> downShift);
      }
    } else {
      for (std::uint32_t x = 0; x < width; ++x) {
        const auto value = static_cast<std::uint16_t>(in[x] >> downShift);
        std::memcpy(sample + x * layout.pixelBytes, &value, sizeof value);
      }
    }
  }
}

}  // namespace kvf
