// The File Save dialog's own controls: the options shown for each type, their way into the
// settings, and the password dialog.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/ui/SaveGuiTest.h"
#include "core/services/SettingsTable.h"
#include "support/GuiTest.h"
#include "ui/SaveDialog.h"
#include "ui/SaveDialogPanel.h"
#include "ui/SavePasswordDialog.h"
#include "ui/SaveWarningDialog.h"

namespace quillon::test {
namespace {

using Panel = SaveDialogPanel;

class SaveDialogGuiTest : public GuiTest {
 protected:
  void SetUp() override {
    Start();
    MakePanel();
  }
  void TearDown() override {
    host_->Destroy();
    GuiTest::TearDown();
  }

  void MakePanel() {
    if (host_) host_->Destroy();
    host_ = new wxFrame(nullptr, wxID_ANY, "host");
    panel_ = new SaveDialogPanel(host_, App().FileSaveDialog());
    host_->Show();
    Pump();
  }

  template <typename Control>
  Control* Find(int id) {
    auto* control = dynamic_cast<Control*>(panel_->FindWindow(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }

  // Shown itself and inside every box up to the panel.
  bool Offered(int id) {
    for (wxWindow* window = panel_->FindWindow(id); window; window = window->GetParent()) {
      if (window == panel_) return true;
      if (!window->IsShown()) return false;
    }
    ADD_FAILURE() << "no control " << id;
    return false;
  }

  wxFrame* host_ = nullptr;
  SaveDialogPanel* panel_ = nullptr;
};

TEST_F(SaveDialogGuiTest, EachTypeOffersItsOwnOptions) {
  const std::set<int> wavelet = {
      Panel::kLosslessId,      Panel::kQualityOptionId, Panel::kQualityEditId,
      Panel::kQualitySliderId, Panel::kRateOptionId,    Panel::kRateEditId,
      Panel::kRateSliderId,    Panel::kSizeOptionId,    Panel::kSizeEditId};
  std::set<int> kvf = wavelet;
  kvf.insert(
      {Panel::kEmbeddedId, Panel::kBaselineId, Panel::kPasswordButtonId, Panel::kProtectionTextId});
  std::set<int> jp2 = wavelet;
  jp2.insert(Panel::kSortedById);
  const std::set<int> pnm = {Panel::kBinaryId, Panel::kAsciiId};
  const std::map<PictureFormat, std::set<int>> offered = {
      {PictureFormat::Jpeg2000, jp2},
      {PictureFormat::Kvf, kvf},
      {PictureFormat::Bmp, {}},
      {PictureFormat::Ppm, pnm},
      {PictureFormat::Pgm, pnm},
      {PictureFormat::Tiff, {Panel::kTiffCompressionId}},
      {PictureFormat::Jpeg, {Panel::kJpegQualityEditId, Panel::kJpegQualitySliderId}},
      {PictureFormat::Png, {Panel::kPngCompressionId}},
  };
  std::set<int> every;
  for (const auto& [type, ids] : offered) every.insert(ids.begin(), ids.end());

  // Twice round, so that each group is shown again after being hidden.
  for (int round = 0; round < 2; ++round) {
    for (const auto& [type, ids] : offered) {
      panel_->SetType(type);
      for (int id : every) {
        EXPECT_EQ(Offered(id), ids.count(id) == 1)
            << "type " << static_cast<int>(type) << ", control " << id;
      }
      EXPECT_TRUE(Offered(Panel::kShowWarningsId));
    }
  }
}

TEST_F(SaveDialogGuiTest, OnlyTheChosenSavingOptionsEditIsEnabled) {
  Find<wxRadioButton>(Panel::kRateOptionId)->SetValue(true);
  wxCommandEvent click(wxEVT_RADIOBUTTON, Panel::kRateOptionId);
  Find<wxRadioButton>(Panel::kRateOptionId)->ProcessWindowEvent(click);
  EXPECT_TRUE(Find<wxTextCtrl>(Panel::kRateEditId)->IsEnabled());
  EXPECT_TRUE(Find<wxSlider>(Panel::kRateSliderId)->IsEnabled());
  EXPECT_FALSE(Find<wxTextCtrl>(Panel::kSizeEditId)->IsEnabled());
  EXPECT_FALSE(Find<wxSpinCtrl>(Panel::kQualityEditId)->IsEnabled());
  EXPECT_FALSE(Find<wxSlider>(Panel::kQualitySliderId)->IsEnabled());
}

TEST_F(SaveDialogGuiTest, RateSliderAndEditFollowEachOther) {
  auto* slider = Find<wxSlider>(Panel::kRateSliderId);
  auto* edit = Find<wxTextCtrl>(Panel::kRateEditId);
  edit->SetValue("37.6");
  EXPECT_EQ(slider->GetValue(), 38);
  edit->SetValue("5000");
  EXPECT_EQ(slider->GetValue(), Panel::kMaxSliderRate);
  edit->SetValue("fast");
  EXPECT_EQ(slider->GetValue(), Panel::kMaxSliderRate);

  slider->SetValue(12);
  wxCommandEvent moved(wxEVT_SLIDER, Panel::kRateSliderId);
  slider->ProcessWindowEvent(moved);
  EXPECT_EQ(edit->GetValue(), "12.0");
  panel_->TransferToDialog();
  EXPECT_DOUBLE_EQ(App().FileSaveDialog().options.rate, 12.0);
}

TEST_F(SaveDialogGuiTest, OptionsAreKeptInTheSettingsAcrossARestart) {
  panel_->SetType(PictureFormat::Tiff);
  Find<wxRadioButton>(Panel::kSizeOptionId)->SetValue(true);
  Find<wxSpinCtrl>(Panel::kQualityEditId)->SetValue(35);
  Find<wxTextCtrl>(Panel::kRateEditId)->SetValue("25.5");
  Find<wxTextCtrl>(Panel::kSizeEditId)->SetValue("48");
  Find<wxRadioButton>(Panel::kBaselineId)->SetValue(true);
  Find<wxChoice>(Panel::kSortedById)->SetSelection(2);
  Find<wxRadioButton>(Panel::kAsciiId)->SetValue(true);
  Find<wxChoice>(Panel::kTiffCompressionId)->SetSelection(1);
  Find<wxSpinCtrl>(Panel::kJpegQualityEditId)->SetValue(61);
  Find<wxCheckBox>(Panel::kShowWarningsId)->SetValue(false);
  panel_->TransferToDialog();

  host_->Destroy();
  host_ = nullptr;
  Stop();
  EXPECT_EQ(Read(store, setting::kSaveType), 7);
  EXPECT_EQ(Read(store, setting::kSaveSize), "48.0");
  Start();
  const SaveOptions& options = App().FileSaveDialog().options;
  EXPECT_EQ(options.type, PictureFormat::Tiff);
  EXPECT_EQ(options.option, SaveOption::FileSize);
  EXPECT_EQ(options.quality, 35);
  EXPECT_DOUBLE_EQ(options.rate, 25.5);
  EXPECT_DOUBLE_EQ(options.sizeKb, 48.0);
  EXPECT_EQ(options.scanMode, ScanMode::Baseline);
  EXPECT_EQ(options.progression, SortedBy::Position);
  EXPECT_EQ(options.pnmCoding, PnmCoding::Plain);
  EXPECT_EQ(options.tiffCompression, TiffCompression::PackBits);
  EXPECT_EQ(options.jpegQuality, 61);
  EXPECT_FALSE(options.showWarnings);

  // A new panel starts from them.
  MakePanel();
  EXPECT_EQ(panel_->Type(), PictureFormat::Tiff);
  EXPECT_TRUE(Find<wxRadioButton>(Panel::kSizeOptionId)->GetValue());
  EXPECT_EQ(Find<wxSpinCtrl>(Panel::kJpegQualityEditId)->GetValue(), 61);
  EXPECT_EQ(Find<wxChoice>(Panel::kSortedById)->GetSelection(), 2);
}

TEST_F(SaveDialogGuiTest, NumbersThatAreNoPositiveDecimalsKeepThePreviousValue) {
  SaveDialog& dialog = App().FileSaveDialog();
  dialog.options.rate = 12.0;
  dialog.options.sizeKb = 30.0;
  MakePanel();
  Find<wxTextCtrl>(Panel::kRateEditId)->SetValue("fast");
  Find<wxTextCtrl>(Panel::kSizeEditId)->SetValue("-3");
  panel_->TransferToDialog();
  EXPECT_DOUBLE_EQ(dialog.options.rate, 12.0);
  EXPECT_DOUBLE_EQ(dialog.options.sizeKb, 30.0);
}

TEST_F(SaveDialogGuiTest, PasswordDialogSetsAndClearsTheProtection) {
  SaveDialog& dialog = App().FileSaveDialog();
  panel_->SetType(PictureFormat::Kvf);
  dialog.options.freeQuality = 0;  // outside 1..100 %: offered as 50 %
  int offeredPercent = 0;
  {
    ModalAnswers answers([&](wxDialog& shown) {
      EXPECT_EQ(shown.GetTitle(), "Activate Password Protection");
      auto* percent =
          dynamic_cast<wxSpinCtrl*>(shown.FindWindow(SavePasswordDialog::kFreeQualityId));
      auto* password = dynamic_cast<wxTextCtrl*>(shown.FindWindow(SavePasswordDialog::kPasswordId));
      if (!percent || !password) return static_cast<int>(wxID_CANCEL);
      offeredPercent = percent->GetValue();
      EXPECT_TRUE(password->IsEmpty());
      percent->SetValue(30);
      password->ChangeValue(wxString::FromUTF8("\xc3\xa4") + wxString('k', 32));
      return static_cast<int>(wxID_OK);
    });
    panel_->EditPassword();
    EXPECT_EQ(answers.count, 1);
  }
  EXPECT_EQ(offeredPercent, 50);
  EXPECT_TRUE(dialog.passwordOn);
  EXPECT_EQ(dialog.password, "\xc3\xa4" + std::string(31, 'k'))
      << "cut to the bytes the protection block holds";
  EXPECT_EQ(dialog.options.freeQuality, 307);  // 30 % of 1024, rounded
  EXPECT_EQ(Find<wxStaticText>(Panel::kProtectionTextId)->GetLabel(), "Password on, 30 % free");

  {
    ModalAnswers answers([](wxDialog&) { return static_cast<int>(wxID_CANCEL); });
    panel_->EditPassword();
  }
  EXPECT_TRUE(dialog.passwordOn) << "Cancel changes nothing";

  {
    ModalAnswers answers([&](wxDialog& shown) {
      auto* percent =
          dynamic_cast<wxSpinCtrl*>(shown.FindWindow(SavePasswordDialog::kFreeQualityId));
      offeredPercent = percent ? percent->GetValue() : 0;
      return SavePasswordDialog::kNoPasswordId;
    });
    panel_->EditPassword();
  }
  EXPECT_EQ(offeredPercent, 30);
  EXPECT_FALSE(dialog.passwordOn);
  EXPECT_TRUE(dialog.password.empty());
  EXPECT_EQ(Find<wxStaticText>(Panel::kProtectionTextId)->GetLabel(), "No password");
}

TEST_F(SaveDialogGuiTest, PasswordDialogOffersOkOnlyWithAPassword) {
  SavePasswordDialog ask(host_, "", 512);
  wxWindow* ok = ask.FindWindow(wxID_OK);
  ASSERT_NE(ok, nullptr);
  ask.UpdateWindowUI(wxUPDATE_UI_RECURSE);
  EXPECT_FALSE(ok->IsEnabled()) << "a protection without a password would lock nothing";
  dynamic_cast<wxTextCtrl*>(ask.FindWindow(SavePasswordDialog::kPasswordId))->ChangeValue("x");
  ask.UpdateWindowUI(wxUPDATE_UI_RECURSE);
  EXPECT_TRUE(ok->IsEnabled());
  EXPECT_EQ(ask.FreeQuality(), 512);
}

TEST_F(SaveDialogGuiTest, SystemDialogOpensOnTheFilterOfTheType) {
  SaveDialog& dialog = App().FileSaveDialog();
  dialog.options.type = PictureFormat::Ppm;
  wxString title, wildcard, directory, name;
  int filter = -1;
  long style = 0;
  ModalAnswers answers([&](wxDialog& shown) {
    if (auto* files = dynamic_cast<wxFileDialog*>(&shown)) {
      title = files->GetMessage();  // the title of the native dialog
      wildcard = files->GetWildcard();
      filter = files->GetFilterIndex();
      directory = files->GetDirectory();
      name = files->GetFilename();
      style = files->GetWindowStyle();
    }
    return static_cast<int>(wxID_CANCEL);
  });
  EXPECT_FALSE(dialog.Run(host_, (dir.path() / "scan").string()).has_value());
  ASSERT_EQ(answers.count, 1);
  EXPECT_EQ(title, "File Save");
  EXPECT_EQ(filter, 3) << "the fourth filter, *.ppm";
  EXPECT_TRUE(wildcard.StartsWith("Korvel.jp2 Format (*.jp2)|*.jp2|Korvel Format (*.kvf)|"));
  EXPECT_TRUE(wildcard.EndsWith("JPEG (*.jpg)|*.jpg|PNG (*.png)|*.png"));
  EXPECT_EQ(directory, dir.path().string());
  EXPECT_EQ(name, "scan.ppm") << "offered with the extension of the type";
  EXPECT_TRUE(style & wxFD_OVERWRITE_PROMPT);
}

TEST_F(SaveDialogGuiTest, SystemDialogCarriesThePanelOfTheType) {
  SaveDialog& dialog = App().FileSaveDialog();
  dialog.options.type = PictureFormat::Kvf;
  wxFileDialog* running = nullptr;
  ModalAnswers watch([&](wxDialog& shown) {
    running = dynamic_cast<wxFileDialog*>(&shown);
    return static_cast<int>(wxID_NONE);  // shown for real
  });
  PictureFormat shownType = PictureFormat::Unknown;
  bool passwordOffered = false;
  PictureFormat typeAfterFilter = PictureFormat::Unknown;
  wxString nameAfterFilter;
  // Looks at the dialog from inside its own event loop once it is up, then cancels it; gives
  // up waiting after a few seconds rather than hang.
  int waits = 0;
  std::function<void()> lookAtDialog = [&] {
    const bool up = running && running->IsShown();
    if (!up && ++waits < 1000) {
      wxMilliSleep(5);
      wxTheApp->CallAfter(lookAtDialog);
      return;
    }
    if (auto* panel = up ? dynamic_cast<SaveDialogPanel*>(running->GetExtraControl()) : nullptr) {
      shownType = panel->Type();
      passwordOffered = panel->FindWindow(Panel::kPasswordButtonId)->IsShown();
      // The user picks "TIFF (*.tif)"; the toolkit refreshes the panel.
      running->SetFilterIndex(5);
      panel->UpdateWindowUI(wxUPDATE_UI_RECURSE);
      typeAfterFilter = panel->Type();
      nameAfterFilter = running->GetPath();
    }
    if (running) running->EndModal(wxID_CANCEL);
  };
  wxTheApp->CallAfter(lookAtDialog);
  EXPECT_FALSE(dialog.Run(host_, (dir.path() / "scan").string()).has_value());
  EXPECT_GE(watch.count, 1) << "the dialog ran";
  EXPECT_EQ(shownType, PictureFormat::Kvf);
  EXPECT_TRUE(passwordOffered);
  EXPECT_EQ(typeAfterFilter, PictureFormat::Tiff) << "the type follows the filter";
  EXPECT_EQ(nameAfterFilter, (dir.path() / "scan.tif").string()) << "and so does the name";
}

TEST_F(SaveDialogGuiTest, WarningsHelpOpensThePageOnSaving) {
  SaveWarningDialog warning(host_, wxString());
  warning.ShowHelp();
  Pump();
  wxString titles;
  for (wxWindow* window : wxTopLevelWindows) titles += window->GetLabel() + "|";
  EXPECT_TRUE(titles.Contains("Saving pictures")) << titles;
}

TEST_F(SaveDialogGuiTest, WarningShowsTheGivenTextOrItsOwnAdvice) {
  SaveWarningDialog advice(host_, wxString());
  EXPECT_TRUE(advice.Text().StartsWith("When compressing JPG images with Korvel")) << advice.Text();
  EXPECT_EQ(advice.GetTitle(), "Warning");
  SaveWarningDialog given(host_, "larger");
  EXPECT_EQ(given.Text(), "larger");
  for (int id : {wxID_OK, wxID_CANCEL, wxID_HELP}) EXPECT_NE(given.FindWindow(id), nullptr) << id;
}

}  // namespace
}  // namespace quillon::test
