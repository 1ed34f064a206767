#include "core/display/Thumbnail.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillon {
namespace {

TEST(Thumbnail, FittedSizeKeepsTheAspectAndNeverEnlarges) {
  struct Case {
    std::int32_t width, height, side;
    ThumbnailSize expected;
  };
  for (const Case& c : {Case{1024, 512, 128, {128, 64}}, Case{512, 1024, 128, {64, 128}},
                        Case{300, 200, 256, {256, 171}}, Case{100, 80, 128, {100, 80}},
                        Case{128, 128, 128, {128, 128}}, Case{10000, 3, 100, {100, 1}}}) {
    EXPECT_EQ(FittedSize(c.width, c.height, c.side), c.expected)
        << c.width << " x " << c.height << " into " << c.side;
  }
}

TEST(Thumbnail, FitHalvingsKeepTheLongerSideAtLeastTheWantedOne) {
  struct Case {
    std::uint32_t width, height, side;
    int expected;
  };
  for (const Case& c : {Case{1024, 512, 128, 3}, Case{1023, 512, 128, 2}, Case{512, 1024, 128, 3},
                        Case{100, 100, 128, 0}, Case{4096, 4096, 0, 0}, Case{4096, 1, 1, 12}}) {
    EXPECT_EQ(FitHalvings(c.width, c.height, c.side), c.expected)
        << c.width << " x " << c.height << " for " << c.side;
  }
}

// A 5 x 2 colour picture into 2 pixels: the blocks are columns 0-1 and 2-4, both rows.
TEST(Thumbnail, EachPixelIsTheRoundedMeanOfTheBlockItCovers) {
  Picture source;
  source.Header().biWidth = 5;
  source.Header().biHeight = 2;
  ASSERT_TRUE(source.CreatePicture(true));
  const std::uint8_t blue[2][5] = {{0, 10, 100, 101, 101}, {20, 31, 200, 0, 0}};
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 5; ++x) {
      std::uint8_t* pixel = source.Row(row) + 3 * x;
      pixel[0] = blue[row][x];
      pixel[1] = 255;
      pixel[2] = std::uint8_t(row * 10);
    }
  }
  Picture thumbnail;
  ASSERT_TRUE(MakeThumbnail(source, 2, thumbnail));
  ASSERT_EQ(thumbnail.GetWidth(), 2);
  ASSERT_EQ(thumbnail.GetHeight(), 1);
  ASSERT_EQ(thumbnail.GetBitCount(), 24);
  EXPECT_EQ(thumbnail.GetPixel(0, 0), (Picture::Triple{15, 255, 5}));  // 61 / 4 = 15.25
  EXPECT_EQ(thumbnail.GetPixel(1, 0), (Picture::Triple{84, 255, 5}));  // 502 / 6 = 83.7
}

TEST(Thumbnail, GreyStaysEightBitAndPaletteColoursAreAveraged) {
  for (const bool greyPalette : {true, false}) {
    Picture source;
    source.Header().biWidth = 4;
    source.Header().biHeight = 4;
    ASSERT_TRUE(source.CreatePicture(false));
    if (!greyPalette) source.Palette()[200] = {0, 0, 255, 0};  // index 200 shows red
    for (int row = 0; row < 4; ++row) {
      std::memset(source.Row(row), 0, source.GetStride());
      source.Row(row)[row % 2] = 200;
    }
    source.InvalidateCaches();
    Picture thumbnail;
    ASSERT_TRUE(MakeThumbnail(source, 2, thumbnail));
    ASSERT_EQ(thumbnail.GetWidth(), 2);
    // Each left block holds two 200s among four pixels.
    if (greyPalette) {
      EXPECT_EQ(thumbnail.GetBitCount(), 8);
      EXPECT_EQ(thumbnail.GetPixel(0, 0), (Picture::Triple{100, 100, 100}));
      EXPECT_EQ(thumbnail.GetPixel(1, 1), (Picture::Triple{0, 0, 0}));
    } else {
      EXPECT_EQ(thumbnail.GetBitCount(), 24);
      EXPECT_EQ(thumbnail.GetPixel(0, 1), (Picture::Triple{0, 0, 128}));  // 255 / 2, rounded
    }
  }
  Picture empty, thumbnail;
  EXPECT_FALSE(MakeThumbnail(empty, 16, thumbnail));
}

}  // namespace
}  // namespace quillon
