// The colour commands of the Picture menu on an open picture: each conversion opens a new
// window with its title and leaves the source alone; refusals and the colour count only talk.
#include <gtest/gtest.h>

#include <vector>

#include <wx/aui/auibook.h>

#include "app/ui/SaveGuiTest.h"
#include "support/BmpFixture.h"
#include "support/GuiTest.h"
#include "ui/CommandIds.h"
#include "ui/FilterStrengthDialog.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"

namespace quillon::test {
namespace {

class ColourCommandsGuiTest : public GuiTest {
 protected:
  // The new windows hold unsaved pictures; the program would ask whether to save them.
  void TearDown() override {
    if (App().DocManager()) {
      for (wxDocument* doc : App().DocManager()->GetDocumentsVector()) doc->Modify(false);
    }
    GuiTest::TearDown();
  }
  void OpenGradient() {
    Start({WriteGradientBmp(dir.path() / "gradient.bmp").string()});
    source_ = ActiveDoc();
    ASSERT_NE(source_, nullptr);
  }
  static PictureDocAdapter* ActiveDoc() {
    auto* view = dynamic_cast<PictureView*>(App().DocManager()->GetCurrentView());
    return view ? view->GetPictureDoc() : nullptr;
  }
  static void Command(int commandId) {
    wxCommandEvent event(wxEVT_MENU, id::wxIdOf(commandId));
    Frame().GetEventHandler()->ProcessEvent(event);
    Pump();
  }
  static bool Enabled(int commandId) {
    wxUpdateUIEvent event(id::wxIdOf(commandId));
    Frame().GetEventHandler()->ProcessEvent(event);
    return event.GetEnabled();
  }
  static std::vector<std::uint8_t> Bytes(const PictureDocAdapter& doc) {
    const Picture& picture = doc.Data().GetPicture();
    return {picture.Bits(), picture.Bits() + picture.Header().biSizeImage};
  }
  // Makes `source_` the active window again, as a click on its tab does.
  void ActivateSource() {
    wxAuiNotebook& tabs = *Frame().GetClientWindow();
    tabs.SetSelection(std::size_t(tabs.GetPageIndex(source_->GetFirstView()->GetFrame())));
    Pump();
    ASSERT_EQ(ActiveDoc(), source_);
  }

  PictureDocAdapter* source_ = nullptr;
};

TEST_F(ColourCommandsGuiTest, EachConversionOpensANewTitledWindowAndKeepsTheSource) {
  OpenGradient();
  const std::vector<std::uint8_t> original = Bytes(*source_);
  struct Case {
    int command;
    const char* words;
    int bitCount;
  };
  // The source window's title, ratio and all, follows the command's words.
  const Case cases[] = {{id::kGrayscale, "Grayscale: ", 8},
                        {id::kColorMap8, "8-Bit-Color: ", 8},
                        {id::kSmooth, "Blur: ", 24},
                        {id::kSharpen, "Sharpen: ", 24}};
  const wxString sourceTitle = source_->GetTitle();
  ASSERT_TRUE(sourceTitle.StartsWith("gradient.bmp"));
  std::vector<wxString> dialogTitles;
  std::vector<FilterStrength> offered;
  ModalAnswers answers([&](wxDialog& dialog) {
    auto* strength = dynamic_cast<FilterStrengthDialog*>(&dialog);
    if (!strength) return int(wxID_CANCEL);
    dialogTitles.push_back(dialog.GetTitle());
    offered.push_back(strength->Strength());
    strength->SetStrength(FilterStrength::High);
    return int(wxID_OK);
  });
  for (const Case& c : cases) {
    const wxString title = c.words + sourceTitle;
    SCOPED_TRACE(title.utf8_string());
    ActivateSource();
    EXPECT_TRUE(Enabled(c.command));
    const std::size_t before = DocumentCount();
    Command(c.command);
    ASSERT_EQ(DocumentCount(), before + 1);
    PictureDocAdapter* made = ActiveDoc();
    ASSERT_NE(made, nullptr);
    ASSERT_NE(made, source_);
    EXPECT_EQ(made->GetTitle(), title);
    wxAuiNotebook& tabs = *Frame().GetClientWindow();
    EXPECT_EQ(tabs.GetPageText(std::size_t(tabs.GetPageIndex(made->GetFirstView()->GetFrame())))
                  .utf8_string(),
              title.utf8_string() + "*")
        << "the tab marks the picture as not saved";
    EXPECT_EQ(Frame().GetTitle(), title + wxString::FromUTF8(" \u2014 Korvel Quillon 3.0"));
    EXPECT_TRUE(made->IsModified());
    const Picture& picture = made->Data().GetPicture();
    EXPECT_EQ(picture.GetBitCount(), c.bitCount);
    EXPECT_EQ(picture.GetWidth(), 40);
    EXPECT_EQ(picture.GetHeight(), 30);
    EXPECT_EQ(Bytes(*source_), original);
  }
  EXPECT_EQ(dialogTitles, (std::vector<wxString>{"Smooth", "Sharpen"}));
  EXPECT_EQ(offered, (std::vector<FilterStrength>{FilterStrength::Low, FilterStrength::Low}));
  EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ColourCommandsGuiTest, RefusalsCancelAndCountOpenNoWindow) {
  OpenGradient();
  Command(id::kGrayscale);
  PictureDocAdapter* grey = ActiveDoc();
  ASSERT_NE(grey, source_);
  const std::size_t documents = DocumentCount();

  ModalAnswers cancel([](wxDialog&) { return int(wxID_CANCEL); });
  Command(id::kGrayscale);  // on the grey picture
  Command(id::kColorMap8);
  EXPECT_EQ(cancel.count, 0);
  ActivateSource();
  Command(id::kCountColors);
  ASSERT_EQ(ui->messages.size(), 3u);
  EXPECT_EQ(ui->messages[0].id, StringId{144});
  EXPECT_EQ(ui->messages[1].id, StringId{145});
  EXPECT_EQ(ui->messages[2].text, "The Picture consists of 1200 Colors.");

  Command(id::kSmooth);
  EXPECT_EQ(cancel.count, 1);
  EXPECT_EQ(DocumentCount(), documents) << "Cancel makes nothing";

  grey->Modify(false);
  Command(id::kCloseAll);
  ASSERT_EQ(DocumentCount(), 0u);
  for (const int command :
       {id::kGrayscale, id::kColorMap8, id::kSmooth, id::kSharpen, id::kCountColors}) {
    EXPECT_FALSE(Enabled(command)) << command;
  }
}

}  // namespace
}  // namespace quillon::test
