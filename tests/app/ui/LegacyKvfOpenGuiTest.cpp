// KVF files of versions 0 and 1 in the program: opened from the command line with the legacy
// library's own pixels, a quality above the library's 15 said once and decoded at 15, and
// the open dialog's version, filter, ratio, quality range and its small preview decode.
#include <gtest/gtest.h>

#include <cstring>

#include <wx/frame.h>
#include <wx/stattext.h>

#include "core/document/CommandLine.h"
#include "core/document/DocumentTitle.h"
#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "support/LegacyKvfFixture.h"
#include "ui/OpenDialog.h"
#include "ui/OpenDialogPanel.h"
#include "ui/PictureDocAdapter.h"

namespace quillon::test {
namespace {

class LegacyKvfOpenGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    grey_ = WriteLegacyKvf(dir.path() / "grey-v0.kvf", 90, 70, 1, 0, 0, true);
    colour_ = WriteLegacyKvf(dir.path() / "colour-v1.kvf", 77, 64, 3, 8, 6000);
  }

  // The pictures opened, in the order of the command line.
  std::vector<std::vector<std::uint8_t>> OpenedPictures() {
    std::vector<std::vector<std::uint8_t>> pictures;
    for (wxDocument* document : App().DocManager()->GetDocumentsVector()) {
      auto* adapter = dynamic_cast<PictureDocAdapter*>(document);
      if (adapter) pictures.push_back(TopDownSamples(adapter->Data().GetPicture()));
    }
    return pictures;
  }

  LegacyKvfFile grey_, colour_;
};

TEST_F(LegacyKvfOpenGuiTest, CommandLineQualitiesOnTheLibrarysScale) {
  const std::string notice = QualityClampNotice(15);
  const struct {
    const char* quality;  // the switch; empty: none
    int planeLimit;       // what the library decodes
    bool noticed;
  } cases[] = {{"", 0, false}, {"/Q40", 15, true}, {"-q3", 3, false}, {"/Q15", 15, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.quality);
    std::vector<std::string> arguments = {grey_.path.string(), colour_.path.string()};
    if (*c.quality) arguments.insert(arguments.begin(), c.quality);
    ::testing::internal::CaptureStdout();
    Start(arguments);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, c.noticed ? notice : "") << "said once for both files";
    const auto pictures = OpenedPictures();
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0], LegacyLibraryPixels(grey_, c.planeLimit));
    EXPECT_EQ(pictures[1], LegacyLibraryPixels(colour_, c.planeLimit));
    if (c.planeLimit == 3) {
      EXPECT_NE(pictures[1], LegacyLibraryPixels(colour_));
    }
    EXPECT_TRUE(ui->messages.empty());
    Stop();
  }
  // Other files keep the scale of 100.
  const auto bmp = WriteGradientBmp(dir.path() / "g.bmp");
  ::testing::internal::CaptureStdout();
  Start({"/Q40", bmp.string()});
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(LegacyKvfOpenGuiTest, OpenDialogShowsVersionFilterRatioAndRange) {
  Start();
  auto* host = new wxFrame(nullptr, wxID_ANY, "host");
  auto* panel = new OpenDialogPanel(host, App().FileOpenDialog());
  host->Show();
  const auto range = [&] { return wxWindow::FindWindowById(1032, panel)->GetLabel(); };
  const struct {
    const LegacyKvfFile& file;
    const char* version;
    const char* filter;
  } cases[] = {{grey_, "V0", "Haar"}, {colour_, "V1", "Biorthogonal Spline 9 7"}};
  for (const auto& c : cases) {
    panel->SelectionChanged(c.file.path.string());
    const double ratio = c.file.width * c.file.height * c.file.channels /
                         static_cast<double>(std::filesystem::file_size(c.file.path));
    EXPECT_EQ(panel->InfoText().utf8_string(),
              "Image Size:\t" + std::to_string(c.file.width) + " x " +
                  std::to_string(c.file.height) + "\nColor depth:\t" +
                  (c.file.channels == 3 ? "24" : "8") + " Bit\nKorvel " + c.version +
                  "\nFilter: " + std::string(24 - std::strlen(c.filter), ' ') + c.filter +
                  "\nCompression:\t 1 to " + FormatRatio(ratio));
    EXPECT_EQ(range(), "1 (worst) ... 15 (best)");
  }
  panel->SelectionChanged(WriteGradientBmp(dir.path() / "g.bmp").string());
  EXPECT_EQ(range(), "1 (worst) ... 100 (best)");
  host->Destroy();
}

TEST_F(LegacyKvfOpenGuiTest, PreviewDecodesTheFirst20Kilobytes) {
  const LegacyKvfFile large = WriteLegacyKvf(dir.path() / "large.kvf", 320, 240, 3, 12);
  ASSERT_GT(std::filesystem::file_size(large.path), 2u * 20480);
  Start();
  auto* host = new wxFrame(nullptr, wxID_ANY, "host");
  auto* panel = new OpenDialogPanel(host, App().FileOpenDialog());
  panel->SelectionChanged(large.path.string());
  panel->LoadPreview();
  const wxImage& preview = panel->PreviewImage();
  ASSERT_TRUE(preview.IsOk());
  const std::vector<std::uint8_t> shown(preview.GetData(), preview.GetData() + 320 * 240 * 3);
  EXPECT_EQ(shown, LegacyLibraryPixels(large, 0, 20480));
  EXPECT_NE(shown, LegacyLibraryPixels(large));
  host->Destroy();
}

}  // namespace
}  // namespace quillon::test
