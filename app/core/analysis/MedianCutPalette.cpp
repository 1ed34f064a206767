#include "core/analysis/MedianCutPalette.h"

#include <algorithm>
#include <array>

namespace quillon {

namespace {

enum Channel { kRed, kGreen, kBlue };

struct Box {
  std::size_t first = 0;  // into the colour list
  std::size_t size = 0;
  std::uint64_t pixels = 0;
};

std::uint8_t ChannelOf(const HistogramColour& colour, Channel channel) {
  return channel == kRed ? colour.red : channel == kGreen ? colour.green : colour.blue;
}

Channel WidestChannel(const HistogramColour* colours, std::size_t size) {
  std::array<int, 3> low{255, 255, 255}, high{0, 0, 0};
  for (std::size_t i = 0; i < size; ++i) {
    const std::array<int, 3> value{colours[i].red, colours[i].green, colours[i].blue};
    for (int c = 0; c < 3; ++c) {
      low[c] = std::min(low[c], value[c]);
      high[c] = std::max(high[c], value[c]);
    }
  }
  // Luminance weights: a spread in green is seen most, one in blue least.
  const int red = 77 * (high[kRed] - low[kRed]);
  const int green = 150 * (high[kGreen] - low[kGreen]);
  const int blue = 29 * (high[kBlue] - low[kBlue]);
  if (red >= green && red >= blue) return kRed;
  return green >= blue ? kGreen : kBlue;
}

// Sorts the box's colours along `channel` and returns how many go to the lower part: the
// fewest whose pixels reach half the box's, at least one and leaving at least one.
std::size_t SplitPoint(HistogramColour* colours, const Box& box, Channel channel) {
  // The other channels order equal values, so the result never depends on the sort's whims.
  std::sort(colours, colours + box.size,
            [channel](const HistogramColour& a, const HistogramColour& b) {
              const auto key = [channel](const HistogramColour& c) {
                return (std::uint32_t{ChannelOf(c, channel)} << 24) | (std::uint32_t{c.red} << 16) |
                       (std::uint32_t{c.green} << 8) | c.blue;
              };
              return key(a) < key(b);
            });
  const std::uint64_t half = box.pixels / 2;
  std::uint64_t running = 0;
  std::size_t lower = 0;
  while (lower < box.size - 1) {
    running += colours[lower++].count;
    if (running >= half) break;
  }
  return lower;  // the loop ran at least once: a box to split holds two colours or more
}

PaletteColour MeanOf(const HistogramColour* colours, std::size_t size, int maxValue) {
  std::uint64_t red = 0, green = 0, blue = 0, pixels = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint64_t n = colours[i].count;
    red += n * colours[i].red;
    green += n * colours[i].green;
    blue += n * colours[i].blue;
    pixels += n;
  }
  if (pixels == 0) pixels = 1;
  const auto mean = [&](std::uint64_t sum) {
    return static_cast<std::uint8_t>(
        std::min<std::uint64_t>(sum / pixels, std::uint64_t(maxValue)));
  };
  return {mean(red), mean(green), mean(blue)};
}

}  // namespace

std::vector<PaletteColour> MedianCutPalette(std::vector<HistogramColour> colours, int maxValue,
                                            int maxColours, Progress* progress) {
  std::vector<Box> boxes;
  if (colours.empty() || maxColours < 1) return {};
  boxes.reserve(std::size_t(maxColours));
  Box all{0, colours.size(), 0};
  for (const HistogramColour& colour : colours) all.pixels += colour.count;
  boxes.push_back(all);

  const auto byPixels = [](const Box& a, const Box& b) { return a.pixels > b.pixels; };
  while (boxes.size() < std::size_t(maxColours)) {
    const auto splittable =
        std::find_if(boxes.begin(), boxes.end(), [](const Box& box) { return box.size >= 2; });
    if (splittable == boxes.end()) break;
    Box box = *splittable;
    HistogramColour* first = colours.data() + box.first;
    const std::size_t lower = SplitPoint(first, box, WidestChannel(first, box.size));
    Box upper{box.first + lower, box.size - lower, 0};
    for (std::size_t i = lower; i < box.size; ++i) upper.pixels += first[i].count;
    box.size = lower;
    box.pixels -= upper.pixels;
    *splittable = box;
    boxes.push_back(upper);
    // Stable, so that boxes of equal count keep their order from run to run.
    std::stable_sort(boxes.begin(), boxes.end(), byPixels);
    if (progress) progress->StepIt();
  }

  std::vector<PaletteColour> palette;
  palette.reserve(boxes.size());
  for (const Box& box : boxes)
    palette.push_back(MeanOf(colours.data() + box.first, box.size, maxValue));
  return palette;
}

}  // namespace quillon
