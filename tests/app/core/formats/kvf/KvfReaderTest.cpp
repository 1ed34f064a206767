// The reader of current KVF files: colours and grey back as written, password prompt and its
// three answers, refused files with their messages, preview scaling and partial decoding.
#include "core/formats/kvf/KvfReader.h"

#include <gtest/gtest.h>

#include "KvfTestFile.h"
#include "core/document/LoadOptions.h"
#include "core/pipelines/PictureProbe.h"
#include "support/NoDiskSpace.h"
#include "support/RecordingUiServices.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

constexpr const char* kStrings =
    "105\tLoading Picture - %s\n"
    "131\tWithout password this image will be decoded with a quality of %d %%.\n"
    "132\tThe given password is wrong.\n"
    "237\tThis color modell is not supported.\n"
    "33006\tFormat not supported !\n"
    "33007\tYour System has not enough memory.\n"
    "33008\tAn Error occured during loading a wavelet compressed image. \n"
    "33021\tCannot show animated wavelet images\n"
    "61217\tImage Size:\\t%d x %d\\nColor depth:\\t%d Bit\n";

class KvfReaderTest : public ::testing::Test {
 protected:
  KvfReaderTest()
      : strings_(*StringTable::Parse(kStrings)), ui_(strings_), context_{ui_, disk_, true} {}

  std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return test::WriteBytes(dir_.path() / name, bytes);
  }

  bool Read(const std::filesystem::path& path, const OpenRequest& request = {}) {
    document_ = std::make_unique<PictureDocument>();
    return ReadKvfCurrent(path, *document_, context_, request);
  }
  Picture& Result() { return document_->GetPicture(); }

  // Number of pixels whose bytes differ between two pictures of one size.
  static int Differences(const Picture& a, const Picture& b) {
    int count = 0;
    for (std::int32_t y = 0; y < a.GetHeight(); ++y) {
      for (std::int32_t x = 0; x < a.GetWidth(); ++x) count += a.GetPixel(x, y) != b.GetPixel(x, y);
    }
    return count;
  }

  test::TempDir dir_;
  StringTable strings_;
  test::RecordingUiServices ui_;
  test::NoDiskSpace disk_;
  FileIoContext context_;
  std::unique_ptr<PictureDocument> document_;
};

TEST_F(KvfReaderTest, ColourComesBackWithRedAndBlueInPlace) {
  Picture original;
  test::FillColourPicture(original, 70, 45);
  original.SetDpi16(150u << 16, 300u << 16);
  const std::vector<std::uint8_t> bytes = test::KvfFileBytes(original);
  ASSERT_FALSE(bytes.empty());
  ASSERT_TRUE(Read(Write("colour.kvf", bytes)));
  ASSERT_EQ(Result().GetBitCount(), 24);
  ASSERT_EQ(Result().GetWidth(), 70);
  ASSERT_EQ(Result().GetHeight(), 45);
  EXPECT_EQ(Result().GetPixel(0, 0), original.GetPixel(0, 0));
  EXPECT_EQ(Differences(Result(), original), 0);
  EXPECT_EQ(Result().GetXDpi16(), original.GetXDpi16());
  EXPECT_EQ(Result().GetYDpi16(), original.GetYDpi16());
  EXPECT_DOUBLE_EQ(document_->compressionRatio, 70.0 * 45 * 3 / bytes.size());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ui_.progressCaptions, std::vector<std::string>{"Loading Picture - colour.kvf"});
  EXPECT_FALSE(ui_.progressPositions.empty());
  EXPECT_EQ(ui_.waitDepth, 0);
  EXPECT_EQ(ui_.maxWaitDepth, 1);
}

TEST_F(KvfReaderTest, GreyComesBackAsAnEightBitRamp) {
  Picture original;
  original.Header().biWidth = 33;
  original.Header().biHeight = 70;
  ASSERT_TRUE(original.CreatePicture(false));
  for (std::int32_t y = 0; y < 70; ++y) {
    for (std::int32_t x = 0; x < 33; ++x) original.Row(y)[x] = static_cast<std::uint8_t>(x * 7 + y);
  }
  ASSERT_TRUE(Read(Write("grey.kvf", test::KvfFileBytes(original))));
  EXPECT_EQ(Result().GetBitCount(), 8);
  EXPECT_TRUE(Result().IsGrayRamp());
  EXPECT_EQ(Differences(Result(), original), 0);
}

TEST_F(KvfReaderTest, FourChannelPicturesShowTheirFirstThreeChannels) {
  constexpr std::int32_t kWidth = 24;
  constexpr std::int32_t kHeight = 20;
  std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint8_t>(i * 5 + i / 4);
  KvfImage image{};
  image.width = kWidth;
  image.height = kHeight;
  image.rows = pixels.data();
  image.stride = kWidth * 4;
  image.format = 3;
  const std::vector<std::uint8_t> bytes = test::KvfFileBytes(image, 7);
  ASSERT_FALSE(bytes.empty());
  ASSERT_TRUE(Read(Write("four.kvf", bytes)));
  ASSERT_EQ(Result().GetBitCount(), 24);
  for (std::int32_t line = 0; line < kHeight; ++line) {
    for (std::int32_t x = 0; x < kWidth; ++x) {
      const std::uint8_t* source = pixels.data() + (line * kWidth + x) * 4;
      const Picture::Triple expected{source[0], source[1], source[2]};
      ASSERT_EQ(Result().GetPixel(x, kHeight - 1 - line), expected) << x << "," << line;
    }
  }
}

class KvfPasswordTest : public KvfReaderTest {
 protected:
  void SetUp() override {
    test::FillColourPicture(original_, 96, 80);
    file_ = Write("locked.kvf", test::KvfFileBytes(original_, {1024, "Quill 7", 300}));
  }
  Picture original_;
  std::filesystem::path file_;
};

TEST_F(KvfPasswordTest, CancellingThePromptOpensTheFreeQuality) {
  ASSERT_TRUE(Read(file_));
  ASSERT_EQ(ui_.passwordPrompts.size(), 1u);
  EXPECT_EQ(ui_.passwordPrompts[0].title, "locked.kvf");
  EXPECT_EQ(ui_.passwordPrompts[0].qualityLine,
            "Without password this image will be decoded with a quality of 29 %.");
  EXPECT_GT(Differences(Result(), original_), 0);
  EXPECT_FALSE(document_->protection.passwordOn);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(KvfPasswordTest, TheRightPasswordOpensTheWholePicture) {
  ui_.passwords.push_back("Quill 7");
  ASSERT_TRUE(Read(file_));
  EXPECT_EQ(Differences(Result(), original_), 0);
  EXPECT_TRUE(document_->protection.passwordOn);
  EXPECT_EQ(document_->protection.password, "Quill 7");
}

TEST_F(KvfPasswordTest, AWrongPasswordFailsWithItsMessage) {
  ui_.passwords.push_back("quill 7");
  EXPECT_FALSE(Read(file_));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].id, 132u);
  EXPECT_EQ(ui_.messages[0].icon, MessageIcon::Stop);
}

TEST_F(KvfPasswordTest, APreviewAsksNothing) {
  ASSERT_TRUE(Read(file_, {.preview = true, .load = nullptr}));
  EXPECT_TRUE(ui_.passwordPrompts.empty());
}

// The GE chunk follows the 4-byte signature: tag, length, width, height, mode, flags.
constexpr std::size_t kColourModeByte = 16;
constexpr std::size_t kModeFlagsByte = 17;

TEST_F(KvfReaderTest, AnimatedFilesAndForeignColourModesAreRefusedWithTheirMessages) {
  Picture original;
  test::FillColourPicture(original, 20, 20);
  std::vector<std::uint8_t> bytes = test::KvfFileBytes(original);
  ASSERT_EQ(bytes[kColourModeByte], 2);

  std::vector<std::uint8_t> animated = bytes;
  animated[kModeFlagsByte] |= KVF_MODE_ANIMATED;
  EXPECT_FALSE(Read(Write("animated.kvf", animated)));
  for (const std::uint8_t mode : {5, 21, 9}) {  // known to the codec but not shown; unknown
    std::vector<std::uint8_t> foreign = bytes;
    foreign[kColourModeByte] = mode;
    EXPECT_FALSE(Read(Write("foreign.kvf", foreign))) << int{mode};
  }
  ASSERT_EQ(ui_.messages.size(), 4u);
  EXPECT_EQ(ui_.messages[0].id, 33021u);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(ui_.messages[i].id, 237u);
}

TEST_F(KvfReaderTest, DamagedFilesFailWithTheCodecTextOrOpenAtTheQualityReached) {
  Picture original;
  test::FillColourPicture(original, 128, 128);
  const std::vector<std::uint8_t> bytes = test::KvfFileBytes(original);
  ASSERT_TRUE(Read(Write("cut.kvf", {bytes.begin(), bytes.begin() + bytes.size() / 2})));
  EXPECT_GT(Differences(Result(), original), 0);
  EXPECT_TRUE(ui_.messages.empty());

  EXPECT_FALSE(Read(Write("header.kvf", {bytes.begin(), bytes.begin() + 20})));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_FALSE(ui_.messages[0].id.has_value());
  EXPECT_EQ(ui_.messages[0].text,
            "An Error occured during loading a wavelet compressed image. \nIllegal end of file");

  std::vector<std::uint8_t> huge = bytes;  // 65535 x 65535 pixels from a few kilobytes
  huge[8] = huge[9] = huge[12] = huge[13] = 0xFF;
  EXPECT_FALSE(Read(Write("huge.kvf", huge)));
  EXPECT_EQ(ui_.messages.size(), 2u);
}

TEST_F(KvfReaderTest, PreviewsHalveWhileASideReaches201) {
  Picture original;
  test::FillColourPicture(original, 1000, 800);
  const auto path = Write("big.kvf", test::KvfFileBytes(original));
  ASSERT_TRUE(Read(path, {.preview = true, .load = nullptr}));
  EXPECT_EQ(Result().GetWidth(), 125);
  EXPECT_EQ(Result().GetHeight(), 100);

  // A strip of 600 x 10 halved three or two times leaves heights (1, 2) that 10 is no power
  // of two times: the preview takes the largest factor the codec can scale by.
  Picture strip;
  test::FillColourPicture(strip, 600, 10);
  ASSERT_TRUE(
      Read(Write("strip.kvf", test::KvfFileBytes(strip)), {.preview = true, .load = nullptr}));
  EXPECT_EQ(Result().GetWidth(), 300);
  EXPECT_EQ(Result().GetHeight(), 5);
}

TEST_F(KvfReaderTest, LoadingOptionsDecodePartOfTheFile) {
  Picture original;
  test::FillColourPicture(original, 256, 192);
  const std::vector<std::uint8_t> bytes = test::KvfFileBytes(original);
  const auto path = Write("part.kvf", bytes);
  const double fileRatio = 256.0 * 192 * 3 / bytes.size();
  ASSERT_LT(fileRatio, 20.0);

  LoadOptions rate;
  rate.type = LoadType::CompressionRate;
  rate.rate = 20.0;
  ASSERT_TRUE(Read(path, {.preview = false, .load = &rate}));
  EXPECT_DOUBLE_EQ(document_->compressionRatio, 20.0);
  const int atRate = Differences(Result(), original);
  EXPECT_GT(atRate, 0);

  LoadOptions quality;
  quality.type = LoadType::Quality;
  quality.quality = 30;
  ASSERT_TRUE(Read(path, {.preview = false, .load = &quality}));
  EXPECT_DOUBLE_EQ(document_->compressionRatio, fileRatio);
  EXPECT_GT(Differences(Result(), original), 0);

  LoadOptions best;
  ASSERT_TRUE(Read(path, {.preview = false, .load = &best}));
  EXPECT_EQ(Differences(Result(), original), 0);
}

TEST_F(KvfReaderTest, TheProbeReadsSizeAndDepthFromTheHeader) {
  Picture original;
  test::FillColourPicture(original, 40, 30);
  const auto path = Write("probe.kvf", test::KvfFileBytes(original));
  EXPECT_EQ(ProbeText(path, strings_), "Image Size:\t40 x 30\nColor depth:\t24 Bit");
  EXPECT_EQ(ProbeText(Write("short.kvf", {'W', 'V', 2, 0, 'G'}), strings_),
            "Format not supported !");
}

}  // namespace
}  // namespace quillon
