// How many distinct colours a picture shows.
#pragma once

#include <cstdint>
#include <vector>

#include "core/picture/Picture.h"

namespace quillon {

// 24 bits: the distinct pixel values. 8 bits: the distinct palette entries (all four bytes)
// that some pixel uses, so two indices with equal entries count once. 0 for an empty picture.
// Throws std::bad_alloc when the 2-megabyte table of a 24-bit count cannot be had.
std::uint32_t CountColours(const Picture& picture);

// One bit for each of the 2^24 colours (blue + 256 green + 65536 red, bit n of word n / 64),
// set for the colours of a 24-bit picture. Throws std::bad_alloc.
std::vector<std::uint64_t> TrueColourBits(const Picture& picture);

}  // namespace quillon
