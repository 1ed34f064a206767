#include "core/formats/raster/JpegFile.h"

#include <cstdio>

#include <jpeglib.h>

#include "RasterTestSupport.h"
#include "core/formats/raster/RasterProbes.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::ReadAll;
using test::SamePixels;

// A smooth picture, so that JPEG's loss stays small.
void FillSmooth(Picture& picture, std::int32_t width, std::int32_t height) {
  FillColour(picture, width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = std::uint8_t(2 * x);
      p[1] = std::uint8_t(3 * y);
      p[2] = std::uint8_t(100 + x - y);
    }
  }
}

struct JpegHeader {
  int components = 0;
  int unit = 0;
  int xDensity = 0;
  int yDensity = 0;
  bool progressive = false;
};

JpegHeader ReadHeaderOf(const std::filesystem::path& path) {
  JpegHeader header;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return header;
  jpeg_decompress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  header = {info.num_components, info.density_unit, info.X_density, info.Y_density,
            bool(info.progressive_mode)};
  jpeg_destroy_decompress(&info);
  std::fclose(file);
  return header;
}

class Jpeg : public test::RasterTest {};

TEST_F(Jpeg, RoundTripsColourAndGreyWithinItsLoss) {
  PictureDocument colour;
  FillSmooth(colour.GetPicture(), 40, 33);
  colour.GetPicture().SetDpi16(200u << 16, 100u << 16);
  ASSERT_TRUE(WriteJpeg(File("c.jpg"), colour, context, 95));
  PictureDocument back;
  ASSERT_TRUE(ReadJpeg(File("c.jpg"), back, context));
  EXPECT_EQ(back.GetPicture().GetBitCount(), 24);
  EXPECT_TRUE(SamePixels(colour.GetPicture(), back.GetPicture(), 12));
  EXPECT_EQ(back.GetPicture().GetXDpi16(), 200u << 16);
  EXPECT_EQ(back.GetPicture().GetYDpi16(), 100u << 16);
  const JpegHeader header = ReadHeaderOf(File("c.jpg"));
  EXPECT_EQ(header.components, 3);
  EXPECT_EQ(header.unit, 1);
  EXPECT_EQ(header.xDensity, 200);
  EXPECT_FALSE(header.progressive);

  PictureDocument gray;
  FillGray(gray.GetPicture(), 16, 16);
  for (std::int32_t y = 0; y < 16; ++y) {
    for (std::int32_t x = 0; x < 16; ++x) gray.GetPicture().Row(y)[x] = std::uint8_t(8 * x + 4 * y);
  }
  ASSERT_TRUE(WriteJpeg(File("g.jpg"), gray, context, 95));
  EXPECT_EQ(ReadHeaderOf(File("g.jpg")).components, 1);
  ASSERT_TRUE(ReadJpeg(File("g.jpg"), back, context));
  EXPECT_TRUE(back.GetPicture().IsGrayRamp());
  EXPECT_TRUE(SamePixels(gray.GetPicture(), back.GetPicture(), 6));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Jpeg, QualityDecidesTheSize) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 64, 64);
  ASSERT_TRUE(WriteJpeg(File("low.jpg"), doc, context, 10));
  ASSERT_TRUE(WriteJpeg(File("high.jpg"), doc, context, kDefaultJpegQuality));
  EXPECT_LT(ReadAll(File("low.jpg")).size(), ReadAll(File("high.jpg")).size());
}

TEST_F(Jpeg, MissingAndUncreatableFilesShowTheirMessages) {
  PictureDocument doc;
  EXPECT_FALSE(ReadJpeg(File("missing.jpg"), doc, context));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{151});
  FillColour(doc.GetPicture(), 2, 2);
  EXPECT_FALSE(WriteJpeg(File("no-such-dir") / "x.jpg", doc, context, 80));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{151, 152}));
}

TEST_F(Jpeg, DecodingErrorsFailAfterCleanupWithMessage33013) {
  test::WriteAll(File("bad.jpg"), {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0xFF, 0xD9});
  PictureDocument doc;
  EXPECT_FALSE(ReadJpeg(File("bad.jpg"), doc, context));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{33013});
}

TEST_F(Jpeg, ProbeGivesSizeAndDepth) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 9, 7);
  ASSERT_TRUE(WriteJpeg(File("p.jpg"), doc, context, 80));
  const auto probe = ProbeJpeg(File("p.jpg"));
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->width, 9);
  EXPECT_EQ(probe->height, 7);
  EXPECT_EQ(probe->bitsPerPixel, 24);
  test::WriteAll(File("no.jpg"), {0xFF, 0xD8, 0});
  EXPECT_FALSE(ProbeJpeg(File("no.jpg")));
}

}  // namespace
}  // namespace quillon
