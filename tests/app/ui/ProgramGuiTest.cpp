// The program as a user meets it: zoom keys, more windows on one picture, the title, the
// status bar, help pages, recent files, failed opens, tool bar looks and a save through the
// real file chooser.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <wx/aui/auibook.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpdata.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include "support/BmpFixture.h"
#include "support/FileChooserDriver.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/SaveDialog.h"
#include "ui/SaveDialogPanel.h"

namespace quillon::test {
namespace {

class ProgramGuiTest : public GuiTest {
 protected:
  PictureView* ActiveView() const {
    return dynamic_cast<PictureView*>(App().DocManager()->GetCurrentView());
  }
  wxAuiNotebook& Tabs() const { return *Frame().GetClientWindow(); }
  static void Command(int commandId) {
    wxCommandEvent event(wxEVT_MENU, id::wxIdOf(commandId));
    Frame().GetEventHandler()->ProcessEvent(event);
    Pump();
  }
  // Moves the pointer onto `window` and clicks it, as a user would.
  static void Click(wxWindow* window) {
    wxUIActionSimulator user;
    user.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    Pump();
    user.MouseClick();
    Pump();
  }
};

TEST_F(ProgramGuiTest, PlusAndMinusKeysZoomTheActiveView) {
  Start({WriteGradientBmp(dir.path() / "keys.bmp", 64, 48).string()});
  PictureView* view = ActiveView();
  ASSERT_NE(view, nullptr);
  Frame().Raise();
  Click(view->Canvas());
  wxUIActionSimulator user;
  user.Char('=', wxMOD_SHIFT);  // "+" on the virtual display's (US) keyboard
  Pump();
  EXPECT_EQ(view->Zoom(), (ZoomRatio{2, 1}));
  user.Char(WXK_NUMPAD_ADD);
  Pump();
  EXPECT_EQ(view->Zoom(), (ZoomRatio{3, 1}));
  for (int i = 0; i < 3; ++i) user.Char('-');
  Pump();
  EXPECT_EQ(view->Zoom(), (ZoomRatio{1, 2}));
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  1: 2");
}

TEST_F(ProgramGuiTest, NewWindowIsActiveNamedAndZoomsOnItsOwn) {
  Start({WriteGradientBmp(dir.path() / "twice.bmp").string()});
  PictureView* first = ActiveView();
  ASSERT_NE(first, nullptr);
  const wxString title = first->GetDocument()->GetTitle();
  EXPECT_EQ(Frame().GetTitle(), title + wxString::FromUTF8(" \u2014 Korvel Quillon 3.0"));

  Command(id::kWindowNew);
  PictureView* second = ActiveView();
  ASSERT_NE(second, nullptr);
  ASSERT_NE(second, first) << "the new window takes the commands";
  ASSERT_EQ(Tabs().GetPageCount(), 2u);
  EXPECT_EQ(Tabs().GetPageText(0), title);
  EXPECT_EQ(Tabs().GetPageText(1), title + ":2");
  EXPECT_EQ(Frame().GetTitle(), title + wxString::FromUTF8(":2 \u2014 Korvel Quillon 3.0"));

  Command(id::kZoomIn);
  EXPECT_EQ(second->Zoom(), (ZoomRatio{2, 1}));
  EXPECT_EQ(first->Zoom(), (ZoomRatio{1, 1}));
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  2: 1");
  Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
  EXPECT_TRUE(Frame().GetToolBar()->GetToolEnabled(id::wxIdOf(id::kFileSave)));

  // Back on the first tab, the first window is active again.
  Tabs().SetSelection(0);
  Pump();
  EXPECT_EQ(ActiveView(), first);
  EXPECT_EQ(Frame().GetTitle(), title + wxString::FromUTF8(" \u2014 Korvel Quillon 3.0"));

  Command(id::kCloseAll);
  Pump();
  EXPECT_EQ(DocumentCount(), 0u);
  EXPECT_EQ(Frame().GetTitle(), "Korvel Quillon 3.0");
}

TEST_F(ProgramGuiTest, PixelPaneIsEmptyOutsideThePictureAndAfterSwitchingWindows) {
  Start({WriteGradientBmp(dir.path() / "a.bmp").string(),
         WriteGradientBmp(dir.path() / "b.bmp").string()});
  PictureView* second = ActiveView();
  ASSERT_NE(second, nullptr);
  second->ShowPixelUnder(1, 1);
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "(   1,   1)-(R:200, G:224, B:  6)");
  second->ShowPixelUnder(500, 400);
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "") << "outside the picture";
  second->ShowPixelUnder(1, 1);
  Tabs().SetSelection(0);
  Pump();
  ASSERT_NE(ActiveView(), second);
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "") << "the pixel belonged to the other window";
}

TEST_F(ProgramGuiTest, GermanHelpPagesReadAsUtf8AndHaveAnIndex) {
  Start({}, 24, Language::German);
  App().ShowHelpContents();
  Pump();
  wxHtmlHelpController* help = App().HelpController();
  ASSERT_NE(help, nullptr);
  wxHtmlHelpWindow* window = help->GetHelpWindow();
  ASSERT_NE(window, nullptr);
  const wxString page = window->GetHtmlWindow()->ToText();
  EXPECT_TRUE(page.Contains(wxString::FromUTF8("Bilder \u00f6ffnen"))) << page;
  EXPECT_FALSE(page.Contains(wxString::FromUTF8("\u00c3"))) << "UTF-8 read as Latin-1: " << page;
  EXPECT_GE(window->GetData()->GetIndexArray().size(), 5u);
  help->GetFrame()->Close();
  Pump();
}

TEST_F(ProgramGuiTest, RecentFilesKeepAbsolutePathsOfOpenedFilesOnly) {
  std::filesystem::create_directories(dir.path() / "pics");
  WriteGradientBmp(dir.path() / "pics" / "plasma.bmp");
  std::ofstream(dir.path() / "pics" / "junk.bmp") << "BM but nothing else";
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Start({"pics/plasma.bmp"});
  App().DocManager()->CreateDocument("pics/junk.bmp", wxDOC_SILENT);
  std::filesystem::current_path(previous);
  Pump();
  ASSERT_EQ(App().DocManager()->GetHistoryFilesCount(), 1u) << "the failed file is not added";
  EXPECT_EQ(App().DocManager()->GetHistoryFile(0), (dir.path() / "pics" / "plasma.bmp").string());
}

TEST_F(ProgramGuiTest, AFailedOpenLeavesNoWindowBehindItsMessage) {
  std::ofstream(dir.path() / "junk.jp2") << "nothing we know";
  Start();
  std::size_t tabsDuringMessage = 99;
  ui->onMessage = [&](const Message&) { tabsDuringMessage = Tabs().GetPageCount(); };
  EXPECT_EQ(App().DocManager()->CreateDocument((dir.path() / "junk.jp2").string(), wxDOC_SILENT),
            nullptr);
  Pump();
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(tabsDuringMessage, 0u);
  EXPECT_EQ(Tabs().GetPageCount(), 0u);
  EXPECT_EQ(DocumentCount(), 0u);
  EXPECT_EQ(Frame().GetTitle(), "Korvel Quillon 3.0");
}

TEST_F(ProgramGuiTest, DisabledToolsLookFaint) {
  Start();
  Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
  const wxToolBarToolBase* save = Frame().GetToolBar()->FindById(id::wxIdOf(id::kFileSave));
  ASSERT_NE(save, nullptr);
  EXPECT_FALSE(save->IsEnabled()) << "nothing to save";
  const auto opacity = [](const wxBitmap& bitmap) {
    const wxImage image = bitmap.ConvertToImage();
    double sum = 0;
    for (int y = 0; y < image.GetHeight(); ++y) {
      for (int x = 0; x < image.GetWidth(); ++x)
        sum += image.HasAlpha() ? image.GetAlpha(x, y) : 255;
    }
    return sum;
  };
  EXPECT_LT(opacity(save->GetDisabledBitmap()), 0.5 * opacity(save->GetNormalBitmap()));
}

// A 256 x 256 colour picture of noise, which no coder squeezes to 1:20 without loss.
std::filesystem::path writeNoise(const std::filesystem::path& path) {
  Picture picture;
  picture.Header().biWidth = 256;
  picture.Header().biHeight = 256;
  EXPECT_TRUE(picture.CreatePicture(true));
  std::uint32_t state = 12345;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 3 * 256; ++x) {
      state = state * 1664525u + 1013904223u;
      picture.Row(y)[x] = static_cast<std::uint8_t>(state >> 24);
    }
  }
  return WriteBmpFixture(path, picture);
}

TEST_F(ProgramGuiTest, SaveAsJpeg2000AtRateTwentyThroughTheChooser) {
  Start({writeNoise(dir.path() / "noise.bmp").string()});
  Frame().Raise();
  const std::filesystem::path target = dir.path() / "rated.jp2";
  bool rateChosen = false;
  const bool cameUp = WithFileChooser(
      [] { Command(id::kFileSaveAs); },
      [&](wxFileDialog& chooser) {
        auto* panel = dynamic_cast<SaveDialogPanel*>(chooser.GetExtraControl());
        if (!panel) return static_cast<int>(wxID_CANCEL);
        chooser.SetFilterIndex(0);  // Korvel.jp2 Format
        panel->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        Pump();
        auto* rateOption =
            dynamic_cast<wxRadioButton*>(panel->FindWindow(SaveDialogPanel::kRateOptionId));
        auto* rate = dynamic_cast<wxTextCtrl*>(panel->FindWindow(SaveDialogPanel::kRateEditId));
        if (!rateOption || !rate) return static_cast<int>(wxID_CANCEL);
        Click(rateOption);
        rateChosen = rateOption->GetValue();
        Click(rate);
        wxUIActionSimulator user;
        user.Char('a', wxMOD_CONTROL);
        user.Text("20");
        Pump();
        chooser.SetFilename("rated.jp2");
        return static_cast<int>(wxID_OK);
      });
  ASSERT_TRUE(cameUp);
  EXPECT_TRUE(rateChosen) << "the rate option can be clicked";
  EXPECT_EQ(App().FileSaveDialog().options.option, SaveOption::CompressionRate);
  EXPECT_DOUBLE_EQ(App().FileSaveDialog().options.rate, 20.0) << "the rate can be typed";
  ASSERT_TRUE(std::filesystem::exists(target));
  const auto size = std::filesystem::file_size(target);
  const double budget = 256.0 * 256 * 3 / 20;
  EXPECT_NEAR(static_cast<double>(size), budget, 0.05 * budget);
}

}  // namespace
}  // namespace quillon::test
