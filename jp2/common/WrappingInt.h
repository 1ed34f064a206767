// 32-bit integer sums that wrap instead of overflowing: a decoded file may hold any
// coefficients, and for values that fit the result is the ordinary sum.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

inline std::int32_t WrappingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t WrappingSub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

}  // namespace quillon::jp2
