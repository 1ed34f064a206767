// The File Open dialog's own controls: information about the selected file, the delayed
// preview and the loading options.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/frame.h>

#include "core/services/SettingsTable.h"
#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/OpenDialog.h"
#include "ui/OpenDialogPanel.h"

namespace quillon::test {
namespace {

class OpenDialogGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    Start();
    host_ = new wxFrame(nullptr, wxID_ANY, "host");
    panel_ = new OpenDialogPanel(host_, App().FileOpenDialog());
    host_->Show();
    Pump();
  }
  void TearDown() override {
    host_->Destroy();
    GuiTest::TearDown();
  }

  std::filesystem::path grayPicture() {
    Picture picture;
    picture.Header().biWidth = 300;
    picture.Header().biHeight = 100;
    EXPECT_TRUE(picture.CreatePicture(false));
    for (int y = 0; y < 100; ++y) std::fill_n(picture.Row(y), 300, static_cast<std::uint8_t>(y));
    return WriteBmpFixture(dir.path() / "gray.bmp", picture);
  }

  wxFrame* host_ = nullptr;
  OpenDialogPanel* panel_ = nullptr;
};

TEST_F(OpenDialogGuiTest, SelectionShowsSizeAndDepthFromTheHeader) {
  const auto path = grayPicture();
  panel_->SelectionChanged(path.string());
  EXPECT_EQ(panel_->InfoText(), "Image Size:\t300 x 100\nColor depth:\t8 Bit\nCompression:\tNo");
  EXPECT_EQ(panel_->FileSizeText(),
            wxString::Format("File Size:\t%llu Bytes",
                             static_cast<unsigned long long>(std::filesystem::file_size(path))));

  const auto junk = dir.path() / "junk.jp2";
  std::ofstream(junk) << "nothing we know";
  panel_->SelectionChanged(junk.string());
  EXPECT_EQ(panel_->InfoText(), "Format not supported !");
}

TEST_F(OpenDialogGuiTest, PreviewWaitsForTheDelayAndOnlyWhenAskedFor) {
  const auto path = grayPicture();
  App().FileOpenDialog().preview = false;
  panel_->SelectionChanged(path.string());
  EXPECT_FALSE(panel_->PreviewPending()) << "preview switched off";

  host_->Destroy();  // a panel made with the preview switched on
  App().FileOpenDialog().preview = true;
  host_ = new wxFrame(nullptr, wxID_ANY, "host");
  panel_ = new OpenDialogPanel(host_, App().FileOpenDialog());
  panel_->SelectionChanged(path.string());
  EXPECT_TRUE(panel_->PreviewPending());
  EXPECT_FALSE(panel_->PreviewImage().IsOk());
  for (int i = 0; i < 100 && panel_->PreviewPending(); ++i) Pump();
  ASSERT_TRUE(panel_->PreviewImage().IsOk());
  EXPECT_EQ(panel_->PreviewImage().GetWidth(), 300);
  EXPECT_EQ(panel_->PreviewImage().GetRed(0, 0), 99) << "top row first";
  EXPECT_TRUE(ui->messages.empty()) << "previews never show messages";
}

TEST_F(OpenDialogGuiTest, LoadingOptionsAreKeptAndWrittenToTheSettings) {
  OpenDialog& dialog = App().FileOpenDialog();
  EXPECT_EQ(dialog.loadType, LoadType::Quality);  // the defaults
  EXPECT_EQ(dialog.quality, 80);
  EXPECT_EQ(dialog.rateText, "10.0");
  panel_->TransferToDialog();
  EXPECT_EQ(dialog.Options().type, LoadType::Quality);
  EXPECT_DOUBLE_EQ(dialog.Options().rate, 10.0);

  dialog.loadType = LoadType::FileSize;
  dialog.sizeText = "64.5";
  EXPECT_DOUBLE_EQ(dialog.Options().sizeKb, 64.5);
  EXPECT_EQ(App().ActiveLoadOptions(), nullptr) << "not applied until the dialog is left with OK";
  App().applyLoadOptions = true;
  ASSERT_NE(App().ActiveLoadOptions(), nullptr);
  EXPECT_EQ(App().ActiveLoadOptions()->type, LoadType::FileSize);
  Stop();
  EXPECT_EQ(Read(store, setting::kLoadType), 3);
  EXPECT_EQ(Read(store, setting::kLoadSize), "64.5");
}

}  // namespace
}  // namespace quillon::test
