#include "kvf/KvfColourTransform.h"

#include <algorithm>

#include "kvf/KvfColourModes.h"

namespace kvf {

namespace {

enum class Transform { plain, reversible, luminance };

// Modes 2 and 18 code S = r+2g+b with two colour differences; 6 and 20 a luminance with two
// differences from the middle channel; every other mode codes its channels as they are.
Transform TransformOf(std::uint32_t colourMode) {
  switch (colourMode) {
    case 2:
    case 18:
      return Transform::reversible;
    case 6:
    case 20:
      return Transform::luminance;
    default:
      return Transform::plain;
  }
}

struct Range {
  std::int32_t centre;
  std::int32_t maximum;
};

Range RangeOf(std::uint32_t colourMode) {
  const KvfColourMode* mode = FindKvfColourMode(colourMode);
  const bool wide = mode != nullptr && mode->sampleBits == 16;
  return wide ? Range{32768, 65535} : Range{128, 255};
}

}  // namespace

template <typename Component>
void ForwardColourTransform(std::uint32_t colourMode, std::span<const std::int32_t* const> channels,
                            std::uint32_t width, std::span<Component* const> components) {
  const std::int32_t centre = RangeOf(colourMode).centre;
  switch (TransformOf(colourMode)) {
    case Transform::reversible:
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::int32_t b0 = channels[0][x] - centre;
        const std::int32_t b1 = channels[1][x] - centre;
        const std::int32_t b2 = channels[2][x] - centre;
        const std::int32_t s = b0 + 2 * b1 + b2;
        components[0][x] = static_cast<Component>(s);
        components[1][x] = static_cast<Component>((s >> 2) - b2);
        components[2][x] = static_cast<Component>((s >> 2) - b0);
      }
      break;
    case Transform::luminance:
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::int32_t b0 = channels[0][x];
        const std::int32_t b1 = channels[1][x];
        const std::int32_t b2 = channels[2][x];
        components[0][x] = static_cast<Component>(((b2 + 2 * b1 + b0) >> 2) - centre);
        components[1][x] = static_cast<Component>(b0 - b1);
        components[2][x] = static_cast<Component>(b2 - b1);
      }
      break;
    case Transform::plain:
      for (std::size_t c = 0; c < components.size(); ++c) {
        for (std::uint32_t x = 0; x < width; ++x) {
          components[c][x] = static_cast<Component>(channels[c][x] - centre);
        }
      }
      break;
  }
}

template <typename Component>
void InverseColourTransform(std::uint32_t colourMode, std::span<const Component* const> components,
                            std::size_t step, std::uint32_t width,
                            std::span<std::int32_t* const> channels) {
  const Range range = RangeOf(colourMode);
  // Damaged or cut data can hold any value: the arithmetic is wide enough for all of them.
  const auto clamp = [&](std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, range.maximum));
  };
  const auto at = [&](std::size_t c, std::uint32_t x) -> std::int64_t {
    return components[c][x * step];
  };
  switch (TransformOf(colourMode)) {
    case Transform::reversible:
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::int64_t s = at(0, x);
        const std::int64_t y = s >> 2;
        const std::int64_t b2 = y - at(1, x);
        const std::int64_t b0 = y - at(2, x);
        const std::int64_t b1 = (s - b0 - b2) / 2;
        channels[0][x] = clamp(b0 + range.centre);
        channels[1][x] = clamp(b1 + range.centre);
        channels[2][x] = clamp(b2 + range.centre);
      }
      break;
    case Transform::luminance:
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::int64_t c1 = at(1, x);
        const std::int64_t c2 = at(2, x);
        const std::int64_t b1 = at(0, x) + range.centre - ((c1 + c2) >> 2);
        channels[0][x] = clamp(c1 + b1);
        channels[1][x] = clamp(b1);
        channels[2][x] = clamp(c2 + b1);
      }
      break;
    case Transform::plain:
      for (std::size_t c = 0; c < components.size(); ++c) {
        for (std::uint32_t x = 0; x < width; ++x) channels[c][x] = clamp(at(c, x) + range.centre);
      }
      break;
  }
}

template void ForwardColourTransform(std::uint32_t, std::span<const std::int32_t* const>,
                                     std::uint32_t, std::span<std::int16_t* const>);
template void ForwardColourTransform(std::uint32_t, std::span<const std::int32_t* const>,
                                     std::uint32_t, std::span<std::int32_t* const>);
template void InverseColourTransform(std::uint32_t, std::span<const std::int16_t* const>,
                                     std::size_t, std::uint32_t, std::span<std::int32_t* const>);
template void InverseColourTransform(std::uint32_t, std::span<const std::int32_t* const>,
                                     std::size_t, std::uint32_t, std::span<std::int32_t* const>);

}  // namespace kvf
