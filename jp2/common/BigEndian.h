// Big-endian field access for boxes, marker segments and ICC profiles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon::jp2 {

inline std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

// Each writer returns the position behind the bytes it wrote.
inline std::uint8_t* WriteU16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 8);
  out[1] = static_cast<std::uint8_t>(value);
  return out + 2;
}

inline std::uint8_t* WriteU32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
  return out + 4;
}

// Four-character codes (box types, ICC signatures) as their big-endian 32-bit value.
constexpr std::uint32_t FourCC(const char (&text)[5]) {
  return (std::uint32_t{static_cast<std::uint8_t>(text[0])} << 24) |
         (std::uint32_t{static_cast<std::uint8_t>(text[1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(text[2])} << 8) |
         std::uint32_t{static_cast<std::uint8_t>(text[3])};
}

}  // namespace quillon::jp2
