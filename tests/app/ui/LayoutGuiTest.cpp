// Every dialog and panel in English and German as a user meets it: each shown control on the
// screen, inside its parent, clear of its siblings and at least its best size, and no label
// of the other language's string table. Writes a screenshot of each to screenshots/ below the
// working directory.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>

#include "core/services/FormatMessage.h"
#include "support/BmpFixture.h"
#include "support/EncodeSession.h"
#include "support/FileChooserDriver.h"
#include "support/ForeignLabels.h"
#include "support/GuiTest.h"
#include "support/LayoutCheck.h"
#include "support/LegacyKvfFixture.h"
#include "ui/FilterStrengthDialog.h"
#include "ui/LoadPasswordDialog.h"
#include "ui/NumberDialog.h"
#include "ui/OpenDialog.h"
#include "ui/OpenDialogPanel.h"
#include "ui/PrintOptionsDialog.h"
#include "ui/RegionEditor.h"
#include "ui/SaveDialog.h"
#include "ui/SaveDialogPanel.h"
#include "ui/SavePasswordDialog.h"
#include "ui/SaveWarningDialog.h"
#include "ui/TableText.h"

namespace quillon::test {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n  " + line;
  return text;
}

class LayoutGuiTest : public GuiTest, public ::testing::WithParamInterface<Language> {
 protected:
  void SetUp() override { Start({}, 24, GetParam()); }

  std::string Name(const std::string& what) const {
    return what + (GetParam() == Language::German ? "-de" : "-en");
  }

  // The labels of the other language that `root` shows.
  std::string OtherLanguageLabels(const wxWindow* root) const {
    const Language other = GetParam() == Language::German ? Language::English : Language::German;
    return joined(ForeignLabels(root, BuiltInStrings(GetParam()), BuiltInStrings(other)));
  }

  // Checks `root` and writes the screenshot `what` of `area`.
  void Inspect(const wxWindow* root, const std::string& what, const wxRect& area) {
    Settle();
    EXPECT_EQ(joined(LayoutFaults(root)), "") << Name(what);
    EXPECT_EQ(OtherLanguageLabels(root), "") << Name(what);
    SaveScreenshot(area, Name(what));
  }

  // Shows `dialog` modeless, as it would appear, then inspects it.
  void InspectDialog(wxDialog& dialog, const std::string& what) {
    dialog.Show();
    dialog.Raise();
    for (int i = 0; i < 10; ++i) Pump();
    Inspect(&dialog, what, dialog.GetScreenRect());
    dialog.Hide();
  }
};

TEST_P(LayoutGuiTest, OpenChooserCarriesItsPanelAtItsBestSize) {
  // A picture of some megabytes, so that the information texts are long.
  const auto picture = WriteGradientBmp(dir.path() / "wide.bmp", 2000, 1500);
  jp2::test::EncodeSession photoFile;
  photoFile.components = jp2::test::MakeComponents(3, 1000, 700);
  ASSERT_EQ(photoFile.Encode([](CompressHandle handle) {
    EXPECT_EQ(jp2::test::EncodeSession::Set(handle, JP2_Prop_ColourSpace, JP2_Colour_sRGB), 0);
    EXPECT_EQ(jp2::test::EncodeSession::Set(handle, JP2_Prop_Progression, JP2_Progression_RPCL), 0);
  }),
            0);
  const std::string photo = (dir.path() / "photo.jp2").string();
  jp2::test::WriteFile(photo, photoFile.output);
  App().FileOpenDialog().preview = true;
  App().FileOpenDialog().directory = dir.path().string();
  const bool cameUp = WithFileChooser(
      [&] { App().FileOpenDialog().Run(&Frame()); },
      [&](wxFileDialog& chooser) {
        auto* panel = dynamic_cast<OpenDialogPanel*>(chooser.GetExtraControl());
        if (!panel) {
          ADD_FAILURE() << "no panel";
          return static_cast<int>(wxID_CANCEL);
        }
        Inspect(panel, "open", WholeScreen());
        chooser.SetPath(picture.string());
        panel->SelectionChanged(picture.string());
        EXPECT_TRUE(panel->FileSizeText().Contains("9000054")) << panel->FileSizeText();
        Inspect(panel, "open-selected", WholeScreen());
        // A JPEG 2000 file: four information lines and its preview reduced below 256 pixels.
        chooser.SetPath(photo);
        panel->SelectionChanged(photo);
        for (int i = 0; i < 200 && panel->PreviewPending(); ++i) Pump();
        EXPECT_TRUE(panel->InfoText().Contains("1000 x 700")) << panel->InfoText();
        EXPECT_EQ(panel->PreviewImage().GetWidth(), 250);
        Inspect(panel, "open-selected-jp2", WholeScreen());
        // A legacy KVF file: version, filter and ratio, and the library's quality range.
        const LegacyKvfFile legacy =
            WriteLegacyKvf(dir.path() / "legacy.kvf", 640, 480, 3, 8, 30000);
        chooser.SetPath(legacy.path.string());
        panel->SelectionChanged(legacy.path.string());
        for (int i = 0; i < 200 && panel->PreviewPending(); ++i) Pump();
        EXPECT_TRUE(panel->InfoText().Contains("Korvel V1")) << panel->InfoText();
        Inspect(panel, "open-selected-legacy", WholeScreen());
        return static_cast<int>(wxID_CANCEL);
      });
  EXPECT_TRUE(cameUp);
}

TEST_P(LayoutGuiTest, SaveChooserCarriesThePanelOfEveryTypeAtItsBestSize) {
  const char* const types[] = {"jp2", "kvf", "bmp", "ppm", "pgm", "tif", "jpg", "png"};
  SaveDialog& dialog = App().FileSaveDialog();
  dialog.options.type = PictureFormat::Jpeg2000;
  const bool cameUp = WithFileChooser(
      [&] { (void)dialog.Run(&Frame(), (dir.path() / "picture").string()); },
      [&](wxFileDialog& chooser) {
        auto* panel = dynamic_cast<SaveDialogPanel*>(chooser.GetExtraControl());
        if (!panel) {
          ADD_FAILURE() << "no panel";
          return static_cast<int>(wxID_CANCEL);
        }
        for (int index = 0; index < static_cast<int>(std::size(types)); ++index) {
          chooser.SetFilterIndex(index);
          panel->UpdateWindowUI(wxUPDATE_UI_RECURSE);  // as the toolkit does on a change
          for (int i = 0; i < 5; ++i) Pump();
          EXPECT_EQ(static_cast<int>(panel->Type()), index + 2);
          Inspect(panel, std::string("save-") + types[index], WholeScreen());
        }
        return static_cast<int>(wxID_CANCEL);
      });
  EXPECT_TRUE(cameUp);
}

TEST_P(LayoutGuiTest, PasswordDialogs) {
  SavePasswordDialog protect(&Frame(), "", 512);
  InspectDialog(protect, "password-save");
  PasswordPrompt prompt;
  prompt.title = "plasma.kvf";
  prompt.qualityLine = FormatMessage(ui->Strings().Load(131), {std::int64_t{50}});
  LoadPasswordDialog ask(&Frame(), prompt);
  InspectDialog(ask, "password-open");
}

TEST_P(LayoutGuiTest, WarningDialogWithItsOwnAdviceAndWithTheTablesText) {
  SaveWarningDialog advice(&Frame(), wxString());
  InspectDialog(advice, "warning-quality");
  SaveWarningDialog larger(&Frame(), wxString::FromUTF8(ui->Strings().Load(61216)));
  InspectDialog(larger, "warning-larger");
}

TEST_P(LayoutGuiTest, RegionLevelDialog) {
  NumberDialog level(&Frame(), TableText(RegionEditor::kLevelTitle),
                     TableText(RegionEditor::kLevelPrompt), 0, 10, 5);
  InspectDialog(level, "region-level");
}

TEST_P(LayoutGuiTest, FilterStrengthDialogs) {
  FilterStrengthDialog smooth(&Frame(), KernelFilter::Smooth);
  InspectDialog(smooth, "strength-smooth");
  FilterStrengthDialog sharpen(&Frame(), KernelFilter::Sharpen);
  InspectDialog(sharpen, "strength-sharpen");
}

TEST_P(LayoutGuiTest, ToolBarTipsSpeakTheUsersLanguage) {
  EXPECT_EQ(OtherLanguageLabels(&Frame()), "");
}

TEST_P(LayoutGuiTest, PrintOptionsDialogPlacedAndFree) {
  Picture picture;
  picture.Header().biWidth = 300;
  picture.Header().biHeight = 200;
  ASSERT_TRUE(picture.CreatePicture(true));
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 900; ++x) picture.Row(y)[x] = static_cast<std::uint8_t>(x + y);
  }
  wxPrintData paper;
  paper.SetPaperId(wxPAPER_A4);
  PrintSettings placed{false, false, false, "1.00", "2.00", 150, 1};
  PrintOptionsDialog free(&Frame(), picture, placed, paper);
  InspectDialog(free, "print-options-placed");
  PrintOptionsDialog full(&Frame(), picture, PrintSettings{}, paper);
  InspectDialog(full, "print-options-full");
}

TEST_P(LayoutGuiTest, HelpWindow) {
  App().ShowHelpContents();
  for (int i = 0; i < 10; ++i) Pump();
  ASSERT_NE(App().HelpController(), nullptr);
  wxHtmlHelpFrame* frame = App().HelpController()->GetFrame();
  ASSERT_NE(frame, nullptr);
  frame->Raise();
  for (int i = 0; i < 10; ++i) Pump();
  Inspect(frame, "help", frame->GetScreenRect());
  frame->Close();
  Pump();
}

INSTANTIATE_TEST_SUITE_P(Languages, LayoutGuiTest,
                         ::testing::Values(Language::English, Language::German),
                         [](const ::testing::TestParamInfo<Language>& info) {
                           return info.param == Language::German ? "German" : "English";
                         });

}  // namespace
}  // namespace quillon::test
