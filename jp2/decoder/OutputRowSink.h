// Where the scaling stages hand finished output rows: samples as SampleConversion.h makes
// them, placed in output samples relative to the component's own origin (the component's
// first sample, ceil(XOsiz / XRsiz) and ceil(YOsiz / YRsiz), divided by the reduce factor
// rounding up, or multiplied by the enlarge factor).
#pragma once

#include <cstdint>

#include "common/Status.h"

namespace quillon::jp2 {

class OutputRowSink {
 public:
  virtual ~OutputRowSink() = default;
  // count is never 0; a non-zero status stops decoding and is passed on.
  virtual Status TakeRow(const std::uint32_t* samples, std::uint32_t count, std::uint32_t row,
                         std::uint32_t column) = 0;
};

// A sample's value from its 32-bit pattern, and back.
inline std::int64_t SampleValue(std::uint32_t sample, bool isSigned) {
  return isSigned ? std::int64_t{static_cast<std::int32_t>(sample)} : std::int64_t{sample};
}
inline std::uint32_t SamplePattern(std::int64_t value) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

}  // namespace quillon::jp2
