#include "core/analysis/ReducedColours.h"

#include <algorithm>
#include <bit>

#include "core/analysis/ColourCount.h"

namespace quillon {

namespace {

std::size_t SetBitsOf(const std::vector<std::uint64_t>& bits) {
  std::size_t count = 0;
  for (const std::uint64_t word : bits) count += std::size_t(std::popcount(word));
  return count;
}

// Calls `visit` with the key of every set bit, in ascending order.
template <typename Visit>
void ForEachSetBit(const std::vector<std::uint64_t>& bits, Visit visit) {
  for (std::size_t word = 0; word < bits.size(); ++word) {
    for (std::uint64_t rest = bits[word]; rest != 0; rest &= rest - 1) {
      visit(std::uint32_t(word * 64 + std::size_t(std::countr_zero(rest))));
    }
  }
}

// The colour bits at `depth` bits per sample folded to one bit less.
std::vector<std::uint64_t> Folded(const std::vector<std::uint64_t>& finer, int depth) {
  const int coarser = depth - 1;
  std::vector<std::uint64_t> folded(
      std::max<std::size_t>((std::size_t{1} << (3 * coarser)) / 64, 1), 0);
  const std::uint32_t mask = (1u << depth) - 1;
  ForEachSetBit(finer, [&](std::uint32_t key) {
    const std::uint32_t red = (key >> (2 * depth)) >> 1, green = ((key >> depth) & mask) >> 1,
                        blue = (key & mask) >> 1;
    const std::uint32_t folding = (red << (2 * coarser)) | (green << coarser) | blue;
    folded[folding >> 6] |= std::uint64_t{1} << (folding & 63);
  });
  return folded;
}

}  // namespace

ReducedColours::ReducedColours(const Picture& source, std::size_t maxColours)
    : bits_(TrueColourBits(source)) {
  // TrueColourBits keys are blue + 256 green + 65536 red, which is KeyOf at 8 bits.
  count_ = SetBitsOf(bits_);
  while (count_ > maxColours && depth_ > 1) {
    bits_ = Folded(bits_, depth_--);
    count_ = SetBitsOf(bits_);
  }
  shift_ = 8 - depth_;
  numbers_ = std::make_unique_for_overwrite<std::uint16_t[]>(std::size_t{1} << (3 * depth_));
  std::uint16_t number = 0;
  ForEachSetBit(bits_, [&](std::uint32_t key) { numbers_[key] = number++; });
}

std::vector<PaletteColour> ReducedColours::Colours() const {
  std::vector<PaletteColour> colours;
  colours.reserve(count_);
  const std::uint32_t mask = std::uint32_t(MaxValue());
  ForEachSetBit(bits_, [&](std::uint32_t key) {
    colours.push_back({std::uint8_t(key >> (2 * depth_)), std::uint8_t((key >> depth_) & mask),
                       std::uint8_t(key & mask)});
  });
  return colours;
}

}  // namespace quillon
