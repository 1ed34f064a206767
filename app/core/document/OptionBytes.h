// Bytes that the quality, rate and size options stand for, shared by loading and saving.
#pragma once

#include <cstdint>
#include <optional>

namespace quillon {

// Raw size / (501 - 5 q), the quality q taken within 1..100.
std::uint64_t BytesAtQuality(std::uint64_t rawSize, int quality);
// Raw size / rate, truncated and held below 2^64; nothing for a rate that is not positive.
std::optional<std::uint64_t> BytesAtRate(std::uint64_t rawSize, double rate);
// Kilobytes times 1024, truncated and held below 2^64; nothing for a size that is not positive.
std::optional<std::uint64_t> BytesOfKilobytes(double sizeKb);

}  // namespace quillon
