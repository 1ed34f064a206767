#include "core/formats/raster/PngFile.h"

#include <zlib.h>

#include <chrono>

#include "RasterTestSupport.h"
#include "core/formats/raster/RasterProbes.h"
#include "core/pipelines/OpenDispatch.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::ReadAll;
using test::SamePixels;
using test::WriteAll;

std::uint32_t Be32(const std::vector<std::uint8_t>& v, std::size_t at) {
  return std::uint32_t(v[at]) << 24 | std::uint32_t(v[at + 1]) << 16 |
         std::uint32_t(v[at + 2]) << 8 | v[at + 3];
}
void PutBe32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = std::uint8_t(x >> (24 - 8 * i));
}

// Offset of the first chunk of `type`, or 0.
std::size_t FindChunk(const std::vector<std::uint8_t>& png, const char* type) {
  for (std::size_t at = 8; at + 12 <= png.size(); at += 12 + Be32(png, at)) {
    if (std::equal(type, type + 4, png.begin() + std::ptrdiff_t(at + 4))) return at;
  }
  return 0;
}

class Png : public test::RasterTest {
 protected:
  void Fill(PictureDocument& doc, int kind, std::int32_t width = 21, std::int32_t height = 13) {
    if (kind == 0) FillColour(doc.GetPicture(), width, height);
    if (kind == 1) FillGray(doc.GetPicture(), width, height);
    if (kind == 2) FillPalette(doc.GetPicture(), width, height, 16);
  }
};

TEST_F(Png, RoundTripsColourGreyAndPaletteWithResolution) {
  struct Case {
    int kind;
    int colourType;  // as written in IHDR
    int bits;        // of the picture read back
  };
  for (const Case c : {Case{0, 2, 24}, Case{1, 0, 8}, Case{2, 3, 8}}) {
    for (const int level : {0, 9}) {
      PictureDocument original;
      Fill(original, c.kind);
      original.GetPicture().Header().biXPelsPerMeter = 11811;  // 300 dpi
      original.GetPicture().Header().biYPelsPerMeter = 5906;
      ASSERT_TRUE(WritePng(File("rt.png"), original, context, level));
      const auto bytes = ReadAll(File("rt.png"));
      ASSERT_GT(bytes.size(), 33u);
      EXPECT_EQ(bytes[24], 8) << "bit depth";
      EXPECT_EQ(bytes[25], c.colourType);
      if (c.kind == 2) {
        EXPECT_EQ(Be32(bytes, FindChunk(bytes, "PLTE")), 16u * 3) << "only the used entries";
      }
      PictureDocument back;
      ASSERT_TRUE(ReadPng(File("rt.png"), back, context)) << c.kind;
      EXPECT_TRUE(SamePixels(original.GetPicture(), back.GetPicture())) << c.kind << " " << level;
      EXPECT_EQ(back.GetPicture().GetBitCount(), c.bits);
      EXPECT_EQ(back.GetPicture().Header().biXPelsPerMeter, 11811);
      EXPECT_EQ(back.GetPicture().Header().biYPelsPerMeter, 5906);
      EXPECT_GT(back.compressionRatio, 0.0);
    }
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Png, IsRecognisedByItsSignatureAndProbed) {
  PictureDocument doc;
  Fill(doc, 0, 40, 30);
  ASSERT_TRUE(WritePng(File("picture.bmp"), doc, context, 6));
  const FileDispatch file = DispatchFile(File("picture.bmp"));
  EXPECT_EQ(file.dispatch.reader, ReaderKind::Png);
  EXPECT_EQ(file.dispatch.format, PictureFormat::Png);
  const auto probe = ProbePng(File("picture.bmp"), test::EnglishStrings());
  ASSERT_TRUE(probe.has_value());
  EXPECT_EQ(probe->width, 40);
  EXPECT_EQ(probe->height, 30);
  EXPECT_EQ(probe->bitsPerPixel, 24);
  EXPECT_EQ(probe->formatText, "Interlaced:\tNo");
  const auto whole = ReadAll(File("picture.bmp"));
  WriteAll(File("short.png"), {whole.begin(), whole.begin() + 20});
  EXPECT_FALSE(ProbePng(File("short.png"), test::EnglishStrings()).has_value());
}

TEST_F(Png, TruncatedFilesFailWithLibpngsReason) {
  PictureDocument doc;
  Fill(doc, 2);
  ASSERT_TRUE(WritePng(File("whole.png"), doc, context, 6));
  const auto whole = ReadAll(File("whole.png"));
  for (std::size_t length = 0; length < whole.size(); ++length) {
    WriteAll(File("cut.png"), {whole.begin(), whole.begin() + std::ptrdiff_t(length)});
    ui.messages.clear();
    PictureDocument back;
    EXPECT_FALSE(ReadPng(File("cut.png"), back, context)) << length;
    ASSERT_EQ(ui.messages.size(), 1u) << length;
    EXPECT_EQ(ui.messages[0].id, kPngNotReadMessage);
    const std::string& text = ui.messages[0].text;
    EXPECT_EQ(text.rfind("The file 'cut.png' couldn\u00b4t be read: ", 0), 0u) << text;
    EXPECT_GT(text.size(), text.find(": ") + 2) << "libpng's reason is missing";
  }
}

TEST_F(Png, HugeClaimedSizesAreRefusedWithoutAllocating) {
  const auto start = std::chrono::steady_clock::now();
  PictureDocument doc;
  Fill(doc, 1);
  ASSERT_TRUE(WritePng(File("small.png"), doc, context, 9));
  for (const std::uint32_t size : {0x7FFFFFFFu, 100000u, 30000u}) {
    auto png = ReadAll(File("small.png"));
    PutBe32(png, 16, size);
    PutBe32(png, 20, size);
    PutBe32(png, 29, std::uint32_t(crc32(0, png.data() + 12, 17)));  // IHDR stays valid
    WriteAll(File("huge.png"), png);
    ui.messages.clear();
    EXPECT_FALSE(ReadPng(File("huge.png"), doc, context)) << size;
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].id, kPngNotReadMessage);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace quillon
