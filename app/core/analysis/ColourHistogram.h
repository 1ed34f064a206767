// The colour histogram of a picture: 256 counts of one channel, with the largest count.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/picture/Picture.h"

namespace quillon {

// In the order the histogram window lists them; the palette only for 8-bit pictures.
enum class HistogramChannel { Luminance, Red, Green, Blue, Palette };

std::vector<HistogramChannel> HistogramChannelsOf(const Picture& picture);

struct Histogram {
  std::array<std::uint32_t, 256> counts{};
  std::uint32_t maximum = 0;
};

// Luminance is 0.299 R + 0.587 G + 0.114 B truncated for 24-bit pictures and
// (77 R + 150 G + 29 B) >> 8 of the palette colour for 8-bit ones; Red, Green and Blue count
// the channel's byte; Palette counts the pixels of each palette index. A channel the picture
// does not offer gives an empty histogram.
Histogram CountHistogram(const Picture& picture, HistogramChannel channel);

// The histograms of one picture, each counted when first asked for.
class HistogramCache {
 public:
  // The histogram of `channel` of `picture`; another picture than last time drops the others.
  const Histogram& Get(const Picture& picture, HistogramChannel channel);
  // Call when the picture's pixels changed.
  void Drop();

 private:
  const Picture* picture_ = nullptr;
  std::array<std::optional<Histogram>, 5> histograms_;
};

}  // namespace quillon
