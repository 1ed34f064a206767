// Files exchanged with ImageMagick: it reads what our writers make, and our readers read
// what it writes, with the pixels it decodes itself.
#include <cstdlib>

#include "RasterTestSupport.h"
#include "core/formats/raster/BmpFile.h"
#include "core/formats/raster/JpegFile.h"
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
    if (!Convert(file.string() + " -depth 8 rgb:" + out.string())) return {};
    return ReadAll(out);
  }

  // Compares a picture with ImageMagick's decoding of `file`.
  ::testing::AssertionResult SameAsImageMagick(const Picture& picture, const std::filesystem::path& file,
                                               int tolerance = 0) {
    const std::vector<std::uint8_t> reference = Decoded(file);
    const std::size_t size = 3 * std::size_t(picture.GetWidth()) * std::size_t(picture.GetHeight());
    if (size == 0 || reference.size() != size) {
      return ::testing::AssertionFailure() << "ImageMagick gave " << reference.size() << " bytes for "
                                           << file << ", expected " << size;
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
            return ::testing::AssertionFailure() << file << " at (" << x << ", " << y << ") channel " << c
                                                 << ": ours " << ours << ", ImageMagick " << theirs;
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
    return b.size() < at + 4 ? 0 : b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
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
      {"a.ppm", [&](auto& p, auto& d) { return WritePnm(p, d, context, PnmKind::Ppm, PnmCoding::Raw); }},
      {"b.ppm", [&](auto& p, auto& d) { return WritePnm(p, d, context, PnmKind::Ppm, PnmCoding::Plain); }},
      {"a.tif", [&](auto& p, auto& d) { return WriteTiff(p, d, context, TiffCompression::None); }},
      {"b.tif", [&](auto& p, auto& d) { return WriteTiff(p, d, context, TiffCompression::PackBits); }},
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
  // Reducing samples wider than 8 bits may round one step apart from ImageMagick.
  CheckTheirFile("r16.pgm", "-depth 16 -colorspace Gray", ReadPnm, 8, 1);
  CheckTheirFile("p16.ppm", "-depth 16 -compress none", ReadPnm, 24, 1);
  CheckTheirFile("r10.ppm", "-depth 10", ReadPnm, 24, 1);
  std::size_t shades = 0;
  for (const Message& m : ui.messages) shades += m.id == 115u;
  EXPECT_EQ(shades, 3u);  // the 16-bit and 10-bit files
}

TEST_F(ImageMagick, OurTiffReaderReadsItsCompressionsAndPhotometrics) {
  CheckTheirFile("none.tif", "-compress None", ReadTiff, 24);
  CheckTheirFile("pack.tif", "-compress RLE", ReadTiff, 24);
  CheckTheirFile("zip.tif", "-compress Zip", ReadTiff, 24);
  // libtiff takes the high byte of 16-bit colour map entries, ImageMagick rounds them.
  CheckTheirFile("pal.tif", "-colors 64 -type Palette -compress None", ReadTiff, 24, 1);
  CheckTheirFile("grey.tif", "-colorspace Gray -type Grayscale -compress Zip", ReadTiff, 8);
  CheckTheirFile("white.tif", "-colorspace Gray -type Grayscale -define quantum:polarity=min-is-white",
                 ReadTiff, 8);
  CheckTheirFile("g16.tif", "-colorspace Gray -type Grayscale -depth 16", ReadTiff, 8, 1);
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
