#include "encoder/SlopeFloor.h"

#include <bit>

namespace quillon::jp2 {
namespace {

constexpr int kMantissaBitsDropped = 20;

}  // namespace

void SlopeFloor::Add(const CodedBlock& block) {
  std::uint32_t before = 0;
  for (std::uint16_t p = 0; p < block.passCount; ++p) {
    const float slope = block.slopes[p];
    if (!(slope > 0.0f)) continue;
    const std::uint32_t bin = std::bit_cast<std::uint32_t>(slope) >> kMantissaBitsDropped;
    bytes_[bin < kBins ? bin : kBins - 1] += block.lengths[p] - before;
    before = block.lengths[p];
  }
}

float SlopeFloor::Below(std::uint64_t budget) const {
  std::uint64_t steeper = 0;
  for (int bin = kBins - 1; bin > 0; --bin) {
    steeper += bytes_[bin];
    if (steeper > budget) {
      return std::bit_cast<float>(static_cast<std::uint32_t>(bin) << kMantissaBitsDropped);
    }
  }
  return 0.0f;
}

}  // namespace quillon::jp2
