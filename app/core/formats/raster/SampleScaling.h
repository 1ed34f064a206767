// How samples deeper or shallower than 8 bits become 8 bits, and how a pixel with opacity is
// shown: the same arithmetic for every raster reader, so that the formats agree with each
// other and with libtiff and ImageMagick.
#pragma once

#include <cstdint>

namespace quillon {

inline constexpr std::uint32_t kMax16 = 65535;

// A 16-bit sample to 8 bits, rounded: (v * 255 + 32767) / 65535.
constexpr std::uint8_t Scale16To8(std::uint32_t v) {
  return static_cast<std::uint8_t>((v * 255u + 32767u) / kMax16);
}

// A sample of 0..maxValue to 16 bits, rounded; values above maxValue count as maxValue.
constexpr std::uint32_t ScaleTo16(std::uint32_t v, std::uint32_t maxValue) {
  if (v >= maxValue) return kMax16;
  return static_cast<std::uint32_t>((std::uint64_t{v} * kMax16 + maxValue / 2) / maxValue);
}

// A sample of 0..maxValue (1..65535) to 8 bits: through 16 bits, so that 10-, 12- and 14-bit
// samples round as a 16-bit copy of them would.
constexpr std::uint8_t ScaleTo8(std::uint32_t v, std::uint32_t maxValue) {
  if (maxValue == 255) return static_cast<std::uint8_t>(v > 255 ? 255 : v);
  return Scale16To8(ScaleTo16(v, maxValue));
}

// Opaque pictures only: a pixel with opacity is shown over this neutral mid grey.
inline constexpr std::uint32_t kBackground16 = 128 * 257;

// One 16-bit colour sample with 16-bit opacity, composited over the background, to 8 bits.
// `premultiplied` samples already hold colour times opacity.
constexpr std::uint8_t OverBackground(std::uint32_t colour16, std::uint32_t alpha16,
                                      bool premultiplied = false) {
  const std::uint64_t back = std::uint64_t{kBackground16} * (kMax16 - alpha16);
  const std::uint64_t front =
      premultiplied ? std::uint64_t{colour16} * kMax16 : std::uint64_t{colour16} * alpha16;
  std::uint64_t v = (front + back + kMax16 / 2) / kMax16;
  if (v > kMax16) v = kMax16;  // premultiplied samples above their opacity
  return Scale16To8(static_cast<std::uint32_t>(v));
}

// The same for 8-bit samples.
constexpr std::uint8_t OverBackground8(std::uint32_t colour, std::uint32_t alpha,
                                       bool premultiplied = false) {
  return OverBackground(colour * 257u, alpha * 257u, premultiplied);
}

}  // namespace quillon
