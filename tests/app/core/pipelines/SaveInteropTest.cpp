// JPEG 2000 files of the save pipeline decoded by OpenJPEG's opj_decompress.
#include <cstdlib>
#include <string>

#include "support/SaveTestSupport.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::SamePixels;

class SaveInterop : public test::SaveTest {
 protected:
  // Saves `document` as JPEG 2000, decodes it with OpenJPEG into a PNM file and opens that.
  void RoundTrip(PictureDocument& document, const SaveOptions& options, const char* pnmName,
                 PictureDocument& decoded) {
    const auto jp2 = File("peer.jp2");
    ASSERT_TRUE(Save(jp2, document, options));
    const auto pnm = File(pnmName);
    std::filesystem::remove(pnm);
    const std::string command =
        "opj_decompress -quiet -i '" + jp2.string() + "' -o '" + pnm.string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ASSERT_TRUE(Open(pnm, decoded));
  }

  // Mean absolute difference per channel of two pictures of the same size.
  static double MeanError(const Picture& a, const Picture& b) {
    double sum = 0;
    for (std::int32_t y = 0; y < a.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < a.GetWidth(); ++x) {
        const auto p = a.GetPixel(x, y);
        const auto q = b.GetPixel(x, y);
        for (int c = 0; c < 3; ++c) sum += std::abs(int(p[c]) - int(q[c]));
      }
    }
    return sum / (3.0 * a.GetWidth() * a.GetHeight());
  }
};

TEST_F(SaveInterop, LosslessFilesDecodeExactlyInEveryOrder) {
  PictureDocument colour;
  FillColour(colour.GetPicture(), 161, 97);
  for (SortedBy order : {SortedBy::Resolution, SortedBy::Position, SortedBy::Color}) {
    SaveOptions options;
    options.progression = order;
    PictureDocument decoded;
    RoundTrip(colour, options, "colour.ppm", decoded);
    EXPECT_TRUE(SamePixels(colour.GetPicture(), decoded.GetPicture())) << int(order);
  }
  // "Quality" spreads the passes over 30 layers.
  PictureDocument smooth;
  test::FillSmooth(smooth.GetPicture(), 161, 97);
  PictureDocument decodedSmooth;
  RoundTrip(smooth, SaveOptions{}, "smooth.ppm", decodedSmooth);
  EXPECT_TRUE(SamePixels(smooth.GetPicture(), decodedSmooth.GetPicture()));

  PictureDocument grey;
  FillGray(grey.GetPicture(), 130, 70);
  SaveOptions byResolution;
  byResolution.progression = SortedBy::Resolution;
  PictureDocument decodedGrey;
  RoundTrip(grey, byResolution, "grey.pgm", decodedGrey);
  EXPECT_TRUE(SamePixels(grey.GetPicture(), decodedGrey.GetPicture()));
}

// Lossless with the 30 layers of "Quality": passes that no rate-distortion slope reaches must
// still go into the file.
TEST_F(SaveInterop, LosslessQualityOrderKeepsPicturesThatCompressBadlyExact) {
  PictureDocument colour;
  FillColour(colour.GetPicture(), 161, 97);
  PictureDocument decoded;
  RoundTrip(colour, SaveOptions{}, "hard.ppm", decoded);
  EXPECT_TRUE(SamePixels(colour.GetPicture(), decoded.GetPicture()));
}

TEST_F(SaveInterop, LosslessPalettePictureDecodesToItsColours) {
  PictureDocument palette;
  FillPalette(palette.GetPicture(), 90, 60);
  SaveOptions options;
  options.progression = SortedBy::Resolution;
  PictureDocument decoded;
  RoundTrip(palette, options, "palette.ppm", decoded);
  EXPECT_EQ(decoded.GetPicture().GetBitCount(), 24);
  EXPECT_TRUE(SamePixels(palette.GetPicture(), decoded.GetPicture()));
}

TEST_F(SaveInterop, LossyFilesStayCloseToThePicture) {
  PictureDocument doc;
  const Picture& picture = doc.GetPicture();
  test::FillSmooth(doc.GetPicture(), 200, 150);
  SaveOptions options;
  options.option = SaveOption::CompressionRate;
  options.rate = 8.0;
  PictureDocument decoded;
  RoundTrip(doc, options, "lossy.ppm", decoded);
  ASSERT_EQ(decoded.GetPicture().GetWidth(), 200);
  EXPECT_LT(MeanError(picture, decoded.GetPicture()), 2.0);
  EXPECT_TRUE(SamePixels(picture, decoded.GetPicture(), 40));
}

}  // namespace
}  // namespace quillon
