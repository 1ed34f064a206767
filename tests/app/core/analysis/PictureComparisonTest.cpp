#include "core/analysis/PictureComparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace quillon {
namespace {

void make(Picture& picture, std::int32_t width, std::int32_t height, bool colour,
          std::uint8_t fill) {
  picture.Header().biWidth = width;
  picture.Header().biHeight = height;
  ASSERT_TRUE(picture.CreatePicture(colour));
  std::memset(picture.Bits(), fill, picture.Header().biSizeImage);
}

// Sets the pixel at (x, y), y counted from the top row, to blue, green, red.
void set(Picture& picture, std::int32_t x, std::int32_t topRow, std::uint8_t b, std::uint8_t g,
         std::uint8_t r) {
  std::uint8_t* pixel = picture.Row(picture.GetHeight() - 1 - topRow) + 3 * x;
  pixel[0] = b;
  pixel[1] = g;
  pixel[2] = r;
}

TEST(PictureComparison, AreaIsTheSmallerWidthByTheSmallerHeight) {
  Picture a, b;
  make(a, 100, 100, true, 0);
  make(b, 50, 200, false, 0);
  const ComparisonArea area = ComparisonAreaOf(a, b);
  EXPECT_EQ(area.width, 50);
  EXPECT_EQ(area.height, 100);

  Picture empty;
  EXPECT_EQ(ComparisonAreaOf(a, empty).width, 0);
  const ComparisonMeasures none = CompareWithReference(a, empty);
  EXPECT_EQ(none.mae, 0.0);
  EXPECT_TRUE(std::isinf(none.psnr));
}

TEST(PictureComparison, EqualPicturesHaveNoErrorAndInfiniteRatios) {
  Picture a, b;
  make(a, 7, 5, true, 90);
  make(b, 7, 5, true, 90);
  const ComparisonMeasures m = CompareWithReference(a, b);
  EXPECT_EQ(m.mae, 0.0);
  EXPECT_EQ(m.mse, 0.0);
  EXPECT_EQ(m.rms, 0.0);
  EXPECT_TRUE(std::isinf(m.snr) && m.snr > 0);
  EXPECT_TRUE(std::isinf(m.psnr) && m.psnr > 0);

  // Black against black: no signal and no noise is still a perfect match, not NaN.
  Picture black1, black2;
  make(black1, 3, 3, true, 0);
  make(black2, 3, 3, true, 0);
  EXPECT_TRUE(std::isinf(CompareWithReference(black1, black2).snr));
}

TEST(PictureComparison, DifferenceOfOneInEverySample) {
  Picture a, b;
  make(a, 9, 4, true, 100);
  make(b, 9, 4, true, 101);  // row padding differs too and must not count
  const ComparisonMeasures m = CompareWithReference(a, b);
  EXPECT_DOUBLE_EQ(m.mae, 1.0);
  EXPECT_DOUBLE_EQ(m.mse, 1.0);
  EXPECT_DOUBLE_EQ(m.rms, 1.0);
  EXPECT_NEAR(m.psnr, 48.1308, 1e-4);
  EXPECT_NEAR(m.snr, 10 * std::log10(100.0 * 100.0), 1e-9);
}

TEST(PictureComparison, MeasuresFollowTheirFormulas) {
  Picture a, b;
  make(a, 2, 1, true, 0);
  make(b, 2, 1, true, 0);
  set(a, 0, 0, 10, 20, 30);
  set(a, 1, 0, 40, 50, 60);
  set(b, 0, 0, 12, 20, 27);  // errors 2, 0, -3
  set(b, 1, 0, 40, 45, 60);  // errors 0, -5, 0
  const ComparisonMeasures m = CompareWithReference(a, b);
  EXPECT_DOUBLE_EQ(m.mae, 10.0 / 6);
  EXPECT_DOUBLE_EQ(m.mse, 38.0 / 6);
  EXPECT_DOUBLE_EQ(m.rms, std::sqrt(38.0 / 6));
  const double signal = 100 + 400 + 900 + 1600 + 2500 + 3600;
  EXPECT_DOUBLE_EQ(m.snr, 10 * std::log10(signal / 38.0));
  EXPECT_DOUBLE_EQ(m.psnr, 20 * std::log10(255 / std::sqrt(38.0 / 6)));
  // The reference's energy makes the SNR: swapping the pictures changes it, not the rest.
  const ComparisonMeasures swapped = CompareWithReference(b, a);
  EXPECT_DOUBLE_EQ(swapped.mse, m.mse);
  EXPECT_NE(swapped.snr, m.snr);
}

TEST(PictureComparison, AreaIsAlignedAtTheTopLeftCorner) {
  // The taller picture's extra rows lie at the bottom, which is memory row 0.
  Picture small, tall;
  make(small, 2, 2, true, 50);
  make(tall, 3, 4, true, 50);
  set(tall, 0, 3, 0, 0, 0);  // bottom-left, outside the area
  set(tall, 2, 0, 0, 0, 0);  // top-right, outside the area
  EXPECT_EQ(CompareWithReference(small, tall).mae, 0.0);
  set(tall, 1, 1, 50, 50, 56);  // inside the area
  EXPECT_DOUBLE_EQ(CompareWithReference(small, tall).mae, 6.0 / 12);
}

TEST(PictureComparison, PalettePicturesCompareByTheirColours) {
  Picture grey, colour;
  make(grey, 4, 3, false, 0);
  make(colour, 4, 3, true, 0);
  // Index 7 shows the colour (blue 1, green 2, red 3) in the palette.
  grey.Palette()[7] = {1, 2, 3, 0};
  for (std::int32_t y = 0; y < 3; ++y) {
    std::memset(grey.Row(y), 7, 4);
    for (std::int32_t x = 0; x < 4; ++x) set(colour, x, y, 1, 2, 3);
  }
  EXPECT_EQ(CompareWithReference(grey, colour).mae, 0.0);
  EXPECT_EQ(CompareWithReference(colour, grey).mse, 0.0);
}

}  // namespace
}  // namespace quillon
