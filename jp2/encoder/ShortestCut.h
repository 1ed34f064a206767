// The shortest cut of an MQ codeword segment after which a decoder, filling the rest with ones
// as it does past a segment's end, still decodes every symbol up to a given one: the code
// interval at that symbol and the segment's final bytes decide it exactly, where the running
// estimate of the encoder has to allow for every continuation of the interval.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

// The encoder's state after a symbol: the byte under construction and its value then (a carry
// may still reach it), and the code interval [low, high) aligned so that bit 27 is that byte's
// lowest bit.
struct MqIntervalEnd {
  std::int64_t byte = 0;  // offset in the codeword; -1 for the zero byte before it
  std::uint8_t value = 0;
  std::uint32_t low = 0;
  std::uint32_t high = 0;
};

// The shortest cut of codeword[0, segmentEnd) that decodes the symbols up to end, at most
// estimate (a cut known to decode them, itself at most segmentEnd).
std::uint32_t ShortestCut(const std::uint8_t* codeword, std::uint32_t segmentEnd,
                          const MqIntervalEnd& end, std::uint32_t estimate);

}  // namespace quillon::jp2
