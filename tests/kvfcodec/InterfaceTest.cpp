// The library's C interface: texts, headers, error codes and the plane operations.
#include <gtest/gtest.h>

#include <thread>

#include "LegacyFixtures.h"

namespace kvfcodec::testing {
namespace {

TEST(Texts, ErrorMessagesAndFilterNames) {
  EXPECT_STREQ(GetWaveletError(0), "Success");
  EXPECT_STREQ(GetWaveletError(-5),
               "Image memory size does not agree with header or invalid pointer");
  EXPECT_STREQ(GetWaveletError(-7), "An exception occured...");
  EXPECT_STREQ(GetWaveletError(-8), "GetWaveletError: Unknown Errorcode (-8)");
  EXPECT_STREQ(GetWaveletError(1), "GetWaveletError: Unknown Errorcode (1)");
  EXPECT_STREQ(GetFilterShortName(15), "TS");
  EXPECT_STREQ(GetFilterLongName(8), "Biorthogonal Spline 9 7");
  EXPECT_STREQ(GetFilterLongName(18), "S-Transform");
  EXPECT_EQ(GetFilterShortName(19), nullptr);
  EXPECT_EQ(GetFilterShortName(-1), nullptr);
  EXPECT_EQ(GetFilterLongName(19), nullptr);
}

TEST(Texts, EachThreadKeepsItsOwnText) {
  const char* mine = GetFilterLongName(0);
  std::thread([] { GetFilterLongName(12); }).join();
  EXPECT_STREQ(mine, "Haar");
}

TEST(Headers, VersionOneExampleAndReadBack) {
  const std::string path = tempPath("h.kvf");
  ASSERT_EQ(WriteHeader(path.c_str(), 640, 480, 3, 8, 5, 4096, 1), 0);
  const std::vector<uint8_t> bytes = readBytes(path);
  ASSERT_EQ(bytes.size(), 12u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10),
            (std::vector<uint8_t>{'W', 'V', 0x01, 0x02, 0x80, 0x01, 0xE0, 0x08, 0xD5, 0x0D}));
  int32_t w = 0, h = 0, ch = 0, f = 0, l = 0, t = 0, c = 0;
  ASSERT_EQ(ExReadHeader(path.c_str(), &w, &h, &ch, &f, &l, &t, &c), 0);
  EXPECT_EQ(std::vector<int32_t>({w, h, ch, f, l, t, c}),
            (std::vector<int32_t>{640, 480, 3, 8, 5, 4096, 1}));

  // KvfCreate plus KvfWriteHeaderV01 give the same fields without the stamp; a threshold
  // nibble of 1 reads as 1.
  ASSERT_EQ(KvfCreate(path.c_str()), 0);
  const KvfPictureSize size{32, 16, 0, 1};
  const KvfLevelsFilter lf{2, 12};
  ASSERT_EQ(KvfWriteHeaderV01(path.c_str(), &size, &lf, 1, 0), 0);
  EXPECT_EQ(readBytes(path), (std::vector<uint8_t>{'W', 'V', 1, 0, 32, 0, 16, 12, 0x12, 0x04}));
  writeBytes(path, {'W', 'V', 0, 0, 32, 0, 16, 12, 0x12, 0x04});
  KvfPictureSize readSize{};
  KvfLevelsFilter readLf{};
  int32_t threshold = 0, colour = 0, versionZero = 0, stamp = 0;
  ASSERT_EQ(
      KvfReadHeaderV01(path.c_str(), &readSize, &readLf, &threshold, &colour, &versionZero, &stamp),
      0);
  EXPECT_EQ(threshold, 1);
  EXPECT_EQ(versionZero, 1);
  EXPECT_EQ(readLf.filter, 12);

  std::vector<uint8_t> block(12);
  EXPECT_EQ(MWriteHeader(block.data(), 12, 640, 480, 1, 8, 5, 4096), 0);
  EXPECT_EQ(MReadHeader(block.data(), 12, &w, &h, &ch, &f), 0);
  EXPECT_EQ(w, 640);
  EXPECT_EQ(MWriteHeader(block.data(), 11, 640, 480, 1, 8, 5, 4096), -5);
  std::filesystem::remove(path);
}

TEST(Headers, ErrorCodes) {
  const std::string path = tempPath("e.kvf");
  int32_t w, h, ch, f, l;
  writeBytes(path, {'W', 'V', 2, 0, 32, 0, 32, 0, 0x12, 4, 0, 0});
  EXPECT_EQ(ReadHeader(path.c_str(), &w, &h, &ch, &f, &l), -14);
  writeBytes(path, {'X', 'Y', 1, 0, 32, 0, 32, 0, 0x12, 4, 0, 0});
  EXPECT_EQ(ReadHeader(path.c_str(), &w, &h, &ch, &f, &l), -13);
  writeBytes(path, {'W', 'V', 1, 0, 32});
  EXPECT_EQ(ReadHeader(path.c_str(), &w, &h, &ch, &f, &l), -13);
  EXPECT_EQ(ReadHeader((path + ".missing").c_str(), &w, &h, &ch, &f, &l), -12);
  EXPECT_EQ(ReadHeader(path.c_str(), nullptr, &h, &ch, &f, &l), -5);

  writeBytes(path, {'W', 'V', 1, 0, 32, 0, 32, 19, 0x12, 4, 0, 0, 1, 2});
  KvfDecodeSettings settings{0, 0, 0, 0};
  int32_t first = 0, colour = 0;
  uint8_t* out = nullptr;
  EXPECT_EQ(WvlDekompressByteImage(path.c_str(), &settings, nullptr, &first, &out, &colour, 0), -4);
  EXPECT_EQ(WvlDekompressByteImage(path.c_str(), nullptr, nullptr, &first, &out, &colour, 0), -5);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(KvfCreate("/nonexistent-dir/x.kvf"), -11);
  std::filesystem::remove(path);
}

TEST(CheckLevel, LevelsFiltersAndPointers) {
  const KvfPictureSize size{100, 60, 0, 1};
  const struct {
    int levels, filter, expected;
  } cases[] = {{3, 0, 0},  {6, 0, 0},   {7, 0, -1},  {3, 8, 0},
               {4, 8, -1}, {2, 20, -4}, {2, -1, -4}, {2, 19, -1}};
  for (const auto& c : cases) {
    const KvfLevelsFilter lf{c.levels, c.filter};
    EXPECT_EQ(CheckLevel(&size, &lf), c.expected) << c.levels << " " << c.filter;
  }
  const KvfLevelsFilter lf{1, 0};
  EXPECT_EQ(CheckLevel(nullptr, &lf), -5);
}

TEST(Planes, PrepareTransformQuantizeAndBack) {
  const TestPicture picture = makePicture(30, 20, 3);
  double* plane = nullptr;
  KvfPlaneGeometry g{};
  ASSERT_EQ(PrepareByteImageD(picture.pixels.data(), 30, 20, 3, 90, 3, 8, 0, &plane, &g), 0);
  EXPECT_EQ(g.width, 32);
  EXPECT_EQ(g.height, 24);
  EXPECT_EQ(g.offsetX, 1);
  EXPECT_EQ(g.offsetY, 2);
  ASSERT_EQ(WavTrafoD(plane, g.width, g.height, 3, g.rowStep, g.columnStep, 3, 1), 0);
  std::vector<uint32_t> words(static_cast<size_t>(g.width * g.height * 3));
  int32_t threshold = 0;
  ASSERT_EQ(
      Quantize(plane, g.width, g.height, 3, g.rowStep, g.columnStep, 3, words.data(), &threshold),
      0);
  EXPECT_GT(threshold, 1);
  std::vector<uint8_t> stream(100000);
  int32_t size = static_cast<int32_t>(stream.size());
  ASSERT_EQ(
      ACodePic(words.data(), g.width, g.height, 3, 0, 0, 3, threshold, 15, stream.data(), &size, 1),
      0);
  std::vector<uint32_t> decoded(words.size());
  ASSERT_EQ(ADecodePic(decoded.data(), g.width, g.height, 3, 0, 0, 3, threshold, 15, stream.data(),
                       &size, 1),
            0);
  ASSERT_EQ(RQuantize(decoded.data(), g.width, g.height, 3, 3, plane, g.rowStep, g.columnStep), 0);
  ASSERT_EQ(RWavTrafoD(plane, g.width, g.height, 3, g.rowStep, g.columnStep, 3, 1), 0);
  uint8_t* out = nullptr;
  ASSERT_EQ(RestoreByteImage(plane, &g, &out, 0, 0, 0, 0), 0);
  EXPECT_LT(meanAbsoluteError(std::vector<uint8_t>(out, out + 30 * 20 * 3), picture.pixels), 3);
  FreePtr(out);
  FreePtr(plane);
  EXPECT_EQ(PrepareByteImageD(nullptr, 30, 20, 3, 90, 3, 8, 0, &plane, &g), -5);
  EXPECT_EQ(PrepareByteImageD(picture.pixels.data(), 30, 20, 3, 10, 3, 8, 0, &plane, &g), -5);
  EXPECT_EQ(PrepareByteImageD(picture.pixels.data(), 30, 20, 3, 90, 3, 6, 0, &plane, &g), -2);
}

TEST(Planes, SmoothingTouchesOnlyItsBands) {
  std::vector<double> plane(16 * 16, 1.0);
  const KvfPlaneGeometry g{16, 16, 1, 16, 1, 0, 0};
  ASSERT_EQ(WXYSmooth(plane.data(), &g, 1, nullptr, 0), 0);
  EXPECT_EQ(plane[8], 0.75);      // horizontal detail of level 1 (top right)
  EXPECT_EQ(plane[8 * 16], 1.0);  // vertical detail untouched
  const double factors[2] = {0.5, 0.25};
  ASSERT_EQ(WSmooth(plane.data(), &g, 2, factors), 0);
  EXPECT_EQ(plane[8 * 16 + 8], 0.5);   // diagonal, level 1
  EXPECT_EQ(plane[4 * 16 + 4], 0.25);  // diagonal, level 2
  ASSERT_EQ(WSetTP(plane.data(), &g, 2, 3.0), 0);
  ASSERT_EQ(WMultTP(plane.data(), &g, 2, 2.0), 0);
  EXPECT_EQ(plane[3 * 16 + 3], 6.0);
  EXPECT_EQ(plane[3 * 16 + 4], 0.25 * 1.0);
  EXPECT_EQ(WSetTP(plane.data(), &g, 14, 0.0), -1);
  EXPECT_EQ(WSmooth(nullptr, &g, 1, nullptr), -5);
}

TEST(Services, AllocatorStreamsAndHelpers) {
  auto* block = static_cast<uint8_t*>(AllocPtr(10, 4));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::count(block, block + 40, 0), 40);
  FreePtr(block);
  EXPECT_EQ(AllocPtr(-1, 4), nullptr);
  EXPECT_EQ(DllFopen("/tmp/x", "r+"), nullptr);
  EXPECT_NE(GetKorvelDllHandle(), nullptr);
  const double two = 2.0;
  EXPECT_EQ(Multiply(1.5, &two), 3.0);
  EXPECT_EQ(TestDll(), 0);
  std::vector<double> plane = {1, 2, 3, 4};
  ASSERT_EQ(NormPic(
                plane.data(), 2, 2, 2, 1, 1,
                [](double v, intptr_t user) { return v * static_cast<double>(user); }, 3),
            0);
  EXPECT_EQ(plane, (std::vector<double>{3, 6, 9, 12}));
}

}  // namespace
}  // namespace kvfcodec::testing
