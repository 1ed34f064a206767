// The KVF writer: size limit, what reaches the codec, the free-space question, the fallback
// to baseline coding, and what a failed save leaves behind.
#include <cstring>
#include <memory>

#include "core/formats/kvf/KvfWriter.h"
#include "core/formats/raster/RasterIoSupport.h"
#include "core/picture/PalettePictures.h"
#include "kvf/kvf.h"
#include "support/SaveTestSupport.h"

namespace quillon {
namespace {

using test::FillColour;
using test::FillGray;
using test::FillPalette;
using test::ReadAll;
using test::SamePixels;
using test::WriteAll;

class SaveKvf : public test::SaveTest {
 protected:
  // Decodes a KVF file with the codec into red, green, blue bytes, top row first; empty when
  // the codec refuses it.
  static std::vector<std::uint8_t> DecodeRgb(const std::filesystem::path& path, std::int32_t width,
                                             std::int32_t height) {
    std::vector<std::uint8_t> file = ReadAll(path);
    KvfWorkspace workspace{};
    workspace.tag = KVF_INTERFACE_TAG;
    KvfDecodeParams params{};
    params.buffer = file.data();
    params.filled = static_cast<std::uint32_t>(file.size());
    params.qualityLimit = KVF_FULL_QUALITY;
    KvfInfo info{};
    std::vector<std::unique_ptr<std::byte[]>> memory;
    const auto allocate = [&] {
      for (int i = 0; i < KVF_WORK_BUFFERS; ++i) {
        memory.emplace_back(new std::byte[workspace.sizes[i] + 1]);
        workspace.buffers[i] = memory.back().get();
      }
    };
    if (KvfInit(&workspace) != 0) return {};
    allocate();
    if (KvfReadHeader(&info, &params, &workspace) != 0) return {};
    std::vector<std::uint8_t> rgb(std::size_t(width) * height * 3);
    KvfImage image{};
    image.width = width;
    image.height = height;
    image.rows = rgb.data();
    image.stride = width * 3;
    image.format = KVF_LAYOUT_BYTES_012;
    if (KvfDecodeInit(&image, &params, &workspace) != 0) return {};
    allocate();
    params.firstRow = 0;
    params.endRow = height;
    params.flags = KVF_FIRST_CALL | KVF_LAST_CALL;
    if (KvfDecode(&image, &params, &workspace) != 0) return {};
    return rgb;
  }

  // The work memory the codec asks for to code `document` in a mode.
  static std::uint64_t WorkMemory(PictureDocument& document, std::uint16_t modeFlags) {
    Picture& picture = document.GetPicture();
    const CodecLayout layout = picture.GetCodecLayout();
    KvfImage image{picture.GetHeight(),
                   picture.GetWidth(),
                   layout.topRow,
                   layout.lineStep,
                   KVF_LAYOUT_BYTES_210,
                   0,
                   0,
                   255};
    KvfEncodeParams params{};
    params.levels = 6;
    params.quality = 1024;
    params.modeFlags = modeFlags;
    params.colourMode = 2;
    KvfWorkspace workspace{};
    workspace.tag = KVF_INTERFACE_TAG;
    EXPECT_EQ(KvfEncodeInit(&image, &params, &workspace), 0);
    std::uint64_t total = 0;
    for (std::uint32_t size : workspace.sizes) total += size;
    return total;
  }
};

TEST_F(SaveKvf, PicturesAbove4096By4096PixelsAreRefusedWithoutWriting) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 4097, 4096);
  const auto target = File("huge.kvf");
  EXPECT_FALSE(Save(target, doc, SaveOptions{}));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kKvfTooLargeToSave, kCouldNotSave}));
  EXPECT_EQ(Entries(), 0u);
}

TEST_F(SaveKvf, LosslessColourKeepsEveryPixelInRedGreenBlueOrder) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 150, 90);
  const auto target = File("colour.kvf");
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  const std::vector<std::uint8_t> rgb = DecodeRgb(target, 150, 90);
  ASSERT_EQ(rgb.size(), 150u * 90 * 3);
  std::vector<std::uint8_t> expected(rgb.size());
  for (std::int32_t line = 0; line < 90; ++line) {
    LineToRgb(doc.GetPicture(), line, expected.data() + std::size_t(line) * 150 * 3);
  }
  EXPECT_EQ(rgb, expected);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveKvf, GreyAndPalettePicturesOpenAgainWithTheirColours) {
  PictureDocument grey;
  FillGray(grey.GetPicture(), 70, 130);
  ASSERT_TRUE(Save(File("grey.kvf"), grey, SaveOptions{}));
  PictureDocument greyBack;
  ASSERT_TRUE(Open(File("grey.kvf"), greyBack));
  EXPECT_EQ(greyBack.GetPicture().GetBitCount(), 8);
  EXPECT_TRUE(SamePixels(grey.GetPicture(), greyBack.GetPicture()));
  EXPECT_TRUE(ui.messages.empty());

  // A palette picture is coded as its colours, after the warning.
  PictureDocument palette;
  FillPalette(palette.GetPicture(), 70, 130);
  ASSERT_TRUE(Save(File("palette.kvf"), palette, SaveOptions{}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kPaletteWarningText);
  const std::vector<std::uint8_t> rgb = DecodeRgb(File("palette.kvf"), 70, 130);
  ASSERT_EQ(rgb.size(), 70u * 130 * 3);
  const RgbQuad& entry = palette.GetPicture().Palette()[TopDownRow(palette.GetPicture(), 5)[9]];
  const std::size_t at = (std::size_t(5) * 70 + 9) * 3;
  EXPECT_EQ(rgb[at], entry.rgbRed);
  EXPECT_EQ(rgb[at + 1], entry.rgbGreen);
  EXPECT_EQ(rgb[at + 2], entry.rgbBlue);

  ui.messages.clear();
  SaveOptions quiet;
  quiet.showWarnings = false;
  ASSERT_TRUE(Save(File("palette.kvf"), palette, quiet));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveKvf, RateAndSizeOptionsLimitTheFile) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 200, 200);
  SaveOptions rate;
  rate.option = SaveOption::CompressionRate;
  rate.rate = 20.0;
  ASSERT_TRUE(Save(File("rate.kvf"), doc, rate));
  EXPECT_LE(ReadAll(File("rate.kvf")).size(), 200u * 200 * 3 / 20);
  SaveOptions size;
  size.option = SaveOption::FileSize;
  size.sizeKb = 3.0;
  ASSERT_TRUE(Save(File("size.kvf"), doc, size));
  EXPECT_LE(ReadAll(File("size.kvf")).size(), 3072u);
  PictureDocument back;
  ASSERT_TRUE(Open(File("size.kvf"), back));
  EXPECT_EQ(back.GetPicture().GetWidth(), 200);
}

TEST_F(SaveKvf, PasswordProtectsAllButTheFreeQuality) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 96, 96);
  doc.protection.passwordOn = true;
  doc.protection.password = "sesame";
  doc.protection.freeQuality = 256;
  ASSERT_TRUE(Save(File("locked.kvf"), doc, SaveOptions{}));

  ui.passwords = {std::string("sesame")};
  PictureDocument back;
  ASSERT_TRUE(Open(File("locked.kvf"), back));
  EXPECT_EQ(ui.passwordPrompts.size(), 1u);
  EXPECT_TRUE(SamePixels(doc.GetPicture(), back.GetPicture()));
  EXPECT_TRUE(back.protection.passwordOn);
}

// The longest password a document keeps comes back whole; the codec compares only its first
// 32 characters, as files written before rely on.
TEST_F(SaveKvf, TheLongestPasswordRoundTripsAndItsFirst32CharactersUnlockTheFile) {
  PictureDocument doc;
  FillGray(doc.GetPicture(), 64, 64);
  const std::string password = std::string(kMaxPasswordLength - 1, 'k') + "!";
  ASSERT_EQ(password.size(), 33u);
  doc.protection.passwordOn = true;
  doc.protection.password = password;
  doc.protection.freeQuality = 100;
  ASSERT_TRUE(Save(File("long.kvf"), doc, SaveOptions{}));

  for (const std::string& typed : {password, password.substr(0, 32) + "?"}) {
    ui.passwords = {typed};
    PictureDocument back;
    ASSERT_TRUE(Open(File("long.kvf"), back)) << typed;
    EXPECT_TRUE(SamePixels(doc.GetPicture(), back.GetPicture())) << typed;
    EXPECT_EQ(back.protection.password, typed);
  }
}

TEST_F(SaveKvf, TooLittleSpaceAsksAndOkLimitsTheFileToTheFreeSpace) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 160, 120);
  const std::vector<std::uint8_t> old{'o', 'l', 'd'};
  const auto target = File("space.kvf");
  WriteAll(target, old);
  disk.free = 5000;  // a lossless file may need twice 57600 bytes

  ui.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(Save(target, doc, SaveOptions{}));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kKvfSpaceShortage, kCouldNotSave}));
  EXPECT_NE(ui.messages[0].text.find("Only 5000 bytes"), std::string::npos);
  EXPECT_EQ(ui.messages[0].buttons, MessageButtons::OkCancel);
  EXPECT_EQ(ReadAll(target), old);
  EXPECT_EQ(Entries(), 1u);

  ui.messages.clear();
  ui.answers = {MessageAnswer::Ok};
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kKvfSpaceShortage}));
  const auto size = ReadAll(target).size();
  EXPECT_LE(size, 5000u);
  EXPECT_GT(size, 1000u);

  // Room enough for the expected size: no question.
  ui.messages.clear();
  disk.free = 200000;
  ASSERT_TRUE(Save(target, doc, SaveOptions{}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SaveKvf, EmbeddedCodingWithoutWorkMemorySwitchesToBaseline) {
  PictureDocument doc;
  FillColour(doc.GetPicture(), 256, 256);
  const std::uint64_t embedded = WorkMemory(doc, 0);
  const std::uint64_t baseline = WorkMemory(doc, KVF_MODE_BASELINE);
  ASSERT_LT(baseline, embedded);
  SaveOptions options;
  const auto target = File("fallback.kvf");
  ASSERT_TRUE(WriteKvf(target, doc, context, {options, false}, baseline));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kKvfSwitchToBaseline}));
  PictureDocument back;
  ASSERT_TRUE(Open(target, back));
  EXPECT_EQ(back.GetPicture().GetWidth(), 256);

  // Baseline coding chosen from the start needs no switch; too little memory even for it
  // is a memory shortage.
  ui.messages.clear();
  options.scanMode = ScanMode::Baseline;
  ASSERT_TRUE(WriteKvf(target, doc, context, {options, false}, baseline));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(WriteKvf(target, doc, context, {options, false}, baseline - 1));
  EXPECT_EQ(MessageIds(), (std::vector<StringId>{kOutOfMemoryMessage}));
}

}  // namespace
}  // namespace quillon
