// The colour transforms between channel rows (sample values) and the coded components. Every
// transform is an exact integer inverse of its forward direction; the inverse clamps to the
// sample range. 8-bit modes work on int16_t components, 16-bit modes on int32_t.
#pragma once

#include <cstdint>
#include <span>

namespace kvf {

// Forward: `width` samples of each channel into `width` values of each component.
template <typename Component>
void ForwardColourTransform(std::uint32_t colourMode, std::span<const std::int32_t* const> channels,
                            std::uint32_t width, std::span<Component* const> components);

// Inverse: `width` values of each component, read `step` apart, into the channel rows,
// clamped to 0..(2^sampleBits - 1).
template <typename Component>
void InverseColourTransform(std::uint32_t colourMode, std::span<const Component* const> components,
                            std::size_t step, std::uint32_t width,
                            std::span<std::int32_t* const> channels);

}  // namespace kvf
