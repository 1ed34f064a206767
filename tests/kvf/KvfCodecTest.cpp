#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "KvfCodecTestSupport.h"
#include "kvf/KvfPassword.h"

namespace kvf {
namespace {

using test::Decode;
using test::Encode;
using test::MakePhoto;

KvfEncodeSettings Settings(std::uint32_t mode, std::uint32_t levels, bool baseline) {
  KvfEncodeSettings settings;
  settings.colourMode = mode;
  settings.levels = levels;
  settings.baseline = baseline;
  return settings;
}

KvfDecodeSettings Output(std::int32_t layout) {
  KvfDecodeSettings settings;
  settings.layout = layout;
  return settings;
}

struct LayoutMode {
  std::int32_t layout;
  std::uint32_t mode;
};

// Quality 1024 without a size limit: every layout/mode pair on odd sizes, striped and
// embedded; `everyLevel` runs levels 1 to 6, else a rotating half of them.
int ExpectExactRoundTrips(std::span<const LayoutMode> pairs, bool everyLevel) {
  const std::uint32_t sizes[][2] = {{37, 41}, {101, 67}, {9, 150}};
  int cases = 0;
  for (std::size_t p = 0; p < pairs.size(); ++p) {
    const LayoutMode pair = pairs[p];
    for (const auto& size : sizes) {
      for (std::uint32_t levels = 1; levels <= 6; ++levels) {
        if (!everyLevel && (levels + p + size[0]) % 3 != 0) continue;
        for (const bool baseline : {true, false}) {
          SCOPED_TRACE(testing::Message()
                       << "layout " << pair.layout << " mode " << pair.mode << " " << size[0] << "x"
                       << size[1] << " L" << levels << (baseline ? " baseline" : " embedded"));
          const auto picture = MakePhoto(size[0], size[1], pair.layout, levels);
          const auto encoded = Encode(picture, Settings(pair.mode, levels, baseline), 5 + levels);
          EXPECT_EQ(encoded.status, KvfStatus::ok);
          EXPECT_EQ(encoded.report.qualityReached, 1024);
          const auto decoded = Decode(encoded.bytes, Output(pair.layout));
          EXPECT_EQ(decoded.status, KvfStatus::ok);
          EXPECT_EQ(decoded.report.qualityReached, 1024);
          EXPECT_TRUE(decoded.picture == picture);
          ++cases;
        }
      }
    }
  }
  return cases;
}

TEST(KvfCodec, FullQualityDecodesExactlyInTheApplicationModes) {
  const LayoutMode pairs[] = {{0, 1}, {16, 2}, {16, 6}};
  EXPECT_EQ(ExpectExactRoundTrips(pairs, true), 3 * 3 * 6 * 2);
}

TEST(KvfCodec, FullQualityDecodesExactlyInTheOtherEightBitModes) {
  const LayoutMode pairs[] = {{19, 2}, {17, 2}, {19, 6}, {17, 6}, {16, 4}, {5, 8}, {2, 5}, {3, 7}};
  EXPECT_GT(ExpectExactRoundTrips(pairs, false), 80);
}

TEST(KvfCodec, FullQualityDecodesExactlyInTheSixteenBitModes) {
  const LayoutMode pairs[] = {{32, 17}, {37, 22}, {33, 18}, {34, 19}, {35, 20}, {36, 21}};
  EXPECT_GT(ExpectExactRoundTrips(pairs, false), 60);
}

TEST(KvfCodec, ExtremeSamplesStayExact) {
  // Black and white checkerboards drive the coefficients to the edge of their range.
  for (const LayoutMode pair : {LayoutMode{16, 2}, LayoutMode{33, 18}, LayoutMode{0, 1}}) {
    auto picture = test::MakeFlat(70, 70, pair.layout, 0);
    const std::size_t pixelBytes = FindKvfPixelLayout(pair.layout)->pixelBytes;
    for (std::size_t i = 0; i < picture.bytes.size(); ++i) {
      const std::size_t x = i % picture.RowBytes() / pixelBytes;
      const std::size_t y = i / picture.RowBytes();
      if ((x + y) % 2 == 0) picture.bytes[i] = 0xFF;
    }
    const auto encoded = Encode(picture, Settings(pair.mode, 6, true));
    ASSERT_EQ(encoded.status, KvfStatus::ok);
    EXPECT_TRUE(Decode(encoded.bytes, Output(pair.layout)).picture == picture);
  }
}

TEST(KvfCodec, FlatGreyCodesEveryStripeAsNoPlanes) {
  const auto picture = test::MakeFlat(150, 200, 0, 128);
  const auto encoded = Encode(picture, Settings(1, 6, true));
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  KvfHeader header;
  std::array<std::uint32_t, 8> sizes{};
  test::MemoryReadFile file(encoded.bytes, 64);
  KvfInputStream in;
  ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
  KvfHeaderSinks sinks;
  sinks.stripeSizes = sizes;
  ASSERT_EQ(ReadKvfHeader(in, header, sinks), KvfStatus::ok);
  ASSERT_EQ(header.coding.stripeCount, 4);
  ASSERT_EQ(encoded.bytes.size(), header.headerLength + 4 * 8u);
  for (std::uint32_t s = 0; s < 4; ++s) {
    EXPECT_EQ(sizes[s], 8u);
    const std::uint8_t* stripe = encoded.bytes.data() + header.headerLength + 8 * s;
    const std::vector<std::uint8_t> bytes(stripe, stripe + 8);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  }
  EXPECT_EQ(header.quality.quality, 1024);
  const auto decoded = Decode(encoded.bytes, Output(0));
  EXPECT_EQ(decoded.report.qualityReached, 1024);
  EXPECT_TRUE(decoded.picture == picture);
}

TEST(KvfCodec, QualityLimitsCutPassesOnBothSides) {
  const auto picture = MakePhoto(160, 130, 16);
  const auto full = Encode(picture, Settings(2, 5, true));
  ASSERT_EQ(full.status, KvfStatus::ok);
  auto limited = Output(16);
  limited.qualityLimit = 512;
  const auto half = Decode(full.bytes, limited);
  ASSERT_EQ(half.status, KvfStatus::ok);
  EXPECT_EQ(half.report.qualityReached, 512);  // Q^-1(Q(512, P), P) is 512 in every stripe
  const double error = test::MeanError(half.picture, picture);
  EXPECT_GT(error, 0.5);
  EXPECT_LT(error, 40);

  KvfEncodeSettings lower = Settings(2, 5, true);
  lower.quality = 512;
  const auto small = Encode(picture, lower);
  ASSERT_EQ(small.status, KvfStatus::ok);
  EXPECT_EQ(small.report.qualityReached, 512);
  EXPECT_LT(small.bytes.size(), full.bytes.size() * 3 / 4);
  const auto decoded = Decode(small.bytes, Output(16));
  ASSERT_EQ(decoded.status, KvfStatus::ok);
  EXPECT_NEAR(test::MeanError(decoded.picture, picture), error, error / 4);
}

TEST(KvfCodec, TargetSizeIsNeverExceededAndTheFileStaysDecodable) {
  const auto picture = MakePhoto(200, 260, 16, 4);
  const auto full = Encode(picture, Settings(6, 6, true));
  ASSERT_EQ(full.status, KvfStatus::ok);
  double previousError = 1e9;
  for (const double share : {0.05, 0.2, 0.5, 0.9}) {
    KvfEncodeSettings settings = Settings(6, 6, true);
    settings.targetSize = static_cast<std::uint32_t>(full.bytes.size() * share);
    for (const bool withSeek : {true, false}) {
      SCOPED_TRACE(testing::Message() << "share " << share << (withSeek ? "" : " no seek"));
      const auto encoded = Encode(picture, settings, 64, withSeek);
      ASSERT_EQ(encoded.status, KvfStatus::ok);
      EXPECT_LE(encoded.bytes.size(), settings.targetSize);
      EXPECT_LT(encoded.report.qualityReached, 1024);
      const auto decoded = Decode(encoded.bytes, Output(16));
      ASSERT_EQ(decoded.status, KvfStatus::ok);
      if (withSeek) {
        const double error = test::MeanError(decoded.picture, picture);
        EXPECT_LT(error, previousError);
        previousError = error;
      }
    }
  }
}

TEST(KvfCodec, DecoderRefusesHeadersItCannotDecode) {
  KvfHeader header;
  header.picture = {20000, 20000, 1, KvfGeChunk::kBaselineFlag};
  header.coding.codedWidth = 24576;
  header.coding.stripeHeight = 8192;
  header.coding.levels = 13;
  header.coding.stripeCount = 3;
  KvfBufferSizes sizes{};
  EXPECT_EQ(KvfDecoder::Plan(header, Output(0), sizes), KvfStatus::levelTooHigh);
  header.coding.levels = 6;  // no longer what the picture size gives
  EXPECT_EQ(KvfDecoder::Plan(header, Output(0), sizes), KvfStatus::corruptedHeader);
  header.coding.codedWidth = 20032;
  header.coding.stripeHeight = 64;
  header.coding.stripeCount = 313;
  auto output = Output(0);
  output.width = 20000;
  output.height = 20000;
  EXPECT_EQ(KvfDecoder::Plan(header, output, sizes), KvfStatus::ok);
  output.layout = 16;  // three channels for a grey picture
  EXPECT_EQ(KvfDecoder::Plan(header, output, sizes), KvfStatus::invalidSourceFormat);
}

TEST(KvfCodec, DecoderByteBudgetLowersTheQualityWithoutError) {
  const auto picture = MakePhoto(128, 300, 0, 9);
  const auto encoded = Encode(picture, Settings(1, 6, true));
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  auto settings = Output(0);
  settings.byteBudget = static_cast<std::uint32_t>(encoded.bytes.size() / 4);
  const auto decoded = Decode(encoded.bytes, settings);
  ASSERT_EQ(decoded.status, KvfStatus::ok);
  EXPECT_LT(decoded.report.qualityReached, 1024);
  EXPECT_GT(decoded.report.qualityReached, 0);  // every stripe got its share
  EXPECT_LT(test::MeanError(decoded.picture, picture), 40);

  // Without stripe sizes the first cut stripe is the last one read; the rest stays grey.
  const auto unsized = Encode(picture, Settings(1, 6, true), 64, false);
  ASSERT_EQ(unsized.status, KvfStatus::ok);
  const auto partial = Decode(unsized.bytes, settings);
  ASSERT_EQ(partial.status, KvfStatus::ok);
  EXPECT_EQ(partial.report.qualityReached, 0);
  EXPECT_EQ(partial.picture.bytes.back(), 128);
}

// A password with the same check value as `password`: it passes the header, not the key.
std::string CheckValueTwin(const std::string& password) {
  const std::uint16_t check = KvfPasswordCheckValue(password);
  // Characters of the plain set that differ in the check value's per-character term.
  std::string letters;
  for (int ch = ' '; ch < 127; ++ch) {
    const std::string one(1, static_cast<char>(ch));
    const bool newTerm =
        std::none_of(letters.begin(), letters.end(), [&](char seen) { return seen / 3 == ch / 3; });
    if (newTerm && KvfPasswordKey(one) != KvfPasswordKey("\x01")) letters += one;
  }
  const std::size_t n = letters.size();
  for (std::size_t i = 0; i < n * n * n * n; ++i) {
    const std::string candidate = {letters[i % n], letters[i / n % n], letters[i / n / n % n],
                                   letters[i / n / n / n]};
    if (KvfPasswordCheckValue(candidate) == check && candidate != password) return candidate;
  }
  return {};
}

TEST(KvfCodec, PasswordGuardsTheQualityAboveTheFreeOne) {
  const auto picture = MakePhoto(120, 140, 16, 2);
  const std::string password = "Open Sesame!";
  const std::string twin = CheckValueTwin(password);
  ASSERT_FALSE(twin.empty());
  // The key lands in the plane loop (free quality 300) or in the raw stage (1000).
  for (const std::uint16_t freeQuality : {300, 1000}) {
    SCOPED_TRACE(freeQuality);
    KvfEncodeSettings settings = Settings(2, 5, true);
    settings.password = password;
    settings.freeQuality = freeQuality;
    const auto encoded = Encode(picture, settings);
    ASSERT_EQ(encoded.status, KvfStatus::ok);

    const auto free = Decode(encoded.bytes, Output(16));
    ASSERT_EQ(free.status, KvfStatus::ok);
    EXPECT_LE(free.report.qualityReached, freeQuality);
    EXPECT_GT(test::MeanError(free.picture, picture), 0.01);

    auto right = Output(16);
    right.password = password;
    const auto opened = Decode(encoded.bytes, right);
    ASSERT_EQ(opened.status, KvfStatus::ok);
    EXPECT_TRUE(opened.picture == picture);
    right.password = {};
    right.key = KvfPasswordKey(password);
    EXPECT_TRUE(Decode(encoded.bytes, right).picture == picture);

    auto wrong = Output(16);
    wrong.password = "open sesame!";
    EXPECT_EQ(Decode(encoded.bytes, wrong).status, KvfStatus::wrongPassword);
    wrong.password = twin;
    EXPECT_EQ(Decode(encoded.bytes, wrong).status, KvfStatus::wrongPassword);
  }
}

TEST(KvfCodec, PasswordValuesAreFixedByTheFormat) {
  // Files written by earlier builds depend on these exact values.
  EXPECT_EQ(KvfPasswordKey("Open Sesame!"), KvfPasswordKey(std::string("Open Sesame!\0tail", 17)));
  EXPECT_EQ(KvfPasswordKey(std::string(40, 'x')), KvfPasswordKey(std::string(32, 'x')));
  EXPECT_NE(KvfPasswordKey("abc"), KvfPasswordKey("abd"));
  EXPECT_EQ(KvfPasswordKey("\xE4"), KvfPasswordKey("\xF6"));  // both outside the plain set
  EXPECT_NE(KvfPasswordKey(""), 0u);
  EXPECT_NE(KvfPasswordCheckValue(""), 0u);
  EXPECT_EQ(KvfPasswordKey("Quillon"), 0x52D16FCu);
  EXPECT_EQ(KvfPasswordCheckValue("Quillon"), 0x9AE6u);
}

TEST(KvfCodec, RegionsAreCodedAtHigherQuality) {
  const auto picture = MakePhoto(256, 192, 0, 6);
  const KvfRegion region{0, 0, 127, 191};
  KvfEncodeSettings settings = Settings(1, 5, true);
  settings.regions = std::span(&region, 1);
  settings.regionWeight = 3;
  settings.quality = 600;
  const auto encoded = Encode(picture, settings);
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  const auto decoded = Decode(encoded.bytes, Output(0));
  ASSERT_EQ(decoded.status, KvfStatus::ok);
  const double inside = test::MeanError(decoded.picture, picture, 0, 128, true);
  const double outside = test::MeanError(decoded.picture, picture, 0, 128, false);
  EXPECT_LT(inside * 2, outside);

  settings.quality = 1024;
  const auto lossless = Encode(picture, settings);
  EXPECT_TRUE(Decode(lossless.bytes, Output(0)).picture == picture);
}

TEST(KvfCodec, CutFilesDecodeToTheQualityTheyHold) {
  const auto picture = MakePhoto(100, 200, 16, 8);
  for (const bool baseline : {true, false}) {
    const auto encoded = Encode(picture, Settings(2, 4, baseline));
    ASSERT_EQ(encoded.status, KvfStatus::ok);
    for (const double share : {0.3, 0.7, 0.99}) {
      auto cut = encoded.bytes;
      cut.resize(static_cast<std::size_t>(cut.size() * share));
      const auto decoded = Decode(cut, Output(16));
      ASSERT_EQ(decoded.status, KvfStatus::ok) << share;
      EXPECT_LT(decoded.report.qualityReached, 1024);
    }
  }
}

TEST(KvfCodec, DamagedDataNeverBreaksTheDecoder) {
  const auto picture = MakePhoto(90, 140, 16, 5);
  KvfEncodeSettings settings = Settings(2, 4, true);
  settings.password = "pw";
  settings.freeQuality = 500;
  const auto encoded = Encode(picture, settings);
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  KvfHeader header;
  test::MemoryReadFile file(encoded.bytes, 4096);
  KvfInputStream in;
  ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
  ASSERT_EQ(ReadKvfHeader(in, header, {}), KvfStatus::ok);
  std::mt19937 random(11);
  int failures = 0;
  for (int trial = 0; trial < 60; ++trial) {
    auto damaged = encoded.bytes;
    for (int flips = 0; flips < 1 + trial % 5; ++flips) {
      const std::size_t at =
          header.headerLength + random() % (damaged.size() - header.headerLength);
      damaged[at] = static_cast<std::uint8_t>(random());
    }
    auto output = Output(16);
    output.password = trial % 2 == 0 ? "pw" : "";
    const KvfStatus status = Decode(damaged, output).status;
    EXPECT_TRUE(status == KvfStatus::ok || status == KvfStatus::corruptedFile ||
                status == KvfStatus::wrongPassword)
        << static_cast<int>(status);
    failures += status != KvfStatus::ok;
  }
  EXPECT_GT(failures, 0);  // the end words and stripe sizes do catch some damage
}

TEST(KvfCodec, ScaledOutputIsTheLowPassPicture) {
  auto picture = test::MakeFlat(200, 120, 0, 0);
  for (std::size_t i = 0; i < picture.bytes.size(); ++i) {
    const double x = static_cast<double>(i % 200);
    const double y = static_cast<double>(i / 200);
    picture.bytes[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(x / 15) * std::cos(y / 11));
  }
  const auto encoded = Encode(picture, Settings(1, 5, true));
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  for (const std::uint32_t factor : {2u, 4u}) {
    auto settings = Output(0);
    settings.width = 200 / factor;
    settings.height = 120 / factor;
    const auto decoded = Decode(encoded.bytes, settings);
    ASSERT_EQ(decoded.status, KvfStatus::ok);
    double error = 0;
    for (std::uint32_t y = 0; y < settings.height; ++y) {
      for (std::uint32_t x = 0; x < settings.width; ++x) {
        double sum = 0;
        for (std::uint32_t dy = 0; dy < factor; ++dy) {
          for (std::uint32_t dx = 0; dx < factor; ++dx) {
            sum += picture.bytes[(y * factor + dy) * 200 + x * factor + dx];
          }
        }
        error += std::abs(sum / (factor * factor) - decoded.picture.bytes[y * settings.width + x]);
      }
    }
    EXPECT_LT(error / (settings.width * settings.height), 12) << factor;
  }
  for (const auto& size : {std::array<std::uint32_t, 2>{150, 90}, {100, 50}, {0, 60}}) {
    auto settings = Output(0);
    settings.width = size[0] == 0 ? 1000 : size[0];
    settings.height = size[1];
    EXPECT_EQ(Decode(encoded.bytes, settings).status, KvfStatus::invalidImageSize);
  }
}

TEST(KvfCodec, RowWindowsGiveTheSameRowsAsOneCall) {
  const auto picture = MakePhoto(77, 150, 16, 13);
  const auto encoded = Encode(picture, Settings(6, 3, true));
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  KvfHeader header;
  {
    test::MemoryReadFile file(encoded.bytes, 100);
    KvfInputStream in;
    ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
    ASSERT_EQ(ReadKvfHeader(in, header, {}), KvfStatus::ok);
  }
  auto settings = Output(16);
  settings.width = 77;
  settings.height = 150;
  KvfBufferSizes sizes{};
  ASSERT_EQ(KvfDecoder::Plan(header, settings, sizes), KvfStatus::ok);
  test::WorkBuffers buffers(sizes);
  test::MemoryReadFile file(encoded.bytes, 100);  // a small buffer: many refills
  ASSERT_EQ(KvfDecoder::Start(settings, buffers.View(), file.Source()), KvfStatus::ok);
  std::vector<std::uint8_t> rows(picture.bytes.size(), 0);
  KvfDecodeReport report;
  for (std::uint32_t first = 0; first < 150; first += 7) {
    const std::uint32_t end = std::min(first + 7, 150u);
    const KvfOutputRows out{rows.data() + first * picture.RowBytes(),
                            static_cast<std::ptrdiff_t>(picture.RowBytes())};
    ASSERT_EQ(KvfDecoder::DecodeRows(buffers.View(), first, end, out, report), KvfStatus::ok);
  }
  EXPECT_EQ(rows, picture.bytes);
  const KvfOutputRows out{rows.data(), 0};
  EXPECT_EQ(KvfDecoder::DecodeRows(buffers.View(), 3, 5, out, report),
            KvfStatus::invalidImageSize);  // windows only move forward
}

TEST(KvfCodec, PrivateDataTravelsWithThePicture) {
  const auto picture = MakePhoto(30, 20, 0);
  std::vector<std::uint8_t> data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  KvfEncodeSettings settings = Settings(1, 2, true);
  settings.privateData = data;
  for (const bool withSeek : {true, false}) {
    const auto encoded = Encode(picture, settings, 0, withSeek);
    ASSERT_EQ(encoded.status, KvfStatus::ok);
    KvfHeader header;
    test::MemoryReadFile file(encoded.bytes, 512);
    KvfInputStream in;
    ASSERT_EQ(in.Open(file.Source()), KvfStatus::ok);
    ASSERT_EQ(ReadKvfHeader(in, header, {}), KvfStatus::ok);
    auto output = Output(0);
    output.width = 30;
    output.height = 20;
    std::vector<std::uint8_t> received(data.size());
    output.privateData = received;
    KvfBufferSizes sizes{};
    ASSERT_EQ(KvfDecoder::Plan(header, output, sizes), KvfStatus::ok);
    test::WorkBuffers buffers(sizes);
    EXPECT_EQ(KvfDecoder::Header(buffers.View()), nullptr);
    test::MemoryReadFile again(encoded.bytes, 512);
    ASSERT_EQ(KvfDecoder::Start(output, buffers.View(), again.Source()), KvfStatus::ok);
    const KvfHeader* read = KvfDecoder::Header(buffers.View());
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(read->privateCopied);
    EXPECT_EQ(read->privateLength, data.size());
    EXPECT_EQ(received, data);
    std::vector<std::uint8_t> rows(picture.bytes.size());
    KvfDecodeReport report;
    ASSERT_EQ(KvfDecoder::DecodeRows(buffers.View(), 0, 20, {rows.data(), 30}, report),
              KvfStatus::ok);
    EXPECT_EQ(rows, picture.bytes);
  }
}

TEST(KvfCodec, SixteenBitPicturesDecodeIntoEightBitLayouts) {
  const auto picture = MakePhoto(40, 50, 33, 14);
  const auto encoded = Encode(picture, Settings(18, 3, true));
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  const auto decoded = Decode(encoded.bytes, Output(16));
  ASSERT_EQ(decoded.status, KvfStatus::ok);
  for (std::size_t i = 0; i < decoded.picture.bytes.size(); ++i) {
    std::uint16_t sample = 0;
    std::memcpy(&sample, picture.bytes.data() + 2 * i, 2);
    ASSERT_EQ(decoded.picture.bytes[i], sample >> 8) << i;
  }
  EXPECT_EQ(Decode(encoded.bytes, Output(0)).status, KvfStatus::invalidSourceFormat);
}

TEST(KvfCodec, EncoderRefusesSettingsItCannotCode) {
  const auto grey = MakePhoto(20, 20, 0);
  EXPECT_EQ(Encode(grey, Settings(2, 3, true)).status, KvfStatus::invalidColourSpace);
  EXPECT_EQ(Encode(MakePhoto(20, 20, 5), Settings(2, 3, true)).status,
            KvfStatus::invalidColourSpace);
  KvfEncodeSettings settings = Settings(1, 3, true);
  settings.maxValue = 256;
  EXPECT_EQ(Encode(grey, settings).status, KvfStatus::invalidSourceFormat);
  EXPECT_EQ(Encode(grey, Settings(1, 0, true)).status, KvfStatus::invalidCoderParameters);
  EXPECT_EQ(Encode(grey, Settings(1, 13, true)).status, KvfStatus::levelTooHigh);
  auto unknown = grey;
  unknown.layout = 4;
  EXPECT_EQ(Encode(unknown, Settings(1, 3, true)).status, KvfStatus::invalidSourceFormat);
}

TEST(KvfCodec, FailingFlushIsReported) {
  const auto picture = MakePhoto(64, 64, 0);
  KvfEncodeSettings settings = Settings(1, 3, true);
  settings.width = 64;
  settings.height = 64;
  KvfBufferSizes sizes{};
  ASSERT_EQ(KvfEncoder::Plan(settings, sizes), KvfStatus::ok);
  test::WorkBuffers buffers(sizes);
  test::MemoryWriteFile file(64);
  file.failFlush = true;
  KvfStatus status = KvfEncoder::Start(settings, buffers.View(), file.Target());
  KvfEncodeReport report;
  if (status == KvfStatus::ok) {
    status = KvfEncoder::EncodeRows(buffers.View(), {picture.bytes.data(), 64, 64}, true, report);
  }
  EXPECT_EQ(status, KvfStatus::flushFailed);
}

}  // namespace
}  // namespace kvf

namespace kvf {
namespace {

std::vector<std::int32_t> reported;
void Record(std::int32_t percent) {
  reported.push_back(percent);
}

TEST(KvfCodec, ProgressRisesPlaneByPlaneToTheEnd) {
  const auto picture = MakePhoto(64, 200, 0, 3);
  KvfEncodeSettings settings = Settings(1, 4, true);
  settings.progress = &Record;
  reported.clear();
  const auto encoded = Encode(picture, settings);
  ASSERT_EQ(encoded.status, KvfStatus::ok);
  const std::size_t encodeReports = reported.size();
  auto output = Output(0);
  output.progress = &Record;
  const auto decoded = Decode(encoded.bytes, output);
  ASSERT_EQ(decoded.status, KvfStatus::ok);
  ASSERT_GT(encodeReports, 13u * 4);  // 13 stripes, several planes each
  for (const auto& run :
       {std::vector<std::int32_t>(reported.begin(), reported.begin() + encodeReports),
        std::vector<std::int32_t>(reported.begin() + encodeReports, reported.end())}) {
    ASSERT_FALSE(run.empty());
    EXPECT_TRUE(std::is_sorted(run.begin(), run.end()));
    EXPECT_EQ(run.back(), 100);
    EXPECT_GE(run.front(), 0);
  }
}

}  // namespace
}  // namespace kvf

namespace kvf {
namespace {

std::uint64_t Fingerprint(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 0x100000001B3ull;
  return hash;
}

// Files already written must stay readable: any change to the coded bytes of these pictures
// changes the format and needs a new version number, not a new fingerprint.
TEST(KvfCodec, CodedBytesStayTheSameFromBuildToBuild) {
  KvfEncodeSettings lossless = Settings(2, 3, true);
  KvfEncodeSettings guarded = Settings(6, 2, false);
  guarded.quality = 700;
  guarded.password = "Quillon";
  guarded.freeQuality = 400;
  const KvfRegion region{3, 4, 10, 8};
  guarded.regions = std::span(&region, 1);
  guarded.regionWeight = 2;
  const auto first = Encode(MakePhoto(45, 37, 16, 21), lossless);
  const auto second = Encode(MakePhoto(30, 26, 19, 22), guarded);
  ASSERT_EQ(first.status, KvfStatus::ok);
  ASSERT_EQ(second.status, KvfStatus::ok);
  EXPECT_EQ(Fingerprint(first.bytes), 9848922159982819058ull) << first.bytes.size();
  EXPECT_EQ(Fingerprint(second.bytes), 9943651538472969286ull) << second.bytes.size();
}

}  // namespace
}  // namespace kvf
