#include "core/display/ZoomRatio.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quillon {
namespace {

TEST(ZoomRatio, EightStepsInEndAtEightToOneAndTheNinthBeeps) {
  ZoomRatio zoom;
  for (int step = 1; step <= 7; ++step) {
    ASSERT_TRUE(zoom.ZoomIn());
    EXPECT_EQ(zoom, (ZoomRatio{step + 1, 1}));
  }
  EXPECT_FALSE(zoom.ZoomIn()) << "beeps at 8:1";
  EXPECT_EQ(zoom, (ZoomRatio{8, 1}));
  for (int step = 0; step < 14; ++step) ASSERT_TRUE(zoom.ZoomOut());
  EXPECT_EQ(zoom, (ZoomRatio{1, 8}));
  EXPECT_FALSE(zoom.ZoomOut());
  EXPECT_EQ(zoom, (ZoomRatio{1, 8}));
  ASSERT_TRUE(zoom.ZoomIn());
  EXPECT_EQ(zoom, (ZoomRatio{1, 7}));
}

TEST(ZoomRatio, ScaleAndUnscaleUseIntegerDivision) {
  EXPECT_EQ((ZoomRatio{3, 1}).Scale(101), 303);
  EXPECT_EQ((ZoomRatio{1, 3}).Scale(101), 33);
  EXPECT_EQ((ZoomRatio{1, 3}).Unscale(10), 30);
  EXPECT_EQ((ZoomRatio{4, 1}).Unscale(7), 1);
}

TEST(ScrollAfterZoom, KeepsTheMiddleAndResetsWhereThePictureFits) {
  // 1000 wide picture in a 400 wide window, scrolled to 300, zoomed 1:1 -> 2:1.
  EXPECT_EQ(ScrollAfterZoom({300, 0}, 400, 300, 1000, 800, 2000, 1600),
            (ScrollPoint{300 + (400 - 1000 + 2000) / 2, 0 + (300 - 800 + 1600) / 2}));
  // Zooming out so far that the picture fits: back to the origin.
  EXPECT_EQ(ScrollAfterZoom({500, 200}, 400, 300, 1000, 800, 250, 200), (ScrollPoint{0, 0}));
  // Exactly filling the window counts as fitting.
  EXPECT_EQ(ScrollAfterZoom({0, 0}, 400, 300, 200, 150, 400, 300), (ScrollPoint{0, 0}));
}

class PixelPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    picture_.Header().biWidth = 20;
    picture_.Header().biHeight = 10;
    ASSERT_TRUE(picture_.CreatePicture(true));
    std::memset(picture_.Bits(), 0, picture_.Header().biSizeImage);
    std::uint8_t* topLeft = picture_.Row(9);  // memory row of picture row 0
    topLeft[0] = 3;                           // blue
    topLeft[1] = 2;                           // green
    topLeft[2] = 1;                           // red
  }
  Picture picture_;
  StringTable strings_ = *StringTable::Parse(
      "59144\t(%4d,%4d)-(R:%3d, G:%3d, B:%3d)\n"
      "59142\tZoom %2d:%2d\n");
};

TEST_F(PixelPaneTest, TopLeftPixelAtAnyZoomAndScroll) {
  const std::string expected = "(   0,   0)-(R:  1, G:  2, B:  3)";
  EXPECT_EQ(PixelPaneText(picture_, {1, 1}, {0, 0}, 0, 0, strings_), expected);
  EXPECT_EQ(PixelPaneText(picture_, {4, 1}, {0, 0}, 3, 3, strings_), expected);
  EXPECT_EQ(PixelPaneText(picture_, {1, 2}, {0, 0}, 0, 0, strings_), expected);
  // Scrolled by 8 screen pixels at 8:1 and the cursor on the previous screen column.
  EXPECT_EQ(PixelPaneText(picture_, {8, 1}, {8, 0}, 0, 0, strings_),
            "(   1,   0)-(R:  0, G:  0, B:  0)");
  EXPECT_EQ(PixelPaneText(picture_, {1, 4}, {4, 4}, 3, 0, strings_), "")
      << "outside the picture the pane is empty";
  EXPECT_EQ(PixelPaneText(picture_, {1, 1}, {0, 0}, 19, 10, strings_), "") << "below the last row";
  EXPECT_EQ(ZoomPaneText({1, 8}, strings_), "Zoom  1: 8");
}

}  // namespace
}  // namespace quillon
