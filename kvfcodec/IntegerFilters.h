// The integer lifting filters (filters 12..18 of the bank, 0..6 here) on 16-bit samples.
#pragma once

#include <cstdint>
#include <span>

namespace kvfcodec {

inline constexpr int kIntegerFilterCount = 7;

int integerFilterSupport(int integerFilter);

// One row or column of even length: the even-sample (low) outputs to the first half, the
// odd-sample (detail) outputs to the second. The inverse restores every input exactly.
void analyseInteger(int integerFilter, std::span<int16_t> samples);
void synthesiseInteger(int integerFilter, std::span<int16_t> samples);

}  // namespace kvfcodec
