#include "encoder/SampleIntake.h"

#include <cmath>
#include <cstring>

namespace quillon::jp2 {
namespace {

template <typename Element>
void ConvertAs(const std::uint8_t* elements, std::uint32_t count, const SampleFormat& format,
               std::int32_t* out) {
  const std::uint32_t depth = format.depth;
  const std::uint32_t mask = (std::uint32_t{1} << depth) - 1;
  const std::uint32_t half = std::uint32_t{1} << (depth - 1);
  for (std::uint32_t i = 0; i < count; ++i) {
    Element element;
    std::memcpy(&element, elements + std::size_t{i} * sizeof(Element), sizeof(Element));
    if constexpr (sizeof(Element) == 2) {
      if (format.swapBytes) element = __builtin_bswap16(element);
    } else if constexpr (sizeof(Element) == 4) {
      if (format.swapBytes) element = __builtin_bswap32(element);
    }
    const std::uint32_t value = static_cast<std::uint32_t>(element) & mask;
    // Both cases reduce to flipping or keeping the top bit and subtracting half: an unsigned
    // value v becomes v - half, a signed one (v ^ half) - half.
    const std::uint32_t biased = format.isSigned ? value ^ half : value;
    out[i] = static_cast<std::int32_t>(biased) - static_cast<std::int32_t>(half);
  }
}

}  // namespace

std::uint32_t ElementBytes(std::uint8_t depth) {
  return depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
}

void ConvertElements(const std::uint8_t* elements, std::uint32_t count, const SampleFormat& format,
                     std::int32_t* out) {
  switch (ElementBytes(format.depth)) {
    case 1:
      ConvertAs<std::uint8_t>(elements, count, format, out);
      break;
    case 2:
      ConvertAs<std::uint16_t>(elements, count, format, out);
      break;
    default:
      ConvertAs<std::uint32_t>(elements, count, format, out);
      break;
  }
}

float IrreversibleScale(std::uint8_t depth, std::uint8_t guardBits) {
  const int exponent = 32 - guardBits - depth;
  return exponent >= 0 ? std::ldexp(1.0f, exponent) : 1.0f;
}

void ScaleToFloats(const std::int32_t* values, std::uint32_t count, float scale, float* out) {
  for (std::uint32_t i = 0; i < count; ++i) out[i] = static_cast<float>(values[i]) * scale;
}

}  // namespace quillon::jp2
