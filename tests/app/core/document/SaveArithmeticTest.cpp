// The numbers the save options become, the options' round trip through the settings, and
// the type of a path's extension.
#include <gtest/gtest.h>

#include <limits>

#include "core/document/SaveArithmetic.h"
#include "core/pipelines/SavePipeline.h"
#include "core/services/MemorySettings.h"
#include "core/services/SettingsTable.h"

namespace quillon {
namespace {

SaveOptions WithOption(SaveOption option) {
  SaveOptions options;
  options.option = option;
  return options;
}

TEST(SaveArithmetic, Jp2TargetSizeFollowsTheOptionAndNeverFallsBelow1024) {
  const std::uint64_t raw = 100 * 100 * 3;
  SaveOptions options = WithOption(SaveOption::Quality);
  options.quality = 80;
  EXPECT_EQ(Jp2TargetSize(options, raw), 1024u);  // 30000 / 101 = 297, raised
  EXPECT_EQ(Jp2TargetSize(options, 1000 * 1000 * 3), 3000000u / 101);
  options.quality = 100;
  EXPECT_EQ(Jp2TargetSize(options, 1000 * 1000 * 3), 3000000u);
  options.quality = 0;  // taken as 1
  EXPECT_EQ(Jp2TargetSize(options, 1000 * 1000 * 3), 3000000u / 496);

  options = WithOption(SaveOption::CompressionRate);
  options.rate = 20.0;
  EXPECT_EQ(Jp2TargetSize(options, 3000000), 150000u);
  options.rate = 0.0;  // not a rate: no division
  EXPECT_EQ(Jp2TargetSize(options, 3000000), 3000000u);
  options.rate = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(Jp2TargetSize(options, 3000000), 3000000u);

  options = WithOption(SaveOption::FileSize);
  options.sizeKb = 12.5;
  EXPECT_EQ(Jp2TargetSize(options, 3000000), 12800u);
  options.sizeKb = -4.0;
  EXPECT_EQ(Jp2TargetSize(options, 3000000), 1024u);
  options.sizeKb = 1e300;
  EXPECT_GT(*Jp2TargetSize(options, 3000000), 1000000000000u);

  EXPECT_FALSE(Jp2TargetSize(WithOption(SaveOption::Lossless), raw).has_value());
}

TEST(SaveArithmetic, Jp2LevelsGrowWithTheLargerSide) {
  EXPECT_EQ(Jp2LevelsForSize(100, 100), 1);
  EXPECT_EQ(Jp2LevelsForSize(127, 20), 1);
  EXPECT_EQ(Jp2LevelsForSize(20, 128), 2);
  EXPECT_EQ(Jp2LevelsForSize(511, 300), 3);
  EXPECT_EQ(Jp2LevelsForSize(1000, 1000), 4);
  EXPECT_EQ(Jp2LevelsForSize(1023, 1023), 4);
  EXPECT_EQ(Jp2LevelsForSize(2000, 1000), 5);
  EXPECT_EQ(Jp2LevelsForSize(1, 1024), 5);
}

TEST(SaveArithmetic, RegionsBecomeThousandthsOfThePicture) {
  EXPECT_EQ(ToThousandths({25, 25, 50, 50}, 100, 200), (RegionThousandths{250, 125, 500, 250}));
  EXPECT_EQ(ToThousandths({1, 2, 1, 1}, 3, 3), (RegionThousandths{333, 666, 333, 333}));
  // Damaged regions give nothing outside 0..1000 and no overflow.
  EXPECT_EQ(ToThousandths({-5, 50, -1, 32767}, 100, 100), (RegionThousandths{0, 500, 0, 1000}));
  EXPECT_EQ(ToThousandths({INT32_MAX, 0, 10, 10}, 100, 0), (RegionThousandths{1000, 0, 100, 0}));
}

TEST(SaveArithmetic, KvfQualityTargetAndExpectedSize) {
  SaveOptions options = WithOption(SaveOption::Quality);
  options.quality = 80;
  EXPECT_EQ(KvfQuality(options), 819);
  EXPECT_EQ(KvfTargetSize(options, 30000), 0u);
  EXPECT_EQ(KvfExpectedSize(options, 30000), 60000u);
  EXPECT_EQ(KvfQuality(WithOption(SaveOption::Lossless)), 1024);
  EXPECT_EQ(KvfExpectedSize(WithOption(SaveOption::Lossless), 30000), 60000u);

  options = WithOption(SaveOption::CompressionRate);
  options.rate = 10.0;
  EXPECT_EQ(KvfQuality(options), 1024);
  EXPECT_EQ(KvfTargetSize(options, 30000), 3000u);
  EXPECT_EQ(KvfExpectedSize(options, 30000), 3000u);

  options = WithOption(SaveOption::FileSize);
  options.sizeKb = 2.0;
  EXPECT_EQ(KvfTargetSize(options, 30000), 2048u);
  EXPECT_EQ(KvfExpectedSize(options, 30000), 2048u);
  options.sizeKb = 100.0;  // more than the file can need
  EXPECT_EQ(KvfExpectedSize(options, 30000), 60000u);
}

TEST(SaveArithmetic, KvfLimitIs4096By4096Pixels) {
  EXPECT_FALSE(ExceedsKvfLimit(4096, 4096));
  EXPECT_FALSE(ExceedsKvfLimit(16777216, 1));
  EXPECT_TRUE(ExceedsKvfLimit(4097, 4096));
  EXPECT_TRUE(ExceedsKvfLimit(INT32_MAX, INT32_MAX));
}

TEST(SaveOptionsSettings, StoredOptionsLoadBackAndDecimalsStayText) {
  MemorySettings settings;
  SaveOptions stored;
  stored.type = PictureFormat::Kvf;
  stored.option = SaveOption::FileSize;
  stored.quality = 37;
  stored.rate = 12.25;
  stored.sizeKb = 40.0;
  stored.scanMode = ScanMode::Baseline;
  stored.freeQuality = 256;
  stored.progression = SortedBy::Position;
  stored.pnmCoding = PnmCoding::Plain;
  stored.tiffCompression = TiffCompression::PackBits;
  stored.jpegQuality = 95;
  stored.showWarnings = false;
  StoreSaveOptions(stored, settings);
  EXPECT_EQ(Read(settings, setting::kSaveCompression), "12.25");
  EXPECT_EQ(Read(settings, setting::kSaveSize), "40.0");

  const SaveOptions loaded = LoadSaveOptions(settings);
  EXPECT_EQ(loaded.type, PictureFormat::Kvf);
  EXPECT_EQ(loaded.option, SaveOption::FileSize);
  EXPECT_EQ(loaded.quality, 37);
  EXPECT_DOUBLE_EQ(loaded.rate, 12.25);
  EXPECT_DOUBLE_EQ(loaded.sizeKb, 40.0);
  EXPECT_EQ(loaded.scanMode, ScanMode::Baseline);
  EXPECT_EQ(loaded.freeQuality, 256);
  EXPECT_EQ(loaded.progression, SortedBy::Position);
  EXPECT_EQ(loaded.pnmCoding, PnmCoding::Plain);
  EXPECT_EQ(loaded.tiffCompression, TiffCompression::PackBits);
  EXPECT_EQ(loaded.jpegQuality, 95);
  EXPECT_FALSE(loaded.showWarnings);
}

TEST(SaveOptionsSettings, ValuesOutOfRangeFallBackToTheDefaults) {
  MemorySettings settings;
  (void)Write(settings, setting::kSaveType, 10);
  (void)Write(settings, setting::kSaveOption, -1);
  (void)Write(settings, setting::kSaveQuality, 101);
  (void)Write(settings, setting::kSaveCompression, "fast");
  (void)Write(settings, setting::kSaveSize, "-3.0");
  (void)Write(settings, setting::kScanMode, 2);
  (void)Write(settings, setting::kSaveFreeQuality, 1025);
  (void)Write(settings, setting::kProgression, 4);
  (void)Write(settings, setting::kJpgQuality, 0);
  (void)Write(settings, setting::kSavePngCompression, 10);
  const SaveOptions options = LoadSaveOptions(settings);
  const SaveOptions defaults;
  EXPECT_EQ(options.type, defaults.type);
  EXPECT_EQ(options.option, defaults.option);
  EXPECT_EQ(options.quality, defaults.quality);
  EXPECT_DOUBLE_EQ(options.rate, defaults.rate);
  EXPECT_DOUBLE_EQ(options.sizeKb, defaults.sizeKb);
  EXPECT_EQ(options.scanMode, defaults.scanMode);
  EXPECT_EQ(options.freeQuality, defaults.freeQuality);
  EXPECT_EQ(options.progression, defaults.progression);
  EXPECT_EQ(options.jpegQuality, defaults.jpegQuality);
  EXPECT_EQ(options.pngCompression, defaults.pngCompression);

  (void)Write(settings, setting::kSaveCompression, " 7.5 ");
  EXPECT_DOUBLE_EQ(LoadSaveOptions(settings).rate, 7.5);
  (void)Write(settings, setting::kSaveCompression, "7,5");  // a comma is not a decimal point here
  EXPECT_DOUBLE_EQ(LoadSaveOptions(settings).rate, 10.0);
}

TEST(SaveFormatOfPath, ExtensionsMapToTheirTypesWhateverTheCase) {
  EXPECT_EQ(SaveFormatOfPath("a/b.jp2"), PictureFormat::Jpeg2000);
  EXPECT_EQ(SaveFormatOfPath("b.KVF"), PictureFormat::Kvf);
  EXPECT_EQ(SaveFormatOfPath("b.Bmp"), PictureFormat::Bmp);
  EXPECT_EQ(SaveFormatOfPath("b.ppm"), PictureFormat::Ppm);
  EXPECT_EQ(SaveFormatOfPath("b.pgm"), PictureFormat::Pgm);
  EXPECT_EQ(SaveFormatOfPath("dir.jpg/b.tif"), PictureFormat::Tiff);
  EXPECT_EQ(SaveFormatOfPath("b.JPG"), PictureFormat::Jpeg);
  EXPECT_EQ(SaveFormatOfPath("b.Png"), PictureFormat::Png);
  for (const char* other : {"b.jpeg", "b.tiff", "b", "b.", ".jp2", "b.p2.", "b.2.kv", "b.jp"}) {
    EXPECT_EQ(SaveFormatOfPath(other), PictureFormat::Unknown) << other;
  }
}

}  // namespace
}  // namespace quillon
