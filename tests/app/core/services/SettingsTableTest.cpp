#include "core/services/SettingsTable.h"

#include <gtest/gtest.h>

#include "core/services/MemorySettings.h"

namespace quillon {
namespace {

TEST(SettingsTable, DefaultsWhenNothingIsStored) {
  MemorySettings store;
  using namespace setting;
  EXPECT_EQ(Read(store, kHide256ColorWarning), 0);
  EXPECT_EQ(Read(store, kHistogramOpen), 0);
  EXPECT_EQ(Read(store, kStatisticsOpen), 0);
  EXPECT_EQ(Read(store, kCenterImage), 1);
  EXPECT_EQ(Read(store, kFitToPage), 1);
  EXPECT_EQ(Read(store, kFull), 1);
  EXPECT_EQ(Read(store, kPositionX), "0.00");
  EXPECT_EQ(Read(store, kPositionY), "0.00");
  EXPECT_EQ(Read(store, kPrintSize), 100);
  EXPECT_EQ(Read(store, kPrintUnit), 0);
  EXPECT_EQ(Read(store, kLoadDirectory), "");
  EXPECT_EQ(Read(store, kPreview), 0);
  EXPECT_EQ(Read(store, kLoadType), 1);
  EXPECT_EQ(Read(store, kLoadOption), 0);
  EXPECT_EQ(Read(store, kLoadQuality), 80);
  EXPECT_EQ(Read(store, kLoadCompression), "10.0");
  EXPECT_EQ(Read(store, kLoadSize), "10.0");
  EXPECT_EQ(Read(store, kSaveType), 2);
  EXPECT_EQ(Read(store, kShowWarnings), 1);
  EXPECT_EQ(Read(store, kSavePxmType), 0);
  EXPECT_EQ(Read(store, kSaveTiffCompression), 0);
  EXPECT_EQ(Read(store, kSaveOption), 0);
  EXPECT_EQ(Read(store, kSaveQuality), 80);
  EXPECT_EQ(Read(store, kScanMode), 0);
  EXPECT_EQ(Read(store, kSaveFreeQuality), 512);
  EXPECT_EQ(Read(store, kSaveSize), "10.0");
  EXPECT_EQ(Read(store, kSaveCompression), "10.0");
  EXPECT_EQ(Read(store, kJpgQuality), 80);
  EXPECT_EQ(Read(store, kProgression), 0);
}

TEST(SettingsTable, EntriesAreStoredUnderTheirSectionAndName) {
  MemorySettings store;
  ASSERT_TRUE(Write(store, setting::kLoadSize, "25.5"));
  ASSERT_TRUE(Write(store, setting::kSaveFreeQuality, 300));
  EXPECT_TRUE(store.Contains("Wavelet-Options", "LoadSize2"));
  EXPECT_EQ(store.GetProfileInt("Wavelet-Options", "SaveFreeQuality", 0), 300);
  EXPECT_EQ(Read(store, setting::kLoadSize), "25.5");
  // Same entry name in another section is another setting.
  EXPECT_EQ(store.GetProfileInt("Filedialog-Options", "SaveFreeQuality", -1), -1);
  EXPECT_EQ(store.GetProfileInt(setting::kWindow, setting::kHistogramPosition.entryX, 42), 42);
}

}  // namespace
}  // namespace quillon
