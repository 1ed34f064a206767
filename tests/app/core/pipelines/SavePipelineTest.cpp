// Saving through SavePicture: every type comes back with its pixels, the wait cursor and
// message 61237 around the writers, and failed saves that leave the existing file alone.
#include "support/SaveTestSupport.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::ReadAll;
using test::SamePixels;
using test::WriteAll;

class SavePipeline : public test::SaveTest {};

TEST_F(SavePipeline, EveryTypeOpensAgainWithItsPixels) {
  PictureDocument colour;
  FillColour(colour.GetPicture(), 67, 45);
  PictureDocument grey;
  FillGray(grey.GetPicture(), 67, 45);
  PictureDocument smooth;  // for the lossy coders
  test::FillSmooth(smooth.GetPicture(), 67, 45);
  struct Case {
    const char* name;
    PictureDocument* document;
    SaveOptions options;
    int tolerance;
  };
  SaveOptions plain;
  plain.pnmCoding = PnmCoding::Plain;
  SaveOptions packBits;
  packBits.tiffCompression = TiffCompression::PackBits;
  SaveOptions bestJpeg;
  bestJpeg.jpegQuality = 100;
  SaveOptions quality;
  quality.option = SaveOption::Quality;
  quality.quality = 90;
  const Case cases[] = {
      {"c.bmp", &colour, {}, 0},  {"g.bmp", &grey, {}, 0},
      {"c.ppm", &colour, {}, 0},  {"c-plain.ppm", &colour, plain, 0},
      {"g.pgm", &grey, {}, 0},    {"g-plain.pgm", &grey, plain, 0},
      {"c.tif", &colour, {}, 0},  {"c-packbits.tif", &colour, packBits, 0},
      {"g.tif", &grey, {}, 0},    {"c.jpg", &smooth, bestJpeg, 8},
      {"s.jpg", &smooth, {}, 24}, {"g.kvf", &grey, {}, 0},
      {"c.kvf", &colour, {}, 0},  {"g-quality.kvf", &grey, quality, 40},
  };
  for (const Case& c : cases) {
    const auto path = File(c.name);
    ui.waitDepth = ui.maxWaitDepth = 0;
    ASSERT_TRUE(Save(path, *c.document, c.options)) << c.name;
    EXPECT_GE(ui.maxWaitDepth, 1) << c.name;
    EXPECT_EQ(ui.waitDepth, 0) << c.name;
    PictureDocument back;
    ASSERT_TRUE(Open(path, back)) << c.name;
    EXPECT_TRUE(SamePixels(c.document->GetPicture(), back.GetPicture(), c.tolerance)) << c.name;
  }
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Entries(), std::size(cases));
}

TEST_F(SavePipeline, RegionsReachTheWaveletCodersOnlyWhileShown) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 128, 96);
  ASSERT_TRUE(doc.regions.Add(128, 96));
  doc.regions.SetLevel(6);
  SaveOptions options;
  options.option = SaveOption::CompressionRate;
  options.rate = 30.0;
  for (const char* type : {".jp2", ".kvf"}) {
    const auto hidden = File(std::string("hidden") + type);
    const auto shown = File(std::string("shown") + type);
    const auto plain = File(std::string("plain") + type);
    ASSERT_TRUE(Save(hidden, doc, options, false));
    ASSERT_TRUE(Save(shown, doc, options, true));
    PictureDocument withoutRegions;
    FillColour(withoutRegions.GetPicture(), 128, 96);
    ASSERT_TRUE(Save(plain, withoutRegions, options, true));
    EXPECT_EQ(ReadAll(hidden), ReadAll(plain)) << type;
    EXPECT_NE(ReadAll(shown), ReadAll(plain)) << type;
  }
}

TEST_F(SavePipeline, UnknownExtensionWritesNothingAndSaysSo) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 10, 10);
  SaveOptions options;
  EXPECT_FALSE(
      SavePicture(File("x.gif"), SaveFormatOfPath(File("x.gif")), doc, context, {options}));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kCouldNotSave}));
  EXPECT_EQ(Entries(), 0u);
  EXPECT_EQ(ui.waitDepth, 0);
}

TEST_F(SavePipeline, FailedSavesOfEveryTypeLeaveTheExistingFileAndNoTemporaryFile) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 320, 240);
  const std::vector<std::uint8_t> old{'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
  for (const char* name : {"f.jp2", "f.kvf", "f.bmp", "f.ppm", "f.pgm", "f.tif", "f.jpg"}) {
    const auto target = File(name);
    WriteAll(target, old);
    ui.messages.clear();
    {
      test::FullDiskAfter full(3000);
      EXPECT_FALSE(Save(target, doc, SaveOptions{})) << name;
    }
    EXPECT_EQ(ReadAll(target), old) << name;
    EXPECT_EQ(Entries(), 1u) << name;
    ASSERT_FALSE(ui.messages.empty()) << name;
    EXPECT_EQ(ui.messages.back().id, kCouldNotSave) << name;
    std::filesystem::remove(target);
  }
}

}  // namespace
}  // namespace quillon
