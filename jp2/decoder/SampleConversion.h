// The last arithmetic before output: reconstructed values (DC level shift still removed)
// become a component's samples, DC-shifted back and clamped to its range.
//
// Output samples are 32-bit patterns: unsigned samples as they are (up to 2^32 - 1), signed
// ones in two's complement. Components deeper than 32 bits keep the 32 most significant bits
// of each sample, so no sample is ever left unwritten.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decoder/CodestreamHeader.h"

namespace quillon::jp2 {

// Reversible path: the integers of the 5/3 transform (and RCT).
void ConvertReversible(const std::int32_t* values, std::uint32_t* samples, std::size_t count,
                       const ComponentInfo& component);

// Irreversible path: values in sample units (see CoefficientSource), rounded half up, then
// clamped; NaN gives the lowest sample. The same within float rounding as scaling by
// 2^(32 - G - d) per unit and dividing it out again, without a separate rule for components
// where 32 - G - d is below 1 (those round here too, where a truncation would lose up to 1).
void ConvertIrreversible(const float* values, std::uint32_t* samples, std::size_t count,
                         const ComponentInfo& component);

}  // namespace quillon::jp2
