// Files exchanged with ImageMagick: it reads what our writers make, and our readers read
// what it writes, with the pixels it decodes itself: composited over mid grey where the file
// has opacity, and brought to 8 bits from its 16-bit decoding by (v * 255 + 32767) / 65535.
#include <tiffio.h>

#include <cstdlib>

#include "RasterTestSupport.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
#include "core/formats/raster/PngFile.h"
#include "core/formats/raster/PnmFile.h"
#include "core/formats/raster/TiffFile.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::ReadAll;

using Reader = bool (*)(const std::filesystem::path&, PictureDocument&, FileIoContext&);

constexpr std::int32_t kWidth = 37;
constexpr std::int32_t kHeight = 23;

class ImageMagick : public test::RasterTest {
 protected:
  bool Convert(const std::string& arguments) {
    const std::string command = "convert " + arguments + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

  // What ImageMagick decodes from `file`: red, green, blue bytes, rows from the top.
  std::vector<std::uint8_t> Decoded(const std::filesystem::path& file) {
    const auto out = File("decoded.rgb");
    std::filesystem::remove(out);
    if (!Convert(
            file.string() +
            " -background \"#808080\" -alpha remove -depth 16 -endian MSB rgb:" + out.string())) {
      return {};
    }
    const std::vector<std::uint8_t> wide = ReadAll(out);
    std::vector<std::uint8_t> samples(wide.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const std::uint32_t v = std::uint32_t(wide[2 * i]) << 8 | wide[2 * i + 1];
      samples[i] = std::uint8_t((v * 255 + 32767) / 65535);
    }
    return samples;
  }

  // Compares a picture with ImageMagick's decoding of `file`.
  ::testing::AssertionResult SameAsImageMagick(const Picture& picture,
                                               const std::filesystem::path& file,
                                               int tolerance = 0) {
    const std::vector<std::uint8_t> reference = Decoded(file);
    const std::size_t size = 3 * std::size_t(picture.GetWidth()) * std::size_t(picture.GetHeight());
    if (size == 0 || reference.size() != size) {
      return ::testing::AssertionFailure() << "ImageMagick gave " << reference.size()
                                           << " bytes for " << file << ", expected " << size;
    }
    std::vector<std::uint8_t> line(3 * std::size_t(picture.GetWidth()));
    for (std::int32_t y = 0; y < picture.GetHeight(); ++y) {
      const std::size_t w = std::size_t(picture.GetWidth());
      for (std::size_t x = 0; x < w; ++x) {
        const auto bgr = picture.GetPixel(std::int32_t(x), picture.GetHeight() - 1 - y);
        for (int c = 0; c < 3; ++c) {
          const int ours = bgr[2 - c];
          const int theirs = reference[3 * (y * w + x) + c];
          if (std::abs(ours - theirs) > tolerance) {
            return ::testing::AssertionFailure()
                   << file << " at (" << x << ", " << y << ") channel " << c << ": ours " << ours
                   << ", ImageMagick " << theirs;
          }
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  // A colour source picture as a raw PPM written by ImageMagick's own hand from our pixels.
  std::filesystem::path Source() {
    PictureDocument doc;
    FillColour(doc.GetPicture(), kWidth, kHeight);
    const auto path = File("source.ppm");
    EXPECT_TRUE(WritePnm(path, doc, context, PnmKind::Ppm, PnmCoding::Raw));
    return path;
  }

  std::uint32_t Le32At(const std::filesystem::path& file, std::size_t at) {
    const auto b = ReadAll(file);
    return b.size() < at + 4
               ? 0
               : b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
  }

  // Makes `name` from the source with ImageMagick options and reads it with `read`.
  void CheckTheirFile(const std::string& name, const std::string& options, Reader read,
                      int expectedBits, int tolerance = 0) {
    // An options text ending in "<FORMAT>:" names the output coder.
    const std::size_t split = options.back() == ':' ? options.rfind(' ') + 1 : options.size();
    const auto file = File(name);
    ASSERT_TRUE(Convert(Source().string() + " " + options.substr(0, split) + " " +
                        options.substr(split) + file.string()))
        << name;
    PictureDocument doc;
    ASSERT_TRUE(read(file, doc, context)) << name << " " << options;
    EXPECT_EQ(doc.GetPicture().GetBitCount(), expectedBits) << name << " " << options;
    EXPECT_TRUE(SameAsImageMagick(doc.GetPicture(), file, tolerance)) << options;
  }
};

TEST_F(ImageMagick, ReadsEveryFileOurWritersMake) {
  using Write = std::function<bool(const std::filesystem::path&, PictureDocument&)>;
  const std::vector<std::pair<std::string, Write>> writers{
      {"a.bmp", [&](auto& p, auto& d) { return WriteBmp(p, d, context); }},
      {"a.ppm",
       [&](auto& p, auto& d) { return WritePnm(p, d, context, PnmKind::Ppm, PnmCoding::Raw); }},
      {"b.ppm",
       [&](auto& p, auto& d) { return WritePnm(p, d, context, PnmKind::Ppm, PnmCoding::Plain); }},
      {"a.tif", [&](auto& p, auto& d) { return WriteTiff(p, d, context, TiffCompression::None); }},
      {"b.tif",
       [&](auto& p, auto& d) { return WriteTiff(p, d, context, TiffCompression::PackBits); }},
      {"a.png", [&](auto& p, auto& d) { return WritePng(p, d, context, 9); }},
  };
  for (const int kind : {0, 1, 2}) {
    PictureDocument doc;
    if (kind == 0) FillColour(doc.GetPicture(), kWidth, kHeight);
    if (kind == 1) FillGray(doc.GetPicture(), kWidth, kHeight);
    if (kind == 2) FillPalette(doc.GetPicture(), kWidth, kHeight);
    for (const auto& [name, write] : writers) {
      ASSERT_TRUE(write(File(name), doc)) << name;
      EXPECT_TRUE(SameAsImageMagick(doc.GetPicture(), File(name))) << name << " kind " << kind;
    }
    if (kind == 1) {  // PGM only holds grey pictures
      for (const PnmCoding coding : {PnmCoding::Raw, PnmCoding::Plain}) {
        ASSERT_TRUE(WritePnm(File("a.pgm"), doc, context, PnmKind::Pgm, coding));
        EXPECT_TRUE(SameAsImageMagick(doc.GetPicture(), File("a.pgm")));
      }
    }
    // JPEG is lossy: ImageMagick has to see what our reader sees.
    ASSERT_TRUE(WriteJpeg(File("a.jpg"), doc, context, 85));
    PictureDocument ours;
    ASSERT_TRUE(ReadJpeg(File("a.jpg"), ours, context));
    EXPECT_TRUE(SameAsImageMagick(ours.GetPicture(), File("a.jpg"), 1)) << "kind " << kind;
  }
}

TEST_F(ImageMagick, OurBmpReaderReadsItsBitmapsOfEveryDepth) {
  CheckTheirFile("t24.bmp", "-type TrueColor BMP3:", ReadBmp, 24);
  CheckTheirFile("t8.bmp", "-colors 200 -type Palette BMP3:", ReadBmp, 8);
  CheckTheirFile("t4.bmp", "-colors 16 BMP3:", ReadBmp, 8);
  CheckTheirFile("t1.bmp", "-monochrome BMP3:", ReadBmp, 8);
  EXPECT_EQ(Le32At(File("t4.bmp"), 28) & 0xFFFF, 4u);
  EXPECT_EQ(Le32At(File("t1.bmp"), 28) & 0xFFFF, 1u);
  CheckTheirFile("v5.bmp", "-type TrueColor BMP:", ReadBmp, 24);
  EXPECT_EQ(Le32At(File("v5.bmp"), 14), 124u);
  CheckTheirFile("os2.bmp", "-colors 16 BMP2:", ReadBmp, 8);
  EXPECT_EQ(Le32At(File("os2.bmp"), 14), 12u);
  CheckTheirFile("rle8.bmp", "-colors 200 -type Palette -compress RLE BMP3:", ReadBmp, 8);
  EXPECT_EQ(Le32At(File("rle8.bmp"), 30), 1u) << "ImageMagick did not write RLE8";
}

TEST_F(ImageMagick, OurPnmReaderReadsPlainAndRawWithSeveralMaximumValues) {
  CheckTheirFile("r8.ppm", "-depth 8", ReadPnm, 24);
  CheckTheirFile("p8.ppm", "-depth 8 -compress none", ReadPnm, 24);
  CheckTheirFile("r4.ppm", "-depth 4", ReadPnm, 24);
  EXPECT_NE(ReadAll(File("r4.ppm"))[9], 0);  // maximum 15
  CheckTheirFile("p4.pgm", "-depth 4 -colorspace Gray -compress none", ReadPnm, 8);
  CheckTheirFile("r16.pgm", "-depth 16 -colorspace Gray", ReadPnm, 8);
  CheckTheirFile("p16.ppm", "-depth 16 -compress none", ReadPnm, 24);
  CheckTheirFile("r10.ppm", "-depth 10", ReadPnm, 24);
  std::size_t shades = 0;
  for (const Message& m : ui.messages) shades += m.id == 115u;
  EXPECT_EQ(shades, 3u);  // the 16-bit and 10-bit files
}

TEST_F(ImageMagick, OurTiffReaderReadsItsCompressionsAndPhotometrics) {
  CheckTheirFile("none.tif", "-compress None", ReadTiff, 24);
  CheckTheirFile("pack.tif", "-compress RLE", ReadTiff, 24);
  CheckTheirFile("zip.tif", "-compress Zip", ReadTiff, 24);
  CheckTheirFile("pal.tif", "-colors 64 -type Palette -compress None", ReadTiff, 24);
  CheckTheirFile("grey.tif", "-colorspace Gray -type Grayscale -compress Zip", ReadTiff, 8);
  CheckTheirFile("white.tif",
                 "-colorspace Gray -type Grayscale -define quantum:polarity=min-is-white", ReadTiff,
                 8);
  CheckTheirFile("g16.tif", "-colorspace Gray -type Grayscale -depth 16", ReadTiff, 8);
  EXPECT_TRUE(ui.messages.empty());
}

// Opacity that varies across the picture, for the compositing over mid grey.
const std::string kAlpha = "-alpha set -channel A -fx i/w +channel ";
// 16-bit samples that are not 8-bit ones times 257, written as 16 bits.
const std::string kDeep16 = " -depth 16 -evaluate multiply 0.93 -define png:bit-depth=16 ";

TEST_F(ImageMagick, OurTiffReaderReadsOddDepthsTilesPlanesAndOpacity) {
  for (const int depth : {2, 4, 10, 12, 14, 16}) {
    const std::string d = depth == 16 ? kDeep16 : "-depth " + std::to_string(depth) + " ";
    CheckTheirFile("g.tif", "-colorspace Gray -type Grayscale " + d, ReadTiff, 8);
    CheckTheirFile("c.tif", d + "-compress Zip", ReadTiff, 24);
    CheckTheirFile("t.tif", d + "-define tiff:tile-geometry=16x16", ReadTiff, 24);
    TIFF* tiff = TIFFOpen(File("t.tif").c_str(), "r");
    ASSERT_NE(tiff, nullptr);
    EXPECT_TRUE(TIFFIsTiled(tiff)) << depth;
    TIFFClose(tiff);
  }
  CheckTheirFile("planar.tif", "-interlace Plane -depth 12", ReadTiff, 24);
  CheckTheirFile("pal4.tif", "-colors 12 -type Palette -depth 4", ReadTiff, 24);
  CheckTheirFile("a8.tif", kAlpha, ReadTiff, 24);
  CheckTheirFile("a16.tif", kAlpha + "-depth 16 -interlace Plane", ReadTiff, 24);
  CheckTheirFile("ga.tif", kAlpha + "-colorspace Gray -type GrayscaleAlpha", ReadTiff, 8);
  CheckTheirFile("ycc.tif", "-compress JPEG -quality 95", ReadTiff, 24, 3);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ImageMagick, OurPngReaderReadsEveryColourTypeAndDepth) {
  struct Case {
    std::string options;
    int colourType;  // as ImageMagick wrote it
    int depth;
    int bits;  // of the picture we read
  };
  const Case cases[] = {
      {"-colorspace Gray -depth 1 -define png:color-type=0 -define png:bit-depth=1", 0, 1, 8},
      {"-colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", 0, 2, 8},
      {"-colorspace Gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 0, 4, 8},
      {"-colorspace Gray -define png:color-type=0 -define png:bit-depth=8", 0, 8, 8},
      {"-colorspace Gray" + kDeep16 + "-define png:color-type=0", 0, 16, 8},
      {"-define png:color-type=2", 2, 8, 24},
      {kDeep16 + "-define png:color-type=2", 2, 16, 24},
      {"-colors 3 -define png:color-type=3 -define png:bit-depth=2", 3, 2, 8},
      {"-colors 14 -define png:color-type=3 -define png:bit-depth=4", 3, 4, 8},
      {"-colors 200 -define png:color-type=3", 3, 8, 8},
      {"-interlace PNG -define png:color-type=2", 2, 8, 24},
      {"-interlace PNG -colorspace Gray" + kDeep16 + "-define png:color-type=0", 0, 16, 8},
      {kAlpha + "-define png:color-type=6", 6, 8, 24},
      {kAlpha + kDeep16 + "-interlace PNG -define png:color-type=6", 6, 16, 24},
      {kAlpha + "-colorspace Gray -define png:color-type=4", 4, 8, 8},
      {kAlpha + "-colorspace Gray" + kDeep16 + "-define png:color-type=4", 4, 16, 8},
      {kAlpha + "-colors 40 PNG8:", 3, 8, 8},  // palette with tRNS
  };
  for (const Case& c : cases) {
    CheckTheirFile("their.png", c.options, ReadPng, c.bits);
    const auto ihdr = ReadAll(File("their.png"));
    ASSERT_GT(ihdr.size(), 28u);
    EXPECT_EQ(ihdr[25], c.colourType) << c.options;
    EXPECT_EQ(ihdr[24], c.depth) << c.options;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ImageMagick, OurBmpReaderReadsBitFieldsAndOpacity) {
  CheckTheirFile("565.bmp", "-define bmp:subtype=RGB565", ReadBmp, 24);
  CheckTheirFile("555.bmp", "-define bmp:subtype=RGB555", ReadBmp, 24);
  EXPECT_EQ(Le32At(File("555.bmp"), 28) & 0xFFFF, 16u);
  CheckTheirFile("a32.bmp", kAlpha, ReadBmp, 24);
  EXPECT_EQ(Le32At(File("a32.bmp"), 28) & 0xFFFF, 32u);
  EXPECT_EQ(Le32At(File("a32.bmp"), 30), 3u) << "bit fields";
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ImageMagick, OurJpegReaderReadsGreyColourAndProgressive) {
  CheckTheirFile("c.jpg", "-quality 90", ReadJpeg, 24, 1);
  CheckTheirFile("g.jpg", "-colorspace Gray -type Grayscale -quality 90", ReadJpeg, 8, 1);
  CheckTheirFile("p.jpg", "-interlace Plane -quality 80", ReadJpeg, 24, 1);
  CheckTheirFile("k.jpg", "-colorspace CMYK -quality 95", ReadJpeg, 24, 2);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace quillon
