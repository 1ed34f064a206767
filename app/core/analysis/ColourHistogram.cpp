#include "core/analysis/ColourHistogram.h"

#include <algorithm>

namespace quillon {

namespace {

std::uint8_t Luminance24(const Picture::Triple& bgr) {
  return std::uint8_t(0.299 * bgr[2] + 0.587 * bgr[1] + 0.114 * bgr[0]);
}

std::uint8_t Luminance8(const Picture::Triple& bgr) {
  return std::uint8_t((77 * bgr[2] + 150 * bgr[1] + 29 * bgr[0]) >> 8);
}

}  // namespace

std::vector<HistogramChannel> HistogramChannelsOf(const Picture& picture) {
  std::vector<HistogramChannel> channels{HistogramChannel::Luminance, HistogramChannel::Red,
                                         HistogramChannel::Green, HistogramChannel::Blue};
  if (!picture.IsEmpty() && picture.GetBitCount() == 8)
    channels.push_back(HistogramChannel::Palette);
  return channels;
}

Histogram CountHistogram(const Picture& picture, HistogramChannel channel) {
  Histogram histogram;
  if (picture.IsEmpty()) return histogram;
  const bool eightBit = picture.GetBitCount() == 8;
  if (channel == HistogramChannel::Palette) {
    if (!eightBit) return histogram;
    picture.CountIndices(histogram.counts);
  } else {
    for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < picture.GetWidth(); ++x) {
        const Picture::Triple bgr = picture.GetPixel(x, y);
        std::uint8_t value = 0;
        switch (channel) {
          case HistogramChannel::Luminance:
            value = eightBit ? Luminance8(bgr) : Luminance24(bgr);
            break;
          case HistogramChannel::Red:
            value = bgr[2];
            break;
          case HistogramChannel::Green:
            value = bgr[1];
            break;
          case HistogramChannel::Blue:
            value = bgr[0];
            break;
          case HistogramChannel::Palette:
            break;
        }
        ++histogram.counts[value];
      }
    }
  }
  histogram.maximum = *std::max_element(histogram.counts.begin(), histogram.counts.end());
  return histogram;
}

const Histogram& HistogramCache::Get(const Picture& picture, HistogramChannel channel) {
  if (&picture != picture_) {
    Drop();
    picture_ = &picture;
  }
  std::optional<Histogram>& slot = histograms_[std::size_t(channel)];
  if (!slot) slot = CountHistogram(picture, channel);
  return *slot;
}

void HistogramCache::Drop() {
  picture_ = nullptr;
  for (std::optional<Histogram>& histogram : histograms_) histogram.reset();
}

}  // namespace quillon
