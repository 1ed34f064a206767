// The two values derived from a KVF password: the 16-bit check value stored in the PW chunk
// and the 32-bit key written into the coded data where the free quality ends. Both are part of
// the file format: files protected by one build open in another only with the same constants.
#pragma once

#include <cstdint>
#include <string_view>

namespace kvf {

// At most this many characters of a password count.
inline constexpr std::size_t kKvfPasswordLength = 32;

std::uint16_t KvfPasswordCheckValue(std::string_view password);
std::uint32_t KvfPasswordKey(std::string_view password);

}  // namespace kvf
