// The statistics and histogram windows and the difference pictures in the running program:
// two documents compared, a difference picture as a new document, the histogram back after a
// restart, and how the windows look in English and German.
#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/modalhook.h>

#include "core/services/SettingsTable.h"
#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "support/LayoutCheck.h"
#include "ui/CommandIds.h"
#include "ui/HistogramWindow.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/PictureWindows.h"
#include "ui/SecondWindowChooser.h"
#include "ui/StatisticsWindow.h"

namespace quillon::test {
namespace {

// Answers the second-window chooser with the entry `choice` without showing it.
struct ChooserAnswer final : wxModalDialogHook {
  explicit ChooserAnswer(int choice) : choice(choice) { Register(); }
  int Enter(wxDialog* dialog) override {
    auto* chooser = dynamic_cast<SecondWindowChooser*>(dialog);
    if (!chooser) return wxID_NONE;
    titles = chooser->List()->GetStrings();
    chooser->List()->SetSelection(choice);
    return wxID_OK;
  }
  void Exit(wxDialog*) override {}
  int choice;
  wxArrayString titles;
};

wxArrayString Titles(std::initializer_list<const char*> titles) {
  wxArrayString list;
  for (const char* title : titles) list.Add(title);
  return list;
}

class StatisticsGuiTest : public GuiTest {
 protected:
  // A 24 x 16 colour picture whose samples are a gradient plus `offset`.
  std::string Gradient(const std::string& name, int offset) {
    Picture picture;
    picture.Header().biWidth = 24;
    picture.Header().biHeight = 16;
    EXPECT_TRUE(picture.CreatePicture(true));
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 24 * 3; ++x) picture.Row(y)[x] = std::uint8_t(x * 2 + y * 3 + offset);
    }
    return WriteBmpFixture(dir.path() / name, picture).string();
  }

  void StartWithTwo(Language language = Language::English) {
    Start({Gradient("a.bmp", 0), Gradient("b.bmp", 1)}, 24, language);
    for (int i = 0; i < 5; ++i) Pump();
  }

  static void Command(int command) {
    wxCommandEvent event(wxEVT_MENU, id::wxIdOf(command));
    Frame().ProcessWindowEvent(event);
    Pump();
  }

  static const Picture& ActivePicture() { return PictureOf(*ActivePictureView()); }

  // The title of the window showing `file` (titles add the compression rate).
  static wxString TitleOf(const wxString& file) {
    for (PictureView* view : OpenPictureViews()) {
      if (view->WindowTitle().StartsWith(file + " ")) return view->WindowTitle();
    }
    return wxString();
  }
};

TEST_F(StatisticsGuiTest, ComparesTheChosenWindowWithTheActiveOne) {
  StartWithTwo();
  App().ToggleStatistics();
  Pump();
  StatisticsWindow* statistics = App().Statistics();
  ASSERT_NE(statistics, nullptr);
  ASSERT_EQ(statistics->Originals()->GetCount(), 2u);
  const wxString a = TitleOf("a.bmp"), b = TitleOf("b.bmp");
  EXPECT_EQ(statistics->ComparedTitle(), b);
  EXPECT_EQ(statistics->Originals()->GetStringSelection(), a);
  const wxString differByOne[] = {"1", "1", "1", "", "48.1308 dB", ""};
  for (int i : {0, 1, 2, 4}) EXPECT_EQ(statistics->ValueText(i), differByOne[i]) << i;
  EXPECT_LT(statistics->ValueText(5), "1.000000");

  // The active window against itself: no error, infinite ratios.
  statistics->Originals()->SetStringSelection(b);
  wxCommandEvent choose(wxEVT_CHOICE, statistics->Originals()->GetId());
  choose.SetEventObject(statistics->Originals());
  statistics->Originals()->ProcessWindowEvent(choose);
  EXPECT_EQ(statistics->ValueText(0), "0");
  EXPECT_EQ(statistics->ValueText(4), "inf dB");
  EXPECT_EQ(statistics->ValueText(5), "1.000000");

  // Activating the other window makes it the compared one.
  PictureViewTitled(a)->Activate(true);
  for (int i = 0; i < 3; ++i) Pump();
  EXPECT_EQ(statistics->ComparedTitle(), a);
  EXPECT_EQ(statistics->ValueText(0), "1");
}

TEST_F(StatisticsGuiTest, DifferenceAndErrorPicturesOpenAsNewDocuments) {
  StartWithTwo();
  const wxString a = TitleOf("a.bmp"), b = TitleOf("b.bmp");
  App().ToggleHistogram();
  {
    ChooserAnswer answer(0);
    Command(id::kDifferenceImage);
    ASSERT_EQ(answer.titles.size(), 1u) << "the other window only";
    EXPECT_EQ(answer.titles[0], a);
  }
  ASSERT_EQ(DocumentCount(), 3u);
  EXPECT_EQ(ActivePictureView()->WindowTitle(), "Difference " + b + " - " + a);
  EXPECT_TRUE(ActivePictureView()->GetDocument()->IsModified());
  EXPECT_EQ(ActivePicture().GetWidth(), 24);
  EXPECT_EQ(ActivePicture().GetBitCount(), 24);
  EXPECT_EQ(ActivePicture().GetPixel(5, 5), (Picture::Triple{128, 128, 128}));
  // The histogram follows the new picture: every sample is 128.
  Pump();
  EXPECT_EQ(App().Histogram()->MaximumText(), "Maximum Value:\t384");

  PictureViewTitled(a)->Activate(true);
  Pump();
  {
    ChooserAnswer answer(0);  // b.bmp, listed before the difference picture
    Command(id::kErrorImage);
  }
  ASSERT_EQ(DocumentCount(), 4u);
  EXPECT_EQ(ActivePictureView()->WindowTitle(), "Error |" + a + " - " + b + "|");
  EXPECT_EQ(ActivePicture().GetPixel(0, 0), (Picture::Triple{1, 1, 1}));
  EXPECT_TRUE(ui->messages.empty());
  // The new pictures are unsaved; the end of the run must not ask about them.
  for (wxDocument* doc : App().DocManager()->GetDocumentsVector()) doc->Modify(false);
}

TEST_F(StatisticsGuiTest, DifferencePictureNeedsASecondWindow) {
  Start({Gradient("alone.bmp", 0)});
  Command(id::kDifferenceImage);
  ASSERT_EQ(ui->messages.size(), 1u);
  EXPECT_EQ(ui->messages[0].id, 33002u);
  EXPECT_EQ(DocumentCount(), 1u);
}

TEST_F(StatisticsGuiTest, HistogramOpenAtExitReappearsFilledAtTheNextStart) {
  StartWithTwo();
  App().ToggleHistogram();
  Pump();
  App().Histogram()->Move(40, 50);
  Settle();
  const wxPoint where = App().Histogram()->GetPosition();
  Stop();
  EXPECT_EQ(Read(store, setting::kHistogramOpen), 1);
  EXPECT_EQ(store.GetProfileInt(setting::kWindow, "HistgramPosX", -1), where.x);
  EXPECT_EQ(store.GetProfileInt(setting::kWindow, "HistgramPosY", -1), where.y);

  Start({Gradient("c.bmp", 0)});
  Pump();
  HistogramWindow* histogram = App().Histogram();
  ASSERT_NE(histogram, nullptr);
  EXPECT_EQ(App().Statistics(), nullptr);
  EXPECT_EQ(histogram->MaximumText().BeforeFirst('\t'), "Maximum Value:") << "filled at once";
  App().ToggleHistogram();
  Pump();
  EXPECT_EQ(App().Histogram(), nullptr);
}

class StatisticsLookGuiTest : public StatisticsGuiTest,
                              public ::testing::WithParamInterface<Language> {
 protected:
  std::string Name(const std::string& what) const {
    return what + (GetParam() == Language::German ? "-de" : "-en");
  }
  void Inspect(wxWindow& window, const std::string& what) {
    window.Show();
    window.Raise();
    Settle();
    std::string faults;
    for (const std::string& fault : LayoutFaults(&window)) faults += "\n  " + fault;
    EXPECT_EQ(faults, "") << Name(what);
    SaveScreenshot(window.GetScreenRect(), Name(what));
  }
};

TEST_P(StatisticsLookGuiTest, WindowsShowEveryControlInTheUsersLanguage) {
  StartWithTwo(GetParam());
  App().ToggleHistogram();
  HistogramWindow& histogram = *App().Histogram();
  histogram.Channels()->SetSelection(1);  // red
  wxCommandEvent choose(wxEVT_CHOICE, histogram.Channels()->GetId());
  histogram.Channels()->ProcessWindowEvent(choose);
  histogram.ShowBinAt(histogram.Graph()->GetClientSize().x / 2);
  const bool german = GetParam() == Language::German;
  EXPECT_EQ(histogram.Channels()->GetString(0), german ? "Luminanz" : "Luminance");
  EXPECT_EQ(histogram.ValueText().BeforeFirst('\t'), german ? "Farbwert:" : "Color value:");
  Inspect(histogram, "histogram");
  histogram.Hide();

  App().ToggleStatistics();
  Inspect(*App().Statistics(), "statistics");
  App().Statistics()->Hide();

  SecondWindowChooser chooser(&Frame(), Titles({"a.bmp", "Difference b.bmp - a.bmp"}));
  Inspect(chooser, "second-window");
  chooser.Hide();
}

INSTANTIATE_TEST_SUITE_P(Languages, StatisticsLookGuiTest,
                         ::testing::Values(Language::English, Language::German));

}  // namespace
}  // namespace quillon::test
