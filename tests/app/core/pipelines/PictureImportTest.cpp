#include "core/pipelines/PictureImport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/formats/raster/BmpFile.h"
#include "support/NoDiskSpace.h"
#include "support/RecordingUiServices.h"

namespace quillon {
namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | bytes[at + i];
  return v;
}

class PictureImportTest : public ::testing::Test {
 protected:
  PictureImportTest() : ui(strings) {}

  static void make(Picture& picture, int width, int height, bool colour) {
    picture.Header().biWidth = width;
    picture.Header().biHeight = height;
    ASSERT_TRUE(picture.CreatePicture(colour));
    std::memset(picture.Bits(), 0, picture.Header().biSizeImage);
  }
  // The block a packed bitmap holds: the BMP file image without its file header.
  static std::vector<std::uint8_t> packed(const Picture& picture) {
    const std::vector<std::uint8_t> file = BmpFileImage(picture);
    return {file.begin() + 14, file.end()};
  }

  StringTable strings;
  test::RecordingUiServices ui;
  test::NoDiskSpace disk;
  FileIoContext context{ui, disk};
  PictureDocument document;
};

TEST_F(PictureImportTest, CopiedEightBitPictureCarriesTheWholePalette) {
  Picture picture;
  make(picture, 5, 3, false);
  const std::vector<std::uint8_t> copied = BmpFileImage(picture);
  EXPECT_EQ(le32(copied, 46), 256u);        // biClrUsed
  EXPECT_EQ(le32(copied, 10), 54u + 1024);  // pixels follow 1,024 palette bytes
  EXPECT_EQ(copied.size(), 54u + 1024 + 8 * 3);
}

TEST_F(PictureImportTest, PackedBitmapGetsFileHeaderWithPixelOffsetAfterThePalette) {
  Picture picture;
  make(picture, 4, 2, false);
  picture.Header().biClrUsed = 0;  // 0 means all 256 entries of 8 bits
  std::vector<std::uint8_t> dib = packed(picture);
  const std::vector<std::uint8_t> file = BmpFileImageOfPackedDib(dib);
  ASSERT_EQ(file.size(), dib.size() + 14);
  EXPECT_EQ(le32(file, 2), file.size());
  EXPECT_EQ(le32(file, 10), 54u + 1024);
  EXPECT_EQ(BmpFileImageOfClipboardBmp(dib), file);
  // A whole file on the clipboard is taken as it is.
  EXPECT_EQ(BmpFileImageOfClipboardBmp(file), file);
}

TEST_F(PictureImportTest, ImplausiblePackedBitmapsAreRefused) {
  Picture picture;
  make(picture, 4, 2, true);
  const std::vector<std::uint8_t> good = packed(picture);
  const auto patched = [&](std::size_t at, std::uint32_t value) {
    std::vector<std::uint8_t> dib = good;
    for (int i = 0; i < 4; ++i) dib[at + i] = std::uint8_t(value >> (8 * i));
    return dib;
  };
  EXPECT_TRUE(BmpFileImageOfPackedDib({good.data(), 39}).empty());
  EXPECT_TRUE(BmpFileImageOfPackedDib(patched(0, 12)).empty());            // header too small
  EXPECT_TRUE(BmpFileImageOfPackedDib(patched(0, 0xFFFFFFF0u)).empty());   // header too large
  EXPECT_TRUE(BmpFileImageOfPackedDib(patched(32, 0x40000000u)).empty());  // palette overruns
  // Pixels that the header promises but the block lacks: the reader refuses them.
  std::vector<std::uint8_t> file = BmpFileImageOfPackedDib({good.data(), good.size() - 4});
  ASSERT_FALSE(file.empty());
  EXPECT_FALSE(ReadImportedPicture(file, document, context));
}

TEST_F(PictureImportTest, GreyColourPictureBecomesEightBitGreyAndColourStaysColour) {
  Picture picture;
  make(picture, 3, 2, true);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) std::memset(picture.Row(y) + 3 * x, 40 * x + 100 * y, 3);
  }
  ASSERT_TRUE(ReadImportedPicture(BmpFileImage(picture), document, context));
  const Picture& grey = document.GetPicture();
  EXPECT_EQ(grey.GetBitCount(), 8);
  EXPECT_TRUE(grey.IsGray());
  EXPECT_EQ(grey.GetPixel(2, 1), (Picture::Triple{180, 180, 180}));
  EXPECT_EQ(document.fileSize, 6u);  // raw size at 8 bits

  picture.Row(0)[0] = 1;  // one pixel not grey
  PictureDocument colour;
  ASSERT_TRUE(ReadImportedPicture(BmpFileImage(picture), colour, context));
  EXPECT_EQ(colour.GetPicture().GetBitCount(), 24);
  EXPECT_EQ(colour.fileSize, 18u);
}

}  // namespace
}  // namespace quillon
