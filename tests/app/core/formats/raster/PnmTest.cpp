#include "core/formats/raster/PnmFile.h"

#include <algorithm>

#include "RasterTestSupport.h"
#include "core/formats/raster/RasterProbes.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::ReadAll;
using test::SamePixels;
using test::WriteAll;

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}
std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

constexpr char kComment[] = "\n# Created by Korvel Quillon 3.0\n";

class Pnm : public test::RasterTest {
 protected:
  bool ReadText(const std::string& text, PictureDocument& document) {
    WriteAll(File("in.pnm"), Bytes(text));
    return ReadPnm(File("in.pnm"), document, context);
  }
};

TEST_F(Pnm, RoundTripsPpmAndPgmRawAndPlain) {
  for (const PnmCoding coding : {PnmCoding::Raw, PnmCoding::Plain}) {
    for (const std::int32_t width : {1, 3, 30}) {
      PictureDocument colour;
      FillColour(colour.GetPicture(), width, 4);
      ASSERT_TRUE(WritePnm(File("c.ppm"), colour, context, PnmKind::Ppm, coding));
      PictureDocument back;
      ASSERT_TRUE(ReadPnm(File("c.ppm"), back, context));
      EXPECT_EQ(back.GetPicture().GetBitCount(), 24);
      EXPECT_TRUE(SamePixels(colour.GetPicture(), back.GetPicture()));

      PictureDocument gray;
      FillGray(gray.GetPicture(), width, 4);
      ASSERT_TRUE(WritePnm(File("g.pgm"), gray, context, PnmKind::Pgm, coding));
      ASSERT_TRUE(ReadPnm(File("g.pgm"), back, context));
      EXPECT_TRUE(back.GetPicture().IsGrayRamp());
      EXPECT_TRUE(SamePixels(gray.GetPicture(), back.GetPicture()));

      PictureDocument palette;  // a colour palette picture saved as PPM keeps its colours
      FillPalette(palette.GetPicture(), width, 4);
      ASSERT_TRUE(WritePnm(File("p.ppm"), palette, context, PnmKind::Ppm, coding));
      ASSERT_TRUE(ReadPnm(File("p.ppm"), back, context));
      EXPECT_TRUE(SamePixels(palette.GetPicture(), back.GetPicture()));
    }
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Pnm, WritesMagicCommentSizeAndMaximum) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 2, 1);
  ASSERT_TRUE(WritePnm(File("a.ppm"), doc, context, PnmKind::Ppm, PnmCoding::Raw));
  const std::string raw = Text(ReadAll(File("a.ppm")));
  EXPECT_EQ(raw.substr(0, raw.size() - 6), std::string("P6") + kComment + "2 1\n255\n");
  // Red, green, blue of the top row's first pixel.
  EXPECT_EQ(std::uint8_t(raw[raw.size() - 6]), doc.GetPicture().Row(0)[2]);
  ASSERT_TRUE(WritePnm(File("a.pgm"), doc, context, PnmKind::Pgm, PnmCoding::Plain));
  EXPECT_EQ(Text(ReadAll(File("a.pgm"))).substr(0, 2), "P2");
}

TEST_F(Pnm, PlainLinesEndOnceLongerThan65Characters) {
  PictureDocument doc;
  doc.GetPicture().Header().biWidth = 1;
  doc.GetPicture().Header().biHeight = 1;
  ASSERT_TRUE(doc.GetPicture().CreatePicture(true));
  std::fill_n(doc.GetPicture().Bits(), 3, 0);
  ASSERT_TRUE(WritePnm(File("black.ppm"), doc, context, PnmKind::Ppm, PnmCoding::Plain));
  EXPECT_EQ(Text(ReadAll(File("black.ppm"))), std::string("P3") + kComment + "1 1\n255\n0 0 0 \n");

  FillColour(doc.GetPicture(), 37, 5);
  ASSERT_TRUE(WritePnm(File("many.ppm"), doc, context, PnmKind::Ppm, PnmCoding::Plain));
  const std::string text = Text(ReadAll(File("many.ppm")));
  std::size_t at = text.find("255\n") + 4;
  std::size_t lines = 0;
  std::size_t samples = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(at, end - at);
    samples += std::count(line.begin(), line.end(), ' ');
    const bool last = end + 1 == text.size();
    if (!last) {
      EXPECT_GT(line.size(), 65u);
    }
    // The sample that crossed the limit is the only one beyond it ("255 " is 4 characters).
    EXPECT_LE(line.size(), 69u);
    ++lines;
    at = end + 1;
  }
  EXPECT_EQ(samples, 37u * 5 * 3);
  EXPECT_GT(lines, 5u);  // the buffer runs on across picture rows
}

TEST_F(Pnm, ColourSavedAsPgmIsGrayscaledAfterOneMessage) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 9, 4);
  ASSERT_TRUE(WritePnm(File("c.pgm"), doc, context, PnmKind::Pgm, PnmCoding::Raw));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{33004});
  EXPECT_EQ(ui.messages[0].icon, MessageIcon::Exclamation);
  const auto bytes = ReadAll(File("c.pgm"));
  const std::uint8_t* top = doc.GetPicture().Row(3);  // top row, blue green red
  EXPECT_EQ(bytes[bytes.size() - 36],
            std::uint8_t(0.299 * top[2] + 0.587 * top[1] + 0.114 * top[0]));

  FillGray(doc.GetPicture(), 3, 3);  // grey pictures need no message
  ASSERT_TRUE(WritePnm(File("g.pgm"), doc, context, PnmKind::Pgm, PnmCoding::Raw));
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(Pnm, ScalesSmallMaximumValuesToFullRange) {
  PictureDocument doc;
  ASSERT_TRUE(ReadText("P2\n# comment 1 2 3\n4 1\n100\n100 50 0 25\n", doc));
  const Picture& p = doc.GetPicture();
  EXPECT_EQ(p.Row(0)[0], 255);
  EXPECT_EQ(p.Row(0)[1], 128);
  EXPECT_EQ(p.Row(0)[2], 0);
  EXPECT_EQ(p.Row(0)[3], 64);
  // Samples above the maximum count as the maximum; comments may sit between header fields.
  ASSERT_TRUE(ReadText("P3 1#c\n 1 # more\n 7 9 7 3", doc));
  EXPECT_EQ(doc.GetPicture().GetPixel(0, 0), (Picture::Triple{109, 255, 255}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Pnm, ReducesSixteenBitSamplesAfterMessage115) {
  // Raw P5 with maximum 65535: two big-endian bytes per sample.
  std::string text = "P5 3 1 65535\n";
  for (const std::uint16_t v : {std::uint16_t(0), std::uint16_t(32768), std::uint16_t(65535)}) {
    text += char(v >> 8);
    text += char(v & 0xFF);
  }
  PictureDocument doc;
  ASSERT_TRUE(ReadText(text, doc));
  EXPECT_EQ(MessageIds(), std::vector<StringId>{115});
  EXPECT_EQ(doc.GetPicture().Row(0)[0], 0);
  EXPECT_EQ(doc.GetPicture().Row(0)[1], 128);
  EXPECT_EQ(doc.GetPicture().Row(0)[2], 255);
  ASSERT_TRUE(ReadText("P3 1 1 1000 1000 500 0", doc));
  EXPECT_EQ(doc.GetPicture().GetPixel(0, 0), (Picture::Triple{0, 128, 255}));
}

TEST_F(Pnm, BadHeadersAndShortDataFailWithAMessage) {
  PictureDocument doc;
  for (const char* bad :
       {"P4 1 1\n\x80", "P2 0 1 255 ", "P2 1 1 0 0", "P2 1 1 70000 0", "P5 2 2 255\nabc",
        "P3 1 1 255 1 2 x", "P6 99999 99999 255\n", "P2 -1 1 255 0"}) {
    ui.messages.clear();
    EXPECT_FALSE(ReadText(bad, doc)) << bad;
    EXPECT_EQ(MessageIds(), std::vector<StringId>{33013}) << bad;
  }
}

TEST_F(Pnm, ProbeNamesTheCodingMethod) {
  WriteAll(File("a.pgm"), Bytes("P2 # c\n640 480 255\n"));
  const auto ascii = ProbePnm(File("a.pgm"), test::EnglishStrings());
  ASSERT_TRUE(ascii);
  EXPECT_EQ(ascii->width, 640);
  EXPECT_EQ(ascii->height, 480);
  EXPECT_EQ(ascii->bitsPerPixel, 8);
  EXPECT_EQ(ascii->formatText, "Coding Method:\tASCII");
  WriteAll(File("b.ppm"), Bytes("P6 2 3 255\n"));
  const auto binary = ProbePnm(File("b.ppm"), test::EnglishStrings());
  ASSERT_TRUE(binary);
  EXPECT_EQ(binary->bitsPerPixel, 24);
  EXPECT_EQ(binary->formatText, "Coding Method:\tBinary");
  EXPECT_FALSE(ProbePnm(File("missing.ppm"), test::EnglishStrings()));
}

}  // namespace
}  // namespace quillon
