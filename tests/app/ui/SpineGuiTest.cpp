// The program's frame under a real display: start-up, documents, status panes, settings
// across starts, dropped files and the 256-colour warning.
#include <gtest/gtest.h>

#include <fstream>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/dnd.h>
#include <wx/menu.h>

#include "core/services/SettingsTable.h"
#include "platform/StringTables.h"
#include "support/BmpFixture.h"
#include "support/ForeignLabels.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/Menus.h"
#include "ui/OpenDialog.h"
#include "ui/PictureDocAdapter.h"

namespace quillon::test {
namespace {

std::vector<wxString> menuTitles(wxMenuBar* bar) {
  std::vector<wxString> titles;
  for (size_t i = 0; bar && i < bar->GetMenuCount(); ++i) titles.push_back(bar->GetMenuLabel(i));
  return titles;
}

using SpineGuiTest = GuiTest;

TEST_F(SpineGuiTest, StartingWithoutFilesOpensNoDocumentAndShowsTheNoPictureMenu) {
  Start();
  EXPECT_EQ(DocumentCount(), 0u);
  EXPECT_EQ(menuTitles(Frame().GetMenuBar()), (std::vector<wxString>{"&File", "&View", "&Help"}));
  EXPECT_TRUE(Frame().IsShown());
}

TEST_F(SpineGuiTest, StatusPanesStartWithTheirTexts) {
  Start();
  EXPECT_EQ(Frame().GetPaneText(id::kPanePixel), "(0000,0000)-(R:000, G:000, B:000)");
  EXPECT_EQ(Frame().GetPaneText(id::kPaneZoom), "Zoom  - : - ");
}

TEST_F(SpineGuiTest, OpeningTheSameFileTwiceMakesTwoDocuments) {
  const auto file = WriteGradientBmp(dir.path() / "twice.bmp");
  Start({file.string()});
  ASSERT_EQ(DocumentCount(), 1u);
  wxDocument* again = App().DocManager()->CreateDocument(file.string(), wxDOC_SILENT);
  ASSERT_NE(again, nullptr);
  Pump();
  ASSERT_EQ(DocumentCount(), 2u);
  const auto docs = App().DocManager()->GetDocumentsVector();
  EXPECT_NE(docs[0], docs[1]);
  EXPECT_EQ(App().DocManager()->GetHistoryFilesCount(), 1u) << "one file, one recent entry";

  auto* doc = static_cast<PictureDocAdapter*>(again);
  EXPECT_EQ(doc->Data().format, PictureFormat::Bmp);
  EXPECT_EQ(doc->Data().GetPicture().GetWidth(), 40);
  // Raw size 3600 bytes over a file of 3654 bytes.
  EXPECT_EQ(doc->GetTitle().utf8_string(), "twice.bmp [Compression Rate 1 to 0.99]");
  EXPECT_EQ(menuTitles(Frame().GetMenuBar()),
            (std::vector<wxString>{"&File", "&Edit", "&Picture", "&View", "&Window", "&Help"}));
}

TEST_F(SpineGuiTest, AnUnknownFileIsRefusedWithAMessage) {
  const auto junk = dir.path() / "notes.bmp";
  std::ofstream(junk) << "not a picture at all";
  Start({junk.string()});
  EXPECT_EQ(DocumentCount(), 0u);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].id, 33003u);
}

TEST_F(SpineGuiTest, DroppedFilesOpen) {
  const auto a = WriteGradientBmp(dir.path() / "a.bmp");
  const auto b = WriteGradientBmp(dir.path() / "b.bmp", 7, 5);
  Start();
  auto* target = dynamic_cast<wxFileDropTarget*>(Frame().GetDropTarget());
  ASSERT_NE(target, nullptr);
  wxArrayString files;
  files.Add(a.string());
  files.Add(b.string());
  EXPECT_TRUE(target->OnDropFiles(10, 10, files));
  Pump();
  EXPECT_EQ(DocumentCount(), 2u);
}

TEST_F(SpineGuiTest, SettingsWrittenAtExitAreReadAtTheNextStart) {
  const auto file = WriteGradientBmp(dir.path() / "recent.bmp");
  Start({file.string()});
  EXPECT_EQ(App().Histogram(), nullptr);
  App().ToggleHistogram();
  Pump();
  ASSERT_NE(App().Histogram(), nullptr);
  App().FileOpenDialog().quality = 42;
  Stop();
  EXPECT_EQ(Read(store, setting::kHistogramOpen), 1);
  EXPECT_EQ(Read(store, setting::kStatisticsOpen), 0);
  EXPECT_EQ(Read(store, setting::kLoadQuality), 42);
  EXPECT_EQ(store.GetProfileString("Recent File List", "File1", ""), file.string());
  EXPECT_TRUE(store.Contains(setting::kPrintdialog, "CenterImage"));

  Start();
  EXPECT_NE(App().Histogram(), nullptr) << "the histogram window comes back";
  EXPECT_EQ(App().Statistics(), nullptr);
  EXPECT_EQ(App().FileOpenDialog().quality, 42);
  ASSERT_EQ(App().DocManager()->GetHistoryFilesCount(), 1u);
  EXPECT_EQ(App().DocManager()->GetHistoryFile(0), file.string());

  App().ToggleHistogram();  // closing it is remembered as well
  Pump();
  EXPECT_EQ(App().Histogram(), nullptr);
  Stop();
  EXPECT_EQ(Read(store, setting::kHistogramOpen), 0);
  EXPECT_TRUE(store.Contains(setting::kWindow, "HistgramPosX"));
}

TEST_F(SpineGuiTest, CommandLineLoadOptionsFeedTheOpenDialog) {
  Start({"/C2000"});
  EXPECT_TRUE(App().applyLoadOptions);
  EXPECT_EQ(App().FileOpenDialog().rateText, "1000.0");
  EXPECT_EQ(App().FileOpenDialog().loadType, LoadType::CompressionRate);
  Stop();
  Start({"/C4", "/Q9"});
  EXPECT_EQ(App().FileOpenDialog().loadType, LoadType::Quality) << "quality wins";
  EXPECT_EQ(App().FileOpenDialog().quality, 9);
  Stop();
  Start({"/c0.5", "/Q-3"});
  EXPECT_FALSE(App().applyLoadOptions);
}

TEST_F(SpineGuiTest, TheColourWarningAppearsOnlyOnSmallDisplays) {
  Start({}, 8);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].id, 33001u);
  EXPECT_EQ(ui->messages[0].icon, MessageIcon::Exclamation);
  Stop();
  for (int depth : {16, 24, 32}) {
    Start({}, depth);
    EXPECT_TRUE(ui->messages.empty()) << depth;
    Stop();
  }
  Write(store, setting::kHide256ColorWarning, 1);
  Start({}, 8);
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(SpineGuiTest, ScreenshotOfTheMainFrameWithADocument) {
  const auto file = WriteGradientBmp(dir.path() / "shown.bmp", 320, 200);
  Start({file.string()});
  Frame().SetSize(800, 600);
  Frame().Raise();
  for (int i = 0; i < 10; ++i) Pump();
  const wxRect area = Frame().GetScreenRect();
  wxBitmap shot(area.width, area.height);
  {
    wxMemoryDC memory(shot);
    wxScreenDC screen;
    memory.Blit(0, 0, area.width, area.height, &screen, area.x, area.y);
  }
  const wxImage image = shot.ConvertToImage();
  ASSERT_TRUE(image.SaveFile("quillon-main-frame.png", wxBITMAP_TYPE_PNG));
  // The picture's red channel is 200 everywhere: the document is on the screen.
  int reddish = 0;
  for (int y = 0; y < image.GetHeight(); y += 4) {
    for (int x = 0; x < image.GetWidth(); x += 4) reddish += image.GetRed(x, y) == 200;
  }
  EXPECT_GT(reddish, 500);
}

}  // namespace
}  // namespace quillon::test

namespace quillon::test {
namespace {

TEST_F(SpineGuiTest, MenusComeInTheUsersLanguage) {
  Start();
  std::unique_ptr<wxMenuBar> german(CreateMenuBar(id::kMenuPicture, Language::German));
  EXPECT_EQ(menuTitles(german.get()), (std::vector<wxString>{"&Datei", "&Bearbeiten", "&Bild",
                                                             "&Ansicht", "&Fenster", "&Hilfe"}));
  std::unique_ptr<wxMenuBar> english(CreateMenuBar(id::kMenuPicture, Language::English));
  wxMenuItem* open = english->FindItem(id::wxIdOf(id::kFileOpen));
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->GetItemLabel(), "&Open...\tCtrl+O");
  ASSERT_NE(open->GetAccel(), nullptr);
  EXPECT_EQ(open->GetAccel()->GetKeyCode(), 'O');
  EXPECT_NE(english->FindItem(id::wxIdOf(id::kZoomIn)), nullptr);
  EXPECT_TRUE(english->FindItem(id::wxIdOf(id::kColorHistogram))->IsCheckable());
  EXPECT_EQ(CreateMenuBar(4711, Language::English), nullptr);
}

// Every title and item of both menu bars is a text of the language's own table, so a menu
// text missing from a table, or taken from the other one, shows up here.
TEST_F(SpineGuiTest, EveryMenuTextComesFromTheLanguagesTable) {
  Start();
  for (const Language language : {Language::English, Language::German}) {
    const Language other = language == Language::German ? Language::English : Language::German;
    const auto own = foreign_detail::TextsOf(BuiltInStrings(language));
    const auto foreign =
        foreign_detail::ForeignTexts(BuiltInStrings(language), BuiltInStrings(other));
    for (const int menu : {id::kMenuNoPicture, id::kMenuPicture}) {
      std::unique_ptr<wxMenuBar> bar(CreateMenuBar(menu, language));
      std::vector<wxString> texts = menuTitles(bar.get());
      for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
        for (const wxMenuItem* item : bar->GetMenu(i)->GetMenuItems()) {
          if (!item->IsSeparator()) texts.push_back(item->GetItemLabel());
        }
      }
      for (const wxString& text : texts) {
        const wxString flat = foreign_detail::Flattened(text);
        EXPECT_TRUE(own.whole.contains(flat)) << text << " in menu " << menu;
        EXPECT_FALSE(foreign.whole.contains(flat)) << text << " in menu " << menu;
      }
    }
  }
}

TEST_F(SpineGuiTest, HistogramCheckMarkFollowsTheWindow) {
  Start();
  wxMenuItem* item = Frame().GetMenuBar()->FindItem(id::wxIdOf(id::kColorHistogram));
  ASSERT_NE(item, nullptr);
  Frame().UpdateWindowUI(wxUPDATE_UI_RECURSE);
  Frame().GetMenuBar()->UpdateMenus();
  EXPECT_FALSE(item->IsChecked());
  wxCommandEvent toggle(wxEVT_MENU, id::wxIdOf(id::kColorHistogram));
  Frame().GetEventHandler()->ProcessEvent(toggle);
  Frame().GetMenuBar()->UpdateMenus();
  EXPECT_NE(App().Histogram(), nullptr);
  EXPECT_TRUE(item->IsChecked());
  Frame().GetEventHandler()->ProcessEvent(toggle);
  Pump();
  Frame().GetMenuBar()->UpdateMenus();
  EXPECT_EQ(App().Histogram(), nullptr);
  EXPECT_FALSE(item->IsChecked());
}

TEST_F(SpineGuiTest, RecentFileListKeepsTheLastFour) {
  std::vector<std::filesystem::path> files;
  for (int i = 0; i < 5; ++i)
    files.push_back(WriteGradientBmp(dir.path() / (std::to_string(i) + ".bmp"), 4, 4));
  Start();
  for (const auto& file : files) App().DocManager()->CreateDocument(file.string(), wxDOC_SILENT);
  Pump();
  ASSERT_EQ(App().DocManager()->GetHistoryFilesCount(), 4u);
  EXPECT_EQ(App().DocManager()->GetHistoryFile(0), files[4].string());
  EXPECT_EQ(App().DocManager()->GetHistoryFile(3), files[1].string());
}

TEST_F(SpineGuiTest, SplashClosesAtTheFirstKeyWhichGoesNoFurther) {
  Start();
  App().ShowSplash();
  Pump();
  ASSERT_TRUE(App().SplashShown());
  wxKeyEvent key(wxEVT_KEY_DOWN);
  EXPECT_EQ(App().FilterEvent(key), wxApp::Event_Processed);
  Pump();
  EXPECT_FALSE(App().SplashShown());
  EXPECT_EQ(App().FilterEvent(key), wxApp::Event_Skip);
  App().ShowSplash();
  EXPECT_FALSE(App().SplashShown()) << "at most once per run";
}

}  // namespace
}  // namespace quillon::test
