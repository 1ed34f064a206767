#include "core/display/PrintPlacement.h"

#include <gtest/gtest.h>

#include "core/display/PrintUnits.h"

namespace quillon {
namespace {

TEST(PrintUnits, ConvertWithTheOptionsFactors) {
  EXPECT_DOUBLE_EQ(ToInches(10.0, PrintUnit::Centimeters), 3.936);
  EXPECT_NEAR(FromInches(3.936, PrintUnit::Centimeters), 10.0, 1e-12);
  EXPECT_DOUBLE_EQ(ToPrinterPixels(2.0, PrintUnit::Inches, 300), 600.0);
  EXPECT_DOUBLE_EQ(ToPrinterPixels(10.0, PrintUnit::Centimeters, 100), 393.6);
  EXPECT_NEAR(FromPrinterPixels(393.6, PrintUnit::Centimeters, 100), 10.0, 1e-12);
  EXPECT_NEAR(TenthMillimetersToInches(2100), 8.2656, 1e-9);  // A4's width
  EXPECT_EQ(PrintUnitOfIndex(7), PrintUnit::Inches);
}

TEST(PrintUnits, LengthsReadPointOrCommaAndWriteTwoDecimals) {
  EXPECT_EQ(ParseLength("1.25"), 1.25);
  EXPECT_EQ(ParseLength(" 2,5 "), 2.5);
  EXPECT_EQ(ParseLength(""), std::nullopt);
  EXPECT_EQ(ParseLength("1.2cm"), std::nullopt);
  EXPECT_EQ(ParseLength("nan"), std::nullopt);
  EXPECT_EQ(FormatLength(1.005), "1.00");  // 1.005 is a little below in binary
  EXPECT_EQ(FormatLength(3.936), "3.94");
  EXPECT_EQ(FormatLength(-0.001), "0.00");
}

// A picture of 144 x 72 pixels at 72 dpi is 2 x 1 inches; the area is 8 x 10 inches.
TEST(PrintPlacement, OptionsGiveTheBox) {
  struct Case {
    const char* what;
    PrintSettings settings;
    PrintBox box;
    double percent;
  };
  const Case cases[] = {
      {"position, own size", {false, false, false, "1.00", "2.00", 100, 0}, {1, 2, 2, 1}, 100},
      {"position in cm", {false, false, false, "2.54", "0", 100, 1}, {2.54 * 0.3936, 0, 2, 1}, 100},
      {"half size", {false, false, false, "0", "0", 50, 0}, {0, 0, 1, 0.5}, 50},
      {"centred", {true, false, false, "5", "5", 200, 0}, {2, 4, 4, 2}, 200},
      {"fit shrinks into the room right of the position",
       {false, true, false, "4.00", "0", 500, 0},
       {4, 0, 4, 2},
       200},
      {"fit never enlarges", {false, true, false, "0", "0", 100, 0}, {0, 0, 2, 1}, 100},
      {"fit, centred, uses the whole area",
       {true, true, false, "4", "0", 500, 0},
       {0, 3, 8, 4},
       400},
      {"full format fills the width", {false, false, true, "3", "3", 10, 0}, {0, 0, 8, 4}, 400},
      {"full format centred", {true, false, true, "3", "3", 10, 0}, {0, 3, 8, 4}, 400},
      {"unreadable position counts as 0",
       {false, false, false, "x", "-", 100, 0},
       {0, 0, 2, 1},
       100},
      {"size is bounded", {false, false, false, "0", "0", 0, 0}, {0, 0, 0.02, 0.01}, 1},
  };
  for (const Case& c : cases) {
    const Placement p = PlacePicture(c.settings, {144, 72, 72, 72}, 8, 10);
    EXPECT_NEAR(p.box.x, c.box.x, 1e-9) << c.what;
    EXPECT_NEAR(p.box.y, c.box.y, 1e-9) << c.what;
    EXPECT_NEAR(p.box.width, c.box.width, 1e-9) << c.what;
    EXPECT_NEAR(p.box.height, c.box.height, 1e-9) << c.what;
    EXPECT_NEAR(p.sizePercent, c.percent, 1e-9) << c.what;
  }
}

TEST(PrintPlacement, PictureResolutionSetsItsOwnSize) {
  // 300 x 150 pixels at 150 dpi (x) and 75 dpi (y) are 2 x 2 inches; no resolution is 72 dpi.
  const PrintSettings own{false, false, false, "0", "0", 100, 0};
  EXPECT_NEAR(PlacePicture(own, {300, 150, 150, 75}, 8, 10).box.height, 2.0, 1e-9);
  EXPECT_NEAR(PlacePicture(own, {144, 72, 0, -1}, 8, 10).box.width, 2.0, 1e-9);
  // Fitting into no room leaves no picture rather than a negative one.
  const PrintSettings beyond{false, true, false, "9", "0", 100, 0};
  EXPECT_EQ(PlacePicture(beyond, {144, 72, 72, 72}, 8, 10).box.width, 0.0);
}

}  // namespace
}  // namespace quillon
