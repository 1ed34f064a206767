// The save dialog's verdict on OK: the refusal of colour order for grey pictures and the
// warning that a JPEG picture would grow.
#include <gtest/gtest.h>

#include <limits>

#include "core/pipelines/SaveWarnings.h"

namespace quillon {
namespace {

// A 100 x 100 colour picture read from a JPEG file of `jpegBytes`.
SavePictureFacts jpegPicture(std::uint64_t jpegBytes, bool grey = false) {
  return {grey, PictureFormat::Jpeg, 100, 100, jpegBytes};
}

SaveOptions withOption(SaveOption option) {
  SaveOptions options;
  options.option = option;
  return options;
}

TEST(SaveWarnings, ExpectedSizeFollowsTheSavingOption) {
  const SavePictureFacts colour = jpegPicture(0);
  const SavePictureFacts grey = jpegPicture(0, true);
  EXPECT_EQ(ExpectedCompressedSize(withOption(SaveOption::Lossless), colour), 30000u);
  EXPECT_EQ(ExpectedCompressedSize(withOption(SaveOption::Lossless), grey), 10000u);

  SaveOptions quality = withOption(SaveOption::Quality);
  quality.quality = 80;
  EXPECT_EQ(ExpectedCompressedSize(quality, colour), 30000u / 101);
  quality.quality = 100;
  EXPECT_EQ(ExpectedCompressedSize(quality, colour), 30000u) << "501 - 500 divides by one";
  quality.quality = 0;
  EXPECT_EQ(ExpectedCompressedSize(quality, colour), 30000u / 496) << "taken as quality 1";

  SaveOptions rate = withOption(SaveOption::CompressionRate);
  rate.rate = 7.0;
  EXPECT_EQ(ExpectedCompressedSize(rate, colour), 4286u) << "30000 / 7 = 4285.7, rounded";
  rate.rate = 0.0;
  EXPECT_EQ(ExpectedCompressedSize(rate, colour), 30000u) << "no division by zero";
  rate.rate = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ExpectedCompressedSize(rate, colour), 30000u);

  SaveOptions size = withOption(SaveOption::FileSize);
  size.sizeKb = 2.5;
  EXPECT_EQ(ExpectedCompressedSize(size, colour), 2560u);
  size.sizeKb = 1e300;
  EXPECT_EQ(ExpectedCompressedSize(size, colour), std::numeric_limits<std::uint64_t>::max());
  size.sizeKb = -4.0;
  EXPECT_EQ(ExpectedCompressedSize(size, colour), 0u);
}

TEST(SaveWarnings, ExpectedSizeOfTheLargestPictureDoesNotOverflow) {
  const SavePictureFacts huge{false, PictureFormat::Jpeg, 0xFFFFFFFFu, 0xFFFFFFFFu, 0};
  EXPECT_EQ(ExpectedCompressedSize(withOption(SaveOption::Lossless), huge),
            std::uint64_t{0xFFFFFFFFu} * 0xFFFFFFFFu * 3u);
}

TEST(SaveWarnings, ColourOrderIsRefusedForGreyJpeg2000Only) {
  SaveOptions options;
  options.progression = SortedBy::Color;
  SavePictureFacts grey{true, PictureFormat::Bmp, 10, 10, 0};
  const SaveCheck refused = CheckSave(PictureFormat::Jpeg2000, options, grey);
  EXPECT_EQ(refused.verdict, SaveVerdict::Refuse);
  EXPECT_EQ(refused.message, kSortedByColorNeedsColour);

  EXPECT_EQ(CheckSave(PictureFormat::Kvf, options, grey).verdict, SaveVerdict::Proceed);
  SavePictureFacts colour = grey;
  colour.grey = false;
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, options, colour).verdict, SaveVerdict::Proceed);
  options.progression = SortedBy::Position;
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, options, grey).verdict, SaveVerdict::Proceed);

  // The refusal holds even with warnings off: it is no warning.
  options.progression = SortedBy::Color;
  options.showWarnings = false;
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, options, grey).verdict, SaveVerdict::Refuse);
}

TEST(SaveWarnings, JpegSourceWarnsWhenTheWaveletFileWouldBeLarger) {
  // Lossless 30000 bytes against a JPEG of 29999: warned with the table's text.
  SaveOptions lossless = withOption(SaveOption::Lossless);
  SaveCheck check = CheckSave(PictureFormat::Jpeg2000, lossless, jpegPicture(29999));
  EXPECT_EQ(check.verdict, SaveVerdict::Warn);
  EXPECT_EQ(check.message, kLargerThanJpeg);
  EXPECT_EQ(CheckSave(PictureFormat::Kvf, lossless, jpegPicture(29999)).verdict, SaveVerdict::Warn);
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, lossless, jpegPicture(30000)).verdict,
            SaveVerdict::Proceed)
      << "only a larger file warns";

  // Quality 80 expects 297 bytes: the warning dialog's own advice.
  SaveOptions quality = withOption(SaveOption::Quality);
  check = CheckSave(PictureFormat::Kvf, quality, jpegPicture(296));
  EXPECT_EQ(check.verdict, SaveVerdict::Warn);
  EXPECT_FALSE(check.message.has_value());
  EXPECT_EQ(CheckSave(PictureFormat::Kvf, quality, jpegPicture(297)).verdict, SaveVerdict::Proceed);

  SaveOptions size = withOption(SaveOption::FileSize);
  size.sizeKb = 10.0;
  check = CheckSave(PictureFormat::Jpeg2000, size, jpegPicture(10239));
  EXPECT_EQ(check.verdict, SaveVerdict::Warn);
  EXPECT_EQ(check.message, kLargerThanJpeg);
}

TEST(SaveWarnings, JpegSourceWarningNeedsAJpegSourceAWaveletTypeAndWarningsOn) {
  const SaveOptions lossless = withOption(SaveOption::Lossless);
  for (PictureFormat type : {PictureFormat::Bmp, PictureFormat::Ppm, PictureFormat::Pgm,
                             PictureFormat::Tiff, PictureFormat::Jpeg, PictureFormat::Unknown}) {
    EXPECT_EQ(CheckSave(type, lossless, jpegPicture(1)).verdict, SaveVerdict::Proceed)
        << static_cast<int>(type);
  }
  SavePictureFacts fromBmp = jpegPicture(1);
  fromBmp.format = PictureFormat::Bmp;
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, lossless, fromBmp).verdict, SaveVerdict::Proceed);

  SaveOptions quiet = lossless;
  quiet.showWarnings = false;
  EXPECT_EQ(CheckSave(PictureFormat::Jpeg2000, quiet, jpegPicture(1)).verdict,
            SaveVerdict::Proceed);
}

}  // namespace
}  // namespace quillon
