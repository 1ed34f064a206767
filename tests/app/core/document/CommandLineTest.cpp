#include "core/document/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/display/ErrorLimitTable.h"
#include "support/TempDir.h"

namespace quillon {
namespace {

TEST(CommandLine, QualityTakesTheOpenDialogsScaleAndIsClampedAbove100) {
  const CommandLineOptions line = ParseCommandLine({"/Q20", "picture.jp2"});
  EXPECT_EQ(line.quality, 20) << "not the legacy KVF scale's 15";
  EXPECT_TRUE(line.notices.empty());
  EXPECT_EQ(line.files, std::vector<std::string>{"picture.jp2"});
  EXPECT_FALSE(line.showSplash) << "started with a file: no splash";

  const CommandLineOptions high = ParseCommandLine({"-q250"});
  EXPECT_EQ(high.quality, 100);
  ASSERT_EQ(high.notices.size(), 1u);
  EXPECT_EQ(
      high.notices[0],
      "Eine Qualit\u00e4t gr\u00f6\u00dfer als 100 ist nicht m\u00f6glich. Ich stelle 100 ein.\n");
  EXPECT_EQ(
      QualityClampNotice(15),
      "Eine Qualit\u00e4t gr\u00f6\u00dfer als 15 ist nicht m\u00f6glich. Ich stelle 15 ein.\n");
}

TEST(CommandLine, RatesAreClampedAndSwitchesIgnoreCase) {
  const CommandLineOptions high = ParseCommandLine({"-c2000"});
  EXPECT_EQ(high.compressionRate, 1000.0);
  ASSERT_EQ(high.notices.size(), 1u);
  EXPECT_EQ(high.notices[0],
            "Kompressionsraten gr\u00f6\u00dfer als 1000.000000 werden nicht unterst\u00fctzt !\n");
  EXPECT_TRUE(high.showSplash);

  EXPECT_EQ(ParseCommandLine({"/c0.5"}).compressionRate, 0.5);  // applied only from 1.0 on
  EXPECT_EQ(ParseCommandLine({"/Compression=12.5"}).compressionRate, 12.5);
  EXPECT_EQ(ParseCommandLine({"/Q-3"}).quality, -3);
  EXPECT_EQ(ParseCommandLine({"/Q"}).quality, 0);
  EXPECT_TRUE(ParseCommandLine({"/Q7"}).notices.empty());
}

TEST(CommandLine, AbsolutePathsAreFilesNotSwitches) {
  const CommandLineOptions line = ParseCommandLine({"/tmp/pictures/a.bmp", "/Q5", "/c3"});
  EXPECT_EQ(line.files, std::vector<std::string>{"/tmp/pictures/a.bmp"});
  EXPECT_EQ(line.quality, 5);
  EXPECT_EQ(line.compressionRate, 3.0);
}

TEST(CommandLine, OtherArgumentsAreFilesAndHelpIsRecognised) {
  const CommandLineOptions line = ParseCommandLine({"a.bmp", "b.kvf", "--help"});
  EXPECT_EQ(line.files, (std::vector<std::string>{"a.bmp", "b.kvf"}));
  EXPECT_TRUE(line.showHelp);
  EXPECT_TRUE(line.unknownOptions.empty());
  EXPECT_NE(CommandLineUsage().find("quillon-convert"), std::string::npos);
}

TEST(CommandLine, UnknownSwitchesAreCollectedButExistingFilesStayFiles) {
  test::TempDir dir;
  const std::string dashed = (dir.path() / "-bogus.bmp").string();
  std::ofstream(dashed) << "BM";
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const CommandLineOptions line = ParseCommandLine({"--bogus", "/X", "-bogus.bmp", "-Q5"});
  std::filesystem::current_path(previous);
  EXPECT_EQ(line.unknownOptions, (std::vector<std::string>{"--bogus", "/X"}));
  EXPECT_EQ(line.files, std::vector<std::string>{"-bogus.bmp"});
  EXPECT_EQ(line.quality, 5);
}

TEST(ErrorLimitTable, SlopesAndOddSymmetry) {
  const ErrorLimitTable t = BuildErrorLimitTable();
  EXPECT_EQ(t[256], 0);
  EXPECT_EQ(t[256 + 64], 64);
  EXPECT_EQ(t[256 + 65], 65);
  EXPECT_EQ(t[256 + 66], 66);
  EXPECT_EQ(t[256 + 67], 66);
  EXPECT_EQ(t[256 + 68], 67);
  EXPECT_EQ(t[256 + 126], 96);
  EXPECT_EQ(t[256 + 127], 96);
  EXPECT_EQ(t[256 + 128], 97);
  EXPECT_EQ(t[256 + 255], 97);
  for (int k = 1; k <= 255; ++k) EXPECT_EQ(t[256 - k], -t[256 + k]) << k;
}

}  // namespace
}  // namespace quillon
