#include "core/analysis/PictureComparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/PictureFixture.h"

namespace quillon {
namespace {

using test::MakePicture;
using test::SetPixel;

TEST(PictureComparison, AreaIsTheSmallerWidthByTheSmallerHeight) {
  Picture a, b;
  MakePicture(a, 100, 100, true, 0);
  MakePicture(b, 50, 200, false, 0);
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
  MakePicture(a, 7, 5, true, 90);
  MakePicture(b, 7, 5, true, 90);
  const ComparisonMeasures m = CompareWithReference(a, b);
  EXPECT_EQ(m.mae, 0.0);
  EXPECT_EQ(m.mse, 0.0);
  EXPECT_EQ(m.rms, 0.0);
  EXPECT_TRUE(std::isinf(m.snr) && m.snr > 0);
  EXPECT_TRUE(std::isinf(m.psnr) && m.psnr > 0);

  // Black against black: no signal and no noise is still a perfect match, not NaN.
  Picture black1, black2;
  MakePicture(black1, 3, 3, true, 0);
  MakePicture(black2, 3, 3, true, 0);
  EXPECT_TRUE(std::isinf(CompareWithReference(black1, black2).snr));
}

TEST(PictureComparison, DifferenceOfOneInEverySample) {
  Picture a, b;
  MakePicture(a, 9, 4, true, 100);
  MakePicture(b, 9, 4, true, 101);  // row padding differs too and must not count
  const ComparisonMeasures m = CompareWithReference(a, b);
  EXPECT_DOUBLE_EQ(m.mae, 1.0);
  EXPECT_DOUBLE_EQ(m.mse, 1.0);
  EXPECT_DOUBLE_EQ(m.rms, 1.0);
  EXPECT_NEAR(m.psnr, 48.1308, 1e-4);
  EXPECT_NEAR(m.snr, 10 * std::log10(100.0 * 100.0), 1e-9);
}

TEST(PictureComparison, MeasuresFollowTheirFormulas) {
  Picture a, b;
  MakePicture(a, 2, 1, true, 0);
  MakePicture(b, 2, 1, true, 0);
  SetPixel(a, 0, 0, 10, 20, 30);
  SetPixel(a, 1, 0, 40, 50, 60);
  SetPixel(b, 0, 0, 12, 20, 27);  // errors 2, 0, -3
  SetPixel(b, 1, 0, 40, 45, 60);  // errors 0, -5, 0
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
  MakePicture(small, 2, 2, true, 50);
  MakePicture(tall, 3, 4, true, 50);
  SetPixel(tall, 0, 3, 0, 0, 0);  // bottom-left, outside the area
  SetPixel(tall, 2, 0, 0, 0, 0);  // top-right, outside the area
  EXPECT_EQ(CompareWithReference(small, tall).mae, 0.0);
  SetPixel(tall, 1, 1, 50, 50, 56);  // inside the area
  EXPECT_DOUBLE_EQ(CompareWithReference(small, tall).mae, 6.0 / 12);
}

TEST(PictureComparison, PalettePicturesCompareByTheirColours) {
  Picture grey, colour;
  MakePicture(grey, 4, 3, false, 0);
  MakePicture(colour, 4, 3, true, 0);
  // Index 7 shows the colour (blue 1, green 2, red 3) in the palette.
  grey.Palette()[7] = {1, 2, 3, 0};
  for (std::int32_t y = 0; y < 3; ++y) {
    std::memset(grey.Row(y), 7, 4);
    for (std::int32_t x = 0; x < 4; ++x) SetPixel(colour, x, y, 1, 2, 3);
  }
  EXPECT_EQ(CompareWithReference(grey, colour).mae, 0.0);
  EXPECT_EQ(CompareWithReference(colour, grey).mse, 0.0);
}

}  // namespace
}  // namespace quillon
