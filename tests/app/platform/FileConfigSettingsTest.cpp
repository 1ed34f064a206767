#include "platform/FileConfigSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/services/SettingsTable.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;

class FileConfigSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("quillon-settings-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(FileConfigSettingsTest, DefaultPathFollowsXdgConfigHome) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
  EXPECT_EQ(FileConfigSettings::DefaultPath(), dir_ / "Daskor" / "Korvel Quillon 3.0.conf");
  ::setenv("XDG_CONFIG_HOME", "relative/path", 1);  // not absolute: ignored
  EXPECT_NE(FileConfigSettings::DefaultPath().string().find(".config/Daskor"), std::string::npos);
  if (old)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(FileConfigSettingsTest, ValuesSurviveReopening) {
  const fs::path file = dir_ / "Daskor" / "Korvel Quillon 3.0.conf";
  {
    FileConfigSettings settings(file);
    EXPECT_EQ(Read(settings, setting::kSaveQuality), 80);
    EXPECT_EQ(Read(settings, setting::kLoadCompression), "10.0");
    ASSERT_TRUE(Write(settings, setting::kSaveQuality, 35));
    ASSERT_TRUE(Write(settings, setting::kLoadDirectory, "/home/jörg/Bilder mit Leerzeichen"));
    ASSERT_TRUE(Write(settings, setting::kHistogramOpen, 1));
  }
  ASSERT_TRUE(fs::exists(file));
  FileConfigSettings reopened(file);
  EXPECT_EQ(Read(reopened, setting::kSaveQuality), 35);
  EXPECT_EQ(Read(reopened, setting::kLoadDirectory), "/home/jörg/Bilder mit Leerzeichen");
  EXPECT_EQ(Read(reopened, setting::kHistogramOpen), 1);
  EXPECT_EQ(Read(reopened, setting::kStatisticsOpen), 0);

  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  EXPECT_NE(text.str().find("[Wavelet-Options]"), std::string::npos);
  EXPECT_NE(text.str().find("SaveQuality=35"), std::string::npos);
}

TEST_F(FileConfigSettingsTest, ANonNumberReadsAsTheDefault) {
  const fs::path file = dir_ / "settings.conf";
  fs::create_directories(dir_);
  std::ofstream(file) << "[Wavelet-Options]\nSaveQuality=lots\n";
  FileConfigSettings settings(file);
  EXPECT_EQ(Read(settings, setting::kSaveQuality), 80);
}

}  // namespace
}  // namespace quillon
