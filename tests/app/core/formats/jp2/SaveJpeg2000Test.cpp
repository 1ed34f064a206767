// The JPEG 2000 writer, observed in the files it writes: boxes, COD marker, size.
#include "core/formats/jp2/Jpeg2000Writer.h"
#include "core/picture/PalettePictures.h"
#include "jp2.h"
#include "support/SaveTestSupport.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::ReadAll;
using test::ReadCodingStyle;
using test::ReadImageHeader;
using test::WriteAll;

class SaveJpeg2000 : public test::SaveTest {};

TEST_F(SaveJpeg2000, SmallPictureAtQuality80GetsTheMinimumTargetAndOneLevel) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 100, 100);
  SaveOptions options;
  options.option = SaveOption::Quality;
  options.quality = 80;
  const auto target = File("q80.jp2");
  ASSERT_TRUE(Save(target, doc, options));
  const auto bytes = ReadAll(target);
  EXPECT_LE(bytes.size(), 1024u);
  EXPECT_GT(bytes.size(), 700u);  // the target is used, not undercut by far
  const auto style = ReadCodingStyle(bytes);
  ASSERT_TRUE(style);
  EXPECT_EQ(style->levels, 1);
  EXPECT_EQ(style->transform, 0);
  const auto header = ReadImageHeader(bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->components, 3);
  EXPECT_EQ(header->enumeratedColourSpace, 16u);
  EXPECT_EQ(header->width, 100u);
  EXPECT_EQ(header->height, 100u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveJpeg2000, SortedByChoicesSetOrderLayersAndPositionPrecincts) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 300, 40);  // three levels
  struct Case {
    SortedBy sortedBy;
    int progression;
    int layers;
  };
  for (const Case c : {Case{SortedBy::Quality, 0, 30}, Case{SortedBy::Resolution, 1, 1},
                       Case{SortedBy::Position, 3, 1}, Case{SortedBy::Color, 4, 1}}) {
    SaveOptions options;
    options.progression = c.sortedBy;
    const auto target = File("order.jp2");
    ASSERT_TRUE(Save(target, doc, options));
    const auto style = ReadCodingStyle(ReadAll(target));
    ASSERT_TRUE(style);
    EXPECT_EQ(style->progression, c.progression);
    EXPECT_EQ(style->layers, c.layers);
    EXPECT_EQ(style->levels, 3);
    EXPECT_EQ(style->transform, 1);
    if (c.sortedBy == SortedBy::Position) {
      // Every resolution level 0..3: 2^15 wide, 2^(level + 2) high.
      EXPECT_EQ(style->precincts, (std::vector<std::uint8_t>{0x2F, 0x3F, 0x4F, 0x5F}));
    } else {
      EXPECT_TRUE(style->precincts.empty());
    }
  }
}

TEST_F(SaveJpeg2000, GreyPicturesAreOneGreyComponent) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 64, 48);
  const auto target = File("grey.jp2");
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  const auto header = ReadImageHeader(ReadAll(target));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->components, 1);
  EXPECT_EQ(header->enumeratedColourSpace, 17u);
  EXPECT_EQ(header->bitsPerComponent, 8);
}

TEST_F(SaveJpeg2000, LosslessPalettePictureIsOneComponentWithItsPaletteAndNoDecomposition) {
  PictureDocument doc;
  FillPalette(doc.GetPicture(), 200, 150);
  const auto target = File("palette.jp2");
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  const auto bytes = ReadAll(target);
  const auto header = ReadImageHeader(bytes);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->components, 1);
  EXPECT_EQ(header->enumeratedColourSpace, 16u);
  EXPECT_EQ(ReadCodingStyle(bytes)->levels, 0);
  const auto pclr = test::FindBox(bytes, "pclr");
  ASSERT_TRUE(pclr);
  EXPECT_EQ(test::BigEndian(bytes, *pclr, 2), 256u);
  EXPECT_EQ(bytes.at(*pclr + 2), 3);
  // Entries follow the three depth bytes, red, green, blue each.
  const RgbQuad& entry = doc.GetPicture().Palette()[77];
  const std::size_t at = *pclr + 6 + 77 * 3;
  EXPECT_EQ(bytes.at(at), entry.rgbRed);
  EXPECT_EQ(bytes.at(at + 1), entry.rgbGreen);
  EXPECT_EQ(bytes.at(at + 2), entry.rgbBlue);

  // Saved lossy, the same picture goes as three colour components with levels by size.
  SaveOptions lossy;
  lossy.option = SaveOption::Quality;
  ASSERT_TRUE(Save(target, doc, lossy));
  const auto lossyBytes = ReadAll(target);
  EXPECT_EQ(ReadImageHeader(lossyBytes)->components, 3);
  EXPECT_EQ(ReadCodingStyle(lossyBytes)->levels, 2);
  EXPECT_FALSE(test::FindBox(lossyBytes, "pclr"));
}

TEST_F(SaveJpeg2000, TwoLevelPicturesCarryOneBitPerSampleWithoutDecomposition) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 40, 30);
  for (std::int32_t y = 0; y < 30; ++y) {
    for (std::int32_t x = 0; x < 40; ++x) doc.GetPicture().Row(y)[x] = (x + y) % 3 == 0 ? 255 : 0;
  }
  doc.GetPicture().InvalidateCaches();
  const auto target = File("bilevel.jp2");
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  const auto bytes = ReadAll(target);
  EXPECT_EQ(ReadImageHeader(bytes)->bitsPerComponent, 1);
  EXPECT_EQ(ReadCodingStyle(bytes)->levels, 0);
}

TEST_F(SaveJpeg2000, ResolutionGoesToTheCaptureBoxAndAMissingValueTakesTheOther) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 20, 20);
  struct Case {
    std::int32_t x, y;
    std::uint32_t first, second;
  };
  // The horizontal value stands in the first (vertical) field: the reader takes it back so.
  for (const Case c :
       {Case{3000, 4000, 3000, 4000}, Case{0, 2835, 2835, 2835}, Case{5000, -1, 5000, 5000}}) {
    doc.GetPicture().Header().biXPelsPerMeter = c.x;
    doc.GetPicture().Header().biYPelsPerMeter = c.y;
    ASSERT_TRUE(Save(File("dpi.jp2"), doc, SaveOptions{}));
    const auto bytes = ReadAll(File("dpi.jp2"));
    const auto resc = test::FindBox(bytes, "resc");
    ASSERT_TRUE(resc) << c.x;
    EXPECT_EQ(test::BigEndian(bytes, *resc, 2), c.first);
    EXPECT_EQ(test::BigEndian(bytes, *resc + 2, 2), 1u);
    EXPECT_EQ(test::BigEndian(bytes, *resc + 4, 2), c.second);
  }
  doc.GetPicture().Header().biXPelsPerMeter = 0;
  doc.GetPicture().Header().biYPelsPerMeter = 0;
  ASSERT_TRUE(Save(File("dpi.jp2"), doc, SaveOptions{}));
  EXPECT_FALSE(test::FindBox(ReadAll(File("dpi.jp2")), "resc"));
}

TEST_F(SaveJpeg2000, PaletteWarningOnlyForTheRateOptionWithWarningsOn) {
  PictureDocument doc;
  FillPalette(doc.GetPicture(), 64, 64);
  SaveOptions options;
  options.option = SaveOption::CompressionRate;
  ASSERT_TRUE(Save(File("p.jp2"), doc, options));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kPaletteWarningText);
  EXPECT_FALSE(ui.messages[0].id.has_value());

  ui.messages.clear();
  options.showWarnings = false;
  ASSERT_TRUE(Save(File("p.jp2"), doc, options));
  options.showWarnings = true;
  options.option = SaveOption::Quality;
  ASSERT_TRUE(Save(File("p.jp2"), doc, options));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveJpeg2000, ExpertOptionsReplaceTheWritersChoices) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 300, 40);
  SaveOptions options;
  options.progression = SortedBy::Position;
  options.container = Jp2Container::Codestream;
  options.expert.levels = 2;
  options.expert.layers = 4;
  options.expert.codeBlockWidth = 32;
  options.expert.codeBlockHeight = 16;
  options.expert.sop = true;
  options.expert.eph = true;
  const auto target = File("expert.jp2");
  ASSERT_TRUE(Save(target, doc, options));
  const auto bytes = ReadAll(target);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(test::BigEndian(bytes, 0, 2), 0xFF4Fu);  // a bare codestream
  const auto style = ReadCodingStyle(bytes);
  ASSERT_TRUE(style);
  EXPECT_EQ(style->levels, 2);
  EXPECT_EQ(style->layers, 4);
  EXPECT_EQ(style->codeBlockWidthExponent, 5);
  EXPECT_EQ(style->codeBlockHeightExponent, 4);
  EXPECT_EQ(style->markers, 3);
  EXPECT_EQ(style->precincts, (std::vector<std::uint8_t>{0x2F, 0x3F, 0x4F}));
}

TEST_F(SaveJpeg2000, ProgressRunsOverTheHeight) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 50, 70);
  context.showProgress = true;
  ASSERT_TRUE(Save(File("progress.jp2"), doc, SaveOptions{}));
  ASSERT_EQ(ui.progressCaptions.size(), 1u);
  EXPECT_EQ(ui.progressCaptions[0], "Saving Picture - progress.jp2");
  ASSERT_FALSE(ui.progressPositions.empty());
  EXPECT_EQ(ui.progressPositions.back(), 70);
}

TEST_F(SaveJpeg2000, EncoderErrorsLeaveTheExistingFileAndShowTheEncodersText) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 200, 200);
  const std::vector<std::uint8_t> old{'o', 'l', 'd'};
  const auto target = File("old.jp2");

  SaveOptions refused;  // a property the encoder refuses
  refused.expert.codeBlockWidth = 3;
  SaveOptions tooSmall;  // refused only while coding: 625 tiles' headers exceed the target
  tooSmall.option = SaveOption::FileSize;
  tooSmall.sizeKb = 1.0;
  tooSmall.expert.tileWidth = 8;
  tooSmall.expert.tileHeight = 8;
  const struct {
    SaveOptions options;
    std::int32_t error;
  } cases[] = {{refused, JP2_Error_ValueOutOfRange}, {tooSmall, JP2_Error_TargetTooSmall}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    WriteAll(target, old);
    ui.messages.clear();
    EXPECT_FALSE(Save(target, doc, c.options));
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(Entries(), 1u);
    ASSERT_EQ(MessageIds(), (std::vector<StringId>{kCouldNotSave}));
    EXPECT_EQ(ui.messages[0].details, JP2_General_ErrorText(c.error));
  }
}

}  // namespace
}  // namespace quillon
