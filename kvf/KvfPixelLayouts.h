// The pixel layouts the codec reads and writes (the format codes of the interface), and the
// colour modes each one can be coded in. Pixels are moved to and from channel rows: one
// int32 row per channel, in the channel order of layout 16 (layout 19 holds its first and
// third byte the other way round).
#pragma once

#include <cstdint>
#include <span>

namespace kvf {

struct KvfPixelLayout {
  std::int16_t code;
  std::uint8_t channels;
  std::uint8_t sampleBytes;  // 1 or 2 (native byte order)
  std::uint8_t pixelBytes;
  std::uint8_t sampleOf[4];  // sample index within the pixel of each channel
  bool decodable;            // false: the encoder reads it, the decoder does not write it
};

// The table entry of a layout code, or null.
const KvfPixelLayout* FindKvfPixelLayout(std::int32_t code);

// Whether the encoder turns pixels of `layout` into `colourMode`.
bool KvfEncoderAccepts(const KvfPixelLayout& layout, std::uint32_t colourMode);
// Whether the decoder writes a picture coded in `colourMode` into `layout`; 16-bit pictures
// also go into 8-bit layouts of the same channel count, keeping the high byte.
bool KvfDecoderAccepts(const KvfPixelLayout& layout, std::uint32_t colourMode);

// Reads `width` pixels into the channel rows.
void UnpackPixels(const KvfPixelLayout& layout, const std::uint8_t* pixels, std::uint32_t width,
                  std::span<std::int32_t* const> channels);
// Writes `width` pixels from the channel rows, each sample shifted right by `downShift`.
void PackPixels(const KvfPixelLayout& layout, std::span<const std::int32_t* const> channels,
                std::uint32_t width, std::uint32_t downShift, std::uint8_t* pixels);

}  // namespace kvf
