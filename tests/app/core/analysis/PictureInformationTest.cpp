#include "core/analysis/PictureInformation.h"

#include <gtest/gtest.h>

#include "app/core/formats/raster/RasterTestSupport.h"
#include "support/BmpFixture.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

TEST(PictureInformation, FileFactsAndMadePictures) {
  test::TempDir dir;
  const auto path = test::WriteGradientBmp(dir.path() / "gradient.bmp", 40, 30);
  PictureDocument document;
  document.GetPicture().Header().biWidth = 40;
  document.GetPicture().Header().biHeight = 30;
  ASSERT_TRUE(document.GetPicture().CreatePicture(true));
  std::fill_n(document.GetPicture().Bits(), document.GetPicture().Header().biSizeImage, 7);
  document.format = PictureFormat::Bmp;
  document.fileSize = 3654;
  EXPECT_EQ(PictureInformationText(document, "gradient.bmp", path, test::EnglishStrings()),
            "Name:\t\tgradient.bmp\nSize:\t\t3654 Bytes\nFormat:\t\tBMP\n"
            "Num. Colors:\t16777216\nImage Size:\t40 x 30\nColor depth:\t24 Bit\n"
            "Compression:\tNo\n");

  // A two-level picture made in the program: no file, the depth shown is 1.
  PictureDocument made;
  made.GetPicture().Header().biWidth = 2;
  made.GetPicture().Header().biHeight = 2;
  ASSERT_TRUE(made.GetPicture().CreatePicture(false));
  std::fill_n(made.GetPicture().Bits(), made.GetPicture().Header().biSizeImage, 255);
  made.compressionRatio = 2.5;
  EXPECT_EQ(PictureInformationText(made, "Difference a - b", {}, test::EnglishStrings()),
            "Name:\t\tDifference a - b\nSize:\t\t0 Bytes\nFormat:\t\tUnknown\n"
            "Num. Colors:\t2\nImage Size:\t2 x 2\nColor depth:\t1 Bit\nCompression:\t1:2.50\n");
}

}  // namespace
}  // namespace quillon
