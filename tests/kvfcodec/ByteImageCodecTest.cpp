// Whole pictures through WvlKompressByteImage and WvlDekompressByteImage.
#include <gtest/gtest.h>

#include <thread>

#include "LegacyFixtures.h"

namespace kvfcodec::testing {
namespace {

struct PictureCase {
  int filter, channels, width, height, levels;
  double worstError;  // mean absolute error of a whole-file decode
};

class PictureRoundTrip : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureRoundTrip, DecodesCloseAndBudgetsShrinkTheFile) {
  const PictureCase c = GetParam();
  const TestPicture picture = makePicture(c.width, c.height, c.channels);
  const std::string path = tempPath("whole.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(picture, c.filter, c.levels, 0, path)), 0);
  const std::vector<uint8_t> whole = decodeFile(path);
  EXPECT_LE(meanAbsoluteError(whole, picture.pixels), c.worstError);

  const int raw = c.width * c.height * c.channels;
  const std::string small = tempPath("small.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(picture, c.filter, c.levels, raw / 20, small)), 0);
  const std::vector<uint8_t> smallBytes = readBytes(small);
  EXPECT_LE(smallBytes.size(), static_cast<size_t>(raw / 20));
  const std::vector<uint8_t> cut = decodeFile(small);
  EXPECT_GT(meanAbsoluteError(cut, picture.pixels), meanAbsoluteError(whole, picture.pixels));
  EXPECT_LT(meanAbsoluteError(cut, picture.pixels), 40);

  // Decoding only a prefix of the whole file is what a smaller budget gives.
  const std::vector<uint8_t> prefix = decodeFile(path, 0, static_cast<int>(smallBytes.size()));
  EXPECT_LT(meanAbsoluteError(prefix, picture.pixels), 40);
  std::filesystem::remove(path);
  std::filesystem::remove(small);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PictureRoundTrip,
    ::testing::Values(PictureCase{0, 1, 64, 48, 3, 3}, PictureCase{1, 3, 70, 45, 3, 3},
                      PictureCase{8, 3, 96, 64, 3, 3}, PictureCase{9, 1, 80, 80, 2, 3},
                      PictureCase{12, 1, 64, 64, 3, 0}, PictureCase{17, 3, 50, 40, 2, 0},
                      PictureCase{18, 3, 64, 32, 4, 0}, PictureCase{13, 1, 90, 72, 2, 0}),
    [](const auto& info) {
      return std::string(GetFilterShortName(info.param.filter)) + "_" +
             std::to_string(info.param.channels) + "ch";
    });

TEST(ByteImageCodec, PlaneLimitAndWindowAndFirstChannel) {
  const TestPicture picture = makePicture(64, 64, 3);
  const std::string path = tempPath("p.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(picture, 8, 3, 0, path)), 0);
  const double coarse = meanAbsoluteError(decodeFile(path, 2), picture.pixels);
  const double fine = meanAbsoluteError(decodeFile(path, 8), picture.pixels);
  EXPECT_GT(coarse, fine);

  // Channel 2 only, into a 10 x 5 window with a negative row step (bottom-up rows).
  const std::vector<uint8_t> all = decodeFile(path);
  std::vector<uint8_t> window(10 * 5, 0);
  uint8_t* out = window.data();
  KvfDecodeSettings settings{0, 0, 0, 0};
  const KvfOutputWindow w{10, 5, 1, -10};
  int32_t first = 2, colour = 0;
  ASSERT_EQ(WvlDekompressByteImage(path.c_str(), &settings, &w, &first, &out, &colour, 0), 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(colour, 1);
  EXPECT_EQ(settings.filter, 8);
  EXPECT_EQ(settings.levels, 3);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x)
      ASSERT_EQ(window[static_cast<size_t>((4 - y) * 10 + x)],
                all[static_cast<size_t>((y * 64 + x) * 3 + 2)]);
  // A column step of 1 holds one channel: from channel 0 only channel 0 is delivered.
  first = 0;
  ASSERT_EQ(WvlDekompressByteImage(path.c_str(), &settings, &w, &first, &out, &colour, 0), 0);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(window[4 * 10 + 3], all[3 * 3]);
  std::filesystem::remove(path);
}

TEST(ByteImageCodec, MemoryBlocksMatchFiles) {
  const TestPicture picture = makePicture(40, 40, 1);
  const std::string path = tempPath("m.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(picture, 15, 2, 0, path)), 0);
  std::vector<uint8_t> block(4096);
  int32_t size = static_cast<int32_t>(block.size());
  KvfCompressJob job = compressJob(picture, 15, 2, 0, "");
  job.output = block.data();
  job.outputSize = &size;
  ASSERT_EQ(WvlKompByteImageToMem(job), 0);
  block.resize(static_cast<size_t>(size));
  EXPECT_EQ(block, readBytes(path));

  KvfDecodeSettings settings{0, 0, 0, size};
  int32_t first = 0, colour = 0;
  uint8_t* out = nullptr;
  ASSERT_EQ(WvlDekompByteImageFromMem(block.data(), &settings, nullptr, &first, &out, &colour), 0);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 40 * 40), picture.pixels);  // TS is lossless
  FreePtr(out);

  int32_t tiny = 11;
  job.outputSize = &tiny;
  EXPECT_EQ(WvlKompByteImageToMem(job), -5);
  std::filesystem::remove(path);
}

TEST(ByteImageCodec, HostileHeadersFailBeforeAllocating) {
  const std::string path = tempPath("h.kvf");
  // 65535 x 65535, 63 channels, 15 levels: refused without trying to allocate it.
  writeBytes(path, {'W', 'V', 1, 0xFF, 0xFF, 0xFF, 0xFF, 8, 0xDF, 0xFC, 0, 0, 1, 2, 3});
  int status = 0;
  decodeFile(path, 0, 0, &status);
  EXPECT_EQ(status, -6);
  // Zero width, or a threshold nibble of 0.
  writeBytes(path, {'W', 'V', 0, 0, 0, 0, 16, 8, 0xD3, 0x04, 1, 2, 3});
  decodeFile(path, 0, 0, &status);
  EXPECT_EQ(status, -3);
  writeBytes(path, {'W', 'V', 0, 0, 16, 0, 16, 8, 0x03, 0x04, 1, 2, 3});
  decodeFile(path, 0, 0, &status);
  EXPECT_EQ(status, -3);
  // Levels too deep for the size and filter.
  writeBytes(path, {'W', 'V', 0, 0, 16, 0, 16, 8, 0xD4, 0x04, 1, 2, 3});
  decodeFile(path, 0, 0, &status);
  EXPECT_EQ(status, -1);
  // A stream cut to nothing still decodes (grey).
  writeBytes(path, {'W', 'V', 0, 0, 16, 0, 16, 0, 0xD2, 0x04});
  EXPECT_EQ(decodeFile(path, 0, 0, &status), std::vector<uint8_t>(256, 128));
  std::filesystem::remove(path);
}

// Output blocks beyond what AllocPtr's 32-bit count holds are refused, not allocated at a
// truncated size and then overrun: five rows 2^30 apart span just over 2^32 bytes.
TEST(ByteImageCodec, OutputBlocksTooLargeForTheAllocatorAreRefused) {
  const TestPicture picture = makePicture(16, 8, 1);
  const std::string path = tempPath("big.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(picture, 0, 2, 0, path)), 0);
  const int32_t rowStep = 1 << 30;
  KvfDecodeSettings settings{0, 0, 0, 0};
  const KvfOutputWindow window{16, 5, 1, rowStep};
  int32_t first = 0, colour = 0;
  uint8_t* out = nullptr;
  EXPECT_EQ(WvlDekompressByteImage(path.c_str(), &settings, &window, &first, &out, &colour, 0), -6);
  EXPECT_EQ(out, nullptr);

  std::vector<double> plane(16 * 8, 0.0);
  const KvfPlaneGeometry g{16, 8, 1, 16, 1, 0, 0};
  EXPECT_EQ(RestoreByteImage(plane.data(), &g, &out, 16, 5, rowStep, 1), -6);
  EXPECT_EQ(out, nullptr);
  std::filesystem::remove(path);
}

// The library serialises its exports: two threads decoding different files at once get
// what each decode gives alone.
TEST(ByteImageCodec, ConcurrentDecodesMatchLoneDecodes) {
  const std::string grey = tempPath("grey.kvf"), colour = tempPath("colour.kvf");
  ASSERT_EQ(WvlKompressByteImage(compressJob(makePicture(96, 64, 1), 8, 3, 0, grey)), 0);
  ASSERT_EQ(WvlKompressByteImage(compressJob(makePicture(80, 72, 3), 13, 3, 3000, colour)), 0);
  const std::vector<uint8_t> greyAlone = decodeFile(grey), colourAlone = decodeFile(colour);
  ASSERT_FALSE(greyAlone.empty());
  ASSERT_FALSE(colourAlone.empty());
  std::vector<uint8_t> greyTogether, colourTogether;
  {
    std::jthread a([&] {
      for (int i = 0; i < 4; ++i) greyTogether = decodeFile(grey);
    });
    std::jthread b([&] {
      for (int i = 0; i < 4; ++i) colourTogether = decodeFile(colour);
    });
  }
  EXPECT_EQ(greyTogether, greyAlone);
  EXPECT_EQ(colourTogether, colourAlone);
  std::filesystem::remove(grey);
  std::filesystem::remove(colour);
}

}  // namespace
}  // namespace kvfcodec::testing
