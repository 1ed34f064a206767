#include "core/analysis/MedianCutPalette.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

using Palette = std::vector<PaletteColour>;

TEST(MedianCutPalette, SplitsAlongTheChannelOfLargestLuminanceWeightedRange) {
  // Red spans 100 (weighted 7700), green 61 (weighted 9150): green decides, although red's
  // plain range is the larger. Cutting along red would pair (0,0) with (50,60).
  const std::vector<HistogramColour> colours{
      {0, 0, 0, 1}, {100, 30, 0, 1}, {50, 60, 0, 1}, {90, 61, 0, 1}};
  EXPECT_EQ(MedianCutPalette(colours, 255, 2, nullptr), (Palette{{50, 15, 0}, {70, 60, 0}}));
}

TEST(MedianCutPalette, CutsAtHalfThePixelsAndWeighsTheMeans) {
  // Half of 10 pixels is reached by the first colour alone; the upper box's mean leans
  // towards its more frequent colour.
  const std::vector<HistogramColour> colours{{0, 0, 0, 5}, {200, 0, 0, 1}, {100, 0, 0, 4}};
  EXPECT_EQ(MedianCutPalette(colours, 255, 2, nullptr), (Palette{{0, 0, 0}, {120, 0, 0}}));
}

TEST(MedianCutPalette, SplitsTheMostPopulousBoxFirstAndStopsWhenNoBoxCanSplit) {
  // After the first cut the box of 9 pixels holds one colour, so the box of 2 colours is cut.
  const std::vector<HistogramColour> colours{{0, 0, 0, 9}, {0, 0, 200, 1}, {0, 0, 100, 1}};
  EXPECT_EQ(MedianCutPalette(colours, 255, 3, nullptr),
            (Palette{{0, 0, 0}, {0, 0, 100}, {0, 0, 200}}));
  // Asking for more boxes than colours gives one box per colour.
  EXPECT_EQ(MedianCutPalette(colours, 255, 256, nullptr).size(), 3u);
  EXPECT_TRUE(MedianCutPalette({}, 255, 256, nullptr).empty());
}

}  // namespace
}  // namespace quillon
