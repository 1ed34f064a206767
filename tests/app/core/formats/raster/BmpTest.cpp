#include "core/formats/raster/BmpFile.h"

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

void Le16(std::vector<std::uint8_t>& v, std::uint32_t x) {
  v.push_back(std::uint8_t(x));
  v.push_back(std::uint8_t(x >> 8));
}
void Le32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Le16(v, x & 0xFFFF);
  Le16(v, x >> 16);
}
std::uint32_t GetLe32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return v[at] | (v[at + 1] << 8) | (v[at + 2] << 16) | (std::uint32_t(v[at + 3]) << 24);
}

// A hand-made BMP file: `infoSize` 12 (OS/2 core, 3-byte palette entries) or 40/64/124.
std::vector<std::uint8_t> MakeBmp(std::uint32_t infoSize, std::int32_t width, std::int32_t height,
                                  int bits, std::uint32_t compression,
                                  const std::vector<RgbQuad>& palette,
                                  const std::vector<std::uint8_t>& pixels) {
  const std::uint32_t entrySize = infoSize == 12 ? 3 : 4;
  const std::uint32_t offset = 14 + infoSize + entrySize * std::uint32_t(palette.size());
  std::vector<std::uint8_t> v{'B', 'M'};
  Le32(v, offset + std::uint32_t(pixels.size()));
  Le32(v, 0);
  Le32(v, offset);
  Le32(v, infoSize);
  if (infoSize == 12) {
    Le16(v, std::uint32_t(width));
    Le16(v, std::uint32_t(height));
    Le16(v, 1);
    Le16(v, std::uint32_t(bits));
  } else {
    Le32(v, std::uint32_t(width));
    Le32(v, std::uint32_t(height));
    Le16(v, 1);
    Le16(v, std::uint32_t(bits));
    Le32(v, compression);
    Le32(v, std::uint32_t(pixels.size()));
    Le32(v, 3780);
    Le32(v, 1890);
    Le32(v, std::uint32_t(palette.size()));
    Le32(v, 0);
    v.resize(14 + infoSize, 0);
  }
  for (const RgbQuad& e : palette) {
    v.push_back(e.rgbBlue);
    v.push_back(e.rgbGreen);
    v.push_back(e.rgbRed);
    if (entrySize == 4) v.push_back(0);
  }
  v.insert(v.end(), pixels.begin(), pixels.end());
  return v;
}

const std::vector<RgbQuad> kFourColours{
    {0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};

// Memory rows of an 8-bit picture as index rows, bottom row first.
std::vector<std::vector<int>> Indices(const Picture& p) {
  std::vector<std::vector<int>> rows;
  for (std::int32_t y = 0; y < p.GetHeight(); ++y)
    rows.emplace_back(p.Row(y), p.Row(y) + p.GetWidth());
  return rows;
}

class Bmp : public test::RasterTest {
 protected:
  bool ReadBytes(const std::vector<std::uint8_t>& bytes, PictureDocument& document) {
    WriteAll(File("in.bmp"), bytes);
    return ReadBmp(File("in.bmp"), document, context);
  }
};

TEST_F(Bmp, RoundTripsEveryDepthAndPaddingWidth) {
  for (const std::int32_t width : {1, 2, 3, 4, 5, 17}) {
    for (const int kind : {0, 1, 2}) {
      PictureDocument original;
      if (kind == 0) FillColour(original.GetPicture(), width, 3);
      if (kind == 1) FillGray(original.GetPicture(), width, 3);
      if (kind == 2) FillPalette(original.GetPicture(), width, 3);
      original.GetPicture().Header().biXPelsPerMeter = 3937;
      ASSERT_TRUE(WriteBmp(File("rt.bmp"), original, context));
      PictureDocument back;
      ASSERT_TRUE(ReadBmp(File("rt.bmp"), back, context));
      EXPECT_TRUE(SamePixels(original.GetPicture(), back.GetPicture())) << width << " " << kind;
      EXPECT_EQ(back.GetPicture().GetBitCount(), kind == 0 ? 24 : 8);
      EXPECT_EQ(back.GetPicture().Header().biXPelsPerMeter, 3937);
      EXPECT_NEAR(back.compressionRatio,
                  double(width) * 3 * (kind == 0 ? 3 : 1) / double(ReadAll(File("rt.bmp")).size()),
                  1e-9);
    }
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Bmp, WritesTheHeaderFieldsOfTheTable) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 5, 2);  // stride 8
  ASSERT_TRUE(WriteBmp(File("g.bmp"), doc, context));
  const auto g = ReadAll(File("g.bmp"));
  ASSERT_EQ(g.size(), 8u * 2 + 4 * 256 + 54);
  EXPECT_EQ(g[0], 'B');
  EXPECT_EQ(g[1], 'M');
  EXPECT_EQ(GetLe32(g, 2), g.size());
  EXPECT_EQ(GetLe32(g, 6), 0u);
  EXPECT_EQ(GetLe32(g, 10), 4u * 256 + 54);
  EXPECT_EQ(GetLe32(g, 14), 40u);
  EXPECT_EQ(GetLe32(g, 34), 16u);   // biSizeImage
  EXPECT_EQ(GetLe32(g, 46), 256u);  // biClrUsed

  // 24 bits: no palette; an 8-bit picture with biClrUsed 16 writes 16 entries.
  FillColour(doc.GetPicture(), 1, 1);
  ASSERT_TRUE(WriteBmp(File("c.bmp"), doc, context));
  EXPECT_EQ(ReadAll(File("c.bmp")).size(), 4u + 54);
  FillPalette(doc.GetPicture(), 3, 3, 16);
  doc.GetPicture().Header().biClrUsed = 16;
  ASSERT_TRUE(WriteBmp(File("p.bmp"), doc, context));
  const auto p = ReadAll(File("p.bmp"));
  EXPECT_EQ(p.size(), 4u * 3 + 4 * 16 + 54);
  EXPECT_EQ(GetLe32(p, 10), 4u * 16 + 54);
}

TEST_F(Bmp, ReadsOneAndFourBitRowsAndTheCoreHeader) {
  // 10 pixels wide, 2 rows; 1-bit rows are 4 bytes, 4-bit rows 8 bytes.
  const std::vector<std::uint8_t> oneBit{0b10110000, 0b01000000, 0, 0,
                                         0b01001111, 0b11000000, 0, 0};
  PictureDocument doc;
  ASSERT_TRUE(ReadBytes(MakeBmp(40, 10, 2, 1, 0, {{0, 0, 0, 0}, {255, 255, 255, 0}}, oneBit), doc));
  EXPECT_EQ(Indices(doc.GetPicture()),
            (std::vector<std::vector<int>>{{1, 0, 1, 1, 0, 0, 0, 0, 0, 1},
                                           {0, 1, 0, 0, 1, 1, 1, 1, 1, 1}}));
  EXPECT_EQ(doc.GetPicture().GetBitCount(), 8);
  EXPECT_EQ(doc.GetPicture().Palette()[1].rgbGreen, 255);

  const std::vector<std::uint8_t> fourBit{0x01, 0x23, 0x10, 0x32, 0x01, 0, 0, 0,
                                          0x33, 0x22, 0x11, 0x00, 0x12, 0, 0, 0};
  for (const std::uint32_t infoSize : {12u, 40u, 64u, 124u}) {
    ASSERT_TRUE(ReadBytes(MakeBmp(infoSize, 10, 2, 4, 0, kFourColours, fourBit), doc)) << infoSize;
    EXPECT_EQ(Indices(doc.GetPicture()),
              (std::vector<std::vector<int>>{{0, 1, 2, 3, 1, 0, 3, 2, 0, 1},
                                             {3, 3, 2, 2, 1, 1, 0, 0, 1, 2}}));
    EXPECT_EQ(doc.GetPicture().GetPixel(3, 0), (Picture::Triple{0, 0, 255}));
    EXPECT_EQ(doc.GetPicture().Header().biXPelsPerMeter, infoSize == 12 ? 2835 : 3780);
  }
}

TEST_F(Bmp, TopDownRowsOpenUpright) {
  const std::vector<std::uint8_t> rows{1, 2, 0, 0, 3, 0, 0, 0};  // 8-bit, 1 wide... 2 wide, padded
  PictureDocument up, down;
  ASSERT_TRUE(ReadBytes(MakeBmp(40, 2, 2, 8, 0, kFourColours, rows), up));
  ASSERT_TRUE(ReadBytes(MakeBmp(40, 2, -2, 8, 0, kFourColours, rows), down));
  EXPECT_EQ(Indices(up.GetPicture()), (std::vector<std::vector<int>>{{1, 2}, {3, 0}}));
  EXPECT_EQ(Indices(down.GetPicture()), (std::vector<std::vector<int>>{{3, 0}, {1, 2}}));
}

TEST_F(Bmp, DecodesRle8WithEveryEscape) {
  const std::vector<std::uint8_t> rle{3, 1,              // run of three 1s
                                      0, 3, 2, 3, 1, 0,  // absolute run 2 3 1, padded to a word
                                      0, 0,              // end of line
                                      0, 2, 2, 1,        // delta: right 2, up 1
                                      2, 3,              // run of two 3s at x 2 of row 2
                                      0, 1};             // end of bitmap; row 1 stays 0
  PictureDocument doc;
  ASSERT_TRUE(ReadBytes(MakeBmp(40, 6, 3, 8, 1, kFourColours, rle), doc));
  EXPECT_EQ(
      Indices(doc.GetPicture()),
      (std::vector<std::vector<int>>{{1, 1, 1, 2, 3, 1}, {0, 0, 0, 0, 0, 0}, {0, 0, 3, 3, 0, 0}}));
  EXPECT_EQ(doc.GetPicture().Header().biCompression, 0u);
  EXPECT_EQ(doc.GetPicture().Header().biSizeImage, 8u * 3);
}

TEST_F(Bmp, DecodesRle4NibblesAndOddAbsoluteRuns) {
  const std::vector<std::uint8_t> rle{
      5, 0x12,                       // 1 2 1 2 1
      0, 3,    0x30, 0x20,           // absolute 3 0 2 (two bytes, already a word)
      0, 0,                          //
      0, 5,    0x12, 0x30, 0x10, 0,  // absolute 1 2 3 0 1, three bytes padded to four
      0, 1};
  PictureDocument doc;
  ASSERT_TRUE(ReadBytes(MakeBmp(40, 8, 2, 4, 2, kFourColours, rle), doc));
  EXPECT_EQ(Indices(doc.GetPicture()),
            (std::vector<std::vector<int>>{{1, 2, 1, 2, 1, 3, 0, 2}, {1, 2, 3, 0, 1, 0, 0, 0}}));
}

TEST_F(Bmp, RefusesHeadersItDoesNotReadWithoutAMessage) {
  const std::vector<std::uint8_t> pixels(64, 0);
  PictureDocument doc;
  EXPECT_FALSE(ReadBytes(MakeBmp(40, 4, 4, 4, 1, kFourColours, pixels), doc));  // RLE8 with 4 bits
  EXPECT_FALSE(ReadBytes(MakeBmp(40, 4, 4, 8, 2, kFourColours, pixels), doc));  // RLE4 with 8 bits
  EXPECT_FALSE(ReadBytes(MakeBmp(40, 4, 4, 12, 0, {}, pixels), doc));
  EXPECT_FALSE(ReadBytes(MakeBmp(40, 4, 4, 24, 3, {}, pixels), doc));  // bit fields with 24 bits
  EXPECT_FALSE(ReadBytes(MakeBmp(48, 4, 4, 24, 0, {}, pixels), doc));
  auto planes = MakeBmp(40, 4, 4, 24, 0, {}, pixels);
  planes[26] = 2;
  EXPECT_FALSE(ReadBytes(planes, doc));
  EXPECT_TRUE(ui.messages.empty());
}

// A one-pixel 16 or 32-bit file; `masks` (red, green, blue, alpha) go where the header size
// puts them: after a 40-byte header (three words), inside a 124-byte one (four).
std::vector<std::uint8_t> MaskedBmp(std::uint32_t infoSize, int bits, std::uint32_t compression,
                                    const std::vector<std::uint32_t>& masks, std::uint32_t pixel) {
  std::vector<std::uint8_t> row;
  Le32(row, pixel);
  row.resize(4);
  auto v = MakeBmp(infoSize, 1, 1, bits, compression, {}, row);
  if (!masks.empty()) {
    std::vector<std::uint8_t> words;
    for (std::size_t i = 0; i < masks.size() && (infoSize > 40 || i < 3); ++i)
      Le32(words, masks[i]);
    if (infoSize == 40) {
      v.insert(v.begin() + 54, words.begin(), words.end());
      v[10] = std::uint8_t(v[10] + words.size());  // the pixels move behind the masks
    } else {
      std::copy(words.begin(), words.end(), v.begin() + 54);
    }
  }
  return v;
}

TEST_F(Bmp, ReadsSixteenAndThirtyTwoBitPixelsByTheirMasks) {
  struct Case {
    const char* what;
    std::uint32_t infoSize;
    int bits;
    std::uint32_t compression;
    std::vector<std::uint32_t> masks;
    std::uint32_t pixel;
    RgbQuad expected;  // blue, green, red
  };
  const std::uint32_t kRgba[] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  const std::vector<std::uint32_t> rgba(std::begin(kRgba), std::end(kRgba));
  const Case cases[] = {
      {"5-5-5 default, white", 40, 16, 0, {}, 0x7FFF, {255, 255, 255, 0}},
      {"5-5-5 default, level 1 of 31 is 8", 40, 16, 0, {}, 0x0421, {8, 8, 8, 0}},
      {"5-5-5 default, level 3 repeats its bits to 24", 40, 16, 0, {}, 3 << 5, {0, 24, 0, 0}},
      {"5-5-5 default, the top bit is unused", 40, 16, 0, {}, 0x8000 | (22 << 10), {0, 0, 181, 0}},
      {"5-6-5 after a 40-byte header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}, 0x07E0, {0, 255, 0, 0}},
      {"5-6-5, level 1 of 63 is 4", 124, 16, 3, {0xF800, 0x07E0, 0x001F, 0}, 0x0020, {0, 4, 0, 0}},
      {"BGRX default ignores the fourth byte", 40, 32, 0, {}, 0x631E140A, {10, 20, 30, 0}},
      {"BGRA opaque", 124, 32, 3, rgba, 0xFF0064C8, {200, 100, 0, 0}},
      {"BGRA transparent shows the mid grey", 124, 32, 3, rgba, 0x000064C8, {128, 128, 128, 0}},
      {"BGRA half opaque over mid grey", 124, 32, 3, rgba, 0x800000C8, {164, 64, 64, 0}},
      {"masks in any order", 124, 32, 3, {0xFF, 0xFF00, 0xFF0000, 0}, 0x0A141E, {10, 20, 30, 0}},
      {"12-bit channels are rounded",
       124,
       32,
       3,
       {0xFFF, 0xFFF000, 0xFF000000, 0},
       0x00800FFF,
       {0, 128, 255, 0}},
  };
  for (const Case& c : cases) {
    PictureDocument doc;
    ASSERT_TRUE(ReadBytes(MaskedBmp(c.infoSize, c.bits, c.compression, c.masks, c.pixel), doc))
        << c.what;
    ASSERT_EQ(doc.GetPicture().GetBitCount(), 24) << c.what;
    const std::uint8_t* p = doc.GetPicture().Row(0);
    EXPECT_EQ(int(p[0]), c.expected.rgbBlue) << c.what;
    EXPECT_EQ(int(p[1]), c.expected.rgbGreen) << c.what;
    EXPECT_EQ(int(p[2]), c.expected.rgbRed) << c.what;
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Bmp, RefusesBitFieldMasksThatAreNotOneShortRun) {
  const std::vector<std::vector<std::uint32_t>> masks{
      {0xF0F0, 0x0F00, 0x000F, 0},           // red in two runs
      {0x1FFFF, 0xE0000, 0x700000, 0},       // red 17 bits
      {0, 0xFF00, 0xFF, 0},                  // no red
      {0xFF0000, 0xFF00, 0xFF, 0x0F0F0000},  // alpha in two runs
  };
  PictureDocument doc;
  for (std::size_t i = 0; i < masks.size(); ++i) {
    EXPECT_FALSE(ReadBytes(MaskedBmp(124, 32, 3, masks[i], 0), doc)) << i;
  }
  // A 16-bit pixel has no bit 16.
  EXPECT_FALSE(ReadBytes(MaskedBmp(124, 16, 3, {0x1F000, 0x07E0, 0x001F, 0}, 0), doc));
  // Code 3 is Huffman coding in OS/2 headers.
  EXPECT_FALSE(ReadBytes(MaskedBmp(64, 16, 3, {}, 0), doc));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Bmp, ReadsAFileImageFromMemoryWithoutRatio) {
  PictureDocument original;
  FillColour(original.GetPicture(), 7, 5);
  const std::vector<std::uint8_t> image = BmpFileImage(original.GetPicture());
  ASSERT_FALSE(image.empty());
  PictureDocument pasted;
  ASSERT_TRUE(ReadBmpMemory(image, pasted, context));
  EXPECT_TRUE(SamePixels(original.GetPicture(), pasted.GetPicture()));
  EXPECT_EQ(pasted.compressionRatio, 0.0);
  EXPECT_FALSE(ReadBmpMemory(std::span(image).first(60), pasted, context));
}

TEST_F(Bmp, ShowsProgressAndTheWaitCursor) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 4, 6);
  context.showProgress = true;
  ASSERT_TRUE(WriteBmp(File("prog.bmp"), doc, context));
  ASSERT_TRUE(ReadBmp(File("prog.bmp"), doc, context));
  EXPECT_EQ(ui.progressCaptions,
            (std::vector<std::string>{"Saving Picture - prog.bmp", "Loading Picture - prog.bmp"}));
  EXPECT_EQ(ui.progressPositions.size(), 12u);
  EXPECT_EQ(ui.progressPositions.back(), 6);
  EXPECT_EQ(ui.waitDepth, 0);
  EXPECT_EQ(ui.maxWaitDepth, 1);
}

TEST_F(Bmp, ProbeGivesSizeDepthAndCompression) {
  WriteAll(File("rle.bmp"), MakeBmp(40, 6, 3, 8, 1, kFourColours, {0, 1}));
  const auto rle = ProbeBmp(File("rle.bmp"), test::EnglishStrings());
  ASSERT_TRUE(rle);
  EXPECT_EQ(rle->width, 6);
  EXPECT_EQ(rle->height, 3);
  EXPECT_EQ(rle->bitsPerPixel, 8);
  EXPECT_EQ(rle->formatText, "Compression:\tYes");
  WriteAll(File("plain.bmp"), MakeBmp(40, 2, -2, 24, 0, {}, std::vector<std::uint8_t>(16)));
  const auto plain = ProbeBmp(File("plain.bmp"), test::EnglishStrings());
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->height, 2);
  EXPECT_EQ(plain->formatText, "Compression:\tNo");
  WriteAll(File("not.bmp"), {'P', '6'});
  EXPECT_FALSE(ProbeBmp(File("not.bmp"), test::EnglishStrings()));
}

}  // namespace
}  // namespace quillon
