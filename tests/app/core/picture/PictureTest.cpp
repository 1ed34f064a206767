#include "core/picture/Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace quillon {
namespace {

// A picture of the given size whose pixels are all set to `fill`.
void make(Picture& picture, std::int32_t width, std::int32_t height, bool colour,
          std::uint8_t fill = 0) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(colour));
  std::memset(picture.Bits(), fill, picture.Header().biSizeImage);
}

TEST(PictureLayout, StridesRoundRowsUpToFourBytes) {
  EXPECT_EQ(strideFor(1, 24), 4u);
  EXPECT_EQ(strideFor(5, 8), 8u);
  EXPECT_EQ(strideFor(4, 8), 4u);
  EXPECT_EQ(strideFor(3, 24), 12u);
  EXPECT_EQ(strideFor(5, 24), 16u);
  EXPECT_EQ(strideFor(0, 8), 0u);
  EXPECT_EQ(strideFor(std::numeric_limits<std::int32_t>::max(), 24), 0u);  // over 32 bits
}

TEST(PictureLayout, NewPictureHasHeaderFieldsAndGrayRamp) {
  Picture colour;
  make(colour, 7, 3, true);
  const BitmapInfoHeader& h = colour.Header();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biBitCount, 24);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biSizeImage, 24u * 3);
  EXPECT_EQ(h.biClrUsed, 0u);
  EXPECT_EQ(colour.GetXDpi16(), kDefaultDpi16);
  EXPECT_EQ(colour.GetYDpi16(), kDefaultDpi16);
  EXPECT_EQ(colour.Palette()[200].rgbRed, 200);  // ramp also for 24 bits

  Picture gray;
  make(gray, 5, 2, false);
  EXPECT_EQ(gray.Header().biClrUsed, 256u);
  EXPECT_EQ(gray.GetStride(), 8u);
  EXPECT_EQ(gray.Header().biSizeImage, 16u);
}

TEST(PictureLayout, EmptyPictureReportsNoSize) {
  Picture picture;
  picture.Header().biWidth = 10;
  picture.Header().biHeight = 10;
  EXPECT_EQ(picture.GetWidth(), 0);
  EXPECT_EQ(picture.GetHeight(), 0);
  EXPECT_EQ(picture.GetPixel(0, 0), (Picture::Triple{0, 0, 0}));
  EXPECT_FALSE(picture.IsGray());
}

TEST(PictureLayout, OversizedOrInvalidSizesFailAndLeaveThePictureEmpty) {
  Picture picture;
  make(picture, 4, 4, true);
  for (auto [w, h] : {std::pair{0, 5},
                      {5, 0},
                      {-3, 5},
                      {5, -1},
                      {70000, 70000},
                      {std::numeric_limits<std::int32_t>::max(), 2}}) {
    picture.Header().biWidth = w;
    picture.Header().biHeight = h;
    EXPECT_FALSE(picture.CreatePicture(true)) << w << "x" << h;
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(picture.Bits(), nullptr);
    EXPECT_EQ(picture.GetWidth(), 0);
  }
}

TEST(PictureLayout, RowZeroIsTheBottomRow) {
  Picture picture;
  make(picture, 3, 4, true);
  picture.Row(0)[0] = 11;          // bottom-left blue
  picture.Row(3)[3 * 2 + 2] = 99;  // top-right red
  EXPECT_EQ(picture.GetPixel(0, 0)[0], 11);
  EXPECT_EQ(picture.GetPixel(2, 3)[2], 99);
  CodecLayout layout = picture.GetCodecLayout();
  EXPECT_EQ(layout.width, 3);
  EXPECT_EQ(layout.height, 4);
  EXPECT_EQ(layout.bytesPerPixel, 3);
  EXPECT_EQ(layout.pixelStep, 3);
  EXPECT_EQ(layout.lineStep, -12);
  EXPECT_EQ(layout.topRow[3 * 2 + 2], 99);            // top row first
  EXPECT_EQ(layout.topRow[3 * layout.lineStep], 11);  // bottom row last
}

TEST(PicturePixels, GetPixelOutsideIsBlackAndPaletteIsLookedUp) {
  Picture picture;
  make(picture, 2, 2, false, 5);
  picture.Palette()[5] = RgbQuad{1, 2, 3, 0};
  EXPECT_EQ(picture.GetPixel(1, 1), (Picture::Triple{1, 2, 3}));
  EXPECT_EQ(picture.GetPixel(2, 0), (Picture::Triple{0, 0, 0}));
  EXPECT_EQ(picture.GetPixel(0, 2), (Picture::Triple{0, 0, 0}));
  EXPECT_EQ(picture.GetPixel(-1, 0), (Picture::Triple{0, 0, 0}));
}

TEST(PicturePixels, SwapRedBlueTouchesOnlyTheGivenRow) {
  Picture picture;
  make(picture, 2, 2, true);
  picture.Row(1)[0] = 1;
  picture.Row(1)[2] = 3;
  picture.Row(0)[0] = 7;
  picture.SwapRedBlue(1);
  EXPECT_EQ(picture.GetPixel(0, 1), (Picture::Triple{3, 0, 1}));
  EXPECT_EQ(picture.GetPixel(0, 0)[0], 7);
  picture.SwapRedBlue(2);  // outside: nothing happens
}

TEST(PictureGray, PaddingCountsForEightBitGrayTest) {
  Picture picture;
  make(picture, 5, 2, false, 3);  // stride 8: three padding bytes per row
  picture.Palette()[9] = RgbQuad{0, 0, 255, 0};
  EXPECT_TRUE(picture.IsGray());
  picture.Row(1)[6] = 9;  // a padding byte indexes a coloured entry
  EXPECT_FALSE(picture.IsGray());
}

TEST(PictureGray, GrayPaletteOutOfOrderIsGrayButNotARamp) {
  Picture picture;
  make(picture, 4, 4, false, 0);
  EXPECT_TRUE(picture.IsGrayRamp());
  picture.Palette()[1] = RgbQuad{7, 7, 7, 0};
  EXPECT_TRUE(picture.IsGrayRamp()) << "cached until invalidated";
  picture.InvalidateCaches();
  EXPECT_FALSE(picture.IsGrayRamp());
  EXPECT_TRUE(picture.IsGray());
}

TEST(PictureGray, TwentyFourBitIsNeverARampAndGrayNeedsEqualChannels) {
  Picture picture;
  make(picture, 3, 3, true, 40);
  EXPECT_FALSE(picture.IsGrayRamp());
  EXPECT_TRUE(picture.IsGray());
  picture.Row(2)[4] = 41;
  EXPECT_FALSE(picture.IsGray());
}

TEST(PictureGray, TwoLevelInEitherDepthShowsOneBit) {
  Picture colour;
  make(colour, 3, 2, true, 255);
  colour.Row(0)[0] = colour.Row(0)[1] = colour.Row(0)[2] = 0;
  EXPECT_TRUE(colour.IsTwoLevel());
  EXPECT_EQ(colour.GetDisplayDepth(), 1);

  Picture indexed;
  make(indexed, 5, 2, false, 0);
  indexed.Row(1)[4] = 255;
  indexed.Palette()[17] = RgbQuad{1, 2, 3, 0};
  indexed.Row(0)[6] = 17;  // padding does not count for two-level
  EXPECT_TRUE(indexed.IsTwoLevel());
  EXPECT_EQ(indexed.GetDisplayDepth(), 1);

  indexed.Row(0)[1] = 128;
  EXPECT_TRUE(indexed.IsTwoLevel()) << "cached until invalidated";
  indexed.InvalidateCaches();
  EXPECT_FALSE(indexed.IsTwoLevel());
  EXPECT_EQ(indexed.GetDisplayDepth(), 8);
}

TEST(PictureGray, CreatingResetsTheCaches) {
  Picture picture;
  make(picture, 2, 2, true, 0);
  EXPECT_TRUE(picture.IsTwoLevel());
  make(picture, 2, 2, true, 100);
  EXPECT_FALSE(picture.IsTwoLevel());
}

TEST(PictureConversions, GrayToPalette8RewritesRowsAtTheNarrowStride) {
  Picture picture;
  make(picture, 5, 3, true);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) {
      std::memset(picture.Row(y) + 3 * x, 10 * y + x, 3);
    }
  }
  EXPECT_TRUE(picture.IsTwoLevel() == false);
  ASSERT_TRUE(picture.GrayToPalette8());
  EXPECT_EQ(picture.GetBitCount(), 8);
  EXPECT_EQ(picture.GetStride(), 8u);
  EXPECT_EQ(picture.Header().biSizeImage, 24u);
  EXPECT_TRUE(picture.IsGrayRamp());
  EXPECT_EQ(picture.Palette()[77].rgbReserved, 77);
  for (std::int32_t y = 0; y < 3; ++y) {
    for (std::int32_t x = 0; x < 5; ++x) EXPECT_EQ(picture.Row(y)[x], 10 * y + x);
  }
}

TEST(PictureConversions, GrayToPalette8RefusesColourPictures) {
  Picture picture;
  make(picture, 2, 2, true, 0);
  picture.Row(0)[2] = 50;
  EXPECT_FALSE(picture.GrayToPalette8());
  EXPECT_EQ(picture.GetBitCount(), 24);
}

TEST(PictureConversions, PaletteToGrayRampMapsIndicesToTheirGrayValue) {
  Picture picture;
  make(picture, 3, 1, false, 0);
  for (int i = 0; i < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(255 - i);  // inverted grey palette
    picture.Palette()[i] = RgbQuad{v, v, v, 0};
  }
  picture.Row(0)[0] = 0;
  picture.Row(0)[1] = 55;
  picture.Row(0)[2] = 255;
  ASSERT_TRUE(picture.PaletteToGrayRamp());
  EXPECT_TRUE(picture.IsGrayRamp());
  EXPECT_EQ(picture.Row(0)[0], 255);
  EXPECT_EQ(picture.Row(0)[1], 200);
  EXPECT_EQ(picture.Row(0)[2], 0);
}

TEST(PictureConversions, CountIndicesExcludesPadding) {
  Picture picture;
  make(picture, 3, 2, false, 9);  // padding bytes hold 9 too
  picture.Row(0)[0] = 1;
  std::array<std::uint32_t, kPaletteEntries> counts;
  counts.fill(1234);
  picture.CountIndices(counts);
  EXPECT_EQ(counts[9], 5u);
  EXPECT_EQ(counts[1], 1u);
  EXPECT_EQ(counts[0], 0u);

  Picture colour;
  make(colour, 3, 2, true);
  colour.CountIndices(counts);
  EXPECT_EQ(counts[9], 5u) << "24-bit pictures leave the table alone";
}

TEST(PictureResolution, SixteenDotSixteenConversions) {
  EXPECT_EQ(dpi16FromPelsPerMeter(2835), 72u << 16);
  EXPECT_EQ(dpi16FromPelsPerMeter(11811), 300u << 16);
  EXPECT_EQ(dpi16FromPelsPerMeter(0), 0u);
  EXPECT_EQ(dpi16FromPelsPerMeter(-5000), 0u) << "hostile values are clamped";
  EXPECT_EQ(dpi16FromPelsPerMeter(std::numeric_limits<std::int32_t>::max()), 0xFFFFu << 16);

  EXPECT_EQ(pelsPerMeterFromDpi16(72u << 16), 2834);  // truncation, as stored by the writers
  EXPECT_EQ(pelsPerMeterFromDpi16(300u << 16), 11811);
  EXPECT_EQ(pelsPerMeterFromDpi16(2400u << 16), 94488) << "no overflow at high resolutions";
  EXPECT_EQ(pelsPerMeterFromFixed16(2835u << 16), 2835);

  for (std::uint32_t dpi : {72u, 96u, 150u, 300u, 600u, 1200u, 4800u}) {
    EXPECT_EQ(dpi16FromPelsPerMeter(pelsPerMeterFromDpi16(dpi << 16)), dpi << 16) << dpi;
  }
}

TEST(PictureResolution, SettersWriteBothAxes) {
  Picture picture;
  make(picture, 1, 1, true);
  picture.SetDpi16(300u << 16, 150u << 16);
  EXPECT_EQ(picture.GetXDpi16(), 300u << 16);
  EXPECT_EQ(picture.GetYDpi16(), 150u << 16);
  picture.SetPelsPerMeter16(1000u << 16, 2000u << 16);
  EXPECT_EQ(picture.Header().biXPelsPerMeter, 1000);
  EXPECT_EQ(picture.Header().biYPelsPerMeter, 2000);
}

}  // namespace
}  // namespace quillon
