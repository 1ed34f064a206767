// Scanner import from SANE's test backend, configured through a private SANE_CONFIG_DIR:
// the scanned pictures become documents of the scanner's size and pattern, and without a
// scanner the program says that it cannot reach one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/SaneScanner.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/ScannerImport.h"

namespace quillon::test {
namespace {

// SANE reads the directory's name once per process; the files in it are read at every start.
const std::filesystem::path& SaneConfigDir() {
  static const std::filesystem::path dir = [] {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quillon-sane-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    ::setenv("SANE_CONFIG_DIR", path.c_str(), 1);
    return path;
  }();
  return dir;
}

// The test backend with one scanner of 40 x 20 mm at 25 dpi, which gives 39 x 19 pixels;
// "Grid" draws squares of 10 mm, white at the top-left.
void ConfigureScanner(const std::string& backends, const std::string& options) {
  std::ofstream(SaneConfigDir() / "dll.conf") << backends << "\n";
  std::ofstream(SaneConfigDir() / "test.conf")
      << "number_of_devices 1\ntest-picture \"Grid\"\nresolution 25.0\nbr_x 40.0\nbr_y 20.0\n"
      << options;
}

class ScannerGuiTest : public GuiTest {
 protected:
  std::size_t MessagesWith(StringId id) const {
    return std::size_t(std::count_if(ui->messages.begin(), ui->messages.end(),
                                     [&](const Message& m) { return m.id == id; }));
  }
};

TEST_F(ScannerGuiTest, ScannedFramesBecomeDocumentsOfTheScannersSizeAndPattern) {
  struct Case {
    const char* what;
    const char* options;
    int bitCount;
  };
  const Case cases[] = {
      {"grey, 8 bits", "mode Gray\ndepth 8\n", 8},
      {"line art", "mode Gray\ndepth 1\n", 8},
      {"colour in three passes of 16 bits, grey", "mode Color\ndepth 16\nthree-pass true\n", 8},
  };
  Start();
  for (const Case& c : cases) {
    ConfigureScanner("test", c.options);
    const std::size_t before = DocumentCount();
    Command(id::kTwainAcquire);
    ASSERT_EQ(DocumentCount(), before + 1) << c.what;
    auto* doc = dynamic_cast<PictureDocAdapter*>(App().DocManager()->GetCurrentDocument());
    ASSERT_NE(doc, nullptr);
    const Picture& picture = doc->Data().GetPicture();
    EXPECT_EQ(picture.GetWidth(), 39) << c.what;
    EXPECT_EQ(picture.GetHeight(), 19) << c.what;
    EXPECT_EQ(picture.GetBitCount(), c.bitCount) << c.what;
    EXPECT_EQ(doc->Data().fileSize, 39u * 19) << c.what;
    // Points well inside the squares, from the top-left.
    const auto at = [&](int x, int line) { return picture.GetPixel(x, 18 - line)[0]; };
    EXPECT_EQ(at(5, 5), 255) << c.what;
    EXPECT_EQ(at(15, 5), 0) << c.what;
    EXPECT_EQ(at(5, 15), 0) << c.what;
    EXPECT_EQ(at(15, 15), 255) << c.what;
  }
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ScannerGuiTest, WithoutScannerAcquireAndSelectSourceSayTheHardwareIsNotReady) {
  ConfigureScanner("", "");
  Start();
  Command(id::kTwainAcquire);
  Command(id::kTwainSelectSource);
  EXPECT_EQ(MessagesWith(kScannerNotReady), 2u);
  EXPECT_EQ(DocumentCount(), 0u);
  ASSERT_FALSE(ui->messages.empty());
  EXPECT_EQ(ui->messages.front().text, "TWAIN is not ready. The hardware cannot be addressed.");
}

TEST_F(ScannerGuiTest, SessionWalksTheSourceStatesAndACancelledScanLeavesTheSourceOpen) {
  ConfigureScanner("test", "mode Gray\n");
  using State = SaneScanner::State;
  SaneScanner scanner;
  EXPECT_EQ(scanner.GetState(), State::PreSession);
  ASSERT_TRUE(scanner.OpenManager());
  EXPECT_EQ(scanner.GetState(), State::ManagerOpen);
  EXPECT_FALSE(scanner.OpenSource("nonexistent:device"));
  ASSERT_TRUE(scanner.OpenSource(""));
  EXPECT_EQ(scanner.GetState(), State::SourceOpen);

  std::vector<State> seen;
  ScannedPicture cancelled;
  EXPECT_EQ(scanner.ScanPicture(cancelled,
                                [&](std::uint64_t, std::uint64_t) {
                                  seen.push_back(scanner.GetState());
                                  return false;
                                }),
            SaneScanner::ScanStatus::Cancelled);
  EXPECT_EQ(seen, std::vector<State>{State::Transferring});
  EXPECT_EQ(scanner.GetState(), State::SourceOpen);

  // The source scans again after the cancel.
  ScannedPicture picture;
  EXPECT_EQ(scanner.ScanPicture(picture, nullptr), SaneScanner::ScanStatus::Picture);
  EXPECT_EQ(picture.Lines(), 19);
  scanner.CloseManager();
  EXPECT_EQ(scanner.GetState(), State::PreSession);
}

}  // namespace
}  // namespace quillon::test
