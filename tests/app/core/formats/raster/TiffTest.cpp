#include "core/formats/raster/TiffFile.h"

#include <tiffio.h>

#include <cstring>

#include "RasterTestSupport.h"
#include "core/formats/raster/RasterProbes.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::SamePixels;

// Writes a TIFF with libtiff directly: 8-bit samples, `rows` top first.
void WriteTiffFile(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
                   std::uint16_t samples, std::uint16_t photometric, std::uint16_t compression,
                   const std::vector<std::uint8_t>& rows) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  ASSERT_NE(tiff, nullptr);
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 40.0f);
  TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 20.0f);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
  for (std::uint32_t y = 0; y < height; ++y) {
    ASSERT_GE(TIFFWriteScanline(tiff, const_cast<std::uint8_t*>(&rows[y * width * samples]), y, 0),
              0);
  }
  TIFFClose(tiff);
}

class Tiff : public test::RasterTest {};

TEST_F(Tiff, RoundTripsRgbGreyAndPaletteWithBothCompressions) {
  for (const TiffCompression compression : {TiffCompression::None, TiffCompression::PackBits}) {
    for (const int kind : {0, 1, 2}) {
      PictureDocument original;
      if (kind == 0) FillColour(original.GetPicture(), 13, 70);  // more than one band of rows
      if (kind == 1) FillGray(original.GetPicture(), 13, 70);
      if (kind == 2) FillPalette(original.GetPicture(), 13, 70);
      original.GetPicture().SetDpi16(300u << 16, 150u << 16);
      ASSERT_TRUE(WriteTiff(File("rt.tif"), original, context, compression));
      PictureDocument back;
      ASSERT_TRUE(ReadTiff(File("rt.tif"), back, context));
      EXPECT_TRUE(SamePixels(original.GetPicture(), back.GetPicture())) << kind;
      EXPECT_EQ(back.GetPicture().GetBitCount(), kind == 1 ? 8 : 24);
      EXPECT_EQ(back.GetPicture().GetXDpi16(), 300u << 16);
      EXPECT_EQ(back.GetPicture().GetYDpi16(), 150u << 16);
    }
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Tiff, WritesTheTagsOfTheTable) {
  PictureDocument doc;
  FillPalette(doc.GetPicture(), 5, 4);
  ASSERT_TRUE(WriteTiff(File("p.tif"), doc, context, TiffCompression::PackBits));
  TIFF* tiff = TIFFOpen(File("p.tif").c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  std::uint16_t photometric = 0, compression = 0, bits = 0, samples = 0, unit = 0, planar = 0;
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  char* software = nullptr;
  std::uint32_t rowsPerStrip = 0;
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_PLANARCONFIG, &planar));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_SOFTWARE, &software));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip));
  ASSERT_TRUE(TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue));
  EXPECT_EQ(photometric, PHOTOMETRIC_PALETTE);
  EXPECT_EQ(compression, COMPRESSION_PACKBITS);
  EXPECT_EQ(bits, 8);
  EXPECT_EQ(samples, 1);
  EXPECT_EQ(unit, RESUNIT_INCH);
  EXPECT_EQ(planar, PLANARCONFIG_CONTIG);
  EXPECT_STREQ(software, "Korvel Quillon for Windows");
  EXPECT_GT(rowsPerStrip, 0u);
  EXPECT_EQ(red[10], doc.GetPicture().Palette()[10].rgbRed * 257);
  EXPECT_EQ(blue[200], doc.GetPicture().Palette()[200].rgbBlue * 257);
  TIFFClose(tiff);

  FillGray(doc.GetPicture(), 3, 3);
  ASSERT_TRUE(WriteTiff(File("g.tif"), doc, context, TiffCompression::None));
  tiff = TIFFOpen(File("g.tif").c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric));
  EXPECT_TRUE(TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression));
  EXPECT_EQ(photometric, PHOTOMETRIC_MINISBLACK);
  EXPECT_EQ(compression, COMPRESSION_NONE);
  TIFFClose(tiff);
}

TEST_F(Tiff, SavingColourLeavesThePictureUnchanged) {
  PictureDocument doc, copy;
  FillColour(doc.GetPicture(), 6, 6);
  FillColour(copy.GetPicture(), 6, 6);
  ASSERT_TRUE(WriteTiff(File("c.tif"), doc, context, TiffCompression::None));
  EXPECT_EQ(std::memcmp(doc.GetPicture().Bits(), copy.GetPicture().Bits(),
                        doc.GetPicture().Header().biSizeImage),
            0);
}

TEST_F(Tiff, GreyPaletteThatIsNotARampKeepsItsShades) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 4, 4);
  for (int i = 0; i < kPaletteEntries; ++i) {
    const auto v = std::uint8_t(255 - i);
    doc.GetPicture().Palette()[i] = RgbQuad{v, v, v, 0};
  }
  doc.GetPicture().InvalidateCaches();
  ASSERT_TRUE(WriteTiff(File("inv.tif"), doc, context, TiffCompression::None));
  PictureDocument back;
  ASSERT_TRUE(ReadTiff(File("inv.tif"), back, context));
  EXPECT_TRUE(SamePixels(doc.GetPicture(), back.GetPicture()));
}

TEST_F(Tiff, ReadsMinIsWhiteAndCentimetreResolution) {
  WriteTiffFile(File("w.tif"), 3, 2, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE,
                {0, 100, 255, 10, 20, 30});
  PictureDocument doc;
  ASSERT_TRUE(ReadTiff(File("w.tif"), doc, context));
  const Picture& p = doc.GetPicture();
  EXPECT_TRUE(doc.GetPicture().IsGrayRamp());
  EXPECT_EQ(p.Row(1)[0], 255);  // top row
  EXPECT_EQ(p.Row(1)[1], 155);
  EXPECT_EQ(p.Row(0)[2], 225);
  EXPECT_EQ(p.Header().biXPelsPerMeter, 4000);
  EXPECT_EQ(p.Header().biYPelsPerMeter, 2000);
}

TEST_F(Tiff, RefusesLzwWithMessage158) {
  WriteTiffFile(File("lzw.tif"), 2, 2, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, {1, 2, 3, 4});
  PictureDocument doc;
  EXPECT_FALSE(ReadTiff(File("lzw.tif"), doc, context));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{158});
}

TEST_F(Tiff, UnreadableFilesShow33013Once) {
  test::WriteAll(File("bad.tif"), {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3});
  PictureDocument doc;
  EXPECT_FALSE(ReadTiff(File("bad.tif"), doc, context));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{33013});
  EXPECT_NE(ui.messages[0].text.find("bad.tif"), std::string::npos);
  ui.messages.clear();
  EXPECT_FALSE(ReadTiff(File("missing.tif"), doc, context));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{33013});
}

TEST_F(Tiff, ApplicationHandlerReportsErrorsOutsideTheAdapters) {
  InstallTiffErrorHandler(ui);
  TIFFError("module.tif", "%s", "broken");
  EXPECT_EQ(MessageIds(), std::vector<StringId>{33013});
  EXPECT_EQ(ui.messages[0].text, "The file 'module.tif' couldn\xC2\xB4t be read.");
  TIFFWarning("module.tif", "%s", "ignored");
  EXPECT_EQ(ui.messages.size(), 1u);
  TIFFSetErrorHandler(nullptr);
}

TEST_F(Tiff, ProbeGivesSizeAndDepth) {
  WriteTiffFile(File("rgb.tif"), 3, 2, 3, PHOTOMETRIC_RGB, COMPRESSION_NONE,
                std::vector<std::uint8_t>(18));
  const auto probe = ProbeTiff(File("rgb.tif"));
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->width, 3);
  EXPECT_EQ(probe->height, 2);
  EXPECT_EQ(probe->bitsPerPixel, 24);
  test::WriteAll(File("no.tif"), {'I', 'I', 0, 0});
  EXPECT_FALSE(ProbeTiff(File("no.tif")));
}

}  // namespace
}  // namespace quillon
