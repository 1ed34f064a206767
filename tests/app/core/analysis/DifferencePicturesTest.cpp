#include "core/analysis/DifferencePictures.h"

#include <gtest/gtest.h>

#include "support/PictureFixture.h"

namespace quillon {
namespace {

using test::MakePicture;
using test::PixelAt;
using test::SetPixel;

TEST(DifferencePictures, EachSampleFollowsItsFormula) {
  struct Case {
    std::uint8_t a, b, difference, error;
  };
  // Halving truncates toward zero: -1 / 2 is 0, so 10 against 11 is 128, not 127.
  const Case cases[] = {{10, 250, 8, 240}, {250, 10, 248, 240}, {10, 11, 128, 1}, {11, 10, 128, 1},
                        {0, 255, 1, 255},  {255, 0, 255, 255},  {77, 77, 128, 0}};
  for (const Case& c : cases) {
    Picture a, b, difference, error;
    MakePicture(a, 1, 1, true, c.a);
    MakePicture(b, 1, 1, true, c.b);
    ASSERT_TRUE(MakeDifferencePicture(a, b, DifferenceKind::Difference, difference));
    ASSERT_TRUE(MakeDifferencePicture(a, b, DifferenceKind::Error, error));
    EXPECT_EQ(PixelAt(difference, 0, 0),
              (Picture::Triple{c.difference, c.difference, c.difference}))
        << int(c.a) << " against " << int(c.b);
    EXPECT_EQ(PixelAt(error, 0, 0), (Picture::Triple{c.error, c.error, c.error}))
        << int(c.a) << " against " << int(c.b);
  }
}

TEST(DifferencePictures, ResultIsAColourPictureOfTheTopLeftArea) {
  // A 100 x 100 colour picture against a 50 x 200 palette picture whose index 3 is a colour.
  Picture a, b, result;
  MakePicture(a, 100, 100, true, 100);
  MakePicture(b, 50, 200, false, 3);
  b.Palette()[3] = {90, 100, 110, 0};
  SetPixel(a, 49, 0, 200, 100, 0);  // top-right corner of the area
  ASSERT_TRUE(MakeDifferencePicture(a, b, DifferenceKind::Error, result));
  EXPECT_EQ(result.GetWidth(), 50);
  EXPECT_EQ(result.GetHeight(), 100);
  EXPECT_EQ(result.GetBitCount(), 24);
  EXPECT_EQ(PixelAt(result, 0, 0), (Picture::Triple{10, 0, 10}));
  EXPECT_EQ(PixelAt(result, 49, 0), (Picture::Triple{110, 0, 110}));
  EXPECT_EQ(PixelAt(result, 0, 99), (Picture::Triple{10, 0, 10}));

  Picture empty, none;
  EXPECT_FALSE(MakeDifferencePicture(a, empty, DifferenceKind::Difference, none));
  EXPECT_TRUE(none.IsEmpty());
}

}  // namespace
}  // namespace quillon
