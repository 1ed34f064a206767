#include "encoder/ShortestCut.h"

namespace quillon::jp2 {
namespace {

// Values are kept 32 bits above the interval's alignment so that bytes past its lowest bit
// still have whole positions.
constexpr int kHeadroom = 32;
constexpr int kByteUnderConstruction = 27 + kHeadroom;

}  // namespace

std::uint32_t ShortestCut(const std::uint8_t* codeword, std::uint32_t segmentEnd,
                          const MqIntervalEnd& end, std::uint32_t estimate) {
  if (end.byte + 1 > estimate) return estimate;
  const std::uint64_t low = std::uint64_t{end.low} << kHeadroom;
  const std::uint64_t high = std::uint64_t{end.high} << kHeadroom;
  // The final bytes from the one under construction on, as a value in the interval's frame:
  // that byte adds the carry it took since, each later one its bits below the one before; after
  // a 0xFF seven below it, the top bit of the byte on the 0xFF's lowest bit.
  std::int64_t at = end.byte;
  std::uint8_t last = at >= 0 ? codeword[at] : 0;
  std::uint64_t value = std::uint64_t{static_cast<std::uint8_t>(last - end.value)}
                        << kByteUnderConstruction;
  int lowest = kByteUnderConstruction;  // bit of the last kept byte's lowest bit
  for (;;) {
    const auto cut = static_cast<std::uint32_t>(at + 1);
    if (cut >= estimate) return estimate;
    // Cut after byte at, the decoder reads ones below it, just short of the last byte's next
    // unit: that must not pass high, and must still reach low, which a carry the later bytes
    // hold in a stuffed bit can lift above it.
    const std::uint64_t next = value + (std::uint64_t{1} << lowest);
    if (next <= high && next > low) return cut;
    if (cut >= segmentEnd) return estimate;
    lowest -= last == 0xFF ? 7 : 8;
    if (lowest < 0) return estimate;
    last = codeword[++at];
    value += std::uint64_t{last} << lowest;
  }
}

}  // namespace quillon::jp2
