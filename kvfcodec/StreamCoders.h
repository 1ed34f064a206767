// The two coded streams: the zerotree stream of filters 0..11 (plane order, stops at the
// byte budget) and the integer-filter stream of filters 12..18 (diagonal order, ends with
// 255, 241 and the symbol count).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "CoefficientTrees.h"

namespace kvfcodec {

// budget: bytes the stream may take (0: no limit). words is the encoder's working copy.
std::vector<uint8_t> encodeZerotree(std::span<uint32_t> words, const TreeShape& shape,
                                    int threshold, int planeLimit, size_t budget);
void decodeZerotree(std::span<uint32_t> words, const TreeShape& shape, int threshold,
                    int planeLimit, std::span<const uint8_t> stream);

std::vector<uint8_t> encodeIntegerStream(std::span<uint32_t> words, const TreeShape& shape,
                                         int threshold, int planeLimit, size_t budget);
void decodeIntegerStream(std::span<uint32_t> words, const TreeShape& shape, int threshold,
                         int planeLimit, std::span<const uint8_t> stream);

}  // namespace kvfcodec
