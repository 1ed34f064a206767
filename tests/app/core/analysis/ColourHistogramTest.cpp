#include "core/analysis/ColourHistogram.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/PictureFixture.h"

namespace quillon {
namespace {

using test::MakePicture;
using test::SetPixel;
using Channel = HistogramChannel;

TEST(ColourHistogram, OnlyPalettePicturesOfferThePalette) {
  Picture colour, palette, empty;
  MakePicture(colour, 4, 4, true, 0);
  MakePicture(palette, 4, 4, false, 0);
  const std::vector<Channel> four{Channel::Luminance, Channel::Red, Channel::Green, Channel::Blue};
  EXPECT_EQ(HistogramChannelsOf(colour), four);
  std::vector<Channel> five = four;
  five.push_back(Channel::Palette);
  EXPECT_EQ(HistogramChannelsOf(palette), five);
  EXPECT_EQ(HistogramChannelsOf(empty), four);
  EXPECT_EQ(CountHistogram(colour, Channel::Palette).maximum, 0u);
}

TEST(ColourHistogram, ColourPicturesCountEachChannelAndTruncatedLuminance) {
  Picture picture;
  MakePicture(picture, 3, 1, true, 0);
  SetPixel(picture, 0, 0, 30, 20, 10);  // luminance 18.15
  SetPixel(picture, 1, 0, 0, 0, 255);   // 76.245
  SetPixel(picture, 2, 0, 30, 20, 10);
  const Histogram luminance = CountHistogram(picture, Channel::Luminance);
  EXPECT_EQ(luminance.counts[18], 2u);
  EXPECT_EQ(luminance.counts[76], 1u);
  EXPECT_EQ(luminance.maximum, 2u);
  EXPECT_EQ(CountHistogram(picture, Channel::Red).counts[255], 1u);
  EXPECT_EQ(CountHistogram(picture, Channel::Green).counts[20], 2u);
  EXPECT_EQ(CountHistogram(picture, Channel::Blue).counts[0], 1u);
}

TEST(ColourHistogram, PalettePicturesCountPaletteColoursAndIndices) {
  Picture picture;
  MakePicture(picture, 5, 2, false, 9);   // row padding holds 9 too and must not count
  picture.Palette()[9] = {0, 0, 255, 0};  // red: (77 * 255) >> 8 is 76
  picture.Palette()[4] = {200, 200, 200, 0};
  picture.Row(0)[0] = 4;
  picture.InvalidateCaches();
  const Histogram luminance = CountHistogram(picture, Channel::Luminance);
  EXPECT_EQ(luminance.counts[76], 9u);
  EXPECT_EQ(luminance.counts[200], 1u);
  const Histogram indices = CountHistogram(picture, Channel::Palette);
  EXPECT_EQ(indices.counts[9], 9u);
  EXPECT_EQ(indices.counts[4], 1u);
  EXPECT_EQ(indices.maximum, 9u);
  EXPECT_EQ(CountHistogram(picture, Channel::Red).counts[255], 9u);
}

TEST(ColourHistogram, CacheCountsAgainForAnotherPictureOrAfterADrop) {
  Picture first, second;
  MakePicture(first, 2, 2, true, 10);
  MakePicture(second, 2, 2, true, 20);
  HistogramCache cache;
  EXPECT_EQ(cache.Get(first, Channel::Red).counts[10], 4u);
  EXPECT_EQ(cache.Get(second, Channel::Red).counts[20], 4u);
  std::memset(second.Bits(), 30, second.Header().biSizeImage);
  EXPECT_EQ(cache.Get(second, Channel::Red).counts[20], 4u) << "kept until dropped";
  cache.Drop();
  EXPECT_EQ(cache.Get(second, Channel::Red).counts[30], 4u);
}

}  // namespace
}  // namespace quillon
